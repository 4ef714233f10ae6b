#include "debug/symbols.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace m5::debug {
namespace {

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool is_label(const std::string& text) {
    if (text.empty() || std::isdigit(static_cast<unsigned char>(text[0]))) return false;
    for (const char c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.' && c != '@' && c != '?') return false;
    }
    return true;
}

std::optional<uint32_t> parse_digits(const std::string& digits, int base) {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (const char c : digits) {
        const int digit = std::isdigit(static_cast<unsigned char>(c))    ? c - '0'
                          : std::isxdigit(static_cast<unsigned char>(c)) ? std::tolower(c) - 'a' + 10
                                                                         : 99;
        if (digit >= base) return std::nullopt;
        value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
    }
    return value;
}

}  // namespace

std::optional<uint32_t> parse_assembler_number(const std::string& text) {
    const std::string t = lower(text);
    if (t.empty()) return std::nullopt;
    if (t[0] == '$' || t[0] == '#') return parse_digits(t.substr(1), 16);
    if (t.size() > 2 && t[0] == '0' && t[1] == 'x') return parse_digits(t.substr(2), 16);
    if (t.size() > 1 && t.back() == 'h' && std::isdigit(static_cast<unsigned char>(t[0])))
        return parse_digits(t.substr(0, t.size() - 1), 16);
    return parse_digits(t, 10);
}

int32_t Symbols::read(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    int32_t count = 0;
    while (std::getline(lines, line)) {
        if (const size_t comment = line.find(';'); comment != std::string::npos) line.erase(comment);
        // Words, with ':' and '=' as words of their own.
        std::vector<std::string> words;
        std::string word;
        for (const char c : line) {
            if (std::isspace(static_cast<unsigned char>(c)) || c == ':' || c == '=' || c == ',') {
                if (!word.empty()) words.push_back(word), word.clear();
                if (c == ':' || c == '=') words.emplace_back(1, c);
            } else {
                word += c;
            }
        }
        if (!word.empty()) words.push_back(word);
        if (!words.empty() && lower(words[0]) == "defc") words.erase(words.begin());
        // name [:] [equ|=] value
        if (words.size() < 2 || !is_label(words[0])) continue;
        size_t at = 1;
        if (words[at] == ":") ++at;
        if (at < words.size() && (lower(words[at]) == "equ" || words[at] == "=")) ++at;
        if (at + 1 != words.size() || at == 1) continue;
        const std::optional<uint32_t> value = parse_assembler_number(words[at]);
        if (!value || *value > 0xFFFF) continue;
        const auto address = static_cast<uint16_t>(*value);
        by_name[words[0]] = address;
        by_address.emplace(address, words[0]);
        ++count;
    }
    return count;
}

std::optional<uint16_t> Symbols::find(const std::string& name) const {
    const auto found = by_name.find(name);
    if (found == by_name.end()) return std::nullopt;
    return found->second;
}

std::optional<uint16_t> Symbols::resolve(const std::string& text) const {
    if (const std::optional<uint16_t> label = find(text)) return label;
    std::optional<uint32_t> value = parse_assembler_number(text);
    // A bare address is hexadecimal.
    if (!text.empty() && std::isxdigit(static_cast<unsigned char>(text[0])) &&
        text.find_first_of("xXhH") == std::string::npos)
        value = parse_digits(lower(text), 16);
    if (!value || *value > 0xFFFF) return std::nullopt;
    return static_cast<uint16_t>(*value);
}

std::string Symbols::name_at(uint16_t address) const {
    const auto found = by_address.find(address);
    return found == by_address.end() ? std::string() : found->second;
}

}  // namespace m5::debug
