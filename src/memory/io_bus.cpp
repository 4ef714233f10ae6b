#include "memory/io_bus.h"

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

}  // namespace m5
