// Reading back the runner's sound recordings: the left channel of a 16-bit
// stereo WAV file, and the measures the end-to-end tests put on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace m5::test {

struct Sound {
    int32_t rate = 0;  // 0 when the file could not be read
    std::vector<int16_t> left;
    double samples_per_frame() const { return rate / 60.0; }
};

Sound read_wav(const std::string& path);

// Power at one frequency of a Hann-windowed stretch (Goertzel).
double power_at(const std::vector<int16_t>& x, size_t first, size_t count, double hz, int32_t rate);

// The frequency, in whole hertz from low_hz to high_hz, of the most power.
double strongest_frequency(const Sound& s, size_t first, size_t count, double low_hz, double high_hz);

// Share of the power in the 10 strongest of 200 frequencies spread evenly
// from low_hz to high_hz: near 1 for a few tones, low for noise.
double tonal_share(const Sound& s, size_t first, size_t count, double low_hz = 100, double high_hz = 5000);

double rms(const Sound& s, size_t first, size_t count);

// The first sample from `from` on that is not silent, or the length.
size_t first_sound_after(const Sound& s, size_t from);

}  // namespace m5::test
