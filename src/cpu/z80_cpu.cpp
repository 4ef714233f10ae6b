#include "cpu/z80_cpu.h"

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
