#include "devices/key_matrix.h"

#include <gtest/gtest.h>

#include "devices/virtual_keys.h"
#include "support/test_host.h"

namespace m5 {
namespace {

class KeyMatrixTest : public ::testing::Test {
protected:
    void SetUp() override { matrix.init(); }
    test::TestHost host;
    KeyMatrix matrix{nullptr, &host};
};

TEST_F(KeyMatrixTest, no_key_reads_zero_on_every_row_and_all_ones_off_the_matrix) {
    for (int32_t p = 0x30; p <= 0x37; ++p) EXPECT_EQ(matrix.port_read8(p), 0x00) << p;
    EXPECT_EQ(matrix.port_read8(0x38), 0xFF);
    EXPECT_EQ(matrix.port_read8(0x2F), 0xFF);
}

TEST_F(KeyMatrixTest, host_shift_presses_both_shift_bits) {
    host.keys[VK_SHIFT] = 1;
    EXPECT_EQ(matrix.port_read8(0x30), 0x0C);
}

TEST_F(KeyMatrixTest, side_specific_shift_alone_is_not_read) {
    host.keys[VK_LSHIFT] = 1;
    host.keys[VK_RSHIFT] = 1;
    EXPECT_EQ(matrix.port_read8(0x30), 0x00);
}

TEST_F(KeyMatrixTest, two_keys_of_one_row_read_together) {
    host.keys[VK_A] = 3;
    host.keys[VK_K] = 1;
    EXPECT_EQ(matrix.port_read8(0x33), 0x81);
    EXPECT_EQ(matrix.port_read8(0x32), 0x00);
}

TEST_F(KeyMatrixTest, keys_land_on_their_row_and_bit) {
    struct Case {
        VirtualKey key;
        int32_t port;
        int32_t bits;
    };
    const Case cases[] = {
        {VK_CONTROL, 0x30, 0x01}, {VK_TAB, 0x30, 0x02},       {VK_SPACE, 0x30, 0x40},     {VK_RETURN, 0x30, 0x80},
        {VK_1, 0x31, 0x01},       {VK_8, 0x31, 0x80},         {VK_Q, 0x32, 0x01},         {VK_I, 0x32, 0x80},
        {VK_S, 0x33, 0x02},       {VK_Z, 0x34, 0x01},         {VK_OEM_COMMA, 0x34, 0x80}, {VK_9, 0x35, 0x01},
        {VK_0, 0x35, 0x02},       {VK_OEM_MINUS, 0x35, 0x04}, {VK_OEM_102, 0x35, 0x40},   {VK_OEM_5, 0x35, 0x80},
        {VK_O, 0x36, 0x01},       {VK_L, 0x36, 0x10},         {VK_OEM_PLUS, 0x36, 0x20},  {VK_OEM_6, 0x36, 0x80},
    };
    for (const Case& c : cases) {
        host.keys.fill(0);
        host.keys[c.key] = 1;
        for (int32_t p = 0x30; p <= 0x37; ++p) {
            EXPECT_EQ(matrix.port_read8(p), p == c.port ? c.bits : 0) << "key " << int(c.key) << " port " << p;
        }
    }
}

TEST_F(KeyMatrixTest, reads_follow_the_host_state_live_and_ignore_the_high_byte) {
    EXPECT_EQ(matrix.port_read8(0xA532), 0x00);
    host.keys[VK_W] = 1;
    EXPECT_EQ(matrix.port_read8(0xA532), 0x02);
    host.keys[VK_W] = 0;
    EXPECT_EQ(matrix.port_read8(0x0032), 0x00);
}

TEST_F(KeyMatrixTest, joystick_row_orders_right_up_left_down_per_stick) {
    host.joy[0] = JOY_UP | JOY_RIGHT;
    EXPECT_EQ(matrix.port_read8(0x37), 0x03);
    host.joy[0] = JOY_LEFT | JOY_DOWN;
    EXPECT_EQ(matrix.port_read8(0x37), 0x0C);
    host.joy[0] = 0;
    host.joy[1] = JOY_RIGHT | JOY_DOWN;
    EXPECT_EQ(matrix.port_read8(0x37), 0x90);
    host.joy[1] = JOY_BUTTON_1 | JOY_BUTTON_2;  // buttons are not on the joystick row
    EXPECT_EQ(matrix.port_read8(0x37), 0x00);
}

TEST_F(KeyMatrixTest, fire_buttons_join_the_digit_row) {
    host.joy[0] = JOY_BUTTON_1;
    EXPECT_EQ(matrix.port_read8(0x31), 0x01);
    host.joy[0] = JOY_BUTTON_2 | JOY_UP;
    host.joy[1] = JOY_BUTTON_1 | JOY_BUTTON_2;
    EXPECT_EQ(matrix.port_read8(0x31), 0x32);
    host.keys[VK_8] = 1;
    EXPECT_EQ(matrix.port_read8(0x31), 0xB2);
}

TEST(KeyMatrixAloneTest, without_host_no_key_is_pressed) {
    KeyMatrix matrix(nullptr, nullptr);
    EXPECT_EQ(matrix.port_read8(0x33), 0x00);
    matrix.init();
    EXPECT_EQ(matrix.port_read8(0x37), 0x00);
}

}  // namespace
}  // namespace m5
