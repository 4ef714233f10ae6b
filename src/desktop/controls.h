// Controls: which host key or gamepad button gives which M5 key or joystick
// input, as Settings / Controls... shows and changes it and m5emu.conf keeps
// it. No toolkit here: the dialog (controls_dialog.h) only draws it.
//
// m5emu.conf keeps the keyboard in its [Keyboard] group as it keeps the
// gamepad buttons in [Gamepad] (gamepad.h): one key per physical key, by its
// name (host_keys(): "q", "leftbrace", "kpenter", ...), naming the M5 key it
// presses by the host's key table (key_names.h: Q, AT, RETURN, LSHIFT, ...)
// or none. A physical key the group does not list presses nothing; without
// the group the built-in layout holds and is written into it, so that the
// file shows it. The keys the window keeps for itself (F1..F9, F11, F12,
// Escape, Backspace, Pause, Print) are not physical keys of that list: a
// line for one is ignored, and the dialog refuses them.
//
// Each M5 key or joystick input has any number of host keys and buttons; a
// host key or button gives one thing. Giving a key to an M5 key takes it
// from the M5 key it pressed before and replaces the keys the M5 key had,
// and the same for buttons; what that leaves without a key is said.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/gamepad.h"
#include "desktop/key_translation.h"

namespace m5 {

class DesktopChoices;

struct Controls {
    KeyMap keys = default_key_map();
    GamepadMapping gamepad = default_gamepad_mapping();

    bool operator==(const Controls&) const = default;
};

// Both groups of m5emu.conf (see above); a group that is absent is written
// with the built-in mapping.
Controls load_controls(DesktopChoices& choices);
void save_controls(const Controls& controls, DesktopChoices& choices);

// What an M5 key or joystick input is for the dialog: an M5 key by its
// virtual-key code as a KeyMap holds it, or the joystick bit each gamepad
// gives its own joystick (JOY_UP ... JOY_BUTTON_2).
struct ControlTarget {
    int32_t m5_key = 0;
    uint8_t joystick = 0;

    bool operator==(const ControlTarget&) const = default;
};

// The legend of an M5 key as printed on it ("@", "FUNC", "SHIFT (left)",
// "\u2191" for the joystick's up), or of a joystick input ("up", "fire 1").
std::string target_legend(ControlTarget target);

// The host keys that press the M5 key, in scan code order, and the buttons
// that give the target.
std::vector<uint32_t> keys_of(const Controls& controls, int32_t m5_key);
std::vector<int32_t> buttons_of(const Controls& controls, ControlTarget target);

// What the window does with a key instead of handing it to the M5 ("loads
// quick slot 5; Shift+F5 saves it"); "" for a key the M5 may have.
std::string reserved_key_use(uint32_t scancode);

struct ControlChange {
    bool done = false;
    std::string message;  // what happened, or why nothing did
};

// The physical key now presses the M5 key, instead of the keys it had;
// refused for the window's keys and keys without a name.
ControlChange assign_key(Controls& controls, uint32_t scancode, int32_t m5_key);
// The button now gives the target, instead of the buttons it had.
ControlChange assign_button(Controls& controls, int32_t button, ControlTarget target);

}  // namespace m5
