// What a debugger's monitor shows and takes as text, apart from any toolkit:
// the code around PC with labels and breakpoints marked, the breakpoints
// and watchpoints one line each, and the bytes a user types to change
// memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "debug/debugger.h"
#include "debug/symbols.h"

namespace m5::debug {

// `count` lines of code from `before` instructions before `pc` (fewer when
// the code before it cannot be told), each ">*PPPP  BB BB  TEXT" with '>'
// marking PC and '*' an enabled breakpoint; an address with a label gets
// the line "NAME:" before it (not counted).
std::vector<std::string> code_lines(const Debugger& debugger, const Symbols& symbols, uint16_t pc, int before,
                                    int count);

// "monitor", "temporary", or "GDB Z0" to "GDB Z4" for a client's sets.
std::string point_set_name(uint8_t set);

// "PPPP" or "PPPP (NAME)".
std::string address_text(uint16_t address, const Symbols& symbols);

// "break 200A (start)"; "watch write 7800 (LOG) x2" for two bytes; a
// disabled point ends with " (disabled)".
std::string describe_point(const Debugger::Breakpoint& point, const Symbols& symbols);
std::string describe_point(const Debugger::Watchpoint& point, const Symbols& symbols);

// Bytes typed as two hexadecimal digits each, spaces between them optional
// ("3E 01", "3e01"); none when the text holds anything else or no byte.
std::optional<std::vector<uint8_t>> parse_bytes(const std::string& text);

}  // namespace m5::debug
