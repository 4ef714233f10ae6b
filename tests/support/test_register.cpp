#include "support/test_register.h"

#include "m5/machine.h"
#include "machine/state_io.h"
#include "memory/io_bus.h"

namespace m5::test {

void TestRegister::describe_state(StateArchive& archive) { archive.field(value); }

void wire_test_register(Machine& machine, Component& test_register) {
    machine.io_bus->map_port_write(TEST_REGISTER_PORT, &test_register, TEST_REGISTER_PORT);
    machine.io_bus->map_port_read(TEST_REGISTER_PORT, &test_register, TEST_REGISTER_PORT);
}

}  // namespace m5::test
