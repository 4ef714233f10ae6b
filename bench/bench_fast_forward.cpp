// Fast forward as the desktop runs it: whole frames of a test program as the
// IPL ROM through the Host, one picture presented for every 16 ms of frames,
// for two seconds of wall time. "busy" runs roms/test/host_busy.asm, which
// never idles; "idle" runs roms/test/idle_waits.asm, which waits for its
// timer's interrupt as games wait for the frame's, mostly in loops the
// processor passes over. "speed" is the emulated time run per second of wall
// time (1 = real time).
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/headless_platform.h"
#include "host/host.h"
#include "host/settings.h"
#include "m5/machine.h"

namespace m5 {
namespace {

void BM_FastForward(benchmark::State& state, const char* rom) {
    std::ifstream file(std::string(M5_ROM_DIR) + "/" + rom + ".rom", std::ios::binary);
    const std::vector<uint8_t> ipl((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Settings settings;
    settings.default_settings();
    HeadlessPlatform platform("/tmp/", std::nullopt);
    Host host(platform, settings);
    host.set_ipl(ipl.data(), ipl.size());
    const double rate = host.machine().video_standard().frames_per_second;
    uint64_t frames = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        do {
            host.emulate_frame();
            ++frames;
        } while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(16));
        host.present_frame();
    }
    state.counters["speed"] = benchmark::Counter(static_cast<double>(frames) / rate, benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(BM_FastForward, busy, "host_busy")->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK_CAPTURE(BM_FastForward, idle, "idle_waits")->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
}  // namespace m5
