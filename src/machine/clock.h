// Units of time used throughout the machine, and the one place where they are
// converted.
//
// Machine clocks: 3.8 MHz, the unit of the scheduler, the events, the video
// scanlines and the sound mixing. Processor clocks (T-states): machine clocks
// times 1 << speed_shift. Times are 32-bit machine-clock counts that wrap;
// they are only ever compared through clocks_between. How the clocks make
// frames and scanlines is the video standard's (video_standard.h).
#pragma once

#include <cstdint>

namespace m5 {

inline constexpr int32_t MACHINE_CLOCK_HZ = 3'800'000;
inline constexpr int32_t MAX_SPEED_SHIFT = 4;  // x16

// A point in machine time; wraps modulo 2^32.
using MachineTime = uint32_t;

// Machine clocks from `earlier` to `later`, correct across the 32-bit wrap as
// long as the true distance fits in a signed 32-bit count.
constexpr int32_t clocks_between(MachineTime earlier, MachineTime later) {
    return static_cast<int32_t>(later - earlier);
}

// Microseconds to machine clocks, rounded to nearest (1000 us -> 3800, 1 us -> 4).
constexpr int32_t machine_clocks_from_us(double microseconds) {
    return static_cast<int32_t>(microseconds * (MACHINE_CLOCK_HZ / 1'000'000.0) + 0.5);
}

}  // namespace m5
