// IoBus: the processor's I/O space.
//
// Stands for the M5's port decoding: each port access is dispatched on the
// low byte of the port address through two 256-entry tables, one for writes
// and one for reads. An entry names the target component, the port number
// (0..255) the target receives in place of the low byte, and the wait states
// a waited access reports. The high byte of the port value (A or B on the
// real bus) passes through unchanged. Every entry always holds a target:
// unmapped ports go to the null component, which ignores writes and reads
// 0xFF, so dispatch needs no test.
//
// Time: wait states, in processor clocks (all 0 in this machine).
//
// Known differences from the real machine:
// - Decoding is by the full low byte; the real board leaves some address
//   lines undecoded, so its ports have mirrors that are not modelled.
#pragma once

#include <cstdint>

#include "machine/component.h"

namespace m5 {

inline constexpr int32_t PORT_COUNT = 256;

class IoBus final : public Component {
public:
    // Points every entry of both tables at `unmapped` (a private null
    // component when none is given) with the port's own number and no wait
    // states.
    IoBus(MachineServices* machine, MachineHost* host, Component* unmapped);

    void port_write8(int32_t port, int32_t data) override {
        const int32_t p = port & 0xFF;
        write_targets[p]->port_write8((port & ~0xFF) | write_ports[p], data);
    }
    int32_t port_read8(int32_t port) override {
        const int32_t p = port & 0xFF;
        return read_targets[p]->port_read8((port & ~0xFF) | read_ports[p]);
    }
    void port_write8_w(int32_t port, int32_t data, int32_t* wait_out) override {
        *wait_out = write_waits[port & 0xFF];
        port_write8(port, data);
    }
    int32_t port_read8_w(int32_t port, int32_t* wait_out) override {
        *wait_out = read_waits[port & 0xFF];
        return port_read8(port);
    }

    // Wiring: the entry of low byte `port` sends to `target` as `target_port`.
    // A null target stands for the unmapped component.
    void map_port_write(int32_t port, Component* target, int32_t target_port);
    void map_port_read(int32_t port, Component* target, int32_t target_port);

    // Nothing: the port map is wiring. States of older layouts hold it; a
    // load checks it is the map built and fails on any other.
    void describe_state(StateArchive& archive) override;

    Component* write_targets[PORT_COUNT];
    Component* read_targets[PORT_COUNT];
    int32_t write_ports[PORT_COUNT];
    int32_t read_ports[PORT_COUNT];
    int32_t write_waits[PORT_COUNT];
    int32_t read_waits[PORT_COUNT];

private:
    NullComponent own_null{nullptr, nullptr};  // stands in when no unmapped target is given
    Component* unmapped;
};

}  // namespace m5
