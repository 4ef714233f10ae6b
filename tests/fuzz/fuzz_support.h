// What the fuzz targets share: a private scratch directory for the files the
// machine reads and writes, whole-file helpers, a machine host, and the check
// that turns a broken expectation into a finding.
//
// Each target defines LLVMFuzzerTestOneInput. Built with -DM5_FUZZ=ON (clang)
// it links with libFuzzer; in every other build replay_main.cpp drives it
// over files and directories given on its command line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "machine/machine_host.h"

namespace m5::fuzz {

// A directory of this process's own under the system's temporary folder,
// ending with '/'; created on first use and removed at exit.
const std::string& scratch_dir();

void write_file(const std::string& path, const uint8_t* data, size_t size);
std::vector<uint8_t> read_file(const std::string& path);

// Prints `what` and aborts: the fuzzer keeps the input as a finding, a
// replay fails.
[[noreturn]] void fail(const char* file, int line, const std::string& what);

// A host with a real screen surface and no keys pressed.
class FuzzHost final : public MachineHost {
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

}  // namespace m5::fuzz

#define FUZZ_CHECK(condition, what)                                     \
    do {                                                                \
        if (!(condition)) ::m5::fuzz::fail(__FILE__, __LINE__, (what)); \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
