#include "memory/io_bus.h"

#include "machine/machine_services.h"
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
    // A target by its component id; one the machine does not have fails.
    const auto target = [&](Component*& c) {
        auto id = static_cast<uint8_t>(c->id);
        a.field(id);
        if (!a.loading() || machine == nullptr) return;
        Component* found = machine->find_component(id);
        c = a.valid(found != nullptr) ? found : unmapped;
    };
    for (int32_t p = 0; p < PORT_COUNT; ++p) {
        target(write_targets[p]);
        a.field_as<uint8_t>(write_ports[p]);
        a.field_as<uint8_t>(write_waits[p]);
        target(read_targets[p]);
        a.field_as<uint8_t>(read_ports[p]);
        a.field_as<uint8_t>(read_waits[p]);
    }
}

}  // namespace m5
