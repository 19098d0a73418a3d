# Checks that the Linux library exports exactly its three C functions and
# needs no library beyond the C library.
# Arguments: -DLIBRARY=<path of libportio.so>
find_program(NM nm REQUIRED)
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "nm failed:\n${out}")
endif()
string(REGEX MATCHALL "[0-9a-f]+ [A-Za-z] [^\n]+" lines "${out}")
set(names "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-f]+ [A-Za-z] " "" name "${line}")
  list(APPEND names "${name}")
endforeach()
list(SORT names)
if(NOT names STREQUAL "InPort;OutPort;PortAccessError")
  message(FATAL_ERROR "libportio.so exports [${names}], expected [InPort;OutPort;PortAccessError]")
endif()
