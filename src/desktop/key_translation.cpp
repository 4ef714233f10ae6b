#include "desktop/key_translation.h"

#include <linux/input-event-codes.h>

#include "devices/virtual_keys.h"
#include "host/key_names.h"

namespace m5 {

namespace {

struct PositionName {
    uint32_t scancode;
    const char* m5_key;  // a name of the host's key table (key_names.h)
};

// The M5's keys by the position of a physical key. The symbol keys follow
// the Japanese keyboard the machine's key tables are written for: the key
// right of 0 is "-", then "^" and the yen key; right of P come "@" and "[";
// right of L come ";", ":" and "]"; the key left of the right Shift is the
// "_" (ro) key. Keyboards without those keys reach them at the same places:
// the ISO key beside the left Shift gives "_" (as on the original platform),
// and the key left of 1, which has no machine key of its own, gives the yen
// key.
constexpr PositionName M5_POSITIONS[] = {
    {KEY_1, "1"},
    {KEY_2, "2"},
    {KEY_3, "3"},
    {KEY_4, "4"},
    {KEY_5, "5"},
    {KEY_6, "6"},
    {KEY_7, "7"},
    {KEY_8, "8"},
    {KEY_9, "9"},
    {KEY_0, "0"},
    {KEY_MINUS, "MINUS"},
    {KEY_EQUAL, "CARET"},
    {KEY_TAB, "TAB"},
    {KEY_Q, "Q"},
    {KEY_W, "W"},
    {KEY_E, "E"},
    {KEY_R, "R"},
    {KEY_T, "T"},
    {KEY_Y, "Y"},
    {KEY_U, "U"},
    {KEY_I, "I"},
    {KEY_O, "O"},
    {KEY_P, "P"},
    {KEY_LEFTBRACE, "AT"},
    {KEY_RIGHTBRACE, "LBRACKET"},
    {KEY_ENTER, "RETURN"},
    {KEY_KPENTER, "RETURN"},
    {KEY_LEFTCTRL, "CTRL"},
    {KEY_RIGHTCTRL, "CTRL"},
    {KEY_A, "A"},
    {KEY_S, "S"},
    {KEY_D, "D"},
    {KEY_F, "F"},
    {KEY_G, "G"},
    {KEY_H, "H"},
    {KEY_J, "J"},
    {KEY_K, "K"},
    {KEY_L, "L"},
    {KEY_SEMICOLON, "PLUS"},
    {KEY_APOSTROPHE, "COLON"},
    {KEY_GRAVE, "BACKSLASH"},
    {KEY_YEN, "BACKSLASH"},
    {KEY_LEFTSHIFT, "LSHIFT"},
    {KEY_RIGHTSHIFT, "RSHIFT"},
    {KEY_BACKSLASH, "RBRACKET"},
    {KEY_Z, "Z"},
    {KEY_X, "X"},
    {KEY_C, "C"},
    {KEY_V, "V"},
    {KEY_B, "B"},
    {KEY_N, "N"},
    {KEY_M, "M"},
    {KEY_COMMA, "COMMA"},
    {KEY_DOT, "PERIOD"},
    {KEY_SLASH, "SLASH"},
    {KEY_102ND, "UNDERSCORE"},
    {KEY_RO, "UNDERSCORE"},
    {KEY_SPACE, "SPACE"},
    {KEY_UP, "UP"},
    {KEY_DOWN, "DOWN"},
    {KEY_LEFT, "LEFT"},
    {KEY_RIGHT, "RIGHT"},
};

// The generic code of a side-specific modifier: the tracker keeps the side.
uint8_t generic_code(int32_t code) {
    switch (code) {
        case VK_LSHIFT:
        case VK_RSHIFT: return VK_SHIFT;
        case VK_LCONTROL:
        case VK_RCONTROL: return VK_CONTROL;
        default: return static_cast<uint8_t>(code);
    }
}

// Scan code -> virtual-key code: the M5's keys through their names, and
// the keys the M5 lacks with the codes the original platform gave them
// (they reach no key of the machine).
std::array<uint8_t, 256> make_table() {
    std::array<uint8_t, 256> t{};
    t[KEY_ESC] = VK_ESCAPE;
    t[KEY_BACKSPACE] = VK_BACK;
    t[KEY_KPASTERISK] = VK_MULTIPLY;
    t[KEY_LEFTALT] = VK_MENU;
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
    t[KEY_F11] = VK_F11;
    t[KEY_F12] = VK_F12;
    t[KEY_KATAKANA] = VK_DBE_HIRAGANA;
    t[KEY_HIRAGANA] = VK_DBE_HIRAGANA;
    t[KEY_HENKAN] = 0x1C;  // convert
    t[KEY_KATAKANAHIRAGANA] = VK_DBE_HIRAGANA;
    t[KEY_MUHENKAN] = 0x1D;  // non-convert
    t[KEY_KPSLASH] = VK_DIVIDE;
    t[KEY_SYSRQ] = VK_SNAPSHOT;
    t[KEY_RIGHTALT] = VK_MENU;
    t[KEY_HOME] = VK_HOME;
    t[KEY_PAGEUP] = VK_PRIOR;
    t[KEY_END] = VK_END;
    t[KEY_PAGEDOWN] = VK_NEXT;
    t[KEY_INSERT] = VK_INSERT;
    t[KEY_DELETE] = VK_DELETE;
    t[KEY_PAUSE] = VK_PAUSE;
    t[KEY_KPCOMMA] = VK_SEPARATOR;
    t[KEY_LEFTMETA] = VK_LWIN;
    t[KEY_RIGHTMETA] = VK_RWIN;
    t[KEY_COMPOSE] = VK_APPS;
    for (uint32_t i = 0; i < 12; ++i) t[KEY_F13 + i] = static_cast<uint8_t>(VK_F12 + 1 + i);  // F13..F24
    for (const PositionName& key : M5_POSITIONS) t[key.scancode] = generic_code(virtual_key_named(key.m5_key));
    return t;
}

const std::array<uint8_t, 256> SCANCODE_TO_VK = make_table();

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
