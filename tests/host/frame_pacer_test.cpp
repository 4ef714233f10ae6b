#include "host/frame_pacer.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "host/test_platform.h"
#include "machine/video_standard.h"

namespace m5 {
namespace {

using test::TestPlatform;

// A stand-in for the host: frames cost `frame_cost_ms` on the test clock, the
// tape reports what the test says, and every draw is recorded by pass number.
class FakeTarget : public FrameTarget {
public:
    explicit FakeTarget(TestPlatform& p) : platform(p) {}
    bool tape_active() override { return tape_moving; }
    void emulate_frame() override {
        ++frames;
        platform.clock_ms += frame_cost_ms;
    }
    void present_frame() override { draws.push_back(frames); }

    TestPlatform& platform;
    bool tape_moving = false;
    uint32_t frame_cost_ms = 0;
    int32_t frames = 0;
    std::vector<int32_t> draws;
};

TEST(FramePacerTest, durations_repeat_17_17_16_and_sum_to_1000_per_60_frames) {
    TestPlatform platform;
    FakeTarget target(platform);
    FramePacer pacer(platform, target, VIDEO_NTSC.frames_per_second);
    pacer.start();
    std::vector<int32_t> durations;
    for (int i = 0; i < 61; ++i) {
        durations.push_back(pacer.frame_duration_ms());
        pacer.pass();
    }
    for (int i = 0; i < 60; ++i) EXPECT_EQ(durations[static_cast<size_t>(i)], i % 3 == 2 ? 16 : 17) << "frame " << i;
    EXPECT_EQ(std::accumulate(durations.begin(), durations.begin() + 60, 0), 1000);
    EXPECT_EQ(durations[60], 17);
    EXPECT_EQ(pacer.pace_position(), 620 % 600);

    const std::vector<int32_t> table = pace_table(60);
    EXPECT_EQ(table.size(), 600u);
    EXPECT_EQ(std::accumulate(table.begin(), table.end(), 0), 1000);
    EXPECT_EQ(table[0], 2);
    EXPECT_EQ(table[1], 2);
    EXPECT_EQ(table[2], 1);
}

TEST(FramePacerTest, fifty_frames_a_second_last_20_ms_each) {
    TestPlatform platform;
    FakeTarget target(platform);
    FramePacer pacer(platform, target, 50);
    pacer.start();
    for (int i = 0; i < 60; ++i) {
        ASSERT_EQ(pacer.frame_duration_ms(), 20) << "frame " << i;
        pacer.pass();
    }
    EXPECT_EQ(pacer.pace_position(), 610 % 500);
}

// The machine changed to the 50 Hz model: its frames last 20 ms from the
// next one on, and back at 60 the 17, 17, 16 pattern starts again.
TEST(FramePacerTest, another_frame_rate_takes_over_from_the_next_frame) {
    TestPlatform platform;
    FakeTarget target(platform);
    FramePacer pacer(platform, target, VIDEO_NTSC.frames_per_second);
    pacer.start();
    pacer.pass();
    pacer.set_frames_per_second(50);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pacer.frame_duration_ms(), 20) << "frame " << i;
        pacer.pass();
    }
    pacer.set_frames_per_second(60);
    EXPECT_EQ(pacer.frame_duration_ms(), 17);
    EXPECT_EQ(pacer.pace_position(), 10);
}

TEST(FramePacerTest, fast_machine_draws_every_second_frame_and_title_settles_at_30_fps_50_percent) {
    TestPlatform platform;
    FakeTarget target(platform);
    FramePacer pacer(platform, target, VIDEO_NTSC.frames_per_second);
    pacer.start();
    const uint32_t start = platform.clock_ms;
    while (platform.clock_ms - start < 5000) pacer.pass();

    ASSERT_GE(platform.titles.size(), 4u);
    for (size_t i = 1; i < platform.titles.size(); ++i) EXPECT_EQ(platform.titles[i], "SORD m5 - 30 fps (50 %)");
    // The whole frame durations were slept: the clock moved only by sleeping.
    uint32_t slept = 0;
    for (uint32_t s : platform.sleeps) slept += s;
    EXPECT_EQ(slept, platform.clock_ms - start);
    EXPECT_NEAR(target.frames, 300, 2);
    for (size_t i = 1; i < target.draws.size(); ++i) EXPECT_EQ(target.draws[i] - target.draws[i - 1], 2);
}

TEST(FramePacerTest, drawing_every_frame_settles_the_title_at_60_fps_100_percent_and_late_frames_still_skip) {
    TestPlatform platform;
    FakeTarget target(platform);
    FramePacer pacer(platform, target, VIDEO_NTSC.frames_per_second);
    pacer.set_draw_every_frame(true);
    pacer.start();
    const uint32_t start = platform.clock_ms;
    while (platform.clock_ms - start < 3000) pacer.pass();
    ASSERT_GE(platform.titles.size(), 2u);
    for (size_t i = 1; i < platform.titles.size(); ++i) EXPECT_EQ(platform.titles[i], "SORD m5 - 60 fps (100 %)");
    for (size_t i = 1; i < target.draws.size(); ++i) EXPECT_EQ(target.draws[i] - target.draws[i - 1], 1);

    // Late, one frame in 31 is still all that is drawn.
    target.draws.clear();
    target.frame_cost_ms = 40;
    for (int i = 0; i < 100; ++i) pacer.pass();
    ASSERT_GE(target.draws.size(), 3u);
    EXPECT_EQ(target.draws[2] - target.draws[1], 31);
}

TEST(FramePacerTest, late_frames_draw_every_31st_and_move_the_deadline_to_now) {
    TestPlatform platform;
    FakeTarget target(platform);
    target.frame_cost_ms = 40;  // far slower than 60 frames a second
    FramePacer pacer(platform, target, VIDEO_NTSC.frames_per_second);
    pacer.start();
    for (int i = 0; i < 100; ++i) {
        pacer.pass();
        if (!target.draws.empty() && target.draws.back() == target.frames) {
            EXPECT_EQ(pacer.deadline_ms(), platform.clock_ms) << "after the draw of frame " << target.frames;
        }
    }
    EXPECT_EQ(target.draws, (std::vector<int32_t>{31, 62, 93}));
    for (uint32_t s : platform.sleeps) EXPECT_EQ(s, 0u);
    // About 25 frames a second are run and one in 31 drawn.
    ASSERT_FALSE(platform.titles.empty());
    EXPECT_EQ(platform.titles[0], "SORD m5 - 0 fps (0 %)");
}

TEST(FramePacerTest, tape_activity_freezes_the_deadline_and_the_loop_never_sleeps_a_frame) {
    TestPlatform platform;
    FakeTarget target(platform);
    target.tape_moving = true;
    FramePacer pacer(platform, target, VIDEO_NTSC.frames_per_second);
    pacer.start();
    const uint32_t deadline = pacer.deadline_ms();
    for (int i = 0; i < 100; ++i) {
        pacer.pass();
        EXPECT_EQ(pacer.deadline_ms(), deadline);
    }
    for (uint32_t s : platform.sleeps) EXPECT_EQ(s, 0u);
    EXPECT_EQ(target.draws, (std::vector<int32_t>{31, 62, 93}));

    // When the tape stops, the schedule resumes from the same deadline.
    target.tape_moving = false;
    pacer.pass();
    EXPECT_EQ(pacer.deadline_ms(), deadline + 17);
}

}  // namespace
}  // namespace m5
