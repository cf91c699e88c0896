# Cross-compiling the launcher for 32-bit Windows with mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(PELGROVE_TARGET_TRIPLE i686-w64-mingw32)
foreach(tool IN ITEMS C:gcc CXX:g++ RC:windres)
  string(REPLACE ":" ";" parts "${tool}")
  list(GET parts 0 language)
  list(GET parts 1 program)
  find_program(CMAKE_${language}_COMPILER ${PELGROVE_TARGET_TRIPLE}-${program})
  if(NOT CMAKE_${language}_COMPILER)
    message(FATAL_ERROR
      "${PELGROVE_TARGET_TRIPLE}-${program} not found: install Debian's "
      "g++-mingw-w64-i686 package (scripts/setup.sh does).")
  endif()
endforeach()

set(CMAKE_FIND_ROOT_PATH /usr/${PELGROVE_TARGET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
