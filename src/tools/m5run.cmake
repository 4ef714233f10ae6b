# m5run: the headless runner (tests, automation, benchmarks). Its parts other
# than main() form a library that its tests link as well.
add_library(m5runparts STATIC
  ${CMAKE_CURRENT_LIST_DIR}/m5run_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/output_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tape_info.cpp
  ${CMAKE_CURRENT_LIST_DIR}/m5run_debug.cpp
  ${CMAKE_CURRENT_LIST_DIR}/z80_probe.cpp)
target_include_directories(m5runparts PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(m5runparts PUBLIC m5host m5debug)
add_executable(m5run ${CMAKE_CURRENT_LIST_DIR}/m5run.cpp)
target_link_libraries(m5run PRIVATE m5runparts)
