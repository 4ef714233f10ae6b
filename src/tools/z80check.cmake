# z80check: the Z80 core alone against CP/M exercisers, the per-instruction
# tests and JSON single-step tests; one source file per mode.
find_package(nlohmann_json 3 REQUIRED)
add_executable(z80check
  ${CMAKE_CURRENT_LIST_DIR}/z80check/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/z80check/z80check.cpp
  ${CMAKE_CURRENT_LIST_DIR}/z80check/cpm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/z80check/fuse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/z80check/json.cpp)
target_link_libraries(z80check PRIVATE m5host nlohmann_json::nlohmann_json)
