// The keys and buttons of Settings / Controls...: kept in m5emu.conf and
// read back, reset, refused for the window's own keys, taken from the key or
// button they had, followed by the key tracker and told by the keyboard help.
#include "desktop/controls.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <fstream>
#include <sstream>

#include "desktop/desktop_choices.h"
#include "desktop/keyboard_help.h"
#include "devices/virtual_keys.h"
#include "hand_edit.h"
#include "support/temp_dir.h"

namespace m5 {
namespace {

std::string help_keys(const std::vector<HelpLine>& lines, const std::string& what) {
    for (const HelpLine& line : lines) {
        if (line.what == what) return line.keys;
    }
    return "(no line)";
}

TEST(Controls, a_change_is_kept_in_the_choices_file_and_reset_brings_back_the_built_in_layout) {
    test::TempDir temp;
    const std::string path = temp.file("m5emu.conf");

    // A first run writes the built-in layout for the user to see.
    DesktopChoices first;
    Controls controls = load_controls(first);
    EXPECT_EQ(controls, Controls{});
    EXPECT_EQ(first.value("Keyboard", "leftbrace"), "AT");
    EXPECT_EQ(first.value("Keyboard", "kpenter"), "RETURN");
    EXPECT_EQ(first.value("Gamepad", "a"), "fire1");

    // Home gives Q instead of the Q key; button Y gives fire 2 instead of B.
    const ControlChange key = assign_key(controls, KEY_HOME, VK_Q);
    EXPECT_TRUE(key.done);
    EXPECT_EQ(key.message, "Home now gives Q. Q gives nothing now.");
    EXPECT_EQ(keys_of(controls, VK_Q), std::vector<uint32_t>{KEY_HOME});
    const ControlChange button = assign_button(controls, SDL_CONTROLLER_BUTTON_Y, {0, JOY_BUTTON_2});
    EXPECT_TRUE(button.done);
    EXPECT_EQ(buttons_of(controls, {0, JOY_BUTTON_2}), std::vector<int32_t>{SDL_CONTROLLER_BUTTON_Y});
    EXPECT_EQ(controls.gamepad.joystick_bits[SDL_CONTROLLER_BUTTON_B], 0);

    // The keyboard help tells the keys in use.
    EXPECT_EQ(help_keys(keyboard_help_lines(controls), "Q"), "Home");
    EXPECT_NE(help_keys(joystick_help_lines(controls), "Joystick fire 2").find("its own joystick: Y"),
              std::string::npos);

    save_controls(controls, first);
    ASSERT_TRUE(first.save(path));
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    EXPECT_NE(text.str().find("home=Q\n"), std::string::npos);
    EXPECT_NE(text.str().find("q=none\n"), std::string::npos);
    DesktopChoices again;
    again.load(path);
    EXPECT_EQ(load_controls(again), controls);

    // Reset to defaults, kept the same way.
    save_controls(Controls{}, again);
    ASSERT_TRUE(again.save(path));
    DesktopChoices reset;
    reset.load(path);
    EXPECT_EQ(load_controls(reset), Controls{});
    EXPECT_EQ(reset.value("Keyboard", "home"), "");
}

TEST(Controls, hand_edits_the_window_keys_and_taken_keys) {
    // Lines of a hand-edited group: a window key and unknown names are
    // ignored, "shift" is the M5's left one, and an unlisted key gives nothing.
    DesktopChoices edited;
    test::hand_edit(
        edited, "Keyboard",
        {{"f5", "Q"}, {"backspace", "W"}, {"capslock", "shift"}, {"z", "no such key"}, {"x", "none"}, {"A", "space"}});
    Controls hand = load_controls(edited);
    KeyMap expected{};
    expected[KEY_CAPSLOCK] = VK_LSHIFT;
    expected[KEY_A] = VK_SPACE;
    EXPECT_EQ(hand.keys, expected);
    save_controls(hand, edited);
    EXPECT_EQ(edited.value("Keyboard", "A"), "");  // written by its own name
    EXPECT_EQ(edited.value("Keyboard", "a"), "SPACE");

    // Every key the window keeps is refused and changes nothing; no such key
    // is offered as a host key.
    Controls controls;
    for (uint32_t scancode = 0; scancode < 256; ++scancode) {
        if (reserved_key_use(scancode).empty()) continue;
        EXPECT_FALSE(assign_key(controls, scancode, VK_Q).done) << scancode;
        EXPECT_EQ(host_key(scancode), nullptr) << scancode;
    }
    EXPECT_EQ(controls, Controls{});
    EXPECT_EQ(assign_key(controls, KEY_F5, VK_Q).message,
              "F5 loads quick slot 5 and Shift+F5 saves it: it stays with the emulator. Choose another key.");
    EXPECT_FALSE(assign_key(controls, 250, VK_Q).done);
    EXPECT_FALSE(assign_key(controls, KEY_Q, VK_F1).done);  // not an M5 key
    EXPECT_EQ(controls, Controls{});

    // A key taken from another M5 key leaves that one without a key; both
    // Return keys go when Return gets another.
    EXPECT_EQ(assign_key(controls, KEY_Z, VK_W).message, "Z now gives W. W gives nothing now. Z has no key now.");
    EXPECT_EQ(assign_key(controls, KEY_INSERT, VK_RETURN).message,
              "Insert now gives RETURN. Enter, Keypad Enter give nothing now.");
    EXPECT_EQ(help_keys(keyboard_help_lines(controls), "Z"), "None (Settings > Controls...)");
    EXPECT_EQ(assign_button(controls, SDL_CONTROLLER_BUTTON_A, {VK_Z, 0}).message,
              "Button A now gives Z. Joystick fire 1 has no button now.");

    // The tracker follows the map: the new keys press their M5 keys, the old
    // ones nothing; a key given the right Shift is that side's.
    controls.keys[KEY_CAPSLOCK] = VK_RSHIFT;
    KeyboardTracker tracker;
    tracker.set_key_map(controls.keys);
    EXPECT_EQ(tracker.press(KEY_INSERT), VK_RETURN);
    EXPECT_EQ(tracker.press(KEY_ENTER), 0);
    EXPECT_EQ(tracker.press(KEY_CAPSLOCK), VK_SHIFT);
    EXPECT_TRUE(tracker.modifier_down(VK_RSHIFT));
    EXPECT_FALSE(tracker.modifier_down(VK_LSHIFT));
    EXPECT_EQ(tracker.press(KEY_F10), VK_F10);  // a key the M5 lacks keeps its code
}

}  // namespace
}  // namespace m5
