// A MachineHost for tests: a real 256 x 192 surface, key and joystick arrays
// the test sets directly, and its own CPU speed setting; and the machine's
// IPL ROM from one of our assembled test programs.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "machine/machine_host.h"
#include "support/test_data.h"  // shared_path

namespace m5 {
class Machine;
}

namespace m5::test {

class TestHost : public MachineHost {
public:
    uint16_t* surface_row(int32_t row) override { return &surface[static_cast<size_t>(row) * SURFACE_WIDTH]; }
    const uint8_t* key_state() const override { return keys.data(); }
    const uint8_t* joy_bits() const override { return joy.data(); }
    int32_t& cpu_speed() override { return speed; }

    std::array<uint16_t, SURFACE_WIDTH * SURFACE_HEIGHT> surface{};
    std::array<uint8_t, KEY_STATE_SIZE> keys{};
    std::array<uint8_t, JOY_PORTS> joy{};
    int32_t speed = 0;
};

// Path of an assembled test ROM by name ("ctc_timer" -> .../ctc_timer.rom).
inline std::string rom_path(const std::string& name) { return std::string(M5_ROM_DIR) + "/" + name + ".rom"; }

// Gives `machine` the assembled test program `rom_name` as its IPL ROM (and
// so resets it); returns the program's bytes, empty when it could not be
// read (the machine is then left alone).
std::string load_ipl(Machine& machine, const std::string& rom_name);

}  // namespace m5::test
