// The video chip's picture: background modes, sprites and the sprite status,
// and the conversion into the host's surface. Expected pixels are worked out
// here from the chip's rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "devices/vdp.h"
#include "support/test_host.h"

namespace m5 {
namespace {

class VdpRenderTest : public ::testing::Test {
protected:
    void SetUp() override { vdp.reset(); }
    void set_reg(int n, uint8_t value) {
        vdp.port_write8(0x11, value);
        vdp.port_write8(0x11, 0x80 | n);
    }
    void frame() { vdp.on_scanline(VDP_FRAME_LINE, 242); }
    uint8_t px(int x, int y) const { return vdp.pixel(x, y); }

    test::TestHost host;
    Vdp vdp{nullptr, &host};
};

// --- Background modes -------------------------------------------------------

TEST_F(VdpRenderTest, graphics_1_uses_colour_byte_per_eight_names_and_backdrop_for_colour_0) {
    set_reg(1, 0x40);
    set_reg(2, 0x06);                      // names 0x1800
    set_reg(3, 0x80);                      // colours 0x2000
    set_reg(4, 0x00);                      // patterns 0x0000
    set_reg(7, 0x04);                      // backdrop 4
    vdp.vram[0x1800 + 2 * 32 + 3] = 9;     // cell (3, 2): name 9, colour group 1
    vdp.vram[0x1800 + 5 * 32 + 7] = 0x21;  // cell (7, 5): name 0x21, group 4
    for (int y = 0; y < 8; ++y) {
        vdp.vram[9 * 8 + y] = static_cast<uint8_t>(0xA5 >> (y & 1));
        vdp.vram[0x21 * 8 + y] = 0xF0;
    }
    vdp.vram[0x2000 + 1] = 0x10;  // set bits colour 1, clear bits colour 0 -> backdrop
    vdp.vram[0x2000 + 4] = 0x07;  // set bits colour 0 -> backdrop, clear bits 7
    frame();

    for (int y = 0; y < 8; ++y) {
        const uint8_t bits = static_cast<uint8_t>(0xA5 >> (y & 1));
        for (int j = 0; j < 8; ++j) {
            const uint8_t expected = (bits & (0x80 >> j)) ? 1 : 4;
            ASSERT_EQ(px(3 * 8 + j, 2 * 8 + y), expected) << j << "," << y;
        }
    }
    EXPECT_EQ(px(56, 40), 4);
    EXPECT_EQ(px(59, 47), 4);
    EXPECT_EQ(px(60, 40), 7);
    EXPECT_EQ(px(63, 47), 7);
    // Name 0 everywhere else, colour group 0 byte is 0x00: backdrop.
    EXPECT_EQ(px(0, 0), 4);
    EXPECT_EQ(px(255, 191), 4);
}

// Graphics II with names all 0: each third reads pattern and colour entry
// 0, 256 or 512 depending on the masks.
class VdpGraphics2Test : public VdpRenderTest {
protected:
    void SetUp() override {
        VdpRenderTest::SetUp();
        set_reg(1, 0x40);
        set_reg(2, 0x06);  // names 0x1800, all 0
        set_reg(7, 0x0F);
        for (int y = 0; y < 8; ++y) {
            vdp.vram[0 * 8 + y] = 0xFF;
            vdp.vram[256 * 8 + y] = 0x0F;
            vdp.vram[512 * 8 + y] = 0x00;
            vdp.vram[0x2000 + 0 * 8 + y] = 0x21;
            vdp.vram[0x2000 + 256 * 8 + y] = 0x34;
            vdp.vram[0x2000 + 512 * 8 + y] = static_cast<uint8_t>(0x50 | (y + 6));
        }
    }
};

TEST_F(VdpGraphics2Test, r4_3_gives_every_third_its_own_patterns_and_colours) {
    set_reg(0, 0x02);
    set_reg(3, 0xFF);
    set_reg(4, 0x03);
    frame();
    for (int x : {0, 100, 255}) {
        EXPECT_EQ(px(x, 0), 2);
        EXPECT_EQ(px(x, 63), 2);
    }
    EXPECT_EQ(px(0, 64), 4);  // 0x0F: left half clear
    EXPECT_EQ(px(3, 70), 4);
    EXPECT_EQ(px(4, 70), 3);  // right half set
    EXPECT_EQ(px(7, 127), 3);
    for (int y = 0; y < 8; ++y) EXPECT_EQ(px(200, 128 + y), y + 6) << "colour row " << y;
    EXPECT_EQ(px(200, 191), 13);
}

TEST_F(VdpGraphics2Test, r4_0_shares_the_first_patterns_but_keeps_colours_per_third) {
    set_reg(0, 0x02);
    set_reg(3, 0xFF);
    set_reg(4, 0x00);
    frame();
    EXPECT_EQ(px(0, 0), 2);
    EXPECT_EQ(px(0, 64), 3);
    EXPECT_EQ(px(7, 100), 3);
    for (int y = 0; y < 8; ++y) EXPECT_EQ(px(9, 136 + y), 5) << "row " << y;
}

TEST_F(VdpGraphics2Test, colour_nibble_0_is_the_backdrop) {
    set_reg(0, 0x02);
    set_reg(3, 0xFF);
    set_reg(4, 0x03);
    vdp.vram[0x2000 + 3] = 0x01;  // row 3 of the top third: set bits colour 0
    frame();
    EXPECT_EQ(px(10, 3), 15);
    set_reg(7, 0x08);
    frame();
    EXPECT_EQ(px(10, 3), 8);
}

// Registers R0 = 0x02, R3 = 0x80, R4 = 0x03 reached in every order give one
// picture: the one the Graphics II rule gives with pattern mask 0x307
// ((R4 AND 3) << 8 OR the colour mask's low bits 0x07) and colour mask 0x007.
TEST_F(VdpRenderTest, graphics_2_picture_does_not_depend_on_the_order_of_the_register_writes) {
    set_reg(1, 0x40);
    set_reg(2, 0x06);  // names 0x1800
    set_reg(5, 0x7F);  // sprite attributes at 0x3F80: none
    set_reg(7, 0x01);
    vdp.vram[0x3F80] = SPRITE_TERMINATOR;
    for (int i = 0; i < 768; ++i) vdp.vram[0x1800 + i] = static_cast<uint8_t>(i * 37 + 11);
    for (int i = 0; i < 0x1800; ++i) {
        vdp.vram[i] = static_cast<uint8_t>(i * 13 + (i >> 8));                   // patterns
        vdp.vram[0x2000 + i] = static_cast<uint8_t>((i * 7) ^ (i >> 5) ^ 0x5A);  // colours
    }
    auto expected = [&](int x, int y) {
        const int index = vdp.vram[0x1800 + (y / 8) * 32 + x / 8] + 256 * (y / 64);
        const uint8_t bits = vdp.vram[(index & 0x307) * 8 + (y & 7)];
        const uint8_t colour = vdp.vram[0x2000 + (index & 0x007) * 8 + (y & 7)];
        const int nibble = (bits & (0x80 >> (x & 7))) ? colour >> 4 : colour & 0x0F;
        return nibble == 0 ? 1 : nibble;
    };
    std::vector<int> order = {0, 3, 4};
    const uint8_t value[5] = {0x02, 0, 0, 0x80, 0x03};
    do {
        set_reg(0, 0x00);  // earlier values the last writes replace
        set_reg(3, 0xFF);
        set_reg(4, 0x00);
        for (int reg : order) set_reg(reg, value[reg]);
        frame();
        for (int y = 0; y < PICTURE_HEIGHT; ++y) {
            for (int x = 0; x < PICTURE_WIDTH; ++x) {
                ASSERT_EQ(px(x, y), expected(x, y)) << x << "," << y << " order " << order[0] << order[1] << order[2];
            }
        }
    } while (std::next_permutation(order.begin(), order.end()));
}

// TI's display timing puts the text modes' 240 pixels 6 pixels right of the
// graphics modes' left edge: borders of 6 and 10 pixels, in the backdrop.
TEST_F(VdpRenderTest, text_cells_start_at_column_6_plus_6c_in_r7_colours_with_backdrop_borders) {
    vdp.picture.fill(9);
    set_reg(1, 0x50);  // display, text
    set_reg(2, 0x00);  // names 0x0000 (40 per row)
    set_reg(4, 0x01);  // patterns 0x0800
    set_reg(7, 0xF4);
    vdp.vram[1 * 40 + 5] = 0x41;
    vdp.vram[1 * 40 + 0] = 0x42;
    vdp.vram[1 * 40 + 39] = 0x42;
    for (int y = 0; y < 8; ++y) {
        vdp.vram[0x800 + 0x41 * 8 + y] = 0xAB;  // 101010 11: last two bits unused
        vdp.vram[0x800 + 0x42 * 8 + y] = 0xFC;  // a full cell
    }
    frame();

    const int x0 = 6 + 6 * 5;
    for (int y = 8; y < 16; ++y) {
        for (int j = 0; j < 6; ++j) EXPECT_EQ(px(x0 + j, y), (j % 2 == 0) ? 15 : 4) << j << "," << y;
        EXPECT_EQ(px(x0 + 6, y), 4);  // next cell, name 0, empty pattern
        EXPECT_EQ(px(x0 - 1, y), 4);
        EXPECT_EQ(px(5, y), 4);  // column 0 covers 6..11, column 39 covers 240..245
        for (int x = 6; x < 12; ++x) EXPECT_EQ(px(x, y), 15) << x;
        for (int x = 240; x < 246; ++x) EXPECT_EQ(px(x, y), 15) << x;
        EXPECT_EQ(px(246, y), 4);
    }
    for (int y : {0, 100, 191}) {
        for (int x = 0; x < 6; ++x) EXPECT_EQ(px(x, y), 4);
        for (int x = 246; x < 256; ++x) EXPECT_EQ(px(x, y), 4);
    }
    for (uint8_t p : vdp.picture) ASSERT_NE(p, 9);  // nothing of the earlier picture is left
}

TEST_F(VdpRenderTest, text_uses_colour_0_as_it_stands_and_draws_no_sprites) {
    set_reg(1, 0x50);
    set_reg(4, 0x01);
    set_reg(5, 0x20);  // sprite attributes at 0x1000
    set_reg(7, 0x05);  // text colour 0 on backdrop 5
    vdp.vram[0] = 1;
    vdp.vram[0x800 + 8] = 0xFC;
    vdp.vram[0x1000] = 0xFF;  // sprite 0 at row 0, colour 6, pattern 0
    vdp.vram[0x1001] = 8;
    vdp.vram[0x1003] = 6;
    frame();
    EXPECT_EQ(px(6, 0), 0);
    EXPECT_EQ(px(11, 0), 0);
    EXPECT_EQ(px(12, 0), 5);
    EXPECT_EQ(px(6, 1), 5);
    EXPECT_EQ(px(0, 0), 5);
    EXPECT_EQ(vdp.peek_status(), STATUS_FRAME);  // sprite pass skipped: low bits untouched
}

TEST_F(VdpRenderTest, text_with_graphics_2_tables_selects_patterns_per_third) {
    set_reg(0, 0x02);
    set_reg(1, 0x50);
    set_reg(3, 0x9F);
    set_reg(4, 0x03);  // patterns 0x0000, mask 0x3FF
    set_reg(7, 0x21);
    vdp.vram[9 * 40 + 0] = 5;  // row 9 is in the middle third
    vdp.vram[0 * 40 + 0] = 5;
    vdp.vram[(256 + 5) * 8 + 1] = 0x80;
    vdp.vram[5 * 8 + 1] = 0x04;
    frame();
    EXPECT_EQ(px(6, 9 * 8 + 1), 2);
    EXPECT_EQ(px(11, 9 * 8 + 1), 1);
    EXPECT_EQ(px(6, 1), 1);
    EXPECT_EQ(px(11, 1), 2);
    EXPECT_EQ(px(255, 1), 1);
}

TEST_F(VdpRenderTest, multicolour_blocks_take_a_byte_per_block_row) {
    set_reg(1, 0x48);  // display, multicolour
    set_reg(2, 0x06);
    set_reg(4, 0x01);  // colour bytes at 0x0800
    set_reg(7, 0x07);
    vdp.vram[0x1800 + 5 * 32 + 2] = 3;   // cell (2, 5): r & 3 = 1
    vdp.vram[0x800 + 3 * 8 + 2] = 0x9A;  // upper blocks
    vdp.vram[0x800 + 3 * 8 + 3] = 0x0C;  // lower blocks, left colour 0
    frame();
    for (int y = 40; y < 44; ++y) {
        for (int x = 16; x < 20; ++x) EXPECT_EQ(px(x, y), 9);
        for (int x = 20; x < 24; ++x) EXPECT_EQ(px(x, y), 10);
    }
    for (int y = 44; y < 48; ++y) {
        for (int x = 16; x < 20; ++x) EXPECT_EQ(px(x, y), 7);
        for (int x = 20; x < 24; ++x) EXPECT_EQ(px(x, y), 12);
    }
    EXPECT_EQ(px(24, 40), 7);
}

// Multicolour with the Graphics II tables (M2 + M3), as the descriptions of
// the undocumented modes give it: Multicolour, with the pattern table split
// in thirds like Graphics II. The colour byte of block (h) in cell row r is at
// pattern base + ((name + 256 x third) AND pattern mask) x 8 + (r AND 3) x 2 + h.
TEST_F(VdpRenderTest, multicolour_with_graphics_2_tables_masks_the_name_and_its_third_then_adds_the_block_row) {
    set_reg(0, 0x02);
    set_reg(1, 0x48);
    set_reg(2, 0x06);  // names 0x1800
    set_reg(5, 0x7F);  // sprite attributes at 0x3F80: none
    set_reg(7, 0x01);
    vdp.vram[0x3F80] = SPRITE_TERMINATOR;
    for (int i = 0; i < 768; ++i) vdp.vram[0x1800 + i] = static_cast<uint8_t>(i * 29 + 3);
    for (int i = 0; i < 0x1800; ++i) vdp.vram[0x2000 + i] = static_cast<uint8_t>(i * 11 + (i >> 7));
    for (uint8_t r3 : {0xFF, 0x9F, 0x80}) {
        for (uint8_t r4 : {0x07, 0x06, 0x05, 0x04}) {  // colour bytes at 0x2000
            set_reg(3, r3);
            set_reg(4, r4);
            frame();
            const int mask = ((r4 & 3) << 8) | ((((r3 & 0x7F) << 3) | 7) & 0xFF);
            for (int y = 0; y < PICTURE_HEIGHT; ++y) {
                for (int x = 0; x < PICTURE_WIDTH; ++x) {
                    const int r = y / 8;
                    const int name = vdp.vram[0x1800 + r * 32 + x / 8];
                    const int at = 0x2000 + ((name + 256 * (r / 8)) & mask) * 8 + (r & 3) * 2 + (y & 7) / 4;
                    const int nibble = (x & 4) ? vdp.vram[at] & 0x0F : vdp.vram[at] >> 4;
                    ASSERT_EQ(px(x, y), nibble == 0 ? 1 : nibble)
                        << x << "," << y << " R3 " << int{r3} << " R4 " << int{r4};
                }
            }
        }
    }
}

TEST_F(VdpRenderTest, stripe_modes_draw_four_text_two_backdrop_between_the_text_modes_borders) {
    for (uint8_t r0 : {0x00, 0x02}) {
        vdp.picture.fill(0);
        set_reg(0, r0);
        set_reg(1, 0x58);  // display, M1 and M2
        set_reg(7, 0xA3);
        frame();
        for (int y : {0, 95, 191}) {
            for (int x = 0; x < 6; ++x) ASSERT_EQ(px(x, y), 3);
            for (int x = 6; x < 246; ++x) ASSERT_EQ(px(x, y), ((x - 6) % 6) < 4 ? 10 : 3) << x;
            for (int x = 246; x < 256; ++x) ASSERT_EQ(px(x, y), 3);
        }
    }
}

// --- Sprites ----------------------------------------------------------------

// Graphics I on a backdrop-1 screen; sprite attributes at 0x1B00, patterns at
// 0x3800.
class VdpSpriteTest : public VdpRenderTest {
protected:
    static constexpr int ATTR = 0x1B00;
    static constexpr int PATTERNS = 0x3800;
    void SetUp() override {
        VdpRenderTest::SetUp();
        set_reg(1, 0x40);
        set_reg(2, 0x06);
        set_reg(3, 0x80);
        set_reg(5, 0x36);
        set_reg(6, 0x07);
        set_reg(7, 0x01);
        vdp.vram[ATTR] = SPRITE_TERMINATOR;
        for (int i = 0; i < 32; ++i) vdp.vram[PATTERNS + i] = 0xFF;  // name 0 (and 0..3) solid
    }
    void sprite(int i, uint8_t y, uint8_t x, uint8_t name, uint8_t colour) {
        vdp.vram[ATTR + 4 * i] = y;
        vdp.vram[ATTR + 4 * i + 1] = x;
        vdp.vram[ATTR + 4 * i + 2] = name;
        vdp.vram[ATTR + 4 * i + 3] = colour;
        vdp.vram[ATTR + 4 * i + 4] = SPRITE_TERMINATOR;
    }
    int count_colour(uint8_t colour) const {
        int n = 0;
        for (uint8_t p : vdp.picture) n += p == colour;
        return n;
    }
};

TEST_F(VdpSpriteTest, y_ff_starts_on_row_0) {
    sprite(0, 0xFF, 10, 0, 5);
    frame();
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(px(9, y), 1);
        for (int x = 10; x < 18; ++x) EXPECT_EQ(px(x, y), 5);
        EXPECT_EQ(px(18, y), 1);
    }
    EXPECT_EQ(px(10, 8), 1);
    EXPECT_EQ(count_colour(5), 64);
    EXPECT_EQ(vdp.peek_status(), STATUS_FRAME | 1);
}

TEST_F(VdpSpriteTest, terminator_on_sprite_0_draws_nothing_and_leaves_low_bits_0) {
    sprite(0, SPRITE_TERMINATOR, 10, 0, 5);
    sprite(1, 50, 10, 0, 5);
    vdp.vram[ATTR] = SPRITE_TERMINATOR;
    frame();
    EXPECT_EQ(count_colour(5), 0);
    EXPECT_EQ(vdp.peek_status(), STATUS_FRAME);
}

TEST_F(VdpSpriteTest, terminator_ends_the_list_and_gives_the_count) {
    sprite(0, 10, 0, 0, 5);
    sprite(1, 10, 20, 0, 6);
    sprite(2, 10, 40, 0, 7);
    sprite(3, SPRITE_TERMINATOR, 60, 0, 8);
    vdp.vram[ATTR + 16] = 10;  // sprite 4 beyond the terminator
    vdp.vram[ATTR + 19] = 9;
    frame();
    EXPECT_EQ(count_colour(7), 64);
    EXPECT_EQ(count_colour(8), 0);
    EXPECT_EQ(count_colour(9), 0);
    EXPECT_EQ(vdp.peek_status(), STATUS_FRAME | 3);
}

TEST_F(VdpSpriteTest, y_above_d0_wraps_to_negative_rows) {
    set_reg(1, 0x41);  // 8 x 8 magnified: 16 rows
    for (int k = 0; k < 8; ++k) vdp.vram[PATTERNS + 8 + k] = (k == 7) ? 0x80 : 0x00;
    sprite(0, 0xF0, 30, 1, 5);  // top row -15: pattern row 7 lands on rows -1 and 0
    sprite(1, 0xD1, 60, 0, 6);  // top row -46: never visible
    frame();
    EXPECT_EQ(px(30, 0), 5);
    EXPECT_EQ(px(31, 0), 5);
    EXPECT_EQ(px(32, 0), 1);
    EXPECT_EQ(count_colour(5), 2);
    EXPECT_EQ(count_colour(6), 0);
}

TEST_F(VdpSpriteTest, early_clock_moves_32_left) {
    sprite(0, 20, 0, 0, 0x85);
    sprite(1, 40, 40, 0, 0x86);
    sprite(2, 60, 28, 0, 0x87);  // columns -4..3
    frame();
    EXPECT_EQ(count_colour(5), 0);
    EXPECT_EQ(count_colour(7), 4 * 8);
    EXPECT_EQ(px(3, 61), 7);
    EXPECT_EQ(px(4, 61), 1);
    EXPECT_EQ(px(7, 41), 1);
    EXPECT_EQ(px(8, 41), 6);
    EXPECT_EQ(px(15, 48), 6);
    EXPECT_EQ(px(16, 41), 1);
}

TEST_F(VdpSpriteTest, sixteen_by_sixteen_magnified_covers_32_by_32) {
    set_reg(1, 0x43);
    sprite(0, 49, 100, 3, 12);  // name 3 -> 0 (low bits cleared)
    frame();
    EXPECT_EQ(count_colour(12), 32 * 32);
    EXPECT_EQ(px(100, 50), 12);
    EXPECT_EQ(px(131, 81), 12);
    EXPECT_EQ(px(99, 50), 1);
    EXPECT_EQ(px(132, 50), 1);
    EXPECT_EQ(px(100, 49), 1);
    EXPECT_EQ(px(100, 82), 1);
}

TEST_F(VdpSpriteTest, sixteen_by_sixteen_takes_right_half_from_bytes_16_to_31) {
    set_reg(1, 0x42);
    for (int i = 0; i < 32; ++i) vdp.vram[PATTERNS + 32 + i] = 0;
    vdp.vram[PATTERNS + 32 + 2] = 0x80;        // row 2, pixel 0
    vdp.vram[PATTERNS + 32 + 16 + 2] = 0x01;   // row 2, pixel 15
    vdp.vram[PATTERNS + 32 + 16 + 15] = 0x40;  // row 15, pixel 9
    sprite(0, 9, 250, 4, 13);                  // right half off screen
    sprite(1, 59, 200, 6, 14);                 // name 6 -> 4
    frame();
    EXPECT_EQ(px(250, 12), 13);
    EXPECT_EQ(count_colour(13), 1);
    EXPECT_EQ(px(200, 62), 14);
    EXPECT_EQ(px(215, 62), 14);
    EXPECT_EQ(px(209, 75), 14);
    EXPECT_EQ(count_colour(14), 3);
}

TEST_F(VdpSpriteTest, lower_numbers_stay_in_front_and_colour_0_draws_nothing) {
    sprite(0, 10, 10, 0, 5);
    sprite(1, 10, 14, 0, 6);
    sprite(2, 60, 10, 0, 0);  // transparent in front of sprite 3
    sprite(3, 60, 14, 0, 7);
    frame();
    EXPECT_EQ(px(14, 11), 5);
    EXPECT_EQ(px(18, 11), 6);
    EXPECT_EQ(px(14, 61), 7);
    EXPECT_EQ(px(13, 61), 1);
    EXPECT_EQ(vdp.peek_status() & STATUS_COINCIDENCE, STATUS_COINCIDENCE);
}

TEST_F(VdpSpriteTest, five_on_a_row_are_all_drawn_and_the_fifth_is_reported) {
    for (int i = 0; i < 5; ++i) sprite(i, 19, static_cast<uint8_t>(i * 20), 0, static_cast<uint8_t>(2 + i));
    frame();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(count_colour(static_cast<uint8_t>(2 + i)), 64) << "sprite " << i;
    EXPECT_EQ(vdp.peek_status(), STATUS_FRAME | STATUS_FIFTH_SPRITE | 4);
}

// With the sprite limit on, the fifth and later sprites of a picture row are
// hidden on that row only; the status is what it is without the limit, and
// hidden rows still count for coincidence.
TEST_F(VdpSpriteTest, sprite_limit_hides_exactly_the_fifth_and_later_sprites_of_a_row) {
    // Sprites 0-3 on rows 20..27; sprite 4 and 5 on rows 24..31, overlapping
    // sprite 0's columns; sprite 6 alone on rows 60..67.
    for (int i = 0; i < 4; ++i) sprite(i, 19, static_cast<uint8_t>(i * 20), 0, static_cast<uint8_t>(2 + i));
    sprite(4, 23, 4, 0, 6);
    sprite(5, 23, 200, 0, 7);
    sprite(6, 59, 100, 0, 8);
    frame();
    const uint8_t status_unlimited = vdp.peek_status();
    const std::vector<uint8_t> unlimited(vdp.picture.begin(), vdp.picture.end());
    EXPECT_EQ(status_unlimited, STATUS_FRAME | STATUS_FIFTH_SPRITE | STATUS_COINCIDENCE | 4);

    vdp.set_sprite_limit(true);
    frame();
    EXPECT_EQ(vdp.peek_status(), status_unlimited);
    for (int y = 0; y < PICTURE_HEIGHT; ++y) {
        for (int x = 0; x < PICTURE_WIDTH; ++x) {
            // Rows 24..27 carry five or six sprites: 4 and 5 are not drawn there.
            const bool crowded = y >= 24 && y < 28;
            const bool sprite_4 = x >= 4 && x < 12 && y >= 24 && y < 32;
            const bool sprite_5 = x >= 200 && x < 208 && y >= 24 && y < 32;
            uint8_t want = unlimited[y * PICTURE_WIDTH + x];
            if (crowded && sprite_5) want = 1;
            if (crowded && sprite_4 && !(x < 8)) want = 1;  // columns 4..7 are sprite 0's
            ASSERT_EQ(px(x, y), want) << x << "," << y;
        }
    }
    EXPECT_EQ(px(10, 28), 6);  // below the crowded rows sprite 4 shows again
    EXPECT_EQ(px(200, 28), 7);
    EXPECT_EQ(count_colour(8), 64);

    // Sprite 5 (rows 17..24) is a fifth on rows 20..24, sprite 4 (rows
    // 24..31) on rows 24..27: they overlap only on row 24, where both are
    // hidden. The coincidence is still reported.
    sprite(3, 19, 120, 0, 5);
    sprite(4, 23, 60, 0, 6);
    sprite(5, 16, 62, 0, 7);
    sprite(6, 59, 100, 0, 8);
    vdp.set_sprite_limit(false);
    frame();
    EXPECT_EQ(vdp.peek_status(), STATUS_FRAME | STATUS_FIFTH_SPRITE | STATUS_COINCIDENCE | 5);
    vdp.set_sprite_limit(true);
    frame();
    EXPECT_EQ(vdp.peek_status(), STATUS_FRAME | STATUS_FIFTH_SPRITE | STATUS_COINCIDENCE | 5);
    EXPECT_EQ(px(62, 24), 1);
    EXPECT_EQ(px(62, 19), 7);
    EXPECT_EQ(px(62, 25), 1);
    EXPECT_EQ(px(62, 28), 6);
}

TEST_F(VdpSpriteTest, with_two_crowded_rows_the_upper_row_decides) {
    for (int i = 0; i < 5; ++i) sprite(i, 99, static_cast<uint8_t>(i * 20), 0, 2);
    for (int i = 5; i < 10; ++i) sprite(i, 49, static_cast<uint8_t>(i * 20), 0, 3);
    frame();
    EXPECT_EQ(vdp.peek_status(), STATUS_FRAME | STATUS_FIFTH_SPRITE | 9);
}

TEST_F(VdpSpriteTest, sprites_partly_above_the_picture_use_no_budget_there) {
    // Four sprites on rows -4..3 and a fifth on rows 0..7: five share rows 0..3.
    for (int i = 0; i < 4; ++i) sprite(i, 0xFB, static_cast<uint8_t>(i * 20), 0, 2);
    sprite(4, 0xFF, 100, 0, 3);
    frame();
    EXPECT_EQ(vdp.peek_status(), STATUS_FRAME | STATUS_FIFTH_SPRITE | 4);
    // Moved up so the four only cover rows above the picture: no fifth.
    for (int i = 0; i < 4; ++i) sprite(i, 0xF0, static_cast<uint8_t>(i * 20), 0, 2);
    sprite(4, 0xFF, 100, 0, 3);
    frame();
    EXPECT_EQ(vdp.peek_status(), STATUS_FRAME | 5);
}

TEST_F(VdpSpriteTest, overlapping_transparent_sprites_set_coincidence_and_draw_nothing) {
    sprite(0, 30, 30, 0, 0);
    sprite(1, 33, 35, 0, 0);
    frame();
    EXPECT_EQ(vdp.peek_status(), STATUS_FRAME | STATUS_COINCIDENCE | 2);
    EXPECT_EQ(count_colour(1), PICTURE_SIZE);
}

TEST_F(VdpSpriteTest, coincidence_counts_only_inside_the_picture) {
    sprite(0, 30, 8, 0, 0x85);   // early clock: columns -24..-17
    sprite(1, 30, 10, 0, 0x86);  // columns -22..-15: overlap off screen
    sprite(2, 190, 50, 0, 5);    // rows 191..198
    sprite(3, 191, 50, 0, 6);    // rows 192..199: overlap below the picture
    sprite(4, 100, 100, 0, 7);   // touching but not overlapping
    sprite(5, 100, 108, 0, 8);
    frame();
    EXPECT_EQ(vdp.peek_status() & STATUS_COINCIDENCE, 0);
    sprite(5, 100, 107, 0, 8);  // one column shared
    frame();
    EXPECT_EQ(vdp.peek_status() & STATUS_COINCIDENCE, STATUS_COINCIDENCE);
}

TEST_F(VdpSpriteTest, overlap_past_the_right_edge_is_no_coincidence) {
    set_reg(1, 0x42);
    for (int k = 0; k < 16; ++k) {
        vdp.vram[PATTERNS + 32 + k] = 0x00;       // left half empty
        vdp.vram[PATTERNS + 32 + 16 + k] = 0xFF;  // right half: columns 256..263
    }
    sprite(0, 30, 248, 4, 5);
    sprite(1, 35, 248, 4, 6);
    frame();
    EXPECT_EQ(vdp.peek_status() & STATUS_COINCIDENCE, 0);
    EXPECT_EQ(count_colour(5) + count_colour(6), 0);
    sprite(0, 30, 247, 4, 5);  // both reach column 255 now
    sprite(1, 35, 247, 4, 6);
    frame();
    EXPECT_EQ(vdp.peek_status() & STATUS_COINCIDENCE, STATUS_COINCIDENCE);
    EXPECT_EQ(count_colour(5), 16);  // rows 31..46
    EXPECT_EQ(count_colour(6), 5);   // rows 47..51, below sprite 0
}

TEST_F(VdpSpriteTest, all_32_sprites_without_a_fifth_give_low_bits_31) {
    for (int i = 0; i < 32; ++i) sprite(i, static_cast<uint8_t>(i * 5), static_cast<uint8_t>(i * 8), 0, 4);
    frame();
    EXPECT_EQ(vdp.peek_status(), STATUS_FRAME | 31);
    EXPECT_EQ(count_colour(4), 32 * 64);
}

TEST_F(VdpSpriteTest, sprite_pass_replaces_flags_of_the_previous_frame) {
    sprite(0, 30, 30, 0, 0);
    sprite(1, 30, 30, 0, 0);
    frame();
    EXPECT_EQ(vdp.peek_status() & STATUS_COINCIDENCE, STATUS_COINCIDENCE);
    sprite(1, 130, 30, 0, 0);
    frame();
    EXPECT_EQ(vdp.peek_status(), STATUS_FRAME | 2);
}

TEST_F(VdpSpriteTest, multicolour_mode_draws_sprites_too) {
    set_reg(1, 0x48);
    set_reg(4, 0x01);
    sprite(0, 10, 10, 0, 9);
    frame();
    EXPECT_EQ(count_colour(9), 64);
}

// --- Presentation -----------------------------------------------------------

TEST_F(VdpRenderTest, present_converts_every_pixel_through_the_palette) {
    for (int y = 0; y < PICTURE_HEIGHT; ++y) {
        for (int x = 0; x < PICTURE_WIDTH; ++x) vdp.picture[y * PICTURE_WIDTH + x] = static_cast<uint8_t>((x + y) & 15);
    }
    vdp.picture[5] = 0x32;  // only the low nibble counts
    vdp.present();
    const uint16_t rgb565[16] = {0x0000, 0x0000, 0x2648, 0x5ECF, 0x529D, 0x7B9F, 0xD289, 0x475E,
                                 0xFA8A, 0xFBCF, 0xD60A, 0xE650, 0x2587, 0xCAD7, 0xCE59, 0xFFDF};
    for (int y = 0; y < PICTURE_HEIGHT; ++y) {
        const uint16_t* row = host.surface_row(y);
        for (int x = 0; x < PICTURE_WIDTH; ++x) {
            const int index = x == 5 && y == 0 ? 2 : (x + y) & 15;
            ASSERT_EQ(row[x], rgb565[index]) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace m5
