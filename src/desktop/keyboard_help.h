// The text of the keyboard help window: which host key gives which M5 key,
// the joystick keys and buttons, and the shortcuts. The key and joystick
// lines are found from the controls in use (controls.h), the ones the
// Controls dialog shows, so the help always tells what the program does.
#pragma once

#include <string>
#include <vector>

#include "desktop/controls.h"

namespace m5 {

struct HelpLine {
    std::string what;  // an M5 key, a joystick input or an action
    std::string keys;  // the host keys or buttons that give it
};

// One line for each key of the M5 keyboard, in the order of its rows (the
// keys whose host key has the same legend together in the first).
std::vector<HelpLine> keyboard_help_lines(const Controls& controls = {});

// The joystick inputs, and the desktop's own shortcuts.
std::vector<HelpLine> joystick_help_lines(const Controls& controls = {});
std::vector<HelpLine> shortcut_help_lines();

}  // namespace m5
