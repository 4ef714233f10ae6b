// Z80 disassembler: one instruction from its bytes, in Zilog syntax.
//
// Covers every opcode of the five pages, documented or not: the unprefixed
// page, CB (SLL included), ED (the duplicate NEG, RETN, RETI and IM forms,
// IN F,(C), OUT (C),0; codes without an instruction are two-byte NOPs), DD
// and FD with the index halves IXH, IXL, IYH, IYL, and DD CB / FD CB with the
// forms that also copy the result into a register ("RLC (IX+$05),B").
//
// Numbers are hexadecimal with a '$'; relative jumps show their target.
// A DD or FD before an opcode that has no index form makes one instruction
// with it, as the processor runs it (DD 00 is a NOP two bytes long); a chain
// of prefixes longer than the bytes given is shown prefix by prefix.
#pragma once

#include <cstdint>

namespace m5::debug {

// Longest instruction without redundant prefixes (DD CB d op).
inline constexpr int MAX_INSTRUCTION_BYTES = 4;

struct Instruction {
    int length = 1;      // bytes, prefixes included
    char text[28] = {};  // upper case, NUL-terminated, e.g. "LD A,(IX+$05)"
};

// Decodes the instruction whose first `available` bytes are `bytes`, found at
// `address` (for relative jumps). Missing bytes read as 0x00.
Instruction disassemble(const uint8_t* bytes, int available, uint16_t address);

}  // namespace m5::debug
