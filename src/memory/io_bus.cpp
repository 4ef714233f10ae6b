#include "memory/io_bus.h"

#include "machine/state_io.h"

namespace m5 {

IoBus::IoBus(MachineServices* owner, MachineHost* host_services, Component* unmapped_target)
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
    // Layout 2: nothing; the port map is wiring, fixed when the machine is
    // built. Layouts 0 and 1 held it, each entry's target by its component
    // id, the port it passes on and its wait states: a load checks that it
    // is the map built and leaves the map as it is. A port the state leaves
    // unmapped may have a device now (one added since); any other entry
    // that differs fails the load.
    if (a.version(2) >= 2) return;
    const auto entry = [&](int32_t p, Component* target, int32_t port, int32_t waits) {
        uint8_t id = 0, stored_port = 0, stored_waits = 0;
        a.field(id);
        a.field(stored_port);
        a.field(stored_waits);
        const bool built = id == target->id && stored_port == port && stored_waits == waits;
        const bool unmapped_then = id == unmapped->id && stored_port == p && stored_waits == 0;
        a.valid(built || unmapped_then);
    };
    for (int32_t p = 0; p < PORT_COUNT; ++p) {
        entry(p, write_targets[p], write_ports[p], write_waits[p]);
        entry(p, read_targets[p], read_ports[p], read_waits[p]);
    }
}

}  // namespace m5
