// SystemPort: the M5's cassette interface port.
//
// Stands for the system control latch and input buffer at port 0x50. Writes
// drive two output lines to the tape deck: the cassette output level (the
// inverse of data bit 0) and the cassette motor relay (data bit 1). Reads
// return the cassette input level in bit 0 and a second input in bit 1.
// Port 0x40 also reaches this component for writes and has no effect.
//
// Ports: write 0x40, 0x50; read 0x50 (low byte decoded on writes; reads are
// only routed here from 0x50).
// Signals in: 0 cassette input level, 1 second input level (data & mask
// non-zero = 1). Signals out, to target with mask 1: out_signal (output
// level), motor_signal (motor on); only changes are sent.
// Time: none.
//
// Known differences from the real machine:
// - The other latch bits (printer strobe and the like) are ignored.
#pragma once

#include <cstdint>

#include "machine/component.h"

namespace m5 {

inline constexpr int32_t SYSTEM_PORT = 0x50;
inline constexpr int32_t SYSTEM_PORT_AUX = 0x40;

class SystemPort final : public Component {
public:
    using Component::Component;

    // Clears every level.
    void init() override;
    void port_write8(int32_t port, int32_t data) override;
    int32_t port_read8(int32_t port) override {
        (void)port;
        return tape_in | (aux_in << 1);
    }
    void signal_in(int32_t signal, uint32_t data, uint32_t mask) override;
    // The four levels, each 0 or 1.
    void describe_state(StateArchive& archive) override;

    Component* target = nullptr;  // receives both output lines (the tape deck)
    int32_t out_signal = 0;       // signal id of the cassette output line
    int32_t motor_signal = 1;     // signal id of the motor line
    uint8_t tape_in = 0;          // level last received on signal 0
    uint8_t last_out = 0;         // cassette output level last sent
    uint8_t last_motor = 0;       // motor level last sent
    uint8_t aux_in = 0;           // level last received on signal 1
};

}  // namespace m5
