# pelgrove - the two commands that do everything on a fresh Debian machine:
#
#   make demo   build dist/pelgrove.exe and start a real Java app through it
#   make test   run every test: host unit tests and the real exe under Wine
#
# Plain `make` builds dist/pelgrove.exe. Each target installs what is
# missing first (scripts/setup.sh). CMake does the building; see
# CMakePresets.json for the two builds.

.PHONY: all demo test setup windows host clean

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

clean:
	rm -rf build dist
