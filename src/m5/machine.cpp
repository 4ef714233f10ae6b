#include "m5/machine.h"

#include <iterator>
#include <type_traits>

#include "cpu/z80_cpu.h"
#include "devices/ctc.h"
#include "devices/key_matrix.h"
#include "devices/psg.h"
#include "devices/system_port.h"
#include "devices/tape_deck.h"
#include "devices/vdp.h"
#include "machine/scheduler.h"
#include "machine/state_io.h"
#include "memory/io_bus.h"
#include "memory/memory_expansion.h"
#include "memory/memory_map.h"

namespace m5 {

namespace {

struct ComponentEntry {
    uint32_t tag;
    const char* name;
};

constexpr ComponentEntry COMPONENTS[] = {
#define M5_COMPONENT_ENTRY(id, type, member, tag, name) {state_tag(tag), name},
    M5_MACHINE_COMPONENTS(M5_COMPONENT_ENTRY)
#undef M5_COMPONENT_ENTRY
};
static_assert(std::size(COMPONENTS) == COMPONENT_COUNT);

}  // namespace

uint32_t component_state_tag(ComponentId id) { return id >= 0 && id < COMPONENT_COUNT ? COMPONENTS[id].tag : 0; }

const char* component_name(ComponentId id) { return id >= 0 && id < COMPONENT_COUNT ? COMPONENTS[id].name : nullptr; }

template <typename T>
std::unique_ptr<T> Machine::build() {
    // Unmapped ports go to the machine's null component, built first.
    if constexpr (std::is_same_v<T, IoBus>)
        return std::make_unique<IoBus>(this, host, null_component.get());
    else
        return std::make_unique<T>(this, host);
}

Machine::Machine(MachineHost* host_services, const MachineConfig& config, LifecycleObserver* lifecycle_observer,
                 MachineExtensions extra)
    : host(host_services), built_as(config), observer(lifecycle_observer), extensions(extra) {
    // Construction order fixes the ids (see M5_MACHINE_COMPONENTS).
#define M5_BUILD_COMPONENT(id, type, member, tag, name) member = build<type>();
    M5_MACHINE_COMPONENTS(M5_BUILD_COMPONENT)
#undef M5_BUILD_COMPONENT
    for (const ComponentExtension& extension : extensions) extension_components.push_back(extension.build(this, host));
    serve_time_from(scheduler.get());
    scheduler->standard = video_standard_of(built_as.model);
    scheduler->init();  // first, so that the others' init can register listeners

    // Wiring.
    scheduler->add_cpu(cpu.get());
    scheduler->add_sound_source(psg.get());
    tape_deck->outputs.add_link(system_port.get(), 0, 1);  // playback level -> cassette input
    vdp->int_output.add_link(ctc.get(), 3, 1);             // frame interrupt -> trigger of channel 3
    system_port->target = tape_deck.get();
    system_port->out_signal = 0;
    system_port->motor_signal = 1;
    cpu->memory = memory_map.get();
    // The processor reads and writes the map's pages directly.
    static_assert(MEMORY_PAGE_SIZE == Z80_PAGE_SIZE && PAGE_COUNT == Z80_PAGE_COUNT);
    cpu->read_pages = memory_map->processor_read_pages();
    cpu->write_pages = memory_map->processor_write_pages();
    cpu->io = io_bus.get();
    cpu->int_chain = ctc.get();
    ctc->cpu = cpu.get();
    ctc->irq_line = 0;
    memory_expansion->fit = built_as.memory;
    memory_expansion->memory = memory_map.get();

    // Port map: every mapped port passes on its own number.
    for (int32_t port = 0x00; port <= 0x03; ++port) {
        io_bus->map_port_write(port, ctc.get(), port);
        io_bus->map_port_read(port, ctc.get(), port);
    }
    for (int32_t port = 0x10; port <= 0x11; ++port) {
        io_bus->map_port_write(port, vdp.get(), port);
        io_bus->map_port_read(port, vdp.get(), port);
    }
    io_bus->map_port_write(0x20, psg.get(), 0x20);
    for (int32_t port = 0x30; port <= 0x37; ++port) io_bus->map_port_read(port, key_matrix.get(), port);
    io_bus->map_port_write(0x40, system_port.get(), 0x40);
    io_bus->map_port_write(0x50, system_port.get(), 0x50);
    io_bus->map_port_read(0x50, system_port.get(), 0x50);
    if (memory_expansion->modes() != nullptr) io_bus->map_port_write(KBF_PORT, memory_expansion.get(), KBF_PORT);

    for (size_t i = 0; i < extensions.size(); ++i) {
        if (extensions[i].wire != nullptr) extensions[i].wire(*this, *extension_components[i]);
    }

    if (observer != nullptr) observer->initialised(*scheduler);
    for (Component* c = first_component; c != nullptr; c = c->next) {
        if (c->id == SCHEDULER_ID) continue;
        c->init();
        if (observer != nullptr) observer->initialised(*c);
    }
    for (Component* c = first_component; c != nullptr; c = c->next) {
        if (c->id == SCHEDULER_ID) continue;
        c->reset();
        if (observer != nullptr) observer->was_reset(*c);
    }
}

Machine::~Machine() = default;

void Machine::release_all() {
    for (Component* c = first_component; c != nullptr; c = c->next) c->release();
}

void Machine::reset_all_components() {
    for (Component* c = first_component; c != nullptr; c = c->next) {
        c->reset();
        if (observer != nullptr) observer->was_reset(*c);
    }
}

void Machine::reset() { reset_all_components(); }

void Machine::take_memory_of(Machine& previous) {
    memory_map->swap_memory(*previous.memory_map);
    memory_expansion->swap_memory(*previous.memory_expansion);
    memory_map->init();
    memory_expansion->init();
    memory_expansion->reset();
}
void Machine::run_frame() { scheduler->run_frame(); }
void Machine::render_screen() { vdp->present(); }

void Machine::setup_audio(int32_t sample_rate, int32_t block_length) {
    scheduler->setup_audio(sample_rate, block_length);
    psg->set_sample_rate(sample_rate, PSG_CLOCK_HZ, PSG_FULL_VOLUME);
}

const int16_t* Machine::take_audio(int32_t count, uint8_t finish) { return scheduler->mix_samples(count, finish); }

const int16_t* Machine::take_mixed_audio(int32_t& count) { return scheduler->take_mixed(count); }

void Machine::load_ipl(const uint8_t* data, size_t size) {
    memory_map->load_ipl(data, size);
    reset_all_components();
}

void Machine::open_cartridge(const uint8_t* data, size_t size) {
    memory_map->load_cartridge(data, size);
    reset_all_components();
}

void Machine::close_cartridge() {
    memory_map->unload_cartridge();
    reset_all_components();
}

void Machine::tape_play(std::unique_ptr<TapeImage> tape, TapeFormat format) {
    tape_deck->tape_play(std::move(tape), format);
}
void Machine::tape_record(std::unique_ptr<TapeRecording> tape, TapeFormat format) {
    tape_deck->tape_record(std::move(tape), format);
}
void Machine::tape_close() { tape_deck->tape_close(); }
uint8_t Machine::tape_status() { return tape_deck->tape_status(); }

void Machine::apply_config() {
    for (Component* c = first_component; c != nullptr; c = c->next) c->apply_config();
}

ComponentId Machine::component_count() const { return COMPONENT_COUNT + static_cast<ComponentId>(extensions.size()); }

uint32_t Machine::state_tag_of(ComponentId id) const {
    if (id >= COMPONENT_COUNT && id < component_count())
        return extensions[static_cast<size_t>(id - COMPONENT_COUNT)].tag;
    return component_state_tag(id);
}

const char* Machine::name_of(ComponentId id) const {
    if (id >= COMPONENT_COUNT && id < component_count())
        return extensions[static_cast<size_t>(id - COMPONENT_COUNT)].name;
    return component_name(id);
}

void Machine::save_state(StateWriter& out) {
    out.begin_chunk(COMPONENT_LIST_TAG);
    out.u32(static_cast<uint32_t>(component_count()));
    for (Component* c = first_component; c != nullptr; c = c->next) out.u32(state_tag_of(c->id));
    out.end_chunk();
    for (Component* c = first_component; c != nullptr; c = c->next) {
        out.begin_chunk(state_tag_of(c->id));
        c->save_state(out);
        out.end_chunk();
    }
}

namespace {

// The components of the machines that saved states of format 1 and 2, which
// do not list them.
constexpr uint32_t UNLISTED_STATE_TAGS[] = {state_tag("NULL"), state_tag("SCHD"), state_tag("TAPE"), state_tag("IOBS"),
                                            state_tag("PSG "), state_tag("VDP "), state_tag("Z80 "), state_tag("CTC "),
                                            state_tag("SYSP"), state_tag("KEYS"), state_tag("MMAP")};

}  // namespace

bool Machine::load_state(StateReader& in, StateFailure* failure) {
    const auto fail = [&](StateFailure::Kind kind, ComponentId id) {
        if (failure != nullptr) *failure = StateFailure{kind, id};
        return false;
    };
    const ComponentId count = component_count();
    const auto component_of_tag = [&](uint32_t tag) {
        ComponentId id = 0;
        while (id < count && state_tag_of(id) != tag) ++id;
        return id;
    };
    // The chunks by component; chunks of other tags belong to the host.
    std::vector<StateReader> bodies(static_cast<size_t>(count));
    std::vector<bool> present(static_cast<size_t>(count));
    StateReader list;
    bool listed = false;
    uint32_t tag = 0;
    StateReader body;
    while (in.next_chunk(tag, body)) {
        if (tag == COMPONENT_LIST_TAG) {
            if (listed) return fail(StateFailure::MALFORMED, -1);
            list = body;
            listed = true;
            continue;
        }
        const ComponentId id = component_of_tag(tag);
        if (id == count) continue;
        const auto at = static_cast<size_t>(id);
        if (present[at]) return fail(StateFailure::TWICE, id);
        present[at] = true;
        bodies[at] = body;
    }
    if (!in.ok()) return fail(StateFailure::MALFORMED, -1);

    // The components the state was saved with.
    std::vector<bool> saved(static_cast<size_t>(count));
    if (in.versioned_chunks) {
        if (!listed) return fail(StateFailure::MALFORMED, -1);
        StateArchive list_archive(list);
        list_archive.version(1);
        const uint32_t listed_count = list.u32();
        if (!list.ok() || listed_count > list.remaining() / 4) return fail(StateFailure::MALFORMED, -1);
        for (uint32_t i = 0; i < listed_count; ++i) {
            const ComponentId id = component_of_tag(list.u32());
            if (id == count) return fail(StateFailure::FOREIGN, -1);
            if (saved[static_cast<size_t>(id)]) return fail(StateFailure::MALFORMED, -1);
            saved[static_cast<size_t>(id)] = true;
        }
        if (!list.ok() || !list.at_end()) return fail(StateFailure::MALFORMED, -1);
    } else {
        for (const uint32_t old_tag : UNLISTED_STATE_TAGS) {
            const ComponentId id = component_of_tag(old_tag);
            if (id < count) saved[static_cast<size_t>(id)] = true;
        }
        // Later states of format 2 carry the memory expansion's chunk too.
        const auto expansion = static_cast<size_t>(MEMORY_EXPANSION_ID);
        if (present[expansion]) saved[expansion] = true;
    }

    for (Component* c = first_component; c != nullptr; c = c->next) {
        const ComponentId id = c->id;
        const auto at = static_cast<size_t>(id);
        if (!saved[at]) {
            if (present[at]) return fail(StateFailure::MALFORMED, id);
            // Newer than the state: as a reset leaves it.
            c->reset();
            continue;
        }
        if (!present[at]) return fail(StateFailure::MISSING, id);
        StateReader& fields = bodies[at];
        c->load_state(fields);
        if (fields.newer_layout) return fail(StateFailure::NEWER, id);
        if (!fields.ok() || !fields.at_end()) return fail(StateFailure::BAD_DATA, id);
    }
    // Of the M5's own parts only the counter/timer and the tape deck arm
    // events (each checks that the events it is given are its own).
    for (int32_t i = 0; i < MAX_TIMED_EVENTS; ++i) {
        const TimedEvent& e = scheduler->event(i);
        if (e.active && e.target != ctc.get() && e.target != tape_deck.get() && e.target->id < COMPONENT_COUNT) {
            return fail(StateFailure::BAD_DATA, SCHEDULER_ID);
        }
    }
    return true;
}

}  // namespace m5
