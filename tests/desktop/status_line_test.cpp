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
