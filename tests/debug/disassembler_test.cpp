// The disassembler against every opcode form of the five pages: each length
// against the bytes our processor fetches for it, each text against pasmo
// (which assembles the text back into the same bytes), and the forms pasmo
// does not write (undocumented duplicates, register copies of DD CB, codes
// without an instruction) against their own table.
#include "debug/disassembler.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "cpu/z80_cpu.h"
#include "cpu/z80_execute.h"
#include "support/hex_text.h"
#include "support/temp_dir.h"

namespace m5::test {
namespace {

using debug::disassemble;
using Bytes = std::vector<uint8_t>;

// Operand bytes after each form: 0x40 keeps every address an operand names
// (jump targets, (nn), (IX+d)) away from the instruction itself.
constexpr uint8_t OPERAND = 0x40;

// Every opcode form: one per opcode of the unprefixed, CB, ED, DD and FD
// pages, and of DD CB and FD CB after a displacement.
std::vector<Bytes> every_form() {
    std::vector<Bytes> forms;
    for (int op = 0; op < 256; ++op) {
        if (op != 0xCB && op != 0xDD && op != 0xED && op != 0xFD) forms.push_back({static_cast<uint8_t>(op)});
        forms.push_back({0xCB, static_cast<uint8_t>(op)});
        forms.push_back({0xED, static_cast<uint8_t>(op)});
        if (op != 0xCB) {
            forms.push_back({0xDD, static_cast<uint8_t>(op)});
            forms.push_back({0xFD, static_cast<uint8_t>(op)});
        }
        forms.push_back({0xDD, 0xCB, OPERAND, static_cast<uint8_t>(op)});
        forms.push_back({0xFD, 0xCB, OPERAND, static_cast<uint8_t>(op)});
    }
    return forms;
}

Bytes with_operands(Bytes form) {
    while (form.size() < 8) form.push_back(OPERAND);
    return form;
}

debug::Instruction decode(const Bytes& form, uint16_t address = 0x0100) {
    const Bytes bytes = with_operands(form);
    return disassemble(bytes.data(), static_cast<int>(bytes.size()), address);
}

std::string key(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string hex(const Bytes& bytes) { return hex_text(bytes.data(), bytes.size(), true, " "); }

// A bus that notes which bytes just after the instruction's address are read:
// opcodes and operands are read there, data far away.
struct FetchBus {
    static constexpr uint16_t START = 0x0100;
    uint8_t* memory;
    uint32_t* fetched;  // bit n: START + n was read

    uint8_t read8(uint16_t address) const {
        if (address >= START && address < START + 32) *fetched |= 1u << (address - START);
        return memory[address];
    }
    void write8(uint16_t address, uint8_t value) const { memory[address] = value; }
    uint16_t read16(uint16_t address) const {
        const uint8_t low = read8(address);
        return static_cast<uint16_t>(low | read8(static_cast<uint16_t>(address + 1)) << 8);
    }
    void write16(uint16_t address, uint16_t value) const {
        write8(address, static_cast<uint8_t>(value));
        write8(static_cast<uint16_t>(address + 1), static_cast<uint8_t>(value >> 8));
    }
    uint8_t in(uint16_t) const { return 0xFF; }
    void out(uint16_t, uint8_t) const {}
};

// How many bytes from 0x0100 the processor reads running one instruction
// there with the flags `f` (a not-taken JP cc or CALL cc skips its operand
// unread, so each form runs with all flags clear and all set).
int fetched_length(const Bytes& form, uint8_t f) {
    std::vector<uint8_t> memory(0x10000, OPERAND);
    const Bytes bytes = with_operands(form);
    std::copy(bytes.begin(), bytes.end(), memory.begin() + FetchBus::START);
    Z80Cpu cpu(nullptr, nullptr);
    cpu.pc = FetchBus::START;
    cpu.sp = cpu.de.w = cpu.hl.w = cpu.ix.w = cpu.iy.w = 0x8000;
    cpu.bc.w = 0x0202;  // block instructions stay near (HL) and (DE)
    cpu.af.b.lo = f;
    uint32_t fetched = 0;
    cpu.execute_on(FetchBus{memory.data(), &fetched}, 1);
    int length = 0;
    while (length < 32 && (fetched & (1u << length))) ++length;
    return length;
}

TEST(Disassembler, every_length_is_what_the_processor_fetches) {
    for (const Bytes& form : every_form()) {
        int expected = std::max(fetched_length(form, 0x00), fetched_length(form, 0xFF));
        // EI runs the next instruction at once, in the same step.
        if (form.back() == 0xFB && form.size() <= 2 && form[0] != 0xCB && form[0] != 0xED) --expected;
        EXPECT_EQ(decode(form).length, expected) << hex(form) << decode(form).text;
    }
}

// The forms pasmo does not write as their own bytes, with their text.
// Keyed by the form's bytes as a string.
std::map<std::string, std::string> undocumented_table() {
    const std::vector<std::pair<Bytes, std::string>> listed = {
        {{0xED, 0x4C}, "NEG"},           {{0xED, 0x54}, "NEG"},       {{0xED, 0x5C}, "NEG"},
        {{0xED, 0x64}, "NEG"},           {{0xED, 0x6C}, "NEG"},       {{0xED, 0x74}, "NEG"},
        {{0xED, 0x7C}, "NEG"},           {{0xED, 0x55}, "RETN"},      {{0xED, 0x65}, "RETN"},
        {{0xED, 0x75}, "RETN"},          {{0xED, 0x5D}, "RETI"},      {{0xED, 0x6D}, "RETI"},
        {{0xED, 0x7D}, "RETI"},          {{0xED, 0x4E}, "IM 0"},      {{0xED, 0x66}, "IM 0"},
        {{0xED, 0x6E}, "IM 0"},          {{0xED, 0x76}, "IM 1"},      {{0xED, 0x7E}, "IM 2"},
        {{0xED, 0x70}, "IN F,(C)"},      {{0xED, 0x71}, "OUT (C),0"}, {{0xED, 0x63}, "LD ($4040),HL"},
        {{0xED, 0x6B}, "LD HL,($4040)"}, {{0xED, 0x77}, "NOP"},       {{0xED, 0x7F}, "NOP"},
    };
    std::map<std::string, std::string> table;
    for (const auto& [form, text] : listed) table[key(form)] = text;
    // The ED codes outside 0x40-0x7F and the block group are two-byte NOPs.
    for (int op = 0; op < 256; ++op) {
        const bool block = op >= 0xA0 && op <= 0xBB && (op & 7) <= 3;
        if ((op < 0x40 || op >= 0x80) && !block) table[key({0xED, static_cast<uint8_t>(op)})] = "NOP";
    }
    // DD CB / FD CB: the register forms of rotates, RES and SET copy the
    // result into the register; every BIT form is the (X+d) one.
    const char* const rotates[8] = {"RLC", "RRC", "RL", "RR", "SLA", "SRA", "SLL", "SRL"};
    const char* const registers[8] = {"B", "C", "D", "E", "H", "L", "", "A"};
    for (const uint8_t prefix : {uint8_t{0xDD}, uint8_t{0xFD}}) {
        const std::string x = prefix == 0xDD ? "(IX+$40)" : "(IY+$40)";
        for (int op = 0; op < 256; ++op) {
            const int kind = op >> 6, y = (op >> 3) & 7, z = op & 7;
            if (z == 6) continue;
            const std::string bit = std::to_string(y) + ",";
            std::string text = kind == 0   ? std::string(rotates[y]) + " " + x + "," + registers[z]
                               : kind == 1 ? "BIT " + bit + x
                               : kind == 2 ? "RES " + bit + x + "," + registers[z]
                                           : "SET " + bit + x + "," + registers[z];
            table[key({prefix, 0xCB, OPERAND, static_cast<uint8_t>(op)})] = text;
        }
    }
    return table;
}

TEST(Disassembler, undocumented_forms_read_as_their_table) {
    for (const auto& [form, text] : undocumented_table()) {
        const Bytes bytes(form.begin(), form.end());
        EXPECT_STREQ(decode(bytes).text, text.c_str()) << hex(bytes);
    }
}

// DD or FD before an opcode without an index form: one instruction with it,
// read as the opcode alone (the processor runs it so).
TEST(Disassembler, a_prefix_without_index_form_reads_as_the_plain_opcode) {
    EXPECT_STREQ(decode({0xDD, 0x00}).text, "NOP");
    EXPECT_EQ(decode({0xDD, 0x00}).length, 2);
    EXPECT_STREQ(decode({0xFD, 0xEB}).text, "EX DE,HL");
    EXPECT_STREQ(decode({0xDD, 0xED, 0xB0}).text, "LDIR");
    EXPECT_STREQ(decode({0xDD, 0xFD, 0x21, 0x34, 0x12}).text, "LD IY,$1234");
    EXPECT_EQ(decode({0xDD, 0xFD, 0x21, 0x34, 0x12}).length, 5);
    // A chain of prefixes running past the bytes given ends as a lone prefix.
    const uint8_t prefixes[2] = {0xDD, 0xDD};
    EXPECT_EQ(disassemble(prefixes, 2, 0).length, 1);
    EXPECT_STREQ(disassemble(prefixes, 2, 0).text, "NOP");
}

TEST(Disassembler, relative_jumps_and_displacements_show_targets_and_signs) {
    EXPECT_STREQ(decode({0x18, 0xFE}, 0x1234).text, "JR $1234");
    EXPECT_STREQ(decode({0x10, 0x80}, 0x0000).text, "DJNZ $FF82");
    EXPECT_STREQ(decode({0xFD, 0x7E, 0xFB}).text, "LD A,(IY-$05)");
    EXPECT_STREQ(decode({0xDD, 0x36, 0x80, 0x12}).text, "LD (IX-$80),$12");
    EXPECT_STREQ(decode({0xDD, 0xCB, 0x05, 0x06}).text, "RLC (IX+$05)");
}

// Every other form is written by pasmo back into its own bytes.
TEST(Disassembler, every_documented_text_assembles_back_to_its_bytes) {
    const std::map<std::string, std::string> table = undocumented_table();
    std::string source = " org $0000\n";
    Bytes expected;
    std::vector<std::pair<Bytes, std::string>> lines;
    for (const Bytes& form : every_form()) {
        if (table.count(key(form)) != 0) continue;
        const bool plain_after_prefix =
            (form[0] == 0xDD || form[0] == 0xFD) &&
            std::string(decode(form).text) == decode(Bytes(form.begin() + 1, form.end()), 0x0101).text;
        if (plain_after_prefix && form[1] != 0xCB) continue;  // checked above
        const auto address = static_cast<uint16_t>(expected.size());
        const debug::Instruction instruction = decode(form, address);
        const Bytes bytes = with_operands(form);
        expected.insert(expected.end(), bytes.begin(), bytes.begin() + instruction.length);
        source += std::string(" ") + instruction.text + "\n";
        lines.emplace_back(form, instruction.text);
    }
    ASSERT_GT(lines.size(), 750u);

    const test::TempDir temp;
    const std::filesystem::path dir = temp.path();
    std::ofstream(dir / "all.asm") << source;
    const std::string command = std::string(M5_PASMO) + " " + (dir / "all.asm").string() + " " +
                                (dir / "all.bin").string() + " > " + (dir / "pasmo.log").string() + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << std::ifstream(dir / "pasmo.log").rdbuf();
    std::ifstream binary(dir / "all.bin", std::ios::binary);
    const Bytes assembled((std::istreambuf_iterator<char>(binary)), std::istreambuf_iterator<char>());
    ASSERT_EQ(assembled.size(), expected.size());
    size_t offset = 0;
    for (const auto& [form, text] : lines) {
        const size_t length = static_cast<size_t>(decode(form).length);
        std::string got, wanted;
        for (size_t i = offset; i < offset + length; ++i) {
            got += hex({assembled[i]});
            wanted += hex({expected[i]});
        }
        EXPECT_EQ(got, wanted) << text;
        offset += length;
    }
}

}  // namespace
}  // namespace m5::test
