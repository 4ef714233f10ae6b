// Where the 256 x 192 picture goes in the window's drawing area.
//
// The drawing area plays the part of the device's screen: the picture is
// centred in it, scaled by the largest whole factor that fits (at least 1,
// so a small area cuts the picture instead of shrinking it). Each offset is
// (area size - scaled size) shifted right by one as a signed number, so when
// the picture is cut, one pixel more goes on the left or top for an odd
// difference.
//
// With the M5's own pixel shape (8:7, wider than tall, as a TV shows it) the
// picture is scaled by the whole factor vertically and 8/7 of it
// horizontally, its width rounded to the nearest pixel.
#pragma once

#include <cstdint>

namespace m5 {

struct PictureLayout {
    int32_t scale = 1;
    int32_t x = 0;  // area position of the picture's top-left pixel; may be negative
    int32_t y = 0;
    int32_t width = 256;  // of the scaled picture
};

// The scaled picture's width at `scale`.
int32_t picture_width(int32_t scale, bool tv_pixels);

PictureLayout picture_layout(int32_t area_width, int32_t area_height, bool tv_pixels = false);

}  // namespace m5
