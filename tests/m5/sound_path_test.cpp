// A tone written to the sound generator, heard through the whole machine:
// port write, scanline mixing and block hand-off to the host.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "devices/psg.h"
#include "m5/machine.h"
#include "memory/io_bus.h"
#include "memory/memory_map.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

constexpr int32_t RATE_HZ = 44100;
constexpr int32_t BLOCK_SAMPLES = 1470;  // two frames at 44100 Hz

double tone_hz(int32_t period) { return 3579545.0 / (32.0 * period); }

// Runs frames and takes a block after every second one, as the host does when
// half its output buffer is free.
std::vector<int16_t> render(Machine& machine, int32_t blocks) {
    std::vector<int16_t> samples;
    for (int32_t b = 0; b < blocks; ++b) {
        machine.run_frame();
        machine.run_frame();
        const int16_t* block = machine.take_audio(0, 1);
        samples.insert(samples.end(), block, block + BLOCK_SAMPLES);
    }
    return samples;
}

// Sample indexes where the square wave rises through zero.
std::vector<size_t> rising_edges(const std::vector<int16_t>& samples) {
    std::vector<size_t> edges;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] > 0) edges.push_back(i);
    }
    return edges;
}

// Every cycle, and the mean of all, lasts the tone's period within one
// sample; the wave swings between +amplitude and -amplitude.
void expect_tone(const std::vector<int16_t>& samples, int32_t period, int16_t amplitude) {
    const double expected_samples = RATE_HZ / tone_hz(period);
    const std::vector<size_t> edges = rising_edges(samples);
    ASSERT_GE(edges.size(), 10u) << "period " << period;
    for (size_t i = 1; i < edges.size(); ++i) {
        ASSERT_NEAR(static_cast<double>(edges[i] - edges[i - 1]), expected_samples, 1.0)
            << "period " << period << " cycle " << i;
    }
    const double mean = static_cast<double>(edges.back() - edges.front()) / static_cast<double>(edges.size() - 1);
    // The mean is off only by the rounding of the step per sample (0.03 %).
    EXPECT_NEAR(mean, expected_samples, 0.25) << "period " << period;
    for (int16_t s : samples) ASSERT_TRUE(s == amplitude || s == -amplitude) << s;
}

TEST(SoundPath, tone_written_to_port_0x20_plays_at_its_frequency) {
    for (int32_t period : {0x3FF, 0x0FE, 0x040, 0x01C}) {
        test::TestHost host;
        Machine machine(&host);
        machine.setup_audio(RATE_HZ, BLOCK_SAMPLES);
        machine.io_bus->port_write8(0x20, 0x80 | (period & 0x0F));
        machine.io_bus->port_write8(0x20, period >> 4);
        machine.io_bus->port_write8(0x20, 0x90);
        expect_tone(render(machine, 20), period, 8000);
    }
}

TEST(SoundPath, attenuated_tones_of_two_channels_add_up) {
    test::TestHost host;
    Machine machine(&host);
    machine.setup_audio(RATE_HZ, BLOCK_SAMPLES);
    for (int32_t v : {0x80, 0x10, 0x92, 0xA0, 0x10, 0xB4}) machine.io_bus->port_write8(0x20, v);
    const std::vector<int16_t> samples = render(machine, 2);
    // Same period, same phase: the two channels (5047 and 3184) add.
    for (int16_t s : samples) ASSERT_TRUE(s == 5047 + 3184 || s == -(5047 + 3184)) << s;
}

TEST(SoundPath, tone_set_by_a_z80_program_plays_at_its_frequency) {
    test::TestHost host;
    Machine machine(&host);
    ASSERT_FALSE(test::load_ipl(machine, "psg_tone").empty());
    machine.setup_audio(RATE_HZ, BLOCK_SAMPLES);
    machine.run_frame();
    ASSERT_EQ(machine.memory_map->mem_read8(0x7000), 0xAA) << "the program did not set its tone";
    machine.take_audio(0, 1);  // drop the block that holds the silent start
    expect_tone(render(machine, 20), 0x0FE, 8000);
}

}  // namespace
}  // namespace m5
