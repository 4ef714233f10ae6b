// Frames through the scheduler with no events and a processor that does
// nothing: the cost of the frame loop itself.
#include <benchmark/benchmark.h>

#include "machine/scheduler.h"

namespace {

class IdleCpu final : public m5::Component {
public:
    using Component::Component;
    void execute(int32_t clocks) override { benchmark::DoNotOptimize(clocks); }
};

void empty_frames(benchmark::State& state) {
    m5::Scheduler scheduler(nullptr, nullptr);
    scheduler.init();
    IdleCpu cpu(nullptr, nullptr);
    scheduler.add_cpu(&cpu);
    scheduler.setup_audio(44100, 4410);
    for (auto _ : state) {
        scheduler.run_frame();
        if (scheduler.block_fill >= 4410) scheduler.mix_samples(0, 1);
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(empty_frames);

}  // namespace
