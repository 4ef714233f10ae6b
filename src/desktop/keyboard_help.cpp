#include "desktop/keyboard_help.h"

#include <linux/input-event-codes.h>

#include <array>

#include "desktop/key_translation.h"
#include "devices/key_matrix.h"

namespace m5 {

namespace {

// The legends of the M5's keys, by row and bit as the keyboard matrix reads
// them; "" for a bit with no key.
constexpr std::array<std::array<const char*, 8>, KEY_ROW_COUNT> M5_LEGENDS = {{
    {"CTRL", "FUNC", "SHIFT (left)", "SHIFT (right)", "", "", "SPACE", "RETURN"},
    {"1", "2", "3", "4", "5", "6", "7", "8"},
    {"Q", "W", "E", "R", "T", "Y", "U", "I"},
    {"A", "S", "D", "F", "G", "H", "J", "K"},
    {"Z", "X", "C", "V", "B", "N", "M", ","},
    {"9", "0", "-", "^", ".", "/", "_", "\u00A5 (yen)"},
    {"O", "P", "@", "[", "L", ";", ":", "]"},
}};

// Names of the host keys that can give an M5 key, by evdev scan code.
const char* host_key_name(uint32_t scancode) {
    static constexpr const char* LETTERS_Q[] = {"Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P"};
    static constexpr const char* LETTERS_A[] = {"A", "S", "D", "F", "G", "H", "J", "K", "L"};
    static constexpr const char* LETTERS_Z[] = {"Z", "X", "C", "V", "B", "N", "M"};
    static constexpr const char* DIGITS[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"};
    if (scancode >= KEY_1 && scancode <= KEY_0) return DIGITS[scancode - KEY_1];
    if (scancode >= KEY_Q && scancode <= KEY_P) return LETTERS_Q[scancode - KEY_Q];
    if (scancode >= KEY_A && scancode <= KEY_L) return LETTERS_A[scancode - KEY_A];
    if (scancode >= KEY_Z && scancode <= KEY_M) return LETTERS_Z[scancode - KEY_Z];
    switch (scancode) {
        case KEY_LEFTCTRL: return "Left Ctrl";
        case KEY_RIGHTCTRL: return "Right Ctrl";
        case KEY_TAB: return "Tab";
        case KEY_LEFTSHIFT: return "Left Shift";
        case KEY_RIGHTSHIFT: return "Right Shift";
        case KEY_SPACE: return "Space";
        case KEY_ENTER: return "Enter";
        case KEY_KPENTER: return "Keypad Enter";
        case KEY_MINUS: return "- (right of 0)";
        case KEY_EQUAL: return "= (left of Backspace)";
        case KEY_LEFTBRACE: return "[ (right of P)";
        case KEY_RIGHTBRACE: return "] (second right of P)";
        case KEY_SEMICOLON: return "; (right of L)";
        case KEY_APOSTROPHE: return "' (second right of L)";
        case KEY_BACKSLASH: return "\\ or # (third right of L)";
        case KEY_GRAVE: return "` (left of 1)";
        case KEY_YEN: return "Yen";
        case KEY_102ND: return "< > (beside Left Shift)";
        case KEY_RO: return "Ro (left of Right Shift)";
        case KEY_COMMA: return ",";
        case KEY_DOT: return ".";
        case KEY_SLASH: return "/";
        default: return nullptr;
    }
}

// The named host keys that give the virtual-key code, joined by " or ".
std::string host_keys_for(VirtualKey code) {
    std::string keys;
    for (uint32_t scancode = 0; scancode < 256; ++scancode) {
        if (virtual_key_for_scancode(scancode) != code) continue;
        const char* name = host_key_name(scancode);
        if (!name) continue;
        keys += (keys.empty() ? "" : " or ") + std::string(name);
    }
    return keys;
}

}  // namespace

std::vector<HelpLine> keyboard_help_lines() {
    // Keys whose host key has the same legend are named together first.
    std::string same;
    std::vector<HelpLine> others;
    for (int32_t row = 0; row < KEY_ROW_COUNT; ++row) {
        for (int32_t bit = 0; bit < 8; ++bit) {
            const std::string legend = M5_LEGENDS[static_cast<size_t>(row)][static_cast<size_t>(bit)];
            const VirtualKey code = KEY_ROWS[row][bit];
            if (legend.empty()) continue;
            if (code == VK_SHIFT) {
                // One host Shift presses both of the M5's: one line for both.
                if (bit == 2) others.push_back({"SHIFT", "Left Shift or Right Shift"});
                continue;
            }
            const std::string keys = host_keys_for(code);
            if (keys == legend) {
                same += (same.empty() ? "" : " ") + legend;
            } else {
                others.push_back({legend, keys});
            }
        }
    }
    std::vector<HelpLine> lines{{same, "The keys of the same name"}};
    lines.insert(lines.end(), others.begin(), others.end());
    return lines;
}

std::vector<HelpLine> joystick_help_lines() {
    return {
        {"Joystick 1 directions", "Arrow keys; the first gamepad's d-pad or left stick"},
        {"Joystick 1 fire", "1 and 2; the first gamepad's A and B buttons"},
        {"Joystick 2", "The second gamepad (fire also 5 and 6)"},
    };
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
        {"Fast forward", "Hold F9 (or Control > Fast forward): as fast as this computer goes, sound muted"},
        {"Messages", "A click on the status line (or any key) dismisses the message shown"},
        {"Paste the selection", "Middle mouse button over the picture"},
        {"Paste the clipboard", "Control > Paste"},
        {"Open a cartridge, tape or state", "Drop the file on the window"},
    };
}

}  // namespace m5
