// The debugger on a whole machine running our busy test program as its IPL:
// where stops happen, stepping, watchpoints, break requests, and
// the processor's place in the scheduler.
#include "debug/debugger.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "cpu/z80_cpu.h"
#include "m5/machine.h"
#include "machine/scheduler.h"
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

}  // namespace
}  // namespace m5::debug
