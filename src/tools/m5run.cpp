// m5run: the emulator without a window, for tests, automation and
// benchmarks. It drives the same Host as the desktop program through a
// Platform with no window and a virtual sound device, runs a given number of
// frames, and writes screenshots, the sound recording, tape recordings and
// memory dumps. The same options always give the same output files, byte for
// byte.
//
// The IPL ROM, the cartridge and the save state are read as bytes (only the
// part of a file the machine uses); tapes are played from their files. The
// host's own files (sound.tmp and sound.wav, the tape being recorded) live in
// a private temporary directory, removed when the run ends, until they are
// put in place as outputs. No settings file is read or written.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cpu/z80_cpu.h"
#include "devices/tape_deck.h"
#include "devices/vdp.h"
#include "devices/virtual_keys.h"
#include "devices/wav_tape_reader.h"
#include "host/file_stream.h"
#include "host/frame_pacer.h"
#include "host/free_boot_rom.h"
#include "host/gif_writer.h"
#include "host/headless_platform.h"
#include "host/host.h"
#include "host/media_rules.h"
#include "host/platform.h"
#include "host/png_writer.h"
#include "host/settings.h"
#include "host/tape_files.h"
#include "m5/machine.h"
#include "machine/clock.h"
#include "machine/scheduler.h"
#include "memory/memory_map.h"
#include "tools/m5run_debug.h"
#include "tools/m5run_options.h"
#include "tools/output_file.h"
#include "tools/tape_info.h"
#include "tools/z80_probe.h"

namespace m5::tools {
namespace {

class Failure {
public:
    Failure(int32_t exit_code, std::string message) : code(exit_code), text(std::move(message)) {}
    int32_t code;
    std::string text;
};

[[noreturn]] void run_error(const std::string& message) { throw Failure(1, message); }

// --- Running -------------------------------------------------------------------

// The private working directory of the run, removed with this object.
class TemporaryDirectory {
public:
    TemporaryDirectory() {
        std::error_code error;
        const std::filesystem::path base = std::filesystem::temp_directory_path(error);
        if (error) run_error("cannot create a temporary directory: " + error.message());
        std::string pattern = (base / "m5run-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (::mkdtemp(buffer.data()) == nullptr) {
            run_error("cannot create a temporary directory: " + std::string(std::strerror(errno)));
        }
        path = std::string(buffer.data()) + "/";
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

// The path of m5run itself: the running program's, else as it was invoked.
std::string own_path(const char* argv0) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(argv0) : self.string();
}

void print_note(const std::string& text);

// "the cartridge 'game.rom' is empty": an input file and what the rule of
// media_rules.h says of it.
std::string about_input(FileKind kind, const std::string& path, const std::string& answer) {
    return std::string("the ") + file_kind_name(kind) + " '" + path + "' " + answer;
}

// An input the rule refuses ends the run before it starts; a note about one
// it takes is shown.
void require_taken(FileKind kind, const std::string& path, const FileCheck& check) {
    if (!check.taken()) run_error(about_input(kind, path, check.refusal));
    if (!check.note.empty()) print_note(about_input(kind, path, check.note));
}

void require_writable(const std::string& path) {
    std::string error;
    if (!check_output_path(path, error)) run_error(error);
}

// Whether standard output was open when the program started.
bool standard_output_open = true;

// Set by SIGINT or SIGTERM; the run then stops between frames and cleans up.
volatile std::sig_atomic_t stop_requested = 0;

extern "C" void request_stop(int) { stop_requested = 1; }

class Runner final : public FrameTarget {
public:
    Runner(const Options& options, HeadlessPlatform& platform_services, Host& host_driver, OutputFiles& run_outputs)
        : o(options), platform(platform_services), host(host_driver), outputs(run_outputs) {}

    bool tape_active() override { return host.tape_active(); }
    void present_frame() override { host.present_frame(); }
    void emulate_frame() override {
        if (stop_requested != 0) run_error("interrupted at frame " + std::to_string(frames_done + 1));
        const int32_t frame = frames_done + 1;
        // Key presses and releases due at the start of this frame.
        for (const KeyHold& k : o.keys) {
            if (frame == k.first_frame) press(k.code, true);
            if (static_cast<int64_t>(frame) == static_cast<int64_t>(k.first_frame) + k.frames) press(k.code, false);
        }
        if (o.paste && frame == o.paste_frame) host.paste_start();
        if (debugging != nullptr) debugging->begin_frame(frame);
        if (picture_needed(frame))
            host.emulate_frame();
        else
            host.emulate_unseen_frame();
        platform.sound.advance_frame();
        frames_done = frame;
        for (const FrameFile& shot : o.screenshots_at) {
            if (shot.frame == frame) screenshot(shot.path);
        }
        // The GIF takes a picture whenever its own clock passes a whole
        // picture: every second, fourth or sixth frame of the 60.
        const int64_t pictures = static_cast<int64_t>(frame) * o.gif_fps / frames_per_second;
        if (!o.gif.empty() && pictures > static_cast<int64_t>(frame - 1) * o.gif_fps / frames_per_second) {
            host.present_frame();
            gif.add_frame(host.surface_pixels(), gif_bytes);
        }
        for (const FrameFile& state : o.save_states_at) {
            if (state.frame == frame) save_state(state.path);
        }
    }

    void save_state(const std::string& path) {
        const std::vector<uint8_t> bytes = host.save_state();
        std::string error;
        if (!outputs.stage(
                path, [&](std::FILE* f) { return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(); },
                error)) {
            run_error(error);
        }
    }

    void screenshot(const std::string& path) {
        host.present_frame();
        std::string error;
        const uint16_t* pixels = host.surface_pixels();
        if (!outputs.stage(
                path, [&](std::FILE* f) { return write_png_rgb565(f, pixels, SURFACE_WIDTH, SURFACE_HEIGHT); },
                error)) {
            run_error(error);
        }
    }

    void write_gif() {
        GifWriter::finish(gif_bytes);
        std::string error;
        if (!outputs.stage(
                o.gif,
                [&](std::FILE* f) { return std::fwrite(gif_bytes.data(), 1, gif_bytes.size(), f) == gif_bytes.size(); },
                error)) {
            run_error(error);
        }
    }

    int32_t frames_done = 0;
    int32_t last_frame = 0;
    RunDebugger* debugging = nullptr;
    int32_t frames_per_second = 60;

private:
    // Whether anything will look at the picture of `frame`: a screenshot or
    // a state of it, those written after the last frame, the debugger (a stop
    // writes the outputs as they are, inside any frame) and the real-time
    // pacer, which decides after a frame whether to show it. The other
    // frames run without drawing.
    bool picture_needed(int32_t frame) const {
        if (debugging != nullptr || o.realtime) return true;
        if (frame == last_frame && (!o.screenshot.empty() || !o.save_state.empty())) return true;
        for (const FrameFile& shot : o.screenshots_at) {
            if (shot.frame == frame) return true;
        }
        for (const FrameFile& state : o.save_states_at) {
            if (state.frame == frame) return true;
        }
        return false;
    }

    void press(int32_t code, bool down) { press_virtual_key(platform, host, code, down); }

    const Options& o;
    HeadlessPlatform& platform;
    Host& host;
    OutputFiles& outputs;
    GifWriter gif{o.gif_fps};
    std::vector<uint8_t> gif_bytes;
};

void stage_bytes(OutputFiles& outputs, const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string error;
    if (!outputs.stage(
            path, [&](std::FILE* f) { return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(); }, error)) {
        run_error(error);
    }
}

void stage_copy(OutputFiles& outputs, const std::string& from, const std::string& path) {
    std::string error;
    if (!outputs.stage_copy(from, path, error)) run_error(error);
}

// How long --stats runs the Z80 alone for its limit, before the run and
// again after it.
constexpr double Z80_PROBE_SECONDS = 0.1;

int run(const Options& o, const char* argv0) {
    // Inputs and outputs are checked before anything runs. Without --ipl,
    // IPL.ROM in the program directory (or --dir) is used when it is there,
    // else the free boot ROM.
    const std::string ipl_path =
        !o.ipl.empty() ? o.ipl : (o.dir.empty() ? program_directory_of(own_path(argv0)) : o.dir + "/") + IPL_ROM_NAME;
    std::vector<uint8_t> ipl;
    std::error_code missing;
    const bool free_boot_rom = o.ipl.empty() && !std::filesystem::exists(ipl_path, missing);
    if (!free_boot_rom) require_taken(FileKind::IPL_ROM, ipl_path, read_ipl_rom_file(ipl_path, ipl));
    std::vector<uint8_t> cartridge;
    if (!o.cart.empty()) require_taken(FileKind::CARTRIDGE, o.cart, read_cartridge_file(o.cart, cartridge));
    std::unique_ptr<TapeImage> tape;
    if (!o.tape.empty()) require_taken(FileKind::TAPE, o.tape, open_tape_file(o.tape, tape));
    std::vector<uint8_t> state;
    if (!o.load_state.empty()) require_taken(FileKind::STATE, o.load_state, read_state_file(o.load_state, state));
    for (const std::string& out : output_paths(o)) {
        if (out == "-" && !standard_output_open) run_error("cannot write '-': standard output is closed");
        require_writable(out);
    }

    std::signal(SIGINT, request_stop);
    std::signal(SIGTERM, request_stop);
    // A file-size limit makes a write fail (reported, the output left out)
    // rather than end the program with its files half written.
    std::signal(SIGXFSZ, SIG_IGN);
    // Every output is complete before any is put in place; on failure none is.
    OutputFiles outputs;
    TemporaryDirectory work_dir;

    Settings settings;
    settings.default_settings();
    settings.cpu_speed = o.speed_index;
    settings.sample_rate_index = o.rate_index;
    settings.buffer_length_index = o.buffer_index;

    HeadlessPlatform platform(work_dir.path, o.paste);
    // The machine takes the processor speed from the settings when it starts.
    Host host(platform, settings, o.machine);
    if (o.sound_by_frame) host.sound_by_frame(SAMPLE_RATES_HZ[o.rate_index]);
    if (free_boot_rom) {
        host.use_free_boot_rom();
        std::fprintf(stderr, "m5run: %s\n", NO_IPL_NOTE);
    } else {
        host.set_ipl(ipl.data(), ipl.size());
    }
    host.set_sprite_limit(o.sprite_limit);
    if (!o.cart.empty()) host.open_cartridge(cartridge.data(), cartridge.size());
    const std::string tape_out = work_dir.path + (is_wav_path(o.tape_record) ? "tape.wav" : "tape.cas");
    if (!o.load_state.empty()) {
        // The state's tape resumes from --tape; its recording continues in a
        // copy of the --tape-record file, which holds the part before the save.
        StateMedia media;
        media.tape = std::move(tape);
        if (!o.tape_record.empty()) {
            std::error_code ignored;
            if (std::filesystem::is_regular_file(o.tape_record, ignored)) {
                std::string error;
                if (!copy_to_output_file(o.tape_record, tape_out, error)) run_error(error);
                media.recording = FileTapeRecording::open_existing(tape_out);
            }
        }
        std::string error;
        if (!host.load_state(state, error, std::move(media))) {
            run_error("cannot load '" + o.load_state + "': " + error);
        }
        if (!host.state_note().empty()) print_note(host.state_note());
        platform.sound.set_frames(static_cast<int64_t>(host.frames_run()));
    }
    const TapeDeck& deck = *host.machine().tape_deck;
    if (!o.tape.empty() && !deck.playing) {
        // The state took the tape only to resume it: it is played afresh.
        const FileCheck check =
            host.tape_play(tape ? std::move(tape) : FileTapeImage::open(o.tape), tape_format_of(o.tape));
        if (!check.taken()) run_error(about_input(FileKind::TAPE, o.tape, check.refusal));
    }
    if (!o.tape_record.empty() && !deck.recording) {
        host.tape_record(FileTapeRecording::create(tape_out), tape_format_of(o.tape_record));
        if (!host.machine().tape_deck->recording) run_error("cannot record the tape '" + o.tape_record + "'");
    }
    if (!o.wav.empty()) {
        host.start_recording();
        if (!host.recording()) run_error("cannot record the sound '" + o.wav + "'");
    }

    Runner runner(o, platform, host, outputs);
    RunDebugger debugging(o, host.machine());
    if (debugging.active()) runner.debugging = &debugging;
    runner.frames_per_second = host.machine().video_standard().frames_per_second;
    // With --stats the processor alone runs on each side of the machine's
    // run, and its limit is the mean of the two: on a shared or virtual
    // machine whose processor speed drifts, the drift then weighs on both
    // figures alike.
    const double z80_mhz_before = o.stats ? z80_only_mhz(Z80_PROBE_SECONDS) : 0.0;
    const auto started = std::chrono::steady_clock::now();
    const std::clock_t processor_started = std::clock();
    try {
        debugging.start([] { return stop_requested != 0; });
        const int32_t last_frame = debugging.last_frame(o);
        runner.last_frame = last_frame;
        if (o.realtime) {
            FramePacer pacer(platform, runner, host.machine().video_standard().frames_per_second);
            pacer.start();
            while (runner.frames_done < last_frame && !debugging.run_ended()) pacer.pass();
        } else {
            while (runner.frames_done < last_frame && !debugging.run_ended()) runner.emulate_frame();
        }
    } catch (const DebugStopped&) {
        // --break or --watch: the outputs as they are now, then status 3.
    } catch (const debug::GdbRunEnded& end) {
        if (!end.killed) run_error("interrupted at frame " + std::to_string(runner.frames_done + 1));
        debugging.end_run();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double processor_seconds = static_cast<double>(std::clock() - processor_started) / CLOCKS_PER_SEC;

    if (!o.screenshot.empty()) runner.screenshot(o.screenshot);
    if (!o.gif.empty()) runner.write_gif();
    // A stop of the debugger leaves the machine inside a frame, where no
    // state can be saved.
    if (!o.save_state.empty() && !debugging.stop()) runner.save_state(o.save_state);
    if (!o.dump_ram.empty()) {
        std::vector<uint8_t> ram(RAM_SIZE);
        for (int32_t i = 0; i < RAM_SIZE; ++i) {
            ram[static_cast<size_t>(i)] = host.machine().memory_map->peek(RAM_START + i);
        }
        stage_bytes(outputs, o.dump_ram, ram);
    }
    if (!o.dump_vram.empty()) {
        std::vector<uint8_t> vram(VRAM_SIZE);
        for (int32_t i = 0; i < VRAM_SIZE; ++i) vram[static_cast<size_t>(i)] = host.machine().vdp->vram_at(i);
        stage_bytes(outputs, o.dump_vram, vram);
    }
    if (!o.tape_record.empty()) {
        host.tape_close();
        if (host.tape_record_error() != 0) {
            run_error("cannot write '" + o.tape_record + "': " + std::strerror(host.tape_record_error()));
        }
        stage_copy(outputs, tape_out, o.tape_record);
    }
    if (!o.wav.empty()) {
        host.stop_recording();
        if (host.recording_error() != 0) {
            run_error("cannot write '" + o.wav + "': " + std::strerror(host.recording_error()));
        }
        stage_copy(outputs, work_dir.path + "sound.wav", o.wav);
    }
    {
        std::string error;
        if (!debugging.stage_trace(outputs, error) || !outputs.commit(error)) run_error(error);
    }
    if (o.stats) {
        const double fps = seconds > 0 ? runner.frames_done / seconds : 0.0;
        std::printf("frames: %d\n", runner.frames_done);
        std::printf("wall seconds: %.3f\n", seconds);
        std::printf("frames per second: %.1f\n", fps);
        std::printf("times real time: %.2f\n", fps / host.machine().video_standard().frames_per_second);
        // Against the processor alone: its speed on a program of its own, in
        // this process, over the processor clocks a frame takes. Both figures
        // are by processor time, which other programs on the machine do not
        // take away.
        const double processor_fps = processor_seconds > 0 ? runner.frames_done / processor_seconds : 0.0;
        const double z80_mhz = (z80_mhz_before + z80_only_mhz(Z80_PROBE_SECONDS)) / 2;
        const double processor_clocks_per_frame =
            static_cast<double>(host.machine().video_standard().clocks_per_frame()) *
            (1 << host.machine().scheduler->speed_shift);
        const double limit_fps = z80_mhz * 1e6 / processor_clocks_per_frame;
        std::printf("processor seconds: %.3f\n", processor_seconds);
        std::printf("frames per processor second: %.1f\n", processor_fps);
        std::printf("Z80-only limit: %.1f frames per processor second (the Z80 alone at %.0f MHz)\n", limit_fps,
                    z80_mhz);
        std::printf("share of the Z80-only limit: %.0f %%\n", limit_fps > 0 ? 100 * processor_fps / limit_fps : 0.0);
        // Waits for an interrupt that the processor passed over rather than ran.
        const double clocks_run = runner.frames_done * processor_clocks_per_frame;
        std::printf(
            "idle loops passed over: %.0f %% of the processor's clocks\n",
            clocks_run > 0 ? 100 * static_cast<double>(host.machine().cpu->idle_clocks_passed) / clocks_run : 0.0);
        if (o.realtime && !platform.title.empty()) std::printf("title: %s\n", platform.title.c_str());
    }
    if (debugging.stop()) {
        // Beside an output on standard output, the report goes to standard error.
        const std::vector<std::string> paths = output_paths(o);
        debugging.print_stop(std::find(paths.begin(), paths.end(), "-") != paths.end() ? stderr : stdout);
        return 3;
    }
    return 0;
}

// The lines of --tape-info about the image as the deck plays it.
void print_tape_facts(TapeImage& image, const std::string& path) {
    TapeCursor file(&image);
    const auto size = static_cast<int64_t>(image.size());
    auto seconds = [](int64_t ticks) { return static_cast<double>(ticks) / TAPE_TICKS_PER_SECOND; };
    const char* const raw = "played as it stands, one level a tick";
    if (!is_wav_path(path)) {
        if (print_sordm5_tape_info(file)) return;
        // Each run byte plays its level for as many ticks as its low 7 bits.
        file.seek(0);
        std::vector<uint8_t> block(1 << 16);
        int64_t ticks = 0;
        for (size_t got; (got = file.read(block.data(), 1, block.size())) > 0;) {
            for (size_t i = 0; i < got; ++i) ticks += block[i] & 0x7F;
        }
        std::printf("format: CAS, run lengths\nlength: %.3f s\nplayback: %s\n", seconds(ticks), raw);
        return;
    }
    const WavTapeFormat format = read_wav_tape_format(file, size);
    if (!format.understood) {
        std::printf("format: WAV, header not understood\nlength: %.3f s\nplayback: %s, from byte %d\n",
                    seconds(std::max<int64_t>(size - WAV_HEADER_SIZE, 0)), raw, WAV_HEADER_SIZE);
        return;
    }
    std::printf("format: WAV, %d-bit %s\nrate: %u Hz\nchannels: %d\n", format.bits_per_sample,
                format.sample_format == WavSampleFormat::IEEE_FLOAT ? "float" : "PCM", format.sample_rate_hz,
                format.channels);
    if (format.converted) {
        std::printf("length: %.3f s\nplayback: converted to %d ticks a second\n",
                    static_cast<double>(format.frames) / format.sample_rate_hz, TAPE_TICKS_PER_SECOND);
    } else {
        std::printf("length: %.3f s\nplayback: %s\n", seconds(std::max<int64_t>(size - format.data_offset, 0)), raw);
    }
}

// --tape-info: what the tape deck makes of a tape image, one "name: value"
// line each, and whether the programs refuse it ("refused: it holds no
// samples"); a tape they refuse is described all the same.
int print_tape_info(const std::string& path) {
    const int32_t unreadable = readable_file_error(path);
    if (unreadable != 0) run_error(about_input(FileKind::TAPE, path, unreadable_answer(unreadable)));
    const std::unique_ptr<FileTapeImage> image = FileTapeImage::open(path);
    if (!image) run_error(about_input(FileKind::TAPE, path, unreadable_answer(EIO)));
    const FileCheck check = check_tape(*image, tape_format_of(path));
    print_tape_facts(*image, path);
    if (!check.taken()) std::printf("refused: it %s\n", check.refusal.c_str());
    return 0;
}

// One line as the user sees it: control characters typed into an argument
// (a newline, say) are shown as escapes.
std::string one_line(const std::string& message) {
    std::string line;
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            line += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            line += escape;
        }
    }
    return line;
}

void print_error(const std::string& message) { std::fprintf(stderr, "m5run: %s\n", one_line(message).c_str()); }

void print_note(const std::string& text) { std::fprintf(stderr, "m5run: note: %s\n", one_line(text).c_str()); }

}  // namespace
}  // namespace m5::tools

int main(int argc, char** argv) {
    using namespace m5::tools;
    // A closed standard stream is taken by /dev/null, so that no file the run
    // opens can become standard output by chance; an output sent to a closed
    // standard output is an error.
    standard_output_open = ::fcntl(STDOUT_FILENO, F_GETFD) != -1;
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1) ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    }
    try {
        const Options options = parse_options(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::fputs(help_text(), stdout);
            return 0;
        }
        if (!options.tape_info.empty()) return print_tape_info(options.tape_info);
        return run(options, argv[0]);
    } catch (const OptionError& error) {
        print_error(error.what());
        return 2;
    } catch (const Failure& failure) {
        print_error(failure.text);
        return failure.code;
    } catch (const std::exception& error) {
        print_error(error.what());
        return 1;
    }
}
