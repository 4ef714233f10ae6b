// m5run: the emulator without a window, for tests, automation and
// benchmarks. It drives the same Host as the desktop program through a
// Platform with no window and a virtual sound device, runs a given number of
// frames, and writes screenshots, the sound recording, tape recordings and
// memory dumps. The same options always give the same output files, byte for
// byte.
//
// The run takes place in a private temporary program directory: the IPL ROM
// is copied there as IPL.ROM, and the host's own files (sound.tmp and
// sound.wav while recording) live there; the directory is removed when the
// run ends. No settings file is read or written.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "devices/vdp.h"
#include "devices/virtual_keys.h"
#include "host/file_stream.h"
#include "host/frame_pacer.h"
#include "host/host.h"
#include "host/platform.h"
#include "host/settings.h"
#include "machine/machine.h"
#include "memory/memory_map.h"
#include "tools/output_file.h"
#include "tools/png_writer.h"

namespace m5::tools {
namespace {

constexpr int32_t FRAMES_PER_SECOND = 60;
constexpr int32_t MAX_FRAMES = 1'000'000'000;
constexpr int32_t RAM_DUMP_START = 0x7000;
constexpr int32_t RAM_DUMP_SIZE = 0x9000;  // 36 KiB up to 0xFFFF
constexpr int32_t VRAM_DUMP_SIZE = 0x4000;

const char* const HELP_TEXT =
    R"(usage: m5run [options]

Runs the Sord M5 emulator without a window for a number of frames (60 a
second) and writes what was asked for.

Program and media:
  --ipl FILE             IPL ROM image to run
  --dir DIR              program directory holding IPL.ROM (default: the
                         directory of m5run itself); ignored with --ipl
  --cart FILE            cartridge image (*.rom) to insert
  --tape FILE            tape image (*.wav or *.cas) to play
  --tape-record FILE     record the tape output into FILE (*.wav or *.cas);
                         not together with --tape

Running:
  --frames N             frames to run (default 60)
  --speed 1|2|4|8|16     processor speed (default 1)
  --rate HZ              sound sample rate: 2000, 4000, 8000, 11025, 22050,
                         44100 or 48000 (default 4000)
  --buffer MS            sound block length: 100, 200, 300 or 400 (default 100)
  --realtime             pace the frames to real time as the desktop program
                         does (default: as fast as possible)

Input:
  --paste TEXT           type TEXT through the paste sequencer, starting
                         before the first frame; \n, \r, \t, \\ and \xHH
                         are escapes
  --paste-frame N        start typing before frame N instead (1 = first)
  --key KEY@FRAME[+N]    hold KEY from the start of frame FRAME for N frames
                         (default 1); repeatable. KEY is a single letter or
                         digit, a name (SPACE, RETURN, SHIFT, LSHIFT, RSHIFT,
                         CONTROL, ALT, UP, DOWN, LEFT, RIGHT, TAB, ESCAPE,
                         F1..F12, ...) or a virtual-key number (decimal of
                         two or more digits, or 0x..)

Output (each file is written completely or not at all):
  --screenshot FILE.png  the picture after the last frame
  --screenshot-at FRAME:FILE.png
                         the picture after frame FRAME; repeatable
  --wav FILE             the sound of the whole run as the emulator's recorder
                         writes it: 16-bit stereo PCM in whole sound blocks
                         (a block still playing at the end is left out)
  --dump-ram FILE        RAM 0x7000-0xFFFF after the last frame (36 KiB)
  --dump-vram FILE       video RAM after the last frame (16 KiB)
  --stats                print frames, wall seconds, frames per second and
                         times real time
  --help                 this text

Files: the run uses a private temporary program directory (under $TMPDIR or
/tmp) that holds a copy of the IPL ROM and the emulator's own recording files,
and removes it at the end; nothing is written beside the ROM, and no settings
file is read or written. Exit status: 0 on success, 2 for a bad command line,
1 when an input cannot be read or an output cannot be written.
)";

struct KeyHold {
    int32_t code = 0;
    int32_t first_frame = 0;
    int32_t frames = 1;
};

struct Options {
    std::string ipl;
    std::string dir;
    std::string cart;
    std::string tape;
    std::string tape_record;
    int32_t frames = 60;
    int32_t speed_index = 0;
    int32_t rate_index = 1;
    int32_t buffer_index = 0;
    bool realtime = false;
    std::optional<std::string> paste;
    int32_t paste_frame = 1;
    std::vector<KeyHold> keys;
    std::string screenshot;
    std::vector<std::pair<int32_t, std::string>> screenshots_at;
    std::string wav;
    std::string dump_ram;
    std::string dump_vram;
    bool stats = false;
    bool help = false;
};

class Failure {
public:
    Failure(int32_t exit_code, std::string message) : code(exit_code), text(std::move(message)) {}
    int32_t code;
    std::string text;
};

[[noreturn]] void usage_error(const std::string& message) { throw Failure(2, message); }
[[noreturn]] void run_error(const std::string& message) { throw Failure(1, message); }

// --- Command line ----------------------------------------------------------

bool parse_integer(const std::string& text, int64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    int base = 10;
    size_t start = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) base = 16, start = 2;
    value = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return false;
        value = value * base + digit;
    }
    return true;
}

int32_t parse_count(const std::string& option, const std::string& text, int32_t minimum, int32_t maximum) {
    int64_t value = 0;
    if (!parse_integer(text, value) || value < minimum || value > maximum) {
        usage_error("invalid value '" + text + "' for " + option + " (expected a whole number from " +
                    std::to_string(minimum) + " to " + std::to_string(maximum) + ")");
    }
    return static_cast<int32_t>(value);
}

int32_t index_of(const std::string& option, const std::string& text, const int32_t* values, int32_t count) {
    int64_t value = 0;
    if (parse_integer(text, value)) {
        for (int32_t i = 0; i < count; ++i) {
            if (values[i] == value) return i;
        }
    }
    std::string allowed;
    for (int32_t i = 0; i < count; ++i) allowed += (i ? ", " : "") + std::to_string(values[i]);
    usage_error("invalid value '" + text + "' for " + option + " (expected one of " + allowed + ")");
}

std::string upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

const std::map<std::string, int32_t>& key_names() {
    static const std::map<std::string, int32_t> names = [] {
        std::map<std::string, int32_t> n = {
            {"BACKSPACE", VK_BACK},     {"BACK", VK_BACK},       {"TAB", VK_TAB},           {"RETURN", VK_RETURN},
            {"ENTER", VK_RETURN},       {"SHIFT", VK_SHIFT},     {"CONTROL", VK_CONTROL},   {"CTRL", VK_CONTROL},
            {"ALT", VK_MENU},           {"MENU", VK_MENU},       {"CAPSLOCK", VK_CAPITAL},  {"KANA", VK_KANA},
            {"KANJI", VK_KANJI},        {"ESCAPE", VK_ESCAPE},   {"ESC", VK_ESCAPE},        {"SPACE", VK_SPACE},
            {"LEFT", VK_LEFT},          {"UP", VK_UP},           {"RIGHT", VK_RIGHT},       {"DOWN", VK_DOWN},
            {"INSERT", VK_INSERT},      {"DELETE", VK_DELETE},   {"HOME", VK_HOME},         {"END", VK_END},
            {"LSHIFT", VK_LSHIFT},      {"RSHIFT", VK_RSHIFT},   {"LCONTROL", VK_LCONTROL}, {"RCONTROL", VK_RCONTROL},
            {"LCTRL", VK_LCONTROL},     {"RCTRL", VK_RCONTROL},  {"LALT", VK_LMENU},        {"RALT", VK_RMENU},
            {"COMMA", VK_OEM_COMMA},    {"MINUS", VK_OEM_MINUS}, {"PERIOD", VK_OEM_PERIOD}, {"SLASH", VK_OEM_2},
            {"SEMICOLON", VK_OEM_1},    {"COLON", VK_OEM_1},     {"PLUS", VK_OEM_PLUS},     {"AT", VK_OEM_3},
            {"LBRACKET", VK_OEM_4},     {"RBRACKET", VK_OEM_6},  {"BACKSLASH", VK_OEM_5},   {"CARET", VK_OEM_7},
            {"UNDERSCORE", VK_OEM_102},
        };
        for (int32_t i = 1; i <= 12; ++i) {
            std::string name(1, 'F');
            name.append(std::to_string(i));
            n[name] = VK_F1 + i - 1;
        }
        return n;
    }();
    return names;
}

int32_t parse_key_name(const std::string& text) {
    if (text.size() == 1) {
        const char c = upper(text)[0];
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    } else {
        const auto& names = key_names();
        const auto found = names.find(upper(text));
        if (found != names.end()) return found->second;
        int64_t value = 0;
        if (parse_integer(text, value) && value >= 1 && value <= 255) return static_cast<int32_t>(value);
    }
    usage_error("unknown key '" + text + "' (see --help for key names)");
}

KeyHold parse_key_hold(const std::string& text, int32_t frames) {
    const size_t at = text.rfind('@');
    if (at == std::string::npos || at == 0) usage_error("invalid --key '" + text + "' (expected KEY@FRAME[+FRAMES])");
    KeyHold hold;
    hold.code = parse_key_name(text.substr(0, at));
    const std::string when = text.substr(at + 1);
    const size_t plus = when.find('+');
    hold.first_frame = parse_count("--key", when.substr(0, plus), 1, frames);
    if (plus != std::string::npos) hold.frames = parse_count("--key", when.substr(plus + 1), 1, MAX_FRAMES);
    return hold;
}

std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) usage_error("--paste text ends with a lone backslash");
        switch (text[i]) {
            case 'n': out.push_back('\n'); break;
            case 'r': out.push_back('\r'); break;
            case 't': out.push_back('\t'); break;
            case '\\': out.push_back('\\'); break;
            case 'x': {
                int64_t value = 0;
                if (i + 2 >= text.size()) usage_error("--paste: \\x needs two hex digits");
                if (!parse_integer("0x" + text.substr(i + 1, 2), value))
                    usage_error("--paste: \\x needs two hex digits");
                out.push_back(static_cast<char>(value));
                i += 2;
                break;
            }
            default: usage_error(std::string("--paste: unknown escape \\") + text[i]);
        }
    }
    return out;
}

Options parse_options(int argc, char** argv) {
    Options o;
    std::vector<std::string> key_texts;
    std::vector<std::string> shot_texts;
    std::string paste_frame_text;
    std::string frames_text;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage_error("option " + arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--ipl") {
            o.ipl = value();
        } else if (arg == "--dir") {
            o.dir = value();
        } else if (arg == "--cart") {
            o.cart = value();
        } else if (arg == "--tape") {
            o.tape = value();
        } else if (arg == "--tape-record") {
            o.tape_record = value();
        } else if (arg == "--frames") {
            frames_text = value();
            o.frames = parse_count(arg, frames_text, 0, MAX_FRAMES);
        } else if (arg == "--speed") {
            static constexpr int32_t speeds[] = {1, 2, 4, 8, 16};
            o.speed_index = index_of(arg, value(), speeds, 5);
        } else if (arg == "--rate") {
            o.rate_index = index_of(arg, value(), SAMPLE_RATES_HZ, SAMPLE_RATE_COUNT);
        } else if (arg == "--buffer") {
            o.buffer_index = index_of(arg, value(), BUFFER_LENGTHS_MS, BUFFER_LENGTH_COUNT);
        } else if (arg == "--realtime") {
            o.realtime = true;
        } else if (arg == "--paste") {
            o.paste = unescape(value());
        } else if (arg == "--paste-frame") {
            paste_frame_text = value();
        } else if (arg == "--key") {
            key_texts.push_back(value());
        } else if (arg == "--screenshot") {
            o.screenshot = value();
        } else if (arg == "--screenshot-at") {
            shot_texts.push_back(value());
        } else if (arg == "--wav") {
            o.wav = value();
        } else if (arg == "--dump-ram") {
            o.dump_ram = value();
        } else if (arg == "--dump-vram") {
            o.dump_vram = value();
        } else if (arg == "--stats") {
            o.stats = true;
        } else {
            usage_error("unknown option '" + arg + "' (try --help)");
        }
    }
    // Frame numbers are checked against the final --frames.
    for (const std::string& k : key_texts) o.keys.push_back(parse_key_hold(k, o.frames));
    for (const std::string& s : shot_texts) {
        const size_t colon = s.find(':');
        if (colon == std::string::npos) usage_error("invalid --screenshot-at '" + s + "' (expected FRAME:FILE.png)");
        const int32_t frame = parse_count("--screenshot-at", s.substr(0, colon), 1, o.frames);
        o.screenshots_at.emplace_back(frame, s.substr(colon + 1));
    }
    if (!paste_frame_text.empty()) o.paste_frame = parse_count("--paste-frame", paste_frame_text, 1, o.frames);
    if (!o.tape.empty() && !o.tape_record.empty()) usage_error("--tape and --tape-record cannot be used together");
    return o;
}

// --- Platform ----------------------------------------------------------------

// A sound device whose play position advances with emulated time: 1/60 s of
// samples a frame, looping over the two halves of its buffer, so the host's
// feed takes blocks exactly as it would from a real device.
class VirtualSound {
public:
    void open(int32_t rate_hz, int32_t samples) {
        sample_rate = rate_hz;
        block_samples = samples;
        frames_elapsed = 0;
    }
    void advance_frame() { ++frames_elapsed; }
    bool half_free(bool first_half) const {
        const int64_t buffer = 2 * static_cast<int64_t>(block_samples);
        const int64_t position = frames_elapsed * sample_rate / FRAMES_PER_SECOND % buffer;
        return first_half ? position >= block_samples : position <= block_samples;
    }

private:
    int64_t sample_rate = 0;
    int64_t block_samples = 1;
    int64_t frames_elapsed = 0;
};

class RunnerPlatform final : public Platform {
public:
    RunnerPlatform(std::string program_dir, std::optional<std::string> clipboard)
        : directory(std::move(program_dir)), paste_text(std::move(clipboard)) {}

    uint32_t ticks_ms() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
    void sleep_ms(uint32_t milliseconds) override {
        if (milliseconds == 0) {
            std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        }
    }
    void set_title(const std::string& text) override { title = text; }
    void request_repaint() override { ++repaints; }
    std::string executable_path() override { return directory + "m5run"; }
    bool modifier_down(int32_t virtual_key) override { return held_sides.count(virtual_key) != 0; }
    std::optional<std::string> clipboard_text() override { return paste_text; }

    bool sound_open(int32_t sample_rate, int32_t block_samples) override {
        sound.open(sample_rate, block_samples);
        return true;
    }
    bool sound_half_free(bool first_half) override { return sound.half_free(first_half); }
    bool sound_write_half(bool, const int16_t*, int32_t) override { return true; }
    void sound_clear() override {}
    void sound_close() override {}

    std::string directory;
    std::optional<std::string> paste_text;
    std::string title;
    int64_t repaints = 0;
    std::set<int32_t> held_sides;  // side-specific modifiers held by --key
    VirtualSound sound;
};

// --- Running -------------------------------------------------------------------

// The private program directory of the run, removed with this object.
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

std::string executable_directory(const char* argv0) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) return self.parent_path().string();
    const std::string name = argv0;
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? "." : name.substr(0, slash);
}

// Checks that an input file can be opened and read as a regular file.
void require_readable(const std::string& what, const std::string& path) {
    FileStream file;
    if (!file.open(path, FILE_READ_BINARY)) {
        const int error = errno;
        run_error("cannot read " + what + " '" + path +
                  "': " + (error != 0 ? std::strerror(error) : "not a readable regular file"));
    }
}

void require_writable(const std::string& path) {
    std::string error;
    if (!path.empty() && !check_output_path(path, error)) run_error(error);
}

bool ends_with_wav(const std::string& path) {
    return path.size() >= 4 && path[path.size() - 4] == '.' && upper(path.substr(path.size() - 3)) == "WAV";
}

// Set by SIGINT or SIGTERM; the run then stops between frames and cleans up.
volatile std::sig_atomic_t stop_requested = 0;

extern "C" void request_stop(int) { stop_requested = 1; }

class Runner final : public FrameTarget {
public:
    Runner(const Options& options, RunnerPlatform& platform_services, Host& host_driver)
        : o(options), platform(platform_services), host(host_driver) {}

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
        host.emulate_frame();
        platform.sound.advance_frame();
        frames_done = frame;
        for (const auto& [at, path] : o.screenshots_at) {
            if (at == frame) screenshot(path);
        }
    }

    void screenshot(const std::string& path) {
        host.present_frame();
        std::string error;
        const uint16_t* pixels = host.surface_pixels();
        if (!write_output_file(
                path, [&](std::FILE* f) { return write_png_rgb565(f, pixels, SURFACE_WIDTH, SURFACE_HEIGHT); },
                error)) {
            run_error(error);
        }
    }

    int32_t frames_done = 0;

private:
    // Side-specific modifiers are held physically and reported to the host as
    // their generic key, as a keyboard does.
    void press(int32_t code, bool down) {
        int32_t reported = code;
        if (code == VK_LSHIFT || code == VK_RSHIFT) reported = VK_SHIFT;
        if (code == VK_LCONTROL || code == VK_RCONTROL) reported = VK_CONTROL;
        if (code == VK_LMENU || code == VK_RMENU) reported = VK_MENU;
        if (reported != code) {
            if (down) {
                platform.held_sides.insert(code);
            } else {
                platform.held_sides.erase(code);
            }
        }
        if (down) {
            host.key_down(reported);
        } else {
            host.key_up(reported);
        }
    }

    const Options& o;
    RunnerPlatform& platform;
    Host& host;
};

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string error;
    if (!write_output_file(
            path, [&](std::FILE* f) { return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(); }, error)) {
        run_error(error);
    }
}

int run(const Options& o, const char* argv0) {
    // Inputs and outputs are checked before anything runs.
    const std::string ipl =
        !o.ipl.empty() ? o.ipl : (o.dir.empty() ? executable_directory(argv0) : o.dir) + "/" + IPL_ROM_NAME;
    require_readable("IPL ROM", ipl);
    if (!o.cart.empty()) require_readable("cartridge", o.cart);
    if (!o.tape.empty()) require_readable("tape", o.tape);
    for (const std::string* out : {&o.tape_record, &o.screenshot, &o.wav, &o.dump_ram, &o.dump_vram}) {
        require_writable(*out);
    }
    for (const auto& shot : o.screenshots_at) require_writable(shot.second);

    std::signal(SIGINT, request_stop);
    std::signal(SIGTERM, request_stop);
    TemporaryDirectory program_dir;
    {
        std::string error;
        if (!copy_to_output_file(ipl, program_dir.path + IPL_ROM_NAME, error)) run_error(error);
    }

    Settings settings;
    settings.default_settings();
    settings.cpu_speed = o.speed_index;
    settings.sample_rate_index = o.rate_index;
    settings.buffer_length_index = o.buffer_index;

    RunnerPlatform platform(program_dir.path, o.paste);
    // The machine takes the processor speed from the settings when it starts.
    Host host(platform, settings);
    if (!o.cart.empty()) host.open_cartridge(o.cart);
    if (!o.tape.empty()) host.tape_play(o.tape);
    const std::string tape_out = program_dir.path + (ends_with_wav(o.tape_record) ? "tape.wav" : "tape.cas");
    if (!o.tape_record.empty()) host.tape_record(tape_out);
    if (!o.wav.empty()) {
        host.start_recording();
        if (!host.recording()) run_error("cannot record sound in '" + program_dir.path + "'");
    }

    Runner runner(o, platform, host);
    const auto started = std::chrono::steady_clock::now();
    if (o.realtime) {
        FramePacer pacer(platform, runner);
        pacer.start();
        while (runner.frames_done < o.frames) pacer.pass();
    } else {
        while (runner.frames_done < o.frames) runner.emulate_frame();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    if (!o.screenshot.empty()) runner.screenshot(o.screenshot);
    if (!o.dump_ram.empty()) {
        std::vector<uint8_t> ram(RAM_DUMP_SIZE);
        for (int32_t i = 0; i < RAM_DUMP_SIZE; ++i) {
            ram[static_cast<size_t>(i)] = host.machine().memory_map->peek(RAM_DUMP_START + i);
        }
        write_bytes(o.dump_ram, ram);
    }
    if (!o.dump_vram.empty()) {
        std::vector<uint8_t> vram(VRAM_DUMP_SIZE);
        for (int32_t i = 0; i < VRAM_DUMP_SIZE; ++i) vram[static_cast<size_t>(i)] = host.machine().vdp->vram_at(i);
        write_bytes(o.dump_vram, vram);
    }
    if (!o.tape_record.empty()) {
        host.tape_close();
        std::string error;
        if (!copy_to_output_file(tape_out, o.tape_record, error)) run_error(error);
    }
    if (!o.wav.empty()) {
        host.stop_recording();
        std::string error;
        if (!copy_to_output_file(program_dir.path + "sound.wav", o.wav, error)) run_error(error);
    }
    if (o.stats) {
        const double fps = seconds > 0 ? runner.frames_done / seconds : 0.0;
        std::printf("frames: %d\n", runner.frames_done);
        std::printf("wall seconds: %.3f\n", seconds);
        std::printf("frames per second: %.1f\n", fps);
        std::printf("times real time: %.2f\n", fps / FRAMES_PER_SECOND);
        if (o.realtime && !platform.title.empty()) std::printf("title: %s\n", platform.title.c_str());
    }
    return 0;
}

}  // namespace
}  // namespace m5::tools

int main(int argc, char** argv) {
    using namespace m5::tools;
    try {
        const Options options = parse_options(argc, argv);
        if (options.help) {
            std::fputs(HELP_TEXT, stdout);
            return 0;
        }
        return run(options, argv[0]);
    } catch (const Failure& failure) {
        std::fprintf(stderr, "m5run: %s\n", failure.text.c_str());
        return failure.code;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "m5run: %s\n", error.what());
        return 1;
    }
}
