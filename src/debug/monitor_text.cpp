#include "debug/monitor_text.h"

#include <cctype>
#include <cstdio>

namespace m5::debug {

std::vector<std::string> code_lines(const Debugger& debugger, const Symbols& symbols, uint16_t pc, int before,
                                    int count) {
    std::vector<uint16_t> starts = debugger.code_before(pc, before);
    char line[96];
    uint16_t at = pc;
    while (static_cast<int>(starts.size()) < count) {
        starts.push_back(at);
        at = static_cast<uint16_t>(at + debugger.format_instruction(at, line, sizeof line));
    }
    std::vector<std::string> lines;
    for (const uint16_t address : starts) {
        const std::string label = symbols.name_at(address);
        if (!label.empty()) lines.push_back(label + ":");
        debugger.format_instruction(address, line, sizeof line);
        std::string text;
        text += address == pc ? '>' : ' ';
        text += debugger.has_breakpoint(address) ? '*' : ' ';
        lines.push_back(text + line);
    }
    return lines;
}

std::string point_set_name(uint8_t set) {
    if (set >= CLIENT_POINTS && set <= CLIENT_POINTS + 4) return "GDB Z" + std::to_string(set - CLIENT_POINTS);
    return set == TEMPORARY_POINTS ? "temporary" : "monitor";
}

std::string address_text(uint16_t address, const Symbols& symbols) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", address);
    const std::string label = symbols.name_at(address);
    return label.empty() ? std::string(text) : std::string(text) + " (" + label + ")";
}

std::string describe_point(const Debugger::Breakpoint& point, const Symbols& symbols) {
    return "break " + address_text(point.address, symbols) + (point.enabled ? "" : " (disabled)");
}

std::string describe_point(const Debugger::Watchpoint& point, const Symbols& symbols) {
    const char* kind = point.access == WATCH_WRITE ? "write" : point.access == WATCH_READ ? "read" : "access";
    std::string text = std::string("watch ") + kind + " " + address_text(point.address, symbols);
    if (point.length != 1) text += " x" + std::to_string(point.length);
    return text + (point.enabled ? "" : " (disabled)");
}

std::optional<std::vector<uint8_t>> parse_bytes(const std::string& text) {
    std::vector<uint8_t> bytes;
    int high = -1;
    for (const char c : text) {
        if (c == ' ' || c == ',') {
            if (high >= 0) return std::nullopt;  // one digit alone
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<uint8_t>(high << 4 | digit));
            high = -1;
        }
    }
    if (high >= 0 || bytes.empty()) return std::nullopt;
    return bytes;
}

}  // namespace m5::debug
