#include "cpu/z80_cpu.h"

#include <algorithm>
#include <array>

#include "cpu/z80_execute.h"
#include "machine/state_io.h"

namespace m5 {

void Z80Cpu::reset() {
    r = 0;
    i = 0;
    pc = 0;
    im = 0;
    iff1 = 0;
    iff2 = 0;
    halted = 0;
    stopped = 0;
    irq_pending = 0;
    irq_hold = 0;
}

void Z80Cpu::signal_in(int32_t signal, uint32_t data, uint32_t mask) {
    const bool active = (data & mask) != 0;
    if (signal == NMI_SIGNAL) {
        irq_pending = active ? irq_pending | NMI_PENDING_BIT : irq_pending & ~NMI_PENDING_BIT;
    } else if (signal == STOP_SIGNAL) {
        stopped = active ? 1 : 0;
        if (active) {
            // The running instruction completes; the rest of the budget is gone.
            clocks_left = 0;
            slice_mark = 0;
            slice_head = 0;
        }
    }
}

void Z80Cpu::set_irq_request(uint8_t request, uint8_t hold, int32_t line) {
    if (line < 0 || line >= 32) return;
    const uint32_t bit = 1u << line;
    irq_pending = request ? irq_pending | bit : irq_pending & ~bit;
    irq_hold = hold ? irq_hold | bit : irq_hold & ~bit;
}

void Z80Cpu::execute(int32_t clocks) { execute_on(ComponentBus{memory, io, read_pages, write_pages}, clocks); }

void Z80Cpu::execute_slices(SliceRun& run) {
    execute_slices_on(ComponentBus{memory, io, read_pages, write_pages}, run);
}

namespace {

// Everything an instruction may change in the processor but R and the
// clocks: two views alike are the same processor.
using IdleView = std::array<uint32_t, 20>;
IdleView idle_view(const Z80Cpu& c) {
    return {c.pc,   c.sp,       c.af.w,     c.bc.w,     c.de.w,     c.hl.w,       c.ix.w,
            c.iy.w, c.af_alt.w, c.bc_alt.w, c.de_alt.w, c.hl_alt.w, c.instr_pc,   c.operand_address,
            c.i,    c.im,       c.iff1,     c.iff2,     c.halted,   c.irq_pending};
}

// The memory handlers and ports of a look for an idle loop: every access
// that no page takes (every write: the look's write pages are null) comes
// here, is passed on to the machine's, and is noted as something that may
// be seen outside the processor; a write of the byte a page already holds
// changes nothing (a CALL's return address pushed again).
class IdleLook final : public Component {
public:
    explicit IdleLook(const ComponentBus& bus) : Component(nullptr, nullptr), bus(bus) {}

    int32_t mem_read8(int32_t address) override { return outside = true, bus.memory->mem_read8(address); }
    int32_t mem_read16(int32_t address) override { return outside = true, bus.memory->mem_read16(address); }
    void mem_write8(int32_t address, int32_t data) override {
        uint8_t* page = bus.write_pages[(address & 0xFFFF) >> Z80_PAGE_SHIFT];
        if (page == nullptr) {
            outside = true;
            return bus.memory->mem_write8(address, data);
        }
        uint8_t& byte = page[address & (Z80_PAGE_SIZE - 1)];
        if (byte != static_cast<uint8_t>(data)) outside = true, byte = static_cast<uint8_t>(data);
    }
    void mem_write16(int32_t address, int32_t data16) override {
        if ((address & (Z80_PAGE_SIZE - 1)) == Z80_PAGE_SIZE - 1 ||
            bus.write_pages[(address & 0xFFFF) >> Z80_PAGE_SHIFT] == nullptr) {
            outside = true;
            return bus.memory->mem_write16(address, data16);
        }
        mem_write8(address, data16 & 0xFF);
        mem_write8(address + 1, (data16 >> 8) & 0xFF);
    }
    int32_t port_read8(int32_t port) override { return outside = true, bus.io->port_read8(port); }
    void port_write8(int32_t port, int32_t data) override { outside = true, bus.io->port_write8(port, data); }

    const ComponentBus& bus;
    bool outside = false;
};

// What the bus cannot see, after any DD and FD prefixes: LD A,R and LD R,A
// (R does not simply count there) and RETI (which tells the interrupt chain
// directly). A byte behind a page of handlers counts as one.
bool unseen_by_bus(uint8_t* const* read_pages, uint16_t at) {
    const auto byte_at = [read_pages](uint16_t address) -> int32_t {
        const uint8_t* page = read_pages[address >> Z80_PAGE_SHIFT];
        return page == nullptr ? -1 : page[address & (Z80_PAGE_SIZE - 1)];
    };
    for (int n = 0; n < 4; ++n, ++at) {
        const int32_t op = byte_at(at);
        if (op < 0) return true;
        if (op == 0xDD || op == 0xFD) continue;
        if (op != 0xED) return false;
        const int32_t op2 = byte_at(static_cast<uint16_t>(at + 1));
        return op2 < 0 || op2 == 0x4F || op2 == 0x5F || (op2 & 0xCF) == 0x4D;
    }
    return true;
}

}  // namespace

void Z80Cpu::pass_idle_turns(const ComponentBus& bus) {
    if (idle_turn_clocks == 0) {
        // One turn, one instruction at a time (EI with the one after it),
        // through the run loop on a bus whose handlers watch.
        const IdleView start = idle_view(*this);
        const int32_t mark = slice_mark;
        const int32_t start_clocks = clocks_left;
        const uint8_t start_r = r;
        IdleLook look(bus);
        const ComponentBus look_bus{&look, &look, bus.read_pages, Z80_NO_PAGES};
        bool found = false;
        // An interrupt accepted calls out of the processor without the bus.
        for (int32_t n = 0; n < IDLE_TURN_MAX && clocks_left > 0 && irq_pending == 0; ++n) {
            if (unseen_by_bus(bus.read_pages, pc)) break;
            // A budget of one clock runs one instruction; the time that the
            // handlers see counts from the slice's start.
            const int32_t before = clocks_left;
            slice_head = mark - before;
            clocks_left = 0;
            run_slice_on(look_bus, 1);
            slice_head = 0;
            if (stopped) {  // the stop line took the rest of the slice
                clocks_left = slice_mark = 0;
                return;
            }
            clocks_left = before - (1 - clocks_left);
            slice_mark = mark;
            if (look.outside) break;
            if (idle_view(*this) == start) {
                found = true;
                break;
            }
        }
        if (!found) {
            idle_look_wait = std::clamp(idle_look_wait * 2, 1, IDLE_LOOK_WAIT_MAX);
            idle_look_in = idle_look_wait;
            return;
        }
        idle_turn_clocks = start_clocks - clocks_left;
        idle_turn_fetches = static_cast<uint8_t>((r - start_r) & 0x7F);
        idle_look_wait = idle_look_in = 0;
    }
    // Whole turns that leave the budget above zero: the run loop would not
    // have stopped inside any of them.
    if (clocks_left <= idle_turn_clocks) return;
    const int32_t turns = (clocks_left - 1) / idle_turn_clocks;
    clocks_left -= turns * idle_turn_clocks;
    r = static_cast<uint8_t>((r & 0x80) | ((r + static_cast<uint32_t>(turns) * idle_turn_fetches) & 0x7F));
    idle_clocks_passed += int64_t{turns} * idle_turn_clocks;
}

void Z80Cpu::describe_state(StateArchive& a) {
    a.field(clocks_left);
    a.field(slice_mark);
    // Between execute calls the budget is overshot by at most the longest
    // instruction, and the slice mark stands where it ended.
    if (!a.valid(clocks_left <= 0 && clocks_left >= -MAX_OVERSHOOT_CLOCKS && slice_mark == clocks_left)) {
        clocks_left = slice_mark = 0;
    }
    for (Z80Pair* p : {&af, &bc, &de, &hl, &ix, &iy, &af_alt, &bc_alt, &de_alt, &hl_alt}) a.field(p->w);
    for (uint8_t* v : {&i, &r, &im, &iff1, &iff2}) a.field(*v);
    if (!a.valid(im <= 2 && iff1 <= 1 && iff2 <= 1)) im = iff1 = iff2 = 0;
    for (uint16_t* v : {&sp, &pc, &instr_pc, &operand_address}) a.field(*v);
    a.field(stopped);
    a.field(halted);
    if (!a.valid(stopped <= 1 && halted <= 1)) stopped = halted = 0;
    a.field(irq_pending);
    a.field(irq_hold);
}

}  // namespace m5
