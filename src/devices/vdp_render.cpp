// Vdp drawing: the frame renderer (background of the current mode, then the
// sprites) and the conversion of the picture into the host's surface.
//
// The graphics renderers work eight pixels at a time: a pattern byte becomes
// an eight-byte mask (0xFF where the bit is set, bit 7 leftmost), and the two
// colours are blended through it in one 64-bit operation.
#include <algorithm>
#include <bit>
#include <cstring>

#include "devices/vdp.h"
#include "machine/machine_host.h"

namespace m5 {
namespace {

constexpr uint64_t expand_byte(uint8_t bits) {
    // Pixel j is the j-th byte in memory.
    uint64_t pixels = 0;
    for (int j = 0; j < 8; ++j) {
        const int shift = std::endian::native == std::endian::little ? 8 * j : 8 * (7 - j);
        if (bits & (0x80 >> j)) pixels |= uint64_t{0xFF} << shift;
    }
    return pixels;
}

constexpr std::array<uint64_t, 256> make_expand_table() {
    std::array<uint64_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = expand_byte(static_cast<uint8_t>(i));
    return table;
}

// Pattern byte -> eight mask bytes, in picture order.
constexpr std::array<uint64_t, 256> EXPAND = make_expand_table();

// Each bit of a byte doubled (magnified sprites), bit 7 -> bits 15 and 14.
constexpr std::array<uint16_t, 256> make_double_table() {
    std::array<uint16_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        uint16_t v = 0;
        for (int b = 0; b < 8; ++b) {
            if (i & (1 << b)) v = static_cast<uint16_t>(v | (3 << (2 * b)));
        }
        table[i] = v;
    }
    return table;
}
constexpr std::array<uint16_t, 256> DOUBLE_BITS = make_double_table();

// Two neighbouring pixels at once: index = left | right << 4, value = the
// two RGB565 pixels in surface order.
constexpr std::array<uint32_t, 256> make_palette_pairs(const std::array<uint16_t, 16>& palette) {
    std::array<uint32_t, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = std::endian::native == std::endian::little
                       ? uint32_t{palette[i & 15]} | uint32_t{palette[i >> 4]} << 16
                       : uint32_t{palette[i & 15]} << 16 | uint32_t{palette[i >> 4]};
    return table;
}
constexpr std::array<uint32_t, 256> PALETTE_PAIRS = make_palette_pairs(PALETTE);
constexpr std::array<uint32_t, 256> TMS9929A_PALETTE_PAIRS = make_palette_pairs(TMS9929A_PALETTE);

constexpr uint64_t ALL_BYTES = 0x0101010101010101ull;

inline void store8(uint8_t* dst, uint64_t pixels) { std::memcpy(dst, &pixels, 8); }
inline uint64_t load8(const uint8_t* src) {
    uint64_t pixels;
    std::memcpy(&pixels, src, 8);
    return pixels;
}

// The borders of a text mode's picture row, left and right of its 40 cells.
inline void fill_text_borders(uint8_t* row, uint8_t backdrop) {
    std::memset(row, backdrop, TEXT_LEFT_COLUMN);
    std::memset(row + PICTURE_WIDTH - TEXT_RIGHT_BORDER, backdrop, TEXT_RIGHT_BORDER);
}

// The picture's colour numbers through `pairs` into the host's surface.
[[gnu::always_inline]] inline void present_through(const uint8_t* picture, MachineHost* host,
                                                   const std::array<uint32_t, 256>& pairs) {
    for (int32_t y = 0; y < PICTURE_HEIGHT; ++y) {
        uint16_t* dst = host->surface_row(y);
        if (dst == nullptr) continue;
        const uint8_t* src = &picture[y * PICTURE_WIDTH];
        for (int32_t x = 0; x < PICTURE_WIDTH; x += 2) {
            const uint32_t pair = pairs[(src[x] & 0x0F) | ((src[x + 1] & 0x0F) << 4)];
            std::memcpy(dst + x, &pair, 4);
        }
    }
}

}  // namespace

void Vdp::update_colour_tables(bool all) {
    const uint8_t backdrop = backdrop_colour();
    const auto update = [&](int c) {
        uint8_t fore = static_cast<uint8_t>(c >> 4);
        uint8_t back = static_cast<uint8_t>(c & 0x0F);
        if (fore == 0) fore = backdrop;
        if (back == 0) back = backdrop;
        colour_back[c] = back * ALL_BYTES;
        colour_diff[c] = static_cast<uint64_t>(fore ^ back) * ALL_BYTES;
    };
    if (all) {
        for (int c = 0; c < 256; ++c) update(c);
        return;
    }
    for (int n = 0; n < 16; ++n) {
        update(n);       // foreground 0
        update(n << 4);  // background 0
    }
}

void Vdp::render_frame() {
    if (drawing) {
        switch (mode()) {
            case MODE_GRAPHICS_1: render_graphics_1(); break;
            case MODE_TEXT: render_text(false); break;
            case MODE_GRAPHICS_2: render_graphics_2(); break;
            case MODE_TEXT_G2: render_text(true); break;
            case MODE_MULTICOLOUR: render_multicolour(false); break;
            case MODE_MULTICOLOUR_G2: render_multicolour(true); break;
            default: render_stripes(); break;
        }
    }
    if ((regs[1] & R1_M1) == 0) render_sprites();
}

// 32 x 24 cells; pattern by name, one colour byte per group of 8 names.
void Vdp::render_graphics_1() {
    for (int32_t r = 0; r < 24; ++r) {
        const uint8_t* names = &vram[(name_base + r * 32) & VRAM_ADDRESS_MASK];
        for (int32_t y = 0; y < 8; ++y) {
            uint8_t* row = &picture[(r * 8 + y) * PICTURE_WIDTH];
            for (int32_t c = 0; c < 32; ++c) {
                const uint32_t name = names[c];
                const uint8_t bits = vram[(pattern_base + name * 8 + y) & VRAM_ADDRESS_MASK];
                const uint8_t colour = vram[(colour_base + (name >> 3)) & VRAM_ADDRESS_MASK];
                store8(row + c * 8, colour_back[colour] ^ (colour_diff[colour] & EXPAND[bits]));
            }
        }
    }
}

// 32 x 24 cells; each third of the screen has its own 256 patterns and
// colour rows, limited by the two table masks.
void Vdp::render_graphics_2() {
    for (int32_t r = 0; r < 24; ++r) {
        const uint8_t* names = &vram[(name_base + r * 32) & VRAM_ADDRESS_MASK];
        const uint32_t third = static_cast<uint32_t>(r >> 3) << 8;
        for (int32_t y = 0; y < 8; ++y) {
            uint8_t* row = &picture[(r * 8 + y) * PICTURE_WIDTH];
            for (int32_t c = 0; c < 32; ++c) {
                const uint32_t index = names[c] + third;
                const uint8_t bits = vram[(pattern_base + (index & pattern_mask) * 8 + y) & VRAM_ADDRESS_MASK];
                const uint8_t colour = vram[(colour_base + (index & colour_mask) * 8 + y) & VRAM_ADDRESS_MASK];
                store8(row + c * 8, colour_back[colour] ^ (colour_diff[colour] & EXPAND[bits]));
            }
        }
    }
}

// 40 x 24 cells of 6 x 8 pixels from TEXT_LEFT_COLUMN, in the two colours of
// R7 as they stand (0 included).
void Vdp::render_text(bool g2_tables) {
    const uint64_t back = backdrop_colour() * ALL_BYTES;
    const uint64_t diff = static_cast<uint64_t>(text_colour() ^ backdrop_colour()) * ALL_BYTES;
    for (int32_t r = 0; r < 24; ++r) {
        const uint32_t third = static_cast<uint32_t>(r >> 3) << 8;
        for (int32_t y = 0; y < 8; ++y) {
            uint8_t* line = &picture[(r * 8 + y) * PICTURE_WIDTH];
            fill_text_borders(line, backdrop_colour());
            uint8_t* row = line + TEXT_LEFT_COLUMN;
            for (int32_t c = 0; c < TEXT_COLUMNS; ++c) {
                const uint32_t name = vram[(name_base + r * TEXT_COLUMNS + c) & VRAM_ADDRESS_MASK];
                const uint32_t pattern = g2_tables ? ((name + third) & pattern_mask) : name;
                const uint8_t bits = vram[(pattern_base + pattern * 8 + y) & VRAM_ADDRESS_MASK];
                const uint64_t pixels = back ^ (diff & EXPAND[bits & 0xFC]);
                std::memcpy(row + c * TEXT_CELL_WIDTH, &pixels, TEXT_CELL_WIDTH);
            }
        }
    }
}

// 32 x 24 cells, each two rows of two 4 x 4 blocks; one colour byte per block
// row, high nibble left. With the Graphics II tables (M2 + M3) the name takes
// its third's 256 as in Graphics II and is masked like a pattern name; the
// block rows are then found as in plain Multicolour.
void Vdp::render_multicolour(bool g2_tables) {
    const uint64_t halves = EXPAND[0xF0];
    for (int32_t r = 0; r < 24; ++r) {
        const uint8_t* names = &vram[(name_base + r * 32) & VRAM_ADDRESS_MASK];
        const uint32_t block_row = static_cast<uint32_t>(r & 3) * 2;
        const uint32_t third = static_cast<uint32_t>(r >> 3) << 8;
        for (int32_t h = 0; h < 2; ++h) {
            uint8_t* row = &picture[(r * 8 + h * 4) * PICTURE_WIDTH];
            for (int32_t c = 0; c < 32; ++c) {
                const uint32_t name = g2_tables ? ((names[c] + third) & pattern_mask) : names[c];
                const uint8_t colour = vram[(pattern_base + name * 8 + block_row + h) & VRAM_ADDRESS_MASK];
                const uint64_t pixels = colour_back[colour] ^ (colour_diff[colour] & halves);
                for (int32_t y = 0; y < 4; ++y) store8(row + y * PICTURE_WIDTH + c * 8, pixels);
            }
        }
    }
}

// No VRAM access: the text modes' borders and 40 cells of four text-colour
// and two backdrop pixels.
void Vdp::render_stripes() {
    const uint8_t backdrop = backdrop_colour();
    const uint8_t text = text_colour();
    uint8_t* first = picture.data();
    std::memset(first, backdrop, PICTURE_WIDTH);
    for (int32_t c = 0; c < TEXT_COLUMNS; ++c) std::memset(first + TEXT_LEFT_COLUMN + c * TEXT_CELL_WIDTH, text, 4);
    for (int32_t y = 1; y < PICTURE_HEIGHT; ++y) std::memcpy(first + y * PICTURE_WIDTH, first, PICTURE_WIDTH);
}

// Sprites, one after another in number order, as the chip scans them. For
// every picture row the covered and the coloured pixels are kept as bit sets
// (sprite_cover and sprite_drawn: word 0 stands for columns -64..-1, words
// 1-4 for the picture, word 5 for columns 256..319), so that coincidence and
// "lower number in front" are word operations and columns outside the
// picture simply never count.
void Vdp::render_sprites() {
    status = STATUS_FRAME;
    const int32_t size = (regs[1] & R1_SPRITE_16) ? 16 : 8;
    const int32_t magnify = (regs[1] & R1_SPRITE_MAGNIFY) ? 1 : 0;
    const int32_t height = size << magnify;
    if (++sprite_pass == 0) {  // after 2^32 passes: no row may look cleared by this one
        row_pass.fill(0);
        sprite_pass = 1;
    }
    int32_t fifth_row = PICTURE_HEIGHT;  // none yet
    int32_t fifth_sprite = 0;

    int32_t i = 0;
    for (; i < SPRITE_COUNT; ++i) {
        const uint8_t* attr = &vram[(sprite_attr_base + i * 4) & VRAM_ADDRESS_MASK];
        const uint8_t y = attr[0];
        if (y == SPRITE_TERMINATOR) break;
        const int32_t top = y < SPRITE_TERMINATOR ? y + 1 : y - 255;
        const int32_t left = attr[1] - ((attr[3] & 0x80) ? 32 : 0);
        const uint32_t name = size == 16 ? (attr[2] & 0xFCu) : attr[2];
        const uint32_t pattern = sprite_pattern_base + name * 8;
        const uint8_t colour = attr[3] & 0x0F;
        const uint64_t colour_bytes = colour * ALL_BYTES;
        // Bit position of the sprite's first column within the padded row.
        const int32_t padded = left + 64;
        const int32_t word = padded >> 6;
        const int32_t shift = padded & 63;

        const int32_t first_row = std::max(top, 0);
        const int32_t end_row = std::min(top + height, PICTURE_HEIGHT);
        for (int32_t row = first_row; row < end_row; ++row) {
            if (row_pass[row] != sprite_pass) {
                row_pass[row] = sprite_pass;
                line_budget[row] = SPRITES_PER_LINE;
                sprite_cover[row].fill(0);
                sprite_drawn[row].fill(0);
            }
            // A fifth or later sprite on this row: reported, and hidden here
            // with the sprite limit on (it still counts for coincidence).
            bool hidden = false;
            if (line_budget[row] == 0) {
                if (row < fifth_row) {
                    fifth_row = row;
                    fifth_sprite = i;
                }
                hidden = sprite_limit;
            } else {
                --line_budget[row];
            }
            const int32_t k = (row - top) >> magnify;
            // Pattern row as a 32-bit set, leftmost pixel in bit 31.
            const uint8_t left_bits = vram[(pattern + k) & VRAM_ADDRESS_MASK];
            const uint8_t right_bits = size == 16 ? vram[(pattern + k + 16) & VRAM_ADDRESS_MASK] : 0;
            uint32_t bits;
            if (magnify) {
                bits = (static_cast<uint32_t>(DOUBLE_BITS[left_bits]) << 16) | DOUBLE_BITS[right_bits];
            } else {
                bits = (static_cast<uint32_t>(left_bits) << 24) | (static_cast<uint32_t>(right_bits) << 16);
            }
            if (bits == 0) continue;
            const uint64_t shape = static_cast<uint64_t>(bits) << 32;
            const uint64_t parts[2] = {shape >> shift, shift ? shape << (64 - shift) : 0};
            std::array<uint64_t, SPRITE_ROW_WORDS>& cover = sprite_cover[row];
            std::array<uint64_t, SPRITE_ROW_WORDS>& drawn = sprite_drawn[row];
            uint8_t* line = &picture[row * PICTURE_WIDTH];
            for (int32_t p = 0; p < 2; ++p) {
                const int32_t w = word + p;
                const uint64_t part = parts[p];
                if (part == 0 || w == 0 || w == SPRITE_ROW_WORDS - 1) continue;
                if (cover[w] & part) status |= STATUS_COINCIDENCE;
                cover[w] |= part;
                if (colour == 0 || hidden || !drawing) continue;
                uint64_t draw = part & ~drawn[w];
                drawn[w] |= draw;
                uint8_t* columns = line + (w - 1) * 64;
                while (draw != 0) {
                    const int32_t byte_shift = 56 - (std::countl_zero(draw) & ~7);
                    const uint64_t mask = EXPAND[(draw >> byte_shift) & 0xFF];
                    draw &= ~(0xFFull << byte_shift);
                    uint8_t* dst = columns + (56 - byte_shift);
                    store8(dst, (load8(dst) & ~mask) | (colour_bytes & mask));
                }
            }
        }
    }

    if (fifth_row == PICTURE_HEIGHT) {
        status |= static_cast<uint8_t>(std::min(i, SPRITE_COUNT - 1));
    } else {
        status |= static_cast<uint8_t>(STATUS_FIFTH_SPRITE | fifth_sprite);
    }
}

void Vdp::present() {
    if (host == nullptr) return;
    // One loop for each chip's table, so that each reads a table known when
    // compiling (the compiler then converts several pixels at a time).
    if (chip == VideoChip::TMS9929A)
        present_through(picture.data(), host, TMS9929A_PALETTE_PAIRS);
    else
        present_through(picture.data(), host, PALETTE_PAIRS);
}

}  // namespace m5
