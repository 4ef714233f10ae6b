#include "host/key_names.h"

#include <utility>

#include "devices/virtual_keys.h"

namespace m5 {
namespace {

// Where a key has two names, the first is the one name_of_virtual_key gives.
const std::pair<const char*, int32_t> KEY_NAMES[] = {
    {"BACKSPACE", VK_BACK},     {"BACK", VK_BACK},       {"TAB", VK_TAB},           {"RETURN", VK_RETURN},
    {"ENTER", VK_RETURN},       {"SHIFT", VK_SHIFT},     {"CONTROL", VK_CONTROL},   {"CTRL", VK_CONTROL},
    {"ALT", VK_MENU},           {"MENU", VK_MENU},       {"CAPSLOCK", VK_CAPITAL},  {"KANA", VK_KANA},
    {"KANJI", VK_KANJI},        {"ESCAPE", VK_ESCAPE},   {"ESC", VK_ESCAPE},        {"SPACE", VK_SPACE},
    {"LEFT", VK_LEFT},          {"UP", VK_UP},           {"RIGHT", VK_RIGHT},       {"DOWN", VK_DOWN},
    {"INSERT", VK_INSERT},      {"DELETE", VK_DELETE},   {"HOME", VK_HOME},         {"END", VK_END},
    {"LSHIFT", VK_LSHIFT},      {"RSHIFT", VK_RSHIFT},   {"LCONTROL", VK_LCONTROL}, {"RCONTROL", VK_RCONTROL},
    {"LCTRL", VK_LCONTROL},     {"RCTRL", VK_RCONTROL},  {"LALT", VK_LMENU},        {"RALT", VK_RMENU},
    {"COMMA", VK_OEM_COMMA},    {"MINUS", VK_OEM_MINUS}, {"PERIOD", VK_OEM_PERIOD}, {"SLASH", VK_OEM_2},
    {"SEMICOLON", VK_OEM_1},    {"COLON", VK_OEM_1},     {"PLUS", VK_OEM_PLUS},     {"AT", VK_OEM_3},
    {"LBRACKET", VK_OEM_4},     {"RBRACKET", VK_OEM_6},  {"BACKSLASH", VK_OEM_5},   {"CARET", VK_OEM_7},
    {"UNDERSCORE", VK_OEM_102},
};

constexpr M5Key M5_KEYS[] = {
    {"CTRL", 0, 0},      {"TAB", 0, 1},   {"LSHIFT", 0, 2}, {"RSHIFT", 0, 3},   {"SPACE", 0, 6},
    {"RETURN", 0, 7},    {"1", 1, 0},     {"2", 1, 1},      {"3", 1, 2},        {"4", 1, 3},
    {"5", 1, 4},         {"6", 1, 5},     {"7", 1, 6},      {"8", 1, 7},        {"Q", 2, 0},
    {"W", 2, 1},         {"E", 2, 2},     {"R", 2, 3},      {"T", 2, 4},        {"Y", 2, 5},
    {"U", 2, 6},         {"I", 2, 7},     {"A", 3, 0},      {"S", 3, 1},        {"D", 3, 2},
    {"F", 3, 3},         {"G", 3, 4},     {"H", 3, 5},      {"J", 3, 6},        {"K", 3, 7},
    {"Z", 4, 0},         {"X", 4, 1},     {"C", 4, 2},      {"V", 4, 3},        {"B", 4, 4},
    {"N", 4, 5},         {"M", 4, 6},     {"COMMA", 4, 7},  {"9", 5, 0},        {"0", 5, 1},
    {"MINUS", 5, 2},     {"CARET", 5, 3}, {"PERIOD", 5, 4}, {"SLASH", 5, 5},    {"UNDERSCORE", 5, 6},
    {"BACKSLASH", 5, 7}, {"O", 6, 0},     {"P", 6, 1},      {"AT", 6, 2},       {"LBRACKET", 6, 3},
    {"L", 6, 4},         {"PLUS", 6, 5},  {"COLON", 6, 6},  {"RBRACKET", 6, 7}, {"RIGHT", 7, 0},
    {"UP", 7, 1},        {"LEFT", 7, 2},  {"DOWN", 7, 3},
};

std::string upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace

std::span<const M5Key> m5_keys() { return M5_KEYS; }

int32_t virtual_key_named(const std::string& name) {
    const std::string key = upper(name);
    if (key.size() == 1) {
        const char c = key[0];
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : 0;
    }
    for (const auto& [text, code] : KEY_NAMES) {
        if (key == text) return code;
    }
    // F1 .. F12
    if (key.size() >= 2 && key.size() <= 3 && key[0] == 'F') {
        int32_t n = 0;
        for (size_t i = 1; i < key.size(); ++i) {
            if (key[i] < '0' || key[i] > '9') return 0;
            n = n * 10 + (key[i] - '0');
        }
        if (n >= 1 && n <= 12) return VK_F1 + n - 1;
    }
    return 0;
}

std::string name_of_virtual_key(int32_t code) {
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return std::string(1, static_cast<char>(code));
    for (const auto& [text, key] : KEY_NAMES) {
        if (key == code) return text;
    }
    if (code >= VK_F1 && code < VK_F1 + 12) {
        std::string name(1, 'F');
        name.append(std::to_string(code - VK_F1 + 1));
        return name;
    }
    return "";
}

}  // namespace m5
