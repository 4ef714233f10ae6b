// Animated GIF of the machine's picture, written as it is recorded.
//
// The 256 x 192 RGB565 picture uses only the video chip's palette, which a
// GIF's 16-colour table holds exactly (colours are widened to 8 bits as in
// the PNG screenshots), so every frame is stored whole, losslessly, with the
// LZW coding of the GIF 89a format; the animation repeats. GIF delays count
// hundredths of a second, so at 30 or 15 frames a second the delays
// alternate (3, 3, 4 and 6, 7, 7) to keep the rate exact over each second.
#pragma once

#include <cstdint>
#include <vector>

namespace m5 {

class GifWriter {
public:
    explicit GifWriter(int32_t frames_per_second);
    // Appends the next frame (and, before the first, the file's header) to
    // `out`. A pixel of a colour outside the palette takes the nearest one.
    void add_frame(const uint16_t* pixels, std::vector<uint8_t>& out);
    // Appends the trailer that ends the file.
    static void finish(std::vector<uint8_t>& out) { out.push_back(0x3B); }
    int32_t frames() const { return frame_count; }
    // The delay of frame `index`, in hundredths of a second.
    int32_t delay(int32_t index) const;

private:
    uint8_t palette_index(uint16_t colour);

    int32_t fps;
    int32_t frame_count = 0;
    std::vector<uint8_t> indices;  // the frame as palette indices
    std::vector<uint16_t> codes;   // the LZW string table
    uint16_t last_colour = 0;
    uint8_t last_index = 0;
};

}  // namespace m5
