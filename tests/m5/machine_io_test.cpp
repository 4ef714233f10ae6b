// The memory map, I/O bus, keyboard matrix, system port and counter/timer as
// wired into the whole machine: the port map, and our own Z80 programs
// driving them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "devices/ctc.h"
#include "devices/key_matrix.h"
#include "devices/system_port.h"
#include "devices/tape_deck.h"
#include "devices/virtual_keys.h"
#include "m5/machine.h"
#include "machine/scheduler.h"
#include "machine/state_io.h"
#include "memory/io_bus.h"
#include "memory/memory_map.h"
#include "port_probe.h"
#include "support/test_host.h"

namespace m5 {
namespace {

using test::PortProbe;

// Stands for the tape deck as the receiver of the system port's lines.
class LineRecorder final : public Component {
public:
    LineRecorder() : Component(nullptr, nullptr) {}
    void signal_in(int32_t signal, uint32_t data, uint32_t mask) override { got.emplace_back(signal, data & mask); }
    std::vector<std::pair<int32_t, uint32_t>> got;
};

constexpr int32_t MARK = 0x7000;  // each program stores 0xA5 here first

// Runs `frames` frames of the program; false when it never got as far as
// storing its start mark.
bool run_program(Machine& machine, int frames) {
    for (int i = 0; i < frames; ++i) machine.run_frame();
    return machine.memory_map->peek(MARK) == 0xA5;
}

// --- The port map, without a program -----------------------------------------

class MachinePortMapTest : public ::testing::Test {
protected:
    test::TestHost host;
    Machine machine{&host};
    IoBus& bus = *machine.io_bus;
};

TEST_F(MachinePortMapTest, write_only_and_unmapped_ports_read_all_ones) {
    EXPECT_EQ(bus.port_read8(0x20), 0xFF);
    EXPECT_EQ(bus.port_read8(0x40), 0xFF);
    EXPECT_EQ(bus.port_read8(0x1260), 0xFF);
    EXPECT_EQ(bus.port_read8(0x38), 0xFF);
}

TEST_F(MachinePortMapTest, keyboard_rows_are_read_whatever_the_high_byte) {
    host.keys[VK_1] = 1;
    host.joy[0] = JOY_DOWN;
    EXPECT_EQ(bus.port_read8(0xA531), 0x01);
    EXPECT_EQ(bus.port_read8(0x0037), 0x08);
    bus.port_write8(0x37, 0xFF);  // read-only: the write goes nowhere
    EXPECT_EQ(bus.port_read8(0x37), 0x08);
}

TEST_F(MachinePortMapTest, counter_timer_answers_its_four_ports) {
    for (int32_t p = 0; p < 4; ++p) EXPECT_EQ(bus.port_read8(p), 0x00);  // count 256 after reset
    bus.port_write8(0x0101, 0x47);                                       // channel 1: counter, constant follows, reset
    bus.port_write8(0x0101, 0x21);
    EXPECT_EQ(bus.port_read8(0x7701), 0x21);
}

TEST_F(MachinePortMapTest, system_port_takes_writes_on_0x50_only_and_answers_reads) {
    LineRecorder deck;
    machine.system_port->target = &deck;
    machine.system_port->signal_in(0, 1, 1);
    EXPECT_EQ(bus.port_read8(0x1250), 0x01);
    bus.port_write8(0x40, 0x02);
    EXPECT_TRUE(deck.got.empty());
    bus.port_write8(0x3450, 0x02);
    ASSERT_EQ(deck.got.size(), 2u);
    EXPECT_EQ(deck.got[0], std::make_pair(0, 1u));
    EXPECT_EQ(deck.got[1], std::make_pair(1, 1u));
}

TEST_F(MachinePortMapTest, memory_is_the_processor_memory_with_rom_read_only) {
    EXPECT_EQ(machine.memory_map->mem_read8(0x0000), 0xFF);  // no IPL ROM given
    machine.memory_map->mem_write8(0x0000, 0x12);
    EXPECT_EQ(machine.memory_map->mem_read8(0x0000), 0xFF);
}

// --- Our own programs in the whole machine ----------------------------------

TEST(MachineProgramTest, ctc_timer_interrupts_in_mode_2_at_its_rate_with_its_vector) {
    test::TestHost host;
    Machine machine(&host);
    test::load_ipl(machine, "ctc_im2");
    PortProbe probe(machine);
    ASSERT_TRUE(run_program(machine, 60)) << "the program never ran";

    const MemoryMap& memory = *machine.memory_map;
    EXPECT_EQ(memory.peek(0x7004) | memory.peek(0x7005) << 8, 0) << "interrupts through a wrong vector";
    const int32_t count = memory.peek(0x7002) | memory.peek(0x7003) << 8;
    // Prescaler 256 x constant 100: 25600 machine clocks a period, about
    // 148 in one second (60 frames) less the start-up.
    EXPECT_GE(count, 147);
    EXPECT_LE(count, 148);
    ASSERT_EQ(probe.writes.size(), static_cast<size_t>(count));
    for (const auto& [time, port, data] : probe.writes) EXPECT_EQ(data, 0x24);

    // Each interrupt is taken within two instructions of the idle loop (a JR
    // of 12 clocks: the one running when the zero count falls, and the one
    // the processor completes before it next looks at INT), and the zero
    // counts keep their period exactly: no drift over the second.
    constexpr int32_t LATENCY = 2 * 12;
    const MachineTime first = probe.time_of(0);
    const MachineTime last = probe.time_of(probe.writes.size() - 1);
    EXPECT_NEAR(clocks_between(first, last), 25600 * (count - 1), LATENCY);
    for (size_t i = 1; i < probe.writes.size(); ++i) {
        EXPECT_NEAR(clocks_between(probe.time_of(i - 1), probe.time_of(i)), 25600, LATENCY);
    }
    EXPECT_FALSE(machine.ctc->channel(2).in_service && machine.ctc->channel(2).int_pending);
}

// Mixes the sound of the finished lines at the start of every line, as the
// scheduler once did at the end of each. Being a listener of every line, it
// also makes the scheduler give the processor each line in a call of its own.
class LineMixer final : public Component {
public:
    explicit LineMixer(Scheduler& scheduler) : Component(nullptr, nullptr), scheduler(scheduler) {}
    void on_scanline(int32_t line, int32_t clocks) override { (void)line, (void)clocks, scheduler.mix_sound_to_now(); }
    Scheduler& scheduler;
};

struct LinesRun {
    std::vector<int16_t> sound;
    std::vector<std::tuple<MachineTime, int32_t, int32_t>> probe_writes;  // the time of each interrupt
    std::vector<uint8_t> state;
};

// A program's sound, probe writes and final state, with the sound mixed
// (and the processor run) line by line or as the scheduler does by itself.
LinesRun run_lines_of(const char* program, bool line_by_line, int32_t speed_shift) {
    test::TestHost host;
    host.speed = speed_shift;
    Machine machine(&host);
    test::load_ipl(machine, program);
    machine.scheduler->apply_config();
    LineMixer mixer(*machine.scheduler);
    if (line_by_line) machine.scheduler->add_scanline_listener(&mixer);
    PortProbe probe(machine);
    constexpr int32_t BLOCK = 1470;  // two frames at 44100 Hz
    machine.setup_audio(44100, BLOCK);
    LinesRun run;
    for (int32_t block = 0; block < 10; ++block) {
        machine.run_frame();
        machine.run_frame();
        const int16_t* samples = machine.take_audio(0, 1);
        run.sound.insert(run.sound.end(), samples, samples + BLOCK);
    }
    run.probe_writes = probe.writes;
    StateWriter out;
    machine.save_state(out);
    run.state = out.data();
    return run;
}

// The finished lines' sound is mixed when the sound chip is about to change
// and at the end of the frame, and lines without listeners or events reach
// the processor as one run: the samples, the times of the probe writes and
// the machine must be those of running and mixing every line on its own.
// sched_lines sets timers at any point of a line, due in it or in a later
// one; sched_runs reads the time, changes the sound, sets the timer, copies
// and halts many lines into long runs.
TEST(MachineProgramTest, lines_run_and_mixed_together_give_what_lines_one_by_one_give) {
    for (const char* program : {"sched_lines", "sched_runs"})
        for (int32_t speed_shift : {0, 2}) {
            SCOPED_TRACE(std::string(program) + ", speed shift " + std::to_string(speed_shift));
            const LinesRun by_line = run_lines_of(program, true, speed_shift);
            const LinesRun together = run_lines_of(program, false, speed_shift);
            ASSERT_GT(by_line.probe_writes.size(), 50u) << "hardly any probe writes";
            EXPECT_TRUE(by_line.probe_writes == together.probe_writes);
            EXPECT_TRUE(by_line.sound == together.sound);
            EXPECT_TRUE(by_line.state == together.state);
            EXPECT_GT(std::set<int16_t>(by_line.sound.begin(), by_line.sound.end()).size(), 8u)
                << "hardly any volumes heard";
        }
}

TEST(MachineProgramTest, keyboard_rows_read_back_the_host_keys) {
    test::TestHost host;
    Machine machine(&host);
    test::load_ipl(machine, "keys_rows");
    ASSERT_TRUE(run_program(machine, 1)) << "the program never ran";
    const MemoryMap& memory = *machine.memory_map;
    for (int32_t row = 0; row < 8; ++row) EXPECT_EQ(memory.peek(0x7010 + row), 0x00) << row;
    EXPECT_EQ(memory.peek(0x7018), 0xFF);  // port 0x38 is not the keyboard's

    host.keys[VK_SHIFT] = 1;
    host.keys[VK_A] = 1;
    host.keys[VK_K] = 1;
    host.keys[VK_OEM_102] = 1;
    host.joy[0] = JOY_UP | JOY_RIGHT | JOY_BUTTON_1;
    machine.run_frame();
    const uint8_t expected[9] = {0x0C, 0x01, 0x00, 0x81, 0x00, 0x40, 0x00, 0x03, 0xFF};
    for (int32_t i = 0; i < 9; ++i) EXPECT_EQ(memory.peek(0x7010 + i), expected[i]) << "port " << 0x30 + i;

    host.keys.fill(0);
    host.joy.fill(0);
    machine.run_frame();
    for (int32_t row = 0; row < 8; ++row) EXPECT_EQ(memory.peek(0x7010 + row), 0x00) << row;
}

TEST(MachineProgramTest, cassette_output_and_motor_bits_reach_the_deck_as_changes) {
    test::TestHost host;
    Machine machine(&host);
    test::load_ipl(machine, "sysport_out");
    LineRecorder deck;
    machine.system_port->target = &deck;
    machine.tape_deck->outputs.count = 0;  // the test alone drives the cassette input
    machine.system_port->signal_in(0, 1, 1);
    ASSERT_TRUE(run_program(machine, 1)) << "the program never ran";

    const MemoryMap& memory = *machine.memory_map;
    EXPECT_EQ(memory.peek(0x7002), 0x5A);
    EXPECT_EQ(memory.peek(0x7001), 0x01);
    const std::vector<std::pair<int32_t, uint32_t>> expected = {
        {0, 1}, {0, 0}, {1, 1}, {1, 0}, {0, 1}, {1, 1},
    };
    EXPECT_EQ(deck.got, expected);
}

}  // namespace
}  // namespace m5
