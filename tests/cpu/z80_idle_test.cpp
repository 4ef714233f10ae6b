// Idle loops: a processor that passes over the turns of a loop that changes
// nothing must leave itself, memory, the ports and the interrupt chain as
// single steps do, after every slice and every run of slices, and must pass
// over turns only where nothing outside the processor could tell.
#include <array>
#include <vector>

#include "cpu/z80_execute.h"
#include "z80_bench.h"

namespace m5::test {
namespace {

struct IdleRig {
    explicit IdleRig(const std::vector<uint8_t>& program) {
        memory.connect(cpu, ports, chain);
        cpu.reset();
        cpu.im = 1;
        cpu.iff1 = cpu.iff2 = 1;
        cpu.pc = 0x1000;
        cpu.sp = 0xF000;
        cpu.hl.w = 0x9000;
        for (size_t n = 0; n < program.size(); ++n) memory.bytes[0x1000 + n] = program[n];
        // The interrupt counts at 8000h: LD HL,8000h / INC (HL) / EI / RET.
        const uint8_t handler[] = {0x21, 0x00, 0x80, 0x34, 0xFB, 0xC9};
        for (size_t n = 0; n < sizeof handler; ++n) memory.bytes[0x0038 + n] = handler[n];
    }
    // A run of slices as the scheduler hands them over, or those slices one
    // instruction at a time (the instruction after EI with it).
    void run(const std::vector<int32_t>& slices, bool stepping) {
        if (!stepping) {
            SliceRun run{slices.data(), 0, static_cast<int32_t>(slices.size()), 0};
            return cpu.execute_slices(run);
        }
        for (const int32_t clocks : slices) {
            cpu.clocks_left += clocks;
            for (bool after_ei = false; cpu.clocks_left > 0 || after_ei;)
                after_ei = cpu.step_on(ComponentBus{&memory, &ports, cpu.read_pages, cpu.write_pages});
        }
    }
    std::vector<int32_t> seen() const {
        std::vector<int32_t> v{cpu.af.w,
                               cpu.bc.w,
                               cpu.de.w,
                               cpu.hl.w,
                               cpu.sp,
                               cpu.pc,
                               cpu.r,
                               cpu.instr_pc,
                               cpu.clocks_left,
                               cpu.iff1,
                               cpu.halted,
                               chain.returns,
                               static_cast<int32_t>(ports.log.size()),
                               chain.acknowledges};
        v.insert(v.end(), memory.bytes.begin(), memory.bytes.end());
        return v;
    }

    FlatRam memory;
    LoggingPorts ports;
    FakeChain chain;
    Z80Cpu cpu{nullptr, nullptr};
};

TEST(Z80Idle, loops_passed_over_leave_what_single_steps_leave) {
    struct Case {
        const char* what;
        std::vector<uint8_t> program;  // at 1000h
        bool idle;                     // whether turns are passed over
        bool interrupts = true;        // whether the requests are taken
    };
    const Case cases[] = {
        // LD A,(8000h) / LD B,A / wait: LD A,(8000h) / CP B / JR Z,wait / JR 1000h
        {"a wait for the interrupt's count",
         {0x3A, 0x00, 0x80, 0x47, 0x3A, 0x00, 0x80, 0xB8, 0x28, 0xFA, 0x18, 0xF4},
         true},
        {"a jump to itself", {0xC3, 0x00, 0x10}, true},
        {"HALT, again after each interrupt", {0x76, 0x18, 0xFD}, true},
        // CALL 1008h / CP 5 / JR NZ,1000h / HALT / 1008: LD A,(8000h) / RET:
        // the return address is pushed again where it already stands.
        {"a call of a routine that reads the count",
         {0xCD, 0x08, 0x10, 0xFE, 0x05, 0x20, 0xF9, 0x76, 0x3A, 0x00, 0x80, 0xC9},
         true},
        {"a count in memory (INC (HL))", {0x34, 0x18, 0xFD}, false},
        {"a port read", {0xDB, 0x00, 0x18, 0xFC}, false},
        // CALL 1005h / JR 1000h / 1005: RETI: each one tells the chain.
        {"a RETI", {0xCD, 0x05, 0x10, 0x18, 0xFB, 0xED, 0x4D}, false},
        // LD A,R / AND 40h / JR Z,1000h / INC (HL) / JR $-1: R's bit 6 ends
        // the wait.
        {"a wait for R", {0xED, 0x5F, 0xE6, 0x40, 0x28, 0xFA, 0x34, 0x18, 0xFD}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IdleRig sliced(c.program), stepped(c.program);
        sliced.cpu.iff1 = stepped.cpu.iff1 = c.interrupts;
        for (int n = 0; n < 40; ++n) {
            // Uneven runs of uneven slices, some a few clocks long.
            std::vector<int32_t> slices;
            for (int k = 0; k <= n % 5; ++k) slices.push_back(3 + (n * 131 + k * 57) % 900);
            if (n % 7 == 3) {
                sliced.cpu.set_irq_request(1, 0, 0);
                stepped.cpu.set_irq_request(1, 0, 0);
            }
            sliced.run(slices, false);
            stepped.run(slices, true);
            ASSERT_EQ(sliced.seen(), stepped.seen()) << "after run " << n;
        }
        EXPECT_EQ(sliced.cpu.idle_clocks_passed > 0, c.idle) << sliced.cpu.idle_clocks_passed;
        if (c.idle) {
            EXPECT_GT(sliced.memory.bytes[0x8000], 3) << "hardly any interrupts";
        }
    }
}

}  // namespace
}  // namespace m5::test
