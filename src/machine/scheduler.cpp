#include "machine/scheduler.h"

#include <algorithm>

#include "machine/machine_host.h"
#include "machine/machine_services.h"
#include "machine/state_io.h"

namespace m5 {

Scheduler::Scheduler(MachineServices* owner, MachineHost* host_services) : Component(owner, host_services) {}

void Scheduler::init() {
    read_speed_setting();

    // The frame's clocks over its lines: each line the quotient, and the
    // remainder as one clock more on lines spread evenly over the frame (for
    // the M5, 191 lines of 242 clocks among 262, the rest 241: 63333 in all).
    const int32_t lines = standard.lines_per_frame;
    const int32_t long_lines = standard.clocks_per_frame() % lines;
    std::fill(std::begin(line_clocks), std::end(line_clocks), 0);
    std::fill(line_clocks, line_clocks + lines, standard.clocks_per_frame() / lines);
    for (int32_t i = 0; i < long_lines; ++i) ++line_clocks[(i * lines) / long_lines];
    line_starts[0] = 0;
    for (int32_t i = 0; i < lines; ++i) line_starts[i + 1] = line_starts[i] + line_clocks[i];

    clock_counter = 0;
    for (TimedEvent& e : events) e.active = 0;
    next_event = NO_EVENT;
    slice_elapsed = 0;
    uncounted = 0;
    next_event_time = 0;
    event_slots_used = 0;
    frame_listener_count = scanline_listener_count = line_listener_count = hsync_listener_count = 0;
}

void Scheduler::release() {
    sample_block.clear();
    sample_block.shrink_to_fit();
    mix_buffer.clear();
    mix_buffer.shrink_to_fit();
    // No buffers, no block: a later frame or take mixes nothing.
    block_length = 0;
    block_fill = 0;
}

void Scheduler::apply_config() { read_speed_setting(); }

// speed_shift from the CPU speed setting. A value outside x1..x16 would make
// the processor's clock shift meaningless, so it becomes x1, in the setting
// too.
void Scheduler::read_speed_setting() {
    speed_shift = 0;
    if (host == nullptr) return;
    int32_t& setting = host->cpu_speed();
    if (setting < 0 || setting > MAX_SPEED_SHIFT) setting = 0;
    speed_shift = setting;
}

void Scheduler::reset() {
    settle_countdown();
    for (int32_t i = 0; i < event_slots_used; ++i) {
        if (!events[i].active || events[i].period == 0) events[i].active = 0;
    }
    find_next_event();
    std::fill(sample_block.begin(), sample_block.end(), int16_t{0});
    std::fill(mix_buffer.begin(), mix_buffer.end(), 0);
    block_fill = 0;
}

void Scheduler::find_next_event() {
    next_event = NO_EVENT;
    for (int32_t i = 0; i < event_slots_used; ++i) {
        const TimedEvent& e = events[i];
        if (!e.active) continue;
        const int32_t left = e.remaining - uncounted;
        if (next_event == NO_EVENT || left < next_event_time) {
            next_event_time = left;
            next_event = i;
        }
    }
}

void Scheduler::settle_countdown() {
    if (uncounted == 0) return;
    for (int32_t i = 0; i < event_slots_used; ++i) {
        if (events[i].active) events[i].remaining -= uncounted;
    }
    uncounted = 0;
}

namespace {
constexpr uint8_t NO_TARGET = 0xFF;
constexpr int32_t MAX_SAVED_BLOCK = 1 << 22;
}  // namespace

void Scheduler::describe_state(StateArchive& a) {
    settle_countdown();
    a.field(clock_counter);
    a.field_as<uint8_t>(speed_shift);
    if (!a.valid(speed_shift <= MAX_SPEED_SHIFT)) speed_shift = 0;
    a.i32_in(event_slots_used, 0, MAX_TIMED_EVENTS);
    if (a.loading()) std::fill(std::begin(events), std::end(events), TimedEvent{});
    for (int32_t i = 0; i < event_slots_used; ++i) {
        TimedEvent& e = events[i];
        a.field_as<bool>(e.active);
        // The owner by its id.
        uint8_t owner = e.target != nullptr ? static_cast<uint8_t>(e.target->id) : NO_TARGET;
        a.field(owner);
        if (a.loading()) e.target = owner == NO_TARGET || machine == nullptr ? nullptr : machine->find_component(owner);
        a.field(e.param);
        a.field(e.remaining);
        a.i32_in(e.period, 0, INT32_MAX);
        // Between frames every event still pending is due later.
        if (!a.valid(!e.active || (e.target != nullptr && e.remaining > 0))) e.active = 0;
    }
    // Between frames no slice is running, and the next event is the one the
    // events make next (next_event_time is left over when there is none).
    a.field(next_event_time);
    a.i32_in(next_event, NO_EVENT, event_slots_used - 1);
    a.field(slice_elapsed);
    a.field_as<bool>(events_settled);
    if (a.loading()) {
        const int32_t saved_next = next_event;
        const int32_t saved_time = next_event_time;
        find_next_event();
        const bool next_ok = next_event == saved_next && (next_event == NO_EVENT || next_event_time == saved_time);
        if (!a.valid(next_ok && slice_elapsed == 0 && events_settled == 1)) {
            slice_elapsed = 0;
            events_settled = 1;
        }
        next_event_time = saved_time;
    }

    // The sound block in progress; its samples are kept only when the block
    // length and the samples per line are the ones in use.
    int32_t saved_length = block_length;
    int32_t saved_per_line = samples_per_line;
    int32_t saved_fraction = sample_fraction;
    int32_t saved_fill = block_fill;
    a.i32_in(saved_length, 0, MAX_SAVED_BLOCK);
    a.field(saved_per_line);
    a.i32_in(saved_fraction, 0, 1023);
    a.i32_in(saved_fill, 0, saved_length);
    const bool same_sound = saved_length == block_length && saved_per_line == samples_per_line;
    if (a.loading()) std::fill(mix_buffer.begin(), mix_buffer.end(), 0);
    for (int32_t i = 0; i < saved_fill; ++i) {
        int32_t sample = same_sound ? mix_buffer[static_cast<size_t>(i)] : 0;
        a.field(sample);
        if (same_sound) mix_buffer[static_cast<size_t>(i)] = sample;
    }
    sample_fraction = same_sound ? saved_fraction : 0;
    block_fill = same_sound ? saved_fill : 0;
}

void Scheduler::after_load() {
    if (host != nullptr) host->cpu_speed() = speed_shift;
}

int32_t Scheduler::cpu_elapsed_machine_clocks() {
    if (cpu_count == 0) return 0;
    const int32_t in_slice = cpus[0]->executed_cycles() >> speed_shift;
    if (line_run == nullptr) return in_slice;
    // Inside a run of lines: the run's lines before the running one too.
    return line_starts[line_run_first + line_run->running] - line_starts[line_run_first] + in_slice;
}

int32_t Scheduler::add_event_us(Component* target, int32_t param, double microseconds, uint8_t periodic) {
    return add_event_clocks(target, param, machine_clocks_from_us(microseconds), periodic);
}

int32_t Scheduler::add_event_clocks(Component* target, int32_t param, int32_t clocks, uint8_t periodic) {
    settle_countdown();
    int32_t index = 0;
    while (index < MAX_TIMED_EVENTS && events[index].active) ++index;
    if (index == MAX_TIMED_EVENTS) return NO_EVENT;

    event_slots_used = std::max(event_slots_used, index + 1);
    TimedEvent& e = events[index];
    e.active = 1;
    e.target = target;
    e.param = param;
    e.remaining = slice_elapsed + cpu_elapsed_machine_clocks() + clocks;
    // A period must be at least one clock (a negative one would fire forever
    // within one dispatch): as with a delay of 0, such an event is a one-shot.
    e.period = periodic && clocks > 0 ? clocks : 0;
    // A run of lines ends with its running line, so that the new event
    // fires, or splits a later line, as it would line by line.
    if (line_run != nullptr) line_run->count = line_run->running + 1;
    if (events_settled) find_next_event();
    return index;
}

void Scheduler::cancel_event(int32_t id) {
    settle_countdown();
    if (id >= 0 && id < MAX_TIMED_EVENTS) events[id].active = 0;
    find_next_event();
}

namespace {
void append(Component** list, int32_t& count, int32_t capacity, Component* c) {
    if (count < capacity) list[count++] = c;
}
}  // namespace

void Scheduler::add_cpu(Component* cpu) { append(cpus, cpu_count, MAX_CPUS, cpu); }
void Scheduler::add_sound_source(Component* source) {
    append(sound_sources, sound_source_count, MAX_SOUND_SOURCES, source);
}
void Scheduler::add_frame_listener(Component* listener) {
    append(per_frame_listeners, frame_listener_count, MAX_LISTENERS, listener);
}
void Scheduler::add_scanline_listener(Component* listener) {
    append(scanline_listeners, scanline_listener_count, MAX_LISTENERS, listener);
}
void Scheduler::add_scanline_listener(Component* listener, int32_t line) {
    if (line_listener_count == MAX_LISTENERS) return;
    listened_lines[line_listener_count] = line;
    line_listeners[line_listener_count++] = listener;
}
void Scheduler::add_hsync_listener(Component* listener) {
    append(hsync_listeners, hsync_listener_count, MAX_LISTENERS, listener);
}

MachineTime Scheduler::now() { return clock_counter + static_cast<MachineTime>(cpu_elapsed_machine_clocks()); }

void Scheduler::run_clocks(int32_t n) {
    while (n != 0) {
        slice_elapsed = 0;
        for (;;) {
            if (next_event != NO_EVENT && next_event_time <= slice_elapsed) break;
            const int32_t chunk = next_event == NO_EVENT ? n : std::min(n, next_event_time - slice_elapsed);
            const int32_t processor_clocks = chunk << speed_shift;
            for (int32_t i = 0; i < cpu_count; ++i) cpus[i]->execute(processor_clocks);
            clock_counter += static_cast<MachineTime>(chunk);
            n -= chunk;
            slice_elapsed += chunk;
            if (n == 0) break;
        }

        end_slice(slice_elapsed);
    }
}

// After `elapsed` machine clocks of slices: the events count down, and those
// due fire.
void Scheduler::end_slice(int32_t elapsed) {
    // Only what is pending counts down, so nothing counts on forever.
    if (next_event != NO_EVENT) {
        uncounted += elapsed;
        next_event_time -= elapsed;
    }
    slice_elapsed = 0;

    events_settled = 0;
    while (next_event != NO_EVENT && next_event_time <= 0) {
        settle_countdown();
        TimedEvent& e = events[next_event];
        const int32_t lateness = e.remaining;
        if (e.period != 0) {
            e.remaining = e.period + lateness;  // keeps the period's phase
        } else {
            e.active = 0;
        }
        e.target->on_event(e.param, lateness);
        find_next_event();
    }
    events_settled = 1;
}

// Each scanline's clocks run in a slice of their own, so that the
// processor's slices end at every line's end (and, through its overshoot,
// its time as now() tells it depends on that). Lines in which nothing but
// the processor runs (no listener, no event due) go to the processor as one
// run of slices, which it runs without coming back here between them: the
// same slices, without the scheduler's work and calls per line. The sound
// of finished lines is mixed when a sound source is about to change
// (mix_sound_to_now) and at the end of the frame: every line's samples still
// come from the sound chip as it was when the line ended.
void Scheduler::run_frame() {
    const int32_t lines = standard.lines_per_frame;
    running_line = lines_mixed = 0;
    in_frame = true;
    for (int32_t i = 0; i < frame_listener_count; ++i) per_frame_listeners[i]->on_frame();
    for (int32_t line = 0; line < lines;) {
        const int32_t clocks = line_clocks[line];
        running_line = line;
        for (int32_t i = 0; i < scanline_listener_count; ++i) scanline_listeners[i]->on_scanline(line, clocks);
        for (int32_t i = 0; i < line_listener_count; ++i) {
            if (listened_lines[i] == line) line_listeners[i]->on_scanline(line, clocks);
        }
        for (int32_t i = 0; i < hsync_listener_count; ++i) hsync_listeners[i]->on_hsync(line, 0, clocks);
        const int32_t quiet = quiet_lines_from(line);
        if (quiet > 1) {
            line += run_lines(line, quiet);
        } else {
            run_clocks(clocks);
            ++line;
        }
    }
    in_frame = false;
    mix_lines(lines);
}

// The lines from `line` on that may run as one run of slices: up to the next
// line with a listener, and those that end by the time the next event is
// due (run_clocks would cut none of them). One processor only, whose slices
// no other processor's interleave.
int32_t Scheduler::quiet_lines_from(int32_t line) const {
    if (cpu_count != 1 || scanline_listener_count != 0 || hsync_listener_count != 0) return 1;
    int32_t end = standard.lines_per_frame;
    for (int32_t i = 0; i < line_listener_count; ++i) {
        if (listened_lines[i] > line && listened_lines[i] < end) end = listened_lines[i];
    }
    if (next_event == NO_EVENT) return end - line;
    int32_t last = line;
    while (last < end && line_starts[last + 1] - line_starts[line] <= next_event_time) ++last;
    return last - line;
}

// Runs `count` lines from `first` as one run of slices; an event registered
// inside the run ends it with the running line. Returns the lines run.
int32_t Scheduler::run_lines(int32_t first, int32_t count) {
    SliceRun run{line_clocks + first, speed_shift, count, 0};
    // A front end may leave the frame from inside the processor (a debugger
    // stop that unwinds): the time is then the running line's, as it is
    // inside a line's own slice.
    struct Leave {
        Scheduler& s;
        const SliceRun& run;
        int32_t first;
        ~Leave() {
            if (s.line_run == nullptr) return;
            s.line_run = nullptr;
            s.clock_counter += static_cast<MachineTime>(s.line_starts[first + run.running] - s.line_starts[first]);
            s.running_line = first + run.running;
        }
    } leave{*this, run, first};
    line_run = &run;
    line_run_first = first;
    cpus[0]->execute_slices(run);
    line_run = nullptr;
    const int32_t done = run.count;
    const int32_t elapsed = line_starts[first + done] - line_starts[first];
    clock_counter += static_cast<MachineTime>(elapsed);
    running_line = first + done - 1;
    end_slice(elapsed);
    return done;
}

// Everything that runs inside a line's slices (the processor and the events
// due by the line's end) belongs to that line: the lines before it are
// finished.
void Scheduler::mix_sound_to_now() {
    if (in_frame) mix_lines(line_run != nullptr ? line_run_first + line_run->running : running_line);
}

// The samples of the running frame's lines up to `end` (exclusive) not
// mixed yet: each line adds samples_per_line 1/1024 samples, and a sample is
// mixed once a whole one has gathered (so several lines at once give what
// they would one by one).
void Scheduler::mix_lines(int32_t end) {
    const int32_t count = end - lines_mixed;
    if (count <= 0) return;
    const int32_t gathered = sample_fraction + count * samples_per_line;
    sample_fraction = gathered & 1023;
    mix_samples(gathered >> 10, 0);
    lines_mixed = end;
}

int32_t Scheduler::line_samples_fixed(int32_t sample_rate) const {
    return static_cast<int32_t>(sample_rate * (1024.0 / standard.lines_per_second()) + 0.5);
}

int32_t Scheduler::most_samples_per_frame(int32_t sample_rate) const {
    // The fraction carried into a frame is less than a sample.
    return static_cast<int32_t>((1023 + int64_t{standard.lines_per_frame} * line_samples_fixed(sample_rate)) >> 10);
}

void Scheduler::setup_audio(int32_t sample_rate, int32_t length) {
    block_length = std::max(length, 0);
    samples_per_line = line_samples_fixed(sample_rate);
    sample_block.assign(static_cast<size_t>(block_length), 0);
    mix_buffer.assign(static_cast<size_t>(block_length), 0);
    sample_fraction = 0;
    block_fill = 0;
}

// The first `count` mixed sums as 16-bit samples, held at the nearest end
// of the range. Written with values rather than std::clamp's references,
// which WebAssembly builds keep in memory on the stack for every sample.
void Scheduler::saturate(int32_t count) {
    const int32_t* in = mix_buffer.data();
    int16_t* out = sample_block.data();
    for (int32_t i = 0; i < count; ++i) {
        const int32_t v = in[i];
        out[i] = static_cast<int16_t>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
    }
}

const int16_t* Scheduler::mix_samples(int32_t count, uint8_t finish) {
    if (finish) mix_sound_to_now();  // inside a frame (a debugger's stop): the lines so far first
    const int32_t space = block_length - block_fill;
    // A negative count mixes nothing (it must not move block_fill back).
    const int32_t n = finish ? space : std::clamp(count, 0, space);
    if (n > 0) {
        int32_t* start = mix_buffer.data() + block_fill;
        std::fill(start, start + n, 0);
        for (int32_t i = 0; i < sound_source_count; ++i) sound_sources[i]->mix_audio(start, n);
    }
    if (finish) {
        saturate(block_length);
        block_fill = 0;
    } else {
        block_fill += n;
    }
    return sample_block.data();
}

const int16_t* Scheduler::take_mixed(int32_t& count) {
    count = block_fill;
    saturate(block_fill);
    block_fill = 0;
    return sample_block.data();
}

}  // namespace m5
