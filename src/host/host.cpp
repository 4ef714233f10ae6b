#include "host/host.h"

#include <algorithm>
#include <cstring>

#include "devices/tape_deck.h"
#include "devices/vdp.h"
#include "host/free_boot_rom.h"
#include "host/platform.h"
#include "host/settings.h"
#include "host/tape_files.h"
#include "machine/scheduler.h"
#include "memory/memory_map.h"

namespace m5 {

std::string program_directory_of(const std::string& executable_path) {
    const size_t slash = executable_path.rfind('/');
    return slash == std::string::npos ? std::string() : executable_path.substr(0, slash + 1);
}

int32_t block_samples_for(int32_t sample_rate, int32_t buffer_ms) {
    return static_cast<int32_t>(static_cast<double>(sample_rate) * (static_cast<double>(buffer_ms) / 1000.0));
}

Host::Host(Platform& platform_services, Settings& settings, const MachineConfig& config,
           MachineExtensions extra_components)
    : platform(platform_services),
      user_settings(settings),
      surface(new uint16_t[static_cast<size_t>(SURFACE_WIDTH) * SURFACE_HEIGHT]()),
      paste(*this),
      recorder(platform_services),
      extensions(extra_components),
      emulated(std::make_unique<Machine>(this, config, nullptr, extensions)),
      pacer(platform_services, *this, emulated->video_standard().frames_per_second) {
    program_dir = program_directory_of(platform.executable_path());
    recorder.set_directory(program_dir);
    validate_sound_choices();
    const int32_t rate_hz = SAMPLE_RATES_HZ[user_settings.sample_rate_index];
    const int32_t samples = block_samples_for(rate_hz, BUFFER_LENGTHS_MS[user_settings.buffer_length_index]);

    // The IPL ROM from the program directory, or the free boot ROM when none
    // can be used there.
    std::vector<uint8_t> ipl;
    if (!program_dir.empty() && read_ipl_rom_file(program_dir + IPL_ROM_NAME, ipl).taken()) {
        emulated->load_ipl(ipl.data(), ipl.size());
    } else {
        const FreeBootRom rom = free_boot_rom(config.model);
        emulated->load_ipl(rom.data, rom.size);
        free_boot_rom_in_use = true;
    }
    keys.fill(0);
    joy.fill(0);
    platform.set_frame_rate(emulated->video_standard().frames_per_second);
    open_sound(rate_hz, samples);
}

Host::~Host() {
    close_sound();
    emulated->release_all();
    emulated.reset();
}

// Sound choices out of range are corrected and written back, so the corrected
// values are what gets saved.
void Host::validate_sound_choices() {
    if (user_settings.sample_rate_index < 0 || user_settings.sample_rate_index >= SAMPLE_RATE_COUNT) {
        user_settings.sample_rate_index = 5;  // 44100 Hz
    }
    if (user_settings.buffer_length_index < 0 || user_settings.buffer_length_index >= BUFFER_LENGTH_COUNT) {
        user_settings.buffer_length_index = 0;  // 100 ms
    }
}

int32_t& Host::cpu_speed() { return user_settings.cpu_speed; }

uint16_t* Host::surface_row(int32_t row) { return surface.get() + static_cast<size_t>(row) * SURFACE_WIDTH; }

// --- Frames ------------------------------------------------------------------

void Host::emulate_frame() {
    input_frame();
    if (!sound_framed) feed_sound();
    emulated->run_frame();
    if (sound_framed) feed_frame_sound();
    ++frame_count;
}

void Host::emulate_unseen_frame() {
    emulated->vdp->set_drawing(false);
    emulate_frame();
    emulated->vdp->set_drawing(true);
}

void Host::present_frame() {
    emulated->render_screen();
    platform.request_repaint();
}

bool Host::tape_active() { return emulated->tape_status() != 0; }

// --- Commands ----------------------------------------------------------------

// A reset closes the tape, which finishes a recording.
void Host::set_sprite_limit(bool on) { emulated->vdp->set_sprite_limit(on); }

bool Host::sprite_limit() const { return emulated->vdp->sprite_limit_on(); }

void Host::reset() {
    emulated->reset();
    report_tape_failure();
    restart_recording();
}

void Host::set_machine(const MachineConfig& config) {
    if (config == emulated->config()) return;
    tape_close();
    const MemoryMap& old_memory = *emulated->memory_map;
    const std::vector<uint8_t> ipl(old_memory.ipl_rom(), old_memory.ipl_rom() + IPL_ROM_SIZE);
    const std::vector<uint8_t> cartridge(old_memory.cartridge_rom(), old_memory.cartridge_rom() + CARTRIDGE_SIZE);
    const bool limit = sprite_limit();

    auto machine = std::make_unique<Machine>(this, config, nullptr, extensions);
    machine->take_memory_of(*emulated);
    emulated->release_all();
    emulated = std::move(machine);
    std::vector<uint8_t> rom;
    if (free_boot_rom_in_use) {
        std::string ignored;
        // The hint was checked when it was set.
        free_boot_rom_with_hint(boot_hint, rom, ignored, config.model);
    }
    const std::vector<uint8_t>& image = free_boot_rom_in_use ? rom : ipl;
    emulated->memory_map->load_ipl(image.data(), image.size());
    emulated->open_cartridge(cartridge.data(), cartridge.size());
    emulated->vdp->set_sprite_limit(limit);
    // Sound by frame takes blocks as long as the new machine's longest frame.
    if (sound_framed) {
        sound_by_frame(sound_rate_hz);
    } else {
        emulated->setup_audio(sound_rate_hz, block_length);
    }
    frame_count = 0;
    const int32_t frames_per_second = emulated->video_standard().frames_per_second;
    pacer.set_frames_per_second(frames_per_second);
    platform.set_frame_rate(frames_per_second);
    if (sound_on) platform.sound_clear();
    restart_recording();
}

FileCheck Host::open_cartridge(const std::string& path) {
    std::vector<uint8_t> image;
    const FileCheck check = read_cartridge_file(path, image);
    return check.taken() ? open_cartridge(image.data(), image.size()) : check;
}

FileCheck Host::open_cartridge(const uint8_t* data, size_t size) {
    const FileCheck check = check_cartridge(data, size);
    if (!check.taken()) return check;
    emulated->open_cartridge(data, std::min<size_t>(size, CARTRIDGE_SIZE));
    report_tape_failure();
    restart_recording();
    return check;
}

void Host::close_cartridge() {
    emulated->close_cartridge();
    report_tape_failure();
    stop_recording();
}

FileCheck Host::tape_play(const std::string& path) {
    std::unique_ptr<TapeImage> image;
    const FileCheck check = open_tape_file(path, image);
    return check.taken() ? tape_play(std::move(image), tape_format_of(path)) : check;
}

FileCheck Host::tape_play(std::unique_ptr<TapeImage> tape, TapeFormat format) {
    if (!tape) return FileCheck{"cannot be read", ""};
    const FileCheck check = check_tape(*tape, format);
    if (!check.taken()) return check;
    tape_close();
    emulated->tape_play(std::move(tape), format);
    return check;
}

void Host::tape_record(const std::string& path) { tape_record(FileTapeRecording::create(path), tape_format_of(path)); }

void Host::tape_record(std::unique_ptr<TapeRecording> tape, TapeFormat format) {
    tape_close();
    emulated->tape_record(std::move(tape), format);
    tape_failure_reported = false;
}

void Host::tape_close() {
    emulated->tape_close();
    report_tape_failure();
}

int32_t Host::tape_record_error() const { return emulated->tape_deck->record_error; }

void Host::report_tape_failure() {
    const int32_t error = tape_record_error();
    if (error == 0 || tape_failure_reported) return;
    tape_failure_reported = true;
    platform.show_message("The tape recording could not be written whole: " + std::string(std::strerror(error)) + ".");
}
void Host::apply_settings() { emulated->apply_config(); }

FileCheck Host::load_ipl(const std::string& path) {
    std::vector<uint8_t> image;
    const FileCheck check = read_ipl_rom_file(path, image);
    if (check.taken()) set_ipl(image.data(), image.size());
    return check;
}

void Host::set_ipl(const uint8_t* data, size_t size) {
    emulated->load_ipl(data, size);
    free_boot_rom_in_use = false;
    restart_recording();
}

void Host::use_free_boot_rom() {
    std::vector<uint8_t> rom;
    std::string ignored;
    // The hint was checked when it was set.
    free_boot_rom_with_hint(boot_hint, rom, ignored, emulated->config().model);
    set_ipl(rom.data(), rom.size());
    free_boot_rom_in_use = true;
}

bool Host::set_boot_hint(const std::string& hint, std::string& error) {
    std::vector<uint8_t> rom;
    if (!free_boot_rom_with_hint(hint, rom, error, emulated->config().model)) return false;
    boot_hint = hint;
    // Only the hint's bytes differ: the machine runs on without a reset.
    if (free_boot_rom_in_use) emulated->memory_map->load_ipl(rom.data(), rom.size());
    return true;
}

// --- Screen ------------------------------------------------------------------

void Host::place_picture(int32_t screen_width, int32_t screen_height) {
    picture_x = (screen_width - SURFACE_WIDTH) >> 1;
    picture_y = (screen_height - SURFACE_HEIGHT) >> 1;
}

// --- Sound output --------------------------------------------------------------

void Host::open_sound(int32_t rate_hz, int32_t samples) {
    sound_rate_hz = rate_hz;
    block_length = samples;
    emulated->setup_audio(rate_hz, samples);
    sound_silenced = false;
    sound_on = false;
    if (!platform.sound_open(rate_hz, samples)) return;
    fill_first_half = true;
    sound_on = true;
}

void Host::reopen_sound() {
    validate_sound_choices();
    const int32_t rate_hz = SAMPLE_RATES_HZ[user_settings.sample_rate_index];
    reopen_sound(rate_hz, block_samples_for(rate_hz, BUFFER_LENGTHS_MS[user_settings.buffer_length_index]));
}

void Host::reopen_sound(int32_t rate_hz, int32_t samples) {
    sound_framed = false;
    if (sound_on) platform.sound_close();
    sound_on = false;
    sound_rate_hz = rate_hz;
    block_length = samples;
    emulated->setup_audio(rate_hz, samples);
    sound_silenced = false;
    if (!platform.sound_open(rate_hz, samples)) return;
    fill_first_half = true;
    sound_on = true;
}

void Host::feed_sound() {
    sound_silenced = false;
    if (!sound_on) return;
    // The half that is not playing is refilled once it has been played.
    if (!platform.sound_half_free(fill_first_half)) return;
    const int16_t* block = emulated->take_audio(0, 1);
    if (recorder.recording()) recorder.record_block(block, block_length, sound_rate_hz);
    // A half that cannot be written is refilled on its next turn.
    platform.sound_write_half(fill_first_half, block, block_length);
    fill_first_half = !fill_first_half;
}

void Host::sound_by_frame(int32_t rate_hz) {
    // A block holds any frame's samples.
    reopen_sound(rate_hz, emulated->scheduler->most_samples_per_frame(rate_hz));
    sound_framed = true;
}

void Host::feed_frame_sound() {
    sound_silenced = false;
    int32_t count = 0;
    const int16_t* samples = emulated->take_mixed_audio(count);
    if (!sound_on || count == 0) return;
    if (recorder.recording()) recorder.record_block(samples, count, sound_rate_hz);
    platform.sound_write_half(true, samples, count);
}

void Host::silence_sound() {
    if (!sound_silenced && sound_on) platform.sound_clear();
    sound_silenced = true;
}

void Host::close_sound() {
    if (sound_on) platform.sound_close();
    sound_on = false;
    stop_recording();
}

// --- Recorder ----------------------------------------------------------------

void Host::start_recording() { recorder.start(sound_rate_hz); }

void Host::stop_recording() { recorder.stop(); }

void Host::restart_recording() { recorder.restart(sound_rate_hz); }

}  // namespace m5
