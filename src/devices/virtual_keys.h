// Host virtual-key codes: the numbering in which the host reports keys and in
// which the keyboard matrix looks them up.
//
// These are the Windows virtual-key numbers. The host's key-state array is
// indexed by them (KEY_STATE_SIZE entries), the desktop front end translates
// its own key events into them, and the keyboard matrix names the host key of
// every matrix bit with them. Letters and digits are their ASCII codes.
#pragma once

#include <cstdint>

namespace m5 {

using VirtualKey = uint8_t;

inline constexpr VirtualKey VK_NONE = 0x00;  // no key; its state byte is never set

// Editing and control keys.
inline constexpr VirtualKey VK_BACK = 0x08;
inline constexpr VirtualKey VK_TAB = 0x09;
inline constexpr VirtualKey VK_CLEAR = 0x0C;
inline constexpr VirtualKey VK_RETURN = 0x0D;
inline constexpr VirtualKey VK_SHIFT = 0x10;
inline constexpr VirtualKey VK_CONTROL = 0x11;
inline constexpr VirtualKey VK_MENU = 0x12;  // Alt
inline constexpr VirtualKey VK_PAUSE = 0x13;
inline constexpr VirtualKey VK_CAPITAL = 0x14;  // Caps Lock
inline constexpr VirtualKey VK_KANA = 0x15;
inline constexpr VirtualKey VK_KANJI = 0x19;
inline constexpr VirtualKey VK_ESCAPE = 0x1B;
inline constexpr VirtualKey VK_SPACE = 0x20;
inline constexpr VirtualKey VK_PRIOR = 0x21;  // Page Up
inline constexpr VirtualKey VK_NEXT = 0x22;   // Page Down
inline constexpr VirtualKey VK_END = 0x23;
inline constexpr VirtualKey VK_HOME = 0x24;
inline constexpr VirtualKey VK_LEFT = 0x25;
inline constexpr VirtualKey VK_UP = 0x26;
inline constexpr VirtualKey VK_RIGHT = 0x27;
inline constexpr VirtualKey VK_DOWN = 0x28;
inline constexpr VirtualKey VK_SNAPSHOT = 0x2C;  // Print Screen
inline constexpr VirtualKey VK_INSERT = 0x2D;
inline constexpr VirtualKey VK_DELETE = 0x2E;

// Digits of the main keyboard: '0'..'9'.
inline constexpr VirtualKey VK_0 = 0x30;
inline constexpr VirtualKey VK_1 = 0x31;
inline constexpr VirtualKey VK_2 = 0x32;
inline constexpr VirtualKey VK_3 = 0x33;
inline constexpr VirtualKey VK_4 = 0x34;
inline constexpr VirtualKey VK_5 = 0x35;
inline constexpr VirtualKey VK_6 = 0x36;
inline constexpr VirtualKey VK_7 = 0x37;
inline constexpr VirtualKey VK_8 = 0x38;
inline constexpr VirtualKey VK_9 = 0x39;

// Letters: 'A'..'Z'.
inline constexpr VirtualKey VK_A = 0x41;
inline constexpr VirtualKey VK_B = 0x42;
inline constexpr VirtualKey VK_C = 0x43;
inline constexpr VirtualKey VK_D = 0x44;
inline constexpr VirtualKey VK_E = 0x45;
inline constexpr VirtualKey VK_F = 0x46;
inline constexpr VirtualKey VK_G = 0x47;
inline constexpr VirtualKey VK_H = 0x48;
inline constexpr VirtualKey VK_I = 0x49;
inline constexpr VirtualKey VK_J = 0x4A;
inline constexpr VirtualKey VK_K = 0x4B;
inline constexpr VirtualKey VK_L = 0x4C;
inline constexpr VirtualKey VK_M = 0x4D;
inline constexpr VirtualKey VK_N = 0x4E;
inline constexpr VirtualKey VK_O = 0x4F;
inline constexpr VirtualKey VK_P = 0x50;
inline constexpr VirtualKey VK_Q = 0x51;
inline constexpr VirtualKey VK_R = 0x52;
inline constexpr VirtualKey VK_S = 0x53;
inline constexpr VirtualKey VK_T = 0x54;
inline constexpr VirtualKey VK_U = 0x55;
inline constexpr VirtualKey VK_V = 0x56;
inline constexpr VirtualKey VK_W = 0x57;
inline constexpr VirtualKey VK_X = 0x58;
inline constexpr VirtualKey VK_Y = 0x59;
inline constexpr VirtualKey VK_Z = 0x5A;

inline constexpr VirtualKey VK_LWIN = 0x5B;
inline constexpr VirtualKey VK_RWIN = 0x5C;
inline constexpr VirtualKey VK_APPS = 0x5D;

// Numeric keypad.
inline constexpr VirtualKey VK_NUMPAD0 = 0x60;
inline constexpr VirtualKey VK_NUMPAD1 = 0x61;
inline constexpr VirtualKey VK_NUMPAD2 = 0x62;
inline constexpr VirtualKey VK_NUMPAD3 = 0x63;
inline constexpr VirtualKey VK_NUMPAD4 = 0x64;
inline constexpr VirtualKey VK_NUMPAD5 = 0x65;
inline constexpr VirtualKey VK_NUMPAD6 = 0x66;
inline constexpr VirtualKey VK_NUMPAD7 = 0x67;
inline constexpr VirtualKey VK_NUMPAD8 = 0x68;
inline constexpr VirtualKey VK_NUMPAD9 = 0x69;
inline constexpr VirtualKey VK_MULTIPLY = 0x6A;
inline constexpr VirtualKey VK_ADD = 0x6B;
inline constexpr VirtualKey VK_SEPARATOR = 0x6C;
inline constexpr VirtualKey VK_SUBTRACT = 0x6D;
inline constexpr VirtualKey VK_DECIMAL = 0x6E;
inline constexpr VirtualKey VK_DIVIDE = 0x6F;

// Function keys.
inline constexpr VirtualKey VK_F1 = 0x70;
inline constexpr VirtualKey VK_F2 = 0x71;
inline constexpr VirtualKey VK_F3 = 0x72;
inline constexpr VirtualKey VK_F4 = 0x73;
inline constexpr VirtualKey VK_F5 = 0x74;
inline constexpr VirtualKey VK_F6 = 0x75;
inline constexpr VirtualKey VK_F7 = 0x76;
inline constexpr VirtualKey VK_F8 = 0x77;
inline constexpr VirtualKey VK_F9 = 0x78;
inline constexpr VirtualKey VK_F10 = 0x79;
inline constexpr VirtualKey VK_F11 = 0x7A;
inline constexpr VirtualKey VK_F12 = 0x7B;

inline constexpr VirtualKey VK_NUMLOCK = 0x90;
inline constexpr VirtualKey VK_SCROLL = 0x91;

// Left and right variants of the modifiers. The keyboard matrix reads only
// the generic VK_SHIFT / VK_CONTROL entries; a host that knows which side was
// pressed also sets the generic one.
inline constexpr VirtualKey VK_LSHIFT = 0xA0;
inline constexpr VirtualKey VK_RSHIFT = 0xA1;
inline constexpr VirtualKey VK_LCONTROL = 0xA2;
inline constexpr VirtualKey VK_RCONTROL = 0xA3;
inline constexpr VirtualKey VK_LMENU = 0xA4;
inline constexpr VirtualKey VK_RMENU = 0xA5;

// Punctuation keys, named by their US-layout legend.
inline constexpr VirtualKey VK_OEM_1 = 0xBA;       // ;:
inline constexpr VirtualKey VK_OEM_PLUS = 0xBB;    // =+
inline constexpr VirtualKey VK_OEM_COMMA = 0xBC;   // ,<
inline constexpr VirtualKey VK_OEM_MINUS = 0xBD;   // -_
inline constexpr VirtualKey VK_OEM_PERIOD = 0xBE;  // .>
inline constexpr VirtualKey VK_OEM_2 = 0xBF;       // /?
inline constexpr VirtualKey VK_OEM_3 = 0xC0;       // `~
inline constexpr VirtualKey VK_OEM_4 = 0xDB;       // [{
inline constexpr VirtualKey VK_OEM_5 = 0xDC;       // \|
inline constexpr VirtualKey VK_OEM_6 = 0xDD;       // ]}
inline constexpr VirtualKey VK_OEM_7 = 0xDE;       // '"
inline constexpr VirtualKey VK_OEM_8 = 0xDF;
inline constexpr VirtualKey VK_OEM_102 = 0xE2;  // the extra key left of Z on 102-key layouts

// Japanese keyboard mode keys, reported as toggles.
inline constexpr VirtualKey VK_DBE_ALPHANUMERIC = 0xF0;
inline constexpr VirtualKey VK_DBE_HIRAGANA = 0xF2;
inline constexpr VirtualKey VK_DBE_SBCSCHAR = 0xF3;
inline constexpr VirtualKey VK_DBE_DBCSCHAR = 0xF4;

}  // namespace m5
