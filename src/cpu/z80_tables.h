// Z80 lookup tables: flags, DAA results and instruction clocks.
//
// Every table is computed at compile time from the rule written next to it, so
// the reader checks the rule, not a wall of numbers. The processor only ever
// reads these tables; flags of INC, DEC, rotates, shifts, logical operations,
// BIT and DAA come from here, never bit by bit.
//
// Clocks are processor clocks (T-states).
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace m5::z80 {

// --- Flag bits of F ----------------------------------------------------------
inline constexpr uint8_t FLAG_C = 0x01;   // carry
inline constexpr uint8_t FLAG_N = 0x02;   // last operation was a subtraction
inline constexpr uint8_t FLAG_PV = 0x04;  // parity / overflow
inline constexpr uint8_t FLAG_3 = 0x08;   // copy of a result bit (undocumented)
inline constexpr uint8_t FLAG_H = 0x10;   // half carry
inline constexpr uint8_t FLAG_5 = 0x20;   // copy of a result bit (undocumented)
inline constexpr uint8_t FLAG_Z = 0x40;   // zero
inline constexpr uint8_t FLAG_S = 0x80;   // sign
inline constexpr uint8_t FLAGS_53 = FLAG_5 | FLAG_3;
inline constexpr uint8_t FLAGS_SZP = FLAG_S | FLAG_Z | FLAG_PV;

template <std::size_t N, class Rule>
constexpr auto make_table(Rule rule) {
    std::array<decltype(rule(0)), N> table{};
    for (std::size_t i = 0; i < N; ++i) table[i] = rule(static_cast<int>(i));
    return table;
}

constexpr uint8_t sz53(int x) { return static_cast<uint8_t>((x & FLAG_S) | (x == 0 ? FLAG_Z : 0) | (x & FLAGS_53)); }
constexpr bool even_parity(int x) { return std::popcount(static_cast<unsigned>(x)) % 2 == 0; }

// --- Flag tables, indexed by a byte value x -------------------------------------
// S = bit 7 of x, Z = (x = 0), bits 5 and 3 of x.
inline constexpr auto SZ53_FLAGS = make_table<256>([](int x) { return sz53(x); });
// ... plus P/V = even parity (x = 0 gives 0x44).
inline constexpr auto SZ53P_FLAGS =
    make_table<256>([](int x) { return static_cast<uint8_t>(sz53(x) | (even_parity(x) ? FLAG_PV : 0)); });
// ... plus P/V = (x = 0): BIT b tests x & (1 << b), so P/V follows Z.
inline constexpr auto BIT_FLAGS =
    make_table<256>([](int x) { return static_cast<uint8_t>(sz53(x) | (x == 0 ? FLAG_PV : 0)); });
// After an 8-bit increment whose result is x: H on a carry out of bit 3, V on 0x7F -> 0x80.
inline constexpr auto INC_FLAGS = make_table<256>(
    [](int x) { return static_cast<uint8_t>(sz53(x) | ((x & 0x0F) == 0 ? FLAG_H : 0) | (x == 0x80 ? FLAG_PV : 0)); });
// After an 8-bit decrement whose result is x: H on a borrow into bit 3, V on 0x80 -> 0x7F.
inline constexpr auto DEC_FLAGS = make_table<256>([](int x) {
    return static_cast<uint8_t>(sz53(x) | ((x & 0x0F) == 0x0F ? FLAG_H : 0) | (x == 0x7F ? FLAG_PV : 0) | FLAG_N);
});

// --- DAA ------------------------------------------------------------------------
// Complete AF after DAA, indexed by A | C << 8 | H << 9 | N << 10 (flags before).
// Correction 0x60 when C or A > 0x99 (and then C' = 1), plus 0x06 when H or the
// low digit > 9; added after an addition, subtracted after a subtraction.
constexpr uint16_t daa_result(int index) {
    const int a = index & 0xFF, carry = (index >> 8) & 1, half = (index >> 9) & 1, subtract = (index >> 10) & 1;
    int correction = 0, carry_out = carry;
    if (carry || a > 0x99) correction = 0x60, carry_out = 1;
    if (half || (a & 0x0F) > 9) correction |= 0x06;
    const int result = (subtract ? a - correction : a + correction) & 0xFF;
    const bool half_out = subtract ? (half && (a & 0x0F) < 6) : ((a & 0x0F) > 9);
    const int flags =
        SZ53P_FLAGS[result] | (half_out ? FLAG_H : 0) | (subtract ? FLAG_N : 0) | (carry_out ? FLAG_C : 0);
    return static_cast<uint16_t>(result << 8 | flags);
}
inline constexpr auto DAA_RESULTS = make_table<2048>(daa_result);

// --- Block I/O parity tables ----------------------------------------------------
// P/V after INI, IND, OUTI, OUTD and their repeating forms is
//   T[(C & 3) * 4 + (v & 3)] ^ BLOCK_IO_B[B'] ^ bit 2 of v ^ bit 2 of C
// with T = BLOCK_IO_INC for the incrementing and BLOCK_IO_DEC for the
// decrementing forms (v the byte moved, B' the decremented B). The tables are
// measurements of the chip rather than the result of a short formula.
inline constexpr std::array<uint8_t, 16> BLOCK_IO_INC = {0, 0, 1, 0,  //
                                                         0, 1, 0, 1,  //
                                                         1, 0, 1, 1,  //
                                                         0, 1, 1, 0};
inline constexpr std::array<uint8_t, 16> BLOCK_IO_DEC = {0, 1, 0, 0,  //
                                                         1, 0, 0, 1,  //
                                                         0, 0, 1, 0,  //
                                                         0, 1, 0, 1};
// Indexed by B'; each row holds 32 consecutive entries.
inline constexpr const char* BLOCK_IO_B_ROWS[8] = {
    "00110100110010110100101100110100", "11001011001101001011010011001011",  // 0x00, 0x20
    "01001011001101001011010011001011", "00110100110010110100101100110100",  // 0x40, 0x60
    "11001011001101001011010011001011", "00110100110010110100101100110100",  // 0x80, 0xA0
    "10110100110010110100101100110100", "11001011001101001011010011001011",  // 0xC0, 0xE0
};
inline constexpr auto BLOCK_IO_B =
    make_table<256>([](int b) { return static_cast<uint8_t>(BLOCK_IO_B_ROWS[b >> 5][b & 31] - '0'); });

// --- Clock tables ---------------------------------------------------------------
// Opcodes are decoded as x = op >> 6, y = (op >> 3) & 7, z = op & 7, p = y >> 1,
// q = y & 1 (the Z80's own field layout); r = 6 names (HL).

// Unprefixed page. Conditional instructions at their not-taken count (the
// taken branch adds BRANCH_*_EXTRA); prefix bytes cost 0, their page charges.
constexpr int32_t main_clocks(int op) {
    const int x = op >> 6, y = (op >> 3) & 7, z = op & 7, p = y >> 1, q = y & 1;
    switch (x) {
        case 0:
            switch (z) {
                case 0: return y == 0 || y == 1 ? 4 : y == 2 ? 8 : y == 3 ? 12 : 7;  // NOP, EX AF, DJNZ, JR, JR cc
                case 1: return q ? 11 : 10;                                          // ADD HL,rr / LD rr,nn
                case 2: return p < 2 ? 7 : p == 2 ? 16 : 13;  // LD (BC/DE),A ..., LD (nn),HL ..., LD (nn),A ...
                case 3: return 6;                             // INC rr, DEC rr
                case 4:
                case 5: return y == 6 ? 11 : 4;  // INC r, DEC r
                case 6: return y == 6 ? 10 : 7;  // LD r,n
                default: return 4;               // rotates of A, DAA, CPL, SCF, CCF
            }
        case 1: return op == 0x76 ? 4 : (y == 6 || z == 6) ? 7 : 4;  // HALT, LD r,r'
        case 2: return z == 6 ? 7 : 4;                               // ALU A,r
        default:
            switch (z) {
                case 0: return 5;                                           // RET cc
                case 1: return q == 0 ? 10 : p == 0 ? 10 : p == 3 ? 6 : 4;  // POP, RET, EXX, JP (HL), LD SP,HL
                case 2: return 10;                                          // JP cc,nn
                case 3: return y == 0 ? 10 : y == 1 ? 0 : y < 4 ? 11 : y == 4 ? 19 : 4;  // JP, CB, OUT, IN, EX (SP)
                case 4: return 10;                                                       // CALL cc,nn
                case 5: return q == 0 ? 11 : p == 0 ? 17 : 0;                            // PUSH, CALL, DD/ED/FD
                case 6: return 7;                                                        // ALU A,n
                default: return 11;                                                      // RST
            }
    }
}
inline constexpr auto CYCLES_MAIN = make_table<256>(main_clocks);

// Extra clocks of a taken branch.
inline constexpr int32_t BRANCH_JR_EXTRA = 5;     // JR cc, DJNZ
inline constexpr int32_t BRANCH_RET_EXTRA = 6;    // RET cc
inline constexpr int32_t BRANCH_CALL_EXTRA = 7;   // CALL cc
inline constexpr int32_t BLOCK_REPEAT_EXTRA = 5;  // each repetition of a repeating block instruction

// CB page: 8 on a register; 15 for rotate, shift, RES, SET on (HL); 12 for BIT b,(HL).
inline constexpr auto CYCLES_CB = make_table<256>([](int op) -> int32_t {
    return (op & 7) != 6 ? 8 : (op >> 6) == 1 ? 12 : 15;
});

// ED page. RETN and RETI cost 8 like every other two-byte control op.
constexpr int32_t ed_clocks(int op) {
    const int x = op >> 6, y = (op >> 3) & 7, z = op & 7;
    if (x == 1) {
        switch (z) {
            case 0:
            case 1: return 12;                          // IN r,(C), OUT (C),r
            case 2: return 15;                          // SBC HL,rr, ADC HL,rr
            case 3: return 20;                          // LD (nn),rr, LD rr,(nn)
            case 7: return y < 4 ? 9 : y < 6 ? 18 : 8;  // LD I/R,A, LD A,I/R; RRD, RLD; two no-ops
            default: return 8;                          // NEG, RETN, RETI, IM
        }
    }
    if (x == 2 && y >= 4 && z <= 3) return 16;  // block instructions, per execution
    return 8;                                   // every opcode that does nothing
}
inline constexpr auto CYCLES_ED = make_table<256>(ed_clocks);

// DD and FD page (X is IX or IY). Only opcodes that use HL, H, L or (HL) on the
// unprefixed page have an index form; every other opcode costs the prefix's 4
// and then runs unprefixed (see run_index).
constexpr int32_t index_clocks(int op) {
    const int x = op >> 6, y = (op >> 3) & 7, z = op & 7;
    switch (op) {
        case 0x09:
        case 0x19:
        case 0x29:
        case 0x39: return 15;  // ADD X,rr
        case 0x21: return 14;  // LD X,nn
        case 0x22:
        case 0x2A: return 20;  // LD (nn),X, LD X,(nn)
        case 0x23:
        case 0x2B: return 10;  // INC X, DEC X
        case 0x24:
        case 0x25:
        case 0x26:  // INC, DEC, LD XH
        case 0x2C:
        case 0x2D:
        case 0x2E: return 9;  // INC, DEC, LD XL
        case 0x34:
        case 0x35: return 23;  // INC (X+d), DEC (X+d)
        case 0x36: return 19;  // LD (X+d),n
        case 0x76: return 4;   // HALT has no index form
        case 0xCB: return 0;   // DD CB page charges
        case 0xE1: return 14;  // POP X
        case 0xE3: return 23;  // EX (SP),X
        case 0xE5: return 15;  // PUSH X
        case 0xE9: return 8;   // JP (X)
        case 0xF9: return 10;  // LD SP,X
        default: break;
    }
    if (x == 1 || x == 2) {
        const bool memory = z == 6 || (x == 1 && y == 6);
        const bool half = z == 4 || z == 5 || (x == 1 && (y == 4 || y == 5));
        if (memory) return 19;  // LD r,(X+d), LD (X+d),r, ALU A,(X+d)
        if (half) return 9;     // XH / XL forms
    }
    return 4;
}
inline constexpr auto CYCLES_INDEX = make_table<256>(index_clocks);

// DD CB d op / FD CB d op: 20 for BIT, 23 for the rest.
inline constexpr auto CYCLES_INDEX_CB = make_table<256>([](int op) -> int32_t { return (op >> 6) == 1 ? 20 : 23; });

}  // namespace m5::z80
