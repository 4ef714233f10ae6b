// The debugger on a whole machine running our busy test program as its IPL:
// where stops happen (the instruction after EI too), stepping, the sets of
// breakpoints and watchpoints, break requests, and the processor's place in
// the scheduler.
#include "debug/debugger.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "cpu/z80_cpu.h"
#include "m5/machine.h"
#include "m5/port_probe.h"
#include "machine/scheduler.h"
#include "machine/state_io.h"
#include "memory/memory_map.h"
#include "support/test_host.h"

namespace m5::debug {
namespace {

// Answers each stop with the next of `answers` (then CONTINUE), noting where
// the processor was.
class ScriptedClient final : public DebugClient {
public:
    Resume stopped(Debugger& debugger, const StopReason& reason) override {
        reasons.push_back(reason);
        pcs.push_back(debugger.register_value(PC_REGISTER));
        if (on_stop) on_stop(debugger);
        const size_t n = reasons.size() - 1;
        return n < answers.size() ? answers[n] : Resume::CONTINUE;
    }
    std::vector<Resume> answers;
    std::vector<StopReason> reasons;
    std::vector<uint16_t> pcs;
    std::function<void(Debugger&)> on_stop;
};

class DebuggerTest : public ::testing::Test {
protected:
    DebuggerTest() : machine(&host), debugger(machine, &client) {
        test::load_ipl(machine, "host_busy");
        debugger.attach();
    }
    test::TestHost host;
    Machine machine;
    ScriptedClient client;
    Debugger debugger;
};

TEST_F(DebuggerTest, attaching_takes_the_processors_place_and_detaching_gives_it_back) {
    EXPECT_EQ(machine.scheduler->cpus[0], &debugger);
    debugger.detach();
    EXPECT_EQ(machine.scheduler->cpus[0], machine.cpu.get());
}

TEST_F(DebuggerTest, a_breakpoint_stops_before_its_instruction_and_a_step_after_one) {
    debugger.add_breakpoint(0x0004);  // LD A,$01 after DI; LD SP,$0000
    client.answers = {Resume::STEP, Resume::STEP, Resume::CONTINUE};
    machine.run_frame();
    ASSERT_GE(client.reasons.size(), 3u);
    EXPECT_EQ(client.reasons[0].kind, StopReason::BREAKPOINT);
    EXPECT_EQ(client.pcs[0], 0x0004);
    EXPECT_EQ(client.reasons[1].kind, StopReason::STEP);
    EXPECT_EQ(client.pcs[1], 0x0006);
    EXPECT_EQ(client.pcs[2], 0x0008);
    EXPECT_EQ(client.reasons.size(), 3u);  // never reached again
}

TEST_F(DebuggerTest, a_break_request_stops_at_the_next_instruction_and_no_time_passes_while_stopped) {
    machine.run_frame();
    MachineTime at_stop = 0;
    client.on_stop = [&](Debugger& d) { at_stop = d.clock(); };
    debugger.request_break();
    const MachineTime before = machine.scheduler->clock_counter;
    machine.run_frame();
    ASSERT_EQ(client.reasons.size(), 1u);
    EXPECT_EQ(client.reasons[0].kind, StopReason::BREAK_REQUEST);
    EXPECT_EQ(at_stop, before);
}

// host_busy's main loop enables interrupts before `after_ei: LD B,64`.
uint16_t after_ei(const Machine& machine) {
    static constexpr uint8_t CODE[] = {0xFB, 0x06, 0x40};
    const uint8_t* rom = machine.memory_map->ipl_rom();
    for (uint16_t at = 0; at < 0x2000 - sizeof CODE; ++at) {
        if (std::memcmp(rom + at, CODE, sizeof CODE) == 0) return static_cast<uint16_t>(at + 1);
    }
    ADD_FAILURE() << "no EI; LD B,64 in host_busy";
    return 0;
}

TEST_F(DebuggerTest, the_instruction_after_ei_is_a_stop_and_a_step_of_its_own) {
    const uint16_t target = after_ei(machine);
    // Stopped on the EI, one step reaches the instruction after it.
    debugger.add_breakpoint(static_cast<uint16_t>(target - 1));
    client.answers = {Resume::STEP, Resume::CONTINUE};
    client.on_stop = [&](Debugger& d) {
        if (d.register_value(PC_REGISTER) == target) d.remove_breakpoint(static_cast<uint16_t>(target - 1));
    };
    while (client.reasons.size() < 2) machine.run_frame();
    EXPECT_EQ(client.pcs[0], target - 1);
    EXPECT_EQ(client.reasons[1].kind, StopReason::STEP);
    EXPECT_EQ(client.pcs[1], target);
    // A breakpoint there stops too, with interrupts already enabled.
    client.on_stop = [](Debugger& d) { EXPECT_EQ(d.cpu.iff1, 1); };
    debugger.add_breakpoint(target);
    machine.run_frame();
    ASSERT_GE(client.reasons.size(), 3u);
    EXPECT_EQ(client.reasons[2].kind, StopReason::BREAKPOINT);
    EXPECT_EQ(client.pcs[2], target);
}

// Interrupts are taken exactly where the plain run takes them: never between
// EI and the instruction after it, even when that instruction is a stop.
TEST_F(DebuggerTest, stops_after_ei_leave_the_machine_as_the_plain_run_does) {
    test::TestHost plain_host;
    Machine plain(&plain_host);
    test::load_ipl(plain, "host_busy");
    const uint16_t target = after_ei(machine);
    debugger.add_breakpoint(target);
    debugger.add_breakpoint(static_cast<uint16_t>(target - 1));
    for (int frame = 0; frame < 30; ++frame) {
        machine.run_frame();
        plain.run_frame();
    }
    EXPECT_GT(client.reasons.size(), 60u);
    EXPECT_EQ(machine.scheduler->clock_counter, plain.scheduler->clock_counter);
    for (int i = 0; i < REGISTER_COUNT; ++i) {
        Debugger plain_view(plain, nullptr);
        EXPECT_EQ(debugger.register_value(i), plain_view.register_value(i)) << "register " << i;
    }
    EXPECT_EQ(machine.cpu->r, plain.cpu->r);
    EXPECT_EQ(std::memcmp(machine.memory_map->board_memory(), plain.memory_map->board_memory(), ADDRESS_SPACE_SIZE), 0);
}

TEST_F(DebuggerTest, each_set_counts_its_points_and_removing_from_one_leaves_the_others) {
    debugger.add_breakpoint(0x0004, CLIENT_POINTS);
    debugger.add_breakpoint(0x0004, CLIENT_POINTS);
    debugger.add_breakpoint(0x0004, CLIENT_POINTS + 1);
    EXPECT_TRUE(debugger.remove_breakpoint(0x0004, CLIENT_POINTS + 1));
    EXPECT_FALSE(debugger.remove_breakpoint(0x0004, CLIENT_POINTS + 1));
    EXPECT_TRUE(debugger.remove_breakpoint(0x0004, CLIENT_POINTS));
    EXPECT_TRUE(debugger.has_breakpoint(0x0004));  // set twice, removed once
    EXPECT_TRUE(debugger.remove_breakpoint(0x0004, CLIENT_POINTS));
    EXPECT_FALSE(debugger.has_breakpoint(0x0004));

    debugger.add_watchpoint(0x7000, 2, WATCH_WRITE);
    debugger.add_watchpoint(0x7000, 2, WATCH_WRITE, CLIENT_POINTS + 2);
    debugger.clear_set(CLIENT_POINTS + 2);
    ASSERT_EQ(debugger.watchpoints().size(), 1u);
    EXPECT_EQ(debugger.watch_map[0x7001], WATCH_WRITE);
    debugger.enable_watchpoint(0, false);
    EXPECT_EQ(debugger.watch_map[0x7001], 0);
    EXPECT_EQ(debugger.watchpoints().size(), 1u);  // disabled, still listed
}

TEST_F(DebuggerTest, a_disabled_breakpoint_never_stops) {
    debugger.add_breakpoint(0x0004);
    debugger.enable_breakpoint(0, false);
    machine.run_frame();
    EXPECT_TRUE(client.reasons.empty());
    EXPECT_TRUE(debugger.poke(0x7000, 0x5A));  // RAM: written
    EXPECT_EQ(debugger.peek(0x7000), 0x5A);
    EXPECT_FALSE(debugger.poke(0x0004, 0));  // ROM: refused
    EXPECT_EQ(debugger.peek(0x0004), 0x3E);
}

// Where the program idles (idle_waits: reading a byte, calling a routine
// that reads it, HALT), the plain run passes over the turns of the idle loop;
// under the debugger every instruction runs on its own. Both must end in the
// same machine, with the probe port written at the same times, also by the
// turns that reach outside the processor while the plain run looks for an
// idle loop.
TEST(DebuggerIdleTest, a_machine_passing_over_idle_turns_ends_as_one_run_step_by_step) {
    test::TestHost stepped_host, plain_host;
    Machine stepped(&stepped_host), plain(&plain_host);
    test::load_ipl(stepped, "idle_waits");
    test::load_ipl(plain, "idle_waits");
    test::PortProbe stepped_probe(stepped), plain_probe(plain);
    Debugger debugger(stepped, nullptr);
    debugger.attach();
    for (int frame = 0; frame < 150; ++frame) {
        stepped.run_frame();
        plain.run_frame();
    }
    EXPECT_GT(plain.cpu->idle_clocks_passed, 150 * 20'000);
    EXPECT_EQ(stepped.cpu->idle_clocks_passed, 0);
    ASSERT_GT(plain_probe.writes.size(), 1000u);
    EXPECT_TRUE(stepped_probe.writes == plain_probe.writes);
    StateWriter stepped_state, plain_state;
    stepped.save_state(stepped_state);
    plain.save_state(plain_state);
    EXPECT_TRUE(stepped_state.data() == plain_state.data());
}

}  // namespace
}  // namespace m5::debug
