# pelgrove - the two commands that do everything on a fresh Debian machine:
#
#   make demo   build dist/pelgrove.exe and start a real Java app through it
#   make test   run every test: host unit tests and the real exe under Wine
#
# Two more: `make bench` measures size, launch time and lookup cost
# (bench/run.py, results in bench/RESULTS.md); `make dist` packs the
# release zip, dist/pelgrove-<version>.zip.
#
# Plain `make` builds dist/pelgrove.exe. Each target installs what is
# missing first (scripts/setup.sh). CMake does the building; see
# CMakePresets.json for the two builds.

.PHONY: all demo test bench dist setup windows host clean

all: windows

setup:
	@./scripts/setup.sh

windows: setup
	@[ -f build/windows/build.ninja ] || cmake --preset windows
	cmake --build --preset windows

host: setup
	@[ -f build/host/build.ninja ] || cmake --preset host
	cmake --build --preset host

demo: windows
	cmake --build --preset windows --target run_demo

test: windows host
	ctest --preset host
	ctest --preset windows

# The benchmark needs hyperfine and Google Benchmark, which nothing else
# does: setup.sh installs them only when asked for the benchmark.
bench: windows
	@./scripts/setup.sh bench
	@[ -f build/bench/build.ninja ] || cmake --preset bench
	cmake --build --preset bench --target lookup_bench
	cmake --build --preset windows --target bench_programs
	python3 bench/run.py --root . --windows-build build/windows \
	    --bench-build build/bench

dist: windows
	cmake --build --preset windows --target dist

clean:
	rm -rf build dist
