// The C interface of the embeddable core: one Host on a headless platform
// per handle, driven exactly as m5run drives it, so the same calls give the
// same pictures, sound and states byte for byte. Every entry point checks its
// arguments, turns an exception (only running out of memory can throw) into
// an error code, and leaves a reason in the handle.
#include "m5emu/m5emu.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cpu/z80_cpu.h"
#include "devices/tape_deck.h"
#include "devices/vdp.h"
#include "host/headless_platform.h"
#include "host/host.h"
#include "host/key_names.h"
#include "host/media_rules.h"
#include "host/png_writer.h"
#include "host/settings.h"
#include "host/state_file.h"
#include "m5/machine.h"
#include "memory/memory_expansion.h"
#include "memory/memory_map.h"

namespace {

using namespace m5;

constexpr int32_t DEFAULT_RATE_HZ = 48000;
constexpr int32_t MIN_RATE_HZ = 8000;
constexpr int32_t MAX_RATE_HZ = 192000;
constexpr int32_t MAX_BLOCK_SAMPLES = 65536;
static_assert(M5EMU_PASTE_MAX == PASTE_MAX_BYTES);

// A recording handed out through the caller's callback. It cannot be read
// back, so a state saved while it ran does not resume it. While the
// callback runs, `inside` counts up, and the handle refuses the calls that
// would change what is in use.
class CallbackRecording final : public TapeRecording {
public:
    CallbackRecording(m5emu_tape_write_fn write_fn, void* user_data, int32_t& inside_count)
        : write_(write_fn), user_(user_data), inside_(inside_count) {}
    void write(uint64_t offset, const uint8_t* data, size_t count) override {
        ++inside_;
        const int result = write_(user_, offset, data, count);
        --inside_;
        if (result != 0 && failure_ == 0) failure_ = EIO;
        length_ = std::max(length_, offset + count);
    }
    size_t read(uint64_t, uint8_t*, size_t) override { return 0; }
    uint64_t size() const override { return length_; }
    bool truncate(uint64_t) override { return false; }
    int32_t finish() override { return failure_; }

private:
    m5emu_tape_write_fn write_;
    void* user_;
    int32_t& inside_;
    uint64_t length_ = 0;
    int32_t failure_ = 0;
};

}  // namespace

// The sound: the host hands each frame's samples, as the machine made them,
// to `made`; a frame hands over every whole block there is (or, with
// blocks of 0, all of it) as `sound`, and the rest waits for the next.
struct m5emu {
    explicit m5emu(const MachineConfig& config) : platform("", std::nullopt) {
        settings.default_settings();
        host = std::make_unique<Host>(platform, settings, config);
        platform.played = &made;
        // With no program directory the host starts on the free boot ROM.
        host->sound_by_frame(DEFAULT_RATE_HZ);
    }
    ~m5emu() { host.reset(); }

    // Moves the whole blocks made so far to `sound`.
    void hand_over_sound() {
        const size_t whole = block_samples == 0 ? made.size() : made.size() / block_samples * block_samples;
        sound.assign(made.begin(), made.begin() + static_cast<std::ptrdiff_t>(whole));
        made.erase(made.begin(), made.begin() + static_cast<std::ptrdiff_t>(whole));
    }

    // True when the memory fitted maps the address space in pages of
    // different memories (the 64KBF), so that no one block holds it as the
    // processor reads it.
    bool banked() const { return host->machine().memory_expansion->modes() != nullptr; }
    // The address space as the processor reads it: the board's memory, or
    // on a banked machine a copy made now.
    const uint8_t* address_space() const {
        Machine& machine = host->machine();
        if (!banked()) return machine.memory_map->board_memory();
        machine.memory_map->copy_out(0, space_copy.data(), space_copy.size());
        space_copy_given = true;
        return space_copy.data();
    }
    // After each call that may change memory: the copy handed out follows.
    void follow_address_space() {
        if (space_copy_given && banked()) host->machine().memory_map->copy_out(0, space_copy.data(), space_copy.size());
    }

    Settings settings;
    HeadlessPlatform platform;
    std::unique_ptr<Host> host;
    int32_t sample_rate = DEFAULT_RATE_HZ;
    size_t block_samples = 0;    // 0: each frame's samples as they come
    std::vector<int16_t> made;   // made and not yet handed over
    std::vector<int16_t> sound;  // handed over by the last frame
    int32_t inside_callback = 0;
    mutable std::vector<uint8_t> space_copy = std::vector<uint8_t>(ADDRESS_SPACE_SIZE, 0xFF);
    mutable bool space_copy_given = false;
    mutable std::string error;  // also set by the inspection calls, which change nothing else
};

namespace {

std::string creation_error;

int fail(const m5emu* m5, int code, const std::string& why) {
    if (m5 != nullptr) m5->error = why;
    return code;
}

// Runs `body` with the handle checked and the error cleared; an allocation
// that fails becomes M5EMU_ERROR_MEMORY with the machine as it was left.
template <class Body>
int guarded(m5emu* m5, Body body) {
    if (m5 == nullptr) return M5EMU_ERROR_ARGUMENT;
    if (m5->inside_callback != 0) {
        return fail(m5, M5EMU_ERROR_ORDER, "not allowed from inside the tape recording callback");
    }
    m5->error.clear();
    try {
        const int result = body();
        m5->follow_address_space();
        return result;
    } catch (const std::bad_alloc&) {
        return fail(m5, M5EMU_ERROR_MEMORY, "out of memory");
    } catch (...) {
        return fail(m5, M5EMU_ERROR_MEMORY, "unexpected failure");
    }
}

bool is_riff(const uint8_t* data, size_t size) { return size >= 4 && std::memcmp(data, "RIFF", 4) == 0; }

// "the cartridge is empty": the rule's answer about a file of that kind.
std::string about(FileKind kind, const std::string& answer) {
    return std::string("the ") + file_kind_name(kind) + " " + answer;
}

// The result of a check: M5EMU_OK with its remark in the handle, or
// `refused` with the reason.
int checked(const m5emu* m5, FileKind kind, const FileCheck& check, int refused) {
    if (!check.taken()) return fail(m5, refused, about(kind, check.refusal));
    if (!check.note.empty()) m5->error = about(kind, check.note);
    return M5EMU_OK;
}

// The machine an m5emu_machine names; false for values that are none.
bool machine_config(const m5emu_machine* machine, MachineConfig& config, std::string& error) {
    config = MachineConfig{};
    if (machine == nullptr) return true;
    if (machine->model < 0 || machine->model >= M5_MODEL_COUNT) {
        error = "no model " + std::to_string(machine->model) + " (M5EMU_MODEL_NTSC or M5EMU_MODEL_PAL)";
        return false;
    }
    if (machine->memory < 0 || machine->memory >= MEMORY_FIT_COUNT) {
        error = "no memory " + std::to_string(machine->memory) + " (M5EMU_MEMORY_4K to M5EMU_MEMORY_64KBF_2C)";
        return false;
    }
    config = {static_cast<M5Model>(machine->model), static_cast<MemoryFit>(machine->memory)};
    return true;
}

bool tape_format(int format, const uint8_t* data, size_t size, TapeFormat& out) {
    if (format != M5EMU_TAPE_AUTO && format != M5EMU_TAPE_CAS && format != M5EMU_TAPE_WAV) return false;
    const bool wav = format == M5EMU_TAPE_WAV || (format == M5EMU_TAPE_AUTO && is_riff(data, size));
    out = wav ? TapeFormat::WAV : TapeFormat::CAS;
    return true;
}

}  // namespace

extern "C" {

unsigned m5emu_api_version(void) { return M5EMU_API_VERSION; }

const char* m5emu_version(void) { return emulator_version(); }

const char* m5emu_last_error(const m5emu* m5) { return m5 != nullptr ? m5->error.c_str() : creation_error.c_str(); }

m5emu* m5emu_create(void) { return m5emu_create_machine(nullptr); }

m5emu* m5emu_create_machine(const m5emu_machine* machine) {
    try {
        creation_error.clear();
        MachineConfig config;
        if (!machine_config(machine, config, creation_error)) return nullptr;
        return new m5emu(config);
    } catch (...) {
        creation_error = "out of memory";
        return nullptr;
    }
}

int m5emu_get_machine(const m5emu* m5, m5emu_machine* out) {
    if (m5 == nullptr) return M5EMU_ERROR_ARGUMENT;
    if (out == nullptr) return fail(m5, M5EMU_ERROR_ARGUMENT, "no place for the machine");
    const MachineConfig& config = m5->host->machine().config();
    *out = m5emu_machine{static_cast<int>(config.model), static_cast<int>(config.memory)};
    return M5EMU_OK;
}

int m5emu_set_machine(m5emu* m5, const m5emu_machine* machine) {
    return guarded(m5, [&]() -> int {
        MachineConfig config;
        std::string error;
        if (machine == nullptr) return fail(m5, M5EMU_ERROR_ARGUMENT, "no machine given");
        if (!machine_config(machine, config, error)) return fail(m5, M5EMU_ERROR_ARGUMENT, error);
        if (config == m5->host->machine().config()) return M5EMU_OK;
        // The samples still waiting are handed over as the new machine's
        // frames run.
        m5->host->set_machine(config);
        m5->sound.clear();
        return M5EMU_OK;
    });
}

void m5emu_destroy(m5emu* m5) {
    // From inside a callback the handle is in use: the call does nothing.
    if (m5 != nullptr && m5->inside_callback != 0) return;
    // A recording ends while the handle is whole: its callback may still
    // inspect the machine.
    if (m5 != nullptr) m5emu_stop_tape(m5);
    delete m5;
}

int m5emu_set_ipl(m5emu* m5, const uint8_t* data, size_t size) {
    return guarded(m5, [&]() -> int {
        if (data == nullptr || size == 0) return fail(m5, M5EMU_ERROR_MEDIA, "the IPL ROM image is empty");
        m5->host->set_ipl(data, size);
        return M5EMU_OK;
    });
}

int m5emu_use_free_boot_rom(m5emu* m5) {
    return guarded(m5, [&]() -> int {
        m5->host->use_free_boot_rom();
        return M5EMU_OK;
    });
}

int m5emu_set_boot_hint(m5emu* m5, const char* hint) {
    return guarded(m5, [&]() -> int {
        if (hint == nullptr) return fail(m5, M5EMU_ERROR_ARGUMENT, "no hint");
        std::string error;
        if (!m5->host->set_boot_hint(hint, error)) return fail(m5, M5EMU_ERROR_ARGUMENT, error);
        return M5EMU_OK;
    });
}

int m5emu_insert_cartridge(m5emu* m5, const uint8_t* data, size_t size) {
    return guarded(m5, [&]() -> int {
        if (data == nullptr) size = 0;  // no bytes: an empty image
        return checked(m5, FileKind::CARTRIDGE, m5->host->open_cartridge(data, size), M5EMU_ERROR_MEDIA);
    });
}

int m5emu_check_cartridge(m5emu* m5, const uint8_t* data, size_t size) {
    return guarded(m5, [&]() -> int {
        if (data == nullptr) size = 0;  // no bytes: an empty image
        return checked(m5, FileKind::CARTRIDGE, check_cartridge(data, size), M5EMU_ERROR_MEDIA);
    });
}

int m5emu_remove_cartridge(m5emu* m5) {
    return guarded(m5, [&]() -> int {
        m5->host->close_cartridge();
        return M5EMU_OK;
    });
}

int m5emu_reset(m5emu* m5) {
    return guarded(m5, [&]() -> int {
        m5->host->reset();
        return M5EMU_OK;
    });
}

int m5emu_play_tape(m5emu* m5, const uint8_t* data, size_t size, int format) {
    return guarded(m5, [&]() -> int {
        if (data == nullptr) size = 0;  // no bytes: an empty image
        TapeFormat kind = TapeFormat::CAS;
        if (!tape_format(format, data, size, kind)) return fail(m5, M5EMU_ERROR_ARGUMENT, "unknown tape format");
        const FileCheck check =
            m5->host->tape_play(std::make_unique<MemoryTapeImage>(std::vector<uint8_t>(data, data + size)), kind);
        return checked(m5, FileKind::TAPE, check, M5EMU_ERROR_MEDIA);
    });
}

int m5emu_check_tape(m5emu* m5, const uint8_t* data, size_t size, int format) {
    return guarded(m5, [&]() -> int {
        if (data == nullptr) size = 0;  // no bytes: an empty image
        TapeFormat kind = TapeFormat::CAS;
        if (!tape_format(format, data, size, kind)) return fail(m5, M5EMU_ERROR_ARGUMENT, "unknown tape format");
        MemoryTapeImage image(std::vector<uint8_t>(data, data + size));
        return checked(m5, FileKind::TAPE, check_tape(image, kind), M5EMU_ERROR_MEDIA);
    });
}

int m5emu_record_tape(m5emu* m5, int format, m5emu_tape_write_fn write, void* user) {
    return guarded(m5, [&]() -> int {
        if (write == nullptr) return fail(m5, M5EMU_ERROR_ARGUMENT, "no function to write the recording");
        if (format != M5EMU_TAPE_CAS && format != M5EMU_TAPE_WAV) {
            return fail(m5, M5EMU_ERROR_ARGUMENT, "a recording is CAS or WAV");
        }
        m5->host->tape_record(std::make_unique<CallbackRecording>(write, user, m5->inside_callback),
                              format == M5EMU_TAPE_WAV ? TapeFormat::WAV : TapeFormat::CAS);
        return M5EMU_OK;
    });
}

int m5emu_stop_tape(m5emu* m5) {
    return guarded(m5, [&]() -> int {
        const bool was_recording = m5->host->machine().tape_deck->recording != 0;
        m5->host->tape_close();
        if (was_recording && m5->host->tape_record_error() != 0) {
            return fail(m5, M5EMU_ERROR_MEDIA, "the tape recording could not be written whole");
        }
        return M5EMU_OK;
    });
}

int m5emu_run_frame(m5emu* m5) {
    return guarded(m5, [&]() -> int {
        m5->sound.clear();
        m5->host->emulate_frame();
        m5->hand_over_sound();
        return M5EMU_OK;
    });
}

int m5emu_run_frames(m5emu* m5, int count) {
    if (m5 != nullptr && count < 0) return fail(m5, M5EMU_ERROR_ARGUMENT, "a negative number of frames");
    return guarded(m5, [&]() -> int {
        for (int i = 0; i < count; ++i) {
            m5->sound.clear();
            if (i == count - 1)
                m5->host->emulate_frame();
            else
                m5->host->emulate_unseen_frame();
            m5->hand_over_sound();
        }
        return M5EMU_OK;
    });
}

int m5emu_get_video_standard(const m5emu* m5, m5emu_video_standard* out) {
    if (m5 == nullptr) return M5EMU_ERROR_ARGUMENT;
    if (out == nullptr) return fail(m5, M5EMU_ERROR_ARGUMENT, "no place for the video standard");
    const VideoStandard& standard = m5->host->machine().video_standard();
    *out = m5emu_video_standard{standard.name,
                                video_chip_name(standard.video_chip),
                                static_cast<uint32_t>(standard.frames_per_second),
                                static_cast<uint32_t>(standard.lines_per_frame),
                                static_cast<uint32_t>(standard.frame_interrupt_line),
                                static_cast<uint32_t>(MACHINE_CLOCK_HZ),
                                static_cast<uint32_t>(standard.clocks_per_frame())};
    m5->error.clear();
    return M5EMU_OK;
}

uint64_t m5emu_frame_count(const m5emu* m5) { return m5 != nullptr ? m5->host->frames_run() : 0; }

int m5emu_set_speed(m5emu* m5, int multiplier) {
    return guarded(m5, [&]() -> int {
        int32_t index = 0;
        while (index < 5 && (1 << index) != multiplier) ++index;
        if (index == 5) return fail(m5, M5EMU_ERROR_ARGUMENT, "the speed is 1, 2, 4, 8 or 16");
        m5->settings.cpu_speed = index;
        m5->host->apply_settings();
        return M5EMU_OK;
    });
}

int m5emu_set_sprite_limit(m5emu* m5, int on) {
    return guarded(m5, [&]() -> int {
        m5->host->set_sprite_limit(on != 0);
        return M5EMU_OK;
    });
}

int m5emu_picture(m5emu* m5, void* out, size_t size, int format) {
    return guarded(m5, [&]() -> int {
        if (out == nullptr || size < static_cast<size_t>(M5EMU_PIXELS) * 4) {
            return fail(m5, M5EMU_ERROR_ARGUMENT, "the picture needs 256 x 192 x 4 bytes");
        }
        if (format != M5EMU_PIXEL_XRGB8888 && format != M5EMU_PIXEL_RGBA8888) {
            return fail(m5, M5EMU_ERROR_ARGUMENT, "unknown pixel format");
        }
        // Straight from the video chip's colour numbers through its 16
        // colours widened once: one pass over the pixels. (The host's RGB565
        // surface, which the other front ends show, widens to the same bytes.)
        const Vdp& vdp = *m5->host->machine().vdp;
        uint8_t widened[16][4] = {};
        for (size_t c = 0; c < 16; ++c) {
            const uint32_t colour = vdp.colours()[c];
            const uint8_t r = widen5((colour >> 11) & 0x1F), g = widen6((colour >> 5) & 0x3F),
                          b = widen5(colour & 0x1F);
            if (format == M5EMU_PIXEL_RGBA8888) {
                widened[c][0] = r, widened[c][1] = g, widened[c][2] = b, widened[c][3] = 0xFF;
            } else {
                const uint32_t xrgb = 0xFF000000u | uint32_t{r} << 16 | uint32_t{g} << 8 | b;
                std::memcpy(widened[c], &xrgb, 4);
            }
        }
        static_assert(M5EMU_PIXELS == PICTURE_SIZE);
        auto* bytes = static_cast<uint8_t*>(out);
        for (size_t i = 0; i < static_cast<size_t>(M5EMU_PIXELS); ++i) {
            std::memcpy(bytes + 4 * i, widened[vdp.picture[i] & 0x0F], 4);
        }
        return M5EMU_OK;
    });
}

int m5emu_set_sound(m5emu* m5, int sample_rate_hz, int block_samples) {
    return guarded(m5, [&]() -> int {
        if (sample_rate_hz < MIN_RATE_HZ || sample_rate_hz > MAX_RATE_HZ || block_samples < 0 ||
            block_samples > MAX_BLOCK_SAMPLES) {
            return fail(m5, M5EMU_ERROR_ARGUMENT, "sound at 8000 to 192000 Hz, blocks of 0 to 65536 samples");
        }
        // Samples made at another rate cannot be handed over any more.
        if (sample_rate_hz != m5->sample_rate) {
            m5->made.clear();
            m5->host->sound_by_frame(sample_rate_hz);
            m5->sample_rate = sample_rate_hz;
        }
        m5->block_samples = static_cast<size_t>(block_samples);
        m5->sound.clear();
        return M5EMU_OK;
    });
}

const int16_t* m5emu_sound(m5emu* m5, size_t* count) {
    if (count != nullptr) *count = 0;
    if (m5 == nullptr || count == nullptr) return nullptr;
    *count = m5->sound.size();
    return m5->sound.data();
}

int m5emu_key(m5emu* m5, const char* name, int down) {
    return guarded(m5, [&]() -> int {
        const int32_t code = name != nullptr ? virtual_key_named(name) : 0;
        if (code == 0) return fail(m5, M5EMU_ERROR_ARGUMENT, "no M5 key has that name");
        press_virtual_key(m5->platform, *m5->host, code, down != 0);
        return M5EMU_OK;
    });
}

int m5emu_key_count(void) { return static_cast<int>(m5_keys().size()); }

const char* m5emu_key_name(int index) {
    return index >= 0 && static_cast<size_t>(index) < m5_keys().size() ? m5_keys()[static_cast<size_t>(index)].name
                                                                       : nullptr;
}

int m5emu_release_all(m5emu* m5) {
    return guarded(m5, [&]() -> int {
        m5->host->paste_stop();
        for (int32_t code = 1; code < KEY_STATE_SIZE; ++code) m5->host->key_up(code);
        m5->platform.held_sides.clear();
        for (int32_t stick = 0; stick < JOY_PORTS; ++stick) m5->host->set_gamepad_bits(stick, 0);
        return M5EMU_OK;
    });
}

int m5emu_joystick(m5emu* m5, int stick, unsigned bits) {
    return guarded(m5, [&]() -> int {
        if (stick < 0 || stick >= JOY_PORTS) return fail(m5, M5EMU_ERROR_ARGUMENT, "the joystick is 0 or 1");
        m5->host->set_gamepad_bits(stick, static_cast<uint8_t>(bits & 0x3F));
        return M5EMU_OK;
    });
}

int m5emu_paste(m5emu* m5, const char* utf8_text) {
    return guarded(m5, [&]() -> int {
        if (utf8_text == nullptr) return fail(m5, M5EMU_ERROR_ARGUMENT, "no text");
        if (*utf8_text == 0) {
            m5->host->paste_stop();
        } else if (!m5->host->paste_start(std::string(utf8_text))) {
            return fail(m5, M5EMU_ERROR_ARGUMENT,
                        "the text is too long to type: at most " + std::to_string(M5EMU_PASTE_MAX) + " characters");
        }
        return M5EMU_OK;
    });
}

int m5emu_pasting(const m5emu* m5) { return m5 != nullptr && m5->host->pasting() ? 1 : 0; }

namespace {

int save_state(m5emu* m5, uint8_t* out, size_t* size, bool with_thumbnail) {
    return guarded(m5, [&]() -> int {
        if (size == nullptr) return fail(m5, M5EMU_ERROR_ARGUMENT, "no size");
        const std::vector<uint8_t> state = m5->host->save_state(with_thumbnail);
        if (out == nullptr) {
            *size = state.size();
            return M5EMU_OK;
        }
        if (*size < state.size()) {
            *size = state.size();
            return fail(m5, M5EMU_ERROR_ARGUMENT, "the buffer is too small for the state");
        }
        std::memcpy(out, state.data(), state.size());
        *size = state.size();
        return M5EMU_OK;
    });
}

}  // namespace

int m5emu_save_state(m5emu* m5, uint8_t* out, size_t* size) { return save_state(m5, out, size, true); }

int m5emu_save_state_quick(m5emu* m5, uint8_t* out, size_t* size) { return save_state(m5, out, size, false); }

int m5emu_load_state(m5emu* m5, const uint8_t* data, size_t size) {
    return guarded(m5, [&]() -> int {
        if (data == nullptr) size = 0;  // no bytes: an empty state
        const FileCheck check = check_state(data, size);
        if (!check.taken()) return checked(m5, FileKind::STATE, check, M5EMU_ERROR_STATE);
        std::string error;
        if (!m5->host->load_state(std::vector<uint8_t>(data, data + size), error)) {
            return fail(m5, M5EMU_ERROR_STATE, error);
        }
        m5->sound.clear();
        m5->error = m5->host->state_note();
        return M5EMU_OK;
    });
}

int m5emu_read_memory(const m5emu* m5, uint16_t address, uint8_t* out, size_t size) {
    if (m5 == nullptr) return M5EMU_ERROR_ARGUMENT;
    if ((out == nullptr && size != 0) || size > ADDRESS_SPACE_SIZE) {
        return fail(m5, M5EMU_ERROR_ARGUMENT, "memory is read into a buffer of at most 64 KiB");
    }
    if (size != 0) m5->host->machine().memory_map->copy_out(address, out, size);
    m5->error.clear();
    return M5EMU_OK;
}

int m5emu_write_memory(m5emu* m5, uint16_t address, const uint8_t* data, size_t size) {
    return guarded(m5, [&]() -> int {
        MemoryMap& memory = *m5->host->machine().memory_map;
        const auto all_ram = [&] {
            for (size_t i = 0; i < size; ++i) {
                if (!memory.is_ram(address + static_cast<int32_t>(i))) return false;
            }
            return true;
        };
        if ((data == nullptr && size != 0) || size > static_cast<size_t>(ADDRESS_SPACE_SIZE - address) || !all_ram()) {
            return fail(m5, M5EMU_ERROR_ARGUMENT, "only RAM (0x7000 to 0xFFFF) can be written");
        }
        for (size_t i = 0; i < size; ++i) memory.poke(address + static_cast<int32_t>(i), data[i]);
        return M5EMU_OK;
    });
}

uint8_t* m5emu_ram(m5emu* m5) {
    if (m5 == nullptr) return nullptr;
    Machine& machine = m5->host->machine();
    return m5->banked() ? machine.memory_expansion->module_ram() : machine.memory_map->ram();
}

int m5emu_ram_extent(const m5emu* m5, uint32_t* start, size_t* size) {
    if (m5 == nullptr) return M5EMU_ERROR_ARGUMENT;
    if (start == nullptr || size == nullptr) return fail(m5, M5EMU_ERROR_ARGUMENT, "no place for the extent");
    const MemoryFit fit = m5->host->machine().config().memory;
    *start = fit == MemoryFit::KBF_2B || fit == MemoryFit::KBF_2C ? 0 : RAM_START;
    *size = fit == MemoryFit::RAM_4K                               ? MEMORY_PAGE_SIZE
            : fit == MemoryFit::KBF_2B || fit == MemoryFit::KBF_2C ? ADDRESS_SPACE_SIZE
                                                                   : RAM_SIZE;
    m5->error.clear();
    return M5EMU_OK;
}

const uint8_t* m5emu_address_space(const m5emu* m5) { return m5 != nullptr ? m5->address_space() : nullptr; }

int m5emu_read_vram(const m5emu* m5, uint16_t address, uint8_t* out, size_t size) {
    if (m5 == nullptr) return M5EMU_ERROR_ARGUMENT;
    if ((out == nullptr && size != 0) || address >= VRAM_SIZE || size > static_cast<size_t>(VRAM_SIZE - address)) {
        return fail(m5, M5EMU_ERROR_ARGUMENT, "video memory is 0x0000 to 0x3FFF");
    }
    if (size != 0) std::memcpy(out, m5->host->machine().vdp->vram.data() + address, size);
    m5->error.clear();
    return M5EMU_OK;
}

int m5emu_write_vram(m5emu* m5, uint16_t address, const uint8_t* data, size_t size) {
    return guarded(m5, [&]() -> int {
        if ((data == nullptr && size != 0) || address >= VRAM_SIZE || size > static_cast<size_t>(VRAM_SIZE - address)) {
            return fail(m5, M5EMU_ERROR_ARGUMENT, "video memory is 0x0000 to 0x3FFF");
        }
        if (size != 0) std::memcpy(m5->host->machine().vdp->vram.data() + address, data, size);
        return M5EMU_OK;
    });
}

int m5emu_registers(const m5emu* m5, m5emu_z80_registers* out) {
    if (m5 == nullptr) return M5EMU_ERROR_ARGUMENT;
    if (out == nullptr) return fail(m5, M5EMU_ERROR_ARGUMENT, "no place for the registers");
    const Z80Cpu& cpu = *m5->host->machine().cpu;
    *out = m5emu_z80_registers{cpu.af.w,     cpu.bc.w,     cpu.de.w, cpu.hl.w, cpu.af_alt.w, cpu.bc_alt.w,
                               cpu.de_alt.w, cpu.hl_alt.w, cpu.ix.w, cpu.iy.w, cpu.sp,       cpu.pc,
                               cpu.i,        cpu.r,        cpu.iff1, cpu.iff2, cpu.im,       cpu.halted};
    m5->error.clear();
    return M5EMU_OK;
}

}  // extern "C"
