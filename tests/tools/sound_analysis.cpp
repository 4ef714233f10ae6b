#include "sound_analysis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "m5run_harness.h"

namespace m5::test {

Sound read_wav(const std::string& path) {
    Sound s;
    const std::string w = read_file(path);
    if (w.size() < 12 || w.substr(0, 4) != "RIFF" || w.substr(8, 4) != "WAVE") return s;
    for (size_t at = 12; at + 8 <= w.size();) {
        const std::string id = w.substr(at, 4);
        const size_t size = le32(w, at + 4);
        if (id == "fmt ") s.rate = static_cast<int32_t>(le32(w, at + 12));
        if (id == "data") {
            for (size_t i = at + 8; i + 4 <= at + 8 + size && i + 4 <= w.size(); i += 4) {
                s.left.push_back(static_cast<int16_t>(le16(w, i)));
            }
        }
        at += 8 + size + (size & 1);
    }
    return s;
}

double power_at(const std::vector<int16_t>& x, size_t first, size_t count, double hz, int32_t rate) {
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * hz / rate);
    double s1 = 0;
    double s2 = 0;
    for (size_t i = 0; i < count; ++i) {
        const double window =
            0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(count - 1));
        const double s0 = x.at(first + i) * window + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2;
}

double strongest_frequency(const Sound& s, size_t first, size_t count, double low_hz, double high_hz) {
    double best_hz = 0;
    double best = -1;
    for (double hz = low_hz; hz <= high_hz; hz += 1.0) {
        const double p = power_at(s.left, first, count, hz, s.rate);
        if (p > best) best = p, best_hz = hz;
    }
    return best_hz;
}

double tonal_share(const Sound& s, size_t first, size_t count, double low_hz, double high_hz) {
    std::vector<double> powers;
    for (int32_t i = 0; i < 200; ++i) {
        powers.push_back(power_at(s.left, first, count, low_hz + i * (high_hz - low_hz) / 200, s.rate));
    }
    std::sort(powers.rbegin(), powers.rend());
    double top = 0;
    double all = 0;
    for (size_t i = 0; i < powers.size(); ++i) (i < 10 ? top : all) += powers[i];
    return top / (top + all);
}

double rms(const Sound& s, size_t first, size_t count) {
    double sum = 0;
    for (size_t i = first; i < first + count; ++i) sum += static_cast<double>(s.left.at(i)) * s.left.at(i);
    return std::sqrt(sum / static_cast<double>(count));
}

size_t first_sound_after(const Sound& s, size_t from) {
    for (size_t i = from; i < s.left.size(); ++i) {
        if (s.left[i] != 0) return i;
    }
    return s.left.size();
}

}  // namespace m5::test
