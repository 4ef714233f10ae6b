#include "desktop/status_line.h"

#include <gtest/gtest.h>

namespace m5 {
namespace {

// Problems wait newest first with a count of the others, until each is
// dismissed; a newer notice shows over them and fades, then they return;
// with nothing to say the line shows the window's lasting state.
TEST(StatusLine, problems_wait_notices_fade_and_the_lasting_state_fills_in) {
    StatusLine line;
    EXPECT_EQ(line.view(0, "Paused").text, "Paused");
    line.add_problem("first", 0);
    line.add_problem("second", 10);
    StatusView view = line.view(100, "Paused");
    EXPECT_EQ(view.text, "second");
    EXPECT_EQ(view.others, 1);
    EXPECT_TRUE(view.problem);

    line.add_notice("Saved to slot 1", 200);
    view = line.view(300, "");
    EXPECT_EQ(view.text, "Saved to slot 1");
    EXPECT_FALSE(view.problem);
    EXPECT_EQ(view.others, 2);
    EXPECT_DOUBLE_EQ(view.opacity, 1.0);
    EXPECT_FALSE(line.dismiss(300));  // the notice shows: nothing is read
    EXPECT_NEAR(line.view(200 + NOTICE_US - NOTICE_FADE_US / 2, "").opacity, 0.5, 1e-9);

    const int64_t later = 200 + NOTICE_US;
    EXPECT_EQ(line.view(later, "").text, "second");
    EXPECT_TRUE(line.dismiss(later));
    EXPECT_EQ(line.view(later, "").text, "first");
    EXPECT_EQ(line.view(later, "").others, 0);
    EXPECT_TRUE(line.dismiss(later));
    EXPECT_FALSE(line.dismiss(later));
    EXPECT_EQ(line.view(later, "Rewinding").text, "Rewinding");

    // A problem after a notice shows at once; only so many are kept.
    line.add_notice("Reset", later);
    for (size_t i = 0; i < MAX_PROBLEMS + 5; ++i) line.add_problem(std::to_string(i), later + 1);
    view = line.view(later + 2, "");
    EXPECT_EQ(view.text, std::to_string(MAX_PROBLEMS + 4));
    EXPECT_EQ(view.others, static_cast<int32_t>(MAX_PROBLEMS) - 1);
}

}  // namespace
}  // namespace m5

#include "desktop/tape_timeline.h"
#include "devices/tape_media.h"

namespace m5 {
namespace {

// A CAS tape's time is the sum of its runs, wherever the deck is in it; a
// WAV tape's is its ticks.
TEST(TapeTimeline, length_and_position_of_cas_and_wav_tapes) {
    std::vector<uint8_t> runs(10000, 0x80 | 95);  // 10000 runs of 95 ticks: 20 s
    runs.resize(12000, 0x05);                     // 2000 of 5 ticks: 10000 ticks more
    MemoryTapeImage cas(runs);
    const TapeTimeline tape(cas, false, runs.size());
    EXPECT_NEAR(tape.length_seconds(), (10000.0 * 95 + 2000 * 5) / TAPE_TICKS_PER_SECOND, 1e-9);
    EXPECT_NEAR(tape.seconds_at(runs.size() - 5000), 5000.0 * 95 / TAPE_TICKS_PER_SECOND, 0.01);
    EXPECT_NEAR(tape.seconds_at(0), tape.length_seconds(), 1e-9);
    MemoryTapeImage wav(std::vector<uint8_t>(100));
    const TapeTimeline samples(wav, true, 95000);
    EXPECT_DOUBLE_EQ(samples.length_seconds(), 2.0);
    EXPECT_DOUBLE_EQ(samples.seconds_at(47500), 1.0);
    EXPECT_EQ(minutes_seconds(125.9), "2:05");
}

}  // namespace
}  // namespace m5
