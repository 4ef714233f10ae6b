// VideoStandard: the television standard the machine runs to, as a value.
//
// The frame rate, the lines of a frame, the machine clocks a frame lasts, the
// scanline of the frame interrupt and the video chip all come with the
// standard. The scheduler owns the machine's standard
// (Scheduler::video_standard, also through MachineServices); whatever counts
// frames or scanlines reads it there: the scheduler's line table and sound
// mixing, the video chip's frame line and colours, the host's frame pacer and
// its headless sound device, and the C interface (m5emu_get_video_standard),
// from which the libretro core and the web page take their timing.
//
// The M5 came in two: the Japanese 60 Hz machine with a TMS9918A
// (VIDEO_NTSC) and the European 50 Hz machine with a TMS9929A (VIDEO_PAL).
#pragma once

#include <cstdint>

#include "machine/clock.h"

namespace m5 {

// The video chip a standard goes with.
enum class VideoChip : uint8_t {
    TMS9918A,  // 60 Hz, 262 lines, composite colour
    TMS9929A,  // 50 Hz, 313 lines, luminance and colour-difference outputs
};

// The chip's part number ("TMS9918A").
constexpr const char* video_chip_name(VideoChip chip) {
    switch (chip) {
        case VideoChip::TMS9918A: return "TMS9918A";
        case VideoChip::TMS9929A: return "TMS9929A";
    }
    return "";
}

// The most lines a frame of any standard has (625-line television: 313).
inline constexpr int32_t MAX_LINES_PER_FRAME = 313;

struct VideoStandard {
    const char* name;
    // Frames a second, whole: the rate a host runs frames at and makes sound
    // for (a frame's sound is the sample rate / frames_per_second).
    int32_t frames_per_second;
    int32_t lines_per_frame;
    // The scanline at whose start the video chip draws the picture and
    // raises its frame interrupt: the first line below the picture.
    int32_t frame_interrupt_line;
    VideoChip video_chip;
    // Machine clocks a frame; the machine's own frame rate is
    // MACHINE_CLOCK_HZ / frame_clocks (60.0003 and 50.167 frames a second).
    int32_t frame_clocks;

    // The scheduler spreads the frame's clocks over its lines, which get the
    // quotient or one clock more.
    constexpr int32_t clocks_per_frame() const { return frame_clocks; }
    // Scanlines a second at the whole frame rate (15720), the unit of the
    // scheduler's sound mixing.
    constexpr int32_t lines_per_second() const { return lines_per_frame * frames_per_second; }
};

// The Japanese M5: 262 lines, 60 frames a second, the frame interrupt at line
// 192, a TMS9918A. A frame is the machine clock divided by 60, rounded down
// (63333 clocks: 191 lines of 242 clocks and 71 of 241).
inline constexpr VideoStandard VIDEO_NTSC{"NTSC", 60, 262, 192, VideoChip::TMS9918A, MACHINE_CLOCK_HZ / 60};

// The length of a scanline in machine clocks that both chips share: the
// TMS9918A and the TMS9929A draw the same line (342 pixel clocks) from the
// same 10.738635 MHz crystal, and a 60 Hz frame is 63333 / 262 = 241.7
// clocks a line, to the nearest clock 242.
inline constexpr int32_t SHARED_LINE_CLOCKS = 242;

// The European M5: 313 lines of SHARED_LINE_CLOCKS (75746 clocks, 50.167
// frames a second; the TMS9929A's own rate is 10.738635 MHz / 2 / 342 / 313 =
// 50.16), the frame interrupt at line 192 as on the 60 Hz machine, a
// TMS9929A; its whole rate, for pacing and sound, is 50.
inline constexpr VideoStandard VIDEO_PAL{"PAL", 50, 313, 192, VideoChip::TMS9929A, 313 * SHARED_LINE_CLOCKS};

static_assert(VIDEO_NTSC.clocks_per_frame() == 63'333 && VIDEO_NTSC.lines_per_second() == 15'720);
static_assert(VIDEO_NTSC.clocks_per_frame() / VIDEO_NTSC.lines_per_frame + 1 == SHARED_LINE_CLOCKS);
static_assert(VIDEO_PAL.clocks_per_frame() == 75'746 && VIDEO_PAL.lines_per_second() == 15'650);
static_assert(VIDEO_NTSC.lines_per_frame <= MAX_LINES_PER_FRAME && VIDEO_PAL.lines_per_frame <= MAX_LINES_PER_FRAME);

}  // namespace m5
