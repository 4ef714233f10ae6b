// The Z80 core on tight loops, through the Component virtual calls the
// machine uses and through direct calls into a final RAM component. The
// "tstates" counter is emulated T-states per second of processor time.
#include <benchmark/benchmark.h>

#include <initializer_list>
#include <memory>

#include "cpu/z80_cpu.h"
#include "cpu/z80_execute.h"
#include "cpu/z80_flat_ram.h"

namespace {

using m5::FlatRam;
using m5::Z80Cpu;

// Copies and scrambles 4 KiB, byte by byte, then starts again.
const std::initializer_list<uint8_t> COPY_LOOP = {
    0x21, 0x00, 0x40,  // 0000 LD HL,0x4000
    0x11, 0x00, 0x80,  // 0003 LD DE,0x8000
    0x01, 0x00, 0x10,  // 0006 LD BC,0x1000
    0x7E,              // 0009 LD A,(HL)
    0xA8,              //      XOR B
    0x12,              //      LD (DE),A
    0x23,              //      INC HL
    0x13,              //      INC DE
    0x0B,              //      DEC BC
    0x78,              //      LD A,B
    0xB1,              //      OR C
    0x20, 0xF6,        // 0011 JR NZ,0x0009
    0xC3, 0x00, 0x00,  // 0013 JP 0x0000
};

// Indexed loads and stores, a CB shift, a CALL with PUSH/POP and DJNZ.
const std::initializer_list<uint8_t> INDEX_LOOP = {
    0xDD, 0x21, 0x00, 0x40,              // 0000 LD IX,0x4000
    0x06, 0x00,                          // 0004 LD B,0
    0xDD, 0x7E, 0x00,                    // 0006 LD A,(IX+0)
    0xCB, 0x3F,                          //      SRL A
    0xDD, 0x77, 0x01,                    //      LD (IX+1),A
    0xCD, 0x20, 0x00,                    //      CALL 0x0020
    0xDD, 0x23,                          //      INC IX
    0x10, 0xF1,                          // 0013 DJNZ 0x0006
    0xC3, 0x00, 0x00,                    // 0015 JP 0x0000
    0,    0,    0,    0,    0, 0, 0, 0,  //
    0xC5,                                // 0020 PUSH BC
    0xC1,                                //      POP BC
    0xC9,                                //      RET
};

constexpr int32_t CLOCKS_PER_ITERATION = 1'000'000;

template <bool DIRECT>
void run_program(benchmark::State& state, std::initializer_list<uint8_t> program) {
    auto ram = std::make_unique<FlatRam>();
    m5::NullComponent ports(nullptr, nullptr);
    Z80Cpu cpu(nullptr, nullptr);
    cpu.memory = ram.get();
    cpu.io = &ports;
    cpu.int_chain = &ports;
    cpu.reset();
    cpu.sp = 0xF000;
    uint16_t address = 0;
    for (uint8_t byte : program) ram->bytes[address++] = byte;

    const m5::Z80Bus<FlatRam, m5::NullComponent> direct_bus{ram.get(), &ports};
    for (auto _ : state) {
        if constexpr (DIRECT)
            cpu.execute_on(direct_bus, CLOCKS_PER_ITERATION);
        else
            cpu.execute(CLOCKS_PER_ITERATION);
        benchmark::DoNotOptimize(cpu.pc);
    }
    state.counters["tstates"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * CLOCKS_PER_ITERATION, benchmark::Counter::kIsRate);
}

void copy_loop_virtual_bus(benchmark::State& state) { run_program<false>(state, COPY_LOOP); }
void copy_loop_direct_bus(benchmark::State& state) { run_program<true>(state, COPY_LOOP); }
void index_loop_virtual_bus(benchmark::State& state) { run_program<false>(state, INDEX_LOOP); }
void index_loop_direct_bus(benchmark::State& state) { run_program<true>(state, INDEX_LOOP); }
BENCHMARK(copy_loop_virtual_bus);
BENCHMARK(copy_loop_direct_bus);
BENCHMARK(index_loop_virtual_bus);
BENCHMARK(index_loop_direct_bus);

}  // namespace
