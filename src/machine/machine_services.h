// MachineServices: what a component may ask of the machine it is built into.
//
// A chip reaches time and the other parts of its machine through this small
// class and nothing else: timed events, the current machine time, the frame,
// scanline and hsync listener lists and the video standard (all served by the
// machine's Scheduler), and the component list with find_component. The
// assembled M5 (m5/machine.h) derives from it and is the only place that
// knows which chips exist; the chips, the scheduler and the rest of this
// floor include this header, never the assembled machine's.
//
// The services forward inline to the scheduler: registering an event or
// reading the time costs what calling the scheduler directly would.
#pragma once

#include <cstdint>

#include "machine/clock.h"
#include "machine/component.h"
#include "machine/scheduler.h"

namespace m5 {

class MachineServices {
public:
    MachineServices() = default;
    MachineServices(const MachineServices&) = delete;
    MachineServices& operator=(const MachineServices&) = delete;

    // --- Time (the scheduler's; see scheduler.h) ----------------------------
    // Each returns the event id, or NO_EVENT when the table is full.
    int32_t add_event_us(Component* target, int32_t param, double microseconds, uint8_t periodic) {
        return time->add_event_us(target, param, microseconds, periodic);
    }
    int32_t add_event_clocks(Component* target, int32_t param, int32_t clocks, uint8_t periodic) {
        return time->add_event_clocks(target, param, clocks, periodic);
    }
    void cancel_event(int32_t id) { time->cancel_event(id); }
    void add_frame_listener(Component* listener) { time->add_frame_listener(listener); }
    void add_scanline_listener(Component* listener) { time->add_scanline_listener(listener); }
    // Called at the start of `line` only.
    void add_scanline_listener(Component* listener, int32_t line) { time->add_scanline_listener(listener, line); }
    void add_hsync_listener(Component* listener) { time->add_hsync_listener(listener); }
    MachineTime now() { return time->now(); }
    // A sound source about to change: the sound of the lines finished so far
    // is mixed first, as it was.
    void mix_sound_to_now() { time->mix_sound_to_now(); }
    // Timed event `id` (0..MAX_TIMED_EVENTS - 1) as it stands, for a
    // component that checks the events a loaded state gives it.
    const TimedEvent& event(int32_t id) const { return time->event(id); }
    // The video standard the machine runs to (video_standard.h).
    const VideoStandard& video_standard() const { return time->video_standard(); }
    // Machine clocks from `earlier` to now, across the counter's wrap.
    int32_t clocks_since(MachineTime earlier) { return clocks_between(earlier, time->now()); }

    // --- Components ---------------------------------------------------------
    // The component whose id is `id`, or null.
    Component* find_component(ComponentId id) const {
        for (Component* c = first_component; c != nullptr; c = c->next) {
            if (c->id == id) return c;
        }
        return nullptr;
    }

    // The components in construction order; each Component's constructor
    // appends itself.
    Component* first_component = nullptr;
    Component* last_component = nullptr;

protected:
    ~MachineServices() = default;
    // The scheduler that serves the time services, set by the machine once
    // it is built and before any component asks for time.
    void serve_time_from(Scheduler* scheduler) { time = scheduler; }

private:
    Scheduler* time = nullptr;
};

}  // namespace m5
