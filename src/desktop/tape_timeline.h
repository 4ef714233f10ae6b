// Where a tape is and how long it lasts, in seconds of machine time, for the
// Tape menu and the status line.
//
// A WAV image plays one tick a sample (or its converted ticks), so the deck's
// count of what is left is time already. A CAS image is runs of ticks of any
// length: the ticks of each 4 KiB of it are summed once when the tape is put
// in, and a position inside such a stretch is counted in proportion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devices/wav_tape_reader.h"  // TAPE_TICKS_PER_SECOND

namespace m5 {

class TapeImage;

class TapeTimeline {
public:
    TapeTimeline() = default;
    // `left` is what the deck has still to play as the tape starts: ticks of
    // a WAV image, bytes of a CAS image (whose runs `played` holds).
    TapeTimeline(TapeImage& played, bool wav, uint64_t left);
    double length_seconds() const;
    // The position when the deck has `left` still to play.
    double seconds_at(uint64_t left) const;

private:
    static constexpr uint64_t STRETCH = 4096;
    bool wav = true;
    uint64_t total = 0;           // ticks (WAV) or bytes (CAS) at the start
    std::vector<uint64_t> ticks;  // CAS: ticks before each stretch, and the total last
};

// "m:ss" (minutes and seconds, rounded down).
std::string minutes_seconds(double seconds);

}  // namespace m5
