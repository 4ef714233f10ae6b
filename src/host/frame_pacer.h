// FramePacer: decides when the next emulated frame runs, which frames are
// drawn, when the main loop sleeps, and what the window title reports.
//
// The machine runs at its video standard's frame rate (60 frames a second
// for the M5) against the platform's millisecond tick counter. Frame
// durations come from a table of 1 and 2 ms slots, ten slots a frame and
// 1000 ms in all: at 60 frames a second 600 slots giving 17, 17, 16, ... ms,
// exactly 1000 ms per 60 frames with no division per frame. While ahead of time every second
// frame is drawn and the loop sleeps when a whole frame duration remains;
// while late only one frame in 31 is drawn and the schedule is moved up to
// the moment of that draw instead of catching up. A platform that can afford
// it may ask for every frame to be drawn while ahead of time (the title then
// settles at 60 fps, 100 %). While the tape moves,
// frames cost no time and the loop runs flat out. Once a second the title
// reads "SORD m5 - <drawn> fps (<drawn * 100 / run> %)".
//
// Units: milliseconds of the platform's wrapping 32-bit tick counter.
#pragma once

#include <cstdint>
#include <vector>

namespace m5 {

class Platform;

inline constexpr int32_t PACE_SLOTS_PER_FRAME = 10;
// The frame rates the table can pace: ten slots of 1 or 2 ms a frame.
inline constexpr int32_t MIN_PACED_FPS = 50;
inline constexpr int32_t MAX_PACED_FPS = 100;
inline constexpr int32_t MAX_SKIPPED_LATE = 30;  // a late frame is drawn after more than 30 undrawn ones
inline constexpr int32_t TITLE_PERIOD_MS = 1000;
inline constexpr const char* WINDOW_TITLE = "SORD m5";

// The frame duration table for a frame rate of MIN_PACED_FPS..MAX_PACED_FPS
// (clamped): PACE_SLOTS_PER_FRAME entries a frame of 1 or 2 ms summing to
// 1000, the 2 ms ones spread evenly (at 60: 600 entries 2, 2, 1, 2, 2, 1, ...).
std::vector<int32_t> pace_table(int32_t frames_per_second);

// What the pacer drives: the host, or a stand-in in tests and tools.
class FrameTarget {
public:
    virtual ~FrameTarget() = default;
    // True when the tape moved since the last call (reading clears it).
    virtual bool tape_active() = 0;
    // Runs one emulated frame (input step, sound feed, machine frame).
    virtual void emulate_frame() = 0;
    // Renders the picture into the surface and asks for a repaint.
    virtual void present_frame() = 0;
};

class FramePacer {
public:
    // Paces `frames_per_second` frames a second (the machine's video standard's).
    FramePacer(Platform& platform, FrameTarget& target, int32_t frames_per_second);

    // Loop start: counters cleared, the deadline set to now and the first
    // title update one second away. The first frame duration is taken at
    // construction, as the table position starts at 0.
    void start();

    // One pass of the main loop in which no platform message was waiting.
    void pass();

    // Paces another frame rate from the next frame on (the machine changed).
    void set_frames_per_second(int32_t frames_per_second);

    // Draw every frame while ahead of time instead of every second one.
    void set_draw_every_frame(bool every) { draw_every_frame = every; }
    bool draws_every_frame() const { return draw_every_frame; }

    // Inspection.
    int32_t pace_position() const { return pace_pos; }
    int32_t frame_duration_ms() const { return pace_ms; }
    uint32_t deadline_ms() const { return deadline; }
    int32_t skipped_frames() const { return skip; }
    int32_t frames_run_count() const { return frames_run; }
    int32_t frames_drawn_count() const { return frames_drawn; }

private:
    // Sum of the next ten table entries; advances the position.
    int32_t next_frame_duration_ms();
    void draw();

    Platform& platform;
    FrameTarget& target;
    std::vector<int32_t> table;
    int32_t pace_pos = 0;
    int32_t pace_ms = 0;
    uint32_t deadline = 0;
    int32_t skip = 0;
    int32_t frames_run = 0;
    int32_t frames_drawn = 0;
    uint32_t title_due = 0;
    bool draw_every_frame = false;
};

}  // namespace m5
