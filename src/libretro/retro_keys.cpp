#include "libretro/retro_keys.h"

#include <array>

#include "libretro.h"

namespace m5::libretro {

namespace {

constexpr const char* LETTERS[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
                                   "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};
constexpr const char* DIGITS[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};

// The keys other than letters and digits.
constexpr RetroKey OTHER_KEYS[] = {
    {RETROK_SPACE, "SPACE"},
    {RETROK_RETURN, "RETURN"},
    {RETROK_KP_ENTER, "RETURN"},
    {RETROK_TAB, "TAB"},  // the M5's FUNC key
    {RETROK_LSHIFT, "LSHIFT"},
    {RETROK_RSHIFT, "RSHIFT"},
    {RETROK_LCTRL, "CTRL"},
    {RETROK_RCTRL, "CTRL"},
    {RETROK_MINUS, "MINUS"},            // - right of 0
    {RETROK_EQUALS, "CARET"},           // ^ left of Backspace
    {RETROK_CARET, "CARET"},            //
    {RETROK_LEFTBRACKET, "AT"},         // @ right of P
    {RETROK_AT, "AT"},                  //
    {RETROK_RIGHTBRACKET, "LBRACKET"},  // [ second right of P
    {RETROK_SEMICOLON, "PLUS"},         // ; right of L
    {RETROK_QUOTE, "COLON"},            // : second right of L
    {RETROK_COLON, "COLON"},            //
    {RETROK_BACKSLASH, "RBRACKET"},     // ] third right of L
    {RETROK_BACKQUOTE, "BACKSLASH"},    // the yen key, left of 1
    {RETROK_OEM_102, "UNDERSCORE"},     // _ beside the left Shift
    {RETROK_UNDERSCORE, "UNDERSCORE"},  //
    {RETROK_COMMA, "COMMA"},
    {RETROK_PERIOD, "PERIOD"},
    {RETROK_SLASH, "SLASH"},
    {RETROK_UP, "UP"},
    {RETROK_DOWN, "DOWN"},
    {RETROK_LEFT, "LEFT"},
    {RETROK_RIGHT, "RIGHT"},
};

constexpr size_t KEY_COUNT = 26 + 10 + std::size(OTHER_KEYS);

constexpr std::array<RetroKey, KEY_COUNT> make_table() {
    std::array<RetroKey, KEY_COUNT> table{};
    size_t n = 0;
    for (uint32_t i = 0; i < 26; ++i) table[n++] = {RETROK_a + i, LETTERS[i]};
    for (uint32_t i = 0; i < 10; ++i) table[n++] = {RETROK_0 + i, DIGITS[i]};
    for (const RetroKey& key : OTHER_KEYS) table[n++] = key;
    return table;
}

constexpr std::array<RetroKey, KEY_COUNT> KEYS = make_table();

}  // namespace

std::span<const RetroKey> retro_keys() { return KEYS; }

const char* m5_key_for_retro_key(uint32_t retro_key) {
    for (const RetroKey& key : KEYS) {
        if (key.retro_key == retro_key) return key.m5_key;
    }
    return nullptr;
}

}  // namespace m5::libretro
