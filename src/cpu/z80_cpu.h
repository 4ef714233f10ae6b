// Z80Cpu: the machine's processor, a Zilog Z80, run at the machine clock
// times the speed setting (1, 2, 4, 8 or 16).
//
// Signals and buses:
// - memory: every opcode fetch, operand and data access, through the memory
//   component's page tables (below) or, for a page without a pointer, its
//   handlers (mem_read8/16, mem_write8/16 of the `memory` component);
// - io: every port access, with a 16-bit port address (low byte the port
//   number, high byte A or B as on the real bus);
// - int_chain: head of the interrupt daisy chain, asked for the vector byte on
//   every accepted maskable interrupt and told of every RETI;
// - maskable requests arrive through set_irq_request (one bit per line, with
//   a hold bit); signal_in NMI_SIGNAL is the non-maskable input (latched) and
//   STOP_SIGNAL the stop (bus request) line.
//
// Time: processor clocks (T-states). The Scheduler gives `execute` a budget;
// instructions always complete, so a call may overshoot, and the overshoot
// (clocks_left <= 0 between calls) is paid by the next call's budget;
// `execute_slices` runs several budgets back to back as that many calls
// would, with direct calls of the run loop between them. Each
// instruction charges its whole base count from a clock table before it has
// any effect, then the extra clocks of taken branches and block repetitions.
//
// The instruction pages live in z80_execute.h, which defines the run loop as a
// template over the bus type: `execute` instantiates it with Component
// pointers (virtual calls, the general path); a tool that owns a concrete,
// final memory component may instantiate it through `execute_on`. The loop
// keeps the registers every instruction changes in locals (Z80Core) and
// writes them back before every call out of the processor and at the end.
//
// Known differences from the real chip:
// - No per-cycle bus timing, no wait states, no contention.
// - Accepting an interrupt costs 5 clocks (NMI) or 7 (maskable, every mode)
//   and leaves R alone (the chip's acknowledge cycle advances it);
//   RETN and RETI cost 8; the undocumented IXH/IXL/IYH/IYL forms cost 9.
// - No hidden address register (MEMPTR/WZ): BIT b,(HL) takes flag bits 5 and
//   3 from H, the high byte of its address (BIT b,(IX+d) from IX+d, which is
//   what the chip's MEMPTR holds there).
// - SCF and CCF copy flag bits 5 and 3 from A alone.
// - A not-taken JP cc, CALL cc or JR cc skips its operand without reading it.
// - LDDR, CPIR, CPDR, INIR, INDR, OTIR, OTDR run to completion inside one
//   instruction (no interrupt in between); LDIR repeats through the run loop.
// - EI runs the following instruction at once, inside the same step (the
//   debugger's step_on gives it a step of its own); HALT keeps PC on the
//   HALT opcode and re-executes it.
// - Mode 0 decodes only RST p and CALL nn from the data bus; mode 2 uses all
//   eight bits of the vector byte.
// - OUTI/OUTD take their H, C and P/V flags from C + 1 / C - 1 like INI/IND,
//   and all four block I/O forms use the same parity tables.
#pragma once

#include <bit>
#include <cstdint>
#include <type_traits>

#include "machine/component.h"

namespace m5 {

// One register pair, stored as a 16-bit value and addressed as two halves.
union Z80Pair {
    struct LittleHalves {
        uint8_t lo, hi;
    };
    struct BigHalves {
        uint8_t hi, lo;
    };
    uint16_t w;
    std::conditional_t<std::endian::native == std::endian::little, LittleHalves, BigHalves> b;
};
static_assert(sizeof(Z80Pair) == 2);

// --- The memory path -------------------------------------------------------
// The processor sees its 64 KiB as Z80_PAGE_COUNT pages of Z80_PAGE_SIZE
// bytes. For each page a table holds a read pointer and a write pointer: a
// pointer gives the page's bytes, which the processor reads or writes
// directly; a null pointer sends the page's accesses to the memory
// component's handlers (mem_read8 ...). The tables belong to the memory
// component, which may change an entry at any time (a bank switch from inside
// a port write, say): the processor looks at the entry on every access.
// Until a memory component hands over its tables, every page is null.
inline constexpr int32_t Z80_PAGE_SHIFT = 12;
inline constexpr int32_t Z80_PAGE_SIZE = 1 << Z80_PAGE_SHIFT;
inline constexpr int32_t Z80_PAGE_COUNT = 0x10000 >> Z80_PAGE_SHIFT;
inline constexpr uint8_t* Z80_NO_PAGES[Z80_PAGE_COUNT] = {};

// What the run loop reaches outside the processor: the page tables, the
// memory handlers for null pages and the ports. With Component as both types
// every handler and port access is a virtual call; with final component
// types they are direct calls the compiler can inline.
template <class Memory, class Io>
struct Z80Bus {
    Memory* memory;
    Io* io;
    uint8_t* const* read_pages = Z80_NO_PAGES;
    uint8_t* const* write_pages = Z80_NO_PAGES;

    uint8_t read8(uint16_t address) const { return static_cast<uint8_t>(memory->mem_read8(address)); }
    void write8(uint16_t address, uint8_t value) const { memory->mem_write8(address, value); }
    uint16_t read16(uint16_t address) const { return static_cast<uint16_t>(memory->mem_read16(address)); }
    void write16(uint16_t address, uint16_t value) const { memory->mem_write16(address, value); }
    uint8_t in(uint16_t port) const { return static_cast<uint8_t>(io->port_read8(port)); }
    void out(uint16_t port, uint8_t value) const { io->port_write8(port, value); }
};
using ComponentBus = Z80Bus<Component, Component>;

class Z80Cpu final : public Component {
public:
    static constexpr int32_t NMI_SIGNAL = 101;
    static constexpr int32_t STOP_SIGNAL = 102;
    static constexpr uint32_t NMI_PENDING_BIT = 1u << 31;
    static constexpr int32_t NMI_ACCEPT_CLOCKS = 5;  // the push is not charged
    static constexpr int32_t IRQ_ACCEPT_CLOCKS = 7;  // every mode; push and vector read not charged
    static constexpr uint16_t NMI_VECTOR = 0x0066;
    // More than the most an instruction runs past its budget (LDDR of 64 KiB,
    // then an interrupt).
    static constexpr int32_t MAX_OVERSHOOT_CLOCKS = 1 << 20;

    Z80Cpu(MachineServices* machine, MachineHost* host) : Component(machine, host) {}

    // Clears R, I, PC, im, iff1, iff2, halted, stopped and the request masks.
    void reset() override;
    // Every register, the interrupt state and the clock budget's overshoot.
    // A load takes an interrupt mode of 0 to 2, flags of 0 or 1, and a
    // budget as an execute call leaves it.
    void describe_state(StateArchive& archive) override;
    // NMI_SIGNAL sets or clears the non-maskable latch; STOP_SIGNAL drives the
    // stop line (asserting it empties the current budget at once).
    void signal_in(int32_t signal, uint32_t data, uint32_t mask) override;
    // Sets or clears request bit `line` and its hold bit; lines >= 32 change nothing.
    void set_irq_request(uint8_t request, uint8_t hold, int32_t line) override;
    // Runs instructions for a budget of processor clocks (the page tables,
    // then virtual calls).
    void execute(int32_t clocks) override;
    // The slices of `run`, each as execute runs it, through a direct call of
    // the run loop.
    void execute_slices(SliceRun& run) override;
    // Clocks consumed since the running execute call began; 0 between calls.
    int32_t executed_cycles() override { return slice_mark - clocks_left + slice_head; }
    // Address of the first byte of the instruction being executed.
    int32_t current_pc() override { return instr_pc; }

    // The run loop of `execute` on a bus of the caller's choice (defined in
    // z80_execute.h; include that header to instantiate it).
    template <class Bus>
    void execute_on(const Bus& bus, int32_t clocks);
    template <class Bus>
    void execute_slices_on(const Bus& bus, SliceRun& run);
    // One slice of execute_on or of execute_slices_on: the run loop alone, or
    // after it the idle loops (below).
    template <class Bus>
    void run_slice_on(const Bus& bus, int32_t clocks);
    template <class Bus>
    void run_idle_or_slice_on(const Bus& bus, int32_t clocks);
    // At the start of a slice: passes over the turns of an idle loop, looking
    // for one first where none is known (z80_cpu.cpp).
    void pass_idle_turns(const ComponentBus& bus);
    // One pass of that loop, for a debugger that stops between instructions:
    // one instruction, then the interrupt it lets in. The caller keeps the
    // budget (clocks_left, slice_mark) as execute_on does. EI is a step of
    // its own here, so that the instruction after it can be stopped on: it
    // returns true, and the caller must run the next step before anything
    // else happens (the run loop gives no interrupt, event or end of slice
    // between EI and the instruction after it). A DD or FD prefix before EI
    // still runs the next instruction in the same step.
    template <class Bus>
    bool step_on(const Bus& bus);

    // --- Idle loops ---------------------------------------------------------------
    // A program that waits for an interrupt often spins in a loop that reads
    // memory and changes nothing: LD A,(nn) / CP B / JR Z back, a JP to
    // itself, HALT. Within a slice nothing else in the machine runs, so once
    // one turn of such a loop has brought the registers back to where it
    // began, without writing a byte, calling out of the processor (handlers,
    // ports, the interrupt chain) or reading R, every later turn does the
    // same: the run loop passes over as many whole turns as the budget holds,
    // counting their clocks and R, and runs the rest as usual. The processor
    // looks for such a loop at the start of a slice, by running one turn, at
    // most IDLE_TURN_MAX instructions, one by one, watching the bus; only
    // where SP, BC, DE and HL stand as when it last compared them (a busy
    // program moves them; while they move, it compares every fourth slice).
    // After a look that found none it waits twice as many slices as before
    // (up to IDLE_LOOK_WAIT_MAX) before it looks again. Within one execute_slices
    // call the later slices pass over the turns of the loop found without
    // looking again: between them, nothing but the processor runs.
    // None of this is machine state: a run gives the same machine with or
    // without it.
    static constexpr int32_t IDLE_TURN_MAX = 16;
    static constexpr int32_t IDLE_LOOK_WAIT_MAX = 64;
    static constexpr int32_t IDLE_SETTLE_SLICES = 3;
    int32_t idle_look_in = 0;        // slices until the next look
    int32_t idle_look_wait = 0;      // slices waited after the last look that found nothing
    int32_t idle_turn_clocks = 0;    // the loop found in this execute_slices call (0: none)
    uint8_t idle_turn_fetches = 0;   // its opcode fetches a turn, modulo 128 (R)
    int64_t idle_clocks_passed = 0;  // clocks passed over in idle loops since construction
    int32_t slice_head = 0;          // clocks of the slice run before the run loop began
    uint64_t idle_settled = 0;       // SP, BC, DE and HL at the last comparison

    // Whether SP, BC, DE and HL are as at the last call; if not, the next
    // call comes IDLE_SETTLE_SLICES slices later.
    bool registers_settled() {
        const uint64_t now = uint64_t{sp} << 48 | uint64_t{bc.w} << 32 | uint64_t{de.w} << 16 | hl.w;
        const bool same = now == idle_settled;
        idle_settled = now;
        if (!same) idle_look_in = IDLE_SETTLE_SLICES;
        return same;
    }

    // --- State, in the order of the design -------------------------------------
    Component* memory = nullptr;                 // handlers of the null pages (not owned)
    Component* io = nullptr;                     // receives every port access (not owned)
    Component* int_chain = nullptr;              // daisy-chain head: vector and RETI (not owned)
    uint8_t* const* read_pages = Z80_NO_PAGES;   // the memory component's page tables,
    uint8_t* const* write_pages = Z80_NO_PAGES;  // Z80_PAGE_COUNT entries each (not owned)
    int32_t clocks_left = 0;                     // processor clocks still to run; <= 0 between calls (overshoot)
    int32_t slice_mark = 0;                      // clocks_left at the start of the running execute call
    Z80Pair af{};
    Z80Pair bc{};
    Z80Pair de{};
    Z80Pair hl{};
    Z80Pair ix{};
    Z80Pair iy{};
    uint8_t i = 0;     // interrupt vector base
    uint8_t r = 0;     // refresh: bits 0..6 count opcode fetches, bit 7 kept
    uint8_t im = 0;    // interrupt mode; anything but 0 and 1 acts as 2
    uint8_t iff1 = 0;  // maskable interrupts enabled
    uint8_t iff2 = 0;  // copy of iff1 kept across a non-maskable interrupt
    uint16_t sp = 0;
    uint16_t pc = 0;
    uint16_t instr_pc = 0;  // first byte (first prefix) of the instruction being run
    Z80Pair af_alt{};
    Z80Pair bc_alt{};
    Z80Pair de_alt{};
    Z80Pair hl_alt{};
    uint16_t operand_address = 0;  // IX+d / IY+d of the current indexed instruction
    uint8_t stopped = 0;           // stop line active
    uint8_t halted = 0;            // executing HALT
    uint32_t irq_pending = 0;      // bit 31 the NMI latch, bits 0..30 maskable request lines
    uint32_t irq_hold = 0;         // per line: 1 = the request waits while interrupts are disabled
};

}  // namespace m5
