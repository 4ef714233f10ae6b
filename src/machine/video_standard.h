// VideoStandard: the television standard the machine runs to, as a value.
//
// The frame rate, the lines of a frame, the scanline of the frame interrupt
// and the video chip all come with the standard. The scheduler owns the
// machine's standard (Scheduler::video_standard, also through
// MachineServices); whatever counts frames or scanlines reads it there: the
// scheduler's line table and sound mixing, the video chip's frame line, the
// host's frame pacer and its headless sound device, and the C interface
// (m5emu_get_video_standard), from which the libretro core and the web page
// take their timing.
//
// The M5 has one standard here, its own 60 Hz one (VIDEO_NTSC).
#pragma once

#include <cstdint>

#include "machine/clock.h"

namespace m5 {

// The video chip a standard goes with.
enum class VideoChip : uint8_t {
    TMS9918A,  // 60 Hz, 262 lines
};

// The chip's part number ("TMS9918A").
constexpr const char* video_chip_name(VideoChip chip) {
    switch (chip) {
        case VideoChip::TMS9918A: return "TMS9918A";
    }
    return "";
}

// The most lines a frame of any standard has (625-line television: 313).
inline constexpr int32_t MAX_LINES_PER_FRAME = 313;

struct VideoStandard {
    const char* name;
    // Frames a second: the rate a host runs frames at and makes sound for.
    int32_t frames_per_second;
    int32_t lines_per_frame;
    // The scanline at whose start the video chip draws the picture and
    // raises its frame interrupt: the first line below the picture.
    int32_t frame_interrupt_line;
    VideoChip video_chip;

    // Machine clocks a frame: the machine clock divided by the frame rate,
    // rounded down (3.8 MHz / 60: 63333). The scheduler spreads them over the
    // lines, which get the quotient or one clock more.
    constexpr int32_t clocks_per_frame() const { return MACHINE_CLOCK_HZ / frames_per_second; }
    // Scanlines a second at the frame rate (15720), the unit of the
    // scheduler's sound mixing.
    constexpr int32_t lines_per_second() const { return lines_per_frame * frames_per_second; }
};

// The M5's own: 262 lines of 241 or 242 clocks, 60 frames a second, the frame
// interrupt at line 192, a TMS9918A.
inline constexpr VideoStandard VIDEO_NTSC{"NTSC", 60, 262, 192, VideoChip::TMS9918A};

static_assert(VIDEO_NTSC.clocks_per_frame() == 63'333 && VIDEO_NTSC.lines_per_second() == 15'720);
static_assert(VIDEO_NTSC.lines_per_frame <= MAX_LINES_PER_FRAME);

}  // namespace m5
