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

# Builds target as the launcher is built: CRT-free, with our own start-up
# code (platform/windows/start.cpp) and the three-section layout. The benchmark's comparison
# programs use it too, so that they differ from the launcher only in what
# their code does.
#
# Size: the code is compiled for size and optimised as one whole program at
# link time (-flto), which lets GCC pass arguments in registers between our
# own functions and inline across files. The compile flags go to the link
# too, since that is where the whole-program code is generated and the
# frame limit must be checked.
set(PELGROVE_WINDOWS_FLAGS
  ${PELGROVE_PORTABLE_FLAGS}
  -Os -flto
  # We are the C runtime: no hosted assumptions, no unwind tables (no
  # exceptions), no stack protector (it needs runtime support).
  -ffreestanding -fno-asynchronous-unwind-tables -fno-unwind-tables
  -fno-stack-protector
  # Keep our own memset/memcpy from being compiled into calls to
  # themselves.
  -fno-tree-loop-distribute-patterns
  # No compiler version string in the file; one section per function, so
  # the linker can drop what nothing calls.
  -fno-ident -ffunction-sections
  # Shorter code: no frame pointer, and the stack kept at the 4-byte
  # alignment that is all the i386 Windows ABI promises anyway (none of
  # our data needs more).
  -fomit-frame-pointer -mpreferred-stack-boundary=2)
# The start-up code stays out of the whole-program step: it defines the
# memset and memcpy that GCC may call on its own while generating code at
# link time, and they must then still be there to call.
add_library(pelgrove_start OBJECT platform/windows/start.cpp)
target_compile_options(pelgrove_start PRIVATE
  ${PELGROVE_WINDOWS_FLAGS} -fno-lto)
set(PELGROVE_LAYOUT "${PROJECT_SOURCE_DIR}/platform/windows/pelgrove.ld")

function(pelgrove_crt_free target)
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:pelgrove_start>)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:${PELGROVE_WINDOWS_FLAGS}>)
  target_link_options(${target} PRIVATE
    ${PELGROVE_WINDOWS_FLAGS}
    # Our own entry point instead of the runtime's start-up code; i386 C
    # names carry a leading underscore.
    -nostdlib -nostartfiles -e _WinMainCRTStartup
    # ASLR and DEP; no timestamp in the header, so equal sources give equal
    # bytes; unused functions dropped; no symbols.
    -Wl,--dynamicbase,--nxcompat,--no-insert-timestamp,--gc-sections
    -s
    # Three sections instead of five (see the script), and nothing placed
    # that the script does not name. (-T given to the compiler driver, not
    # through -Wl, which would split a path at any comma in it.)
    "SHELL:-T \"${PELGROVE_LAYOUT}\"" -Wl,--orphan-handling=error)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
    "${PELGROVE_LAYOUT}")
  target_link_libraries(${target} PRIVATE kernel32)
endfunction()

add_executable(pelgrove WIN32
  ${PELGROVE_PORTABLE_SOURCES}
  "${CMAKE_CURRENT_BINARY_DIR}/pelgrove.rc")
set_target_properties(pelgrove PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY "${PELGROVE_DIST_DIR}")
pelgrove_crt_free(pelgrove)

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
add_subdirectory(bench)
add_subdirectory(release)
