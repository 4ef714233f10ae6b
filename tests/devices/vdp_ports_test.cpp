// The video chip's port protocol, registers, status and interrupt line.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "devices/vdp.h"

namespace m5 {
namespace {

constexpr int32_t DATA_PORT = 0x10;
constexpr int32_t CONTROL_PORT = 0x11;

// Receives the interrupt line and keeps every level it was sent.
class LineProbe final : public Component {
public:
    LineProbe() : Component(nullptr, nullptr) {}
    void signal_in(int32_t signal, uint32_t data, uint32_t mask) override {
        last_signal = signal;
        levels.push_back((data & mask) != 0 ? 1 : 0);
    }
    int32_t last_signal = -1;
    std::vector<int> levels;
};

class VdpPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        vdp.int_output.add_link(&probe, 3, 1);
        vdp.reset();
    }
    void control(uint8_t first, uint8_t second) {
        vdp.port_write8(CONTROL_PORT, first);
        vdp.port_write8(CONTROL_PORT, second);
    }
    void set_reg(int n, uint8_t value) { control(value, static_cast<uint8_t>(0x80 | n)); }
    void frame() { vdp.on_scanline(VDP_FRAME_LINE, 242); }

    Vdp vdp{nullptr, nullptr};
    LineProbe probe;
};

TEST_F(VdpPortTest, write_setup_fills_vram_from_address_zero_and_leaves_last_byte_in_read_ahead) {
    control(0x00, 0x40);
    for (int i = 0; i < 300; ++i) vdp.port_write8(DATA_PORT, (i * 7 + 3) & 0xFF);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(vdp.vram_at(i), (i * 7 + 3) & 0xFF) << "address " << i;
    EXPECT_EQ(vdp.vram_at(300), 0);
    EXPECT_EQ(vdp.read_ahead, (299 * 7 + 3) & 0xFF);
    EXPECT_EQ(vdp.address, 300);
    // The next read returns that byte, not VRAM at the address.
    EXPECT_EQ(vdp.port_read8(DATA_PORT), (299 * 7 + 3) & 0xFF);
}

TEST_F(VdpPortTest, read_setup_fetches_the_first_byte_ahead) {
    vdp.vram[0x1234] = 0xAA;
    vdp.vram[0x1235] = 0xBB;
    vdp.vram[0x1236] = 0xCC;
    vdp.vram[0x1237] = 0xDD;
    control(0x34, 0x12);
    EXPECT_EQ(vdp.address, 0x1235);  // moved on by the pre-fetch
    EXPECT_EQ(vdp.port_read8(DATA_PORT), 0xAA);
    EXPECT_EQ(vdp.port_read8(DATA_PORT), 0xBB);
    EXPECT_EQ(vdp.port_read8(DATA_PORT), 0xCC);
    // A write set-up only moves the address.
    control(0x34, 0x52);
    EXPECT_EQ(vdp.address, 0x1234);
    EXPECT_EQ(vdp.read_ahead, 0xDD);
}

TEST_F(VdpPortTest, address_wraps_from_3fff_to_zero_on_writes_reads_and_prefetch) {
    control(0xFF, 0x7F);  // write set-up at 0x3FFF
    vdp.port_write8(DATA_PORT, 0x11);
    vdp.port_write8(DATA_PORT, 0x22);
    EXPECT_EQ(vdp.vram_at(0x3FFF), 0x11);
    EXPECT_EQ(vdp.vram_at(0x0000), 0x22);
    EXPECT_EQ(vdp.address, 1);

    control(0xFF, 0x3F);  // read set-up at 0x3FFF: pre-fetch wraps
    EXPECT_EQ(vdp.address, 0);
    EXPECT_EQ(vdp.port_read8(DATA_PORT), 0x11);
    EXPECT_EQ(vdp.port_read8(DATA_PORT), 0x22);
}

TEST_F(VdpPortTest, lone_control_byte_is_discarded_by_a_data_access) {
    vdp.port_write8(CONTROL_PORT, 0x12);
    vdp.port_write8(DATA_PORT, 0x99);  // drops the held byte
    control(0x34, 0x87);               // a fresh pair: R7 = 0x34
    EXPECT_EQ(vdp.reg(7), 0x34);

    vdp.port_write8(CONTROL_PORT, 0x56);
    vdp.port_read8(DATA_PORT);
    control(0x07, 0x82);
    EXPECT_EQ(vdp.reg(2), 0x07);

    vdp.port_write8(CONTROL_PORT, 0x56);
    vdp.port_read8(CONTROL_PORT);  // a status read drops it too
    control(0x01, 0x82);
    EXPECT_EQ(vdp.reg(2), 0x01);
}

TEST_F(VdpPortTest, first_control_byte_does_not_move_the_address) {
    control(0x00, 0x50);
    vdp.port_write8(CONTROL_PORT, 0xAB);
    EXPECT_EQ(vdp.address, 0x1000);
    EXPECT_TRUE(vdp.latch_full);
}

TEST_F(VdpPortTest, register_number_aliases_on_low_three_bits_and_values_are_masked) {
    control(0x5A, 0x8F);
    EXPECT_EQ(vdp.reg(7), 0x5A);
    control(0x3C, 0xF9);
    EXPECT_EQ(vdp.reg(1), 0x38);  // bit 2 is not kept
    const uint8_t expected[8] = {0x03, 0xFB, 0x0F, 0xFF, 0x07, 0x7F, 0x07, 0xFF};
    for (int n = 0; n < 8; ++n) {
        set_reg(n, 0xFF);
        EXPECT_EQ(vdp.reg(n), expected[n]) << "R" << n;
    }
}

TEST_F(VdpPortTest, table_bases_follow_their_registers_outside_graphics_2) {
    set_reg(2, 0x0F);
    set_reg(3, 0xFF);
    set_reg(4, 0x07);
    set_reg(5, 0x7F);
    set_reg(6, 0x07);
    EXPECT_EQ(vdp.name_base, 0x3C00);
    EXPECT_EQ(vdp.colour_base, 0x3FC0);
    EXPECT_EQ(vdp.pattern_base, 0x3800);
    EXPECT_EQ(vdp.sprite_attr_base, 0x3F80);
    EXPECT_EQ(vdp.sprite_pattern_base, 0x3800);
    set_reg(3, 0x2C);
    EXPECT_EQ(vdp.colour_base, 0x0B00);
}

TEST_F(VdpPortTest, graphics_2_tables_take_bases_from_top_bits_and_masks_from_the_rest) {
    set_reg(3, 0xFF);
    set_reg(4, 0x07);
    set_reg(0, 0x02);  // entering Graphics II recomputes both tables
    EXPECT_EQ(vdp.colour_base, 0x2000);
    EXPECT_EQ(vdp.colour_mask, 0x3FF);
    EXPECT_EQ(vdp.pattern_base, 0x2000);
    EXPECT_EQ(vdp.pattern_mask, 0x3FF);

    set_reg(3, 0x1F);
    EXPECT_EQ(vdp.colour_base, 0x0000);
    EXPECT_EQ(vdp.colour_mask, 0x0FF);
    EXPECT_EQ(vdp.pattern_mask, 0x3FF);

    set_reg(0, 0x00);  // leaving it: plain bases, masks kept
    EXPECT_EQ(vdp.colour_base, 0x07C0);
    EXPECT_EQ(vdp.pattern_base, 0x3800);
    EXPECT_EQ(vdp.colour_mask, 0x0FF);
}

// The Graphics II masks follow R3 and R4 as they stand, whichever of R0, R3
// and R4 was written last: pattern mask = (R4 bits 1-0) << 8 OR the low 8
// bits of the colour mask ((R3 bits 6-0) << 3 OR 7).
TEST_F(VdpPortTest, graphics_2_masks_do_not_depend_on_the_order_of_the_writes) {
    std::vector<int> order = {0, 3, 4};
    const uint8_t value[8] = {0x02, 0, 0, 0x80, 0x03};
    do {
        vdp.reset();
        set_reg(3, 0x55);  // earlier values the last writes replace
        set_reg(4, 0x00);
        for (int reg : order) set_reg(reg, value[reg]);
        const uint16_t colour_mask = ((0x80 & 0x7F) << 3) | 7;
        EXPECT_EQ(vdp.colour_mask, colour_mask);
        EXPECT_EQ(vdp.pattern_mask, ((0x03 & 3) << 8) | (colour_mask & 0xFF));
        EXPECT_EQ(vdp.colour_base, 0x2000);
        EXPECT_EQ(vdp.pattern_base, 0x0000);
    } while (std::next_permutation(order.begin(), order.end()));
}

// Reading the status clears the frame, fifth-sprite and coincidence flags;
// the fifth-sprite number stays until the next frame.
TEST_F(VdpPortTest, status_read_clears_the_flags_and_keeps_the_sprite_number) {
    // VRAM all 0: 32 blank sprites at (0, 1), so sprite 4 is the fifth on row 1.
    set_reg(1, 0x40);
    frame();
    EXPECT_EQ(vdp.port_read8(CONTROL_PORT), STATUS_FRAME | STATUS_FIFTH_SPRITE | 4);
    EXPECT_EQ(vdp.port_read8(CONTROL_PORT), 4);
    EXPECT_EQ(vdp.peek_status(), 4);
}

TEST_F(VdpPortTest, frame_raises_the_line_once_until_the_status_is_read) {
    set_reg(1, 0x20);
    vdp.on_scanline(191, 242);
    vdp.on_scanline(193, 242);
    EXPECT_TRUE(probe.levels.empty());
    frame();
    ASSERT_EQ(probe.levels, (std::vector<int>{1}));
    EXPECT_EQ(probe.last_signal, 3);
    frame();  // still high: nothing sent
    EXPECT_EQ(probe.levels.size(), 1u);
    vdp.port_read8(CONTROL_PORT);
    EXPECT_EQ(probe.levels, (std::vector<int>{1, 0}));
    vdp.port_read8(CONTROL_PORT);  // already low
    EXPECT_EQ(probe.levels.size(), 2u);
    frame();
    EXPECT_EQ(probe.levels, (std::vector<int>{1, 0, 1}));
}

TEST_F(VdpPortTest, enabling_the_interrupt_with_the_frame_flag_set_raises_the_line_at_once) {
    frame();  // interrupt disabled: flag only
    EXPECT_TRUE(probe.levels.empty());
    EXPECT_EQ(vdp.peek_status() & STATUS_FRAME, STATUS_FRAME);
    set_reg(1, 0x20);
    EXPECT_EQ(probe.levels, (std::vector<int>{1}));
    set_reg(1, 0x00);  // disabling drops it again
    EXPECT_EQ(probe.levels, (std::vector<int>{1, 0}));
    set_reg(1, 0x20);
    vdp.port_read8(CONTROL_PORT);
    EXPECT_EQ(probe.levels, (std::vector<int>{1, 0, 1, 0}));
    set_reg(1, 0x20);  // flag cleared by the read: nothing
    EXPECT_EQ(probe.levels.size(), 4u);
}

TEST_F(VdpPortTest, disabled_display_gives_the_backdrop_and_keeps_flag_interrupt_and_low_bits) {
    set_reg(1, 0x40);
    frame();  // sprite pass: fifth sprite 4
    vdp.port_read8(CONTROL_PORT);
    for (uint8_t backdrop : {0x04, 0x00, 0x0F}) {
        vdp.picture.fill(9);
        set_reg(7, static_cast<uint8_t>(0xE0 | backdrop));
        set_reg(1, 0x20);  // interrupt on, display off
        frame();
        for (int i = 0; i < PICTURE_SIZE; ++i) ASSERT_EQ(vdp.picture[i], backdrop) << "pixel " << i;
        EXPECT_EQ(vdp.peek_status(), STATUS_FRAME | 4);
        vdp.port_read8(CONTROL_PORT);
    }
    EXPECT_EQ(probe.levels, (std::vector<int>{1, 0, 1, 0, 1, 0}));
}

TEST_F(VdpPortTest, reset_clears_state_without_sending_and_keeps_the_picture) {
    control(0x00, 0x40);
    vdp.port_write8(DATA_PORT, 0x77);
    set_reg(2, 0x05);
    set_reg(1, 0x20);
    frame();
    vdp.picture[100] = 7;
    vdp.port_write8(CONTROL_PORT, 0x44);
    const size_t sent = probe.levels.size();
    vdp.reset();
    EXPECT_EQ(probe.levels.size(), sent);
    EXPECT_EQ(vdp.vram_at(0), 0);
    EXPECT_EQ(vdp.reg(1), 0);
    EXPECT_EQ(vdp.name_base, 0);
    EXPECT_EQ(vdp.peek_status(), 0);
    EXPECT_EQ(vdp.address, 0);
    EXPECT_FALSE(vdp.latch_full);
    EXPECT_EQ(vdp.int_level, 0);
    EXPECT_EQ(vdp.picture[100], 7);
}

}  // namespace
}  // namespace m5
