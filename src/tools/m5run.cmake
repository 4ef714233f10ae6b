# m5run: the headless runner (tests, automation, benchmarks).
find_package(PNG REQUIRED)
add_executable(m5run
  ${CMAKE_CURRENT_LIST_DIR}/m5run.cpp
  ${CMAKE_CURRENT_LIST_DIR}/output_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png_writer.cpp)
target_include_directories(m5run PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(m5run PRIVATE m5host PNG::PNG)
