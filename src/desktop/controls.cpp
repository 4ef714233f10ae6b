#include "desktop/controls.h"

#include <linux/input-event-codes.h>

#include <array>
#include <utility>

#include "desktop/desktop_choices.h"
#include "devices/key_matrix.h"
#include "devices/virtual_keys.h"
#include "host/key_names.h"

namespace m5 {

namespace {

constexpr const char* KEYBOARD_GROUP = "Keyboard";

// The legends of the M5's keys, by row and bit as the keyboard matrix reads
// them; "" for a bit with no key. Row 7 is the joystick's.
constexpr std::array<std::array<const char*, 8>, KEY_ROW_COUNT + 1> M5_LEGENDS = {{
    {"CTRL", "FUNC", "SHIFT (left)", "SHIFT (right)", "", "", "SPACE", "RETURN"},
    {"1", "2", "3", "4", "5", "6", "7", "8"},
    {"Q", "W", "E", "R", "T", "Y", "U", "I"},
    {"A", "S", "D", "F", "G", "H", "J", "K"},
    {"Z", "X", "C", "V", "B", "N", "M", ","},
    {"9", "0", "-", "^", ".", "/", "_", "\u00A5 (yen)"},
    {"O", "P", "@", "[", "L", ";", ":", "]"},
    {"joystick 1 right", "joystick 1 up", "joystick 1 left", "joystick 1 down", "", "", "", ""},
}};

constexpr std::pair<uint8_t, const char*> JOYSTICK_LEGENDS[] = {
    {JOY_UP, "joystick up"},       {JOY_DOWN, "joystick down"},       {JOY_LEFT, "joystick left"},
    {JOY_RIGHT, "joystick right"}, {JOY_BUTTON_1, "joystick fire 1"}, {JOY_BUTTON_2, "joystick fire 2"},
};

// The M5 key of a virtual-key code as a KeyMap holds it; null for none.
const M5Key* m5_key_of(int32_t code) {
    if (code == 0) return nullptr;
    for (const M5Key& key : m5_keys()) {
        if (virtual_key_named(key.name) == code) return &key;
    }
    return nullptr;
}

std::string host_label(uint32_t scancode) {
    const HostKey* key = host_key(scancode);
    return key ? key->label : "key " + std::to_string(scancode);
}

// Capitalised for the start of a sentence.
std::string sentence(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

KeyMap load_key_map(DesktopChoices& choices) {
    KeyMap keys{};
    for (const std::string& name : choices.keys(KEYBOARD_GROUP)) {
        const HostKey* host = host_key_named(name);
        if (!host) continue;  // a window key, or none we know
        int32_t code = virtual_key_named(choices.value(KEYBOARD_GROUP, name));
        if (code == VK_SHIFT) code = VK_LSHIFT;  // "shift": the M5's left one
        if (m5_key_of(code)) keys[host->scancode] = static_cast<uint8_t>(code);
    }
    return keys;
}

void save_key_map(const KeyMap& keys, DesktopChoices& choices) {
    // A key named otherwise by hand ("Q" for "q") is written by its own name.
    for (const std::string& name : choices.keys(KEYBOARD_GROUP)) {
        const HostKey* host = host_key_named(name);
        if (host && name != host->name) choices.remove_value(KEYBOARD_GROUP, name);
    }
    for (const HostKey& host : host_keys()) {
        const M5Key* key = m5_key_of(keys[host.scancode]);
        if (key) {
            choices.set_value(KEYBOARD_GROUP, host.name, key->name);
        } else if (default_key_map()[host.scancode] != 0) {
            // A key of the built-in layout says so when it presses nothing.
            choices.set_value(KEYBOARD_GROUP, host.name, "none");
        } else {
            choices.remove_value(KEYBOARD_GROUP, host.name);
        }
    }
}

}  // namespace

Controls load_controls(DesktopChoices& choices) {
    Controls controls;
    if (choices.has_group(KEYBOARD_GROUP)) {
        controls.keys = load_key_map(choices);
    } else {
        save_key_map(controls.keys, choices);
    }
    controls.gamepad = load_gamepad_mapping(choices);
    return controls;
}

void save_controls(const Controls& controls, DesktopChoices& choices) {
    save_key_map(controls.keys, choices);
    save_gamepad_mapping(controls.gamepad, choices);
}

std::string target_legend(ControlTarget target) {
    if (const M5Key* key = m5_key_of(target.m5_key)) {
        return M5_LEGENDS[static_cast<size_t>(key->row)][static_cast<size_t>(key->bit)];
    }
    for (const auto& [bits, legend] : JOYSTICK_LEGENDS) {
        if (target.m5_key == 0 && target.joystick == bits) return legend;
    }
    return "nothing";
}

std::vector<uint32_t> keys_of(const Controls& controls, int32_t m5_key) {
    std::vector<uint32_t> scancodes;
    for (uint32_t scancode = 0; scancode < controls.keys.size(); ++scancode) {
        if (m5_key != 0 && controls.keys[scancode] == m5_key) scancodes.push_back(scancode);
    }
    return scancodes;
}

std::vector<int32_t> buttons_of(const Controls& controls, ControlTarget target) {
    std::vector<int32_t> buttons;
    for (size_t b = 0; b < controls.gamepad.keys.size(); ++b) {
        const bool gives = target.m5_key != 0 ? controls.gamepad.keys[b] == target.m5_key
                                              : target.joystick != 0 && controls.gamepad.keys[b] == 0 &&
                                                    controls.gamepad.joystick_bits[b] == target.joystick;
        if (gives) buttons.push_back(static_cast<int32_t>(b));
    }
    return buttons;
}

std::string reserved_key_use(uint32_t scancode) {
    const WindowShortcut shortcut = window_shortcut(scancode, false, true);
    std::string f = "F";
    f += std::to_string(shortcut.slot + 1);
    switch (shortcut.key) {
        case WindowKey::load_slot:
        case WindowKey::save_slot:
            return f + " loads quick slot " + std::to_string(shortcut.slot + 1) + " and Shift+" + f + " saves it";
        case WindowKey::fullscreen: return scancode == KEY_ESC ? "Escape leaves fullscreen" : "F11 toggles fullscreen";
        case WindowKey::pause: return "Pause/Break pauses";
        case WindowKey::reset: return "F12 resets the machine";
        case WindowKey::screenshot: return "Print takes a screenshot";
        case WindowKey::rewind: return "Backspace held rewinds";
        case WindowKey::fast_forward: return "F9 held runs fast forward";
        case WindowKey::none: break;
    }
    return "";
}

ControlChange assign_key(Controls& controls, uint32_t scancode, int32_t m5_key) {
    const std::string use = reserved_key_use(scancode);
    if (!use.empty()) return {false, use + ": it stays with the emulator. Choose another key."};
    const HostKey* host = host_key(scancode);
    if (!host) return {false, "That key cannot press an M5 key. Choose another."};
    const M5Key* key = m5_key_of(m5_key);
    if (!key) return {false, "That is not an M5 key."};

    const int32_t before = controls.keys[scancode];
    std::string freed;
    for (uint32_t other : keys_of(controls, m5_key)) {
        if (other == scancode) continue;
        controls.keys[other] = 0;
        freed += (freed.empty() ? "" : ", ") + host_label(other);
    }
    controls.keys[scancode] = static_cast<uint8_t>(m5_key);
    const std::string legend = target_legend({m5_key, 0});
    std::string message = std::string(host->label) + " now gives " + legend + ".";
    if (!freed.empty()) {
        message.append(" ").append(freed).append(freed.find(',') == std::string::npos ? " gives" : " give");
        message += " nothing now.";
    }
    if (before != 0 && before != m5_key && keys_of(controls, before).empty()) {
        message.append(" ").append(sentence(target_legend({before, 0}))).append(" has no key now.");
    }
    return {true, message};
}

ControlChange assign_button(Controls& controls, int32_t button, ControlTarget target) {
    if (button < 0 || button >= SDL_CONTROLLER_BUTTON_MAX) return {false, "That button cannot be used."};
    if (target.m5_key != 0 ? !m5_key_of(target.m5_key) : target_legend(target) == "nothing") {
        return {false, "That is neither an M5 key nor a joystick input."};
    }
    GamepadMapping& pad = controls.gamepad;
    const auto b = static_cast<size_t>(button);
    const ControlTarget before =
        pad.keys[b] != 0 ? ControlTarget{pad.keys[b], 0} : ControlTarget{0, pad.joystick_bits[b]};
    for (int32_t other : buttons_of(controls, target)) {
        pad.keys[static_cast<size_t>(other)] = 0;
        pad.joystick_bits[static_cast<size_t>(other)] = 0;
    }
    pad.keys[b] = static_cast<uint8_t>(target.m5_key);
    pad.joystick_bits[b] = target.m5_key != 0 ? 0 : target.joystick;
    std::string message = "Button ";
    message.append(gamepad_button_label(button)).append(" now gives ").append(target_legend(target)).append(".");
    if ((before.m5_key != 0 || before.joystick != 0) && !(before == target) && buttons_of(controls, before).empty()) {
        message.append(" ").append(sentence(target_legend(before))).append(" has no button now.");
    }
    return {true, message};
}

}  // namespace m5
