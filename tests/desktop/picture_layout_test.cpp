#include "desktop/picture_layout.h"

#include <gtest/gtest.h>

namespace m5 {
namespace {

TEST(PictureLayout, largest_whole_scale_that_fits_centred) {
    PictureLayout layout = picture_layout(512, 384);
    EXPECT_EQ(layout.scale, 2);
    EXPECT_EQ(layout.x, 0);
    EXPECT_EQ(layout.y, 0);

    layout = picture_layout(800, 600);  // 3 x 256 = 768 fits, 3 x 192 = 576 fits
    EXPECT_EQ(layout.scale, 3);
    EXPECT_EQ(layout.x, 16);
    EXPECT_EQ(layout.y, 12);

    layout = picture_layout(1200, 400);  // the height decides
    EXPECT_EQ(layout.scale, 2);
    EXPECT_EQ(layout.x, (1200 - 512) / 2);
    EXPECT_EQ(layout.y, 8);

    layout = picture_layout(511, 383);
    EXPECT_EQ(layout.scale, 1);
    EXPECT_EQ(layout.x, 127);  // (511 - 256) >> 1
    EXPECT_EQ(layout.y, 95);
}

TEST(PictureLayout, small_area_keeps_scale_one_and_cuts_one_more_on_the_left) {
    PictureLayout layout = picture_layout(240, 320);
    EXPECT_EQ(layout.scale, 1);
    EXPECT_EQ(layout.x, -8);
    EXPECT_EQ(layout.y, 64);
    EXPECT_EQ(picture_layout(239, 192).x, -9);
    EXPECT_EQ(picture_layout(0, 0).scale, 1);
    EXPECT_EQ(picture_layout(0, 0).y, -96);
}

// The M5's 8:7 pixels: whole scales vertically, the width 8/7 of it rounded,
// the scale the largest whose width fits.
TEST(PictureLayout, tv_pixels_are_eight_sevenths_wide) {
    EXPECT_EQ(picture_width(2, true), 585);  // 512 * 8 / 7 = 585.14
    EXPECT_EQ(picture_width(3, true), 878);  // 877.71
    PictureLayout layout = picture_layout(585, 384, true);
    EXPECT_EQ(layout.scale, 2);
    EXPECT_EQ(layout.x, 0);
    EXPECT_EQ(picture_layout(584, 384, true).scale, 1);
    EXPECT_EQ(picture_layout(1280, 720, true).scale, 3);
    EXPECT_EQ(picture_layout(1280, 720, true).x, (1280 - 878) / 2);
}

}  // namespace
}  // namespace m5
