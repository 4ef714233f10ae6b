#include "desktop/key_translation.h"

#include <linux/input-event-codes.h>

#include "devices/virtual_keys.h"

namespace m5 {

namespace {

// Scan code -> virtual-key code. The symbol keys follow the Japanese keyboard
// the machine's key tables are written for: the key right of 0 is "-", then
// "^" and the yen key; right of P come "@" and "["; right of L come ";", ":"
// and "]"; the key left of the right Shift is the "_" (ro) key. Keyboards
// without those keys reach them at the same places: the ISO key beside the
// left Shift gives "_" (as on the original platform), and the key left of 1,
// which has no machine key of its own, gives the yen key.
constexpr std::array<uint8_t, 256> make_table() {
    std::array<uint8_t, 256> t{};
    t[KEY_ESC] = VK_ESCAPE;
    t[KEY_1] = VK_1;
    t[KEY_2] = VK_2;
    t[KEY_3] = VK_3;
    t[KEY_4] = VK_4;
    t[KEY_5] = VK_5;
    t[KEY_6] = VK_6;
    t[KEY_7] = VK_7;
    t[KEY_8] = VK_8;
    t[KEY_9] = VK_9;
    t[KEY_0] = VK_0;
    t[KEY_MINUS] = VK_OEM_MINUS;  // - =
    t[KEY_EQUAL] = VK_OEM_7;      // ^ ~
    t[KEY_BACKSPACE] = VK_BACK;
    t[KEY_TAB] = VK_TAB;
    t[KEY_Q] = VK_Q;
    t[KEY_W] = VK_W;
    t[KEY_E] = VK_E;
    t[KEY_R] = VK_R;
    t[KEY_T] = VK_T;
    t[KEY_Y] = VK_Y;
    t[KEY_U] = VK_U;
    t[KEY_I] = VK_I;
    t[KEY_O] = VK_O;
    t[KEY_P] = VK_P;
    t[KEY_LEFTBRACE] = VK_OEM_3;   // @ `
    t[KEY_RIGHTBRACE] = VK_OEM_4;  // [ {
    t[KEY_ENTER] = VK_RETURN;
    t[KEY_LEFTCTRL] = VK_CONTROL;
    t[KEY_A] = VK_A;
    t[KEY_S] = VK_S;
    t[KEY_D] = VK_D;
    t[KEY_F] = VK_F;
    t[KEY_G] = VK_G;
    t[KEY_H] = VK_H;
    t[KEY_J] = VK_J;
    t[KEY_K] = VK_K;
    t[KEY_L] = VK_L;
    t[KEY_SEMICOLON] = VK_OEM_PLUS;  // ; +
    t[KEY_APOSTROPHE] = VK_OEM_1;    // : *
    t[KEY_GRAVE] = VK_OEM_5;         // yen |
    t[KEY_LEFTSHIFT] = VK_SHIFT;
    t[KEY_BACKSLASH] = VK_OEM_6;  // ] }
    t[KEY_Z] = VK_Z;
    t[KEY_X] = VK_X;
    t[KEY_C] = VK_C;
    t[KEY_V] = VK_V;
    t[KEY_B] = VK_B;
    t[KEY_N] = VK_N;
    t[KEY_M] = VK_M;
    t[KEY_COMMA] = VK_OEM_COMMA;
    t[KEY_DOT] = VK_OEM_PERIOD;
    t[KEY_SLASH] = VK_OEM_2;
    t[KEY_RIGHTSHIFT] = VK_SHIFT;
    t[KEY_KPASTERISK] = VK_MULTIPLY;
    t[KEY_LEFTALT] = VK_MENU;
    t[KEY_SPACE] = VK_SPACE;
    t[KEY_CAPSLOCK] = VK_DBE_ALPHANUMERIC;  // the Eisu / Caps key
    for (uint32_t i = 0; i < 10; ++i) t[KEY_F1 + i] = static_cast<uint8_t>(VK_F1 + i);
    t[KEY_NUMLOCK] = VK_NUMLOCK;
    t[KEY_SCROLLLOCK] = VK_SCROLL;
    t[KEY_KP7] = VK_NUMPAD7;
    t[KEY_KP8] = VK_NUMPAD8;
    t[KEY_KP9] = VK_NUMPAD9;
    t[KEY_KPMINUS] = VK_SUBTRACT;
    t[KEY_KP4] = VK_NUMPAD4;
    t[KEY_KP5] = VK_NUMPAD5;
    t[KEY_KP6] = VK_NUMPAD6;
    t[KEY_KPPLUS] = VK_ADD;
    t[KEY_KP1] = VK_NUMPAD1;
    t[KEY_KP2] = VK_NUMPAD2;
    t[KEY_KP3] = VK_NUMPAD3;
    t[KEY_KP0] = VK_NUMPAD0;
    t[KEY_KPDOT] = VK_DECIMAL;
    t[KEY_ZENKAKUHANKAKU] = VK_DBE_SBCSCHAR;
    t[KEY_102ND] = VK_OEM_102;  // _ (ro) on the Japanese keyboard
    t[KEY_F11] = VK_F11;
    t[KEY_F12] = VK_F12;
    t[KEY_RO] = VK_OEM_102;
    t[KEY_KATAKANA] = VK_DBE_HIRAGANA;
    t[KEY_HIRAGANA] = VK_DBE_HIRAGANA;
    t[KEY_HENKAN] = 0x1C;  // convert
    t[KEY_KATAKANAHIRAGANA] = VK_DBE_HIRAGANA;
    t[KEY_MUHENKAN] = 0x1D;  // non-convert
    t[KEY_KPENTER] = VK_RETURN;
    t[KEY_RIGHTCTRL] = VK_CONTROL;
    t[KEY_KPSLASH] = VK_DIVIDE;
    t[KEY_SYSRQ] = VK_SNAPSHOT;
    t[KEY_RIGHTALT] = VK_MENU;
    t[KEY_HOME] = VK_HOME;
    t[KEY_UP] = VK_UP;
    t[KEY_PAGEUP] = VK_PRIOR;
    t[KEY_LEFT] = VK_LEFT;
    t[KEY_RIGHT] = VK_RIGHT;
    t[KEY_END] = VK_END;
    t[KEY_DOWN] = VK_DOWN;
    t[KEY_PAGEDOWN] = VK_NEXT;
    t[KEY_INSERT] = VK_INSERT;
    t[KEY_DELETE] = VK_DELETE;
    t[KEY_PAUSE] = VK_PAUSE;
    t[KEY_KPCOMMA] = VK_SEPARATOR;
    t[KEY_YEN] = VK_OEM_5;
    t[KEY_LEFTMETA] = VK_LWIN;
    t[KEY_RIGHTMETA] = VK_RWIN;
    t[KEY_COMPOSE] = VK_APPS;
    for (uint32_t i = 0; i < 12; ++i) t[KEY_F13 + i] = static_cast<uint8_t>(VK_F12 + 1 + i);  // F13..F24
    return t;
}

constexpr std::array<uint8_t, 256> SCANCODE_TO_VK = make_table();

}  // namespace

uint8_t virtual_key_for_scancode(uint32_t scancode) {
    return scancode < SCANCODE_TO_VK.size() ? SCANCODE_TO_VK[scancode] : 0;
}

uint8_t side_modifier_for_scancode(uint32_t scancode) {
    switch (scancode) {
        case KEY_LEFTSHIFT: return VK_LSHIFT;
        case KEY_RIGHTSHIFT: return VK_RSHIFT;
        case KEY_LEFTCTRL: return VK_LCONTROL;
        case KEY_RIGHTCTRL: return VK_RCONTROL;
        case KEY_LEFTALT: return VK_LMENU;
        case KEY_RIGHTALT: return VK_RMENU;
        default: return 0;
    }
}

uint8_t KeyboardTracker::press(uint32_t scancode) {
    if (scancode >= MAX_SCANCODE) return 0;
    down_[scancode] = true;
    return virtual_key_for_scancode(scancode);
}

uint8_t KeyboardTracker::release(uint32_t scancode) {
    if (scancode >= MAX_SCANCODE) return 0;
    down_[scancode] = false;
    return virtual_key_for_scancode(scancode);
}

std::vector<uint8_t> KeyboardTracker::release_all() {
    std::array<bool, 256> sent{};
    std::vector<uint8_t> codes;
    for (uint32_t scancode = 0; scancode < MAX_SCANCODE; ++scancode) {
        if (!down_[scancode]) continue;
        down_[scancode] = false;
        uint8_t code = virtual_key_for_scancode(scancode);
        if (code != 0 && !sent[code]) {
            sent[code] = true;
            codes.push_back(code);
        }
    }
    return codes;
}

bool KeyboardTracker::modifier_down(int32_t virtual_key) const {
    for (uint32_t scancode : {KEY_LEFTSHIFT, KEY_RIGHTSHIFT, KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTALT, KEY_RIGHTALT}) {
        if (side_modifier_for_scancode(scancode) == virtual_key) return down_[scancode];
    }
    return false;
}

}  // namespace m5
