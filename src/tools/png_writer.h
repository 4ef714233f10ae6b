// PNG output of the screen surface (libpng): 8-bit RGB, each RGB565 channel
// widened by repeating its top bits (0x1F -> 0xFF, 0x10 -> 0x84).
#pragma once

#include <cstdint>
#include <cstdio>

namespace m5::tools {

// Writes `height` rows of `width` RGB565 pixels (rows `width` pixels apart)
// to an open file. False when libpng reports an error.
bool write_png_rgb565(std::FILE* file, const uint16_t* pixels, int32_t width, int32_t height);

// The 8-bit value of a 5- or 6-bit channel.
inline uint8_t widen5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
inline uint8_t widen6(uint32_t v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); }

}  // namespace m5::tools
