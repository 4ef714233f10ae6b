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
        case VK_LMENU:
        case VK_RMENU: return VK_MENU;
        default: return static_cast<uint8_t>(code);
    }
}

// The keys the M5 lacks, with the codes the original platform gave them
// (they reach no key of the machine); Alt by its side.
std::array<uint8_t, 256> make_other_keys() {
    std::array<uint8_t, 256> t{};
    t[KEY_ESC] = VK_ESCAPE;
    t[KEY_BACKSPACE] = VK_BACK;
    t[KEY_KPASTERISK] = VK_MULTIPLY;
    t[KEY_LEFTALT] = VK_LMENU;
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
    t[KEY_RIGHTALT] = VK_RMENU;
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
    return t;
}

KeyMap make_default_key_map() {
    KeyMap map{};
    for (const PositionName& key : M5_POSITIONS)
        map[key.scancode] = static_cast<uint8_t>(virtual_key_named(key.m5_key));
    return map;
}

const std::array<uint8_t, 256> OTHER_KEYS = make_other_keys();
const KeyMap DEFAULT_KEY_MAP = make_default_key_map();

// Side-specific codes of every key: the M5's keys as the map gives them (a
// built-in M5 position the map leaves out presses nothing), the others as
// the original platform gave them.
std::array<uint8_t, 256> side_codes(const KeyMap& m5_keys) {
    std::array<uint8_t, 256> t = OTHER_KEYS;
    for (size_t scancode = 0; scancode < t.size(); ++scancode) {
        if (DEFAULT_KEY_MAP[scancode] != 0) t[scancode] = 0;
        if (m5_keys[scancode] != 0) t[scancode] = m5_keys[scancode];
    }
    return t;
}

const std::array<uint8_t, 256> DEFAULT_CODES = side_codes(DEFAULT_KEY_MAP);

// The physical keys by name and label. The labels of the M5's positions say
// where the key is when its legend differs between layouts.
constexpr HostKey HOST_KEYS[] = {
    {KEY_1, "1", "1"},
    {KEY_2, "2", "2"},
    {KEY_3, "3", "3"},
    {KEY_4, "4", "4"},
    {KEY_5, "5", "5"},
    {KEY_6, "6", "6"},
    {KEY_7, "7", "7"},
    {KEY_8, "8", "8"},
    {KEY_9, "9", "9"},
    {KEY_0, "0", "0"},
    {KEY_MINUS, "minus", "- (right of 0)"},
    {KEY_EQUAL, "equal", "= (left of Backspace)"},
    {KEY_TAB, "tab", "Tab"},
    {KEY_Q, "q", "Q"},
    {KEY_W, "w", "W"},
    {KEY_E, "e", "E"},
    {KEY_R, "r", "R"},
    {KEY_T, "t", "T"},
    {KEY_Y, "y", "Y"},
    {KEY_U, "u", "U"},
    {KEY_I, "i", "I"},
    {KEY_O, "o", "O"},
    {KEY_P, "p", "P"},
    {KEY_LEFTBRACE, "leftbrace", "[ (right of P)"},
    {KEY_RIGHTBRACE, "rightbrace", "] (second right of P)"},
    {KEY_ENTER, "enter", "Enter"},
    {KEY_LEFTCTRL, "leftctrl", "Left Ctrl"},
    {KEY_A, "a", "A"},
    {KEY_S, "s", "S"},
    {KEY_D, "d", "D"},
    {KEY_F, "f", "F"},
    {KEY_G, "g", "G"},
    {KEY_H, "h", "H"},
    {KEY_J, "j", "J"},
    {KEY_K, "k", "K"},
    {KEY_L, "l", "L"},
    {KEY_SEMICOLON, "semicolon", "; (right of L)"},
    {KEY_APOSTROPHE, "apostrophe", "' (second right of L)"},
    {KEY_GRAVE, "grave", "` (left of 1)"},
    {KEY_LEFTSHIFT, "leftshift", "Left Shift"},
    {KEY_BACKSLASH, "backslash", "\\ or # (third right of L)"},
    {KEY_Z, "z", "Z"},
    {KEY_X, "x", "X"},
    {KEY_C, "c", "C"},
    {KEY_V, "v", "V"},
    {KEY_B, "b", "B"},
    {KEY_N, "n", "N"},
    {KEY_M, "m", "M"},
    {KEY_COMMA, "comma", ","},
    {KEY_DOT, "dot", "."},
    {KEY_SLASH, "slash", "/"},
    {KEY_RIGHTSHIFT, "rightshift", "Right Shift"},
    {KEY_KPASTERISK, "kpasterisk", "Keypad *"},
    {KEY_LEFTALT, "leftalt", "Left Alt"},
    {KEY_SPACE, "space", "Space"},
    {KEY_CAPSLOCK, "capslock", "Caps Lock"},
    {KEY_F10, "f10", "F10"},
    {KEY_NUMLOCK, "numlock", "Num Lock"},
    {KEY_SCROLLLOCK, "scrolllock", "Scroll Lock"},
    {KEY_KP7, "kp7", "Keypad 7"},
    {KEY_KP8, "kp8", "Keypad 8"},
    {KEY_KP9, "kp9", "Keypad 9"},
    {KEY_KPMINUS, "kpminus", "Keypad -"},
    {KEY_KP4, "kp4", "Keypad 4"},
    {KEY_KP5, "kp5", "Keypad 5"},
    {KEY_KP6, "kp6", "Keypad 6"},
    {KEY_KPPLUS, "kpplus", "Keypad +"},
    {KEY_KP1, "kp1", "Keypad 1"},
    {KEY_KP2, "kp2", "Keypad 2"},
    {KEY_KP3, "kp3", "Keypad 3"},
    {KEY_KP0, "kp0", "Keypad 0"},
    {KEY_KPDOT, "kpdot", "Keypad ."},
    {KEY_ZENKAKUHANKAKU, "zenkakuhankaku", "Zenkaku/Hankaku"},
    {KEY_102ND, "102nd", "< > (beside Left Shift)"},
    {KEY_RO, "ro", "Ro (left of Right Shift)"},
    {KEY_KATAKANA, "katakana", "Katakana"},
    {KEY_HIRAGANA, "hiragana", "Hiragana"},
    {KEY_HENKAN, "henkan", "Henkan"},
    {KEY_KATAKANAHIRAGANA, "katakanahiragana", "Katakana/Hiragana"},
    {KEY_MUHENKAN, "muhenkan", "Muhenkan"},
    {KEY_KPENTER, "kpenter", "Keypad Enter"},
    {KEY_RIGHTCTRL, "rightctrl", "Right Ctrl"},
    {KEY_KPSLASH, "kpslash", "Keypad /"},
    {KEY_RIGHTALT, "rightalt", "Right Alt"},
    {KEY_HOME, "home", "Home"},
    {KEY_UP, "up", "Up"},
    {KEY_PAGEUP, "pageup", "Page Up"},
    {KEY_LEFT, "left", "Left"},
    {KEY_RIGHT, "right", "Right"},
    {KEY_END, "end", "End"},
    {KEY_DOWN, "down", "Down"},
    {KEY_PAGEDOWN, "pagedown", "Page Down"},
    {KEY_INSERT, "insert", "Insert"},
    {KEY_DELETE, "delete", "Delete"},
    {KEY_KPCOMMA, "kpcomma", "Keypad ,"},
    {KEY_YEN, "yen", "Yen"},
    {KEY_LEFTMETA, "leftmeta", "Left Super"},
    {KEY_RIGHTMETA, "rightmeta", "Right Super"},
    {KEY_COMPOSE, "compose", "Menu"},
};

}  // namespace

uint8_t virtual_key_for_scancode(uint32_t scancode) {
    return scancode < DEFAULT_CODES.size() ? generic_code(DEFAULT_CODES[scancode]) : 0;
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

std::span<const HostKey> host_keys() { return HOST_KEYS; }

const HostKey* host_key(uint32_t scancode) {
    for (const HostKey& key : HOST_KEYS) {
        if (key.scancode == scancode) return &key;
    }
    return nullptr;
}

const HostKey* host_key_named(const std::string& name) {
    std::string lower = name;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    for (const HostKey& key : HOST_KEYS) {
        if (lower == key.name) return &key;
    }
    return nullptr;
}

const KeyMap& default_key_map() { return DEFAULT_KEY_MAP; }

KeyboardTracker::KeyboardTracker() : codes_(DEFAULT_CODES) {}

void KeyboardTracker::set_key_map(const KeyMap& m5_keys) { codes_ = side_codes(m5_keys); }

uint8_t KeyboardTracker::press(uint32_t scancode) {
    if (scancode >= MAX_SCANCODE) return 0;
    down_[scancode] = true;
    return generic_code(codes_[scancode]);
}

uint8_t KeyboardTracker::release(uint32_t scancode) {
    if (scancode >= MAX_SCANCODE) return 0;
    down_[scancode] = false;
    return generic_code(codes_[scancode]);
}

std::vector<uint8_t> KeyboardTracker::release_all() {
    std::array<bool, 256> sent{};
    std::vector<uint8_t> codes;
    for (uint32_t scancode = 0; scancode < MAX_SCANCODE; ++scancode) {
        if (!down_[scancode]) continue;
        down_[scancode] = false;
        uint8_t code = generic_code(codes_[scancode]);
        if (code != 0 && !sent[code]) {
            sent[code] = true;
            codes.push_back(code);
        }
    }
    return codes;
}

bool KeyboardTracker::modifier_down(int32_t virtual_key) const {
    for (uint32_t scancode = 0; scancode < MAX_SCANCODE; ++scancode) {
        if (!down_[scancode]) continue;
        // Control is one M5 key: its side is the physical key's, the left
        // one for another key that presses it.
        uint8_t side = codes_[scancode];
        if (side == VK_CONTROL) side = scancode == KEY_RIGHTCTRL ? VK_RCONTROL : VK_LCONTROL;
        if (side == virtual_key) return true;
    }
    return false;
}

WindowShortcut window_shortcut(uint32_t scancode, bool shift, bool fullscreen) {
    if (scancode >= KEY_F1 && scancode <= KEY_F8) {
        return {shift ? WindowKey::save_slot : WindowKey::load_slot, static_cast<int32_t>(scancode - KEY_F1)};
    }
    switch (scancode) {
        case KEY_F11: return {WindowKey::fullscreen};
        case KEY_ESC: return {fullscreen ? WindowKey::fullscreen : WindowKey::none};
        case KEY_PAUSE: return {WindowKey::pause};
        case KEY_F12: return {WindowKey::reset};
        case KEY_SYSRQ: return {WindowKey::screenshot};
        case KEY_BACKSPACE: return {WindowKey::rewind};
        case KEY_F9: return {WindowKey::fast_forward};
        default: return {};
    }
}

}  // namespace m5
