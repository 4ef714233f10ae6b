// TestRegister: a device that exists only in the tests, added to the machine
// from outside its component list (m5/machine.h, ComponentExtension).
//
// One byte register at port 0x60, free on the M5: a write stores the byte, a
// read gives it back. Reset clears it; it is saved in a chunk of its own.
// It is the smallest device there is, and the pattern a new one follows.
#pragma once

#include <cstdint>

#include "machine/component.h"

namespace m5 {
class Machine;
}

namespace m5::test {

inline constexpr int32_t TEST_REGISTER_PORT = 0x60;

class TestRegister final : public Component {
public:
    using Component::Component;

    void reset() override { value = 0; }
    void port_write8(int32_t port, int32_t data) override {
        (void)port;
        value = static_cast<uint8_t>(data);
    }
    int32_t port_read8(int32_t port) override {
        (void)port;
        return value;
    }
    void describe_state(StateArchive& archive) override;

    uint8_t value = 0;
};

// Maps TEST_REGISTER_PORT, reads and writes, to the register.
void wire_test_register(Machine& machine, Component& test_register);

}  // namespace m5::test
