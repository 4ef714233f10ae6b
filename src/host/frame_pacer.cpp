#include "host/frame_pacer.h"

#include <algorithm>
#include <cstdio>

#include "host/platform.h"

namespace m5 {

std::vector<int32_t> pace_table(int32_t frames_per_second) {
    // Slots of 1 ms, ten a frame, with as many raised to 2 ms, spread evenly,
    // as make the second's frames last exactly 1000 ms (at 60 frames a
    // second, 400 of 600).
    const int32_t slots = std::clamp(frames_per_second, MIN_PACED_FPS, MAX_PACED_FPS) * PACE_SLOTS_PER_FRAME;
    const int32_t raised = 1000 - slots;
    std::vector<int32_t> table(static_cast<size_t>(slots), 1);
    for (int32_t j = 0; j < raised; ++j) table[static_cast<size_t>(j * slots / raised)] += 1;
    return table;
}

FramePacer::FramePacer(Platform& platform_services, FrameTarget& frame_target, int32_t frames_per_second)
    : platform(platform_services), target(frame_target), table(pace_table(frames_per_second)) {
    pace_ms = next_frame_duration_ms();
}

void FramePacer::set_frames_per_second(int32_t frames_per_second) {
    table = pace_table(frames_per_second);
    pace_pos = 0;
    pace_ms = next_frame_duration_ms();
}

int32_t FramePacer::next_frame_duration_ms() {
    const auto slots = static_cast<int32_t>(table.size());
    int32_t sum = 0;
    for (int32_t i = 0; i < PACE_SLOTS_PER_FRAME; ++i) {
        sum += table[static_cast<size_t>(pace_pos)];
        pace_pos = pace_pos + 1 == slots ? 0 : pace_pos + 1;
    }
    return sum;
}

void FramePacer::start() {
    skip = 0;
    frames_run = 0;
    frames_drawn = 0;
    deadline = platform.ticks_ms();
    title_due = deadline + TITLE_PERIOD_MS;
}

void FramePacer::draw() {
    target.present_frame();
    frames_drawn += 1;
    skip = 0;
}

void FramePacer::pass() {
    // While the tape moves, frames cost no time.
    if (!target.tape_active()) deadline += static_cast<uint32_t>(pace_ms);
    pace_ms = next_frame_duration_ms();
    target.emulate_frame();
    frames_run += 1;

    uint32_t now_ms = platform.ticks_ms();
    if (deadline > now_ms) {
        // Ahead of time: draw every second frame, and sleep when a whole
        // frame duration is left.
        if (skip >= 1 || draw_every_frame) {
            draw();
        } else {
            skip += 1;
        }
        now_ms = platform.ticks_ms();
        if (static_cast<int32_t>(deadline - now_ms) >= pace_ms) platform.sleep_ms(static_cast<uint32_t>(pace_ms));
    } else {
        // On time or late: draw only after more than MAX_SKIPPED_LATE undrawn
        // frames, and move the schedule up to now instead of catching up.
        skip += 1;
        if (skip > MAX_SKIPPED_LATE) {
            draw();
            deadline = platform.ticks_ms();
        }
    }
    platform.sleep_ms(0);

    if (platform.ticks_ms() >= title_due) {
        const int32_t percent = frames_run > 0 ? frames_drawn * 100 / frames_run : 0;
        char title[96];
        std::snprintf(title, sizeof title, "%s - %d fps (%d %%)", WINDOW_TITLE, frames_drawn, percent);
        platform.set_title(title);
        title_due += TITLE_PERIOD_MS;
        frames_run = 0;
        frames_drawn = 0;
    }
}

}  // namespace m5
