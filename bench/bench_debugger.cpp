// What the debugger costs: whole frames of the busy test program
// (roms/test/host_busy.asm as the IPL ROM) run plainly, with the debugger
// attached and nothing set, with breakpoints and watchpoints that are never
// hit, and with the trace written to /dev/null. "fps" is frames per second
// of processor time.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "debug/debugger.h"
#include "m5/machine.h"
#include "machine/machine_host.h"

namespace m5 {
namespace {

// A machine host with the program host_busy, to be the IPL ROM.
class BenchHost final : public MachineHost {
public:
    BenchHost() {
        std::ifstream file(std::string(M5_ROM_DIR) + "/host_busy.rom", std::ios::binary);
        ipl.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    uint16_t* surface_row(int32_t row) override { return &surface[static_cast<size_t>(row) * SURFACE_WIDTH]; }
    const uint8_t* key_state() const override { return keys.data(); }
    const uint8_t* joy_bits() const override { return joy.data(); }
    int32_t& cpu_speed() override { return speed; }

    std::string ipl;
    std::array<uint16_t, SURFACE_WIDTH * SURFACE_HEIGHT> surface{};
    std::array<uint8_t, KEY_STATE_SIZE> keys{};
    std::array<uint8_t, JOY_PORTS> joy{};
    int32_t speed = 0;
};

enum class Setup { PLAIN, ATTACHED, BREAKPOINTS, WATCHPOINTS, TRACE };

void run_frames(benchmark::State& state, Setup setup) {
    BenchHost host;
    Machine machine(&host);
    machine.load_ipl(reinterpret_cast<const uint8_t*>(host.ipl.data()), host.ipl.size());
    machine.setup_audio(44100, 4410);
    debug::Debugger debugger(machine, nullptr);
    std::FILE* trace = nullptr;
    if (setup != Setup::PLAIN) debugger.attach();
    if (setup == Setup::BREAKPOINTS) {
        for (uint16_t address = 0x6F00; address < 0x6F10; ++address) debugger.add_breakpoint(address);
    }
    if (setup == Setup::WATCHPOINTS) debugger.add_watchpoint(0xA000, 256, debug::WATCH_ACCESS);
    if (setup == Setup::TRACE) {
        trace = std::fopen("/dev/null", "w");
        debugger.set_trace(trace, 1, 1 << 30);
    }
    int32_t frame = 0;
    for (auto _ : state) {
        debugger.begin_frame(++frame);
        machine.run_frame();
        machine.take_audio(0, 1);
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    debugger.detach();
    if (trace != nullptr) std::fclose(trace);
}

void BM_FramePlain(benchmark::State& state) { run_frames(state, Setup::PLAIN); }
void BM_FrameDebuggerAttached(benchmark::State& state) { run_frames(state, Setup::ATTACHED); }
void BM_FrameSixteenBreakpoints(benchmark::State& state) { run_frames(state, Setup::BREAKPOINTS); }
void BM_FrameWatching256Bytes(benchmark::State& state) { run_frames(state, Setup::WATCHPOINTS); }
void BM_FrameTraced(benchmark::State& state) { run_frames(state, Setup::TRACE); }

BENCHMARK(BM_FramePlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameDebuggerAttached)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameSixteenBreakpoints)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameWatching256Bytes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameTraced)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace m5
