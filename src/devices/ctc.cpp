#include "devices/ctc.h"

#include <utility>

#include "machine/machine_services.h"
#include "machine/state_io.h"

namespace m5 {

namespace {
// Longest span a counter-mode clock event may cover (the scheduler counts in
// signed 32-bit clocks); far beyond any count of a slow clock.
constexpr int32_t MAX_SPAN_CLOCKS = 1 << 30;
}  // namespace

Ctc::Ctc(MachineServices* owner, MachineHost* host_services) : Component(owner, host_services) {
    for (int32_t c = 0; c < CTC_CHANNELS; ++c) channels[c].vector = static_cast<uint8_t>(c << 1);
}

void Ctc::reset() {
    for (CtcChannel& ch : channels) {
        ch.time_constant = 256;
        ch.count = 256;
        ch.control = 0;
        ch.constant_follows = false;
        ch.started = false;
        ch.prescale_phase = 0;
        ch.prescaler = 256;
        ch.in_reset = false;
        ch.clock_event = NO_EVENT;
        ch.timer_event = NO_EVENT;
        ch.int_pending = false;
        ch.in_service = false;
    }
    int_out = false;
    chain_out = true;
    chain_in = true;
}

// --- Scheduler access ------------------------------------------------------

int32_t Ctc::arm(int32_t event_id, int32_t delay_clocks) {
    if (machine == nullptr) return NO_EVENT;
    return machine->add_event_clocks(this, event_id, delay_clocks, 0);
}

void Ctc::cancel(int32_t& handle) {
    if (handle == NO_EVENT) return;
    if (machine != nullptr) machine->cancel_event(handle);
    handle = NO_EVENT;
}

MachineTime Ctc::now_clocks() { return machine != nullptr ? machine->now() : 0; }

int32_t Ctc::clocks_since(MachineTime time) { return machine != nullptr ? machine->clocks_since(time) : 0; }

bool Ctc::events_match() const {
    if (machine == nullptr) return true;
    int32_t held = 0;
    for (int32_t c = 0; c < CTC_CHANNELS; ++c) {
        const CtcChannel& ch = channels[c];
        for (const auto& [handle, param] :
             {std::pair{ch.clock_event, c}, std::pair{ch.timer_event, c | CTC_TIMER_EVENT}}) {
            if (handle == NO_EVENT) continue;
            const TimedEvent& e = machine->event(handle);
            if (!e.active || e.target != this || e.param != param || e.period != 0) return false;
            ++held;
        }
    }
    int32_t mine = 0;
    for (int32_t id = 0; id < MAX_TIMED_EVENTS; ++id) {
        const TimedEvent& e = machine->event(id);
        if (e.active && e.target == this) ++mine;
    }
    return mine == held;
}

// --- Port access -----------------------------------------------------------

void Ctc::port_write8(int32_t port, int32_t data) {
    const int32_t c = port & 3;
    const uint8_t v = static_cast<uint8_t>(data);
    CtcChannel& ch = channels[c];

    if (ch.constant_follows) {
        ch.time_constant = v == 0 ? 256 : v;
        ch.constant_follows = false;
        if (ch.control & CTC_SOFTWARE_RESET) {
            // The constant ends the software reset: load and (re)start.
            ch.prescale_phase = 0;
            ch.in_reset = false;
            ch.count = ch.time_constant;
            cancel(ch.clock_event);
            cancel(ch.timer_event);
            schedule_channel(c, 0);
        }
        // Otherwise the new constant waits for the next reload.
        return;
    }

    if ((v & CTC_CONTROL_WORD) == 0) {
        // Vector word: sets all four vectors, whichever port it arrives on.
        const uint8_t base = v & 0xF8;
        for (int32_t i = 0; i < CTC_CHANNELS; ++i) channels[i].vector = static_cast<uint8_t>(base | (i << 1));
        return;
    }

    // Control word. A running channel's count is brought up to the moment of
    // the write first, so that a change of mode or prescaler starts from the
    // true count, and a stopped channel keeps the count it had reached.
    catch_up(c);
    const bool timing_changes = ((ch.control ^ v) & (CTC_COUNTER_MODE | CTC_PRESCALE_256)) != 0;
    if (timing_changes) {
        // The pending span was worked out with the old settings.
        cancel(ch.clock_event);
        cancel(ch.timer_event);
    }
    ch.prescaler = (v & CTC_PRESCALE_256) ? 256 : 16;
    // A switch from 256 to 16 keeps the phase inside the new prescaler, so
    // the next span is never negative.
    ch.prescale_phase &= ch.prescaler - 1;
    ch.constant_follows = (v & CTC_CONSTANT_FOLLOWS) != 0;
    ch.in_reset = (v & CTC_SOFTWARE_RESET) != 0;
    ch.started = !(ch.clock_rate == 0 && (v & CTC_TRIGGER_START));
    ch.control = v;
    schedule_channel(c, 0);
}

int32_t Ctc::port_read8(int32_t port) {
    const int32_t c = port & 3;
    catch_up(c);
    return channels[c].count & 0xFF;
}

// Applies the part of the pending span that has elapsed, keeping the final
// step to zero for the event itself, and re-arms the event for the same
// moment. The span then starts now.
void Ctc::catch_up(int32_t c) {
    CtcChannel& ch = channels[c];
    // Without an event the count is current: a stopped channel, or a counter
    // driven by trigger pulses only.
    const bool clock_span = ch.clock_event != NO_EVENT;
    if (!clock_span && ch.timer_event == NO_EVENT) return;
    const int32_t elapsed = clocks_since(ch.span_start);
    // What has passed: pulses of the clock input, or machine clocks.
    int64_t due = clock_span ? static_cast<int64_t>(ch.clock_rate) * elapsed / MACHINE_CLOCK_HZ : elapsed;
    if (due >= ch.span_amount) due = ch.span_amount - 1;
    if (due <= 0) return;
    const int32_t applied = static_cast<int32_t>(due);
    if (clock_span) {
        count_pulses(c, applied);
    } else {
        advance_timer(c, applied);
    }
    int32_t& handle = clock_span ? ch.clock_event : ch.timer_event;
    cancel(handle);
    ch.span_delay -= elapsed;
    ch.span_amount -= applied;
    ch.span_start = now_clocks();
    handle = arm(clock_span ? c : c | CTC_TIMER_EVENT, ch.span_delay);
}

// --- Counting --------------------------------------------------------------

// Arms the channel's event if it should run and none is armed. `lateness`
// (0 or negative) is how late the event that just fired was: the new span is
// taken to have begun that much earlier, so zero counts keep their phase.
// span_delay is measured from span_start; the event is armed that far from
// span_start, that is span_delay + lateness from now.
void Ctc::schedule_channel(int32_t c, int32_t lateness) {
    CtcChannel& ch = channels[c];
    if (ch.control & CTC_COUNTER_MODE) {
        cancel(ch.timer_event);
        if (ch.in_reset) {
            cancel(ch.clock_event);
            return;
        }
        if (ch.clock_event != NO_EVENT || ch.clock_rate == 0) return;
        ch.span_amount = ch.count;
        const int64_t delay = static_cast<int64_t>(ch.count) * ch.clock_period;
        ch.span_delay = delay > MAX_SPAN_CLOCKS ? MAX_SPAN_CLOCKS : static_cast<int32_t>(delay);
        ch.span_start = now_clocks() + static_cast<MachineTime>(lateness);
        ch.clock_event = arm(c, ch.span_delay + lateness);
    } else {
        cancel(ch.clock_event);
        if (!ch.started || ch.in_reset) {
            cancel(ch.timer_event);
            return;
        }
        if (ch.timer_event != NO_EVENT) return;
        ch.span_amount = ch.count * ch.prescaler - ch.prescale_phase;
        ch.span_delay = ch.span_amount;
        ch.span_start = now_clocks() + static_cast<MachineTime>(lateness);
        ch.timer_event = arm(c | CTC_TIMER_EVENT, ch.span_delay + lateness);
    }
}

void Ctc::count_pulses(int32_t c, int32_t pulses) {
    CtcChannel& ch = channels[c];
    if ((ch.control & CTC_COUNTER_MODE) == 0) {
        // Any signal on the trigger input starts a timer that waits for it.
        ch.started = true;
        return;
    }
    if (ch.in_reset) return;
    ch.count = static_cast<uint16_t>(ch.count - pulses);
    if (ch.count != 0) return;
    reach_zero(c);
}

void Ctc::advance_timer(int32_t c, int32_t clocks) {
    CtcChannel& ch = channels[c];
    if ((ch.control & CTC_COUNTER_MODE) || !ch.started || ch.in_reset) return;
    ch.prescale_phase += clocks;
    const int32_t steps = ch.prescale_phase >> (ch.prescaler == 256 ? 8 : 4);
    ch.prescale_phase &= ch.prescaler - 1;
    ch.count = static_cast<uint16_t>(ch.count - steps);
    if (ch.count != 0) return;
    reach_zero(c);
}

void Ctc::reach_zero(int32_t c) {
    CtcChannel& ch = channels[c];
    uint32_t crossings = 0;
    do {
        ch.count = static_cast<uint16_t>(ch.count + ch.time_constant);
        if (ch.control & CTC_INTERRUPT_ENABLE) {
            ch.int_pending = true;
            update_chain();
        }
        ++crossings;
    } while (ch.count == 0);

    const SignalLinkList& out = zero_count_outputs[c];
    for (int32_t i = 0; i < out.count; ++i) out.targets[i]->signal_in(out.signals[i], crossings, out.masks[i]);
}

void Ctc::signal_in(int32_t signal, uint32_t data, uint32_t mask) {
    const int32_t c = signal & 3;
    count_pulses(c, static_cast<int32_t>(data & mask));
    schedule_channel(c, 0);
}

void Ctc::set_clock_rate(int32_t c, uint32_t hertz) {
    c &= 3;
    CtcChannel& ch = channels[c];
    catch_up(c);
    cancel(ch.clock_event);
    if (hertz > static_cast<uint32_t>(MACHINE_CLOCK_HZ)) hertz = MACHINE_CLOCK_HZ;
    ch.clock_rate = hertz;
    ch.clock_period = hertz == 0 ? 0 : MACHINE_CLOCK_HZ / static_cast<int32_t>(hertz);
    schedule_channel(c, 0);
}

void Ctc::on_event(int32_t param, int32_t lateness) {
    const int32_t c = param & 3;
    CtcChannel& ch = channels[c];
    // The one-shot has ended: drop the handle first, since the scheduler may
    // hand the same id out again while the zero count is being signalled.
    if (param & CTC_TIMER_EVENT) {
        ch.timer_event = NO_EVENT;
        advance_timer(c, ch.span_amount);
    } else {
        ch.clock_event = NO_EVENT;
        count_pulses(c, ch.span_amount);
    }
    schedule_channel(c, lateness);
}

// --- Interrupt daisy chain --------------------------------------------------

void Ctc::update_chain() {
    bool any_in_service = false;
    for (const CtcChannel& ch : channels) any_in_service = any_in_service || ch.in_service;

    const bool ieo = chain_in && !any_in_service;
    if (ieo != chain_out) {
        chain_out = ieo;
        if (next_in_chain != nullptr) next_in_chain->set_chain_enable(ieo ? 1 : 0);
    }

    // The highest-priority channel that is in service masks everything below
    // it; a channel both pending and in service counts as in service.
    bool request = false;
    if (chain_in) {
        for (const CtcChannel& ch : channels) {
            if (ch.in_service) break;
            if (ch.int_pending) {
                request = true;
                break;
            }
        }
    }
    if (request != int_out) {
        int_out = request;
        if (cpu != nullptr) cpu->set_irq_request(request ? 1 : 0, 1, irq_line);
    }
}

void Ctc::set_chain_enable(uint8_t enabled) {
    const bool level = enabled != 0;
    if (level == chain_in) return;
    chain_in = level;
    update_chain();
}

int32_t Ctc::irq_acknowledge() {
    if (!int_out) return next_in_chain != nullptr ? next_in_chain->irq_acknowledge() : 0xFF;
    for (CtcChannel& ch : channels) {
        if (ch.in_service) return 0xFF;
        if (ch.int_pending) {
            ch.int_pending = false;
            ch.in_service = true;
            update_chain();
            return ch.vector;
        }
    }
    return 0xFF;
}

void Ctc::irq_return() {
    for (CtcChannel& ch : channels) {
        if (ch.in_service) {
            ch.in_service = false;
            update_chain();
            return;
        }
    }
    if (next_in_chain != nullptr) next_in_chain->irq_return();
}

void Ctc::describe_state(StateArchive& a) {
    bool any_in_service = false;
    bool request = false;
    for (int32_t c = 0; c < CTC_CHANNELS; ++c) {
        CtcChannel& ch = channels[c];
        a.field(ch.control);
        a.field(ch.count);
        a.field(ch.time_constant);
        a.field(ch.vector);
        a.field(ch.prescale_phase);
        a.field(ch.prescaler);
        a.field(ch.in_reset);
        a.field(ch.started);
        a.field(ch.constant_follows);
        a.i32_in(ch.clock_event, NO_EVENT, MAX_TIMED_EVENTS - 1);
        a.i32_in(ch.timer_event, NO_EVENT, MAX_TIMED_EVENTS - 1);
        a.field(ch.span_amount);
        a.field(ch.span_delay);
        a.field(ch.span_start);
        a.field(ch.int_pending);
        a.field(ch.in_service);
        if (!a.loading()) continue;
        // What the channel's writes and counting leave: a control word (bit
        // 0 set, or 0 after a reset) with the prescaler and flags it set, a
        // count and constant of 1 to 256, a phase inside the prescaler, the
        // channel's number in its vector.
        const uint8_t control = ch.control;
        const bool counter = (control & CTC_COUNTER_MODE) != 0;
        const int32_t prescaler = control == 0 || (control & CTC_PRESCALE_256) ? 256 : 16;
        const bool registers_ok = (control == 0 || (control & CTC_CONTROL_WORD)) && ch.count >= 1 && ch.count <= 256 &&
                                  ch.time_constant >= 1 && ch.time_constant <= 256 && (ch.vector & 7) == c << 1 &&
                                  ch.prescaler == prescaler && ch.prescale_phase >= 0 &&
                                  ch.prescale_phase < prescaler && (!ch.in_reset || (control & CTC_SOFTWARE_RESET)) &&
                                  (!ch.constant_follows || (control & CTC_CONSTANT_FOLLOWS));
        // A pending event belongs to the mode that armed it, and its span
        // began no later than now and ends after it, within the longest
        // span (a clock event needs a clock on the trigger input).
        const bool timer_ok = ch.timer_event == NO_EVENT || (!counter && ch.started && !ch.in_reset);
        const bool clock_ok = ch.clock_event == NO_EVENT || (counter && !ch.in_reset && ch.clock_rate != 0);
        const bool pending = ch.timer_event != NO_EVENT || ch.clock_event != NO_EVENT;
        const int32_t elapsed = clocks_since(ch.span_start);
        const bool span_ok = !pending || ((ch.timer_event != NO_EVENT) != (ch.clock_event != NO_EVENT) &&
                                          ch.span_amount >= 1 && ch.span_amount <= 256 * 256 && ch.span_delay >= 1 &&
                                          ch.span_delay <= MAX_SPAN_CLOCKS && elapsed >= 0 && elapsed < ch.span_delay);
        if (!a.valid(registers_ok && timer_ok && clock_ok && span_ok)) {
            ch = CtcChannel{};
            ch.vector = static_cast<uint8_t>(c << 1);
        }
        // The interrupt lines as update_chain works them out.
        if (!any_in_service && ch.int_pending && !ch.in_service) request = true;
        any_in_service = any_in_service || ch.in_service;
    }
    // The scheduler's pending events of this counter/timer are the
    // channels' own (its state is loaded first).
    a.valid(!a.loading() || events_match());
    a.field(chain_in);
    a.field(chain_out);
    a.field(int_out);
    if (a.loading() && !a.valid(chain_out == (chain_in && !any_in_service) && int_out == (chain_in && request))) {
        chain_out = chain_in;
        int_out = false;
    }
}

}  // namespace m5
