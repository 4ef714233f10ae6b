// PNG output of RGB565 pictures (written with zlib): 8-bit RGB, each RGB565 channel
// widened by repeating its top bits (0x1F -> 0xFF, 0x10 -> 0x84). Used for
// screenshots and for the thumbnails of save states.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

namespace m5 {

// Writes `height` rows of `width` RGB565 pixels (rows `width` pixels apart)
// to an open file. False when it could not be written.
bool write_png_rgb565(std::FILE* file, const uint16_t* pixels, int32_t width, int32_t height);

// The same PNG in memory; empty when the picture has no pixels.
std::vector<uint8_t> encode_png_rgb565(const uint16_t* pixels, int32_t width, int32_t height);

// The 8-bit value of a 5- or 6-bit channel.
inline uint8_t widen5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
inline uint8_t widen6(uint32_t v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); }

}  // namespace m5
