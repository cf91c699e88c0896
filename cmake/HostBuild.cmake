# The portable code built natively, tested against an in-memory platform,
# and pelgrove-check for Unix hosts (build/host/pelgrove-check).
find_package(GTest REQUIRED)

add_library(pelgrove_portable STATIC ${PELGROVE_PORTABLE_SOURCES})
target_compile_options(pelgrove_portable PRIVATE ${PELGROVE_PORTABLE_FLAGS})

add_subdirectory(tests/unit)

# Reads real files through POSIX stand-ins for the launcher's calls.
set(PELGROVE_CHECK_SYSTEM check/system_posix.cpp platform/posix/files.cpp)
include(CheckTool)

add_subdirectory(tests/check)

# The lookup benchmark (make bench), only in the "bench" preset: it needs
# Google Benchmark, which make test does not.
option(PELGROVE_BENCH "Build the lookup benchmark" OFF)
if(PELGROVE_BENCH)
  add_subdirectory(bench)
endif()
