// Key input and paste: the key-state array with its frame countdowns, the
// joystick bytes from the arrow keys and the game controllers, and the paste
// sequencer's step each frame (it types through key_down and key_up).
#include "devices/virtual_keys.h"
#include "host/host.h"
#include "host/platform.h"

namespace m5 {
// --- Key events ----------------------------------------------------------------

// A generic modifier press marks the side that is physically down; with no
// side found, the left one. Side entries are held without a countdown.
void Host::set_side_keys(int32_t left, int32_t right) {
    if (platform.modifier_down(left)) keys[static_cast<size_t>(left)] = KEY_HELD;
    if (platform.modifier_down(right)) keys[static_cast<size_t>(right)] = KEY_HELD;
    if (keys[static_cast<size_t>(left)] == 0 && keys[static_cast<size_t>(right)] == 0) {
        keys[static_cast<size_t>(left)] = KEY_HELD;
    }
}

void Host::release_side_keys(int32_t left, int32_t right) {
    if (!platform.modifier_down(left)) keys[static_cast<size_t>(left)] &= static_cast<uint8_t>(~KEY_HELD);
    if (!platform.modifier_down(right)) keys[static_cast<size_t>(right)] &= static_cast<uint8_t>(~KEY_HELD);
}

void Host::key_down(int32_t code) {
    code &= 0xFF;
    switch (code) {
        case VK_SHIFT: set_side_keys(VK_LSHIFT, VK_RSHIFT); break;
        case VK_CONTROL: set_side_keys(VK_LCONTROL, VK_RCONTROL); break;
        case VK_MENU: set_side_keys(VK_LMENU, VK_RMENU); break;
        // The Japanese mode keys arrive as toggles: each press is a short
        // pulse of the key the machine knows, however long it is held.
        case VK_DBE_ALPHANUMERIC: keys[VK_CAPITAL] = KEY_PULSE; return;
        case VK_DBE_HIRAGANA: keys[VK_KANA] = KEY_PULSE; return;
        case VK_DBE_SBCSCHAR:
        case VK_DBE_DBCSCHAR: keys[VK_KANJI] = KEY_PULSE; return;
        default: break;
    }
    keys[static_cast<size_t>(code)] = KEY_PRESS;
}

void Host::key_up(int32_t code) {
    code &= 0xFF;
    switch (code) {
        case VK_SHIFT: release_side_keys(VK_LSHIFT, VK_RSHIFT); break;
        case VK_CONTROL: release_side_keys(VK_LCONTROL, VK_RCONTROL); break;
        case VK_MENU: release_side_keys(VK_LMENU, VK_RMENU); break;
        default: break;
    }
    keys[static_cast<size_t>(code)] &= static_cast<uint8_t>(~KEY_HELD);
}

// --- Per-frame input step ------------------------------------------------------

void Host::input_frame() {
    for (uint8_t& state : keys) {
        if ((state & KEY_COUNTDOWN_MASK) != 0) state = static_cast<uint8_t>(state - 1);
    }
    joy = gamepad_bits;
    if (keys[VK_UP] != 0) joy[0] |= JOY_UP;
    if (keys[VK_DOWN] != 0) joy[0] |= JOY_DOWN;
    if (keys[VK_LEFT] != 0) joy[0] |= JOY_LEFT;
    if (keys[VK_RIGHT] != 0) joy[0] |= JOY_RIGHT;
    paste.step();
}

void Host::set_gamepad_bits(int32_t stick, uint8_t bits) {
    if (stick < 0 || stick >= JOY_PORTS) return;
    gamepad_bits[static_cast<size_t>(stick)] = bits;
}

// --- Paste -----------------------------------------------------------------------

void Host::paste_start() {
    // The platform gives UTF-8, and nothing when the clipboard holds no text.
    const std::optional<std::string> clipboard = platform.clipboard_text();
    if (!clipboard) {
        paste_stop();
        return;
    }
    paste_start(*clipboard);
}

bool Host::paste_start(const std::string& utf8_text) {
    if (paste.start(utf8_text)) return true;
    platform.show_message("The text is too long to type: at most " + std::to_string(PASTE_MAX_BYTES) +
                          " characters are typed at once.");
    return false;
}

void Host::paste_stop() { paste.stop(); }

}  // namespace m5
