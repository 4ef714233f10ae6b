#include "host/frame_pacer.h"

#include <cstdio>

#include "host/platform.h"

namespace m5 {
namespace {

std::array<int32_t, PACE_SLOTS> build_pace_table() {
    // 600 slots of 1 ms with 400 of them raised to 2 ms, spread evenly: ten
    // slots make a frame and the 600 make 60 frames of exactly 1000 ms.
    std::array<int32_t, PACE_SLOTS> table{};
    table.fill(1);
    for (int32_t j = 0; j < 400; ++j) table[static_cast<size_t>(j * PACE_SLOTS / 400)] += 1;
    return table;
}

}  // namespace

const std::array<int32_t, PACE_SLOTS>& pace_table() {
    static const std::array<int32_t, PACE_SLOTS> table = build_pace_table();
    return table;
}

FramePacer::FramePacer(Platform& platform_services, FrameTarget& frame_target)
    : platform(platform_services), target(frame_target) {
    pace_ms = next_frame_duration_ms();
}

int32_t FramePacer::next_frame_duration_ms() {
    const auto& table = pace_table();
    int32_t sum = 0;
    for (int32_t i = 0; i < PACE_SLOTS_PER_FRAME; ++i) {
        sum += table[static_cast<size_t>(pace_pos)];
        pace_pos = pace_pos + 1 == PACE_SLOTS ? 0 : pace_pos + 1;
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
