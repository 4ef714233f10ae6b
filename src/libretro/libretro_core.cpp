// The libretro core: RetroArch (or any libretro frontend) drives the
// embeddable core's C interface. This file only translates: content and
// firmware become bytes for the machine, the RetroPads and the keyboard
// become joystick bits and key presses, and each frame's picture and sound go
// back to the frontend. Files are read here, never in the machine.
//
// Time: one retro_run is one machine frame; the frame rate is the machine's
// own (its clock over the clocks of a frame), and the sound comes at 48000 Hz,
// all a frame made handed over in one batch.
//
// Keys: each controller port is a RetroPad (a joystick) or a keyboard. Keys
// of a keyboard port are read from the frontend's input state once a frame,
// which is what RetroArch's netplay carries to every peer; without one, they
// come from the keyboard callback, and a key pressed and released between
// two frames is still held for one.
#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "libretro.h"
#include "libretro/content.h"
#include "libretro/core_options.h"
#include "libretro/retro_keys.h"
#include "m5emu/m5emu.h"

namespace {

using namespace m5::libretro;

constexpr int32_t SAMPLE_RATE_HZ = 48000;
constexpr int32_t JOYSTICKS = 2;
constexpr int16_t STICK_THRESHOLD = 0x4000;  // half way out: a direction
// The width of a pixel on the screen over its height: the rate at which
// the television's pixels are square (12 3/11 MHz on NTSC, 14.75 MHz on
// PAL) over the video chip's 5.369 MHz, halved as each line is drawn in
// both fields. 8:7 on the 60 Hz M5, 1.37 on the 50 Hz one.
constexpr double NTSC_PIXEL_ASPECT = 8.0 / 7.0;
constexpr double PAL_PIXEL_ASPECT = 14.75 / (2 * 5.3693175);
constexpr size_t MAX_IPL_BYTES = 64 * 1024;
// What the free boot ROM's demo says about IPL.ROM and cartridges here.
constexpr const char* BOOT_HINT =
    "The original *IPL.ROM* goes in\nRetroArch's *system* directory.\nLoad a cartridge as *content*.";

// A serialized state: this header, the machine's state file, zeros up to a
// constant size. The header holds the keys the core had pressed, so that a
// key held across a rewind or a run-ahead is released and pressed again as
// the keyboard stands now.
constexpr char STATE_MAGIC[4] = {'M', '5', 'L', 'R'};
constexpr size_t STATE_HEADER_BYTES = 16;  // magic, state length (u32), keys held (u64)
constexpr size_t STATE_BYTES = STATE_HEADER_BYTES + M5EMU_STATE_SIZE_MAX;

retro_environment_t environment_cb = nullptr;
retro_video_refresh_t video_cb = nullptr;
retro_audio_sample_batch_t audio_batch_cb = nullptr;
retro_input_poll_t input_poll_cb = nullptr;
retro_input_state_t input_state_cb = nullptr;
retro_log_printf_t log_cb = nullptr;

struct Tape {
    std::string path;
    ContentKind kind = ContentKind::TAPE_CAS;
    std::vector<uint8_t> bytes;
};

// The host keys that give M5 keys, each with its M5 key's index in the
// library's key table; the index of the space bar.
struct KeyTable {
    std::vector<std::pair<uint32_t, int32_t>> keys;
    int32_t space = -1;
    int32_t count = 0;
};

KeyTable make_key_table() {
    KeyTable table;
    // The keys the core holds are one bit each of a 64-bit mask.
    table.count = std::min(m5emu_key_count(), 64);
    const auto index_of = [&table](const char* name) {
        for (int32_t i = 0; i < table.count; ++i) {
            if (std::strcmp(m5emu_key_name(i), name) == 0) return i;
        }
        return -1;
    };
    for (const RetroKey& key : retro_keys()) {
        const int32_t index = index_of(key.m5_key);
        if (index >= 0) table.keys.emplace_back(key.retro_key, index);
    }
    table.space = index_of("SPACE");
    return table;
}

struct Core {
    m5emu* m5 = nullptr;
    CoreChoices choices;
    std::vector<uint8_t> user_ipl;  // the IPL ROM in use when it is the user's; empty: the free boot ROM
    KeyTable key_table;
    // The device on each controller port: a RetroPad or the keyboard.
    std::array<unsigned, JOYSTICKS> port_device{RETRO_DEVICE_JOYPAD, RETRO_DEVICE_JOYPAD};
    // Host keys held as the keyboard callback reports them, and those pressed
    // since the last frame (a short tap is held for one frame); the keys the
    // machine has been told are held.
    std::vector<bool> keyboard_held = std::vector<bool>(RETROK_LAST);
    std::vector<bool> keyboard_tapped = std::vector<bool>(RETROK_LAST);
    uint64_t keys_down = 0;
    // The tapes of the disk control interface.
    std::vector<Tape> tapes;
    unsigned tape_index = 0;
    bool tape_ejected = false;
    unsigned initial_tape_index = 0;
    std::string initial_tape_path;
    std::vector<uint32_t> picture = std::vector<uint32_t>(M5EMU_PIXELS);
    std::vector<int16_t> stereo;
    std::vector<retro_input_descriptor> descriptors;
};

Core core;

void log_line(retro_log_level level, const char* format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (log_cb != nullptr) {
        log_cb(level, "[m5emu] %s\n", text);
    } else if (level >= RETRO_LOG_WARN) {
        std::fprintf(stderr, "[m5emu] %s\n", text);
    }
}

// Shows a message on the frontend's screen for a few seconds.
void show_message(const std::string& text) {
    retro_message message{text.c_str(), 240};
    if (environment_cb != nullptr) environment_cb(RETRO_ENVIRONMENT_SET_MESSAGE, &message);
}

// Tells the user why a file is refused: "game.rom: the cartridge is empty".
void refuse(const std::string& name, const std::string& why) {
    log_line(RETRO_LOG_ERROR, "%s: %s", name.c_str(), why.c_str());
    show_message(name + ": " + why);
}

// The bytes of the file at `path`; false when it cannot be read whole or is
// longer than `max_bytes`.
bool read_file(const std::string& path, size_t max_bytes, std::vector<uint8_t>& bytes) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return false;
    const std::streamoff length = file.tellg();
    if (length < 0 || static_cast<uint64_t>(length) > max_bytes) return false;
    bytes.resize(static_cast<size_t>(length));
    file.seekg(0);
    return static_cast<bool>(file.read(reinterpret_cast<char*>(bytes.data()), length));
}

std::string system_directory() {
    const char* directory = nullptr;
    if (environment_cb == nullptr || !environment_cb(RETRO_ENVIRONMENT_GET_SYSTEM_DIRECTORY, &directory) ||
        directory == nullptr) {
        return "";
    }
    return directory;
}

// Puts the IPL ROM the firmware choice asks for in place; the machine resets
// only when it changes. False (with a message) when the user's IPL.ROM is
// asked for and missing.
bool apply_firmware() {
    std::vector<uint8_t> user;
    const std::string directory = system_directory();
    const bool found = !directory.empty() && core.choices.firmware != FirmwareChoice::FREE &&
                       read_file(directory + "/IPL.ROM", MAX_IPL_BYTES, user) && !user.empty();
    if (core.choices.firmware == FirmwareChoice::USER && !found) {
        const std::string why = "IPL.ROM is not in RetroArch's system directory (" + directory + ")";
        log_line(RETRO_LOG_ERROR, "%s", why.c_str());
        show_message(why);
        return false;
    }
    if (!found) user.clear();
    if (user == core.user_ipl) return true;
    const int result =
        user.empty() ? m5emu_use_free_boot_rom(core.m5) : m5emu_set_ipl(core.m5, user.data(), user.size());
    if (result != M5EMU_OK) {
        log_line(RETRO_LOG_ERROR, "the IPL ROM is refused: %s", m5emu_last_error(core.m5));
        return false;
    }
    core.user_ipl = std::move(user);
    log_line(RETRO_LOG_INFO, "running %s", core.user_ipl.empty() ? "the free boot ROM" : "IPL.ROM");
    return true;
}

void describe_input() {
    static constexpr const char* DIRECTIONS[] = {"Up", "Down", "Left", "Right"};
    static constexpr unsigned DIRECTION_IDS[] = {RETRO_DEVICE_ID_JOYPAD_UP, RETRO_DEVICE_ID_JOYPAD_DOWN,
                                                 RETRO_DEVICE_ID_JOYPAD_LEFT, RETRO_DEVICE_ID_JOYPAD_RIGHT};
    core.descriptors.clear();
    for (unsigned port = 0; port < JOYSTICKS; ++port) {
        for (size_t i = 0; i < 4; ++i) {
            core.descriptors.push_back({port, RETRO_DEVICE_JOYPAD, 0, DIRECTION_IDS[i], DIRECTIONS[i]});
        }
        const std::pair<int32_t, const char*> buttons[] = {{core.choices.fire1_button, "Fire 1"},
                                                           {core.choices.fire2_button, "Fire 2"},
                                                           {core.choices.space_button, "Space Bar"}};
        for (const auto& [button, name] : buttons) {
            if (button != NO_BUTTON) {
                core.descriptors.push_back({port, RETRO_DEVICE_JOYPAD, 0, static_cast<unsigned>(button), name});
            }
        }
        core.descriptors.push_back({port, RETRO_DEVICE_ANALOG, RETRO_DEVICE_INDEX_ANALOG_LEFT, RETRO_DEVICE_ID_ANALOG_X,
                                    "Joystick Left/Right"});
        core.descriptors.push_back(
            {port, RETRO_DEVICE_ANALOG, RETRO_DEVICE_INDEX_ANALOG_LEFT, RETRO_DEVICE_ID_ANALOG_Y, "Joystick Up/Down"});
    }
    core.descriptors.push_back({0, 0, 0, 0, nullptr});
    environment_cb(RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS, core.descriptors.data());
}

// Reads the options; the first time (`loading`) before any content is in.
bool apply_options(bool loading) {
    const CoreChoices previous = core.choices;
    core.choices = read_core_options(environment_cb);
    m5emu_set_speed(core.m5, core.choices.speed);
    m5emu_set_sprite_limit(core.m5, core.choices.sprite_limit ? 1 : 0);
    if (loading || previous.fire1_button != core.choices.fire1_button ||
        previous.fire2_button != core.choices.fire2_button || previous.space_button != core.choices.space_button) {
        describe_input();
    }
    if (!apply_firmware()) {
        // The machine keeps the IPL ROM it has while running.
        return !loading;
    }
    return true;
}

void key_event(bool down, unsigned keycode, uint32_t, uint16_t) {
    if (keycode >= RETROK_LAST) return;
    core.keyboard_held[keycode] = down;
    if (down) core.keyboard_tapped[keycode] = true;
}

bool pad_button_down(unsigned port, int32_t button) {
    return button != NO_BUTTON && input_state_cb(port, RETRO_DEVICE_JOYPAD, 0, static_cast<unsigned>(button)) != 0;
}

// The joysticks from the RetroPads; the keys from a keyboard port (or,
// without one, the keyboard callback) and the pads' space bar buttons,
// pressed and released as they change.
void read_input() {
    input_poll_cb();
    bool space = false;
    bool keyboard_port = false;
    uint64_t wanted = 0;
    for (unsigned port = 0; port < JOYSTICKS; ++port) {
        if (core.port_device[port] == RETRO_DEVICE_KEYBOARD) {
            keyboard_port = true;
            for (const auto& [retro_key, index] : core.key_table.keys) {
                if (input_state_cb(port, RETRO_DEVICE_KEYBOARD, 0, retro_key) != 0) wanted |= uint64_t{1} << index;
            }
            m5emu_joystick(core.m5, static_cast<int>(port), 0);
            continue;
        }
        unsigned bits = 0;
        if (core.port_device[port] == RETRO_DEVICE_NONE) {
            m5emu_joystick(core.m5, static_cast<int>(port), 0);
            continue;
        }
        const auto pad = [port](unsigned id) { return input_state_cb(port, RETRO_DEVICE_JOYPAD, 0, id) != 0; };
        const int16_t x =
            input_state_cb(port, RETRO_DEVICE_ANALOG, RETRO_DEVICE_INDEX_ANALOG_LEFT, RETRO_DEVICE_ID_ANALOG_X);
        const int16_t y =
            input_state_cb(port, RETRO_DEVICE_ANALOG, RETRO_DEVICE_INDEX_ANALOG_LEFT, RETRO_DEVICE_ID_ANALOG_Y);
        if (pad(RETRO_DEVICE_ID_JOYPAD_UP) || y <= -STICK_THRESHOLD) bits |= M5EMU_JOY_UP;
        if (pad(RETRO_DEVICE_ID_JOYPAD_DOWN) || y >= STICK_THRESHOLD) bits |= M5EMU_JOY_DOWN;
        if (pad(RETRO_DEVICE_ID_JOYPAD_LEFT) || x <= -STICK_THRESHOLD) bits |= M5EMU_JOY_LEFT;
        if (pad(RETRO_DEVICE_ID_JOYPAD_RIGHT) || x >= STICK_THRESHOLD) bits |= M5EMU_JOY_RIGHT;
        if (pad_button_down(port, core.choices.fire1_button)) bits |= M5EMU_JOY_FIRE1;
        if (pad_button_down(port, core.choices.fire2_button)) bits |= M5EMU_JOY_FIRE2;
        if (pad_button_down(port, core.choices.space_button)) space = true;
        m5emu_joystick(core.m5, static_cast<int>(port), bits);
    }
    // The callback's keys are the local keyboard only: with a keyboard on a
    // port they would reach one netplay peer and not the others.
    if (!keyboard_port) {
        for (const auto& [retro_key, index] : core.key_table.keys) {
            if (core.keyboard_held[retro_key] || core.keyboard_tapped[retro_key]) wanted |= uint64_t{1} << index;
        }
    }
    std::fill(core.keyboard_tapped.begin(), core.keyboard_tapped.end(), false);
    if (space && core.key_table.space >= 0) wanted |= uint64_t{1} << core.key_table.space;
    const uint64_t changed = wanted ^ core.keys_down;
    for (int32_t key = 0; key < core.key_table.count; ++key) {
        if ((changed >> key) & 1) m5emu_key(core.m5, m5emu_key_name(key), static_cast<int>((wanted >> key) & 1));
    }
    core.keys_down = wanted;
}

// --- Tapes as disks -----------------------------------------------------------

// Plays a tape; one the library refuses leaves the deck as it was.
bool play_tape(const Tape& tape) {
    const int format = tape.kind == ContentKind::TAPE_WAV ? M5EMU_TAPE_WAV : M5EMU_TAPE_CAS;
    if (m5emu_play_tape(core.m5, tape.bytes.data(), tape.bytes.size(), format) != M5EMU_OK) {
        refuse(tape.path.empty() ? "the content" : file_name_of(tape.path.c_str()), m5emu_last_error(core.m5));
        return false;
    }
    return true;
}

bool RETRO_CALLCONV set_eject_state(bool ejected) {
    if (core.m5 == nullptr) return false;
    if (ejected == core.tape_ejected) return true;
    if (ejected) {
        m5emu_stop_tape(core.m5);
    } else if (core.tape_index < core.tapes.size() && !core.tapes[core.tape_index].bytes.empty()) {
        if (!play_tape(core.tapes[core.tape_index])) return false;
    }
    core.tape_ejected = ejected;
    return true;
}

bool RETRO_CALLCONV get_eject_state() { return core.tape_ejected; }
unsigned RETRO_CALLCONV get_image_index() { return core.tape_index; }

bool RETRO_CALLCONV set_image_index(unsigned index) {
    if (!core.tape_ejected || index > core.tapes.size()) return false;
    core.tape_index = index;
    return true;
}

unsigned RETRO_CALLCONV get_num_images() { return static_cast<unsigned>(core.tapes.size()); }

bool RETRO_CALLCONV replace_image_index(unsigned index, const retro_game_info* info) {
    if (!core.tape_ejected || index >= core.tapes.size()) return false;
    if (info == nullptr) {
        core.tapes.erase(core.tapes.begin() + index);
        if (core.tape_index > index) --core.tape_index;
        return true;
    }
    Tape tape;
    tape.path = info->path != nullptr ? info->path : "";
    if (info->data != nullptr) {
        const auto* data = static_cast<const uint8_t*>(info->data);
        tape.bytes.assign(data, data + info->size);
    } else if (!read_file(tape.path, MAX_TAPE_BYTES, tape.bytes)) {
        log_line(RETRO_LOG_ERROR, "cannot read the tape %s", tape.path.c_str());
        return false;
    }
    const std::string name = file_name_of(info->path);
    tape.kind = content_kind(info->path, tape.bytes.data(), tape.bytes.size());
    if (tape.kind == ContentKind::CARTRIDGE) {
        refuse(name, "the cartridge is no tape (.cas or .wav)");
        return false;
    }
    // Checked now, so that the tape in the deck plays on.
    if (core.m5 == nullptr ||
        m5emu_check_tape(core.m5, tape.bytes.data(), tape.bytes.size(),
                         tape.kind == ContentKind::TAPE_WAV ? M5EMU_TAPE_WAV : M5EMU_TAPE_CAS) != M5EMU_OK) {
        refuse(name, core.m5 != nullptr ? m5emu_last_error(core.m5) : "no machine runs");
        return false;
    }
    core.tapes[index] = std::move(tape);
    return true;
}

bool RETRO_CALLCONV add_image_index() {
    core.tapes.emplace_back();
    return true;
}

bool RETRO_CALLCONV set_initial_image(unsigned index, const char* path) {
    core.initial_tape_index = index;
    core.initial_tape_path = path != nullptr ? path : "";
    return true;
}

bool copy_text(const std::string& text, char* out, size_t size) {
    if (out == nullptr || size == 0) return false;
    std::snprintf(out, size, "%s", text.c_str());
    return true;
}

// The place after the last tape stands for no tape: its path is "" (which
// is what RetroArch's record of the last disk holds for content without
// tapes).
bool RETRO_CALLCONV get_image_path(unsigned index, char* out, size_t size) {
    if (index > core.tapes.size()) return false;
    return copy_text(index < core.tapes.size() ? core.tapes[index].path : "", out, size);
}

bool RETRO_CALLCONV get_image_label(unsigned index, char* out, size_t size) {
    return index < core.tapes.size() && !core.tapes[index].path.empty() &&
           copy_text(file_name_of(core.tapes[index].path.c_str()), out, size);
}

void declare_disk_control() {
    static retro_disk_control_ext_callback ext{set_eject_state, get_eject_state,     get_image_index, set_image_index,
                                               get_num_images,  replace_image_index, add_image_index, set_initial_image,
                                               get_image_path,  get_image_label};
    if (environment_cb(RETRO_ENVIRONMENT_SET_DISK_CONTROL_EXT_INTERFACE, &ext)) return;
    static retro_disk_control_callback plain{set_eject_state, get_eject_state,     get_image_index, set_image_index,
                                             get_num_images,  replace_image_index, add_image_index};
    environment_cb(RETRO_ENVIRONMENT_SET_DISK_CONTROL_INTERFACE, &plain);
}

// --- Memory ---------------------------------------------------------------------

bool module_fitted() {
    m5emu_machine machine{M5EMU_MODEL_NTSC, M5EMU_MEMORY_32K};
    m5emu_get_machine(core.m5, &machine);
    return machine.memory == M5EMU_MEMORY_64KBF_2B || machine.memory == M5EMU_MEMORY_64KBF_2C;
}

// The system RAM for cheats, in the numbering every memory shares: its
// byte 0 is the RAM at 0x7000. The RAM of the 32 KiB machine (36 KiB), of
// the bare machine (4 KiB), or the 64KBF module's from 0x7000 to 0xFFFF
// (its RAM below 0x7000 is in the memory map only).
uint8_t* system_ram(size_t& size) {
    uint32_t start = 0;
    size = 0;
    uint8_t* ram = m5emu_ram(core.m5);
    if (ram == nullptr || m5emu_ram_extent(core.m5, &start, &size) != M5EMU_OK) return nullptr;
    const size_t skip = M5EMU_RAM_START - start;  // 0, or 0x7000 of the module's RAM
    size -= skip;
    return ram + skip;
}

// The memory for cheats and memory tools, in aligned blocks of powers of
// two, each with a pointer of its own and offset 0: RetroArch's cheats lay
// the RAM blocks end to end by pointer and length and ignore the offset, so
// the RAM from 0x7000 comes first on every machine (cheat address 0 is
// 0x7000, 0x1000 is 0x8000, 0x8FFF is 0xFFFF):
// - 32 KiB and 4 KiB: the IPL ROM and the cartridge window at their
//   addresses, then the RAM there is (0x7000-0xFFFF, or 0x7000-0x7FFF);
// - the 64KBF: the module's RAM alone, 0x7000-0xFFFF first, then
//   0x0000-0x6FFF (cheat addresses 0x9000-0xFFFF); the IPL ROM and BASIC-F,
//   which some of its modes show in place of that RAM, are left out.
// The blocks point into memory that keeps its place for the core's life, so
// a frontend that keeps the blocks it took (RetroArch before 1.16 does not
// point its cheats at a map declared again) reads and writes valid memory
// after a change of machine; the core declares the map again then.
void declare_memory_map() {
    static std::array<retro_memory_descriptor, 6> descriptors;
    size_t count = 0;
    const auto add = [&count](uint64_t flags, uint8_t* pointer, size_t start, size_t length) {
        descriptors[count++] = retro_memory_descriptor{flags, pointer, 0, start, 0, 0, length, nullptr};
    };
    size_t ram_size = 0;
    uint8_t* ram = system_ram(ram_size);
    if (module_fitted()) {
        uint8_t* module = m5emu_ram(core.m5);
        for (const auto& [start, length] : {std::pair<size_t, size_t>{0x7000, 0x1000},
                                            {0x8000, 0x8000},
                                            {0x0000, 0x4000},
                                            {0x4000, 0x2000},
                                            {0x6000, 0x1000}}) {
            add(RETRO_MEMDESC_SYSTEM_RAM, module + start, start, length);
        }
    } else {
        auto* space = const_cast<uint8_t*>(m5emu_address_space(core.m5));
        for (const auto& [start, length] :
             {std::pair<size_t, size_t>{0x0000, 0x2000}, {0x2000, 0x2000}, {0x4000, 0x2000}, {0x6000, 0x1000}}) {
            add(RETRO_MEMDESC_CONST, space + start, start, length);
        }
        add(RETRO_MEMDESC_SYSTEM_RAM, ram, 0x7000, 0x1000);
        if (ram_size > 0x1000) add(RETRO_MEMDESC_SYSTEM_RAM, ram + 0x1000, 0x8000, 0x8000);
    }
    retro_memory_map map{descriptors.data(), static_cast<unsigned>(count)};
    environment_cb(RETRO_ENVIRONMENT_SET_MEMORY_MAPS, &map);
}

// --- The machine -----------------------------------------------------------------

std::string machine_name(const m5emu_machine& machine) {
    static constexpr const char* MEMORY[] = {"4 KiB", "32 KiB", "64KBF 2B", "64KBF 2C"};
    const bool known = machine.memory >= 0 && machine.memory < 4;
    return std::string(machine.model == M5EMU_MODEL_PAL ? "the 50 Hz M5" : "the 60 Hz M5") + " with " +
           (known ? MEMORY[machine.memory] : "?");
}

// Makes the machine the options now choose, as a power cycle: the same
// IPL ROM and cartridge, the tape in the deck played again from its start.
// The frontend is told the new frame rate and picture shape when the model
// changes (RETRO_ENVIRONMENT_SET_SYSTEM_AV_INFO, which RetroArch takes from
// retro_run), and the memory map again.
void follow_machine_options() {
    m5emu_machine running{M5EMU_MODEL_NTSC, M5EMU_MEMORY_32K};
    m5emu_get_machine(core.m5, &running);
    const m5emu_machine chosen{core.choices.model, core.choices.memory};
    if (chosen.model == running.model && chosen.memory == running.memory) return;
    if (m5emu_set_machine(core.m5, &chosen) != M5EMU_OK) {
        log_line(RETRO_LOG_ERROR, "the machine cannot change: %s", m5emu_last_error(core.m5));
        return;
    }
    // The new machine holds no key: those held now are pressed again.
    core.keys_down = 0;
    if (!core.tape_ejected && core.tape_index < core.tapes.size() && !core.tapes[core.tape_index].bytes.empty()) {
        play_tape(core.tapes[core.tape_index]);
    }
    if (chosen.model != running.model) {
        retro_system_av_info av{};
        retro_get_system_av_info(&av);
        environment_cb(RETRO_ENVIRONMENT_SET_SYSTEM_AV_INFO, &av);
    }
    declare_memory_map();
    const std::string text = "Restarted as " + machine_name(chosen);
    log_line(RETRO_LOG_INFO, "%s", text.c_str());
    show_message(text);
}

bool load_content(const retro_game_info* game) {
    std::vector<uint8_t> bytes;
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (game->data != nullptr) {
        data = static_cast<const uint8_t*>(game->data);
        size = game->size;
    } else if (game->path != nullptr) {
        if (!read_file(game->path, MAX_TAPE_BYTES, bytes)) {
            refuse(file_name_of(game->path), "cannot be read (or is larger than 1 GiB)");
            return false;
        }
        data = bytes.data();
        size = bytes.size();
    }
    const std::string name = game->path != nullptr ? file_name_of(game->path) : "the content";
    const ContentKind kind = content_kind(game->path, data, size);
    if (kind == ContentKind::CARTRIDGE) {
        if (m5emu_insert_cartridge(core.m5, data, size) != M5EMU_OK) {
            refuse(name, m5emu_last_error(core.m5));
            return false;
        }
        // A remark about a cartridge that was taken.
        if (*m5emu_last_error(core.m5) != 0) {
            log_line(RETRO_LOG_WARN, "%s: %s", name.c_str(), m5emu_last_error(core.m5));
            show_message(name + ": " + m5emu_last_error(core.m5));
        }
        return true;
    }
    Tape tape;
    tape.path = game->path != nullptr ? game->path : "";
    tape.kind = kind;
    tape.bytes.assign(data, data + size);
    core.tapes.push_back(std::move(tape));
    core.tape_index = 0;
    core.tape_ejected = false;
    return play_tape(core.tapes[0]);
}

}  // namespace

// --- The libretro interface -----------------------------------------------------

extern "C" {

RETRO_API unsigned retro_api_version(void) { return RETRO_API_VERSION; }

RETRO_API void retro_set_environment(retro_environment_t callback) {
    environment_cb = callback;
    bool no_game = true;
    callback(RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME, &no_game);
    declare_core_options(callback);
    // Each port takes a RetroPad or the keyboard: RetroArch's netplay
    // carries the keys of a port whose device is a keyboard.
    static const retro_controller_description DEVICES[] = {{"RetroPad", RETRO_DEVICE_JOYPAD},
                                                           {"Keyboard", RETRO_DEVICE_KEYBOARD}};
    static const retro_controller_info PORTS[] = {{DEVICES, 2}, {DEVICES, 2}, {nullptr, 0}};
    callback(RETRO_ENVIRONMENT_SET_CONTROLLER_INFO, const_cast<retro_controller_info*>(PORTS));
}

RETRO_API void retro_set_video_refresh(retro_video_refresh_t callback) { video_cb = callback; }
RETRO_API void retro_set_audio_sample(retro_audio_sample_t) {}
RETRO_API void retro_set_audio_sample_batch(retro_audio_sample_batch_t callback) { audio_batch_cb = callback; }
RETRO_API void retro_set_input_poll(retro_input_poll_t callback) { input_poll_cb = callback; }
RETRO_API void retro_set_input_state(retro_input_state_t callback) { input_state_cb = callback; }

RETRO_API void retro_init(void) {
    retro_log_callback logging{};
    log_cb = environment_cb != nullptr && environment_cb(RETRO_ENVIRONMENT_GET_LOG_INTERFACE, &logging) ? logging.log
                                                                                                        : nullptr;
    core = Core();
    core.key_table = make_key_table();
    if (environment_cb != nullptr) declare_disk_control();
}

RETRO_API void retro_deinit(void) {
    m5emu_destroy(core.m5);
    core = Core();
}

RETRO_API void retro_get_system_info(retro_system_info* info) {
    *info = retro_system_info{};
    info->library_name = "m5emu";
    info->library_version = m5emu_version();
    info->valid_extensions = "rom|bin|cas|wav";
    info->need_fullpath = false;
    info->block_extract = false;
}

RETRO_API void retro_get_system_av_info(retro_system_av_info* info) {
    *info = retro_system_av_info{};
    info->geometry.base_width = M5EMU_WIDTH;
    info->geometry.base_height = M5EMU_HEIGHT;
    info->geometry.max_width = M5EMU_WIDTH;
    info->geometry.max_height = M5EMU_HEIGHT;
    m5emu_machine machine{M5EMU_MODEL_NTSC, M5EMU_MEMORY_32K};
    if (core.m5 != nullptr) m5emu_get_machine(core.m5, &machine);
    const double pixel_aspect = machine.model == M5EMU_MODEL_PAL ? PAL_PIXEL_ASPECT : NTSC_PIXEL_ASPECT;
    info->geometry.aspect_ratio = static_cast<float>(M5EMU_WIDTH * pixel_aspect / M5EMU_HEIGHT);
    // The machine's own frame rate, exactly: its clock over the clocks of a
    // frame.
    m5emu_video_standard standard{};
    if (core.m5 != nullptr && m5emu_get_video_standard(core.m5, &standard) == M5EMU_OK) {
        info->timing.fps = static_cast<double>(standard.machine_clock_hz) / standard.clocks_per_frame;
    }
    info->timing.sample_rate = SAMPLE_RATE_HZ;
}

RETRO_API void retro_set_controller_port_device(unsigned port, unsigned device) {
    if (port < JOYSTICKS) core.port_device[port] = device;
}

RETRO_API void retro_reset(void) {
    if (core.m5 != nullptr) m5emu_reset(core.m5);
}

RETRO_API void retro_run(void) {
    if (core.m5 == nullptr) return;
    bool updated = false;
    if (environment_cb(RETRO_ENVIRONMENT_GET_VARIABLE_UPDATE, &updated) && updated) {
        apply_options(false);
        follow_machine_options();
    }
    read_input();
    m5emu_run_frame(core.m5);
    m5emu_picture(core.m5, core.picture.data(), core.picture.size() * sizeof(uint32_t), M5EMU_PIXEL_XRGB8888);
    video_cb(core.picture.data(), M5EMU_WIDTH, M5EMU_HEIGHT, M5EMU_WIDTH * sizeof(uint32_t));
    size_t count = 0;
    const int16_t* sound = m5emu_sound(core.m5, &count);
    if (count == 0) return;
    core.stereo.resize(2 * count);
    for (size_t i = 0; i < count; ++i) core.stereo[2 * i] = core.stereo[2 * i + 1] = sound[i];
    audio_batch_cb(core.stereo.data(), count);
}

RETRO_API size_t retro_serialize_size(void) { return STATE_BYTES; }

RETRO_API bool retro_serialize(void* data, size_t size) {
    if (core.m5 == nullptr || data == nullptr || size < STATE_BYTES) return false;
    auto* out = static_cast<uint8_t*>(data);
    size_t length = M5EMU_STATE_SIZE_MAX;
    if (m5emu_save_state_quick(core.m5, out + STATE_HEADER_BYTES, &length) != M5EMU_OK) {
        log_line(RETRO_LOG_ERROR, "the state cannot be saved: %s", m5emu_last_error(core.m5));
        return false;
    }
    std::memcpy(out, STATE_MAGIC, 4);
    for (size_t i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(length >> (8 * i));
    for (size_t i = 0; i < 8; ++i) out[8 + i] = static_cast<uint8_t>(core.keys_down >> (8 * i));
    std::memset(out + STATE_HEADER_BYTES + length, 0, STATE_BYTES - STATE_HEADER_BYTES - length);
    return true;
}

RETRO_API bool retro_unserialize(const void* data, size_t size) {
    if (core.m5 == nullptr || data == nullptr || size < STATE_HEADER_BYTES) return false;
    const auto* in = static_cast<const uint8_t*>(data);
    if (std::memcmp(in, STATE_MAGIC, 4) != 0) return false;
    size_t length = 0;
    uint64_t keys = 0;
    for (size_t i = 0; i < 4; ++i) length |= size_t{in[4 + i]} << (8 * i);
    for (size_t i = 0; i < 8; ++i) keys |= uint64_t{in[8 + i]} << (8 * i);
    if (length > size - STATE_HEADER_BYTES || (keys >> core.key_table.count) != 0) return false;
    if (m5emu_load_state(core.m5, in + STATE_HEADER_BYTES, length) != M5EMU_OK) {
        log_line(RETRO_LOG_WARN, "the state is refused: %s", m5emu_last_error(core.m5));
        return false;
    }
    if (*m5emu_last_error(core.m5) != 0) log_line(RETRO_LOG_INFO, "%s", m5emu_last_error(core.m5));
    core.keys_down = keys;
    return true;
}

RETRO_API void retro_cheat_reset(void) {}
RETRO_API void retro_cheat_set(unsigned, bool, const char*) {}

RETRO_API bool retro_load_game(const retro_game_info* game) {
    retro_pixel_format format = RETRO_PIXEL_FORMAT_XRGB8888;
    if (!environment_cb(RETRO_ENVIRONMENT_SET_PIXEL_FORMAT, &format)) {
        log_line(RETRO_LOG_ERROR, "the frontend does not take 32-bit pixels");
        return false;
    }
    m5emu_destroy(core.m5);
    // The model and memory are the options' as the content is loaded.
    const CoreChoices chosen = read_core_options(environment_cb);
    const m5emu_machine machine{chosen.model, chosen.memory};
    core.m5 = m5emu_create_machine(&machine);
    if (core.m5 == nullptr) return false;
    core.user_ipl.clear();
    core.keys_down = 0;
    m5emu_set_boot_hint(core.m5, BOOT_HINT);
    m5emu_set_sound(core.m5, SAMPLE_RATE_HZ, 0);
    if (!apply_options(true) || (game != nullptr && !load_content(game))) {
        m5emu_destroy(core.m5);
        core.m5 = nullptr;
        core.tapes.clear();
        return false;
    }
    if (core.initial_tape_index < core.tapes.size() && core.initial_tape_index != core.tape_index &&
        core.tapes[core.initial_tape_index].path == core.initial_tape_path) {
        m5emu_stop_tape(core.m5);
        core.tape_index = core.initial_tape_index;
        play_tape(core.tapes[core.tape_index]);
    }
    static retro_keyboard_callback keyboard{key_event};
    environment_cb(RETRO_ENVIRONMENT_SET_KEYBOARD_CALLBACK, &keyboard);
    declare_memory_map();
    return true;
}

RETRO_API bool retro_load_game_special(unsigned, const retro_game_info*, size_t) { return false; }

RETRO_API void retro_unload_game(void) {
    m5emu_destroy(core.m5);
    core.m5 = nullptr;
    core.tapes.clear();
    core.tape_index = 0;
    core.tape_ejected = false;
}

RETRO_API unsigned retro_get_region(void) {
    m5emu_machine machine{M5EMU_MODEL_NTSC, M5EMU_MEMORY_32K};
    if (core.m5 != nullptr) m5emu_get_machine(core.m5, &machine);
    return machine.model == M5EMU_MODEL_PAL ? RETRO_REGION_PAL : RETRO_REGION_NTSC;
}

RETRO_API void* retro_get_memory_data(unsigned id) {
    size_t size = 0;
    return id == RETRO_MEMORY_SYSTEM_RAM && core.m5 != nullptr ? system_ram(size) : nullptr;
}

RETRO_API size_t retro_get_memory_size(unsigned id) {
    size_t size = 0;
    if (id == RETRO_MEMORY_SYSTEM_RAM && core.m5 != nullptr) system_ram(size);
    return size;
}

}  // extern "C"
