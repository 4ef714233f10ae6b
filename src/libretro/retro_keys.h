// The host keyboard as RetroArch reports it (RETROK_* codes) and the M5 keys
// it gives. The keys are placed as the desktop program places them: by
// position on a US keyboard for the M5's Japanese symbol keys ("@" right of
// P, ";" and ":" right of L, the yen key left of 1, "_" beside the left
// Shift), with the Japanese keyboard's own symbols (@, ^, :, _) giving their
// keys too. The arrow keys give joystick 1, as on the desktop.
#pragma once

#include <cstdint>

namespace m5::libretro {

// The M5 keys the core presses, by the names m5emu_key() takes. A key's index
// is its bit in the set of keys the core holds down (a 64-bit mask).
inline constexpr const char* M5_KEY_NAMES[] = {
    "A",         "B",     "C",      "D",     "E",          "F",  "G",        "H",      "I",     "J",
    "K",         "L",     "M",      "N",     "O",          "P",  "Q",        "R",      "S",     "T",
    "U",         "V",     "W",      "X",     "Y",          "Z",  "0",        "1",      "2",     "3",
    "4",         "5",     "6",      "7",     "8",          "9",  "SPACE",    "RETURN", "TAB",   "LSHIFT",
    "RSHIFT",    "LCTRL", "RCTRL",  "MINUS", "CARET",      "AT", "LBRACKET", "PLUS",   "COLON", "RBRACKET",
    "BACKSLASH", "COMMA", "PERIOD", "SLASH", "UNDERSCORE", "UP", "DOWN",     "LEFT",   "RIGHT",
};
inline constexpr int32_t M5_KEY_COUNT = static_cast<int32_t>(sizeof(M5_KEY_NAMES) / sizeof(M5_KEY_NAMES[0]));
static_assert(M5_KEY_COUNT <= 64, "the held keys are a 64-bit mask");

// The index of the space bar, which the RetroPads can press too.
inline constexpr int32_t M5_KEY_SPACE = 36;

// The index of the M5 key that the host key `retro_key` (a RETROK_* code)
// gives, or -1 when it gives none.
int32_t m5_key_for_retro_key(uint32_t retro_key);

}  // namespace m5::libretro
