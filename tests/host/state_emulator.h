// A host running one of our test programs as its IPL ROM, as the save-state
// tests make and load their states in. The sound device frees a half on
// every third frame, so that sound blocks are cut at other points than
// frames and a state often holds a block in progress.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "devices/vdp.h"
#include "host/host.h"
#include "host/settings.h"
#include "host/test_platform.h"
#include "m5/machine.h"
#include "memory/memory_map.h"
#include "support/temp_dir.h"

namespace m5::test {

struct Emulator {
    explicit Emulator(const std::string& rom, const MachineConfig& config = {}) {
        dir.install_ipl(rom);
        platform.executable = dir.file("m5");
        settings.sample_rate_index = 2;  // 8000 Hz
        host = std::make_unique<Host>(platform, settings, config);
    }
    void run(int32_t frames) {
        for (int32_t i = 0; i < frames; ++i) {
            platform.half_free = host->frames_run() % 3 == 0;
            host->emulate_frame();
        }
    }
    std::vector<uint8_t> ram() const {
        std::vector<uint8_t> bytes(RAM_SIZE);
        host->machine().memory_map->copy_out(RAM_START, bytes.data(), bytes.size());
        return bytes;
    }
    std::vector<uint8_t> screen() const {
        const Vdp& v = *host->machine().vdp;
        return {v.vram.begin(), v.vram.end()};
    }

    TempDir dir;
    TestPlatform platform;
    Settings settings;
    std::unique_ptr<Host> host;
};

}  // namespace m5::test
