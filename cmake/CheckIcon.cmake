# CheckIcon.cmake - refuse an unusable application icon at configure time.
#
#   pelgrove_check_icon(<path>)
#
# The icon is compiled into the exe by the resource compiler, which takes
# almost anything without complaint and leaves a broken or missing icon to
# be discovered on a user's desktop; a PNG renamed to .ico is the usual
# case. So a user-supplied icon is looked at here first, and configuring
# stops with a message naming what is wrong. Checked: the file exists, has a
# 6-byte ICONDIR with reserved 0, type 1 (icon) and at least one image, is
# long enough for its 16-byte directory entries, and every image lies inside
# the file and starts as either a BITMAPINFOHEADER (first dword 40) or a PNG.
# The pixels themselves are not checked.

# Little-endian unsigned integer of <size> bytes at byte <offset> of <hex>,
# a string as produced by file(READ ... HEX): two hex digits per byte.
function(_pelgrove_icon_le hex offset size out)
  math(EXPR offset "${offset}")
  set(digits "")
  math(EXPR last "${offset} + ${size} - 1")
  foreach(i RANGE ${last} ${offset} -1)
    math(EXPR at "${i} * 2")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    string(APPEND digits "${byte}")
  endforeach()
  math(EXPR value "0x${digits}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

function(pelgrove_check_icon path)
  set(what "pelgrove: icon \"${path}\"")
  if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
    message(FATAL_ERROR "${what}: file not found")
  endif()
  file(SIZE "${path}" file_size)
  if(file_size LESS 6)
    message(FATAL_ERROR "${what} is only ${file_size} byte(s) long, too "
      "short to be an icon (.ico) file")
  endif()

  # The other image formats people most often hand over by mistake.
  file(READ "${path}" head LIMIT 8 HEX)
  if(head STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "${what} is a PNG image, not an .ico file: convert "
      "it with icotool -c")
  endif()
  if(head MATCHES "^424d")
    message(FATAL_ERROR "${what} is a BMP image, not an .ico file: convert "
      "it with icotool -c")
  endif()

  _pelgrove_icon_le("${head}" 0 2 reserved)
  _pelgrove_icon_le("${head}" 2 2 type)
  _pelgrove_icon_le("${head}" 4 2 count)
  if(NOT reserved EQUAL 0 OR NOT type EQUAL 1)
    message(FATAL_ERROR "${what} is not an icon (.ico) file: its header has "
      "reserved=${reserved} and type=${type}, an icon has 0 and 1")
  endif()
  if(count EQUAL 0)
    message(FATAL_ERROR "${what} holds no images (its image count is 0)")
  endif()
  math(EXPR need "6 + 16 * ${count}")
  if(file_size LESS need)
    message(FATAL_ERROR "${what} is too short for its ${count} directory "
      "entries: they need ${need} bytes, the file has ${file_size}")
  endif()

  file(READ "${path}" entries OFFSET 6 LIMIT ${need} HEX)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    math(EXPR at "16 * ${i}")
    math(EXPR n "${i} + 1")
    _pelgrove_icon_le("${entries}" ${at} 1 width)
    _pelgrove_icon_le("${entries}" ${at}+1 1 height)
    if(width EQUAL 0)   # 0 in a directory entry means 256
      set(width 256)
    endif()
    if(height EQUAL 0)
      set(height 256)
    endif()
    _pelgrove_icon_le("${entries}" ${at}+8 4 size)
    _pelgrove_icon_le("${entries}" ${at}+12 4 offset)
    set(image "image ${n} of ${count} (${width}x${height})")
    math(EXPR end "${offset} + ${size}")
    if(end GREATER file_size)
      message(FATAL_ERROR "${what}: ${image} lies outside the file: it "
        "claims bytes ${offset} to ${end} of a ${file_size}-byte file")
    endif()
    if(offset LESS need)
      message(FATAL_ERROR "${what}: ${image} starts at byte ${offset}, "
        "inside the icon directory, which ends at byte ${need}")
    endif()
    if(size LESS 8)
      message(FATAL_ERROR "${what}: ${image} is only ${size} byte(s), too "
        "small to hold an image")
    endif()
    file(READ "${path}" start OFFSET ${offset} LIMIT 8 HEX)
    if(NOT start MATCHES "^28000000" AND NOT start STREQUAL "89504e470d0a1a0a")
      message(FATAL_ERROR "${what}: ${image} starts with neither a "
        "BITMAPINFOHEADER nor a PNG signature (first bytes: ${start})")
    endif()
  endforeach()
endfunction()
