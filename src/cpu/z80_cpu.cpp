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
        }
    }
}

void Z80Cpu::set_irq_request(uint8_t request, uint8_t hold, int32_t line) {
    if (line < 0 || line >= 32) return;
    const uint32_t bit = 1u << line;
    irq_pending = request ? irq_pending | bit : irq_pending & ~bit;
    irq_hold = hold ? irq_hold | bit : irq_hold & ~bit;
}

void Z80Cpu::execute(int32_t clocks) { execute_on(ComponentBus{memory, io}, clocks); }

void Z80Cpu::save_state(StateWriter& out) {
    out.i32(clocks_left);
    out.i32(slice_mark);
    for (const Z80Pair* p : {&af, &bc, &de, &hl, &ix, &iy, &af_alt, &bc_alt, &de_alt, &hl_alt}) out.u16(p->w);
    out.u8(i);
    out.u8(r);
    out.u8(im);
    out.u8(iff1);
    out.u8(iff2);
    out.u16(sp);
    out.u16(pc);
    out.u16(instr_pc);
    out.u16(operand_address);
    out.u8(stopped);
    out.u8(halted);
    out.u32(irq_pending);
    out.u32(irq_hold);
}

void Z80Cpu::load_state(StateReader& in) {
    clocks_left = in.i32();
    slice_mark = in.i32();
    for (Z80Pair* p : {&af, &bc, &de, &hl, &ix, &iy, &af_alt, &bc_alt, &de_alt, &hl_alt}) p->w = in.u16();
    i = in.u8();
    r = in.u8();
    im = in.u8();
    iff1 = in.u8();
    iff2 = in.u8();
    sp = in.u16();
    pc = in.u16();
    instr_pc = in.u16();
    operand_address = in.u16();
    stopped = in.u8();
    halted = in.u8();
    irq_pending = in.u32();
    irq_hold = in.u32();
}

}  // namespace m5
