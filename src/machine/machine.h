// Machine: the emulated computer as a whole.
//
// Builds the eleven components in a fixed order (which fixes their ids),
// wires them (processor buses, port map, signal links, interrupt chain,
// scheduler lists), initialises and resets them, and is the one object the
// host talks to. It also relays the scheduler's services to the components.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "devices/tape_media.h"
#include "machine/clock.h"
#include "machine/component.h"

namespace m5 {

class MachineHost;
class StateReader;
class StateWriter;
class Scheduler;
class TapeDeck;
class IoBus;
class Psg;
class Vdp;
class Z80Cpu;
class Ctc;
class SystemPort;
class KeyMatrix;
class MemoryMap;

// Component ids fixed by construction order.
enum : ComponentId {
    NULL_COMPONENT_ID = 0,
    SCHEDULER_ID = 1,
    TAPE_DECK_ID = 2,
    IO_BUS_ID = 3,
    PSG_ID = 4,
    VDP_ID = 5,
    Z80_CPU_ID = 6,
    CTC_ID = 7,
    SYSTEM_PORT_ID = 8,
    KEY_MATRIX_ID = 9,
    MEMORY_MAP_ID = 10,
};

// The chunk tag of component `id` in a saved state.
uint32_t component_state_tag(ComponentId id);

inline constexpr int32_t PSG_CLOCK_HZ = 3'579'545;
inline constexpr int32_t PSG_FULL_VOLUME = 8000;

// Optional observer of the machine's init and reset loops, for tests and
// debugging tools. Called after each component's operation.
class LifecycleObserver {
public:
    virtual ~LifecycleObserver() = default;
    virtual void initialised(Component& component) = 0;
    virtual void was_reset(Component& component) = 0;
};

class Machine {
public:
    explicit Machine(MachineHost* host, LifecycleObserver* observer = nullptr);
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // --- Operations of the host ---------------------------------------------
    void release_all();
    Component* find_component(ComponentId id) const;
    void reset();
    void run_frame();
    void render_screen();
    void setup_audio(int32_t sample_rate, int32_t block_length);
    const int16_t* take_audio(int32_t count, uint8_t finish);
    // The cartridge from bytes (up to its 20 KiB window), then a reset.
    void open_cartridge(const uint8_t* data, size_t size);
    void close_cartridge();
    // The tape media (devices/tape_media.h); the deck owns them from here on.
    void tape_play(std::unique_ptr<TapeImage> tape, TapeFormat format);
    void tape_record(std::unique_ptr<TapeRecording> tape, TapeFormat format);
    void tape_close();
    uint8_t tape_status();
    void apply_config();

    // --- Save states ----------------------------------------------------------
    // Between frames: one chunk per component, in list order, each tagged by
    // the component it belongs to (component_state_tag).
    void save_state(StateWriter& out);
    // Reads every component's chunk, skipping chunks of unknown tags (they
    // belong to the host). False when a component's chunk is missing, comes
    // twice, is not read to its end or holds a value its component cannot
    // take; the components are then in no defined state, so a caller loads
    // into a staging machine first and into the running one only when that
    // succeeded.
    // `failed`, when given, receives the id of the component that failed.
    bool load_state(StateReader& in, ComponentId* failed = nullptr);

    // --- Scheduler services relayed to components ---------------------------
    int32_t add_event_us(Component* target, int32_t param, double microseconds, uint8_t periodic);
    int32_t add_event_clocks(Component* target, int32_t param, int32_t clocks, uint8_t periodic);
    void cancel_event(int32_t id);
    void add_frame_listener(Component* listener);
    void add_scanline_listener(Component* listener);
    void add_hsync_listener(Component* listener);
    MachineTime now();
    int32_t clocks_since(MachineTime time);

    MachineHost* const host;
    // Owned components; the constructor builds them in id order, the null
    // component first.
    std::unique_ptr<Scheduler> scheduler;
    std::unique_ptr<TapeDeck> tape_deck;
    std::unique_ptr<IoBus> io_bus;
    std::unique_ptr<Psg> psg;
    std::unique_ptr<Vdp> vdp;
    std::unique_ptr<Z80Cpu> cpu;
    std::unique_ptr<Ctc> ctc;
    std::unique_ptr<SystemPort> system_port;
    std::unique_ptr<KeyMatrix> key_matrix;
    std::unique_ptr<MemoryMap> memory_map;
    std::unique_ptr<NullComponent> null_component;

    Component* first_component = nullptr;
    Component* last_component = nullptr;

private:
    void reset_all_components();
    LifecycleObserver* observer;
};

}  // namespace m5
