#include "devices/ctc.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "m5/machine.h"
#include "machine/scheduler.h"
#include "support/test_host.h"

namespace m5 {
namespace {

// Records the interrupt-side calls a Ctc makes: INT changes (as the
// processor sees them), chain enables, acknowledges and RETIs passed on.
class ChainRecorder final : public Component {
public:
    ChainRecorder() : Component(nullptr, nullptr) {}
    void set_irq_request(uint8_t request, uint8_t hold, int32_t line) override {
        irq.push_back(request);
        last_hold = hold;
        last_line = line;
    }
    void set_chain_enable(uint8_t enabled) override { enables.push_back(enabled); }
    int32_t irq_acknowledge() override {
        ++acknowledges;
        return 0x3C;
    }
    void irq_return() override { ++returns; }

    std::vector<uint8_t> irq;
    std::vector<uint8_t> enables;
    uint8_t last_hold = 0;
    int32_t last_line = -1;
    int acknowledges = 0;
    int returns = 0;
};

// Records each zero-count pulse of a channel: the machine time it arrived
// and the number of zero counts it carried.
class ZeroCountRecorder final : public Component {
public:
    explicit ZeroCountRecorder(Machine* clock = nullptr) : Component(nullptr, nullptr), clock(clock) {}
    void signal_in(int32_t signal, uint32_t data, uint32_t mask) override {
        signals.push_back(signal);
        crossings += data & mask;
        masks.push_back(mask);
        if (clock != nullptr) times.push_back(clock->now());
    }
    Machine* clock;
    std::vector<int32_t> signals;
    std::vector<uint32_t> masks;
    std::vector<MachineTime> times;
    uint32_t crossings = 0;
};

// --- The chip alone: ports, counter mode and the daisy chain ---------------

class CtcAloneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctc.cpu = &cpu;
        ctc.reset();
    }
    void pulses(int32_t channel, int n) {
        for (int i = 0; i < n; ++i) ctc.signal_in(channel, 0xFFFFFFFF, 1);
    }
    // Makes channel c a counter with interrupts and a time constant of 1:
    // the next trigger pulse raises its interrupt.
    void arm_counter(int32_t c) {
        ctc.port_write8(c, 0xC7);
        ctc.port_write8(c, 0x01);
    }
    ChainRecorder cpu;
    Ctc ctc{nullptr, nullptr};
};

TEST_F(CtcAloneTest, after_reset_channels_read_zero_and_nothing_is_acknowledged) {
    for (int32_t c = 0; c < 4; ++c) EXPECT_EQ(ctc.port_read8(c), 0x00);
    EXPECT_EQ(ctc.irq_acknowledge(), 0xFF);
    EXPECT_TRUE(cpu.irq.empty());
}

TEST_F(CtcAloneTest, constant_without_software_reset_waits_for_the_next_reload) {
    ctc.port_write8(0x40, 0x00);  // vector base 0x00
    ctc.port_write8(3, 0xC5);
    ctc.port_write8(3, 0x01);
    EXPECT_EQ(ctc.channel(3).count, 256);
    pulses(3, 255);
    EXPECT_EQ(ctc.port_read8(3), 0x01);
    EXPECT_FALSE(ctc.int_line());
    pulses(3, 1);  // the 256th pulse: zero count, reload with the new constant
    EXPECT_TRUE(ctc.int_line());
    EXPECT_EQ(ctc.channel(3).count, 1);
}

TEST_F(CtcAloneTest, constant_with_software_reset_loads_at_once) {
    ctc.port_write8(0, 0x40);  // vector base 0x40
    ctc.port_write8(3, 0xC7);
    ctc.port_write8(3, 0x01);
    EXPECT_EQ(ctc.port_read8(3), 0x01);
    EXPECT_FALSE(ctc.int_line());
    pulses(3, 1);
    EXPECT_TRUE(ctc.channel(3).int_pending);
    ASSERT_EQ(cpu.irq.size(), 1u);
    EXPECT_EQ(cpu.irq[0], 1);
    EXPECT_EQ(cpu.last_hold, 1);
    EXPECT_EQ(cpu.last_line, 0);
    EXPECT_EQ(ctc.irq_acknowledge(), 0x46);
    EXPECT_EQ(cpu.irq.back(), 0);  // in service: INT drops
}

TEST_F(CtcAloneTest, time_constant_zero_counts_256_pulses) {
    ZeroCountRecorder out;
    ctc.zero_count_outputs[1].add_link(&out, 9, 0xFFFFFFFFu);
    ctc.port_write8(1, 0x47);
    ctc.port_write8(1, 0x00);
    EXPECT_EQ(ctc.port_read8(1), 0x00);
    pulses(1, 255);
    EXPECT_EQ(out.crossings, 0u);
    pulses(1, 1);
    EXPECT_EQ(out.crossings, 1u);
    pulses(1, 256);
    EXPECT_EQ(out.crossings, 2u);
    ASSERT_EQ(out.signals.size(), 2u);
    EXPECT_EQ(out.signals[0], 9);
    EXPECT_EQ(out.masks[0], 0xFFFFFFFFu);
    EXPECT_FALSE(ctc.int_line());  // interrupts not enabled on this channel
}

TEST_F(CtcAloneTest, a_pulse_count_in_one_signal_counts_as_that_many_pulses) {
    ctc.port_write8(2, 0x47);
    ctc.port_write8(2, 10);
    ctc.signal_in(2 + 4, 7, 0xFF);  // signal id taken modulo 4
    EXPECT_EQ(ctc.port_read8(2), 3);
}

TEST_F(CtcAloneTest, falling_trigger_gives_no_count_in_counter_mode) {
    ctc.port_write8(3, 0x47);
    ctc.port_write8(3, 5);
    ctc.signal_in(3, 0, 1);
    EXPECT_EQ(ctc.port_read8(3), 5);
    ctc.signal_in(3, 0xFFFFFFFF, 1);
    EXPECT_EQ(ctc.port_read8(3), 4);
}

TEST_F(CtcAloneTest, channel_in_software_reset_ignores_pulses) {
    ctc.port_write8(3, 0x47);
    ctc.port_write8(3, 5);
    pulses(3, 2);
    ctc.port_write8(3, 0x47);  // stop again, constant follows
    pulses(3, 2);
    EXPECT_EQ(ctc.port_read8(3), 3);
    ctc.port_write8(3, 8);
    EXPECT_EQ(ctc.port_read8(3), 8);
}

TEST_F(CtcAloneTest, vector_word_on_any_port_sets_all_four_vectors) {
    ctc.port_write8(2, 0x43);  // bit 0 set: a control word, not a vector
    ctc.port_write8(2, 0x4C);  // low three bits of a vector word are replaced
    EXPECT_EQ(ctc.channel(0).vector, 0x48);
    EXPECT_EQ(ctc.channel(1).vector, 0x4A);
    EXPECT_EQ(ctc.channel(2).vector, 0x4C);
    EXPECT_EQ(ctc.channel(3).vector, 0x4E);
}

TEST_F(CtcAloneTest, control_word_keeps_pending_interrupt_and_count) {
    arm_counter(3);
    pulses(3, 1);
    ASSERT_TRUE(ctc.channel(3).int_pending);
    ctc.port_write8(3, 0x45);  // counter, no interrupts, no reset
    EXPECT_TRUE(ctc.channel(3).int_pending);
    EXPECT_EQ(ctc.port_read8(3), 1);
    EXPECT_TRUE(ctc.int_line());
}

TEST_F(CtcAloneTest, higher_channel_interrupts_through_a_lower_one_in_service) {
    ctc.port_write8(0, 0x10);
    arm_counter(0);
    arm_counter(1);
    arm_counter(2);
    pulses(1, 1);
    ASSERT_EQ(ctc.irq_acknowledge(), 0x12);  // channel 1 in service
    EXPECT_FALSE(ctc.int_line());

    pulses(2, 1);  // lower priority than the one in service: held back
    EXPECT_FALSE(ctc.int_line());
    EXPECT_EQ(ctc.irq_acknowledge(), 0xFF);
    EXPECT_TRUE(ctc.channel(2).int_pending);

    pulses(0, 1);  // higher priority: INT at once
    EXPECT_TRUE(ctc.int_line());
    EXPECT_EQ(ctc.irq_acknowledge(), 0x10);
    EXPECT_FALSE(ctc.int_line());

    ctc.irq_return();  // ends channel 0, the highest in service
    EXPECT_FALSE(ctc.channel(0).in_service);
    EXPECT_TRUE(ctc.channel(1).in_service);
    EXPECT_FALSE(ctc.int_line());
    ctc.irq_return();  // ends channel 1: channel 2 may now interrupt
    EXPECT_TRUE(ctc.int_line());
    EXPECT_EQ(ctc.irq_acknowledge(), 0x14);
    ctc.irq_return();
    EXPECT_FALSE(ctc.int_line());
    const std::vector<uint8_t> expected = {1, 0, 1, 0, 1, 0};
    EXPECT_EQ(cpu.irq, expected);
}

TEST_F(CtcAloneTest, reti_without_service_and_without_next_device_changes_nothing) {
    arm_counter(3);
    pulses(3, 1);
    ctc.irq_return();
    EXPECT_TRUE(ctc.channel(3).int_pending);
    EXPECT_TRUE(ctc.int_line());
}

TEST_F(CtcAloneTest, chain_passes_enable_acknowledge_and_reti_to_the_next_device) {
    ChainRecorder next;
    ctc.next_in_chain = &next;
    EXPECT_EQ(ctc.irq_acknowledge(), 0x3C);  // no INT of its own: the next device answers
    EXPECT_EQ(next.acknowledges, 1);
    ctc.irq_return();
    EXPECT_EQ(next.returns, 1);

    arm_counter(1);
    pulses(1, 1);
    ctc.irq_acknowledge();
    ASSERT_EQ(next.enables.size(), 1u);
    EXPECT_EQ(next.enables[0], 0);  // IEO low while a channel is in service
    ctc.irq_return();
    EXPECT_EQ(next.returns, 1);  // this RETI was the Ctc's own
    ASSERT_EQ(next.enables.size(), 2u);
    EXPECT_EQ(next.enables[1], 1);
}

TEST_F(CtcAloneTest, chain_enable_low_holds_int_back_until_it_returns) {
    arm_counter(2);
    ctc.set_chain_enable(0);
    pulses(2, 1);
    EXPECT_FALSE(ctc.int_line());
    EXPECT_EQ(ctc.irq_acknowledge(), 0xFF);
    ctc.set_chain_enable(2);  // any non-zero level is high
    EXPECT_TRUE(ctc.int_line());
    ctc.set_chain_enable(0);
    EXPECT_FALSE(ctc.int_line());
}

TEST_F(CtcAloneTest, reset_clears_interrupts_without_telling_the_processor) {
    ctc.port_write8(0, 0x80);
    arm_counter(0);
    pulses(0, 1);
    const size_t calls = cpu.irq.size();
    ctc.reset();
    EXPECT_EQ(cpu.irq.size(), calls);
    EXPECT_FALSE(ctc.int_line());
    EXPECT_FALSE(ctc.channel(0).int_pending);
    EXPECT_EQ(ctc.channel(0).vector, 0x80);  // vectors survive
    EXPECT_EQ(ctc.port_read8(0), 0x00);
}

// --- Timers in a machine: the scheduler drives time -------------------------

// Stands in for the processor so that tests control exactly when, inside a
// slice, a port access happens: each scripted action runs at its machine
// time with executed_cycles telling the scheduler how far the slice got.
class ScriptedCpu final : public Component {
public:
    explicit ScriptedCpu(Scheduler* scheduler) : Component(nullptr, nullptr), scheduler(scheduler) {}

    void execute(int32_t clocks) override {
        const MachineTime start = scheduler->clock_counter;
        const MachineTime end = start + static_cast<MachineTime>(clocks);
        while (!script.empty() && clocks_between(script.front().first, end) > 0) {
            executed = std::max(0, clocks_between(start, script.front().first));
            const std::function<void()> action = std::move(script.front().second);
            script.pop_front();
            action();
        }
        executed = 0;
    }
    int32_t executed_cycles() override { return executed; }

    // Actions must be added in time order.
    void at(MachineTime time, std::function<void()> action) { script.emplace_back(time, std::move(action)); }

    Scheduler* scheduler;
    std::deque<std::pair<MachineTime, std::function<void()>>> script;
    int32_t executed = 0;
};

class CtcTimerTest : public ::testing::Test {
protected:
    CtcTimerTest() : machine(&host), ctc(*machine.ctc), scheduler(*machine.scheduler), cpu(&scheduler) {
        scheduler.cpus[0] = &cpu;
        ctc.cpu = &chain;
    }
    MachineTime now() { return machine.now(); }
    // Runs `clocks` machine clocks one at a time, so that every event fires
    // exactly on time.
    void step(int32_t clocks) {
        for (int32_t i = 0; i < clocks; ++i) scheduler.run_clocks(1);
    }

    test::TestHost host;
    Machine machine;
    Ctc& ctc;
    Scheduler& scheduler;
    ScriptedCpu cpu;
    ChainRecorder chain;
};

TEST_F(CtcTimerTest, prescaler_16_constant_10_counts_down_every_16_clocks_and_reloads_every_160) {
    ZeroCountRecorder out(&machine);
    ctc.zero_count_outputs[0].add_link(&out, 0, 0xFFFFFFFFu);
    const MachineTime start = now();
    ctc.port_write8(0, 0x07);  // timer, prescaler 16, constant follows, software reset
    ctc.port_write8(0, 10);
    for (int32_t t = 1; t <= 1600; ++t) {
        step(1);
        const int32_t expected = 10 - (t % 160) / 16;
        ASSERT_EQ(ctc.port_read8(0), expected) << "at clock " << t;
    }
    ASSERT_EQ(out.times.size(), 10u);
    for (size_t k = 0; k < out.times.size(); ++k) EXPECT_EQ(clocks_between(start, out.times[k]), 160 * int32_t(k + 1));
}

TEST_F(CtcTimerTest, prescaler_256_and_constant_zero_give_a_period_of_65536_clocks) {
    ZeroCountRecorder out(&machine);
    ctc.zero_count_outputs[2].add_link(&out, 0, 0xFFFFFFFFu);
    const MachineTime start = now();
    ctc.port_write8(2, 0x27);
    ctc.port_write8(2, 0x00);
    scheduler.run_clocks(65535);
    EXPECT_TRUE(out.times.empty());
    EXPECT_EQ(ctc.port_read8(2), 0x01);
    scheduler.run_clocks(1);
    ASSERT_EQ(out.times.size(), 1u);
    EXPECT_EQ(clocks_between(start, out.times[0]), 65536);
    EXPECT_EQ(ctc.port_read8(2), 0x00);  // reloaded to 256
    scheduler.run_clocks(256);
    EXPECT_EQ(ctc.port_read8(2), 0xFF);
}

TEST_F(CtcTimerTest, timer_waiting_for_its_trigger_starts_on_any_trigger_signal) {
    ZeroCountRecorder out(&machine);
    ctc.zero_count_outputs[1].add_link(&out, 0, 0xFFFFFFFFu);
    ctc.port_write8(1, 0x0F);  // timer, trigger start, constant follows, reset, prescaler 16
    ctc.port_write8(1, 4);
    scheduler.run_clocks(1000);
    EXPECT_TRUE(out.times.empty());
    EXPECT_EQ(ctc.port_read8(1), 4);

    const MachineTime trigger = now();
    ctc.signal_in(1, 0, 1);  // a falling edge still starts it
    step(200);
    ASSERT_EQ(out.times.size(), 3u);
    EXPECT_EQ(clocks_between(trigger, out.times[0]), 64);
    EXPECT_EQ(clocks_between(trigger, out.times[2]), 192);
    EXPECT_EQ(ctc.port_read8(1), 4 - (200 - 192) / 16);
}

TEST_F(CtcTimerTest, timer_interrupt_is_held_while_in_service_and_raised_again_after_reti) {
    ctc.port_write8(0, 0x20);
    ctc.port_write8(2, 0x87);  // interrupts, timer, prescaler 16, constant follows, reset
    ctc.port_write8(2, 5);
    step(79);
    EXPECT_TRUE(chain.irq.empty());
    step(1);
    ASSERT_EQ(chain.irq.size(), 1u);
    EXPECT_EQ(chain.irq[0], 1);
    EXPECT_EQ(ctc.irq_acknowledge(), 0x24);
    EXPECT_EQ(chain.irq.back(), 0);

    step(80);  // second zero count while the first is in service
    EXPECT_TRUE(ctc.channel(2).int_pending);
    EXPECT_EQ(chain.irq.size(), 2u);
    ctc.irq_return();
    EXPECT_EQ(chain.irq.back(), 1);
    EXPECT_EQ(ctc.irq_acknowledge(), 0x24);
    ctc.irq_return();
    EXPECT_EQ(chain.irq.back(), 0);
    EXPECT_FALSE(ctc.channel(2).in_service);
}

// A timer started in the middle of a processor slice fires late (the slice
// is not cut short). The next zero counts must still fall on the timer's own
// grid, also when a port read re-arms the event during the late span.
TEST_F(CtcTimerTest, timer_reload_keeps_phase_when_late) {
    ZeroCountRecorder out(&machine);
    ctc.zero_count_outputs[0].add_link(&out, 0, 0xFFFFFFFFu);
    const MachineTime base = now();
    const MachineTime start = base + 10;
    cpu.at(start, [&] {
        ctc.port_write8(0, 0x07);  // prescaler 16
        ctc.port_write8(0, 2);     // period 32: zero counts due at start + 32, + 64, + 96 ...
    });
    scheduler.run_clocks(90);  // one slice, to start + 80: the first two zero counts fire late, at its end
    EXPECT_EQ(out.crossings, 2u);
    // 16 clocks after the zero count due at start + 64: one step of 16 taken.
    EXPECT_EQ(ctc.port_read8(0), 1);
    step(15);
    EXPECT_EQ(out.crossings, 2u);
    step(1);  // start + 96
    ASSERT_EQ(out.times.size(), 3u);
    EXPECT_EQ(clocks_between(start, out.times[2]), 96);
    step(64);
    ASSERT_EQ(out.times.size(), 5u);
    EXPECT_EQ(clocks_between(start, out.times[4]), 160);
}

// Many periods of two timers, port reads at pseudo-random moments inside
// slices of pseudo-random length: every read shows the exact count (or 1
// while a zero count is overdue), no read ever shows 0, no zero count is
// lost or added, and afterwards the zero counts are still on their grid.
TEST_F(CtcTimerTest, timer_periods_stay_exact_over_many_periods_with_reads) {
    ZeroCountRecorder out0(&machine), out1(&machine);
    ctc.zero_count_outputs[0].add_link(&out0, 0, 0xFFFFFFFFu);
    ctc.zero_count_outputs[1].add_link(&out1, 0, 0xFFFFFFFFu);
    // Both start inside the first slice, so their first zero counts fire late.
    const MachineTime start = now() + 5;
    cpu.at(start, [&] {
        ctc.port_write8(0, 0x07);
        ctc.port_write8(0, 7);  // 112 clocks
        ctc.port_write8(1, 0x27);
        ctc.port_write8(1, 3);  // 768 clocks
    });

    struct Channel {
        int32_t c, prescaler, constant;
        ZeroCountRecorder* out;
    };
    const Channel channels[] = {{0, 16, 7, &out0}, {1, 256, 3, &out1}};
    uint32_t seed = 12345;
    auto random = [&](uint32_t range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % range;
    };

    int mismatches = 0, zeros = 0, clamped = 0;
    MachineTime t = start - 5;
    const int32_t total = 2'000'000;
    for (int32_t run = 0; run < total;) {
        const int32_t chunk = run == 0 ? 2000 : std::min<int32_t>(1 + static_cast<int32_t>(random(3000)), total - run);
        for (MachineTime at = (run == 0 ? start + 1 : t) + random(100); clocks_between(at, t + chunk) > 0;
             at += 1 + random(400)) {
            cpu.at(at, [&, at] {
                for (const Channel& ch : channels) {
                    const int32_t period = ch.prescaler * ch.constant;
                    const int32_t elapsed = clocks_between(start, at);
                    const int32_t got = ctc.port_read8(ch.c);
                    const bool overdue = ch.out->crossings < static_cast<uint32_t>(elapsed / period);
                    const int32_t exact = ch.constant - (elapsed % period) / ch.prescaler;
                    if (got == 0) ++zeros;
                    if (overdue) {
                        ++clamped;
                        if (got != 1) ++mismatches;
                    } else if (got != exact) {
                        ++mismatches;
                    }
                }
            });
        }
        scheduler.run_clocks(chunk);
        t += static_cast<MachineTime>(chunk);
        run += chunk;
    }
    EXPECT_EQ(zeros, 0);
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(clamped, 0);  // the overdue case was exercised
    EXPECT_EQ(out0.crossings, static_cast<uint32_t>((total - 5) / 112));
    EXPECT_EQ(out1.crossings, static_cast<uint32_t>((total - 5) / 768));

    // Without reads in the way, the next zero counts land exactly on the grid.
    const size_t before0 = out0.times.size(), before1 = out1.times.size();
    step(800);
    ASSERT_GT(out0.times.size(), before0);
    ASSERT_GT(out1.times.size(), before1);
    for (size_t k = before0; k < out0.times.size(); ++k) EXPECT_EQ(clocks_between(start, out0.times[k]) % 112, 0);
    for (size_t k = before1; k < out1.times.size(); ++k) EXPECT_EQ(clocks_between(start, out1.times[k]) % 768, 0);
}

TEST_F(CtcTimerTest, new_constant_without_reset_takes_effect_at_the_next_reload) {
    ZeroCountRecorder out(&machine);
    ctc.zero_count_outputs[3].add_link(&out, 0, 0xFFFFFFFFu);
    const MachineTime start = now();
    ctc.port_write8(3, 0x07);
    ctc.port_write8(3, 10);  // 160 clocks
    step(50);
    ctc.port_write8(3, 0x05);  // constant follows, no reset: keeps running
    ctc.port_write8(3, 4);
    step(300);
    ASSERT_EQ(out.times.size(), 3u);
    EXPECT_EQ(clocks_between(start, out.times[0]), 160);
    EXPECT_EQ(clocks_between(start, out.times[1]), 224);
    EXPECT_EQ(clocks_between(start, out.times[2]), 288);
}

TEST_F(CtcTimerTest, software_reset_stops_a_running_timer) {
    ZeroCountRecorder out(&machine);
    ctc.zero_count_outputs[0].add_link(&out, 0, 0xFFFFFFFFu);
    ctc.port_write8(0, 0x07);
    ctc.port_write8(0, 10);
    step(40);
    ctc.port_write8(0, 0x07);  // stop; the count stays where it got to
    scheduler.run_clocks(1000);
    EXPECT_TRUE(out.times.empty());
    EXPECT_EQ(ctc.port_read8(0), 10 - 40 / 16);
    const MachineTime restart = now();
    ctc.port_write8(0, 3);
    step(48);
    ASSERT_EQ(out.times.size(), 1u);
    EXPECT_EQ(clocks_between(restart, out.times[0]), 48);
}

TEST_F(CtcTimerTest, prescaler_change_while_running_keeps_the_count_in_range) {
    ZeroCountRecorder out(&machine);
    ctc.zero_count_outputs[0].add_link(&out, 0, 0xFFFFFFFFu);
    ctc.port_write8(0, 0x27);  // prescaler 256
    ctc.port_write8(0, 10);
    step(1000);
    EXPECT_EQ(ctc.port_read8(0), 10 - 1000 / 256);
    ctc.port_write8(0, 0x01);  // prescaler 16, no reset
    EXPECT_EQ(ctc.port_read8(0), 10 - 1000 / 256);
    for (int32_t i = 0; i < 800; ++i) {
        step(1);
        const int32_t count = ctc.port_read8(0);
        ASSERT_GE(count, 1);
        ASSERT_LE(count, 10);
    }
    ASSERT_GE(out.times.size(), 3u);
    EXPECT_LE(clocks_between(MachineTime(1000), out.times[0]), 7 * 16);
    EXPECT_EQ(clocks_between(out.times[0], out.times[1]), 160);
    EXPECT_EQ(clocks_between(out.times[1], out.times[2]), 160);
}

TEST_F(CtcTimerTest, full_event_table_leaves_the_timer_still_until_it_can_be_armed) {
    ZeroCountRecorder out(&machine);
    ctc.zero_count_outputs[0].add_link(&out, 0, 0xFFFFFFFFu);
    ChainRecorder dummy;
    std::vector<int32_t> taken;
    for (int32_t id; (id = machine.add_event_clocks(&dummy, 0, 1'000'000, 0)) != NO_EVENT;) taken.push_back(id);
    ASSERT_FALSE(taken.empty());

    ctc.port_write8(0, 0x0F);  // waits for a trigger
    ctc.port_write8(0, 2);
    ctc.signal_in(0, 1, 1);  // started, but no event can be had
    EXPECT_EQ(ctc.channel(0).timer_event, NO_EVENT);
    step(100);
    EXPECT_TRUE(out.times.empty());
    EXPECT_EQ(ctc.port_read8(0), 2);

    machine.cancel_event(taken.back());
    const MachineTime retry = now();
    ctc.signal_in(0, 1, 1);  // the next trigger tries again
    step(32);
    ASSERT_EQ(out.times.size(), 1u);
    EXPECT_EQ(clocks_between(retry, out.times[0]), 32);
}

TEST_F(CtcTimerTest, counter_with_a_clock_input_counts_lazily_and_never_reads_zero) {
    ZeroCountRecorder out(&machine);
    ctc.zero_count_outputs[1].add_link(&out, 0, 0xFFFFFFFFu);
    ctc.set_clock_rate(1, 38'000);  // one pulse every 100 machine clocks
    const MachineTime start = now();
    ctc.port_write8(1, 0x47);
    ctc.port_write8(1, 5);
    for (int32_t t = 1; t <= 1000; ++t) {
        step(1);
        ASSERT_EQ(ctc.port_read8(1), 5 - (t % 500) / 100) << t;
    }
    ASSERT_EQ(out.times.size(), 2u);
    EXPECT_EQ(clocks_between(start, out.times[1]), 1000);
}

TEST_F(CtcTimerTest, clock_input_faster_than_the_machine_clock_does_not_stall) {
    ZeroCountRecorder out(&machine);
    ctc.zero_count_outputs[1].add_link(&out, 0, 0xFFFFFFFFu);
    ctc.set_clock_rate(1, 50'000'000);
    ctc.port_write8(1, 0x47);
    ctc.port_write8(1, 4);
    scheduler.run_clocks(1000);
    EXPECT_EQ(out.crossings, 250u);
}

}  // namespace
}  // namespace m5
