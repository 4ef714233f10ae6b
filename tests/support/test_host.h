// A MachineHost for tests: the IPL ROM from "IPL.ROM" in a directory of the
// test's choosing, a
// real 256 x 192 surface, key and joystick arrays the test sets directly, and
// its own CPU speed setting.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <string>

#include "machine/machine_host.h"
#include "support/test_data.h"  // shared_path

namespace m5::test {

class TestHost : public MachineHost {
public:
    explicit TestHost(std::string directory = "") : directory_(std::move(directory)) {}

    std::string program_directory() const { return directory_; }
    void ipl_rom(uint8_t* rom, size_t size) const override {
        std::ifstream file(directory_ + "IPL.ROM", std::ios::binary);
        if (!directory_.empty() && file) file.read(reinterpret_cast<char*>(rom), static_cast<std::streamsize>(size));
    }
    uint16_t* surface_row(int32_t row) override { return &surface[static_cast<size_t>(row) * SURFACE_WIDTH]; }
    const uint8_t* key_state() const override { return keys.data(); }
    const uint8_t* joy_bits() const override { return joy.data(); }
    int32_t& cpu_speed() override { return speed; }

    void set_directory(std::string directory) { directory_ = std::move(directory); }

    std::array<uint16_t, SURFACE_WIDTH * SURFACE_HEIGHT> surface{};
    std::array<uint8_t, KEY_STATE_SIZE> keys{};
    std::array<uint8_t, JOY_PORTS> joy{};
    int32_t speed = 0;

private:
    std::string directory_;
};

// Path of an assembled test ROM by name ("ctc_timer" -> .../ctc_timer.rom).
inline std::string rom_path(const std::string& name) { return std::string(M5_ROM_DIR) + "/" + name + ".rom"; }

}  // namespace m5::test
