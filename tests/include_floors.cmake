# The floors of the source tree: which folder of src/ may include headers of
# which. A floor includes from its own folder and the floors below it, never
# from above: the chips build on the ground floor (machine) alone, the
# assembled M5 (m5) on the chips, the host and the debugger on the M5, the
# front ends on those. m5emu is the public C interface (include/m5emu).
# Every folder of src/ must have its line here; headers of other projects
# (<gtk/...>, <sys/...>) are not checked.
#
# The emulated machine (machine, cpu, memory, devices, m5) also opens no
# file: it is given bytes and media by the host.
#   cmake -DSOURCE_DIR=... -P include_floors.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed_machine machine)
set(allowed_cpu machine cpu)
set(allowed_memory machine memory)
set(allowed_devices machine devices)
set(allowed_m5 machine cpu memory devices m5)
set(allowed_host machine cpu memory devices m5 host)
set(allowed_debug machine cpu memory devices m5 debug)
set(allowed_capi machine cpu memory devices m5 host capi m5emu)
set(allowed_tools machine cpu memory devices m5 host debug tools)
set(allowed_desktop machine cpu memory devices m5 host debug desktop)
set(allowed_web m5emu)
set(allowed_libretro libretro m5emu)
set(machine_floors machine cpu memory devices m5)

set(floors machine cpu memory devices m5 host debug capi tools desktop web libretro)
set(project_folders ${floors} m5emu)

set(found "")
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*)
foreach(folder ${folders})
  if(IS_DIRECTORY ${SOURCE_DIR}/src/${folder} AND NOT folder IN_LIST floors)
    list(APPEND found "src/${folder}: a folder with no line in the table of floors")
  endif()
endforeach()

set(count 0)
foreach(floor ${floors})
  file(GLOB_RECURSE sources ${SOURCE_DIR}/src/${floor}/*.h ${SOURCE_DIR}/src/${floor}/*.cpp
       ${SOURCE_DIR}/src/${floor}/*.c)
  foreach(source ${sources})
    math(EXPR count "${count} + 1")
    file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][a-z0-9_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([a-z0-9_]+)/.*" "\\1" folder "${line}")
      if(folder IN_LIST project_folders AND NOT folder IN_LIST allowed_${floor})
        list(APPEND found "${name}: ${line} (${floor} may include ${allowed_${floor}})")
      endif()
    endforeach()
    if(floor IN_LIST machine_floors)
      file(STRINGS ${source} opens REGEX "#include <(fstream|filesystem)>|fopen|[^_a-z]open\\(")
      foreach(line ${opens})
        list(APPEND found "${name}: ${line} (the machine opens no file)")
      endforeach()
    endif()
  endforeach()
endforeach()

if(found)
  list(JOIN found "\n" text)
  message(FATAL_ERROR "includes across the floors:\n${text}")
endif()
message(STATUS "${count} files of src/ checked: every include within its floor, no file opened by the machine")
