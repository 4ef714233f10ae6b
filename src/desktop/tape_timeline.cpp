#include "desktop/tape_timeline.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "devices/tape_media.h"

namespace m5 {

TapeTimeline::TapeTimeline(TapeImage& played, bool is_wav, uint64_t left) : wav(is_wav), total(left) {
    if (wav) return;
    // The played image's runs; bit 7 is the level, bits 0-6 the length.
    const uint64_t start = played.size() > left ? played.size() - left : 0;
    std::array<uint8_t, STRETCH> stretch{};
    uint64_t sum = 0;
    ticks.push_back(0);
    for (uint64_t at = start; at < played.size(); at += STRETCH) {
        const size_t got = played.read(at, stretch.data(), STRETCH);
        for (size_t i = 0; i < got; ++i) sum += stretch[i] & 0x7F;
        ticks.push_back(sum);
        if (got < STRETCH) break;
    }
}

double TapeTimeline::length_seconds() const {
    const uint64_t length = wav ? total : ticks.back();
    return static_cast<double>(length) / TAPE_TICKS_PER_SECOND;
}

double TapeTimeline::seconds_at(uint64_t left) const {
    const uint64_t done = total - std::min(left, total);
    if (wav) return static_cast<double>(done) / TAPE_TICKS_PER_SECOND;
    const size_t whole = std::min<size_t>(static_cast<size_t>(done / STRETCH), ticks.size() - 1);
    double at = static_cast<double>(ticks[whole]);
    if (whole + 1 < ticks.size()) {
        // The last stretch may be shorter.
        const uint64_t stretch = std::min<uint64_t>(STRETCH, total - whole * STRETCH);
        const double part = static_cast<double>(done % STRETCH) / static_cast<double>(stretch);
        at += part * static_cast<double>(ticks[whole + 1] - ticks[whole]);
    }
    return at / TAPE_TICKS_PER_SECOND;
}

std::string minutes_seconds(double seconds) {
    const int64_t whole = std::max<int64_t>(0, static_cast<int64_t>(seconds));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(whole / 60),
                  static_cast<long long>(whole % 60));
    return text;
}

}  // namespace m5
