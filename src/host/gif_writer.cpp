#include "host/gif_writer.h"

#include <algorithm>
#include <array>

#include "devices/vdp.h"
#include "host/png_writer.h"

namespace m5 {

namespace {

constexpr int32_t MIN_CODE_SIZE = 4;  // 16 colours
constexpr int32_t CLEAR_CODE = 1 << MIN_CODE_SIZE;
constexpr int32_t END_CODE = CLEAR_CODE + 1;
constexpr int32_t MAX_CODES = 4096;

void put16(std::vector<uint8_t>& out, int32_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

// LZW codes packed least significant bit first into sub-blocks of at most
// 255 bytes.
class CodeStream {
public:
    explicit CodeStream(std::vector<uint8_t>& output) : out(output) {}
    void put(int32_t code, int32_t width) {
        bits |= static_cast<uint32_t>(code) << count;
        count += width;
        while (count >= 8) {
            byte(static_cast<uint8_t>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    }
    void end() {
        if (count > 0) byte(static_cast<uint8_t>(bits & 0xFF));
        flush_block();
        out.push_back(0);  // the block terminator
    }

private:
    void byte(uint8_t value) {
        block[static_cast<size_t>(used++)] = value;
        if (used == 255) flush_block();
    }
    void flush_block() {
        if (used == 0) return;
        out.push_back(static_cast<uint8_t>(used));
        out.insert(out.end(), block.begin(), block.begin() + used);
        used = 0;
    }

    std::vector<uint8_t>& out;
    std::array<uint8_t, 255> block{};
    int32_t used = 0;
    uint32_t bits = 0;
    int32_t count = 0;
};

// The image data of one frame: the minimum code size, then the codes.
// next[code * 16 + colour]: the code of that string plus the colour; 0 for
// none (kept between frames so that none allocates).
void put_lzw(const std::vector<uint8_t>& indices, std::vector<uint16_t>& next, std::vector<uint8_t>& out) {
    out.push_back(MIN_CODE_SIZE);
    CodeStream stream(out);
    std::fill(next.begin(), next.end(), 0);
    int32_t free_code = END_CODE + 1;
    int32_t width = MIN_CODE_SIZE + 1;
    stream.put(CLEAR_CODE, width);
    int32_t current = indices.empty() ? 0 : indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        const uint8_t colour = indices[i];
        uint16_t& slot = next[static_cast<size_t>(current) * CLEAR_CODE + colour];
        if (slot != 0) {
            current = slot;
            continue;
        }
        stream.put(current, width);
        if (free_code < MAX_CODES) {
            slot = static_cast<uint16_t>(free_code);
            // The decoder widens its codes once the next free code needs it.
            if (free_code == (1 << width) && width < 12) ++width;
            ++free_code;
        } else {
            stream.put(CLEAR_CODE, width);
            std::fill(next.begin(), next.end(), 0);
            free_code = END_CODE + 1;
            width = MIN_CODE_SIZE + 1;
        }
        current = colour;
    }
    stream.put(current, width);
    stream.put(END_CODE, width);
    stream.end();
}

}  // namespace

GifWriter::GifWriter(int32_t frames_per_second)
    : fps(frames_per_second < 1 ? 1 : frames_per_second),
      indices(static_cast<size_t>(256) * 192),
      codes(static_cast<size_t>(MAX_CODES) * CLEAR_CODE) {}

int32_t GifWriter::delay(int32_t index) const {
    return static_cast<int32_t>((static_cast<int64_t>(index) + 1) * 100 / fps -
                                static_cast<int64_t>(index) * 100 / fps);
}

uint8_t GifWriter::palette_index(uint16_t colour) {
    if (colour == last_colour) return last_index;
    int32_t best = 0;
    int32_t best_distance = 1 << 30;
    for (int32_t i = 0; i < 16; ++i) {
        const uint16_t p = PALETTE[static_cast<size_t>(i)];
        const int32_t dr = ((p >> 11) & 31) - ((colour >> 11) & 31);
        const int32_t dg = ((p >> 5) & 63) - ((colour >> 5) & 63);
        const int32_t db = (p & 31) - (colour & 31);
        const int32_t distance = 4 * dr * dr + dg * dg + 4 * db * db;
        if (distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    last_colour = colour;
    last_index = static_cast<uint8_t>(best);
    return last_index;
}

void GifWriter::add_frame(const uint16_t* pixels, std::vector<uint8_t>& out) {
    constexpr int32_t width = 256;
    constexpr int32_t height = 192;
    if (frame_count == 0) {
        const char* signature = "GIF89a";
        out.insert(out.end(), signature, signature + 6);
        put16(out, width);
        put16(out, height);
        out.push_back(0xF3);  // a global table of 16 colours, 8 bits a channel
        out.push_back(0);     // background colour
        out.push_back(0);     // square pixels
        for (const uint16_t p : PALETTE) {
            out.push_back(widen5((p >> 11) & 0x1F));
            out.push_back(widen6((p >> 5) & 0x3F));
            out.push_back(widen5(p & 0x1F));
        }
        // The animation repeats for ever.
        const uint8_t loop[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};
        out.insert(out.end(), loop, loop + sizeof loop);
        last_colour = PALETTE[0];
        last_index = 0;
    }
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = palette_index(pixels[i]);
    // Graphic control: the delay; the frame replaces the one before.
    const uint8_t control[] = {0x21, 0xF9, 4, 0x04, 0, 0, 0, 0};
    out.insert(out.end(), control, control + 3);
    out.push_back(control[3]);
    put16(out, delay(frame_count));
    out.push_back(0);
    out.push_back(0);
    // The image: the whole picture, no local table.
    out.push_back(0x2C);
    put16(out, 0);
    put16(out, 0);
    put16(out, width);
    put16(out, height);
    out.push_back(0);
    put_lzw(indices, codes, out);
    ++frame_count;
}

}  // namespace m5
