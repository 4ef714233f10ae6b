# z80check: the Z80 core alone against CP/M exercisers, the per-instruction
# tests and JSON single-step tests.
add_executable(z80check ${CMAKE_CURRENT_LIST_DIR}/z80check.cpp)
target_link_libraries(z80check PRIVATE m5core)
