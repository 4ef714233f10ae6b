#include "desktop/keyboard_help.h"

#include "devices/key_matrix.h"
#include "host/key_names.h"

namespace m5 {

namespace {

// The labels of the host keys that give the M5 key, joined by " or ".
std::string host_keys_for(const Controls& controls, int32_t code) {
    std::string keys;
    for (uint32_t scancode : keys_of(controls, code)) {
        const HostKey* key = host_key(scancode);
        if (key) keys += (keys.empty() ? "" : " or ") + std::string(key->label);
    }
    return keys;
}

std::string buttons_for(const Controls& controls, ControlTarget target) {
    std::string buttons;
    for (int32_t button : buttons_of(controls, target)) {
        buttons += (buttons.empty() ? "" : " or ") + gamepad_button_label(button);
    }
    return buttons;
}

}  // namespace

std::vector<HelpLine> keyboard_help_lines(const Controls& controls) {
    std::string same;
    std::vector<HelpLine> others;
    for (const M5Key& key : m5_keys()) {
        if (key.row >= KEY_ROW_COUNT) continue;  // the joystick's
        const int32_t code = virtual_key_named(key.name);
        std::string legend = target_legend({code, 0});
        std::string keys = host_keys_for(controls, code);
        const std::string buttons = buttons_for(controls, {code, 0});
        if (!buttons.empty()) keys += (keys.empty() ? "Gamepad " : "; gamepad ") + buttons;
        if (keys.empty()) keys = "None (Settings > Controls...)";
        if (keys == legend) {
            same += (same.empty() ? "" : " ") + legend;
        } else {
            others.push_back({legend, keys});
        }
    }
    std::vector<HelpLine> lines{{same, "The keys of the same name"}};
    lines.insert(lines.end(), others.begin(), others.end());
    return lines;
}

std::vector<HelpLine> joystick_help_lines(const Controls& controls) {
    // The keyboard reaches joystick 1's directions and both joysticks' fire
    // buttons through M5 keys; each gamepad drives its own joystick.
    struct Input {
        uint8_t bit;
        const char* what;
        const char* joystick_1;
        const char* joystick_2;
    };
    constexpr Input INPUTS[] = {
        {JOY_UP, "Joystick up", "UP", nullptr},       {JOY_DOWN, "Joystick down", "DOWN", nullptr},
        {JOY_LEFT, "Joystick left", "LEFT", nullptr}, {JOY_RIGHT, "Joystick right", "RIGHT", nullptr},
        {JOY_BUTTON_1, "Joystick fire 1", "1", "5"},  {JOY_BUTTON_2, "Joystick fire 2", "2", "6"},
    };
    std::vector<HelpLine> lines;
    for (const Input& input : INPUTS) {
        const std::string keys_1 = host_keys_for(controls, virtual_key_named(input.joystick_1));
        std::string keys = "Joystick 1: " + (keys_1.empty() ? std::string("none") : keys_1);
        if (input.joystick_2) {
            const std::string keys_2 = host_keys_for(controls, virtual_key_named(input.joystick_2));
            keys += "; joystick 2: " + (keys_2.empty() ? std::string("none") : keys_2);
        }
        std::string buttons = buttons_for(controls, {0, input.bit});
        if (input.bit & (JOY_UP | JOY_DOWN | JOY_LEFT | JOY_RIGHT)) {
            buttons += (buttons.empty() ? "" : " or ") + std::string("left stick");
        }
        keys += "; each gamepad, its own joystick: " + (buttons.empty() ? std::string("none") : buttons);
        lines.push_back({input.what, keys});
    }
    return lines;
}

std::vector<HelpLine> shortcut_help_lines() {
    return {
        {"Fullscreen", "F11 toggles; Escape leaves it (only while fullscreen)"},
        {"Pause", "Pause/Break (or Control > Pause); again to go on"},
        {"Reset", "F12 (or Control > Reset)"},
        {"Screenshot", "Print (or Screen > Screenshot): a PNG in your pictures folder"},
        {"Save states",
         "Shift+F1 ... Shift+F8 save to slot 1-8 of the cartridge, F1 ... F8 load it (State menu: "
         "files too; a dropped .m5s file loads)"},
        {"Rewind", "Hold Backspace to step back through the last two minutes; let go to run on"},
        {"Fast forward",
         "Hold F9 (or Control > Fast forward): the whole machine as fast as this computer goes, sound muted; the "
         "status line says \u201CFast forward\u201D with the speed reached at its right (x5.2); let go for real "
         "time"},
        {"Keys and buttons", "Settings > Controls... gives M5 keys and joystick inputs other keys or buttons"},
        {"Messages", "A click on the status line (or any key) dismisses the message shown"},
        {"Paste the selection", "Middle mouse button over the picture"},
        {"Paste the clipboard", "Control > Paste"},
        {"Open a cartridge, tape or state", "Drop the file on the window"},
    };
}

}  // namespace m5
