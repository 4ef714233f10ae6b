// The devices the tests add to the machine, one line each: its chunk tag,
// its name in messages, how it is built and how it is wired. A test that
// wants them builds `Machine(&host, nullptr, TEST_DEVICES)`, or a Host with
// them; every other machine is the M5 alone.
#pragma once

#include "m5/machine.h"
#include "machine/state_io.h"
#include "support/test_register.h"

namespace m5::test {

inline constexpr ComponentExtension TEST_DEVICES[] = {
    {state_tag("TREG"), "the test register", build_extension<TestRegister>, wire_test_register},
};

}  // namespace m5::test
