#include "host/paste_sequencer.h"

#include <algorithm>

#include "devices/virtual_keys.h"
#include "host/text_codes.h"
#include "machine/state_io.h"

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

// The text in the machine's 8-bit Japanese code page, up to its first NUL
// as a C string would end.
std::string typed_text(const std::string& utf8_text) {
    std::string text = utf8_to_jis_bytes(utf8_text);
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

}  // namespace

const std::array<int32_t, 256> PASTE_KEYS = build_paste_keys();

PasteSequencer::PasteSequencer(KeyTarget& keys) : target(keys) {}

size_t paste_bytes(const std::string& utf8_text) { return typed_text(utf8_text).size(); }

bool PasteSequencer::start(const std::string& utf8_text) {
    const std::string text = typed_text(utf8_text);
    if (text.size() > PASTE_MAX_BYTES) return false;
    stop();
    fields.text.assign(text.begin(), text.end());
    fields.text.push_back(0);
    fields.length = static_cast<int32_t>(text.size());
    fields.position = 0;
    fields.step = 1;
    fields.shift = false;
    return true;
}

void PasteSequencer::stop() {
    fields.text.clear();
    fields.text.shrink_to_fit();
    if (fields.shift) target.key_up(VK_SHIFT);
    if ((fields.code & 0xFF) != 0) target.key_up(fields.code & 0xFF);
    fields.step = 0;
    fields.code = 0;
    fields.shift = false;
}

void PasteSequencer::step() {
    switch (fields.step) {
        case 0: return;  // idle
        case 1: {        // next character
            const auto text_byte = [&](int32_t pos) {
                return pos >= 0 && pos <= fields.length ? fields.text[static_cast<size_t>(pos)] : uint8_t{0};
            };
            const uint8_t c = text_byte(fields.position);
            fields.position += 1;
            if (is_shift_jis_lead(c)) {
                fields.position += 1;  // the trail byte is skipped
            } else if (c == 0x0D && text_byte(fields.position) == 0x0A) {
                fields.position += 1;  // CR LF is one line end
            }
            fields.code = PASTE_KEYS[c];
            const bool need_shift = (fields.code & PASTE_SHIFT_MASK) != 0;
            if (need_shift && !fields.shift) target.key_down(VK_SHIFT);
            if (!need_shift && fields.shift) target.key_up(VK_SHIFT);
            fields.shift = need_shift;
            break;
        }
        case 2:  // press
            if ((fields.code & 0xFF) != 0) target.key_down(fields.code & 0xFF);
            break;
        case 5:  // release
            if ((fields.code & 0xFF) != 0) target.key_up(fields.code & 0xFF);
            break;
        case PASTE_CHAR_FRAMES:
            if (fields.code == PASTE_LINE_END) break;  // a line end waits until PASTE_LINE_FRAMES
            [[fallthrough]];
        case PASTE_LINE_FRAMES:  // advance
            if (fields.position < fields.length) {
                fields.step = 1;
            } else {
                stop();
            }
            return;
        default: break;
    }
    fields.step += 1;
}

void describe_paste_state(StateArchive& a, PasteState& state) {
    std::string text(state.text.begin(), state.text.end());
    a.text(text, PASTE_MAX_BYTES + 1);
    if (a.loading()) state.text.assign(text.begin(), text.end());
    a.i32_in(state.length, 0, static_cast<int32_t>(PASTE_MAX_BYTES));
    // A Shift-JIS lead byte at the end moves two past it.
    a.i32_in(state.position, 0, state.length + 2);
    a.i32_in(state.step, 0, PASTE_LINE_FRAMES);
    a.field(state.code);
    a.field(state.shift);
    if (!a.loading()) return;
    // While typing, the text is its characters and a terminating 0; a step
    // past a character's frames is a line end's.
    const bool typing_ok =
        state.step == 0 || (state.text.size() == static_cast<size_t>(state.length) + 1 && state.text.back() == 0 &&
                            (state.step <= PASTE_CHAR_FRAMES || state.code == PASTE_LINE_END));
    const bool code_ok = std::find(PASTE_KEYS.begin(), PASTE_KEYS.end(), state.code) != PASTE_KEYS.end() &&
                         state.shift == ((state.code & PASTE_SHIFT_MASK) != 0);
    if (!a.valid(typing_ok && code_ok)) state = PasteState{};
}

}  // namespace m5
