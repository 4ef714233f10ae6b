// The text of the keyboard help window: which host key gives which M5 key on
// this program's layout, the joystick keys and buttons, and the shortcuts.
// The key lines are found from the key translation table itself, so the help
// always tells what the program does.
#pragma once

#include <string>
#include <vector>

namespace m5 {

struct HelpLine {
    std::string what;  // an M5 key, a joystick input or an action
    std::string keys;  // the host keys or buttons that give it
};

// One line for each key of the M5 keyboard, in the order of its rows.
std::vector<HelpLine> keyboard_help_lines();

// The joystick and the desktop's own shortcuts.
std::vector<HelpLine> joystick_help_lines();
std::vector<HelpLine> shortcut_help_lines();

}  // namespace m5
