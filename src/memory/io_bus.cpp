#include "memory/io_bus.h"

#include "machine/state_io.h"

namespace m5 {

IoBus::IoBus(Machine* owner, MachineHost* host_services, Component* unmapped_target)
    : Component(owner, host_services), unmapped(unmapped_target != nullptr ? unmapped_target : &own_null) {
    for (int32_t p = 0; p < PORT_COUNT; ++p) {
        write_targets[p] = unmapped;
        read_targets[p] = unmapped;
        write_ports[p] = p;
        read_ports[p] = p;
        write_waits[p] = 0;
        read_waits[p] = 0;
    }
}

void IoBus::map_port_write(int32_t port, Component* target, int32_t target_port) {
    const int32_t p = port & 0xFF;
    write_targets[p] = target != nullptr ? target : unmapped;
    write_ports[p] = target_port & 0xFF;
}

void IoBus::map_port_read(int32_t port, Component* target, int32_t target_port) {
    const int32_t p = port & 0xFF;
    read_targets[p] = target != nullptr ? target : unmapped;
    read_ports[p] = target_port & 0xFF;
}

void IoBus::describe_state(StateArchive& a) {
    // The port map is wiring, fixed when the machine is built: a state holds
    // it only to be checked. A load of any other map fails and leaves the
    // map as it is.
    const auto entry = [&](Component* target, int32_t port, int32_t waits) {
        auto id = static_cast<uint8_t>(target->id);
        auto stored_port = static_cast<uint8_t>(port);
        auto stored_waits = static_cast<uint8_t>(waits);
        a.field(id);
        a.field(stored_port);
        a.field(stored_waits);
        a.valid(id == target->id && stored_port == port && stored_waits == waits);
    };
    for (int32_t p = 0; p < PORT_COUNT; ++p) {
        entry(write_targets[p], write_ports[p], write_waits[p]);
        entry(read_targets[p], read_ports[p], read_waits[p]);
    }
}

}  // namespace m5
