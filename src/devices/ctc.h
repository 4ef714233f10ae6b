// Ctc: the M5's counter/timer, a Z80 CTC.
//
// Four channels on ports 0-3 (port & 3 = channel). Each channel counts
// either machine clocks through a prescaler of 16 or 256 (timer mode) or
// pulses on its trigger input (counter mode), reloads from its time constant
// at every zero count, can raise an interrupt and pulses its zero-count
// output. The Ctc is also the head of the interrupt daisy chain and the one
// interrupt source the processor knows: it drives the processor's INT line,
// answers the acknowledge with the vector byte and ends interrupts on RETI.
// In this machine the video interrupt line arrives on the trigger input of
// channel 3, so the frame interrupt is a channel 3 zero count.
//
// Port writes: a time constant (after a control word with bit 2), a control
// word (bit 0 = 1) or a vector word (bit 0 = 0, any port). Port reads: the
// channel's down-counter, low 8 bits.
// Signals in: 0..3 (taken & 3) trigger input of that channel; data & mask is
// a number of pulses. Signals out: per channel, the number of zero counts,
// with a mask of all ones, to every link of zero_count_outputs.
//
// Time: machine clocks (3.8 MHz), so the timers keep their rate whatever the
// processor speed. Counting is lazy: a running channel holds one scheduler
// event for its next zero count, and a port read works out the count from
// the time elapsed since the span began. Each zero count re-arms the next
// with the event's lateness folded in, so periods do not drift.
//
// Known differences from the real chip:
// - The trigger edge select (control bit 4) is stored and not used: every
//   signal on the trigger input counts, with the number of pulses the sender
//   gives (one per rising edge of the video interrupt line).
// - A timer waiting for its trigger starts on any trigger signal, whatever
//   its level, and starts at once rather than on the next clock.
// - A port read never sees the count reach 0; the final step to zero is
//   always taken by the zero-count event itself.
// - Interrupts are acknowledged and ended by the processor calling
//   irq_acknowledge and irq_return; there is no bus snooping for RETI.
#pragma once

#include <cstdint>

#include "machine/clock.h"
#include "machine/component.h"
#include "machine/scheduler.h"

namespace m5 {

inline constexpr int32_t CTC_CHANNELS = 4;
inline constexpr int32_t CTC_TIMER_EVENT = 4;  // bit of an event id that marks a timer event

// Control word bits.
inline constexpr uint8_t CTC_INTERRUPT_ENABLE = 0x80;
inline constexpr uint8_t CTC_COUNTER_MODE = 0x40;
inline constexpr uint8_t CTC_PRESCALE_256 = 0x20;
inline constexpr uint8_t CTC_RISING_EDGE = 0x10;
inline constexpr uint8_t CTC_TRIGGER_START = 0x08;
inline constexpr uint8_t CTC_CONSTANT_FOLLOWS = 0x04;
inline constexpr uint8_t CTC_SOFTWARE_RESET = 0x02;
inline constexpr uint8_t CTC_CONTROL_WORD = 0x01;

struct CtcChannel {
    uint8_t control = 0;             // last control word written
    uint16_t count = 256;            // down-counter, 1..256 between operations
    uint16_t time_constant = 256;    // reload value, 1..256 (a written 0 is 256)
    uint8_t vector = 0;              // vector base with bits 2-1 = channel number
    int32_t prescale_phase = 0;      // machine clocks toward the next prescaler step
    int32_t prescaler = 256;         // 16 or 256
    bool in_reset = false;           // stopped until a time constant arrives
    bool started = false;            // timer running (false while it waits for its trigger)
    bool constant_follows = false;   // the next byte written is a time constant
    uint32_t clock_rate = 0;         // Hz of a free-running clock on the trigger input; 0 = none
    int32_t clock_event = NO_EVENT;  // pending counter-mode clock event
    int32_t timer_event = NO_EVENT;  // pending timer event
    int32_t span_amount = 0;         // what the pending event applies: machine clocks or pulses
    int32_t span_delay = 0;          // machine clocks from span_start to the pending event
    MachineTime span_start = 0;      // machine time at which the current span began
    bool int_pending = false;        // interrupt pending
    bool in_service = false;         // acknowledged, not yet ended by RETI
    int32_t clock_period = 0;        // machine clocks per trigger clock pulse (from clock_rate)
};

class Ctc final : public Component {
public:
    Ctc(MachineServices* machine, MachineHost* host);

    // Stops every channel as a timer with interrupts disabled and clears the
    // interrupt state. Vectors, clock rates and wiring are kept; pending
    // events are left to the scheduler's own reset, which runs first.
    void reset() override;
    void port_write8(int32_t port, int32_t data) override;
    // Brings the channel's count up to date and returns its low 8 bits.
    int32_t port_read8(int32_t port) override;
    // Trigger input of channel signal & 3: (data & mask) pulses.
    void signal_in(int32_t signal, uint32_t data, uint32_t mask) override;
    void set_chain_enable(uint8_t enabled) override;
    int32_t irq_acknowledge() override;
    void irq_return() override;
    void on_event(int32_t param, int32_t lateness) override;
    // Every channel with its pending event ids and span, and the interrupt
    // and daisy-chain levels. Wiring and clock rates are left out. A load
    // takes what port writes and counting leave (see the checks), spans of
    // pending events that are under way now, and interrupt and chain levels
    // that follow from the channels.
    void describe_state(StateArchive& archive) override;

    // Gives channel c a free-running clock of `hertz` on its trigger input
    // (0 = none). Rates above the machine clock count as the machine clock.
    void set_clock_rate(int32_t c, uint32_t hertz);

    // Inspection for tests and debuggers (no side effects; the count is the
    // lazily kept value, not brought up to date).
    const CtcChannel& channel(int32_t c) const { return channels[c & 3]; }
    bool int_line() const { return int_out; }

    // Zero-count outputs of each channel: a link receives the number of zero
    // counts as data, so it is wired with an all-ones mask.
    SignalLinkList zero_count_outputs[CTC_CHANNELS];
    CtcChannel channels[CTC_CHANNELS];
    Component* cpu = nullptr;            // receives INT through set_irq_request
    Component* next_in_chain = nullptr;  // next device of the daisy chain
    bool chain_in = true;                // IEI
    bool chain_out = true;               // IEO last sent to next_in_chain
    bool int_out = false;                // INT last sent to cpu
    int32_t irq_line = 0;                // request bit number given with INT

private:
    void schedule_channel(int32_t c, int32_t lateness);
    void count_pulses(int32_t c, int32_t pulses);
    void advance_timer(int32_t c, int32_t clocks);
    void reach_zero(int32_t c);
    void catch_up(int32_t c);
    void update_chain();
    // Whether the scheduler's pending events of this counter/timer are
    // exactly the one-shots its channels hold (true without a machine).
    bool events_match() const;

    // Scheduler access through the machine; a free-standing Ctc (no machine)
    // gets no events and stands at time 0.
    int32_t arm(int32_t event_id, int32_t delay_clocks);
    void cancel(int32_t& handle);
    MachineTime now_clocks();
    int32_t clocks_since(MachineTime time);
};

}  // namespace m5
