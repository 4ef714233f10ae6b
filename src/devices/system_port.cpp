#include "devices/system_port.h"

#include "machine/state_io.h"

namespace m5 {

void SystemPort::init() {
    tape_in = 0;
    last_out = 0;
    last_motor = 0;
    aux_in = 0;
}

void SystemPort::port_write8(int32_t port, int32_t data) {
    if ((port & 0xFF) != SYSTEM_PORT) return;

    // The output line is the inverse of bit 0; the motor follows bit 1.
    const uint8_t out = (data & 0x01) ? 0 : 1;
    if (out != last_out) {
        last_out = out;
        if (target != nullptr) target->signal_in(out_signal, out, 1);
    }
    const uint8_t motor = (data >> 1) & 1;
    if (motor != last_motor) {
        last_motor = motor;
        if (target != nullptr) target->signal_in(motor_signal, motor, 1);
    }
}

void SystemPort::signal_in(int32_t signal, uint32_t data, uint32_t mask) {
    const uint8_t level = (data & mask) != 0 ? 1 : 0;
    if (signal == 0) {
        tape_in = level;
    } else if (signal == 1) {
        aux_in = level;
    }
}

void SystemPort::describe_state(StateArchive& a) {
    for (uint8_t* level : {&tape_in, &last_out, &last_motor, &aux_in}) {
        a.field(*level);
        if (!a.valid(*level <= 1)) *level = 0;
    }
}

}  // namespace m5
