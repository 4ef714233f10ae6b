#include "libretro/retro_keys.h"

#include <string_view>

#include "libretro.h"

namespace m5::libretro {

namespace {

constexpr int32_t index_of(std::string_view name) {
    for (int32_t i = 0; i < M5_KEY_COUNT; ++i) {
        if (name == M5_KEY_NAMES[i]) return i;
    }
    return -1;
}

static_assert(index_of("SPACE") == M5_KEY_SPACE);

struct RetroKey {
    uint32_t retro_key;
    const char* m5_key;
};

// Letters and digits are found by their codes (RETROK_a.. and RETROK_0..
// are ASCII); this table holds the rest.
constexpr RetroKey OTHER_KEYS[] = {
    {RETROK_SPACE, "SPACE"},
    {RETROK_RETURN, "RETURN"},
    {RETROK_KP_ENTER, "RETURN"},
    {RETROK_TAB, "TAB"},  // the M5's FUNC key
    {RETROK_LSHIFT, "LSHIFT"},
    {RETROK_RSHIFT, "RSHIFT"},
    {RETROK_LCTRL, "LCTRL"},
    {RETROK_RCTRL, "RCTRL"},
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

}  // namespace

int32_t m5_key_for_retro_key(uint32_t retro_key) {
    if (retro_key >= RETROK_a && retro_key <= RETROK_z) return static_cast<int32_t>(retro_key - RETROK_a);
    if (retro_key >= RETROK_0 && retro_key <= RETROK_9)
        return index_of("0") + static_cast<int32_t>(retro_key - RETROK_0);
    for (const RetroKey& key : OTHER_KEYS) {
        if (key.retro_key == retro_key) return index_of(key.m5_key);
    }
    return -1;
}

}  // namespace m5::libretro
