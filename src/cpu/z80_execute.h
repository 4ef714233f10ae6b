// The Z80 run loop and its five opcode pages, as templates over the bus type.
//
// z80_cpu.cpp instantiates them for the general bus (Component virtual calls);
// a tool that owns final memory and port components can include this header
// and call Z80Cpu::execute_on with its own Z80Bus to get direct calls.
//
// Each page is one switch. Above each instruction group a small table gives
// the encoding, the flags it changes and its clocks (the base clocks come from
// the tables of z80_tables.h and are charged before the instruction acts).
// Flag columns: S Z 5 H 3 P N C; "*" computed, "-" unchanged, "0"/"1" forced,
// "T" from a lookup table.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>

#include "cpu/z80_cpu.h"
#include "cpu/z80_tables.h"

namespace m5 {

// --- The working copy ----------------------------------------------------------
// Z80Core runs instructions for the processor. PC, R and the clock budget,
// which every instruction changes, are its own fields: the core is a local
// object of the run loop, and the compiler keeps them in machine registers
// instead of going through memory at every instruction. The rest of the
// register file stays in the processor (the core's references below). The
// working copies are written back to the processor before every call out of
// it (a memory handler, a port, the interrupt chain), so that the callee sees
// the processor as it is, and read again after the call, which may have
// changed them (the stop line empties the budget); and they are written back
// when the run ends. Everything the loop runs is inlined into it
// (always_inline), so the core's address is never taken.

template <class Bus>
class Z80Core {
public:
    // whole_slices: the core runs a slice (run), not single steps (step), so
    // LDIR may run its later passes without going round the run loop.
    Z80Core(Z80Cpu& cpu, const Bus& bus, bool whole_slices)
        : cpu(cpu), bus(bus), whole_slices(whole_slices), pc(cpu.pc), r(cpu.r), clocks_left(cpu.clocks_left) {}

    // Z80Cpu::execute_on and step_on with the working copies; write_back
    // afterwards.
    [[gnu::always_inline]] void run(int32_t clocks);
    [[gnu::always_inline]] bool step();
    [[gnu::always_inline]] void write_back() {
        cpu.pc = static_cast<uint16_t>(pc);
        cpu.r = static_cast<uint8_t>((cpu.r & 0x80) | (r & 0x7F));
        cpu.clocks_left = clocks_left;
    }

private:
    static constexpr uint32_t NMI_PENDING_BIT = Z80Cpu::NMI_PENDING_BIT;

    [[gnu::always_inline]] void read_back() { pc = cpu.pc, r = cpu.r, clocks_left = cpu.clocks_left; }

    // Memory and ports: a page with a pointer directly; a null page and every
    // port through the bus, between a write-back and a read-back. A bus
    // without page tables (a test's, the debugger's) takes every access.
    static constexpr bool BUS_HAS_PAGES = requires(const Bus& b) {
        b.read_pages[0];
        b.write_pages[0];
    };
    static uint8_t* const* read_table(const Bus& b) {
        if constexpr (BUS_HAS_PAGES) return b.read_pages;
        return Z80_NO_PAGES;
    }
    static uint8_t* const* write_table(const Bus& b) {
        if constexpr (BUS_HAS_PAGES) return b.write_pages;
        return Z80_NO_PAGES;
    }
    [[gnu::always_inline]] const uint8_t* read_page(uint16_t address) const;
    [[gnu::always_inline]] uint8_t* write_page(uint16_t address) const;
    [[gnu::always_inline]] uint8_t read8(uint16_t address);
    [[gnu::always_inline]] void write8(uint16_t address, uint8_t value);
    [[gnu::always_inline]] uint16_t read16(uint16_t address);
    [[gnu::always_inline]] void write16(uint16_t address, uint16_t value);
    [[gnu::always_inline]] uint8_t port_in(uint16_t port);
    [[gnu::always_inline]] void port_out(uint16_t port, uint8_t value);

    // Bus operations of the instructions.
    [[gnu::always_inline]] uint8_t fetch_opcode();
    [[gnu::always_inline]] uint8_t fetch_byte();
    [[gnu::always_inline]] uint16_t fetch_word();
    [[gnu::always_inline]] void push_word(uint16_t value);
    [[gnu::always_inline]] uint16_t pop_word();
    [[gnu::always_inline]] uint16_t exchange_stack(uint16_t value);
    [[gnu::always_inline]] uint16_t indexed_address(const Z80Pair& x);

    // Interrupt acceptance and the opcode pages.
    [[gnu::always_inline]] void accept_interrupt();
    [[gnu::always_inline]] void run_main(uint8_t op);
    [[gnu::always_inline]] void run_cb();
    [[gnu::always_inline]] void run_ed();
    [[gnu::always_inline]] int run_index(Z80Pair& x);
    [[gnu::always_inline]] void run_index_cb(Z80Pair& x);

    // Groups of related instructions.
    [[gnu::always_inline]] void jump_relative_if(bool taken);
    [[gnu::always_inline]] void jump_if(bool taken);
    [[gnu::always_inline]] void call();
    [[gnu::always_inline]] void call_if(bool taken);
    [[gnu::always_inline]] void return_if(bool taken);
    [[gnu::always_inline]] void restart(uint16_t address);
    [[gnu::always_inline]] void return_from_interrupt(bool reti);
    [[gnu::always_inline]] uint8_t in_c();
    [[gnu::always_inline]] void block_load_step(int step);
    [[gnu::always_inline]] void block_load_flags(uint8_t value);
    [[gnu::always_inline]] void repeat_copy_forward();
    [[gnu::always_inline]] void block_compare_step(int step);
    [[gnu::always_inline]] void block_io_step(bool input, int step);

    // Shared flag operations: each sets F and returns or stores its result.
    [[gnu::always_inline]] uint8_t inc8(uint8_t x);
    [[gnu::always_inline]] uint8_t dec8(uint8_t x);
    [[gnu::always_inline]] uint16_t add16(uint16_t a, uint16_t b);
    [[gnu::always_inline]] void adc16(uint16_t value);
    [[gnu::always_inline]] void sbc16(uint16_t value);
    [[gnu::always_inline]] void add8(uint8_t value, int carry_in);
    [[gnu::always_inline]] uint8_t subtract_flags(uint8_t value, int carry_in);
    [[gnu::always_inline]] void sub8(uint8_t value, int carry_in);
    [[gnu::always_inline]] void cp8(uint8_t value);
    [[gnu::always_inline]] void and8(uint8_t value);
    [[gnu::always_inline]] void xor8(uint8_t value);
    [[gnu::always_inline]] void or8(uint8_t value);
    [[gnu::always_inline]] uint8_t rotate_shift(int operation, uint8_t x);
    [[gnu::always_inline]] void bit_test(int bit, uint8_t x, uint8_t source);
    [[gnu::always_inline]] void neg();
    [[gnu::always_inline]] int carry() const;
    [[gnu::always_inline]] bool condition(int code) const;
    [[gnu::always_inline]] uint8_t reg8(int index) const;
    [[gnu::always_inline]] void set_reg8(int index, uint8_t value);

    Z80Cpu& cpu;
    const Bus& bus;
    const bool whole_slices;
    // The working copies. PC and R are held in full machine words (PC
    // always below 0x10000): GCC keeps words in registers across the loop
    // where it would spill 16-bit and 8-bit ones. R's working copy counts
    // the opcode fetches: its low 7 bits are R's; bit 7 of R stays in the
    // processor's r, which only LD R,A changes.
    uint32_t pc;
    uint32_t r;
    int32_t clocks_left;
    // The page tables, taken out of the bus: as locals they stay in machine
    // registers, where a byte written through a page would make the
    // compiler fetch the bus's pointers again.
    uint8_t* const* const read_pages = read_table(bus);
    uint8_t* const* const write_pages = write_table(bus);
    // The rest of the register file, in the processor.
    int32_t& slice_mark = cpu.slice_mark;
    uint16_t& instr_pc = cpu.instr_pc;
    Z80Pair &af = cpu.af, &bc = cpu.bc, &de = cpu.de, &hl = cpu.hl, &ix = cpu.ix, &iy = cpu.iy;
    Z80Pair &af_alt = cpu.af_alt, &bc_alt = cpu.bc_alt, &de_alt = cpu.de_alt, &hl_alt = cpu.hl_alt;
    uint8_t &i = cpu.i, &im = cpu.im, &iff1 = cpu.iff1, &iff2 = cpu.iff2, &stopped = cpu.stopped, &halted = cpu.halted;
    uint16_t &sp = cpu.sp, &operand_address = cpu.operand_address;
    uint32_t &irq_pending = cpu.irq_pending, &irq_hold = cpu.irq_hold;
};

// --- Memory and ports -------------------------------------------------------------

template <class Bus>
inline const uint8_t* Z80Core<Bus>::read_page(uint16_t address) const {
    if constexpr (BUS_HAS_PAGES)
        return read_pages[address >> Z80_PAGE_SHIFT];
    else
        return nullptr;
}

template <class Bus>
inline uint8_t* Z80Core<Bus>::write_page(uint16_t address) const {
    if constexpr (BUS_HAS_PAGES)
        return write_pages[address >> Z80_PAGE_SHIFT];
    else
        return nullptr;
}

template <class Bus>
inline uint8_t Z80Core<Bus>::read8(uint16_t address) {
    if (const uint8_t* page = read_page(address)) [[likely]]
        return page[address & (Z80_PAGE_SIZE - 1)];
    write_back();
    const uint8_t value = bus.read8(address);
    read_back();
    return value;
}

template <class Bus>
inline void Z80Core<Bus>::write8(uint16_t address, uint8_t value) {
    if (uint8_t* page = write_page(address)) [[likely]] {
        page[address & (Z80_PAGE_SIZE - 1)] = value;
        return;
    }
    write_back();
    bus.write8(address, value);
    read_back();
}

// Low byte first. A word that crosses into the next page, or lies on a null
// page, goes to the handler, which wraps from 0xFFFF to 0x0000.
template <class Bus>
inline uint16_t Z80Core<Bus>::read16(uint16_t address) {
    const uint32_t offset = address & (Z80_PAGE_SIZE - 1);
    const uint8_t* page = read_page(address);
    if (page != nullptr && offset != Z80_PAGE_SIZE - 1) [[likely]]
        return static_cast<uint16_t>(page[offset] | page[offset + 1] << 8);
    write_back();
    const uint16_t value = bus.read16(address);
    read_back();
    return value;
}

template <class Bus>
inline void Z80Core<Bus>::write16(uint16_t address, uint16_t value) {
    const uint32_t offset = address & (Z80_PAGE_SIZE - 1);
    uint8_t* page = write_page(address);
    if (page != nullptr && offset != Z80_PAGE_SIZE - 1) [[likely]] {
        page[offset] = static_cast<uint8_t>(value);
        page[offset + 1] = static_cast<uint8_t>(value >> 8);
        return;
    }
    write_back();
    bus.write16(address, value);
    read_back();
}

template <class Bus>
inline uint8_t Z80Core<Bus>::port_in(uint16_t port) {
    write_back();
    const uint8_t value = bus.in(port);
    read_back();
    return value;
}

template <class Bus>
inline void Z80Core<Bus>::port_out(uint16_t port, uint8_t value) {
    write_back();
    bus.out(port, value);
    read_back();
}

// --- Bus operations ------------------------------------------------------------

// An M1 fetch: every opcode byte, including the one after a prefix. R counts
// in bits 0..6 (the working copy counts on; write_back keeps bit 7).
template <class Bus>
inline uint8_t Z80Core<Bus>::fetch_opcode() {
    const uint8_t op = read8(pc);
    pc = static_cast<uint16_t>(pc + 1);
    ++r;
    return op;
}

template <class Bus>
inline uint8_t Z80Core<Bus>::fetch_byte() {
    const uint8_t value = read8(pc);
    pc = static_cast<uint16_t>(pc + 1);
    return value;
}

template <class Bus>
inline uint16_t Z80Core<Bus>::fetch_word() {
    const uint16_t value = read16(pc);
    pc = static_cast<uint16_t>(pc + 2);
    return value;
}

template <class Bus>
inline void Z80Core<Bus>::push_word(uint16_t value) {
    sp = static_cast<uint16_t>(sp - 2);
    write16(sp, value);
}

template <class Bus>
inline uint16_t Z80Core<Bus>::pop_word() {
    const uint16_t value = read16(sp);
    sp = static_cast<uint16_t>(sp + 2);
    return value;
}

template <class Bus>
inline uint16_t Z80Core<Bus>::exchange_stack(uint16_t value) {
    const uint16_t old = read16(sp);
    write16(sp, value);
    return old;
}

// IX+d / IY+d: fetches the displacement and latches the address.
template <class Bus>
inline uint16_t Z80Core<Bus>::indexed_address(const Z80Pair& x) {
    const auto offset = static_cast<int8_t>(fetch_byte());
    operand_address = static_cast<uint16_t>(x.w + offset);
    return operand_address;
}

// --- Shared flag operations ---------------------------------------------------

template <class Bus>
inline uint8_t Z80Core<Bus>::inc8(uint8_t x) {
    x = static_cast<uint8_t>(x + 1);
    af.b.lo = static_cast<uint8_t>(z80::INC_FLAGS[x] | (af.b.lo & z80::FLAG_C));
    return x;
}

template <class Bus>
inline uint8_t Z80Core<Bus>::dec8(uint8_t x) {
    x = static_cast<uint8_t>(x - 1);
    af.b.lo = static_cast<uint8_t>(z80::DEC_FLAGS[x] | (af.b.lo & z80::FLAG_C));
    return x;
}

// ADD HL,rr / ADD X,rr: H from bit 11, C from bit 15, bits 5 and 3 from the
// high byte; S, Z and P/V unchanged.
template <class Bus>
inline uint16_t Z80Core<Bus>::add16(uint16_t a, uint16_t b) {
    const uint32_t result = uint32_t{a} + b;
    af.b.lo = static_cast<uint8_t>((af.b.lo & z80::FLAGS_SZP) | (((a ^ b ^ result) >> 8) & z80::FLAG_H) |
                                   ((result >> 8) & z80::FLAGS_53) | (result >> 16));
    return static_cast<uint16_t>(result);
}

// ADC HL,rr: full flags from the 16-bit result.
template <class Bus>
inline void Z80Core<Bus>::adc16(uint16_t value) {
    const uint32_t old = hl.w;
    const uint32_t result = old + value + (af.b.lo & z80::FLAG_C);
    hl.w = static_cast<uint16_t>(result);
    af.b.lo = static_cast<uint8_t>(((result >> 8) & (z80::FLAG_S | z80::FLAGS_53)) | (hl.w == 0 ? z80::FLAG_Z : 0) |
                                   (((old ^ value ^ result) >> 8) & z80::FLAG_H) |
                                   (((~(old ^ value) & (value ^ result)) >> 13) & z80::FLAG_PV) | ((result >> 16) & 1));
}

// SBC HL,rr: as ADC, with borrow and N set.
template <class Bus>
inline void Z80Core<Bus>::sbc16(uint16_t value) {
    const int32_t old = hl.w;
    const int32_t result = old - value - (af.b.lo & z80::FLAG_C);
    hl.w = static_cast<uint16_t>(result);
    af.b.lo = static_cast<uint8_t>(((result >> 8) & (z80::FLAG_S | z80::FLAGS_53)) | (hl.w == 0 ? z80::FLAG_Z : 0) |
                                   (((old ^ value ^ result) >> 8) & z80::FLAG_H) |
                                   ((((old ^ value) & (old ^ result)) >> 13) & z80::FLAG_PV) | ((result >> 16) & 1) |
                                   z80::FLAG_N);
}

// The 8-bit arithmetic group on A: ADD ADC SUB SBC AND XOR OR CP.
template <class Bus>
inline void Z80Core<Bus>::add8(uint8_t value, int carry_in) {
    const int a = af.b.hi, result = a + value + carry_in;
    af.b.hi = static_cast<uint8_t>(result);
    af.b.lo = static_cast<uint8_t>(z80::SZ53_FLAGS[result & 0xFF] | ((a ^ value ^ result) & z80::FLAG_H) |
                                   (((value ^ result) & ~(a ^ value)) >> 5 & z80::FLAG_PV) | (result >> 8));
}

template <class Bus>
inline uint8_t Z80Core<Bus>::subtract_flags(uint8_t value, int carry_in) {
    const int a = af.b.hi, result = a - value - carry_in;
    af.b.lo =
        static_cast<uint8_t>(z80::SZ53_FLAGS[result & 0xFF] | ((a ^ value ^ result) & z80::FLAG_H) |
                             (((a ^ value) & (a ^ result)) >> 5 & z80::FLAG_PV) | ((result >> 8) & 1) | z80::FLAG_N);
    return static_cast<uint8_t>(result);
}

template <class Bus>
inline void Z80Core<Bus>::sub8(uint8_t value, int carry_in) {
    af.b.hi = subtract_flags(value, carry_in);
}

// CP: as SUB without storing A; bits 5 and 3 come from the operand.
template <class Bus>
inline void Z80Core<Bus>::cp8(uint8_t value) {
    subtract_flags(value, 0);
    af.b.lo = static_cast<uint8_t>((af.b.lo & ~z80::FLAGS_53) | (value & z80::FLAGS_53));
}

template <class Bus>
inline void Z80Core<Bus>::and8(uint8_t value) {
    af.b.hi &= value;
    af.b.lo = static_cast<uint8_t>(z80::SZ53P_FLAGS[af.b.hi] | z80::FLAG_H);
}

template <class Bus>
inline void Z80Core<Bus>::xor8(uint8_t value) {
    af.b.hi ^= value;
    af.b.lo = z80::SZ53P_FLAGS[af.b.hi];
}

template <class Bus>
inline void Z80Core<Bus>::or8(uint8_t value) {
    af.b.hi |= value;
    af.b.lo = z80::SZ53P_FLAGS[af.b.hi];
}

template <class Bus>
inline int Z80Core<Bus>::carry() const {
    return af.b.lo & z80::FLAG_C;
}

// Rotates and shifts of the CB pages, by (op >> 3) & 7:
// 0 RLC, 1 RRC, 2 RL, 3 RR, 4 SLA, 5 SRA, 6 SLL (bit 0 set), 7 SRL.
// F = SZ53P of the result plus the bit shifted out as C.
template <class Bus>
inline uint8_t Z80Core<Bus>::rotate_shift(int operation, uint8_t x) {
    int result = 0, carry_out = 0;
    switch (operation) {
        case 0: result = x << 1 | x >> 7, carry_out = x >> 7; break;
        case 1: result = x >> 1 | x << 7, carry_out = x & 1; break;
        case 2: result = x << 1 | carry(), carry_out = x >> 7; break;
        case 3: result = x >> 1 | carry() << 7, carry_out = x & 1; break;
        case 4: result = x << 1, carry_out = x >> 7; break;
        case 5: result = (x & 0x80) | x >> 1, carry_out = x & 1; break;
        case 6: result = x << 1 | 1, carry_out = x >> 7; break;
        default: result = x >> 1, carry_out = x & 1; break;
    }
    const auto value = static_cast<uint8_t>(result);
    af.b.lo = static_cast<uint8_t>(z80::SZ53P_FLAGS[value] | carry_out);
    return value;
}

// BIT b,x: Z and P/V set when the bit is clear, S only for a set bit 7; H
// set, C kept. Bits 5 and 3 are copied from `source`: the tested register
// itself, or for a memory operand the high byte of its address.
template <class Bus>
inline void Z80Core<Bus>::bit_test(int bit, uint8_t x, uint8_t source) {
    af.b.lo = static_cast<uint8_t>((z80::BIT_FLAGS[x & (1 << bit)] & ~z80::FLAGS_53) | (source & z80::FLAGS_53) |
                                   z80::FLAG_H | carry());
}

// Condition codes in encoding order: NZ Z NC C PO PE P M.
template <class Bus>
inline bool Z80Core<Bus>::condition(int code) const {
    constexpr uint8_t TESTED[4] = {z80::FLAG_Z, z80::FLAG_C, z80::FLAG_PV, z80::FLAG_S};
    return ((af.b.lo & TESTED[code >> 1]) != 0) == ((code & 1) != 0);
}

// B, C, D, E, H, L, (unused), A by the 3-bit register field.
template <class Bus>
inline uint8_t Z80Core<Bus>::reg8(int index) const {
    switch (index) {
        case 0: return bc.b.hi;
        case 1: return bc.b.lo;
        case 2: return de.b.hi;
        case 3: return de.b.lo;
        case 4: return hl.b.hi;
        case 5: return hl.b.lo;
        default: return af.b.hi;
    }
}

template <class Bus>
inline void Z80Core<Bus>::set_reg8(int index, uint8_t value) {
    switch (index) {
        case 0: bc.b.hi = value; break;
        case 1: bc.b.lo = value; break;
        case 2: de.b.hi = value; break;
        case 3: de.b.lo = value; break;
        case 4: hl.b.hi = value; break;
        case 5: hl.b.lo = value; break;
        default: af.b.hi = value; break;
    }
}

// --- Branch helpers ---------------------------------------------------------------
// Not taken: the operand is skipped without being read.

template <class Bus>
inline void Z80Core<Bus>::jump_relative_if(bool taken) {
    if (taken) {
        const auto offset = static_cast<int8_t>(fetch_byte());
        pc = static_cast<uint16_t>(pc + offset);
        clocks_left -= z80::BRANCH_JR_EXTRA;
    } else {
        pc = static_cast<uint16_t>(pc + 1);
    }
}

template <class Bus>
inline void Z80Core<Bus>::jump_if(bool taken) {
    pc = taken ? read16(pc) : static_cast<uint16_t>(pc + 2);
}

template <class Bus>
inline void Z80Core<Bus>::call() {
    const uint16_t target = fetch_word();
    push_word(pc);
    pc = target;
}

template <class Bus>
inline void Z80Core<Bus>::call_if(bool taken) {
    if (taken) {
        call();
        clocks_left -= z80::BRANCH_CALL_EXTRA;
    } else {
        pc = static_cast<uint16_t>(pc + 2);
    }
}

template <class Bus>
inline void Z80Core<Bus>::return_if(bool taken) {
    if (taken) {
        pc = pop_word();
        clocks_left -= z80::BRANCH_RET_EXTRA;
    }
}

template <class Bus>
inline void Z80Core<Bus>::restart(uint16_t address) {
    push_word(pc);
    pc = address;
}

// --- Run loop -------------------------------------------------------------------

template <class Bus>
inline void Z80Core<Bus>::run(int32_t clocks) {
    if (stopped) {
        clocks_left = 0;
        slice_mark = 0;
        return;
    }
    clocks_left += clocks;
    slice_mark = clocks_left;
    while (clocks_left > 0) {
        run_main(fetch_opcode());
        if (irq_pending != 0) [[unlikely]]
            accept_interrupt();
    }
    slice_mark = clocks_left;
}

template <class Bus>
inline bool Z80Core<Bus>::step() {
    const uint8_t op = fetch_opcode();
    if (op == 0xFB) {
        // EI alone; the interrupt it lets in waits for the next step.
        instr_pc = static_cast<uint16_t>(pc - 1);
        clocks_left -= z80::CYCLES_MAIN[op];
        iff1 = iff2 = 1;
        return true;
    }
    run_main(op);
    if (irq_pending != 0) [[unlikely]]
        accept_interrupt();
    return false;
}

// Between two instructions with a request bit set: the NMI latch first; else
// a maskable request if enabled; else requests without hold are dropped.
template <class Bus>
inline void Z80Core<Bus>::accept_interrupt() {
    if (irq_pending & NMI_PENDING_BIT) {
        if (halted) halted = 0, pc = static_cast<uint16_t>(pc + 1);
        push_word(pc);
        pc = Z80Cpu::NMI_VECTOR;
        clocks_left -= Z80Cpu::NMI_ACCEPT_CLOCKS;
        iff1 = 0;
        irq_pending &= ~NMI_PENDING_BIT;
        return;
    }
    if (!iff1) {
        irq_pending &= irq_hold;
        return;
    }
    if (halted) halted = 0, pc = static_cast<uint16_t>(pc + 1);
    // The acknowledge comes before the push in every mode.
    write_back();
    const int32_t vector = cpu.int_chain != nullptr ? cpu.int_chain->irq_acknowledge() : 0xFF;
    read_back();
    push_word(pc);
    if (im == 0) {
        // The data-bus byte runs as an instruction: RST p or CALL nn.
        const int op = vector & 0xFF;
        if ((op & 0xC7) == 0xC7)
            pc = static_cast<uint16_t>(op & 0x38);
        else if (op == 0xCD)
            pc = static_cast<uint16_t>(vector >> 8);
    } else if (im == 1) {
        pc = 0x0038;
    } else {
        pc = read16(static_cast<uint16_t>(i << 8 | (vector & 0xFF)));
    }
    iff1 = iff2 = 0;
    clocks_left -= Z80Cpu::IRQ_ACCEPT_CLOCKS;
    irq_pending = 0;  // every line; a device still requesting raises its line again
}

// --- Unprefixed page ------------------------------------------------------------

template <class Bus>
inline void Z80Core<Bus>::run_main(uint8_t op) {
    using namespace z80;
    [[maybe_unused]] uint8_t &a = af.b.hi, &f = af.b.lo, &b = bc.b.hi, &c = bc.b.lo;
    [[maybe_unused]] uint8_t &d = de.b.hi, &e = de.b.lo, &h = hl.b.hi, &l = hl.b.lo;
    instr_pc = static_cast<uint16_t>(pc - 1);
dispatch:
    clocks_left -= CYCLES_MAIN[op];
    switch (op) {
        // 8-bit loads                       flags   clocks
        // LD r,r'   01 rrr sss              none    4, 7 with (HL)
        // LD r,n    00 rrr 110 n            none    7, 10 for (HL)
        // LD A,(BC) 0A  (DE) 1A  (nn) 3A    none    7, 13 with (nn)
        // LD (BC),A 02  (DE),A 12  (nn),A 32
        case 0x40: break;
        case 0x41: b = c; break;
        case 0x42: b = d; break;
        case 0x43: b = e; break;
        case 0x44: b = h; break;
        case 0x45: b = l; break;
        case 0x46: b = read8(hl.w); break;
        case 0x47: b = a; break;
        case 0x48: c = b; break;
        case 0x49: break;
        case 0x4A: c = d; break;
        case 0x4B: c = e; break;
        case 0x4C: c = h; break;
        case 0x4D: c = l; break;
        case 0x4E: c = read8(hl.w); break;
        case 0x4F: c = a; break;
        case 0x50: d = b; break;
        case 0x51: d = c; break;
        case 0x52: break;
        case 0x53: d = e; break;
        case 0x54: d = h; break;
        case 0x55: d = l; break;
        case 0x56: d = read8(hl.w); break;
        case 0x57: d = a; break;
        case 0x58: e = b; break;
        case 0x59: e = c; break;
        case 0x5A: e = d; break;
        case 0x5B: break;
        case 0x5C: e = h; break;
        case 0x5D: e = l; break;
        case 0x5E: e = read8(hl.w); break;
        case 0x5F: e = a; break;
        case 0x60: h = b; break;
        case 0x61: h = c; break;
        case 0x62: h = d; break;
        case 0x63: h = e; break;
        case 0x64: break;
        case 0x65: h = l; break;
        case 0x66: h = read8(hl.w); break;
        case 0x67: h = a; break;
        case 0x68: l = b; break;
        case 0x69: l = c; break;
        case 0x6A: l = d; break;
        case 0x6B: l = e; break;
        case 0x6C: l = h; break;
        case 0x6D: break;
        case 0x6E: l = read8(hl.w); break;
        case 0x6F: l = a; break;
        case 0x70: write8(hl.w, b); break;
        case 0x71: write8(hl.w, c); break;
        case 0x72: write8(hl.w, d); break;
        case 0x73: write8(hl.w, e); break;
        case 0x74: write8(hl.w, h); break;
        case 0x75: write8(hl.w, l); break;
        case 0x77: write8(hl.w, a); break;
        case 0x78: a = b; break;
        case 0x79: a = c; break;
        case 0x7A: a = d; break;
        case 0x7B: a = e; break;
        case 0x7C: a = h; break;
        case 0x7D: a = l; break;
        case 0x7E: a = read8(hl.w); break;
        case 0x7F: break;
        case 0x06: b = fetch_byte(); break;
        case 0x0E: c = fetch_byte(); break;
        case 0x16: d = fetch_byte(); break;
        case 0x1E: e = fetch_byte(); break;
        case 0x26: h = fetch_byte(); break;
        case 0x2E: l = fetch_byte(); break;
        case 0x36: write8(hl.w, fetch_byte()); break;
        case 0x3E: a = fetch_byte(); break;
        case 0x0A: a = read8(bc.w); break;
        case 0x1A: a = read8(de.w); break;
        case 0x3A: a = read8(fetch_word()); break;
        case 0x02: write8(bc.w, a); break;
        case 0x12: write8(de.w, a); break;
        case 0x32: write8(fetch_word(), a); break;

        // 16-bit loads and stack           flags   clocks
        // LD rr,nn    00 rr0 001 nn        none    10
        // LD (nn),HL 22, LD HL,(nn) 2A     none    16
        // LD SP,HL F9                      none    6
        // PUSH qq 11 qq0 101, POP 11 qq0 001   POP AF loads F   11 / 10
        case 0x01: bc.w = fetch_word(); break;
        case 0x11: de.w = fetch_word(); break;
        case 0x21: hl.w = fetch_word(); break;
        case 0x31: sp = fetch_word(); break;
        case 0x22: write16(fetch_word(), hl.w); break;
        case 0x2A: hl.w = read16(fetch_word()); break;
        case 0xF9: sp = hl.w; break;
        case 0xC5: push_word(bc.w); break;
        case 0xD5: push_word(de.w); break;
        case 0xE5: push_word(hl.w); break;
        case 0xF5: push_word(af.w); break;
        case 0xC1: bc.w = pop_word(); break;
        case 0xD1: de.w = pop_word(); break;
        case 0xE1: hl.w = pop_word(); break;
        case 0xF1: af.w = pop_word(); break;

        // 16-bit arithmetic                flags            clocks
        // INC rr 00 rr0 011, DEC rr 00 rr1 011   none     6
        // ADD HL,rr 00 rr1 001             - - * * * - 0 *  11
        case 0x03: ++bc.w; break;
        case 0x13: ++de.w; break;
        case 0x23: ++hl.w; break;
        case 0x33: ++sp; break;
        case 0x0B: --bc.w; break;
        case 0x1B: --de.w; break;
        case 0x2B: --hl.w; break;
        case 0x3B: --sp; break;
        case 0x09: hl.w = add16(hl.w, bc.w); break;
        case 0x19: hl.w = add16(hl.w, de.w); break;
        case 0x29: hl.w = add16(hl.w, hl.w); break;
        case 0x39: hl.w = add16(hl.w, sp); break;

        // 8-bit INC and DEC                flags            clocks
        // INC r 00 rrr 100, DEC r 00 rrr 101   T T T T T T T -  4, 11 for (HL)
        case 0x04: b = inc8(b); break;
        case 0x0C: c = inc8(c); break;
        case 0x14: d = inc8(d); break;
        case 0x1C: e = inc8(e); break;
        case 0x24: h = inc8(h); break;
        case 0x2C: l = inc8(l); break;
        case 0x34: write8(hl.w, inc8(read8(hl.w))); break;
        case 0x3C: a = inc8(a); break;
        case 0x05: b = dec8(b); break;
        case 0x0D: c = dec8(c); break;
        case 0x15: d = dec8(d); break;
        case 0x1D: e = dec8(e); break;
        case 0x25: h = dec8(h); break;
        case 0x2D: l = dec8(l); break;
        case 0x35: write8(hl.w, dec8(read8(hl.w))); break;
        case 0x3D: a = dec8(a); break;

        // Arithmetic and logic on A        flags            clocks
        // ADD ADC SUB SBC 10 ooo sss       * * * * * V * *  4, 7 with (HL)
        // AND XOR OR      10 ooo sss       T T T T T T 0 0  (H = 1 for AND)
        // CP              10 111 sss       as SUB, bits 5 and 3 from the operand
        // immediate forms 11 ooo 110 n                      7
        case 0x80: add8(b, 0); break;
        case 0x81: add8(c, 0); break;
        case 0x82: add8(d, 0); break;
        case 0x83: add8(e, 0); break;
        case 0x84: add8(h, 0); break;
        case 0x85: add8(l, 0); break;
        case 0x86: add8(read8(hl.w), 0); break;
        case 0x87: add8(a, 0); break;
        case 0x88: add8(b, carry()); break;
        case 0x89: add8(c, carry()); break;
        case 0x8A: add8(d, carry()); break;
        case 0x8B: add8(e, carry()); break;
        case 0x8C: add8(h, carry()); break;
        case 0x8D: add8(l, carry()); break;
        case 0x8E: add8(read8(hl.w), carry()); break;
        case 0x8F: add8(a, carry()); break;
        case 0x90: sub8(b, 0); break;
        case 0x91: sub8(c, 0); break;
        case 0x92: sub8(d, 0); break;
        case 0x93: sub8(e, 0); break;
        case 0x94: sub8(h, 0); break;
        case 0x95: sub8(l, 0); break;
        case 0x96: sub8(read8(hl.w), 0); break;
        case 0x97: sub8(a, 0); break;
        case 0x98: sub8(b, carry()); break;
        case 0x99: sub8(c, carry()); break;
        case 0x9A: sub8(d, carry()); break;
        case 0x9B: sub8(e, carry()); break;
        case 0x9C: sub8(h, carry()); break;
        case 0x9D: sub8(l, carry()); break;
        case 0x9E: sub8(read8(hl.w), carry()); break;
        case 0x9F: sub8(a, carry()); break;
        case 0xA0: and8(b); break;
        case 0xA1: and8(c); break;
        case 0xA2: and8(d); break;
        case 0xA3: and8(e); break;
        case 0xA4: and8(h); break;
        case 0xA5: and8(l); break;
        case 0xA6: and8(read8(hl.w)); break;
        case 0xA7: and8(a); break;
        case 0xA8: xor8(b); break;
        case 0xA9: xor8(c); break;
        case 0xAA: xor8(d); break;
        case 0xAB: xor8(e); break;
        case 0xAC: xor8(h); break;
        case 0xAD: xor8(l); break;
        case 0xAE: xor8(read8(hl.w)); break;
        case 0xAF: xor8(a); break;
        case 0xB0: or8(b); break;
        case 0xB1: or8(c); break;
        case 0xB2: or8(d); break;
        case 0xB3: or8(e); break;
        case 0xB4: or8(h); break;
        case 0xB5: or8(l); break;
        case 0xB6: or8(read8(hl.w)); break;
        case 0xB7: or8(a); break;
        case 0xB8: cp8(b); break;
        case 0xB9: cp8(c); break;
        case 0xBA: cp8(d); break;
        case 0xBB: cp8(e); break;
        case 0xBC: cp8(h); break;
        case 0xBD: cp8(l); break;
        case 0xBE: cp8(read8(hl.w)); break;
        case 0xBF: cp8(a); break;
        case 0xC6: add8(fetch_byte(), 0); break;
        case 0xCE: add8(fetch_byte(), carry()); break;
        case 0xD6: sub8(fetch_byte(), 0); break;
        case 0xDE: sub8(fetch_byte(), carry()); break;
        case 0xE6: and8(fetch_byte()); break;
        case 0xEE: xor8(fetch_byte()); break;
        case 0xF6: or8(fetch_byte()); break;
        case 0xFE: cp8(fetch_byte()); break;

        // Accumulator rotates and adjusts  flags            clocks
        // RLCA 07 RRCA 0F RLA 17 RRA 1F    - - * 0 * - 0 *  4   (5 and 3 from A')
        // DAA 27                           T T T T T T - T  4
        // CPL 2F                           - - * 1 * - 1 -  4
        // SCF 37, CCF 3F                   - - * * * - 0 *  4   (5 and 3 from A; CCF: H = old C)
        case 0x07:
            a = static_cast<uint8_t>(a << 1 | a >> 7);
            f = static_cast<uint8_t>((f & FLAGS_SZP) | (a & (FLAGS_53 | FLAG_C)));
            break;
        case 0x0F:
            f = static_cast<uint8_t>((f & FLAGS_SZP) | (a & FLAG_C));
            a = static_cast<uint8_t>(a >> 1 | a << 7);
            f |= a & FLAGS_53;
            break;
        case 0x17: {
            const int carry_out = a >> 7;
            a = static_cast<uint8_t>(a << 1 | carry());
            f = static_cast<uint8_t>((f & FLAGS_SZP) | (a & FLAGS_53) | carry_out);
            break;
        }
        case 0x1F: {
            const int carry_out = a & 1;
            a = static_cast<uint8_t>(a >> 1 | carry() << 7);
            f = static_cast<uint8_t>((f & FLAGS_SZP) | (a & FLAGS_53) | carry_out);
            break;
        }
        case 0x27: af.w = DAA_RESULTS[a | carry() << 8 | (f & FLAG_H) << 5 | (f & FLAG_N) << 9]; break;
        case 0x2F:
            a = static_cast<uint8_t>(~a);
            f = static_cast<uint8_t>((f & (FLAGS_SZP | FLAG_C)) | (a & FLAGS_53) | FLAG_H | FLAG_N);
            break;
        case 0x37: f = static_cast<uint8_t>((f & FLAGS_SZP) | (a & FLAGS_53) | FLAG_C); break;
        case 0x3F: f = static_cast<uint8_t>((f & FLAGS_SZP) | (a & FLAGS_53) | (carry() ? FLAG_H : FLAG_C)); break;

        // Exchanges                        flags   clocks
        // EX AF,AF' 08, EXX D9, EX DE,HL EB        4
        // EX (SP),HL E3                    none    19
        case 0x08: std::swap(af.w, af_alt.w); break;
        case 0xD9:
            std::swap(bc.w, bc_alt.w);
            std::swap(de.w, de_alt.w);
            std::swap(hl.w, hl_alt.w);
            break;
        case 0xEB: std::swap(de.w, hl.w); break;
        case 0xE3: hl.w = exchange_stack(hl.w); break;

        // Jumps                            clocks (taken / not taken)
        // JP nn C3, JP cc,nn 11 ccc 010    10 / 10
        // JR e 18, JR cc,e 001 cc 000      12 / 7
        // DJNZ e 10                        13 / 8
        // JP (HL) E9                       4
        case 0xC3: pc = read16(pc); break;
        case 0xC2: jump_if(condition(0)); break;
        case 0xCA: jump_if(condition(1)); break;
        case 0xD2: jump_if(condition(2)); break;
        case 0xDA: jump_if(condition(3)); break;
        case 0xE2: jump_if(condition(4)); break;
        case 0xEA: jump_if(condition(5)); break;
        case 0xF2: jump_if(condition(6)); break;
        case 0xFA: jump_if(condition(7)); break;
        case 0x18: pc = static_cast<uint16_t>(pc + 1 + static_cast<int8_t>(read8(pc))); break;
        case 0x20: jump_relative_if(condition(0)); break;
        case 0x28: jump_relative_if(condition(1)); break;
        case 0x30: jump_relative_if(condition(2)); break;
        case 0x38: jump_relative_if(condition(3)); break;
        case 0x10: jump_relative_if(--b != 0); break;
        case 0xE9: pc = hl.w; break;

        // Calls and returns                clocks (taken / not taken)
        // CALL nn CD, CALL cc,nn 11 ccc 100    17 / 10
        // RET C9, RET cc 11 ccc 000            10; 11 / 5
        // RST p 11 ppp 111                     11
        case 0xCD: call(); break;
        case 0xC4: call_if(condition(0)); break;
        case 0xCC: call_if(condition(1)); break;
        case 0xD4: call_if(condition(2)); break;
        case 0xDC: call_if(condition(3)); break;
        case 0xE4: call_if(condition(4)); break;
        case 0xEC: call_if(condition(5)); break;
        case 0xF4: call_if(condition(6)); break;
        case 0xFC: call_if(condition(7)); break;
        case 0xC9: pc = pop_word(); break;
        case 0xC0: return_if(condition(0)); break;
        case 0xC8: return_if(condition(1)); break;
        case 0xD0: return_if(condition(2)); break;
        case 0xD8: return_if(condition(3)); break;
        case 0xE0: return_if(condition(4)); break;
        case 0xE8: return_if(condition(5)); break;
        case 0xF0: return_if(condition(6)); break;
        case 0xF8: return_if(condition(7)); break;
        case 0xC7: restart(0x00); break;
        case 0xCF: restart(0x08); break;
        case 0xD7: restart(0x10); break;
        case 0xDF: restart(0x18); break;
        case 0xE7: restart(0x20); break;
        case 0xEF: restart(0x28); break;
        case 0xF7: restart(0x30); break;
        case 0xFF: restart(0x38); break;

        // Ports                            flags   clocks
        // OUT (n),A D3 n; IN A,(n) DB n    none    11   (A on the high address byte)
        case 0xD3: port_out(static_cast<uint16_t>(fetch_byte() | a << 8), a); break;
        case 0xDB: a = port_in(static_cast<uint16_t>(fetch_byte() | a << 8)); break;

        // Control                          clocks
        // NOP 00, DI F3, EI FB, HALT 76    4
        // EI runs the next instruction at once: no interrupt between the two.
        // HALT steps PC back onto itself and runs again until an interrupt.
        case 0x00: break;
        case 0xF3: iff1 = iff2 = 0; break;
        case 0xFB:
            iff1 = iff2 = 1;
            op = fetch_opcode();
            instr_pc = static_cast<uint16_t>(pc - 1);
            goto dispatch;
        case 0x76:
            halted = 1;
            pc = static_cast<uint16_t>(pc - 1);
            break;

        // Prefixes (0 clocks here; each page charges its whole instruction).
        // A DD or FD before an opcode without index form hands that opcode back
        // to run as an unprefixed instruction.
        case 0xCB: run_cb(); break;
        case 0xED: run_ed(); break;
        case 0xDD:
            if (const int next = run_index(ix); next >= 0) {
                op = static_cast<uint8_t>(next);
                goto dispatch;
            }
            break;
        case 0xFD:
            if (const int next = run_index(iy); next >= 0) {
                op = static_cast<uint8_t>(next);
                goto dispatch;
            }
            break;
    }
}

// --- CB page ----------------------------------------------------------------------
// op = 00 ooo rrr  rotate/shift  RLC RRC RL RR SLA SRA SLL SRL   T T T 0 T T 0 *   8, 15 on (HL)
// op = 01 bbb rrr  BIT b,r                                       T T T 1 T T 0 -   8, 12 on (HL)
// op = 10 bbb rrr  RES b,r; 11 bbb rrr SET b,r                   none              8, 15 on (HL)
// Read-modify-write on (HL): one read, the operation, one write.

template <class Bus>
inline void Z80Core<Bus>::run_cb() {
    const uint8_t op = fetch_opcode();
    clocks_left -= z80::CYCLES_CB[op];
    const int index = op & 7, bit = (op >> 3) & 7;
    uint8_t x = index == 6 ? read8(hl.w) : reg8(index);
    switch (op >> 6) {
        case 0: x = rotate_shift(bit, x); break;
        case 1: bit_test(bit, x, index == 6 ? hl.b.hi : x); return;
        case 2: x = static_cast<uint8_t>(x & ~(1 << bit)); break;
        default: x = static_cast<uint8_t>(x | (1 << bit)); break;
    }
    if (index == 6)
        write8(hl.w, x);
    else
        set_reg8(index, x);
}

// --- ED page ----------------------------------------------------------------------

template <class Bus>
inline void Z80Core<Bus>::run_ed() {
    using namespace z80;
    [[maybe_unused]] uint8_t &a = af.b.hi, &f = af.b.lo, &b = bc.b.hi, &c = bc.b.lo;
    [[maybe_unused]] uint8_t &d = de.b.hi, &e = de.b.lo, &h = hl.b.hi, &l = hl.b.lo;
    const uint8_t op = fetch_opcode();
    clocks_left -= CYCLES_ED[op];
    switch (op) {
        // Ports through C (B on the high byte)     flags            clocks
        // IN r,(C) 01 rrr 000 (r = 6: flags only)  T T T 0 T T 0 -  12
        // OUT (C),r 01 rrr 001 (r = 6: OUT (C),0)  none             12
        case 0x40: b = in_c(); break;
        case 0x48: c = in_c(); break;
        case 0x50: d = in_c(); break;
        case 0x58: e = in_c(); break;
        case 0x60: h = in_c(); break;
        case 0x68: l = in_c(); break;
        case 0x70: in_c(); break;
        case 0x78: a = in_c(); break;
        case 0x41: port_out(bc.w, b); break;
        case 0x49: port_out(bc.w, c); break;
        case 0x51: port_out(bc.w, d); break;
        case 0x59: port_out(bc.w, e); break;
        case 0x61: port_out(bc.w, h); break;
        case 0x69: port_out(bc.w, l); break;
        case 0x71: port_out(bc.w, 0); break;
        case 0x79: port_out(bc.w, a); break;

        // 16-bit arithmetic with carry             flags            clocks
        // SBC HL,rr 01 rr0 010, ADC HL,rr 01 rr1 010   * * * * * V * *  15
        case 0x42: sbc16(bc.w); break;
        case 0x52: sbc16(de.w); break;
        case 0x62: sbc16(hl.w); break;
        case 0x72: sbc16(sp); break;
        case 0x4A: adc16(bc.w); break;
        case 0x5A: adc16(de.w); break;
        case 0x6A: adc16(hl.w); break;
        case 0x7A: adc16(sp); break;

        // 16-bit loads through (nn)                flags   clocks
        // LD (nn),rr 01 rr0 011, LD rr,(nn) 01 rr1 011  none  20
        case 0x43: write16(fetch_word(), bc.w); break;
        case 0x53: write16(fetch_word(), de.w); break;
        case 0x63: write16(fetch_word(), hl.w); break;
        case 0x73: write16(fetch_word(), sp); break;
        case 0x4B: bc.w = read16(fetch_word()); break;
        case 0x5B: de.w = read16(fetch_word()); break;
        case 0x6B: hl.w = read16(fetch_word()); break;
        case 0x7B: sp = read16(fetch_word()); break;

        // NEG 01 xxx 100                           * * * * * V 1 *  8
        case 0x44: neg(); break;
        case 0x4C: neg(); break;
        case 0x54: neg(); break;
        case 0x5C: neg(); break;
        case 0x64: neg(); break;
        case 0x6C: neg(); break;
        case 0x74: neg(); break;
        case 0x7C: neg(); break;

        // Returns and interrupt modes              clocks
        // RETN 01 xx0 101, RETI 01 xx1 101         8 (iff1 = iff2; RETI tells the chain)
        // IM 0 46 4E 66 6E, IM 1 56 76, IM 2 5E 7E 8
        case 0x45: return_from_interrupt(false); break;
        case 0x55: return_from_interrupt(false); break;
        case 0x65: return_from_interrupt(false); break;
        case 0x75: return_from_interrupt(false); break;
        case 0x4D: return_from_interrupt(true); break;
        case 0x5D: return_from_interrupt(true); break;
        case 0x6D: return_from_interrupt(true); break;
        case 0x7D: return_from_interrupt(true); break;
        case 0x46: im = 0; break;
        case 0x4E: im = 0; break;
        case 0x66: im = 0; break;
        case 0x6E: im = 0; break;
        case 0x56: im = 1; break;
        case 0x76: im = 1; break;
        case 0x5E: im = 2; break;
        case 0x7E: im = 2; break;

        // I and R transfers                        flags            clocks
        // LD I,A 47, LD R,A 4F                     none             9
        // LD A,I 57, LD A,R 5F                     T T T 0 T iff2 0 -  9
        case 0x47: i = a; break;
        case 0x4F: cpu.r = a, r = a; break;
        case 0x57: a = i, f = static_cast<uint8_t>(SZ53_FLAGS[a] | (iff2 ? FLAG_PV : 0) | carry()); break;
        case 0x5F:
            a = static_cast<uint8_t>((cpu.r & 0x80) | (r & 0x7F));
            f = static_cast<uint8_t>(SZ53_FLAGS[a] | (iff2 ? FLAG_PV : 0) | carry());
            break;

        // Digit rotates through (HL)               flags            clocks
        // RRD 67, RLD 6F                           T T T 0 T T 0 -  18
        case 0x67: {
            const uint8_t m = read8(hl.w);
            write8(hl.w, static_cast<uint8_t>(a << 4 | m >> 4));
            a = static_cast<uint8_t>((a & 0xF0) | (m & 0x0F));
            f = static_cast<uint8_t>(SZ53P_FLAGS[a] | carry());
            break;
        }
        case 0x6F: {
            const uint8_t m = read8(hl.w);
            write8(hl.w, static_cast<uint8_t>(m << 4 | (a & 0x0F)));
            a = static_cast<uint8_t>((a & 0xF0) | m >> 4);
            f = static_cast<uint8_t>(SZ53P_FLAGS[a] | carry());
            break;
        }

        // Block instructions                       clocks
        // LDI A0 LDD A8 LDIR B0 LDDR B8            16 per execution, +5 per repetition
        // CPI A1 CPD A9 CPIR B1 CPDR B9            LDIR repeats through the run loop
        // INI A2 IND AA INIR B2 INDR BA            (PC - 2); the other repeating forms
        // OUTI A3 OUTD AB OTIR B3 OTDR BB          finish inside this instruction.
        case 0xA0: block_load_step(1); break;
        case 0xA8: block_load_step(-1); break;
        case 0xB0:
            block_load_step(1);
            if (bc.w != 0) {
                pc = static_cast<uint16_t>(pc - 2), clocks_left -= BLOCK_REPEAT_EXTRA;
                repeat_copy_forward();
            }
            break;
        case 0xB8:
            block_load_step(-1);
            while (bc.w != 0) clocks_left -= BLOCK_REPEAT_EXTRA, block_load_step(-1);
            break;
        case 0xA1: block_compare_step(1); break;
        case 0xA9: block_compare_step(-1); break;
        case 0xB1:
            block_compare_step(1);
            while (bc.w != 0 && !(f & FLAG_Z)) clocks_left -= BLOCK_REPEAT_EXTRA, block_compare_step(1);
            break;
        case 0xB9:
            block_compare_step(-1);
            while (bc.w != 0 && !(f & FLAG_Z)) clocks_left -= BLOCK_REPEAT_EXTRA, block_compare_step(-1);
            break;
        case 0xA2: block_io_step(true, 1); break;
        case 0xAA: block_io_step(true, -1); break;
        case 0xA3: block_io_step(false, 1); break;
        case 0xAB: block_io_step(false, -1); break;
        case 0xB2:
            block_io_step(true, 1);
            while (b != 0) clocks_left -= BLOCK_REPEAT_EXTRA, block_io_step(true, 1);
            break;
        case 0xBA:
            block_io_step(true, -1);
            while (b != 0) clocks_left -= BLOCK_REPEAT_EXTRA, block_io_step(true, -1);
            break;
        case 0xB3:
            block_io_step(false, 1);
            while (b != 0) clocks_left -= BLOCK_REPEAT_EXTRA, block_io_step(false, 1);
            break;
        case 0xBB:
            block_io_step(false, -1);
            while (b != 0) clocks_left -= BLOCK_REPEAT_EXTRA, block_io_step(false, -1);
            break;

        // Every other opcode: a two-byte no-operation of 8 clocks.
        default: break;
    }
}

// NEG: A = 0 - A; V only for 0x80, C unless A was 0.
template <class Bus>
inline void Z80Core<Bus>::neg() {
    const int old = af.b.hi, result = -old;
    af.b.hi = static_cast<uint8_t>(result);
    af.b.lo = static_cast<uint8_t>(z80::SZ53_FLAGS[af.b.hi] | ((old ^ result) & z80::FLAG_H) |
                                   ((old & result) >> 5 & z80::FLAG_PV) | (old != 0 ? z80::FLAG_C : 0) | z80::FLAG_N);
}

// RETN and RETI: iff1 = iff2; RETI then tells the interrupt chain.
template <class Bus>
inline void Z80Core<Bus>::return_from_interrupt(bool reti) {
    pc = pop_word();
    iff1 = iff2;
    if (reti && cpu.int_chain != nullptr) {
        write_back();
        cpu.int_chain->irq_return();
        read_back();
    }
}

template <class Bus>
inline uint8_t Z80Core<Bus>::in_c() {
    const uint8_t value = port_in(bc.w);
    af.b.lo = static_cast<uint8_t>(z80::SZ53P_FLAGS[value] | carry());
    return value;
}

// LDI / LDD: P/V = (BC != 0); bits 5 and 3 from bits 1 and 3 of A + the byte.
template <class Bus>
inline void Z80Core<Bus>::block_load_step(int step) {
    const uint8_t value = read8(hl.w);
    write8(de.w, value);
    hl.w = static_cast<uint16_t>(hl.w + step);
    de.w = static_cast<uint16_t>(de.w + step);
    --bc.w;
    block_load_flags(value);
}

// F after an LDI/LDD pass that moved `value`, with BC already counted down.
template <class Bus>
inline void Z80Core<Bus>::block_load_flags(uint8_t value) {
    const int n = value + af.b.hi;
    af.b.lo = static_cast<uint8_t>((af.b.lo & (z80::FLAG_S | z80::FLAG_Z | z80::FLAG_C)) |
                                   (bc.w != 0 ? z80::FLAG_PV : 0) | ((n & 0x02) << 4) | (n & z80::FLAG_3));
}

// CPI / CPD: S, Z, H from A - byte, C kept, N set, P/V = (BC != 0); bits 5
// and 3 from bits 1 and 3 of the difference less H.
template <class Bus>
inline void Z80Core<Bus>::block_compare_step(int step) {
    const uint8_t value = read8(hl.w);
    const int a = af.b.hi, result = (a - value) & 0xFF;
    hl.w = static_cast<uint16_t>(hl.w + step);
    --bc.w;
    const int half = (a ^ value ^ result) & z80::FLAG_H;
    const int n = result - (half ? 1 : 0);
    af.b.lo =
        static_cast<uint8_t>((z80::SZ53_FLAGS[result] & (z80::FLAG_S | z80::FLAG_Z)) | half | carry() | z80::FLAG_N |
                             (bc.w != 0 ? z80::FLAG_PV : 0) | ((n & 0x02) << 4) | (n & z80::FLAG_3));
}

// INI / IND (input) and OUTI / OUTD (output). INI puts B on the high address
// byte before decrementing it, OUTI after.
template <class Bus>
inline void Z80Core<Bus>::block_io_step(bool input, int step) {
    uint8_t value;
    if (input) {
        value = port_in(bc.w);
        --bc.b.hi;
        write8(hl.w, value);
    } else {
        value = read8(hl.w);
        --bc.b.hi;
        port_out(bc.w, value);
    }
    hl.w = static_cast<uint16_t>(hl.w + step);
    const int c = bc.b.lo, b = bc.b.hi;
    const int k = ((c + step) & 0xFF) + value;
    const auto& table = step > 0 ? z80::BLOCK_IO_INC : z80::BLOCK_IO_DEC;
    const int parity = table[(c & 3) * 4 + (value & 3)] ^ z80::BLOCK_IO_B[b] ^ ((value >> 2) & 1) ^ ((c >> 2) & 1);
    af.b.lo = static_cast<uint8_t>(z80::SZ53_FLAGS[b] | (value & 0x80 ? z80::FLAG_N : 0) |
                                   (k > 0xFF ? z80::FLAG_H | z80::FLAG_C : 0) | (parity ? z80::FLAG_PV : 0));
}

// --- DD / FD page ------------------------------------------------------------------
// X is IX for DD and IY for FD; XH and XL its halves. Returns -1 when the
// instruction is done, or the opcode byte when it has no index form: the
// prefix then cost only its 4 clocks and that opcode runs unprefixed.

template <class Bus>
inline int Z80Core<Bus>::run_index(Z80Pair& x) {
    using namespace z80;
    [[maybe_unused]] uint8_t &a = af.b.hi, &b = bc.b.hi, &c = bc.b.lo;
    [[maybe_unused]] uint8_t &d = de.b.hi, &e = de.b.lo, &h = hl.b.hi, &l = hl.b.lo;
    uint8_t &xh = x.b.hi, &xl = x.b.lo;
    const uint8_t op = fetch_opcode();
    clocks_left -= CYCLES_INDEX[op];
    switch (op) {
        // 16-bit                           flags            clocks
        // ADD X,rr 00 rr1 001              - - * * * - 0 *  15
        // LD X,nn 21; LD (nn),X 22; LD X,(nn) 2A            14, 20, 20
        // INC X 23, DEC X 2B                                10
        // PUSH X E5, POP X E1, EX (SP),X E3                 15, 14, 23
        // JP (X) E9, LD SP,X F9                             8, 10
        case 0x09: x.w = add16(x.w, bc.w); break;
        case 0x19: x.w = add16(x.w, de.w); break;
        case 0x29: x.w = add16(x.w, x.w); break;
        case 0x39: x.w = add16(x.w, sp); break;
        case 0x21: x.w = fetch_word(); break;
        case 0x22: write16(fetch_word(), x.w); break;
        case 0x2A: x.w = read16(fetch_word()); break;
        case 0x23: ++x.w; break;
        case 0x2B: --x.w; break;
        case 0xE5: push_word(x.w); break;
        case 0xE1: x.w = pop_word(); break;
        case 0xE3: x.w = exchange_stack(x.w); break;
        case 0xE9: pc = x.w; break;
        case 0xF9: sp = x.w; break;

        // Halves (undocumented)            flags            clocks
        // INC/DEC XH 24/25, XL 2C/2D       T T T T T T T -  9
        // LD XH,n 26, LD XL,n 2E                            9
        // LD r,XH / LD r,XL / LD XH,r / LD XL,r (r = B C D E A, or the other half)   9
        // LD XH,XH 64 and LD XL,XL 6D: no-operations        9
        case 0x24: xh = inc8(xh); break;
        case 0x25: xh = dec8(xh); break;
        case 0x26: xh = fetch_byte(); break;
        case 0x2C: xl = inc8(xl); break;
        case 0x2D: xl = dec8(xl); break;
        case 0x2E: xl = fetch_byte(); break;
        case 0x44: b = xh; break;
        case 0x45: b = xl; break;
        case 0x4C: c = xh; break;
        case 0x4D: c = xl; break;
        case 0x54: d = xh; break;
        case 0x55: d = xl; break;
        case 0x5C: e = xh; break;
        case 0x5D: e = xl; break;
        case 0x7C: a = xh; break;
        case 0x7D: a = xl; break;
        case 0x60: xh = b; break;
        case 0x61: xh = c; break;
        case 0x62: xh = d; break;
        case 0x63: xh = e; break;
        case 0x64: break;
        case 0x65: xh = xl; break;
        case 0x67: xh = a; break;
        case 0x68: xl = b; break;
        case 0x69: xl = c; break;
        case 0x6A: xl = d; break;
        case 0x6B: xl = e; break;
        case 0x6C: xl = xh; break;
        case 0x6D: break;
        case 0x6F: xl = a; break;

        // Through (X+d)                    flags            clocks
        // LD r,(X+d) 01 rrr 110 d; LD (X+d),r 01 110 rrr d (the real H and L)   19
        // LD (X+d),n 36 d n                                  19
        // INC (X+d) 34 d, DEC (X+d) 35 d   T T T T T T T -  23
        case 0x46: b = read8(indexed_address(x)); break;
        case 0x4E: c = read8(indexed_address(x)); break;
        case 0x56: d = read8(indexed_address(x)); break;
        case 0x5E: e = read8(indexed_address(x)); break;
        case 0x66: h = read8(indexed_address(x)); break;
        case 0x6E: l = read8(indexed_address(x)); break;
        case 0x7E: a = read8(indexed_address(x)); break;
        case 0x70: write8(indexed_address(x), b); break;
        case 0x71: write8(indexed_address(x), c); break;
        case 0x72: write8(indexed_address(x), d); break;
        case 0x73: write8(indexed_address(x), e); break;
        case 0x74: write8(indexed_address(x), h); break;
        case 0x75: write8(indexed_address(x), l); break;
        case 0x77: write8(indexed_address(x), a); break;
        case 0x36: {
            const uint16_t address = indexed_address(x);
            write8(address, fetch_byte());
            break;
        }
        case 0x34: {
            const uint16_t address = indexed_address(x);
            write8(address, inc8(read8(address)));
            break;
        }
        case 0x35: {
            const uint16_t address = indexed_address(x);
            write8(address, dec8(read8(address)));
            break;
        }

        // Arithmetic and logic with XH, XL, (X+d)    flags as the unprefixed forms   9, 19
        case 0x84: add8(xh, 0); break;
        case 0x85: add8(xl, 0); break;
        case 0x86: add8(read8(indexed_address(x)), 0); break;
        case 0x8C: add8(xh, carry()); break;
        case 0x8D: add8(xl, carry()); break;
        case 0x8E: add8(read8(indexed_address(x)), carry()); break;
        case 0x94: sub8(xh, 0); break;
        case 0x95: sub8(xl, 0); break;
        case 0x96: sub8(read8(indexed_address(x)), 0); break;
        case 0x9C: sub8(xh, carry()); break;
        case 0x9D: sub8(xl, carry()); break;
        case 0x9E: sub8(read8(indexed_address(x)), carry()); break;
        case 0xA4: and8(xh); break;
        case 0xA5: and8(xl); break;
        case 0xA6: and8(read8(indexed_address(x))); break;
        case 0xAC: xor8(xh); break;
        case 0xAD: xor8(xl); break;
        case 0xAE: xor8(read8(indexed_address(x))); break;
        case 0xB4: or8(xh); break;
        case 0xB5: or8(xl); break;
        case 0xB6: or8(read8(indexed_address(x))); break;
        case 0xBC: cp8(xh); break;
        case 0xBD: cp8(xl); break;
        case 0xBE: cp8(read8(indexed_address(x))); break;

        case 0xCB: run_index_cb(x); break;

        // No index form: only the prefix is spent (CYCLES_INDEX charged its 4).
        default: return op;
    }
    return -1;
}

// --- DD CB / FD CB page ------------------------------------------------------------
// DD CB d op: the displacement comes before the opcode, which is read as plain
// data (R advances twice for the whole instruction).
// op = 00 ooo rrr  rotate/shift of (X+d)   T T T 0 T T 0 *   23
// op = 01 bbb xxx  BIT b,(X+d)             T T * 1 * T 0 -   20  (5 and 3 from the address's high byte)
// op = 10/11 bbb rrr  RES/SET b,(X+d)      none              23
// For every op except BIT, rrr != 6 also copies the result into that register.

template <class Bus>
inline void Z80Core<Bus>::run_index_cb(Z80Pair& x) {
    const uint16_t address = indexed_address(x);
    const uint8_t op = fetch_byte();
    clocks_left -= z80::CYCLES_INDEX_CB[op];
    const uint8_t value = read8(address);
    const int bit = (op >> 3) & 7;
    uint8_t result;
    switch (op >> 6) {
        case 0: result = rotate_shift(bit, value); break;
        case 1: bit_test(bit, value, static_cast<uint8_t>(address >> 8)); return;
        case 2: result = static_cast<uint8_t>(value & ~(1 << bit)); break;
        default: result = static_cast<uint8_t>(value | (1 << bit)); break;
    }
    if ((op & 7) != 6) set_reg8(op & 7, result);
    write8(address, result);
}

namespace z80 {
// Moves up to n (at least 1) bytes from source to target one by one, in
// order, as LDIR's passes move them, and stops after a write to either of
// the two bytes at `opcode`. Returns the bytes moved.
[[gnu::always_inline]] inline uint32_t copy_stretch(const uint8_t* source, uint8_t* target, uint32_t n,
                                                    const uint8_t* opcode) {
    const auto first = reinterpret_cast<uintptr_t>(target), code = reinterpret_cast<uintptr_t>(opcode);
    if (code + 1 == first) {
        n = 1;
    } else if (code >= first && code - first < n) {
        n = static_cast<uint32_t>(code - first) + 1;
    }
    for (uint32_t i = 0; i < n; ++i) target[i] = source[i];
    return n;
}
}  // namespace z80

// LDIR repeats through the run loop: after a pass that leaves BC non-zero, PC
// points at its ED B0 again. While the loop would do nothing but fetch that
// ED B0 and run the next pass, the passes run here, each as the loop runs it:
// two opcode fetches for R, the clocks of ED B0 and of the repeat, the byte
// moved. It hands back to the loop where the loop would do anything else: the
// count reaches zero, the budget ends, or the two bytes at PC are no longer
// ED B0 (the copy wrote over them). It only starts where nothing can call out
// of the processor: no interrupt request stands, the ED B0 is on a page read
// directly, and it stops before a byte that a handler would read or write.
// The registers work in locals; F is the last pass's, which is all that
// stays of the others. A single step (step) runs one pass, as before.
template <class Bus>
inline void Z80Core<Bus>::repeat_copy_forward() {
    if constexpr (BUS_HAS_PAGES) {
        using namespace z80;
        if (!whole_slices || irq_pending != 0) return;
        const uint32_t at = pc;
        const uint8_t* code = read_page(static_cast<uint16_t>(at));
        const uint32_t code_offset = at & (Z80_PAGE_SIZE - 1);
        if (code == nullptr || code_offset == Z80_PAGE_SIZE - 1) return;
        const uint8_t* const opcode = code + code_offset;
        constexpr int32_t PASS = CYCLES_MAIN[0xED] + CYCLES_ED[0xB0];
        constexpr int32_t REPEATING_PASS = PASS + BLOCK_REPEAT_EXTRA;
        constexpr uint32_t OFFSET = Z80_PAGE_SIZE - 1;
        uint32_t from = hl.w, to = de.w, count = bc.w, passes = 0;
        int32_t budget = clocks_left;
        uint8_t value = 0;
        // Stretches of passes that stay within one source page and one target
        // page, that the budget lets start, and that end with a write to
        // either byte of the ED B0: within one, the ED B0 stays as it was
        // checked, and the bytes move one by one, in order, as the passes
        // move them (a copy onto the bytes just after its source repeats
        // them).
        while (budget > 0 && opcode[0] == 0xED && opcode[1] == 0xB0) {
            const uint8_t* source = read_page(static_cast<uint16_t>(from));
            uint8_t* target = write_page(static_cast<uint16_t>(to));
            if (source == nullptr || target == nullptr) break;
            source += from & OFFSET, target += to & OFFSET;
            const uint32_t room = std::min(Z80_PAGE_SIZE - (from & OFFSET), Z80_PAGE_SIZE - (to & OFFSET));
            const auto passes_begun = static_cast<uint32_t>((budget + REPEATING_PASS - 1) / REPEATING_PASS);
            uint32_t n = std::min(std::min(count, room), passes_begun);
            n = z80::copy_stretch(source, target, n, opcode);
            value = target[n - 1];
            from = (from + n) & 0xFFFF, to = (to + n) & 0xFFFF, count -= n, passes += n;
            budget -= static_cast<int32_t>(n) * REPEATING_PASS;
            if (count == 0) {
                budget += BLOCK_REPEAT_EXTRA;  // the last pass does not repeat
                break;
            }
        }
        if (passes == 0) return;
        hl.w = static_cast<uint16_t>(from), de.w = static_cast<uint16_t>(to), bc.w = static_cast<uint16_t>(count);
        clocks_left = budget;
        r += 2 * passes;
        instr_pc = static_cast<uint16_t>(at);
        block_load_flags(value);
        if (count == 0) pc = static_cast<uint16_t>(at + 2);
    }
}

// --- The processor's entry points ---------------------------------------------------

// The run loop stays a function of its own, also where execute_slices_on
// calls it: inlined into the loop over the slices, or with one working copy
// for all of them, GCC allocates its registers differently, and tight loops
// of a few instructions ran up to a tenth slower, natively and in the page.
template <class Bus>
[[gnu::noinline]] void Z80Cpu::run_slice_on(const Bus& bus, int32_t clocks) {
    Z80Core<Bus> core(*this, bus, true);
    core.run(clocks);
    core.write_back();
}

// The look for an idle loop, and the turns passed over, run before the run
// loop, which then runs the rest of the slice as a slice of its own; the
// clocks before it stay counted in executed_cycles (slice_head). The look
// runs on the machine's own bus, through the run loop of that bus.
template <class Bus>
void Z80Cpu::run_idle_or_slice_on(const Bus& bus, int32_t clocks) {
    if constexpr (std::is_same_v<Bus, ComponentBus>) {
        // A loop found keeps the count below zero until the run ends.
        if (!stopped && --idle_look_in < 0 && (idle_turn_clocks != 0 || registers_settled())) [[unlikely]] {
            clocks_left += clocks;
            slice_mark = clocks_left;
            pass_idle_turns(bus);
            const int32_t rest = clocks_left;
            slice_head = slice_mark - rest;
            clocks_left = 0;
            run_slice_on(bus, rest);
            slice_head = 0;
            return;
        }
    }
    run_slice_on(bus, clocks);
}

template <class Bus>
void Z80Cpu::execute_on(const Bus& bus, int32_t clocks) {
    run_idle_or_slice_on(bus, clocks);
    idle_turn_clocks = 0;
}

template <class Bus>
void Z80Cpu::execute_slices_on(const Bus& bus, SliceRun& run) {
    // An idle loop found in one slice holds for the next ones, not beyond the
    // run (the caller may change memory), also where a call out unwinds.
    struct Forget {
        int32_t& turn_clocks;
        ~Forget() { turn_clocks = 0; }
    } forget{idle_turn_clocks};
    for (; run.running < run.count; ++run.running) {
        int32_t clocks = run.clocks[run.running] << run.shift;
        // In an idle loop the slices left are one: nothing outside the
        // processor runs between them and the loop calls nothing out, so no
        // one sees where one ends; the last one ends where it would have.
        if (idle_turn_clocks != 0)
            while (run.running + 1 < run.count) clocks += run.clocks[++run.running] << run.shift;
        run_idle_or_slice_on(bus, clocks);
    }
}

template <class Bus>
bool Z80Cpu::step_on(const Bus& bus) {
    Z80Core<Bus> core(*this, bus, false);
    const bool ei_alone = core.step();
    core.write_back();
    return ei_alone;
}

}  // namespace m5
