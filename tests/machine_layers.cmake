# The emulated machine (src/machine, cpu, memory, devices) depends on the
# standard library only: it includes no header of the host and opens no file.
#   cmake -DSOURCE_DIR=... -P machine_layers.cmake
file(GLOB_RECURSE sources ${SOURCE_DIR}/src/machine/* ${SOURCE_DIR}/src/cpu/* ${SOURCE_DIR}/src/memory/*
     ${SOURCE_DIR}/src/devices/*)
set(found "")
foreach(source ${sources})
  file(STRINGS ${source} lines REGEX "#include \"(host|desktop|tools|capi)/|#include <(fstream|filesystem)>|fopen|[^_a-z]open\\(")
  foreach(line ${lines})
    list(APPEND found "${source}: ${line}")
  endforeach()
endforeach()
if(found)
  list(JOIN found "\n" text)
  message(FATAL_ERROR "the machine reaches for the host or for files:\n${text}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files of the machine checked: no host header, no file opened")
