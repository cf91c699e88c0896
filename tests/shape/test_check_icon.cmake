# test_check_icon.cmake - pelgrove_check_icon() accepts good icons and
# stops configuring, with a message naming the fault, on each bad one.
#
#   cmake -DICON_CHECK_MODULE=<path to CheckIcon.cmake> [-DPYTHON=<python3>]
#         -P test_check_icon.cmake
#
# A FATAL_ERROR cannot be caught inside a script, so every case runs this
# same script again in a child cmake (with CHECK_ONE set) and looks at its
# exit status and error text. CMake strings cannot hold a zero byte, so the
# test files are written from hex by Python.

if(DEFINED CHECK_ONE)
  include("${ICON_CHECK_MODULE}")
  pelgrove_check_icon("${CHECK_ONE}")
  return()
endif()

if(NOT ICON_CHECK_MODULE)
  message(FATAL_ERROR "pass -DICON_CHECK_MODULE=<path to CheckIcon.cmake>")
endif()
if(NOT PYTHON)
  find_program(PYTHON NAMES python3 REQUIRED)
endif()
set(work "${CMAKE_CURRENT_BINARY_DIR}/test_check_icon.d")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")

# Hex of a little-endian 32-bit number.
function(le32 value out)
  math(EXPR v "${value}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${v}" 2 -1 v)
  string(PREPEND v "00000000")
  string(LENGTH "${v}" n)
  math(EXPR n "${n} - 8")
  string(SUBSTRING "${v}" ${n} 8 v)
  string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" v "${v}")
  set(${out} ${v} PARENT_SCOPE)
endfunction()

# Hex of one 16-byte ICONDIRENTRY: 16x16, 1 plane, 8 bpp, <size> bytes at
# <offset>.
function(entry size offset out)
  le32(${size} s)
  le32(${offset} o)
  set(${out} "1010000001000800${s}${o}" PARENT_SCOPE)
endfunction()

set(one "000001000100")       # ICONDIR: reserved 0, type 1, 1 image
set(two "000001000200")       # ... 2 images
set(dib "2800000010000000")   # start of a BITMAPINFOHEADER (size 40, w 16)
set(png "89504e470d0a1a0a")
entry(8 22 at22)              # the one image, just after a 1-entry directory
entry(8 38 at38)              # first and second image after a 2-entry one
entry(8 46 at46)

set(failures 0)

# expect(<name> <file hex, or NOFILE> <PASS or text the error must contain>)
function(expect name hex want)
  set(path "${work}/${name}.ico")
  if(NOT hex STREQUAL "NOFILE")
    execute_process(COMMAND "${PYTHON}" -c
      "import sys; open(sys.argv[1], 'wb').write(bytes.fromhex(sys.argv[2]))"
      "${path}" "${hex}" RESULT_VARIABLE status)
    if(status)
      message(FATAL_ERROR "could not write ${path} with ${PYTHON}")
    endif()
  endif()
  run(${name} "${path}" "${want}")
  set(failures ${failures} PARENT_SCOPE)
endfunction()

function(run name path want)
  execute_process(COMMAND "${CMAKE_COMMAND}"
    -DICON_CHECK_MODULE=${ICON_CHECK_MODULE} -DCHECK_ONE=${path}
    -P "${CMAKE_CURRENT_LIST_FILE}"
    RESULT_VARIABLE status ERROR_VARIABLE err OUTPUT_QUIET)
  string(REGEX REPLACE "[ \n]+" " " err "${err}")   # CMake wraps messages
  if(want STREQUAL "PASS")
    set(ok 0)
    if(status EQUAL 0)
      set(ok 1)
    endif()
  else()
    string(FIND "${err}" "${want}" found)
    set(ok 0)
    if(NOT status EQUAL 0 AND found GREATER -1)
      set(ok 1)
    endif()
  endif()
  if(ok)
    message(STATUS "ok   ${name}")
  else()
    message(STATUS "FAIL ${name}: want ${want}, got status ${status}: ${err}")
    math(EXPR failures "${failures} + 1")
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

run(project-icon "${CMAKE_CURRENT_LIST_DIR}/../../resources/pelgrove.ico" PASS)
expect(bitmap-image "${one}${at22}${dib}" PASS)
expect(png-image "${one}${at22}${png}" PASS)
expect(two-images "${two}${at38}${at46}${dib}${png}" PASS)

expect(missing NOFILE "file not found")
expect(empty "" "is only 0 byte(s) long, too short to be an icon (.ico) file")
expect(five-bytes "0000010001" "is only 5 byte(s) long")
expect(png-file "${png}0000000d49484452"
  "is a PNG image, not an .ico file: convert it with icotool -c")
expect(bmp-file "424d3e0000000000" "is a BMP image, not an .ico file")
expect(reserved-1 "010001000100${at22}${dib}" "not an icon (.ico) file")
expect(cursor "000002000100${at22}${dib}" "not an icon (.ico) file")
expect(no-images "000001000000" "holds no images")
expect(directory-cut "${two}${at22}${dib}"
  "too short for its 2 directory entries")
entry(9 22 long)
expect(image-one-byte-long "${one}${long}${dib}" "lies outside the file")
entry(8 4096 far)
expect(image-offset-past-end "${one}${far}${dib}" "lies outside the file")
entry(8 0 inside)
expect(image-in-directory "${one}${inside}${dib}${dib}"
  "inside the icon directory")
entry(4 22 tiny)
expect(image-too-small "${one}${tiny}${dib}" "too small to hold an image")
expect(core-header "${one}${at22}0c00000010001000"
  "image 1 of 1 (16x16) starts with neither a BITMAPINFOHEADER nor a PNG")
expect(second-image-bad "${two}${at38}${at46}${dib}0000000000000000"
  "image 2 of 2 (16x16) starts with neither")

if(failures)
  message(FATAL_ERROR "${failures} icon check case(s) went wrong")
endif()
message(STATUS "all icon check cases behaved")
