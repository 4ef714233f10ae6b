// Symbol files: the labels an assembler writes beside its output, and the
// addresses a user types (hexadecimal, or a label).
//
// Read forms, one a line, case of EQU ignored, comments after ';' dropped:
//   name equ value        (pasmo --equ, sjasmplus, z88dk's .def files: "DEFC name = value" too)
//   name: equ value
//   name: value           (z88dk and others' maps: "name: $1234" or "name = $1234 ; ...")
//   name = value
// A value is hexadecimal with '$', '#' or '0x' before or 'h' after it, or
// decimal. Other lines are skipped.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace m5::debug {

class Symbols {
public:
    // Adds the labels of a symbol file's text; returns how many were read.
    int32_t read(const std::string& text);

    // A label's address, or none.
    std::optional<uint16_t> find(const std::string& name) const;
    // An address as typed: a label, else hexadecimal with or without '$',
    // '0x' or 'h'. None when it is neither or does not fit 16 bits.
    std::optional<uint16_t> resolve(const std::string& text) const;
    // The label at exactly `address`, or empty.
    std::string name_at(uint16_t address) const;

    bool empty() const { return by_name.empty(); }

private:
    std::map<std::string, uint16_t> by_name;
    std::map<uint16_t, std::string> by_address;
};

// A number as assemblers write it ($1234, 1234h, 0x1234, #1234, 4660).
std::optional<uint32_t> parse_assembler_number(const std::string& text);

}  // namespace m5::debug
