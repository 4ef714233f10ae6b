// Playing WAV tapes: the cost of converting a digitised recording against the
// cost of running the machine while the tape plays, and the memory a long
// converted recording takes against one in the deck's own format.
//
// - convert_cd_recording: the converter alone on 44.1 kHz 16-bit stereo;
//   "tape_s_per_s" is seconds of tape converted per second.
// - machine_playing_tape: whole frames of a machine whose program reads the
//   cassette input in a loop while a tape in the deck's own format plays, as
//   fast as it goes (as the host runs while the tape moves).
// - ten_minute_tape/raw and /converted: a 10-minute tape played tick by tick
//   through the deck alone; "peak_rss_growth_kib" is how far the process's
//   peak resident memory rose while opening and playing it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "devices/tape_deck.h"
#include "devices/wav_header.h"
#include "devices/wav_tape_reader.h"
#include "host/tape_files.h"
#include "m5/machine.h"
#include "machine/machine_host.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t TEN_MINUTES_S = 600;
constexpr int32_t CD_RATE_HZ = 44100;

class BenchHost final : public m5::MachineHost {
public:
    uint16_t* surface_row(int32_t row) override { return &surface_[static_cast<size_t>(row) * m5::SURFACE_WIDTH]; }
    const uint8_t* key_state() const override { return keys_.data(); }
    const uint8_t* joy_bits() const override { return joy_.data(); }
    int32_t& cpu_speed() override { return speed_; }

private:
    std::array<uint16_t, m5::SURFACE_WIDTH * m5::SURFACE_HEIGHT> surface_{};
    std::array<uint8_t, m5::KEY_STATE_SIZE> keys_{};
    std::array<uint8_t, m5::JOY_PORTS> joy_{};
    int32_t speed_ = 0;
};

// The tape files, written once into a directory of their own and removed at
// exit: the same pulse train (bits of 1 and 2 kHz) in both formats.
struct TapeFiles {
    TapeFiles() {
        dir = fs::temp_directory_path() / ("m5_bench_tape_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        // IPL: motor on, then read the cassette input for ever.
        const uint8_t program[] = {0x3E, 0x03, 0xD3, 0x50, 0xDB, 0x50, 0x0F, 0x18, 0xFB};
        ipl.assign(0x2000, 0x00);
        std::copy(std::begin(program), std::end(program), ipl.begin());
        write_tape(raw, 1, 48000, 8, m5::TAPE_TICKS_PER_SECOND);
        write_tape(cd, 2, 44100, 16, CD_RATE_HZ);
    }
    ~TapeFiles() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    static void write(const fs::path& path, const std::vector<uint8_t>& head, const uint8_t* data, size_t size) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    // Ten minutes of pulses sampled at `rate_hz`, one second at a time.
    void write_tape(fs::path& path, uint16_t channels, uint32_t rate_hz, uint16_t bits, int32_t samples_per_s) {
        path = dir / (std::to_string(rate_hz) + ".wav");
        const uint32_t frame_bytes = channels * bits / 8u;
        const uint32_t data_bytes = TEN_MINUTES_S * static_cast<uint32_t>(samples_per_s) * frame_bytes;
        const auto header =
            m5::wav_header({.channels = channels, .sample_rate_hz = rate_hz, .bits_per_sample = bits}, data_bytes);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
        std::vector<uint8_t> second;
        for (int32_t n = 0; n < samples_per_s; ++n) {
            // Alternating bits of 1 kHz and 2 kHz square waves.
            const double t = static_cast<double>(n) / samples_per_s;
            const double frequency = std::fmod(t * 1000, 2) < 1 ? 1000 : 2000;
            const bool high = std::fmod(t * frequency, 1) < 0.5;
            for (uint16_t c = 0; c < channels; ++c) {
                if (bits == 8) {
                    second.push_back(high ? m5::WAV_SAMPLE_HIGH : m5::WAV_SAMPLE_LOW);
                } else {
                    const auto value = static_cast<uint16_t>(high ? 20000 : -20000);
                    second.push_back(static_cast<uint8_t>(value));
                    second.push_back(static_cast<uint8_t>(value >> 8));
                }
            }
        }
        for (int32_t s = 0; s < TEN_MINUTES_S; ++s)
            out.write(reinterpret_cast<const char*>(second.data()), static_cast<std::streamsize>(second.size()));
    }

    fs::path dir;
    fs::path raw;
    fs::path cd;
    std::vector<uint8_t> ipl;
};

TapeFiles& files() {
    static TapeFiles instance;
    return instance;
}

void convert_cd_recording(benchmark::State& state) {
    const auto image = m5::FileTapeImage::open(files().cd.string());
    if (!image) {
        state.SkipWithError("cannot open the tape");
        return;
    }
    m5::TapeCursor file(image.get());
    const m5::WavTapeFormat format = m5::read_wav_tape_format(file, static_cast<int64_t>(image->size()));
    m5::WavTapeConverter converter;
    converter.start(file, format);
    std::vector<uint8_t> ticks(m5::TAPE_BUFFER_SIZE);
    int64_t left = format.ticks;
    int64_t converted = 0;
    for (auto _ : state) {
        if (left <= 0) {
            converter.start(file, format);
            left = format.ticks;
        }
        converter.fill(file, ticks.data(), m5::TAPE_BUFFER_SIZE);
        benchmark::DoNotOptimize(ticks.data());
        left -= m5::TAPE_BUFFER_SIZE;
        converted += m5::TAPE_BUFFER_SIZE;
    }
    state.counters["tape_s_per_s"] =
        benchmark::Counter(static_cast<double>(converted) / m5::TAPE_TICKS_PER_SECOND, benchmark::Counter::kIsRate);
}
BENCHMARK(convert_cd_recording)->Unit(benchmark::kMillisecond);

void machine_playing_tape(benchmark::State& state) {
    BenchHost host;
    m5::Machine machine(&host);
    machine.load_ipl(files().ipl.data(), files().ipl.size());
    tape_play_file(*machine.tape_deck, files().raw.string());
    machine.run_frame();  // the program starts the motor
    if (!machine.tape_deck->tick_running()) {
        state.SkipWithError("the tape does not run");
        return;
    }
    for (auto _ : state) {
        machine.run_frame();
        if (!machine.tape_deck->tick_running()) tape_play_file(*machine.tape_deck, files().raw.string());
    }
    state.counters["tape_s_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / 60.0, benchmark::Counter::kIsRate);
}
BENCHMARK(machine_playing_tape)->Unit(benchmark::kMicrosecond);

// A /proc/self/status field in KiB (0 when it cannot be read).
int64_t status_kib(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::stoll(line.substr(prefix.size()));
    return 0;
}

void ten_minute_tape(benchmark::State& state, bool converted) {
    const std::string path = (converted ? files().cd : files().raw).string();
    BenchHost host;
    auto machine = std::make_unique<m5::Machine>(&host);
    m5::TapeDeck& deck = *machine->tape_deck;
    int64_t growth_kib = 0;
    for (auto _ : state) {
        // Peak resident memory is reset, then measured over opening and
        // playing the whole tape.
        std::ofstream("/proc/self/clear_refs") << "5";
        const int64_t before = status_kib("VmRSS");
        tape_play_file(deck, path);
        deck.signal_in(1, 1, 1);  // motor on
        while (deck.bytes_left != 0) deck.on_event(0, 0);
        growth_kib = status_kib("VmHWM") - before;
        benchmark::DoNotOptimize(deck.out_level);
        deck.tape_close();
    }
    state.counters["peak_rss_growth_kib"] = static_cast<double>(growth_kib);
    state.counters["converter_state_bytes"] = static_cast<double>(sizeof(m5::WavTapeConverter));
    state.counters["deck_bytes"] = static_cast<double>(sizeof(m5::TapeDeck));
}
BENCHMARK_CAPTURE(ten_minute_tape, raw, false)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(ten_minute_tape, converted, true)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
