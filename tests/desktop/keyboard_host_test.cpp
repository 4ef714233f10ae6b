// The desktop's key path into a real Host: physical keys translated and
// tracked by KeyboardTracker, the side-specific modifier state answered from
// the tracker, as the desktop platform does.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include "desktop/key_translation.h"
#include "devices/virtual_keys.h"
#include "host/host.h"
#include "host/settings.h"
#include "host/test_platform.h"

namespace m5 {
namespace {

struct TrackedPlatform : test::TestPlatform {
    explicit TrackedPlatform(const KeyboardTracker& keys) : keys(keys) {}
    bool modifier_down(int32_t virtual_key) override { return keys.modifier_down(virtual_key); }
    const KeyboardTracker& keys;
};

class KeyboardToHost : public ::testing::Test {
protected:
    KeyboardToHost() : platform(keys) { settings.default_settings(); }

    void press(uint32_t scancode) {
        const uint8_t code = keys.press(scancode);
        if (code != 0) host.key_down(code);
    }
    void release(uint32_t scancode) {
        const uint8_t code = keys.release(scancode);
        if (code != 0) host.key_up(code);
    }
    uint8_t state(uint8_t code) const { return host.key_state()[code]; }

    KeyboardTracker keys;
    TrackedPlatform platform;
    Settings settings;
    Host host{platform, settings};
};

TEST_F(KeyboardToHost, right_shift_marks_only_the_right_side_until_released) {
    press(KEY_RIGHTSHIFT);
    EXPECT_EQ(state(VK_SHIFT), KEY_PRESS);
    EXPECT_EQ(state(VK_RSHIFT), KEY_HELD);
    EXPECT_EQ(state(VK_LSHIFT), 0);
    release(KEY_RIGHTSHIFT);
    EXPECT_EQ(state(VK_RSHIFT) & KEY_HELD, 0);
    EXPECT_EQ(state(VK_SHIFT) & KEY_HELD, 0);
}

TEST_F(KeyboardToHost, releasing_one_alt_keeps_the_other_side_held) {
    press(KEY_LEFTALT);
    press(KEY_RIGHTALT);
    EXPECT_EQ(state(VK_LMENU), KEY_HELD);
    EXPECT_EQ(state(VK_RMENU), KEY_HELD);
    release(KEY_LEFTALT);
    EXPECT_EQ(state(VK_LMENU) & KEY_HELD, 0);
    EXPECT_EQ(state(VK_RMENU), KEY_HELD);
}

TEST_F(KeyboardToHost, focus_loss_releases_every_key_still_down) {
    press(KEY_A);
    press(KEY_LEFTCTRL);
    press(KEY_UP);
    for (uint8_t code : keys.release_all()) host.key_up(code);
    for (uint8_t code : {VK_A, VK_CONTROL, VK_LCONTROL, VK_UP}) {
        EXPECT_EQ(state(code) & KEY_HELD, 0) << "code 0x" << std::hex << int(code);
    }
}

TEST_F(KeyboardToHost, arrow_keys_drive_joystick_one) {
    press(KEY_UP);
    press(KEY_RIGHT);
    host.emulate_frame();
    EXPECT_EQ(host.joy_bits()[0], JOY_UP | JOY_RIGHT);
    EXPECT_EQ(host.joy_bits()[1], 0);
    release(KEY_UP);
    release(KEY_RIGHT);
    press(KEY_DOWN);
    press(KEY_LEFT);
    for (int frame = 0; frame < 4; ++frame) host.emulate_frame();
    EXPECT_EQ(host.joy_bits()[0], JOY_DOWN | JOY_LEFT);
}

}  // namespace
}  // namespace m5
