// Vdp ports, registers, status and the frame step. The drawing is in
// vdp_render.cpp.
#include "devices/vdp.h"

#include "machine/machine_services.h"
#include "machine/state_io.h"

namespace m5 {

Vdp::Vdp(MachineServices* owner, MachineHost* host_services) : Component(owner, host_services) {
    update_colour_tables(true);
}

void Vdp::init() {
    if (machine == nullptr) return;
    frame_line = machine->video_standard().frame_interrupt_line;
    machine->add_scanline_listener(this, frame_line);
    chip = machine->video_standard().video_chip;
}

void Vdp::reset() {
    vram.fill(0);
    regs.fill(0);
    latch_byte = 0;
    read_ahead = 0;
    status = 0;
    address = 0;
    latch_full = false;
    int_level = 0;  // forgotten, not sent: the receivers reset too
    colour_base = pattern_base = name_base = 0;
    sprite_pattern_base = sprite_attr_base = 0;
    colour_mask = pattern_mask = 0;
    update_colour_tables();
}

// --- Ports ------------------------------------------------------------------

void Vdp::port_write8(int32_t port, int32_t data) {
    const auto value = static_cast<uint8_t>(data);
    if (port & 1) {
        write_control(value);
        return;
    }
    vram[address] = value;
    address = (address + 1) & VRAM_ADDRESS_MASK;
    read_ahead = value;
    latch_full = false;
}

int32_t Vdp::port_read8(int32_t port) {
    if ((port & 1) == 0) return read_data();
    // The read clears the three flags; the fifth-sprite number stays.
    const uint8_t result = status;
    status &= STATUS_SPRITE_NUMBER;
    set_int_line(false);
    latch_full = false;
    return result;
}

uint8_t Vdp::read_data() {
    const uint8_t result = read_ahead;
    read_ahead = vram[address];
    address = (address + 1) & VRAM_ADDRESS_MASK;
    latch_full = false;
    return result;
}

// First byte: held. Second byte: bit 7 set writes register (v & 7) with the
// held byte; otherwise it completes a 14-bit address, and with bit 6 clear
// (read set-up) the first byte is fetched into the read-ahead at once.
void Vdp::write_control(uint8_t value) {
    if (!latch_full) {
        latch_byte = value;
        latch_full = true;
        return;
    }
    latch_full = false;
    if (value & 0x80) {
        write_register(value & 7, latch_byte);
        return;
    }
    address = static_cast<uint16_t>(((value << 8) | latch_byte) & VRAM_ADDRESS_MASK);
    if ((value & 0x40) == 0) read_data();
}

// --- Registers --------------------------------------------------------------

void Vdp::write_register(int32_t number, uint8_t value) {
    number &= 7;
    regs[number] = value & VDP_REGISTER_MASKS[number];
    switch (number) {
        case 1: set_int_line((regs[1] & R1_INTERRUPT_ENABLE) && (status & STATUS_FRAME)); break;
        case 7: update_colour_tables(); break;
        default: derive_tables(); break;
    }
}

// In Graphics II (M3) the top bits of R3 and R4 pick the table halves and the
// rest limit the table index; otherwise they are plain bases. Everything
// follows from the registers as they stand, whatever order they were written
// in. Outside M3 the masks keep their values: only the M3 modes use them, and
// setting M3 derives them afresh.
void Vdp::derive_tables() {
    const uint8_t r3 = regs[3];
    const uint8_t r4 = regs[4];
    if (regs[0] & R0_M3) {
        colour_base = static_cast<uint16_t>((r3 & 0x80) << 6);
        colour_mask = static_cast<uint16_t>(((r3 & 0x7F) << 3) | 7);
        pattern_base = static_cast<uint16_t>((r4 & 4) << 11);
        pattern_mask = static_cast<uint16_t>(((r4 & 3) << 8) | (colour_mask & 0xFF));
    } else {
        colour_base = static_cast<uint16_t>((r3 << 6) & VRAM_ADDRESS_MASK);
        pattern_base = static_cast<uint16_t>(r4 << 11);
    }
    name_base = static_cast<uint16_t>(regs[2] << 10);
    sprite_attr_base = static_cast<uint16_t>(regs[5] << 7);
    sprite_pattern_base = static_cast<uint16_t>(regs[6] << 11);
}

int32_t Vdp::mode() const {
    return ((regs[0] & R0_M3) ? 2 : 0) | ((regs[1] & R1_M1) ? 1 : 0) | ((regs[1] & R1_M2) ? 4 : 0);
}

// --- Interrupt line and frame -----------------------------------------------

void Vdp::set_int_line(bool level) { send_level(int_output, int_level, level ? 1 : 0); }

void Vdp::on_scanline(int32_t line, int32_t clocks) {
    (void)clocks;
    if (line != frame_line) return;
    if (regs[1] & R1_DISPLAY_ENABLE) {
        render_frame();
    } else if (drawing) {
        picture.fill(backdrop_colour());
    }
    status |= STATUS_FRAME;
    set_int_line((regs[1] & R1_INTERRUPT_ENABLE) != 0);
}

void Vdp::describe_state(StateArchive& a) {
    a.raw(vram.data(), vram.size());
    a.raw(picture.data(), picture.size());
    if (a.loading()) {
        for (uint8_t& p : picture) {
            if (!a.valid(p <= 15)) p = 0;
        }
    }
    a.raw(regs.data(), regs.size());
    if (a.loading()) {
        for (int32_t n = 0; n < VDP_REGISTER_COUNT; ++n) {
            if (!a.valid((regs[n] & ~VDP_REGISTER_MASKS[n]) == 0)) regs[n] &= VDP_REGISTER_MASKS[n];
        }
    }
    a.field(status);
    a.field(read_ahead);
    a.field(latch_byte);
    a.field(address);
    if (!a.valid(address <= VRAM_ADDRESS_MASK)) address = 0;
    a.field(latch_full);
    // The line is driven while the frame flag stands and R1 lets it through.
    a.field(int_level);
    if (!a.valid(int_level == ((regs[1] & R1_INTERRUPT_ENABLE) && (status & STATUS_FRAME) ? 1 : 0))) int_level = 0;
    // The bases and masks are saved as they stand; a load derives them again
    // from the registers (after_load), as the chip itself does.
    for (uint16_t* v : {&colour_base, &pattern_base, &name_base, &sprite_pattern_base, &sprite_attr_base, &colour_mask,
                        &pattern_mask}) {
        a.field(*v, VRAM_ADDRESS_MASK);
    }
}

void Vdp::after_load() {
    derive_tables();
    update_colour_tables();
}

}  // namespace m5
