# The portable code built natively, tested against an in-memory platform,
# and pelgrove-check for Unix hosts (build/host/pelgrove-check).
#
# Variants, each chosen by the preset of the same name:
#   PELGROVE_SANITIZE  the unit tests under AddressSanitizer and
#                      UndefinedBehaviorSanitizer;
#   PELGROVE_FUZZ      (clang) the libFuzzer targets in tests/fuzz, under the
#                      same sanitizers;
#   PELGROVE_BENCH     the lookup benchmark (make bench).
find_package(GTest REQUIRED)

option(PELGROVE_SANITIZE "Build everything with ASan and UBSan" OFF)
option(PELGROVE_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

if(PELGROVE_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "PELGROVE_FUZZ needs clang (libFuzzer); use the fuzz "
    "preset, which sets CMAKE_CXX_COMPILER=clang++.")
endif()

if(PELGROVE_SANITIZE OR PELGROVE_FUZZ)
  # The first finding stops the program, so a test cannot pass past it.
  set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  add_compile_options(${sanitizers})
  add_link_options(${sanitizers})
  # Redzones around the lookup's line buffers make its frame larger than the
  # limit that matters only for the Windows build, which still checks it.
  list(FILTER PELGROVE_PORTABLE_FLAGS EXCLUDE REGEX "^-Werror=frame-larger")
endif()

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

if(PELGROVE_FUZZ)
  # Coverage feedback from the launcher's own code only.
  target_compile_options(pelgrove_portable PRIVATE -fsanitize=fuzzer-no-link)
  add_subdirectory(tests/fuzz)
endif()
