# dist/pelgrove.exe, dist/pelgrove-check.exe and the tests that run them
# under Wine.
enable_language(C)
enable_language(RC)

set(PELGROVE_ICON "${PROJECT_SOURCE_DIR}/resources/pelgrove.ico"
  CACHE FILEPATH "The .ico file the launcher carries as its application icon")
set(PELGROVE_DIST_DIR "${PROJECT_SOURCE_DIR}/dist"
  CACHE PATH "Where pelgrove.exe is written")

include(CheckIcon)
pelgrove_check_icon("${PELGROVE_ICON}")
configure_file(resources/pelgrove.rc.in pelgrove.rc @ONLY)
# Rebuild when the icon's bytes change, not only its path.
set_property(SOURCE "${CMAKE_CURRENT_BINARY_DIR}/pelgrove.rc" APPEND PROPERTY
  OBJECT_DEPENDS "${PELGROVE_ICON}")

add_executable(pelgrove WIN32
  ${PELGROVE_PORTABLE_SOURCES}
  platform/windows/start.cpp
  "${CMAKE_CURRENT_BINARY_DIR}/pelgrove.rc")
set_target_properties(pelgrove PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY "${PELGROVE_DIST_DIR}")
target_compile_options(pelgrove PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:${PELGROVE_PORTABLE_FLAGS}>
  $<$<COMPILE_LANGUAGE:CXX>:
    -Os
    # We are the C runtime: no hosted assumptions, no unwind tables (no
    # exceptions), no stack protector (it needs runtime support).
    -ffreestanding -fno-asynchronous-unwind-tables -fno-unwind-tables
    -fno-stack-protector
    # Keep our own memset/memcpy from being compiled into calls to
    # themselves.
    -fno-tree-loop-distribute-patterns>)
target_link_options(pelgrove PRIVATE
  # Our own entry point instead of the runtime's start-up code; i386 C
  # names carry a leading underscore.
  -nostdlib -nostartfiles -e _WinMainCRTStartup
  # ASLR and DEP; no timestamp in the header, so equal sources give equal
  # bytes; no symbols.
  -Wl,--dynamicbase,--nxcompat,--no-insert-timestamp
  -s)
target_link_libraries(pelgrove PRIVATE kernel32)

# The console companion, beside the launcher. It has the C runtime; -static
# keeps it free of MinGW's own DLLs, so it runs on a bare Windows.
set(PELGROVE_CHECK_SYSTEM check/system_windows.cpp)
include(CheckTool)
set_target_properties(pelgrove-check PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY "${PELGROVE_DIST_DIR}")
target_link_options(pelgrove-check PRIVATE -static -s)

# Private to this build tree, created on first use.
set(WINE_PREFIX "${CMAKE_BINARY_DIR}/wineprefix")
add_subdirectory(tests/wine)
add_subdirectory(demo)
add_subdirectory(tests/shape)
add_subdirectory(tests/check)
