# Builds the Windows library with the i686 MinGW compiler and checks that its
# export table names exactly OutPort and InPort, undecorated.
# Arguments: -DSOURCE_DIR=<portio folder> -DWORK_DIR=<scratch folder>
find_program(CROSS_CC i686-w64-mingw32-gcc)
find_program(CROSS_OBJDUMP i686-w64-mingw32-objdump)
if(NOT CROSS_CC OR NOT CROSS_OBJDUMP)
  message("SKIPPED: i686-w64-mingw32-gcc or i686-w64-mingw32-objdump is not installed")
  return()
endif()

file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(
  COMMAND ${CROSS_CC} -shared -O2 -Wall -Wextra -Werror -Wl,--enable-stdcall-fixup
          -o ${WORK_DIR}/portio.dll ${SOURCE_DIR}/portio.c ${SOURCE_DIR}/portio.def
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cross build of portio.dll failed:\n${out}")
endif()

execute_process(COMMAND ${CROSS_OBJDUMP} -p ${WORK_DIR}/portio.dll
  RESULT_VARIABLE result OUTPUT_VARIABLE dump ERROR_VARIABLE dump)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump failed:\n${dump}")
endif()

# The name table follows "[Ordinal/Name Pointer] Table": lines "[   0] Name".
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" start)
if(start LESS 0)
  message(FATAL_ERROR "portio.dll has no export name table:\n${dump}")
endif()
string(SUBSTRING "${dump}" ${start} -1 table)
string(FIND "${table}" "\n\n" end)
if(end GREATER 0)
  string(SUBSTRING "${table}" 0 ${end} table)
endif()
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" entries "${table}")
set(names "")
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${entry}")
  string(STRIP "${name}" name)
  list(APPEND names "${name}")
endforeach()
list(SORT names)
if(NOT names STREQUAL "InPort;OutPort")
  message(FATAL_ERROR "portio.dll exports [${names}], expected exactly [InPort;OutPort]")
endif()
message("portio.dll exports: ${names}")
