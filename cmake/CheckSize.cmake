# Fails when the file FILE is larger than LIMIT bytes, and says how large it is.
#   cmake -DFILE=PATH -DLIMIT=BYTES -P CheckSize.cmake
file(SIZE "${FILE}" size)
math(EXPR room "${LIMIT} - ${size}")
if(room LESS 0)
  math(EXPR over "0 - ${room}")
  message(FATAL_ERROR "${FILE}: ${size} bytes, ${over} over its budget of ${LIMIT}")
endif()
message("${FILE}: ${size} bytes, ${room} under its budget of ${LIMIT}")
