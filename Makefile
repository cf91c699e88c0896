# pelgrove - the two commands that do everything on a fresh Debian machine:
#
#   make demo   build dist/pelgrove.exe and start a real Java app through it
#   make test   run every test: host unit tests (plain and under ASan and
#               UBSan), a short fuzz of each fuzz target, and the real exe
#               and the text-mode referee under Wine
#
# More: `make bench` measures size, launch time and lookup cost
# (bench/run.py, results in bench/RESULTS.md); `make dist` packs the
# release zip, dist/pelgrove-<version>.zip; `make fuzz` fuzzes each target
# for FUZZ_SECONDS (600) and keeps what it finds in build/fuzz/long-*.
#
# Plain `make` builds dist/pelgrove.exe. Each target installs what is
# missing first (scripts/setup.sh). CMake does the building; see
# CMakePresets.json for the builds.

.PHONY: all demo test bench dist fuzz setup windows host sanitize fuzzers clean

FUZZ_SECONDS = 600
FUZZ_DIR = build/fuzz/tests/fuzz

all: windows

setup:
	@./scripts/setup.sh

# Configures the build tree of a preset once, then builds it.
build = @[ -f build/$(1)/build.ninja ] || cmake --preset $(1); \
	cmake --build --preset $(1)

windows: setup
	$(call build,windows)

host: setup
	$(call build,host)

sanitize: setup
	$(call build,sanitize)

fuzzers: setup
	$(call build,fuzz)

demo: windows
	cmake --build --preset windows --target run_demo

test: windows host sanitize fuzzers
	ctest --preset host
	ctest --preset sanitize
	ctest --preset fuzz
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

fuzz: fuzzers
	tests/fuzz/fuzz seeds $(FUZZ_DIR)/seeds build/fuzz/tests/unit/unit_tests
	for target in lookup reader; do \
	    tests/fuzz/fuzz long $(FUZZ_DIR)/fuzz_$$target $(FUZZ_SECONDS) \
	        build/fuzz/long-$$target $(FUZZ_DIR)/seeds || exit 1; \
	done

clean:
	rm -rf build dist
