// Key input and paste: the key-state array with its frame countdowns, the
// joystick bytes from the arrow keys and the game controllers, and the paste
// sequencer that types text through the same array.
#include "devices/virtual_keys.h"
#include "host/host.h"
#include "host/platform.h"
#include "host/text_codes.h"

namespace m5 {
namespace {

constexpr std::array<int32_t, 256> build_paste_keys() {
    std::array<int32_t, 256> table{};
    table[0x0A] = PASTE_LINE_END;
    table[0x0D] = PASTE_LINE_END;
    table[' '] = VK_SPACE;
    for (int32_t c = '0'; c <= '9'; ++c) table[static_cast<size_t>(c)] = c;
    for (int32_t c = 'A'; c <= 'Z'; ++c) table[static_cast<size_t>(c)] = PASTE_UPPER_CASE | c;
    for (int32_t c = 'a'; c <= 'z'; ++c) table[static_cast<size_t>(c)] = PASTE_LOWER_CASE | (c - 0x20);
    // Symbols where a Japanese (JIS) keyboard has them.
    struct Symbol {
        char text;
        int32_t value;
    };
    constexpr Symbol symbols[] = {
        {'!', 0x131}, {'"', 0x132}, {'#', 0x133},  {'$', 0x134}, {'%', 0x135}, {'&', 0x136}, {'\'', 0x137},
        {'(', 0x138}, {')', 0x139}, {'*', 0x1BA},  {'+', 0x1BB}, {',', 0x0BC}, {'-', 0x0BD}, {'.', 0x0BE},
        {'/', 0x0BF}, {':', 0x0BA}, {';', 0x0BB},  {'<', 0x1BC}, {'=', 0x1BD}, {'>', 0x1BE}, {'?', 0x1BF},
        {'@', 0x0C0}, {'[', 0x0DB}, {'\\', 0x0DC}, {']', 0x0DD}, {'^', 0x0DE}, {'_', 0x1E2}, {'`', 0x1C0},
        {'{', 0x1DB}, {'|', 0x1DC}, {'}', 0x1DD},  {'~', 0x1DE},
    };
    for (const Symbol& s : symbols) table[static_cast<uint8_t>(s.text)] = s.value;
    return table;
}

bool is_shift_jis_lead(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || c >= 0xE0; }

}  // namespace

const std::array<int32_t, 256> PASTE_KEYS = build_paste_keys();

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
    paste_sequencer_step();
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

void Host::paste_start(const std::string& utf8_text) {
    paste_stop();
    // The machine is typed in the 8-bit Japanese code page. The text ends at
    // its first NUL, as a C string would. An empty text still runs one cycle.
    std::string text = utf8_to_jis_bytes(utf8_text);
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    paste_text.assign(text.begin(), text.end());
    paste_text.push_back(0);
    paste_length = static_cast<int32_t>(text.size());
    paste_pos = 0;
    paste_step = 1;
    paste_shift = false;
}

void Host::paste_stop() {
    paste_text.clear();
    paste_text.shrink_to_fit();
    if (paste_shift) key_up(VK_SHIFT);
    if ((paste_code & 0xFF) != 0) key_up(paste_code & 0xFF);
    paste_step = 0;
    paste_code = 0;
    paste_shift = false;
}

void Host::paste_sequencer_step() {
    switch (paste_step) {
        case 0: return;  // idle
        case 1: {        // next character
            const auto text_byte = [&](int32_t pos) {
                return pos >= 0 && pos <= paste_length ? paste_text[static_cast<size_t>(pos)] : uint8_t{0};
            };
            const uint8_t c = text_byte(paste_pos);
            paste_pos += 1;
            if (is_shift_jis_lead(c)) {
                paste_pos += 1;  // the trail byte is skipped
            } else if (c == 0x0D && text_byte(paste_pos) == 0x0A) {
                paste_pos += 1;  // CR LF is one line end
            }
            paste_code = PASTE_KEYS[c];
            const bool need_shift = (paste_code & PASTE_SHIFT_MASK) != 0;
            if (need_shift && !paste_shift) key_down(VK_SHIFT);
            if (!need_shift && paste_shift) key_up(VK_SHIFT);
            paste_shift = need_shift;
            break;
        }
        case 2:  // press
            if ((paste_code & 0xFF) != 0) key_down(paste_code & 0xFF);
            break;
        case 5:  // release
            if ((paste_code & 0xFF) != 0) key_up(paste_code & 0xFF);
            break;
        case PASTE_CHAR_FRAMES:
            if (paste_code == PASTE_LINE_END) break;  // a line end waits until PASTE_LINE_FRAMES
            [[fallthrough]];
        case PASTE_LINE_FRAMES:  // advance
            if (paste_pos < paste_length) {
                paste_step = 1;
            } else {
                paste_stop();
            }
            return;
        default: break;
    }
    paste_step += 1;
}

}  // namespace m5
