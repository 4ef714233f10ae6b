// The probe port our test programs write to (0xF0, which no part of the
// machine answers): every write with its machine time, port and byte.
#pragma once

#include <tuple>
#include <vector>

#include "m5/machine.h"
#include "memory/io_bus.h"

namespace m5::test {

inline constexpr int32_t PROBE_PORT = 0xF0;

class PortProbe final : public Component {
public:
    explicit PortProbe(Machine& machine) : Component(nullptr, nullptr), clock(&machine) {
        machine.io_bus->map_port_write(PROBE_PORT, this, PROBE_PORT);
    }
    void port_write8(int32_t port, int32_t data) override { writes.emplace_back(clock->now(), port, data); }
    MachineTime time_of(size_t write) const { return std::get<0>(writes[write]); }

    Machine* clock;
    std::vector<std::tuple<MachineTime, int32_t, int32_t>> writes;
};

}  // namespace m5::test
