# pelgrove-check, the console companion that explains what the launcher
# will do in a folder. The including build sets PELGROVE_CHECK_SYSTEM to
# its system layer (check/system_*.cpp, plus whatever stands in for the
# launcher's KERNEL32 calls there).
#
# The launcher's lookup and composition (config/, launch/) are compiled in
# again as ordinary code: the tool has the C runtime, the launcher does not,
# but the source is the same, so their verdicts cannot drift apart.
add_library(pelgrove_check STATIC
  config/ini.cpp
  config/textfile.cpp
  launch/launch.cpp
  check/check.cpp
  check/report.cpp
  check/scan.cpp
  ${PELGROVE_CHECK_SYSTEM})
target_compile_options(pelgrove_check PRIVATE
  -fno-exceptions -fno-rtti -Wall -Wextra)

add_executable(pelgrove-check check/main.cpp)
target_link_libraries(pelgrove-check PRIVATE pelgrove_check)
target_compile_options(pelgrove-check PRIVATE -Wall -Wextra)
