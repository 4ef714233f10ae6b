// Component: the contract every emulated part of the machine shares.
//
// Each chip or board function is a Component with one fixed table of virtual
// operations, each with a default body. A part overrides only what it answers,
// so any component can sit behind any address, port, signal or interrupt
// connection without special cases. Components never call each other by
// concrete type: the processor reaches memory and ports through these
// operations, chips pass levels through SignalLinks (signal_in), interrupts
// travel through the four daisy-chain operations, and the Scheduler hands out
// time through execute, execute_slices, on_event, on_frame, on_scanline and
// on_hsync.
//
// Conventions: addresses and ports are signed 32-bit integers holding a 16-bit
// value; data bytes travel in a 32-bit integer and come back in its low 8 bits;
// wait_out receives the wait states an access adds.
#pragma once

#include <cstdint>

namespace m5 {

class MachineHost;
class MachineServices;
class StateArchive;
class StateReader;
class StateWriter;

// Position of a component in its machine's list, counted from 0 in
// construction order.
using ComponentId = int32_t;

// Consecutive slices of processor time with nothing between them (see
// Component::execute_slices): slice i is clocks[i] machine clocks, given to
// the processor as clocks[i] << shift processor clocks.
struct SliceRun {
    const int32_t* clocks = nullptr;
    int32_t shift = 0;
    int32_t count = 0;    // slices to run
    int32_t running = 0;  // the slice being run; count once the run is over
};

class Component {
public:
    // Links the component at the tail of the machine's list and gives it the
    // next id. A null machine builds a free-standing component with id 0
    // (test benches and tools that drive one chip alone).
    Component(MachineServices* machine, MachineHost* host);
    virtual ~Component() = default;

    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;
    Component(Component&&) = delete;
    Component& operator=(Component&&) = delete;

    // --- Life cycle ---------------------------------------------------------
    // Nothing by default. Machine construction, once, after all wiring.
    virtual void init() {}
    // Nothing by default. Machine teardown (release_all), once.
    virtual void release() {}
    // Nothing by default. The machine's apply_config after a settings change.
    virtual void apply_config() {}
    // Nothing by default; never called (reserved slot).
    virtual void spare_hook_a() {}
    // Nothing by default; never called (reserved slot).
    virtual void spare_hook_b() {}
    // Nothing by default. Construction, machine reset, cartridge changes.
    virtual void reset() {}
    // Runs this component's own reset. Called by nobody in this machine.
    virtual void reset_alias_a() { reset(); }
    // Runs this component's own reset. Called by nobody in this machine.
    virtual void reset_alias_b() { reset(); }

    // --- State ----------------------------------------------------------------
    // Describes nothing by default (a part without state of its own). Called
    // by save_state and load_state: hands the archive every field that
    // decides what the part does next, in a fixed order, to be written or read
    // back; on load, a value the part cannot take marks the archive failed.
    // Wiring and values derived from the host's settings are left out.
    virtual void describe_state(StateArchive& archive) { (void)archive; }
    // Nothing by default. Called by load_state after describe_state:
    // recomputes the values derived from the fields just read.
    virtual void after_load() {}
    // describe_state to an archive that writes, by default. Called by the
    // machine's save_state, between frames.
    virtual void save_state(StateWriter& out);
    // describe_state to an archive that reads, then after_load, by default.
    // Called by the machine's load_state with what save_state wrote.
    virtual void load_state(StateReader& in);

    // --- Memory -------------------------------------------------------------
    // Ignores the write by default. Called by the processor.
    virtual void mem_write8(int32_t address, int32_t data) { (void)address, (void)data; }
    // Returns 0xFF by default. Called by the processor.
    virtual int32_t mem_read8(int32_t address) {
        (void)address;
        return 0xFF;
    }
    // Two mem_write8, low byte first at address, high byte at address + 1
    // (not wrapped here: the receiver masks). Called by the processor.
    virtual void mem_write16(int32_t address, int32_t data16);
    // Two mem_read8, low byte first. Called by the processor.
    virtual int32_t mem_read16(int32_t address);
    // Sets *wait_out = 0 and writes nothing by default (no fallback to
    // mem_write8). Called by nobody in this machine.
    virtual void mem_write8_w(int32_t address, int32_t data, int32_t* wait_out);
    // Sets *wait_out = 0 and returns 0xFF by default. Called by nobody.
    virtual int32_t mem_read8_w(int32_t address, int32_t* wait_out);
    // Sets *wait_out = 0, then writes as mem_write16. Called by nobody.
    virtual void mem_write16_w(int32_t address, int32_t data16, int32_t* wait_out);
    // Sets *wait_out = 0, then reads as mem_read16. Called by nobody.
    virtual int32_t mem_read16_w(int32_t address, int32_t* wait_out);
    // mem_write8 of the same arguments by default. Called by nobody.
    virtual void dma_write8(int32_t address, int32_t data) { mem_write8(address, data); }
    // mem_read8 of the same address by default. Called by nobody.
    virtual int32_t dma_read8(int32_t address) { return mem_read8(address); }

    // --- Ports --------------------------------------------------------------
    // Ignores the write by default. Called by the processor (on the I/O bus)
    // and by the I/O bus (on the port's target).
    virtual void port_write8(int32_t port, int32_t data) { (void)port, (void)data; }
    // Returns 0xFF by default. Called by the processor and the I/O bus.
    virtual int32_t port_read8(int32_t port) {
        (void)port;
        return 0xFF;
    }
    // Sets *wait_out = 0 and writes nothing by default. Called by nobody.
    virtual void port_write8_w(int32_t port, int32_t data, int32_t* wait_out);
    // Sets *wait_out = 0 and returns 0xFF by default. Called by nobody.
    virtual int32_t port_read8_w(int32_t port, int32_t* wait_out);

    // --- Signals and interrupts ---------------------------------------------
    // Ignored by default. Called by senders over a SignalLink.
    virtual void signal_in(int32_t signal, uint32_t data, uint32_t mask) { (void)signal, (void)data, (void)mask; }
    // Returns 0 by default. Called by nobody (the tape deck answers its level).
    virtual int32_t signal_query() { return 0; }
    // Ignored by default. Called by the device ahead in the daisy chain.
    virtual void set_chain_enable(uint8_t enabled) { (void)enabled; }
    // Ignored by default. Called by interrupt sources on the processor: sets or
    // clears request bit `line` and its hold bit.
    virtual void set_irq_request(uint8_t request, uint8_t hold, int32_t line) { (void)request, (void)hold, (void)line; }
    // Returns 0xFF by default. Called by the processor when it accepts a
    // maskable interrupt (and by a chain device for the one behind it).
    virtual int32_t irq_acknowledge() { return 0xFF; }
    // Ignored by default. Called by the processor on RETI.
    virtual void irq_return() {}

    // --- Time ---------------------------------------------------------------
    // Ignored by default. Called by the Scheduler with a processor-clock budget.
    virtual void execute(int32_t clocks) { (void)clocks; }
    // Called by the Scheduler for stretches of time in which nothing else
    // happens between slices: the slices of `run` as that many execute calls
    // back to back, which a processor may run without going back to the
    // Scheduler (and its virtual calls) between them.
    // run.running names the slice being run (its executed_cycles are the
    // running slice's own); the Scheduler may lower run.count to end the run
    // after the running slice.
    virtual void execute_slices(SliceRun& run) {
        for (; run.running < run.count; ++run.running) execute(run.clocks[run.running] << run.shift);
    }
    // Returns 0 by default. Called by the Scheduler: processor clocks used so
    // far inside the running execute call, 0 outside one.
    virtual int32_t executed_cycles() { return 0; }
    // Returns 0 by default. Called by nobody (debugging aid).
    virtual int32_t current_pc() { return 0; }
    // Adds nothing by default. Called by the Scheduler: add `count` samples
    // into the (pre-zeroed) signed 32-bit accumulators.
    virtual void mix_audio(int32_t* accumulators, int32_t count) { (void)accumulators, (void)count; }
    // Ignored by default. Called by the Scheduler when a timed event fires;
    // lateness is 0 or negative machine clocks.
    virtual void on_event(int32_t param, int32_t lateness) { (void)param, (void)lateness; }
    // Ignored by default. Called by the Scheduler at the start of each frame.
    virtual void on_frame() {}
    // Ignored by default. Called by the Scheduler at the start of each
    // scanline (0..261) with its machine clocks.
    virtual void on_scanline(int32_t line, int32_t clocks) { (void)line, (void)clocks; }
    // Ignored by default. Called by the Scheduler after on_scanline.
    virtual void on_hsync(int32_t line, int32_t start, int32_t clocks) { (void)line, (void)start, (void)clocks; }

    MachineServices* machine;  // the machine's services (machine_services.h), not owned
    MachineHost* host;         // host services, not owned
    Component* prev;           // previous in the machine's list, or null
    Component* next;           // next in the machine's list, or null
    ComponentId id;            // position in the list
};

// The do-nothing component: every read answers 0xFF, every write and signal
// is ignored. Unmapped ports point at it.
class NullComponent final : public Component {
public:
    using Component::Component;
};

// One output connection of a level sender.
struct SignalLink {
    Component* target;
    int32_t signal;
    uint32_t mask;
};

inline constexpr int MAX_SIGNAL_LINKS = 8;

// Up to MAX_SIGNAL_LINKS output connections. add_link does no bound check:
// whoever wires must not add a ninth.
struct SignalLinkList {
    Component* targets[MAX_SIGNAL_LINKS] = {};
    int32_t signals[MAX_SIGNAL_LINKS] = {};
    int32_t count = 0;
    uint32_t masks[MAX_SIGNAL_LINKS] = {};

    void add_link(Component* target, int32_t signal, uint32_t mask) {
        targets[count] = target;
        signals[count] = signal;
        masks[count] = mask;
        ++count;
    }

    // Sends every link the level as all ones (1) or all zeros (0).
    void send(uint8_t level) const {
        const uint32_t data = level ? 0xFFFFFFFFu : 0u;
        for (int32_t i = 0; i < count; ++i) targets[i]->signal_in(signals[i], data, masks[i]);
    }
};

// The level-sending rule: a sender remembers the last level it sent and sends
// only changes. `last_level` starts at 0.
inline void send_level(const SignalLinkList& links, uint8_t& last_level, uint8_t level) {
    level = level ? 1 : 0;
    if (level == last_level) return;
    links.send(level);
    last_level = level;
}

}  // namespace m5
