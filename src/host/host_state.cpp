// Save states of the host: the machine's chunks, the host's own chunk and the
// file around them.
#include <algorithm>

#include "devices/tape_deck.h"
#include "devices/vdp.h"
#include "host/free_boot_rom.h"
#include "host/host.h"
#include "host/png_writer.h"
#include "host/state_file.h"
#include "m5/machine.h"
#include "machine/scheduler.h"
#include "machine/state_io.h"
#include "memory/memory_map.h"

namespace m5 {

namespace {

constexpr uint32_t HOST_TAG = state_tag("HOST");
constexpr uint8_t ALL_JOY_BITS = JOY_UP | JOY_DOWN | JOY_LEFT | JOY_RIGHT | JOY_BUTTON_1 | JOY_BUTTON_2;
// The machine a state was saved on: its model and memory, a byte each.
constexpr uint32_t MACHINE_CONFIG_TAG = state_tag("MCFG");
constexpr uint64_t MAX_FRAMES = uint64_t{1} << 40;

// The free boot ROM is named by its own image whatever its boot screen's hint.
Sha256Digest ipl_digest(const MemoryMap& memory) { return ipl_identity(memory.ipl_rom()); }
Sha256Digest cartridge_digest(const MemoryMap& memory) { return sha256(memory.cartridge_rom(), CARTRIDGE_SIZE); }

// The picture at half size, each thumbnail pixel the mean of four.
std::vector<uint16_t> thumbnail_pixels(const Vdp& vdp) {
    std::vector<uint16_t> pixels(static_cast<size_t>(THUMBNAIL_WIDTH) * THUMBNAIL_HEIGHT);
    for (int32_t y = 0; y < THUMBNAIL_HEIGHT; ++y) {
        for (int32_t x = 0; x < THUMBNAIL_WIDTH; ++x) {
            uint32_t r = 0, g = 0, b = 0;
            for (int32_t k = 0; k < 4; ++k) {
                const uint16_t p = vdp.colours()[vdp.pixel(2 * x + (k & 1), 2 * y + (k >> 1))];
                r += p >> 11, g += (p >> 5) & 0x3F, b += p & 0x1F;
            }
            pixels[static_cast<size_t>(y) * THUMBNAIL_WIDTH + static_cast<size_t>(x)] =
                static_cast<uint16_t>((r / 4) << 11 | (g / 4) << 5 | (b / 4));
        }
    }
    return pixels;
}

// The host's part of a state, read and checked before anything is applied.
struct HostPart {
    uint64_t frames = 0;
    std::array<uint8_t, KEY_STATE_SIZE> keys{};
    std::array<uint8_t, JOY_PORTS> joy{};
    PasteState paste;
    bool fill_first_half = true;
};

// The host's part, described once. A load takes what input and typing can
// leave: key bytes held or counting down at most KEY_PULSE frames, joystick
// bytes of the JOY_ bits, a frame count short of some thousands of years.
void describe_host_part(StateArchive& a, HostPart& part) {
    a.version(1);
    a.field(part.frames);
    a.valid(part.frames <= MAX_FRAMES);
    a.raw(part.keys.data(), part.keys.size());
    a.raw(part.joy.data(), part.joy.size());
    if (a.loading()) {
        for (const uint8_t key : part.keys) a.valid((key & KEY_COUNTDOWN_MASK) <= KEY_PULSE);
        for (const uint8_t bits : part.joy) a.valid(bits <= ALL_JOY_BITS);
    }
    describe_paste_state(a, part.paste);
    a.field(part.fill_first_half);
}

// The chunk tagged `tag` among `chunks`, framed as `framing` frames them;
// false when there is none.
bool find_chunk(const std::vector<uint8_t>& chunks, const StateReader& framing, uint32_t tag, StateReader& in) {
    StateReader all(chunks.data(), chunks.size());
    all.versioned_chunks = framing.versioned_chunks;
    all.version = framing.version;
    uint32_t found = 0;
    while (all.next_chunk(found, in)) {
        if (found == tag) return true;
    }
    return false;
}

bool read_host_part(const std::vector<uint8_t>& chunks, StateReader& framing, HostPart& part) {
    StateReader in;
    if (!find_chunk(chunks, framing, HOST_TAG, in)) return false;
    StateArchive archive(in);
    describe_host_part(archive, part);
    return in.ok() && in.at_end();
}

// The model and memory of the machine a state was saved on; a state saved
// before they were recorded is the 60 Hz machine's with 32 KiB. False for
// values that are none.
bool read_machine_config(const std::vector<uint8_t>& chunks, const StateReader& framing, MachineConfig& config) {
    config = MachineConfig{};
    StateReader in;
    if (!find_chunk(chunks, framing, MACHINE_CONFIG_TAG, in)) return true;
    const int32_t model = in.u8();
    const int32_t memory = in.u8();
    if (!in.ok() || !in.at_end() || model >= M5_MODEL_COUNT || memory >= MEMORY_FIT_COUNT) return false;
    config = {static_cast<M5Model>(model), static_cast<MemoryFit>(memory)};
    return true;
}

std::string state_error(const Machine& machine, const StateFailure& failure) {
    const char* known = machine.name_of(failure.id);
    const std::string name = known != nullptr ? known : "its machine";
    switch (failure.kind) {
        case StateFailure::MISSING: return "the save state holds no data of " + name;
        case StateFailure::TWICE: return "the save state holds the data of " + name + " twice";
        case StateFailure::FOREIGN: return "the save state holds a part this version of the emulator does not have";
        case StateFailure::NEWER:
            return "the save state was made by a newer version of the emulator (" + name + " is laid out anew)";
        case StateFailure::BAD_DATA: return "the save state holds data " + name + " cannot take";
        case StateFailure::MALFORMED: break;
    }
    return "the save state is malformed";
}

}  // namespace

void Host::write_state_chunks(StateWriter& out) {
    out.begin_chunk(MACHINE_CONFIG_TAG);
    out.u8(static_cast<uint8_t>(emulated->config().model));
    out.u8(static_cast<uint8_t>(emulated->config().memory));
    out.end_chunk();
    emulated->save_state(out);
    HostPart part{frame_count, keys, joy, paste.state(), fill_first_half};
    out.begin_chunk(HOST_TAG);
    StateArchive archive(out);
    describe_host_part(archive, part);
    out.end_chunk();
}

std::vector<uint8_t> Host::save_state(bool with_thumbnail) {
    StateFile state;
    state.emulator_version = emulator_version();
    state.frames = frame_count;
    state.machine_time = emulated->scheduler->clock_counter;
    state.ipl = ipl_digest(*emulated->memory_map);
    state.cartridge = cartridge_digest(*emulated->memory_map);

    StateWriter out;
    write_state_chunks(out);
    state.chunks = std::move(out.data());

    if (with_thumbnail) {
        const std::vector<uint16_t> pixels = thumbnail_pixels(*emulated->vdp);
        state.thumbnail = encode_png_rgb565(pixels.data(), THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT);
    }
    return encode_state_file(state);
}

bool Host::load_state(const std::vector<uint8_t>& file, std::string& error, StateMedia media) {
    StateFile state;
    if (!decode_state_file(file, state, error)) return false;
    // Chunks of format 1 and 2 carry no layout versions; theirs are 0 and 1.
    StateReader framing;
    framing.versioned_chunks = state.format_version >= 3;
    framing.version = state.format_version == 1 ? 0 : 1;
    MachineConfig saved_on;
    if (!read_machine_config(state.chunks, framing, saved_on)) {
        error = "the save state names a machine that does not exist";
        return false;
    }
    if (saved_on != emulated->config()) {
        error = "the save state was made on " + describe_config(saved_on) + ", not on " +
                describe_config(emulated->config());
        return false;
    }
    if (state.ipl != ipl_digest(*emulated->memory_map)) {
        error = "the save state was made with a different IPL ROM";
        return false;
    }
    if (state.cartridge != cartridge_digest(*emulated->memory_map)) {
        error = "the save state was made with a different cartridge";
        return false;
    }
    HostPart part;
    if (!read_host_part(state.chunks, framing, part)) {
        error = "the save state holds no valid host data";
        return false;
    }

    // Everything is read into a machine of its own first.
    const auto reader = [&](bool staging) {
        StateReader in(state.chunks.data(), state.chunks.size());
        in.staging = staging;
        in.versioned_chunks = framing.versioned_chunks;
        in.version = framing.version;
        return in;
    };
    {
        Machine staging(nullptr, emulated->config(), nullptr, extensions);
        StateReader in = reader(true);
        StateFailure failure;
        if (!staging.load_state(in, &failure)) {
            error = state_error(staging, failure);
            return false;
        }
    }

    // The running machine reads the same bytes with the same checks, so it
    // takes them too; should it not, it is reset rather than left half
    // loaded.
    TapeDeck& deck = *emulated->tape_deck;
    deck.offered_image = std::move(media.tape);
    deck.offered_recording = std::move(media.recording);
    StateReader in = reader(false);
    StateFailure failure;
    const bool loaded = emulated->load_state(in, &failure);
    deck.offered_image.reset();
    deck.offered_recording.reset();
    if (!loaded) {
        reset();
        error = state_error(*emulated, failure) + "; the machine was reset";
        return false;
    }
    load_note = deck.load_note;
    report_tape_failure();

    frame_count = part.frames;
    keys = part.keys;
    joy = part.joy;
    paste.restore(std::move(part.paste));
    fill_first_half = part.fill_first_half;
    return true;
}

}  // namespace m5
