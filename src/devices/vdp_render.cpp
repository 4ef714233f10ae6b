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
    std::array<uint8_t, 8> pixels{};
    for (int j = 0; j < 8; ++j) pixels[j] = (bits & (0x80 >> j)) ? 0xFF : 0x00;
    return std::bit_cast<uint64_t>(pixels);
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

constexpr uint64_t ALL_BYTES = 0x0101010101010101ull;

inline void store8(uint8_t* dst, uint64_t pixels) { std::memcpy(dst, &pixels, 8); }
inline uint64_t load8(const uint8_t* src) {
    uint64_t pixels;
    std::memcpy(&pixels, src, 8);
    return pixels;
}

// One sprite of the current frame, prepared from its attribute entry.
struct SpriteLine {
    int32_t top;       // first picture row (may be negative)
    int32_t left;      // first column (may be negative)
    uint16_t pattern;  // VRAM address of pattern byte 0
    uint8_t colour;
};

}  // namespace

void Vdp::update_colour_tables() {
    const uint8_t backdrop = regs[7] & 0x0F;
    for (int c = 0; c < 256; ++c) {
        uint8_t fore = static_cast<uint8_t>(c >> 4);
        uint8_t back = static_cast<uint8_t>(c & 0x0F);
        if (fore == 0) fore = backdrop;
        if (back == 0) back = backdrop;
        colour_back[c] = back * ALL_BYTES;
        colour_diff[c] = static_cast<uint64_t>(fore ^ back) * ALL_BYTES;
    }
}

void Vdp::render_frame() {
    switch (mode()) {
        case MODE_GRAPHICS_1: render_graphics_1(); break;
        case MODE_TEXT: render_text(false); break;
        case MODE_GRAPHICS_2: render_graphics_2(); break;
        case MODE_TEXT_G2: render_text(true); break;
        case MODE_MULTICOLOUR: render_multicolour(false); break;
        case MODE_MULTICOLOUR_G2: render_multicolour(true); break;
        default: render_stripes(); break;
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

// 40 x 24 cells of 6 x 8 pixels from column 8, in the two colours of R7 as
// they stand (0 included). The side borders are left as they are.
void Vdp::render_text(bool g2_tables) {
    const uint64_t back = static_cast<uint64_t>(regs[7] & 0x0F) * ALL_BYTES;
    const uint64_t diff = static_cast<uint64_t>((regs[7] >> 4) ^ (regs[7] & 0x0F)) * ALL_BYTES;
    for (int32_t r = 0; r < 24; ++r) {
        const uint32_t third = static_cast<uint32_t>(r >> 3) << 8;
        for (int32_t y = 0; y < 8; ++y) {
            uint8_t* row = &picture[(r * 8 + y) * PICTURE_WIDTH + 8];
            for (int32_t c = 0; c < 40; ++c) {
                const uint32_t name = vram[(name_base + r * 40 + c) & VRAM_ADDRESS_MASK];
                const uint32_t pattern = g2_tables ? ((name + third) & pattern_mask) : name;
                const uint8_t bits = vram[(pattern_base + pattern * 8 + y) & VRAM_ADDRESS_MASK];
                const uint64_t pixels = back ^ (diff & EXPAND[bits & 0xFC]);
                std::memcpy(row + c * 6, &pixels, 6);
            }
        }
    }
}

// 32 x 24 cells, each two rows of two 4 x 4 blocks; one colour byte per block
// row, high nibble left.
void Vdp::render_multicolour(bool g2_tables) {
    const uint64_t halves = EXPAND[0xF0];
    for (int32_t r = 0; r < 24; ++r) {
        const uint8_t* names = &vram[(name_base + r * 32) & VRAM_ADDRESS_MASK];
        const uint32_t block_row = static_cast<uint32_t>(r & 3) * 2;
        const uint32_t third = static_cast<uint32_t>(r >> 3) << 8;
        for (int32_t h = 0; h < 2; ++h) {
            uint8_t* row = &picture[(r * 8 + h * 4) * PICTURE_WIDTH];
            for (int32_t c = 0; c < 32; ++c) {
                const uint32_t name = names[c];
                const uint32_t at = g2_tables ? pattern_base + ((name + block_row + third) & pattern_mask) * 8 + h
                                              : pattern_base + name * 8 + block_row + h;
                const uint8_t colour = vram[at & VRAM_ADDRESS_MASK];
                const uint64_t pixels = colour_back[colour] ^ (colour_diff[colour] & halves);
                for (int32_t y = 0; y < 4; ++y) store8(row + y * PICTURE_WIDTH + c * 8, pixels);
            }
        }
    }
}

// No VRAM access: backdrop borders, then 40 groups of four text-colour and
// two backdrop pixels.
void Vdp::render_stripes() {
    const uint8_t backdrop = regs[7] & 0x0F;
    const uint8_t text = regs[7] >> 4;
    uint8_t* first = picture.data();
    std::memset(first, backdrop, PICTURE_WIDTH);
    for (int32_t g = 0; g < 40; ++g) std::memset(first + 8 + g * 6, text, 4);
    for (int32_t y = 1; y < PICTURE_HEIGHT; ++y) std::memcpy(first + y * PICTURE_WIDTH, first, PICTURE_WIDTH);
}

// Sprites, worked row by row. Per row, the covered and the coloured pixels
// are kept as 256-bit sets (four words, column 0 in the top bit of word 0),
// so that coincidence and "lower number in front" are word operations. The
// result equals drawing the sprites one after another: on each row they are
// visited in number order, and the first row with a fifth sprite is the
// upper one.
void Vdp::render_sprites() {
    status = STATUS_FRAME;
    const int32_t size = (regs[1] & R1_SPRITE_16) ? 16 : 8;
    const int32_t magnify = (regs[1] & R1_SPRITE_MAGNIFY) ? 1 : 0;
    const int32_t height = size << magnify;

    std::array<SpriteLine, SPRITE_COUNT> sprites;
    int32_t count = 0;
    for (; count < SPRITE_COUNT; ++count) {
        const uint8_t* attr = &vram[(sprite_attr_base + count * 4) & VRAM_ADDRESS_MASK];
        const uint8_t y = attr[0];
        if (y == SPRITE_TERMINATOR) break;
        SpriteLine& s = sprites[count];
        s.top = y < SPRITE_TERMINATOR ? y + 1 : y - 255;
        s.left = attr[1] - ((attr[3] & 0x80) ? 32 : 0);
        const uint32_t name = size == 16 ? (attr[2] & 0xFCu) : attr[2];
        s.pattern = static_cast<uint16_t>((sprite_pattern_base + name * 8) & VRAM_ADDRESS_MASK);
        s.colour = attr[3] & 0x0F;
    }

    int32_t fifth_sprite = -1;
    for (int32_t row = 0; row < PICTURE_HEIGHT; ++row) {
        int32_t budget = SPRITES_PER_LINE;
        uint64_t covered[4] = {0, 0, 0, 0};
        uint64_t coloured[4] = {0, 0, 0, 0};
        uint8_t* line = &picture[row * PICTURE_WIDTH];
        for (int32_t i = 0; i < count; ++i) {
            const SpriteLine& s = sprites[i];
            const int32_t dy = row - s.top;
            if (static_cast<uint32_t>(dy) >= static_cast<uint32_t>(height)) continue;
            if (budget == 0) {
                if (fifth_sprite < 0) fifth_sprite = i;
            } else {
                --budget;
            }
            const int32_t k = dy >> magnify;
            // Pattern row as a 32-bit set, leftmost pixel in bit 31.
            const uint8_t left_bits = vram[(s.pattern + k) & VRAM_ADDRESS_MASK];
            const uint8_t right_bits = size == 16 ? vram[(s.pattern + k + 16) & VRAM_ADDRESS_MASK] : 0;
            uint32_t bits;
            if (magnify) {
                bits = (static_cast<uint32_t>(DOUBLE_BITS[left_bits]) << 16) | DOUBLE_BITS[right_bits];
            } else {
                bits = (static_cast<uint32_t>(left_bits) << 24) | (static_cast<uint32_t>(right_bits) << 16);
            }
            if (bits == 0) continue;
            const uint64_t shape = static_cast<uint64_t>(bits) << 32;
            const uint64_t colour_bytes = s.colour * ALL_BYTES;
            for (int32_t w = 0; w < 4; ++w) {
                const int32_t shift = s.left - w * 64;
                if (shift >= 64 || shift <= -32) continue;
                const uint64_t part = shift >= 0 ? shape >> shift : shape << -shift;
                if (part == 0) continue;
                if (covered[w] & part) status |= STATUS_COINCIDENCE;
                covered[w] |= part;
                if (s.colour == 0) continue;
                const uint64_t draw = part & ~coloured[w];
                if (draw == 0) continue;
                coloured[w] |= draw;
                for (int32_t b = 0; b < 8; ++b) {
                    const uint8_t byte_bits = static_cast<uint8_t>(draw >> (56 - 8 * b));
                    if (byte_bits == 0) continue;
                    uint8_t* dst = line + w * 64 + b * 8;
                    const uint64_t mask = EXPAND[byte_bits];
                    store8(dst, (load8(dst) & ~mask) | (colour_bytes & mask));
                }
            }
        }
    }

    if (fifth_sprite < 0) {
        status |= static_cast<uint8_t>(std::min(count, SPRITE_COUNT - 1));
    } else {
        status |= static_cast<uint8_t>(STATUS_FIFTH_SPRITE | fifth_sprite);
    }
}

void Vdp::present() {
    if (host == nullptr) return;
    for (int32_t y = 0; y < PICTURE_HEIGHT; ++y) {
        uint16_t* dst = host->surface_row(y);
        if (dst == nullptr) continue;
        const uint8_t* src = &picture[y * PICTURE_WIDTH];
        for (int32_t x = 0; x < PICTURE_WIDTH; ++x) dst[x] = PALETTE[src[x] & 0x0F];
    }
}

}  // namespace m5
