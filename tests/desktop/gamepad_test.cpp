// Game controllers into a real Host, checked where the emulated program reads
// them (the joystick row, port 0x37, and the fire buttons in row 1, port
// 0x31). The controllers are SDL virtual joysticks, so no hardware and no
// display are needed.
#include "desktop/gamepad.h"

#include <gtest/gtest.h>

#include <vector>

#include "desktop/desktop_choices.h"
#include "desktop/sdl_sound.h"
#include "devices/virtual_keys.h"
#include "hand_edit.h"
#include "host/host.h"
#include "host/settings.h"
#include "host/test_platform.h"
#include "m5/machine.h"
#include "memory/io_bus.h"

namespace m5 {
namespace {

class GamepadToHost : public ::testing::Test {
protected:
    GamepadToHost() { settings.default_settings(); }
    ~GamepadToHost() override {
        for (SDL_Joystick* pad : attached) {
            if (pad) SDL_JoystickClose(pad);
        }
    }

    void SetUp() override {
        ASSERT_TRUE(gamepads.ready()) << SDL_GetError();
        if (SDL_NumJoysticks() > 0) GTEST_SKIP() << "a real joystick is attached; the test needs only virtual ones";
    }

    // A virtual controller with SDL's standard buttons and axes; returns its
    // position in `attached`.
    size_t attach_pad() {
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                    SDL_CONTROLLER_BUTTON_MAX, 0);
        EXPECT_GE(index, 0) << SDL_GetError();
        attached.push_back(SDL_JoystickOpen(index));
        return attached.size() - 1;
    }
    void detach_pad(size_t pad) {
        const SDL_JoystickID id = instance(pad);
        SDL_JoystickClose(attached[pad]);
        attached[pad] = nullptr;
        for (int index = 0; index < SDL_NumJoysticks(); ++index) {
            if (SDL_JoystickGetDeviceInstanceID(index) == id) SDL_JoystickDetachVirtual(index);
        }
    }
    SDL_JoystickID instance(size_t pad) { return SDL_JoystickInstanceID(attached[pad]); }
    void button(size_t pad, SDL_GameControllerButton b, bool down) {
        SDL_JoystickSetVirtualButton(attached[pad], b, down ? 1 : 0);
    }
    void axis(size_t pad, SDL_GameControllerAxis a, int16_t value) {
        SDL_JoystickSetVirtualAxis(attached[pad], a, value);
    }
    // One main-loop pass: the controllers are polled, then a frame runs.
    void frame() {
        gamepads.poll(host);
        host.emulate_frame();
    }
    int32_t port(int32_t p) { return host.machine().io_bus->port_read8(p); }

    test::TestPlatform platform;
    Settings settings;
    Host host{platform, settings};
    Gamepads gamepads;
    std::vector<SDL_Joystick*> attached;
};

TEST_F(GamepadToHost, two_pads_reach_the_joystick_row_and_fire_buttons_alongside_the_arrow_keys) {
    const size_t first = attach_pad();
    const size_t second = attach_pad();
    frame();
    EXPECT_EQ(gamepads.instance_of(0), instance(first));
    EXPECT_EQ(gamepads.instance_of(1), instance(second));
    EXPECT_EQ(port(0x37), 0x00);
    EXPECT_EQ(port(0x31), 0x00);

    // First pad: d-pad up, stick right, both buttons; an arrow key adds left.
    button(first, SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    axis(first, SDL_CONTROLLER_AXIS_LEFTX, 20000);
    button(first, SDL_CONTROLLER_BUTTON_A, true);
    button(first, SDL_CONTROLLER_BUTTON_B, true);
    host.key_down(VK_LEFT);
    // Second pad: stick down and left, the first button.
    axis(second, SDL_CONTROLLER_AXIS_LEFTX, -32768);
    axis(second, SDL_CONTROLLER_AXIS_LEFTY, 30000);
    button(second, SDL_CONTROLLER_BUTTON_A, true);
    frame();
    // Row order per joystick: right, up, left, down.
    EXPECT_EQ(port(0x37), 0x07 | 0xC0);
    EXPECT_EQ(port(0x31), 0x03 | 0x10);

    // A small push upwards stays inside the dead zone.
    axis(second, SDL_CONTROLLER_AXIS_LEFTX, 0);
    axis(second, SDL_CONTROLLER_AXIS_LEFTY, -4000);
    button(second, SDL_CONTROLLER_BUTTON_A, false);
    button(second, SDL_CONTROLLER_BUTTON_B, true);
    button(second, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
    frame();
    EXPECT_EQ(port(0x37), 0x07 | 0x10);
    EXPECT_EQ(port(0x31), 0x03 | 0x20);
}

TEST_F(GamepadToHost, a_press_released_before_the_next_poll_is_still_seen_by_one_frame) {
    const size_t pad = attach_pad();
    frame();
    button(pad, SDL_CONTROLLER_BUTTON_A, true);
    button(pad, SDL_CONTROLLER_BUTTON_X, true);
    SDL_GameControllerUpdate();
    button(pad, SDL_CONTROLLER_BUTTON_A, false);
    button(pad, SDL_CONTROLLER_BUTTON_X, false);
    SDL_GameControllerUpdate();
    frame();
    EXPECT_EQ(port(0x31), 0x01);
    EXPECT_EQ(port(0x30) & 0x40, 0x40);  // X gives the space bar
    frame();
    EXPECT_EQ(port(0x31), 0x00);
    EXPECT_EQ(host.key_state()[VK_SPACE] & KEY_HELD, 0);
}

TEST_F(GamepadToHost, a_press_taken_for_the_controls_dialog_is_told_once_and_goes_to_no_joystick) {
    const size_t pad = attach_pad();
    frame();
    EXPECT_EQ(gamepads.take_button_press(), -1);
    button(pad, SDL_CONTROLLER_BUTTON_Y, true);
    EXPECT_EQ(gamepads.take_button_press(), SDL_CONTROLLER_BUTTON_Y);
    EXPECT_EQ(gamepads.take_button_press(), -1);
    button(pad, SDL_CONTROLLER_BUTTON_Y, false);
    // Pressed and released between two looks: still told.
    button(pad, SDL_CONTROLLER_BUTTON_A, true);
    SDL_GameControllerUpdate();
    button(pad, SDL_CONTROLLER_BUTTON_A, false);
    EXPECT_EQ(gamepads.take_button_press(), SDL_CONTROLLER_BUTTON_A);
    frame();
    EXPECT_EQ(port(0x31), 0x00);
}

TEST_F(GamepadToHost, a_removed_pad_frees_its_joystick_for_a_waiting_one) {
    const size_t first = attach_pad();
    const size_t second = attach_pad();
    const size_t third = attach_pad();
    button(first, SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
    button(third, SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    frame();
    EXPECT_EQ(port(0x37), 0x08);  // the third pad drives nothing yet

    detach_pad(first);
    frame();
    EXPECT_EQ(gamepads.instance_of(0), instance(third));
    EXPECT_EQ(gamepads.instance_of(1), instance(second));
    EXPECT_EQ(port(0x37), 0x02);

    detach_pad(third);
    frame();
    EXPECT_EQ(gamepads.instance_of(0), -1);
    EXPECT_EQ(port(0x37), 0x00);
}

TEST_F(GamepadToHost, opening_and_closing_the_sound_output_leaves_the_pads_working) {
    const size_t pad = attach_pad();
    frame();
    SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    SdlSound sound;
    EXPECT_TRUE(sound.open(48000, 4800)) << SDL_GetError();
    sound.close();
    button(pad, SDL_CONTROLLER_BUTTON_A, true);
    frame();
    EXPECT_EQ(gamepads.instance_of(0), instance(pad));
    EXPECT_EQ(port(0x31), 0x01);
}

// Without a [Gamepad] group the defaults hold and are written for the user to
// see; with one, it alone decides what each button gives.
TEST(GamepadMappingChoice, the_choices_file_group_decides_the_mapping) {
    DesktopChoices choices;
    const GamepadMapping defaults = load_gamepad_mapping(choices);
    EXPECT_EQ(defaults.joystick_bits[SDL_CONTROLLER_BUTTON_A], JOY_BUTTON_1);
    EXPECT_EQ(choices.value("Gamepad", "a"), "fire1");
    EXPECT_EQ(choices.value("Gamepad", "dpleft"), "left");
    EXPECT_EQ(choices.value("Gamepad", "x"), "space");

    DesktopChoices edited;
    test::hand_edit(
        edited, "Gamepad",
        {{"a", "fire2"}, {"dpup", "LEFT"}, {"y", "return"}, {"start", "no such key"}, {"dead_zone", "1000"}});
    const GamepadMapping m = load_gamepad_mapping(edited);
    EXPECT_EQ(m.joystick_bits[SDL_CONTROLLER_BUTTON_A], JOY_BUTTON_2);
    EXPECT_EQ(m.joystick_bits[SDL_CONTROLLER_BUTTON_DPAD_UP], JOY_LEFT);
    EXPECT_EQ(m.joystick_bits[SDL_CONTROLLER_BUTTON_B], 0);  // not listed: nothing
    EXPECT_EQ(m.keys[SDL_CONTROLLER_BUTTON_Y], VK_RETURN);
    EXPECT_EQ(m.keys[SDL_CONTROLLER_BUTTON_X], 0);
    EXPECT_EQ(m.keys[SDL_CONTROLLER_BUTTON_START], 0);
    EXPECT_EQ(m.dead_zone, 1000);
}

}  // namespace
}  // namespace m5
