# Writes the time the shipped programs' PE time stamp carries into OUT: the
# environment's SOURCE_DATE_EPOCH when it is set, else the time of the commit
# checked out in SOURCE_DIR, else 0. The file is only rewritten when the value
# changes, so that a build of an unchanged commit links nothing again.
#   cmake -DSOURCE_DIR=... -DOUT=... -P source_date.cmake
if(DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -C "${SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE rc ERROR_QUIET)
  if(NOT rc EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
    set(epoch 0)
  endif()
endif()
set(old "")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL "${epoch}")
  file(WRITE "${OUT}" "${epoch}")
endif()
