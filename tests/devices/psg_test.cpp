#include "devices/psg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace m5 {
namespace {

constexpr int32_t CLOCK_HZ = 3'579'545;

class PsgTest : public ::testing::Test {
protected:
    PsgTest() : psg(nullptr, nullptr) {
        psg.init();
        psg.reset();
        psg.set_sample_rate(44100, CLOCK_HZ, 8000);
    }
    void write(std::initializer_list<int32_t> bytes) {
        for (int32_t b : bytes) psg.port_write8(0x20, b);
    }
    std::vector<int32_t> mix(int32_t count, int32_t start_value = 0) {
        std::vector<int32_t> samples(static_cast<size_t>(count), start_value);
        psg.mix_audio(samples.data(), count);
        return samples;
    }
    // Makes the noise channel step exactly once per sample at rate 0 (period
    // 32 count units = 8192 counter units per sample).
    void step_noise_every_sample() { psg.set_sample_rate(16, 8192, 8000); }
    // One noise step; returns the noise bit it produced.
    int noise_bit() { return mix(1)[0] > 0 ? 1 : 0; }

    Psg psg;
};

TEST_F(PsgTest, volume_table_falls_two_decibels_per_step_and_fifteen_is_silent) {
    const int32_t expected[16] = {8000, 6354, 5047, 4009, 3184, 2529, 2009, 1596,
                                  1267, 1007, 799,  635,  504,  400,  318,  0};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(psg.volume_table[i], expected[i]) << "attenuation " << i;
}

TEST_F(PsgTest, sample_step_is_sixteen_chip_clocks_per_count_at_common_rates) {
    EXPECT_EQ(psg.sample_step, 1298);
    psg.set_sample_rate(22050, CLOCK_HZ, 8000);
    EXPECT_EQ(psg.sample_step, 2597);
    psg.set_sample_rate(48000, CLOCK_HZ, 8000);
    EXPECT_EQ(psg.sample_step, 1193);
}

TEST_F(PsgTest, latch_sets_low_bits_and_data_sets_high_bits_of_tone_period) {
    write({0x80, 0x0F});
    EXPECT_EQ(psg.reg_images[0], 0x0F0);
    EXPECT_EQ(psg.channels[0].period, 0x0F0);
    write({0x8F});  // a latch alone keeps the high bits
    EXPECT_EQ(psg.reg_images[0], 0x0FF);
    EXPECT_EQ(psg.channels[0].period, 0x0FF);
    write({0xAA, 0x3F});  // tone 1: low 0xA, high 0x3F
    EXPECT_EQ(psg.channels[1].period, 0x3FA);
    EXPECT_EQ(psg.channels[0].period, 0x0FF);
}

TEST_F(PsgTest, data_byte_after_attenuation_or_noise_latch_changes_nothing) {
    write({0x85, 0x01, 0x92, 0x3F});
    EXPECT_EQ(psg.reg_images[1], 2);
    EXPECT_EQ(psg.channels[0].period, 0x015);
    write({0xE1, 0x3F});
    EXPECT_EQ(psg.reg_images[6], 0xE1);
    EXPECT_EQ(psg.channels[3].period, 64);
    EXPECT_EQ(psg.channels[0].period, 0x015);
}

TEST_F(PsgTest, period_zero_plays_as_period_one_and_flips_every_sample) {
    write({0x81, 0x00, 0x80, 0x00, 0x90});  // period 1, then 0; attenuation 0
    EXPECT_EQ(psg.reg_images[0], 0);
    EXPECT_EQ(psg.channels[0].period, 1);
    const std::vector<int32_t> s = mix(6);
    for (size_t i = 0; i < s.size(); ++i) EXPECT_EQ(s[i], i % 2 == 0 ? 8000 : -8000) << "sample " << i;
}

TEST_F(PsgTest, period_shorter_than_a_sample_keeps_counter_bounded) {
    write({0x81, 0x00, 0x90});  // 256 counter units per flip, 1298 per sample
    for (int i = 0; i < 1000; ++i) mix(1);
    EXPECT_GE(psg.channels[0].counter, 0);
    EXPECT_LT(psg.channels[0].counter, 256);
    // Still one flip per sample.
    const std::vector<int32_t> s = mix(2);
    EXPECT_EQ(s[0], -s[1]);
}

TEST_F(PsgTest, tone_flips_after_period_count_units_and_adds_to_accumulators) {
    // Period 0x100 count units = 65536 counter units: a flip every 50.5
    // samples at 44100 Hz.
    write({0x80, 0x10, 0x92});  // attenuation 2: amplitude 5047
    const std::vector<int32_t> s = mix(200, 1000);
    // The first sample flips at once (counter starts at 0), then every 50 or
    // 51 samples.
    std::vector<size_t> flips;
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i] != s[i - 1]) flips.push_back(i);
    }
    ASSERT_GE(flips.size(), 3u);
    for (size_t i = 1; i < flips.size(); ++i) {
        EXPECT_GE(flips[i] - flips[i - 1], 50u);
        EXPECT_LE(flips[i] - flips[i - 1], 51u);
    }
    for (int32_t v : s) EXPECT_TRUE(v == 1000 + 5047 || v == 1000 - 5047) << v;
}

// Blocks sound as the chip stepped sample by sample: each sample takes the
// step off the counter, and the sample in which it falls below 0 reloads it,
// flips (or shifts the noise) and is heard flipped. At sample rates from
// every sample flipping (1 Hz) to a frozen chip (0 Hz), tone periods from 1
// to 1023, every noise rate, blocks of 1 to 700 samples.
TEST_F(PsgTest, blocks_of_any_length_sound_as_the_chip_stepped_sample_by_sample) {
    std::mt19937 random(12345);
    const auto next = [&random](int32_t range) { return static_cast<int32_t>(random() % range); };
    for (const int32_t rate : {48000, 44100, 4000, 1, 0}) {
        psg.reset();
        psg.set_sample_rate(rate, CLOCK_HZ, 8000);
        for (int round = 0; round < 60; ++round) {
            const int32_t channel = next(4), period = next(4) == 0 ? 1 + next(4) : 1 + next(1023);
            write({channel == PSG_NOISE_CHANNEL ? 0xE0 | next(8) : 0x80 | (channel << 5) | (period & 15), period >> 4,
                   0x90 | (next(4) << 5) | next(16)});
            PsgChannel model[PSG_CHANNELS];
            std::copy(std::begin(psg.channels), std::end(psg.channels), model);
            int32_t shift = psg.noise_shift;
            const int32_t count = 1 + next(700);
            std::vector<int32_t> expected(static_cast<size_t>(count), 3);
            for (int32_t c = 0; c < PSG_CHANNELS; ++c) {
                PsgChannel& ch = model[c];
                for (int32_t i = 0; i < count && ch.amplitude != 0; ++i) {
                    if ((ch.counter -= psg.sample_step) < 0) {
                        ch.counter += ch.period * 256;
                        if (ch.counter < 0) ch.counter %= ch.period * 256;
                        if (ch.counter < 0) ch.counter += ch.period * 256;
                        if (c == PSG_NOISE_CHANNEL) shift = (shift & 1 ? shift ^ psg.noise_taps : shift) >> 1;
                        ch.output = c == PSG_NOISE_CHANNEL ? (shift & 1) != 0 : !ch.output;
                    }
                    expected[static_cast<size_t>(i)] += ch.output ? ch.amplitude : -ch.amplitude;
                }
            }
            ASSERT_EQ(mix(count, 3), expected) << "rate " << rate << ", round " << round;
            for (int32_t c = 0; c < PSG_CHANNELS; ++c) {
                ASSERT_EQ(psg.channels[c].counter, model[c].counter) << "channel " << c;
                ASSERT_EQ(psg.channels[c].output, model[c].output) << "channel " << c;
            }
            ASSERT_EQ(psg.noise_shift, shift);
        }
    }
}

TEST_F(PsgTest, attenuation_fifteen_silences_and_freezes_the_channel) {
    write({0x83, 0x02, 0x90});
    mix(7);
    const int32_t counter = psg.channels[0].counter;
    const bool output = psg.channels[0].output;
    write({0x9F});
    EXPECT_EQ(psg.channels[0].amplitude, 0);
    const std::vector<int32_t> s = mix(500, 42);
    for (int32_t v : s) EXPECT_EQ(v, 42);
    EXPECT_EQ(psg.channels[0].counter, counter);
    EXPECT_EQ(psg.channels[0].output, output);
}

TEST_F(PsgTest, noise_rate_three_follows_tone_two_data_byte_but_not_its_latch) {
    write({0xC5, 0x01});  // tone 2 period 0x15
    write({0xE3});        // noise at tone 2 rate
    EXPECT_EQ(psg.channels[3].period, 0x2A);
    write({0xC0, 0x02});  // tone 2 period 0x20: the data byte carries it over
    EXPECT_EQ(psg.channels[2].period, 0x20);
    EXPECT_EQ(psg.channels[3].period, 0x40);
    write({0xCF});  // latch alone: tone 2 becomes 0x2F, noise stays
    EXPECT_EQ(psg.channels[2].period, 0x2F);
    EXPECT_EQ(psg.channels[3].period, 0x40);
    write({0xE2});
    EXPECT_EQ(psg.channels[3].period, 128);
    write({0x3F});  // data byte with noise control latched: nothing
    EXPECT_EQ(psg.channels[3].period, 128);
    EXPECT_EQ(psg.channels[2].period, 0x2F);
}

TEST_F(PsgTest, every_noise_control_write_restarts_the_shift_register) {
    step_noise_every_sample();
    write({0xF0, 0xE4});
    mix(10);
    EXPECT_NE(psg.noise_shift, NOISE_SHIFT_RESET);
    write({0xE4});  // same value again
    EXPECT_EQ(psg.noise_shift, NOISE_SHIFT_RESET);
    EXPECT_TRUE(psg.channels[3].output);
    EXPECT_EQ(psg.noise_taps, NOISE_TAPS_WHITE);
    write({0xE0});
    EXPECT_EQ(psg.noise_taps, NOISE_TAPS_PERIODIC);
}

TEST_F(PsgTest, periodic_noise_repeats_every_fifteen_steps) {
    step_noise_every_sample();
    write({0xF0, 0xE0});
    const int expected[15] = {0, 1, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 1};
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 15; ++i) EXPECT_EQ(noise_bit(), expected[i]) << "round " << round << " step " << i;
    }
}

TEST_F(PsgTest, white_noise_repeats_every_32767_steps) {
    step_noise_every_sample();
    write({0xF0, 0xE4});
    constexpr int PERIOD = 32767;
    std::vector<int> bits(2 * PERIOD);
    for (int& b : bits) b = noise_bit();
    int ones = 0;
    for (int i = 0; i < PERIOD; ++i) {
        ASSERT_EQ(bits[i], bits[i + PERIOD]) << "step " << i;
        ones += bits[i];
    }
    // A maximal-length sequence: balanced output and no repeat at any divisor.
    EXPECT_EQ(ones, 16384);
    for (int shorter : {1, 7, 31, 151, 217, 1057, 4681}) {  // the divisors of 32767
        bool same = true;
        for (int i = 0; i < PERIOD && same; ++i) same = bits[i] == bits[i + shorter];
        EXPECT_FALSE(same) << "repeats after " << shorter;
    }
}

TEST_F(PsgTest, muted_mixing_leaves_buffer_and_phases_untouched) {
    write({0x85, 0x01, 0x90, 0xA3, 0xB0, 0xF0, 0xE4});
    mix(3);
    std::vector<PsgChannel> before(std::begin(psg.channels), std::end(psg.channels));
    const int32_t shift_before = psg.noise_shift;
    psg.signal_in(0, 0xFFFFFFFF, 1);
    const std::vector<int32_t> s = mix(300, 7);
    for (int32_t v : s) EXPECT_EQ(v, 7);
    for (int c = 0; c < PSG_CHANNELS; ++c) {
        EXPECT_EQ(psg.channels[c].counter, before[c].counter) << "channel " << c;
        EXPECT_EQ(psg.channels[c].output, before[c].output) << "channel " << c;
    }
    EXPECT_EQ(psg.noise_shift, shift_before);
    psg.signal_in(5, 0xFFFFFFFF, 1);  // other signals are ignored
    EXPECT_TRUE(psg.muted);
    psg.signal_in(0, 0xFFFFFFFE, 1);  // level is data & mask
    EXPECT_FALSE(psg.muted);
    EXPECT_NE(mix(1, 7)[0], 7);
}

TEST_F(PsgTest, reset_silences_every_channel_but_keeps_tables) {
    write({0x85, 0x01, 0x90, 0xF0, 0xE0});
    psg.reset();
    for (int r = 0; r < 8; ++r) EXPECT_EQ(psg.reg_images[r], r % 2 ? 15 : 0) << "register " << r;
    for (const PsgChannel& ch : psg.channels) {
        EXPECT_EQ(ch.amplitude, 0);
        EXPECT_EQ(ch.period, 1);
    }
    EXPECT_TRUE(psg.channels[3].output);
    EXPECT_EQ(psg.noise_taps, NOISE_TAPS_PERIODIC);
    EXPECT_EQ(psg.sample_step, 1298);
    for (int32_t v : mix(50, 3)) EXPECT_EQ(v, 3);
    // The latch survives reset: the noise control is still latched, so a data
    // byte changes no tone period.
    write({0x3F});
    for (int r = 0; r < 6; r += 2) EXPECT_EQ(psg.reg_images[r], 0) << "register " << r;
}

TEST_F(PsgTest, attenuation_written_before_the_sample_rate_takes_its_amplitude_then) {
    Psg early(nullptr, nullptr);
    early.init();
    early.reset();
    early.port_write8(0x20, 0x91);
    EXPECT_EQ(early.channels[0].amplitude, 0);
    early.set_sample_rate(44100, CLOCK_HZ, 8000);
    EXPECT_EQ(early.channels[0].amplitude, 6354);
    EXPECT_EQ(early.channels[1].amplitude, 0);
}

}  // namespace
}  // namespace m5
