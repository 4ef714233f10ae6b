#include "machine/scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <vector>

#include "support/test_host.h"

namespace m5 {
namespace {

// A processor that records the clock budgets it is given and consumes them.
class RecordingCpu final : public Component {
public:
    using Component::Component;
    void execute(int32_t clocks) override { budgets.push_back(clocks); }
    std::vector<int32_t> budgets;
};

struct Fired {
    int32_t param;
    int32_t lateness;
    MachineTime at;
};

class EventLog final : public Component {
public:
    EventLog(Scheduler* s) : Component(nullptr, nullptr), scheduler(s) {}
    void on_event(int32_t param, int32_t lateness) override { fired.push_back({param, lateness, scheduler->now()}); }
    Scheduler* scheduler;
    std::vector<Fired> fired;
};

class SoundSource final : public Component {
public:
    using Component::Component;
    void mix_audio(int32_t* accumulators, int32_t count) override {
        for (int32_t i = 0; i < count; ++i) accumulators[i] += value;
        mixed += count;
    }
    int32_t value = 100;
    int32_t mixed = 0;
};

class SchedulerTest : public ::testing::Test {
protected:
    SchedulerTest() : scheduler(nullptr, &host), cpu(nullptr, nullptr), log(&scheduler) {
        scheduler.init();
        scheduler.add_cpu(&cpu);
    }
    test::TestHost host;
    Scheduler scheduler;
    RecordingCpu cpu;
    EventLog log;
};

TEST_F(SchedulerTest, line_clocks_follow_the_242_241_pattern_and_sum_to_a_frame) {
    EXPECT_EQ(scheduler.line_clocks[0], 242);
    EXPECT_EQ(scheduler.line_clocks[3], 241);
    EXPECT_EQ(scheduler.line_clocks[7], 241);
    EXPECT_EQ(scheduler.line_clocks[261], 241);
    EXPECT_EQ(std::accumulate(std::begin(scheduler.line_clocks), std::end(scheduler.line_clocks), 0), 63333);
    EXPECT_EQ(std::count(std::begin(scheduler.line_clocks), std::end(scheduler.line_clocks), 242), 191);
}

TEST_F(SchedulerTest, out_of_range_speed_setting_becomes_x1_in_the_setting_too) {
    host.speed = 7;
    scheduler.init();
    EXPECT_EQ(scheduler.speed_shift, 0);
    EXPECT_EQ(host.speed, 0);
    host.speed = -1;
    scheduler.init();
    EXPECT_EQ(host.speed, 0);
    // A speed change with a value out of range is treated the same way.
    host.speed = 3;
    scheduler.apply_config();
    EXPECT_EQ(scheduler.speed_shift, 3);
    host.speed = 40;
    scheduler.apply_config();
    EXPECT_EQ(scheduler.speed_shift, 0);
    EXPECT_EQ(host.speed, 0);
}

TEST_F(SchedulerTest, speed_x4_gives_the_processor_four_clocks_per_machine_clock) {
    host.speed = 2;
    scheduler.apply_config();
    scheduler.run_clocks(242);
    ASSERT_EQ(cpu.budgets.size(), 1u);
    EXPECT_EQ(cpu.budgets[0], 968);
    EXPECT_EQ(scheduler.clock_counter, 242u);
}

TEST_F(SchedulerTest, event_splits_the_slice_exactly_and_fires_with_lateness_zero) {
    EXPECT_EQ(scheduler.add_event_clocks(&log, 5, 100, 0), 0);
    scheduler.run_clocks(242);
    EXPECT_EQ(cpu.budgets, (std::vector<int32_t>{100, 142}));
    ASSERT_EQ(log.fired.size(), 1u);
    EXPECT_EQ(log.fired[0].param, 5);
    EXPECT_EQ(log.fired[0].lateness, 0);
    EXPECT_EQ(log.fired[0].at, 100u);
    EXPECT_EQ(scheduler.next_event, NO_EVENT);
}

TEST_F(SchedulerTest, event_due_now_fires_before_any_processor_clock) {
    scheduler.add_event_clocks(&log, 1, 0, 0);
    scheduler.run_clocks(50);
    ASSERT_EQ(log.fired.size(), 1u);
    EXPECT_EQ(log.fired[0].lateness, 0);
    EXPECT_EQ(log.fired[0].at, 0u);
    EXPECT_EQ(cpu.budgets, (std::vector<int32_t>{50}));
}

// Events wait across many slices: one added while another has been pending
// for a while, and one cancelled on the way, each keep their own time.
TEST_F(SchedulerTest, events_added_and_cancelled_between_slices_keep_their_times) {
    scheduler.add_event_clocks(&log, 1, 1000, 0);
    const int32_t cancelled = scheduler.add_event_clocks(&log, 2, 800, 0);
    for (int i = 0; i < 3; ++i) scheduler.run_clocks(100);
    scheduler.add_event_clocks(&log, 3, 250, 0);
    scheduler.cancel_event(cancelled);
    EXPECT_EQ(scheduler.event(0).remaining, 700);
    for (int i = 0; i < 10; ++i) scheduler.run_clocks(100);
    ASSERT_EQ(log.fired.size(), 2u);
    EXPECT_EQ(log.fired[0].param, 3);
    EXPECT_EQ(log.fired[0].at, 550u);
    EXPECT_EQ(log.fired[1].param, 1);
    EXPECT_EQ(log.fired[1].at, 1000u);
    EXPECT_EQ(log.fired[1].lateness, 0);
}

// A processor that reports clocks already used in its slice, so that an event
// registered "from inside" lands late.
class BusyCpu final : public Component {
public:
    using Component::Component;
    void execute(int32_t clocks) override {
        running = clocks;
        if (on_execute) on_execute();
        running = 0;
    }
    int32_t executed_cycles() override { return used; }
    std::function<void()> on_execute;
    int32_t running = 0;
    int32_t used = 0;
};

TEST_F(SchedulerTest, periodic_event_keeps_its_phase_when_fired_late) {
    Scheduler s(nullptr, &host);
    s.init();
    BusyCpu busy(nullptr, nullptr);
    s.add_cpu(&busy);
    EventLog periodic_log(&s);
    // Registered from inside a 1000-clock slice at its start, due after 993:
    // the slice is not cut short, so the first firing is 7 clocks late.
    busy.on_execute = [&] {
        if (s.event_slots_used == 0) s.add_event_clocks(&periodic_log, 0, 993, 1);
    };
    s.run_clocks(1000);
    ASSERT_EQ(periodic_log.fired.size(), 1u);
    EXPECT_EQ(periodic_log.fired[0].lateness, -7);
    EXPECT_EQ(s.event(0).remaining, 986);
    s.run_clocks(2000);
    ASSERT_EQ(periodic_log.fired.size(), 3u);
    EXPECT_EQ(periodic_log.fired[1].lateness, 0);
    EXPECT_EQ(periodic_log.fired[1].at, 2u * 993u);
    EXPECT_EQ(periodic_log.fired[2].at, 3u * 993u);
}

TEST_F(SchedulerTest, registration_inside_a_slice_counts_from_the_processor_time) {
    Scheduler s(nullptr, &host);
    s.init();
    BusyCpu busy(nullptr, nullptr);
    s.add_cpu(&busy);
    EventLog late_log(&s);
    busy.on_execute = [&] {
        if (late_log.fired.empty() && s.event_slots_used == 0) {
            busy.used = 30;  // 30 clocks into a 100-clock slice
            s.add_event_clocks(&late_log, 9, 20, 0);
        }
    };
    s.run_clocks(100);
    ASSERT_EQ(late_log.fired.size(), 1u);
    EXPECT_EQ(late_log.fired[0].lateness, -50);  // due at 50, slice ended at 100
}

TEST_F(SchedulerTest, events_due_together_fire_in_ascending_index_order) {
    scheduler.add_event_clocks(&log, 10, 60, 0);
    scheduler.add_event_clocks(&log, 11, 50, 0);
    scheduler.add_event_clocks(&log, 12, 50, 0);
    scheduler.add_event_clocks(&log, 13, 60, 0);
    scheduler.run_clocks(100);
    ASSERT_EQ(log.fired.size(), 4u);
    EXPECT_EQ(log.fired[0].param, 11);
    EXPECT_EQ(log.fired[1].param, 12);
    EXPECT_EQ(log.fired[2].param, 10);
    EXPECT_EQ(log.fired[3].param, 13);
}

TEST_F(SchedulerTest, the_sixty_fifth_registration_fails_and_changes_nothing) {
    for (int i = 0; i < MAX_TIMED_EVENTS; ++i) ASSERT_EQ(scheduler.add_event_clocks(&log, i, 1000 + i, 0), i);
    EXPECT_EQ(scheduler.add_event_clocks(&log, 99, 1, 0), NO_EVENT);
    EXPECT_EQ(scheduler.next_event, 0);
    scheduler.cancel_event(NO_EVENT);  // the "no event" marker changes no entry
    scheduler.cancel_event(64);
    EXPECT_EQ(scheduler.next_event, 0);
    scheduler.cancel_event(3);
    EXPECT_EQ(scheduler.add_event_clocks(&log, 99, 1, 0), 3);
}

TEST_F(SchedulerTest, reset_cancels_one_shots_and_keeps_periodic_events_with_their_time_left) {
    scheduler.add_event_clocks(&log, 0, 500, 0);
    scheduler.add_event_clocks(&log, 1, 800, 1);
    scheduler.run_clocks(200);
    scheduler.reset();
    EXPECT_FALSE(scheduler.event(0).active);
    EXPECT_TRUE(scheduler.event(1).active);
    EXPECT_EQ(scheduler.event(1).remaining, 600);
    EXPECT_EQ(scheduler.next_event, 1);
}

TEST_F(SchedulerTest, microsecond_delays_round_to_the_nearest_machine_clock) {
    scheduler.add_event_us(&log, 0, 1000, 0);
    scheduler.add_event_us(&log, 1, 1, 0);
    EXPECT_EQ(scheduler.event(0).remaining, 3800);
    EXPECT_EQ(scheduler.event(1).remaining, 4);
}

TEST_F(SchedulerTest, periodic_registration_without_a_positive_period_fires_once) {
    scheduler.add_event_clocks(&log, 1, 0, 1);
    scheduler.add_event_clocks(&log, 2, -5, 1);
    scheduler.run_clocks(100);
    ASSERT_EQ(log.fired.size(), 2u);
    EXPECT_EQ(log.fired[0].param, 2);
    EXPECT_EQ(log.fired[0].lateness, -5);
    EXPECT_EQ(log.fired[1].param, 1);
    EXPECT_FALSE(scheduler.event(0).active);
    EXPECT_FALSE(scheduler.event(1).active);
}

TEST_F(SchedulerTest, handler_may_reregister_itself_during_dispatch) {
    class Rearming final : public Component {
    public:
        explicit Rearming(Scheduler* s) : Component(nullptr, nullptr), scheduler(s) {}
        void on_event(int32_t, int32_t lateness) override {
            ++count;
            scheduler->add_event_clocks(this, 0, 40 + lateness, 0);
        }
        Scheduler* scheduler;
        int count = 0;
    } rearming(&scheduler);
    scheduler.add_event_clocks(&rearming, 0, 40, 0);
    scheduler.run_clocks(400);
    EXPECT_EQ(rearming.count, 10);
    EXPECT_EQ(cpu.budgets.size(), 10u);
}

TEST_F(SchedulerTest, samples_per_line_at_each_rate) {
    const std::pair<int32_t, int32_t> rates[] = {{2000, 130},   {8000, 521},   {11025, 718},
                                                 {22050, 1436}, {44100, 2873}, {48000, 3127}};
    for (auto [rate, expected] : rates) {
        scheduler.setup_audio(rate, 100);
        EXPECT_EQ(scheduler.samples_per_line, expected) << rate;
    }
}

// A second standard is a value: the 50 Hz M5's 313 lines of 242 clocks make
// frames of 75746 clocks, and 50 of them a second of sound.
TEST_F(SchedulerTest, the_fifty_hertz_standard_runs_its_own_lines_clocks_and_sound) {
    scheduler.standard = VIDEO_PAL;
    scheduler.init();
    EXPECT_EQ(std::accumulate(std::begin(scheduler.line_clocks), std::end(scheduler.line_clocks), 0), 313 * 242);
    EXPECT_EQ(std::count(std::begin(scheduler.line_clocks), std::end(scheduler.line_clocks), 242), 313);

    SoundSource source(nullptr, nullptr);
    scheduler.add_sound_source(&source);
    scheduler.setup_audio(44100, 100000);
    const MachineTime start = scheduler.now();
    for (int frame = 0; frame < 50; ++frame) scheduler.run_frame();
    EXPECT_EQ(clocks_between(start, scheduler.now()), 50 * 313 * 242);
    EXPECT_NEAR(source.mixed, 44100, 50);
}

TEST_F(SchedulerTest, frames_at_44100_hz_yield_735_or_736_samples_and_carry_the_fraction) {
    SoundSource source(nullptr, nullptr);
    scheduler.add_sound_source(&source);
    scheduler.setup_audio(44100, 100000);
    int32_t total = 0;
    for (int frame = 0; frame < 60; ++frame) {
        const int32_t before = source.mixed;
        scheduler.run_frame();
        const int32_t produced = source.mixed - before;
        EXPECT_TRUE(produced == 735 || produced == 736) << produced;
        total += produced;
    }
    EXPECT_NEAR(total, 44100, 60);
    EXPECT_EQ(scheduler.block_fill, total);
}

TEST_F(SchedulerTest, taking_a_partly_mixed_block_mixes_the_rest_at_once) {
    SoundSource source(nullptr, nullptr);
    scheduler.add_sound_source(&source);
    scheduler.setup_audio(44100, 4410);
    scheduler.mix_samples(300, 0);
    EXPECT_EQ(scheduler.block_fill, 300);
    const int16_t* block = scheduler.mix_samples(0, 1);
    EXPECT_EQ(source.mixed, 4410);
    EXPECT_EQ(scheduler.block_fill, 0);
    EXPECT_EQ(block[0], 100);
    EXPECT_EQ(block[4409], 100);
    // A full block drops further scanline samples until it is taken.
    scheduler.mix_samples(5000, 0);
    scheduler.mix_samples(10, 0);
    EXPECT_EQ(scheduler.block_fill, 4410);
}

TEST_F(SchedulerTest, accumulators_saturate_into_16_bit_samples) {
    SoundSource source(nullptr, nullptr);
    scheduler.add_sound_source(&source);
    scheduler.setup_audio(8000, 4);
    source.value = 40000;
    scheduler.mix_samples(2, 0);
    source.value = -40000;
    const int16_t* block = scheduler.mix_samples(0, 1);
    EXPECT_EQ(block[0], 32767);
    EXPECT_EQ(block[1], 32767);
    EXPECT_EQ(block[2], -32768);
    EXPECT_EQ(block[3], -32768);
}

TEST_F(SchedulerTest, negative_counts_and_a_released_block_mix_nothing) {
    SoundSource source(nullptr, nullptr);
    scheduler.add_sound_source(&source);
    scheduler.setup_audio(44100, 100);
    scheduler.mix_samples(-5, 0);
    EXPECT_EQ(scheduler.block_fill, 0);
    scheduler.mix_samples(30, 0);
    EXPECT_EQ(scheduler.block_fill, 30);
    EXPECT_EQ(scheduler.mix_samples(0, 1)[99], 100);

    scheduler.release();
    scheduler.run_frame();
    scheduler.mix_samples(0, 1);
    EXPECT_EQ(scheduler.block_fill, 0);
    EXPECT_EQ(source.mixed, 100);
}

TEST(ClockTest, clocks_between_is_right_across_the_32_bit_wrap) {
    EXPECT_EQ(clocks_between(0xFFFFFFF0u, 0x00000010u), 0x20);
    EXPECT_EQ(clocks_between(0x7FFFFFF0u, 0x80000010u), 0x20);
    EXPECT_EQ(clocks_between(100u, 90u), -10);
}

}  // namespace
}  // namespace m5
