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
// The machine a state was saved on: its model and memory, a byte each.
constexpr uint32_t MACHINE_CONFIG_TAG = state_tag("MCFG");
constexpr size_t MAX_PASTE_TEXT = 1u << 24;
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

bool read_host_part(const std::vector<uint8_t>& chunks, HostPart& part) {
    StateReader all(chunks.data(), chunks.size());
    uint32_t tag = 0;
    StateReader in;
    while (all.next_chunk(tag, in)) {
        if (tag != HOST_TAG) continue;
        part.frames = in.u64();
        in.raw(part.keys.data(), part.keys.size());
        in.raw(part.joy.data(), part.joy.size());
        const std::string text = in.text(MAX_PASTE_TEXT);
        PasteState& paste = part.paste;
        paste.text.assign(text.begin(), text.end());
        paste.length = in.i32_in(0, static_cast<int32_t>(MAX_PASTE_TEXT));
        paste.position = in.i32_in(0, paste.length + 2);
        paste.step = in.i32_in(0, PASTE_LINE_FRAMES);
        paste.code = in.i32();
        paste.shift = in.flag();
        part.fill_first_half = in.flag();
        // A text in progress is its characters and a terminating 0.
        const bool text_ok =
            paste.step == 0 || (!paste.text.empty() && paste.text.size() == static_cast<size_t>(paste.length) + 1 &&
                                paste.text.back() == 0);
        // A frame count beyond some thousands of years of running is not one.
        return in.ok() && in.at_end() && text_ok && part.frames <= MAX_FRAMES;
    }
    return false;
}

// The model and memory of the machine a state was saved on; a state saved
// before they were recorded is the 60 Hz machine's with 32 KiB. False for
// values that are none.
bool read_machine_config(const std::vector<uint8_t>& chunks, MachineConfig& config) {
    StateReader all(chunks.data(), chunks.size());
    uint32_t tag = 0;
    StateReader in;
    config = MachineConfig{};
    while (all.next_chunk(tag, in)) {
        if (tag != MACHINE_CONFIG_TAG) continue;
        const int32_t model = in.u8();
        const int32_t memory = in.u8();
        if (!in.ok() || !in.at_end() || model >= M5_MODEL_COUNT || memory >= MEMORY_FIT_COUNT) return false;
        config = {static_cast<M5Model>(model), static_cast<MemoryFit>(memory)};
        return true;
    }
    return true;
}

std::string component_error(const Machine& machine, ComponentId id) {
    const char* name = machine.name_of(id);
    return "the save state holds data " + std::string(name != nullptr ? name : "its machine") + " cannot take";
}

}  // namespace

std::vector<uint8_t> Host::save_state(bool with_thumbnail) {
    StateFile state;
    state.emulator_version = emulator_version();
    state.frames = frame_count;
    state.machine_time = emulated->scheduler->clock_counter;
    state.ipl = ipl_digest(*emulated->memory_map);
    state.cartridge = cartridge_digest(*emulated->memory_map);

    StateWriter out;
    out.begin_chunk(MACHINE_CONFIG_TAG);
    out.u8(static_cast<uint8_t>(emulated->config().model));
    out.u8(static_cast<uint8_t>(emulated->config().memory));
    out.end_chunk();
    emulated->save_state(out);
    out.begin_chunk(HOST_TAG);
    out.u64(frame_count);
    out.raw(keys.data(), keys.size());
    out.raw(joy.data(), joy.size());
    const PasteState& typing = paste.state();
    out.text(std::string(typing.text.begin(), typing.text.end()));
    out.i32(typing.length);
    out.i32(typing.position);
    out.i32(typing.step);
    out.i32(typing.code);
    out.flag(typing.shift);
    out.flag(fill_first_half);
    out.end_chunk();
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
    MachineConfig saved_on;
    if (!read_machine_config(state.chunks, saved_on)) {
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
    if (!read_host_part(state.chunks, part)) {
        error = "the save state holds no valid host data";
        return false;
    }

    // Everything is read into a machine of its own first.
    const uint32_t layout = state.format_version < 2 ? 1 : STATE_LAYOUT_VERSION;
    {
        Machine staging(nullptr, emulated->config(), nullptr, extensions);
        StateReader in(state.chunks.data(), state.chunks.size());
        in.staging = true;
        in.layout_version = layout;
        ComponentId failed = 0;
        if (!staging.load_state(in, &failed)) {
            error = component_error(staging, failed);
            return false;
        }
    }

    TapeDeck& deck = *emulated->tape_deck;
    deck.offered_image = std::move(media.tape);
    deck.offered_recording = std::move(media.recording);
    StateReader in(state.chunks.data(), state.chunks.size());
    in.layout_version = layout;
    emulated->load_state(in);
    deck.offered_image.reset();
    deck.offered_recording.reset();
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
