// Scheduler: the component that owns time.
//
// Runs the machine one frame at a time, as its video standard lays a frame
// out (video_standard.h; the M5's: 262 scanlines of 241 or 242 machine
// clocks, 63333 a frame, 60 frames a second). Each scanline's clocks go to the
// processor in slices that end exactly where a timed event is due; due events
// fire through on_event with their lateness; scanline, frame and hsync
// listeners are called (a scanline listener at every line or at one line of
// its choice); and each scanline's share of sound samples is mixed from the
// sound sources into a block the host takes away: the finished lines' shares
// together, when a sound source is about to change (mix_sound_to_now) and at
// the end of the frame, which gives the samples each line's end would have.
//
// Units: machine clocks everywhere, except that the processor receives
// machine clocks << speed_shift processor clocks, and that samples_per_line
// and sample_fraction count 1/1024 sample.
#pragma once

#include <cstdint>
#include <vector>

#include "machine/clock.h"
#include "machine/component.h"
#include "machine/video_standard.h"

namespace m5 {

inline constexpr int32_t MAX_TIMED_EVENTS = 64;
inline constexpr int32_t MAX_CPUS = 8;
inline constexpr int32_t MAX_SOUND_SOURCES = 8;
inline constexpr int32_t MAX_LISTENERS = 64;
inline constexpr int32_t NO_EVENT = -1;

struct TimedEvent {
    uint8_t active = 0;
    Component* target = nullptr;
    int32_t param = 0;
    int32_t remaining = 0;  // machine clocks until due, from the start of the current slice
    int32_t period = 0;     // machine clocks; 0 = one-shot
};

class Scheduler final : public Component {
public:
    Scheduler(MachineServices* machine, MachineHost* host);

    void init() override;
    void release() override;
    void apply_config() override;
    void reset() override;
    // Time, every pending event with its owner's id, and the sound block in
    // progress. The block's samples are restored when the sample rate and
    // block length are the ones in use; otherwise a new block starts. A load
    // takes what a frame's end leaves: no slice running, every pending event
    // due later and the next event the one the events make next.
    void describe_state(StateArchive& archive) override;
    // Sets the host's CPU speed to the loaded one.
    void after_load() override;

    // Registration; each returns the event id (0..63) or NO_EVENT when full.
    int32_t add_event_us(Component* target, int32_t param, double microseconds, uint8_t periodic);
    int32_t add_event_clocks(Component* target, int32_t param, int32_t clocks, uint8_t periodic);
    // Deactivates the entry when id is 0..63 (anything else changes nothing).
    void cancel_event(int32_t id);

    // List appends; entries beyond a list's capacity are rejected.
    void add_cpu(Component* cpu);
    void add_sound_source(Component* source);
    void add_frame_listener(Component* listener);
    // Every line, or only `line` (0 .. lines_per_frame - 1).
    void add_scanline_listener(Component* listener);
    void add_scanline_listener(Component* listener, int32_t line);
    void add_hsync_listener(Component* listener);

    // Current machine time, including the clocks the first processor has used
    // in its running slice.
    MachineTime now();
    // The standard the frames follow.
    const VideoStandard& video_standard() const { return standard; }

    void run_frame();
    // Runs n >= 0 machine clocks of the current scanline (public for tests).
    void run_clocks(int32_t n);
    // Mixes the sound of the lines of the running frame finished so far (all
    // before the running one); called by a sound source before it changes.
    // Nothing between frames, when every line is mixed.
    void mix_sound_to_now();

    void setup_audio(int32_t sample_rate, int32_t block_length);
    // Mixes up to `count` samples into the block; with `finish`, mixes the
    // lines finished so far (inside a frame), then the rest of the block at once, saturates it into 16-bit samples and
    // starts a new block. Returns the finished block (empty before setup_audio).
    const int16_t* mix_samples(int32_t count, uint8_t finish);
    // The samples the scanlines have mixed since the block began, saturated
    // into 16-bit samples (`count` of them), and a new block: for a host that
    // takes each frame's sound after the frame, as the machine made it, with
    // a block of most_samples_per_frame.
    const int16_t* take_mixed(int32_t& count);
    // The most samples one frame mixes at `sample_rate`.
    int32_t most_samples_per_frame(int32_t sample_rate) const;

    // Inspection: the event as it stands now (its countdown brought up to
    // date).
    const TimedEvent& event(int32_t id) {
        settle_countdown();
        return events[id];
    }
    int32_t samples_per_line_fixed() const { return samples_per_line; }

    Component* cpus[MAX_CPUS] = {};
    Component* sound_sources[MAX_SOUND_SOURCES] = {};
    int32_t cpu_count = 0;
    int32_t sound_source_count = 0;
    VideoStandard standard = VIDEO_NTSC;
    int32_t line_clocks[MAX_LINES_PER_FRAME] = {};  // the standard's lines_per_frame are used
    // Machine clocks from the frame's start to the start of each line (and,
    // after the last line, the frame's clocks).
    int32_t line_starts[MAX_LINES_PER_FRAME + 1] = {};
    int32_t speed_shift = 0;
    MachineTime clock_counter = 0;
    TimedEvent events[MAX_TIMED_EVENTS] = {};
    Component* per_frame_listeners[MAX_LISTENERS] = {};
    Component* scanline_listeners[MAX_LISTENERS] = {};
    Component* line_listeners[MAX_LISTENERS] = {};  // each called at one line:
    int32_t listened_lines[MAX_LISTENERS] = {};     // this one
    Component* hsync_listeners[MAX_LISTENERS] = {};
    int32_t next_event_time = 0;
    int32_t slice_elapsed = 0;
    // Machine clocks run since the pending events last counted down: they
    // count down when an event is due, added, cancelled, looked at or saved,
    // not after every slice. Nothing gathers while no event is pending.
    int32_t uncounted = 0;
    int32_t next_event = NO_EVENT;
    int32_t event_slots_used = 0;
    int32_t frame_listener_count = 0;
    int32_t scanline_listener_count = 0;
    int32_t line_listener_count = 0;
    int32_t hsync_listener_count = 0;
    uint8_t events_settled = 1;
    std::vector<int16_t> sample_block;
    std::vector<int32_t> mix_buffer;
    int32_t block_fill = 0;
    int32_t block_length = 0;
    int32_t sample_fraction = 0;
    int32_t samples_per_line = 0;

    // The running frame: the line running and the lines whose samples are
    // mixed (those before lines_mixed).
    bool in_frame = false;
    int32_t running_line = 0;
    int32_t lines_mixed = 0;
    // Lines run as one run of slices (run_lines): the run while the
    // processor has it, and its first line.
    SliceRun* line_run = nullptr;
    int32_t line_run_first = 0;

private:
    int32_t quiet_lines_from(int32_t line) const;
    int32_t run_lines(int32_t first, int32_t count);
    void end_slice(int32_t elapsed);
    void mix_lines(int32_t end);
    void saturate(int32_t count);
    void find_next_event();
    void settle_countdown();
    // Samples a scanline mixes at `sample_rate`, in 1/1024 sample.
    int32_t line_samples_fixed(int32_t sample_rate) const;
    void read_speed_setting();
    int32_t cpu_elapsed_machine_clocks();
};

}  // namespace m5
