// Save states: saving and loading the whole machine (the free boot ROM after
// five seconds, sound at 44100 Hz) and the size of a state. Both must stay far
// below one frame (16.7 ms).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "host/host.h"
#include "host/platform.h"
#include "host/settings.h"
#include "host/state_file.h"

namespace m5 {
namespace {

class QuietPlatform final : public Platform {
public:
    explicit QuietPlatform(std::string directory) : dir(std::move(directory)) {}
    uint32_t ticks_ms() override { return 0; }
    void sleep_ms(uint32_t) override {}
    void set_title(const std::string&) override {}
    void request_repaint() override {}
    std::string executable_path() override { return dir + "m5"; }
    bool modifier_down(int32_t) override { return false; }
    std::optional<std::string> clipboard_text() override { return std::nullopt; }
    bool sound_open(int32_t, int32_t) override { return true; }
    bool sound_half_free(bool) override { return true; }
    bool sound_write_half(bool, const int16_t*, int32_t) override { return true; }
    void sound_clear() override {}
    void sound_close() override {}
    std::string dir;
};

// A host running the boot ROM for five seconds, in a program directory of its own.
struct BootedHost {
    BootedHost() : dir(std::filesystem::temp_directory_path() / ("m5_bench_state_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(dir);
        std::filesystem::copy_file(std::string(M5_ROM_DIR) + "/boot.rom", dir / "IPL.ROM",
                                   std::filesystem::copy_options::overwrite_existing);
        platform = std::make_unique<QuietPlatform>(dir.string() + "/");
        host = std::make_unique<Host>(*platform, settings);
        for (int i = 0; i < 300; ++i) host->emulate_frame();
    }
    ~BootedHost() {
        host.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::filesystem::path dir;
    Settings settings;
    std::unique_ptr<QuietPlatform> platform;
    std::unique_ptr<Host> host;
};

void BM_SaveState(benchmark::State& state) {
    BootedHost booted;
    std::vector<uint8_t> file;
    for (auto _ : state) {
        file = booted.host->save_state();
        benchmark::DoNotOptimize(file.data());
    }
    StateFile decoded;
    std::string error;
    decode_state_file(file, decoded, error);
    state.counters["file_bytes"] = static_cast<double>(file.size());
    state.counters["chunk_bytes"] = static_cast<double>(decoded.chunks.size());
    state.counters["thumbnail_bytes"] = static_cast<double>(decoded.thumbnail.size());
}
BENCHMARK(BM_SaveState)->Unit(benchmark::kMicrosecond);

void BM_SaveStateForRewind(benchmark::State& state) {
    BootedHost booted;
    for (auto _ : state) benchmark::DoNotOptimize(booted.host->save_state(false).data());
}
BENCHMARK(BM_SaveStateForRewind)->Unit(benchmark::kMicrosecond);

void BM_LoadState(benchmark::State& state) {
    BootedHost booted;
    const std::vector<uint8_t> file = booted.host->save_state();
    std::string error;
    for (auto _ : state) {
        if (!booted.host->load_state(file, error)) state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_LoadState)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace m5
