// Machine: the emulated Sord M5 as a whole.
//
// Builds the components of M5_MACHINE_COMPONENTS in that order (which fixes
// their ids), wires them (processor buses, port map, signal links, interrupt chain,
// scheduler lists), initialises and resets them, and is the one object the
// host talks to. The components reach it only as MachineServices
// (machine/machine_services.h): this folder sits above the chips, and
// nothing below it includes this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "devices/tape_media.h"
#include "m5/machine_config.h"
#include "machine/clock.h"
#include "machine/component.h"
#include "machine/machine_services.h"
#include "machine/state_io.h"

namespace m5 {

class Machine;
class MachineHost;

// The machine's components, one line each in construction order: the name of
// its id, its class, the Machine member that owns it, the tag of its chunk in
// a saved state and the name a failed load gives it. The ids, the enum, the
// members, the construction and the tags all come from this list. Saved
// states depend on the ids, the order and the tags: a new component goes at
// the end.
#define M5_MACHINE_COMPONENTS(X)                                                      \
    X(NULL_COMPONENT_ID, NullComponent, null_component, "NULL", "the null component") \
    X(SCHEDULER_ID, Scheduler, scheduler, "SCHD", "the scheduler")                    \
    X(TAPE_DECK_ID, TapeDeck, tape_deck, "TAPE", "the tape deck")                     \
    X(IO_BUS_ID, IoBus, io_bus, "IOBS", "the I/O bus")                                \
    X(PSG_ID, Psg, psg, "PSG ", "the sound chip")                                     \
    X(VDP_ID, Vdp, vdp, "VDP ", "the video chip")                                     \
    X(Z80_CPU_ID, Z80Cpu, cpu, "Z80 ", "the processor")                               \
    X(CTC_ID, Ctc, ctc, "CTC ", "the counter/timer")                                  \
    X(SYSTEM_PORT_ID, SystemPort, system_port, "SYSP", "the system port")             \
    X(KEY_MATRIX_ID, KeyMatrix, key_matrix, "KEYS", "the keyboard")                   \
    X(MEMORY_MAP_ID, MemoryMap, memory_map, "MMAP", "the memory map")                 \
    X(MEMORY_EXPANSION_ID, MemoryExpansion, memory_expansion, "MEXP", "the memory expansion")

#define M5_DECLARE_COMPONENT_CLASS(id, type, member, tag, name) class type;
M5_MACHINE_COMPONENTS(M5_DECLARE_COMPONENT_CLASS)
#undef M5_DECLARE_COMPONENT_CLASS

// Component ids, fixed by construction order (NULL_COMPONENT_ID = 0, ...),
// and their number.
enum : ComponentId {
#define M5_COMPONENT_ID(id, type, member, tag, name) id,
    M5_MACHINE_COMPONENTS(M5_COMPONENT_ID)
#undef M5_COMPONENT_ID
        COMPONENT_COUNT
};

// The chunk tag of component `id` in a saved state.
uint32_t component_state_tag(ComponentId id);
// The name of component `id` in messages ("the video chip"); null for an id
// the machine does not have.
const char* component_name(ComponentId id);

// Why a state did not load, and the component at fault (-1 when none is).
struct StateFailure {
    enum Kind {
        MALFORMED,  // the chunks cannot be read, or the component list is
        MISSING,    // a component's chunk is missing
        TWICE,      // a component's chunk comes twice
        FOREIGN,    // a component this machine does not have
        NEWER,      // a chunk laid out as a newer build lays it out
        BAD_DATA,   // a value the component cannot take
    };
    Kind kind = MALFORMED;
    ComponentId id = -1;
};

inline constexpr int32_t PSG_CLOCK_HZ = 3'579'545;
inline constexpr int32_t PSG_FULL_VOLUME = 8000;

// A component added to a machine beyond M5_MACHINE_COMPONENTS: a device of a
// test, or a probe of a tool. Extensions are built after the machine's own
// components, in the order given (so their ids follow COMPONENT_COUNT), wired
// by `wire` once the machine's own wiring is done, then initialised, reset,
// saved and loaded with the others; `tag` names the chunk of its state.
struct ComponentExtension {
    uint32_t tag;      // state_tag("XXXX"); unlike any other component's
    const char* name;  // in messages: "the test register"
    std::unique_ptr<Component> (*build)(MachineServices* machine, MachineHost* host);
    // Ports, signal links and scheduler lists; null for none.
    void (*wire)(Machine& machine, Component& component);
};

// The `build` of a ComponentExtension for a class constructed from the
// machine and the host.
template <typename T>
std::unique_ptr<Component> build_extension(MachineServices* machine, MachineHost* host) {
    return std::make_unique<T>(machine, host);
}

using MachineExtensions = std::span<const ComponentExtension>;

// Optional observer of the machine's init and reset loops, for tests and
// debugging tools. Called after each component's operation.
class LifecycleObserver {
public:
    virtual ~LifecycleObserver() = default;
    virtual void initialised(Component& component) = 0;
    virtual void was_reset(Component& component) = 0;
};

class Machine final : public MachineServices {
public:
    // The M5 of `config`. `extensions` must outlive the machine (a static
    // list, as a rule).
    Machine(MachineHost* host, const MachineConfig& config, LifecycleObserver* observer = nullptr,
            MachineExtensions extensions = {});
    // The default M5 (60 Hz, 32 KiB).
    explicit Machine(MachineHost* host, LifecycleObserver* observer = nullptr, MachineExtensions extensions = {})
        : Machine(host, MachineConfig{}, observer, extensions) {}
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // --- Operations of the host ---------------------------------------------
    void release_all();
    void reset();
    void run_frame();
    void render_screen();
    void setup_audio(int32_t sample_rate, int32_t block_length);
    const int16_t* take_audio(int32_t count, uint8_t finish);
    // The samples mixed since the last take (Scheduler::take_mixed).
    const int16_t* take_mixed_audio(int32_t& count);
    // The IPL ROM from bytes (up to 8 KiB, 0xFF beyond), then a reset. Until
    // the host gives one, the IPL ROM reads all 0xFF.
    void load_ipl(const uint8_t* data, size_t size);
    // The cartridge from bytes (up to its 20 KiB window), then a reset.
    void open_cartridge(const uint8_t* data, size_t size);
    void close_cartridge();
    // The tape media (devices/tape_media.h); the deck owns them from here on.
    void tape_play(std::unique_ptr<TapeImage> tape, TapeFormat format);
    void tape_record(std::unique_ptr<TapeRecording> tape, TapeFormat format);
    void tape_close();
    uint8_t tape_status();
    void apply_config();
    // Takes over the memory of `previous` (a machine this one replaces,
    // which must not run again): its bytes keep their addresses, so that a
    // front end's pointers into the RAM stay good, and are cleared as at
    // power-on; `previous` gets this machine's memory in return.
    void take_memory_of(Machine& previous);

    // --- Save states ----------------------------------------------------------
    // Between frames: a chunk listing the tags of the components saved, then
    // one chunk per component, in list order, each tagged by the component
    // it belongs to (state_tag_of) and carrying its layout version.
    void save_state(StateWriter& out);
    // Reads every component's chunk, in list order whatever the order in the
    // stream, skipping chunks of unknown tags (they belong to the host). A
    // component the state was not saved with (one newer than the state) is
    // reset instead; streams of formats 1 and 2, which list nothing, were
    // saved with the first eleven components and, in
    // later ones, the memory expansion. False when a listed
    // component's chunk is missing, a chunk comes twice, the state lists a
    // component this machine lacks, or a chunk is not read to its end or
    // holds a value its component cannot take; the components are then in
    // no defined state, so a caller loads into a staging machine first and
    // into the running one only when that succeeded. `failure`, when given,
    // says why and which component failed.
    bool load_state(StateReader& in, StateFailure* failure = nullptr);
    // The tag of the chunk that lists the components of a state.
    static constexpr uint32_t COMPONENT_LIST_TAG = state_tag("MACH");

    // --- What the machine is -------------------------------------------------
    // Its model and memory, as built.
    const MachineConfig& config() const { return built_as; }

    // --- Components, the extensions included -------------------------------
    // How many components this machine has: COMPONENT_COUNT plus its
    // extensions.
    ComponentId component_count() const;
    // The chunk tag and the name of component `id` (0 and null for an id the
    // machine does not have).
    uint32_t state_tag_of(ComponentId id) const;
    const char* name_of(ComponentId id) const;

    MachineHost* const host;
    // Owned components, one member per line of M5_MACHINE_COMPONENTS
    // (null_component, scheduler, tape_deck, io_bus, psg, vdp, cpu, ctc,
    // system_port, key_matrix, memory_map, memory_expansion); the
    // constructor builds them in id order.
#define M5_COMPONENT_MEMBER(id, type, member, tag, name) std::unique_ptr<type> member;
    M5_MACHINE_COMPONENTS(M5_COMPONENT_MEMBER)
#undef M5_COMPONENT_MEMBER
    // The extensions' components, in the order given.
    std::vector<std::unique_ptr<Component>> extension_components;

private:
    // A new component of class T in this machine.
    template <typename T>
    std::unique_ptr<T> build();
    void reset_all_components();
    MachineConfig built_as;
    LifecycleObserver* observer;
    MachineExtensions extensions;
};

}  // namespace m5
