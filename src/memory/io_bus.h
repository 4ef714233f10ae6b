#pragma once
#include "machine/component.h"
namespace m5 {
// Placeholder until the I/O bus is built.
class IoBus final : public Component {
public:
    IoBus(Machine* machine, MachineHost* host, Component* unmapped) : Component(machine, host) { (void)unmapped; }
    void map_port_write(int32_t port, Component* target, int32_t target_port) { (void)port, (void)target, (void)target_port; }
    void map_port_read(int32_t port, Component* target, int32_t target_port) { (void)port, (void)target, (void)target_port; }
};
}  // namespace m5
