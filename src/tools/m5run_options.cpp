#include "tools/m5run_options.h"

#include <algorithm>
#include <cstdint>
#include <functional>

#include "devices/virtual_keys.h"
#include "host/key_names.h"
#include "host/paste_sequencer.h"
#include "host/settings.h"

namespace m5::tools {
namespace {

const char* const HELP_TEXT =
    R"(usage: m5run [options]

Runs the Sord M5 emulator without a window for a number of frames (60 a
second, 50 on the 50 Hz model) and writes what was asked for.

Machine:
  --model ntsc|pal       the 60 Hz Japanese M5 (TMS9918A; the default) or the
                         50 Hz European one (TMS9929A); with no --ipl, the
                         free boot ROM of that model
  --memory 4k|32k|64kbf-2b|64kbf-2c
                         the memory fitted: the bare 4 KiB, the 32 KiB
                         expansion (the default), or the 64KBF module in its
                         2B or 2C version (modes by OUT (0x30),n)

Program and media:
  --ipl FILE             IPL ROM image to run
  --dir DIR              program directory holding IPL.ROM (default: the
                         directory of m5run itself); ignored with --ipl
  --cart FILE            cartridge image (*.rom) to insert
  --tape FILE            tape image (*.wav or *.cas) to play
  --tape-record FILE     record the tape output into FILE (*.wav or *.cas);
                         not together with --tape
  --tape-info FILE       print what the tape deck makes of the tape image
                         FILE (format, rate, channels, length, whether it is
                         converted or played as it stands) and run nothing

Running:
  --load-state FILE      start from a save state instead of power-on. The
                         --ipl and --cart options must give the ROMs the
                         state was saved with. With --tape, that file stands
                         for the tape the state was playing; with
                         --tape-record, FILE holds the recording the state's
                         run wrote so far and is continued (without them the
                         state's own tape path is opened). Frames count
                         from the state.
  --frames N             frames to run, the model's (default 60)
  --speed 1|2|4|8|16     processor speed (default 1)
  --rate HZ              sound sample rate: 2000, 4000, 8000, 11025, 22050,
                         44100 or 48000 (default 4000)
  --buffer MS            sound block length: 100, 200, 300 or 400 (default 100),
                         or "frame": each frame's sound as the machine made
                         it, as the C interface hands it over
  --realtime             pace the frames to real time as the desktop program
                         does (default: as fast as possible)
  --sprite-limit         hide the fifth and later sprites of a line, as the
                         real video chip does (default: draw them all)

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

Output (all written at the end of a successful run, each file whole, or
none at all; FILE - is standard output, and a link is followed to the file
it names, which is replaced):
  --screenshot FILE.png  the picture after the last frame
  --screenshot-at FRAME:FILE.png
                         the picture after frame FRAME; repeatable
  --gif FILE[:FPS]       the pictures of the run as an animated GIF at 30 (the
                         default), 15 or 10 frames a second
  --wav FILE             the sound of the whole run as the emulator's recorder
                         writes it: 16-bit stereo PCM in whole sound blocks
                         (a block still playing at the end is left out)
  --dump-ram FILE        RAM 0x7000-0xFFFF after the last frame (36 KiB)
  --dump-vram FILE       video RAM after the last frame (16 KiB)
  --save-state FILE      a save state of the machine after the last frame
  --save-state-at FRAME:FILE
                         a save state after frame FRAME; repeatable
  --stats                print frames, wall seconds, frames per second and
                         times real time

Debugging (ADDR is hexadecimal, e.g. 2000 or $2000, or a label of --symbols):
  --trace FILE           one line per instruction: frame, scanline, machine
                         clock, PC, the bytes, the instruction and the
                         registers before it runs
  --trace-from FRAME     start the trace at frame FRAME (default 1)
  --trace-frames N       trace N frames (default: to the end of the run)
  --break ADDR           stop when the processor reaches ADDR; repeatable
  --watch ADDR[:LEN][:r|w|rw]
                         stop after an instruction reads (r), writes (w, the
                         default) or does either (rw) to one of LEN bytes
                         (default 1) from ADDR; repeatable. At the first stop
                         m5run prints the reason, the registers and the code
                         around PC, writes the outputs as they are at that
                         moment (but no --save-state: the machine is inside
                         a frame) and exits with status 3
  --symbols FILE         labels for ADDR, from the lines "name equ value",
                         "name: value" or "name = value" assemblers write
  --gdb [HOST:]PORT      serve the GDB remote protocol (DeZog, gdb) on PORT
                         of 127.0.0.1 (or HOST), waiting for a client before
                         the first instruction; without --frames the run lasts
                         until the client kills or leaves
  --help                 this text

Files: the run uses a private temporary program directory (under $TMPDIR or
/tmp) that holds a copy of the IPL ROM and the emulator's own recording files,
and removes it at the end; nothing is written beside the ROM, and no settings
file is read or written. Exit status: 0 on success, 2 for a bad command line,
1 when an input cannot be read or an output cannot be written, 3 when
--break or --watch stopped the run.
)";

[[noreturn]] void usage_error(const std::string& message) { throw OptionError(message); }

// --- Values --------------------------------------------------------------------

// A decimal number, or hexadecimal after 0x.
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
        // Too large for 64 bits is no number (and would overflow).
        if (digit < 0 || value > (INT64_MAX - digit) / base) return false;
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

int32_t parse_key_name(const std::string& text) {
    if (const int32_t code = virtual_key_named(text)) return code;
    int64_t value = 0;
    if (text.size() > 1 && parse_integer(text, value) && value >= 1 && value <= 255) return static_cast<int32_t>(value);
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

// FRAME:FILE, the frame from 1 to the run's last.
FrameFile parse_frame_file(const std::string& option, const std::string& text, int32_t frames) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) usage_error("invalid " + option + " '" + text + "' (expected FRAME:FILE)");
    return {parse_count(option, text.substr(0, colon), 1, frames), text.substr(colon + 1)};
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

// --- The options -----------------------------------------------------------------

// The command line as it is being read.
struct Parse {
    Options options;
    // Values that name frames are checked against the final --frames, which
    // may come later on the line: their rules leave the work here.
    std::vector<std::function<void(Options&)>> once_frames_known;
};

struct OptionRule {
    const char* name;
    bool takes_value;
    void (*apply)(Parse& p, const std::string& value);
};

constexpr bool FLAG = false;
constexpr bool VALUE = true;

// Rules run in the order the options are given; a later value replaces an
// earlier one unless the option is repeatable.
const OptionRule OPTION_RULES[] = {
    {"--help", FLAG, [](Parse& p, const std::string&) { p.options.help = true; }},
    {"-h", FLAG, [](Parse& p, const std::string&) { p.options.help = true; }},
    // Machine.
    {"--model", VALUE,
     [](Parse& p, const std::string& v) {
         if (!model_from_key(v, p.options.machine.model))
             usage_error("invalid value '" + v + "' for --model (expected ntsc or pal)");
     }},
    {"--memory", VALUE,
     [](Parse& p, const std::string& v) {
         if (!memory_from_key(v, p.options.machine.memory))
             usage_error("invalid value '" + v + "' for --memory (expected 4k, 32k, 64kbf-2b or 64kbf-2c)");
     }},
    // Program and media.
    {"--ipl", VALUE, [](Parse& p, const std::string& v) { p.options.ipl = v; }},
    {"--dir", VALUE, [](Parse& p, const std::string& v) { p.options.dir = v; }},
    {"--cart", VALUE, [](Parse& p, const std::string& v) { p.options.cart = v; }},
    {"--tape", VALUE, [](Parse& p, const std::string& v) { p.options.tape = v; }},
    {"--tape-record", VALUE, [](Parse& p, const std::string& v) { p.options.tape_record = v; }},
    {"--tape-info", VALUE, [](Parse& p, const std::string& v) { p.options.tape_info = v; }},
    {"--load-state", VALUE, [](Parse& p, const std::string& v) { p.options.load_state = v; }},
    // Running.
    {"--frames", VALUE,
     [](Parse& p, const std::string& v) {
         p.options.frames = parse_count("--frames", v, 0, MAX_FRAMES);
         p.options.frames_given = true;
     }},
    {"--speed", VALUE,
     [](Parse& p, const std::string& v) {
         static constexpr int32_t speeds[] = {1, 2, 4, 8, 16};
         p.options.speed_index = index_of("--speed", v, speeds, 5);
     }},
    {"--rate", VALUE,
     [](Parse& p, const std::string& v) {
         p.options.rate_index = index_of("--rate", v, SAMPLE_RATES_HZ, SAMPLE_RATE_COUNT);
     }},
    {"--buffer", VALUE,
     [](Parse& p, const std::string& v) {
         p.options.sound_by_frame = v == "frame";
         if (!p.options.sound_by_frame) {
             p.options.buffer_index = index_of("--buffer", v, BUFFER_LENGTHS_MS, BUFFER_LENGTH_COUNT);
         }
     }},
    {"--realtime", FLAG, [](Parse& p, const std::string&) { p.options.realtime = true; }},
    {"--sprite-limit", FLAG, [](Parse& p, const std::string&) { p.options.sprite_limit = true; }},
    // Input.
    {"--paste", VALUE,
     [](Parse& p, const std::string& v) {
         p.options.paste = unescape(v);
         if (paste_bytes(*p.options.paste) > PASTE_MAX_BYTES) {
             usage_error("--paste: the text is too long to type (at most " + std::to_string(PASTE_MAX_BYTES) +
                         " characters)");
         }
     }},
    {"--paste-frame", VALUE,
     [](Parse& p, const std::string& v) {
         p.once_frames_known.push_back(
             [v](Options& o) { o.paste_frame = parse_count("--paste-frame", v, 1, o.frames); });
     }},
    {"--key", VALUE,
     [](Parse& p, const std::string& v) {
         p.once_frames_known.push_back([v](Options& o) { o.keys.push_back(parse_key_hold(v, o.frames)); });
     }},
    // Output.
    {"--screenshot", VALUE, [](Parse& p, const std::string& v) { p.options.screenshot = v; }},
    {"--screenshot-at", VALUE,
     [](Parse& p, const std::string& v) {
         p.once_frames_known.push_back(
             [v](Options& o) { o.screenshots_at.push_back(parse_frame_file("--screenshot-at", v, o.frames)); });
     }},
    {"--wav", VALUE, [](Parse& p, const std::string& v) { p.options.wav = v; }},
    {"--gif", VALUE,
     [](Parse& p, const std::string& v) {
         // FILE:FPS when what follows the last colon is a number.
         const size_t colon = v.rfind(':');
         int64_t number = 0;
         if (colon != std::string::npos && parse_integer(v.substr(colon + 1), number)) {
             static constexpr int32_t RATES[] = {30, 15, 10};
             p.options.gif_fps = RATES[index_of("--gif", v.substr(colon + 1), RATES, 3)];
             p.options.gif = v.substr(0, colon);
             if (p.options.gif.empty()) usage_error("option --gif needs a file before ':" + v.substr(colon + 1) + "'");
         } else {
             p.options.gif = v;
         }
     }},
    {"--dump-ram", VALUE, [](Parse& p, const std::string& v) { p.options.dump_ram = v; }},
    {"--dump-vram", VALUE, [](Parse& p, const std::string& v) { p.options.dump_vram = v; }},
    {"--save-state", VALUE, [](Parse& p, const std::string& v) { p.options.save_state = v; }},
    {"--save-state-at", VALUE,
     [](Parse& p, const std::string& v) {
         p.once_frames_known.push_back(
             [v](Options& o) { o.save_states_at.push_back(parse_frame_file("--save-state-at", v, o.frames)); });
     }},
    {"--stats", FLAG, [](Parse& p, const std::string&) { p.options.stats = true; }},
    // Debugging.
    {"--trace", VALUE, [](Parse& p, const std::string& v) { p.options.trace = v; }},
    {"--trace-from", VALUE,
     [](Parse& p, const std::string& v) { p.options.trace_from = parse_count("--trace-from", v, 1, MAX_FRAMES); }},
    {"--trace-frames", VALUE,
     [](Parse& p, const std::string& v) { p.options.trace_frames = parse_count("--trace-frames", v, 1, MAX_FRAMES); }},
    {"--break", VALUE, [](Parse& p, const std::string& v) { p.options.breaks.push_back(v); }},
    {"--watch", VALUE, [](Parse& p, const std::string& v) { p.options.watches.push_back(v); }},
    {"--symbols", VALUE, [](Parse& p, const std::string& v) { p.options.symbols = v; }},
    {"--gdb", VALUE, [](Parse& p, const std::string& v) { p.options.gdb = v; }},
};

const OptionRule* find_rule(const std::string& name) {
    for (const OptionRule& rule : OPTION_RULES) {
        if (name == rule.name) return &rule;
    }
    return nullptr;
}

}  // namespace

Options parse_options(const std::vector<std::string>& args) {
    Parse p;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const OptionRule* rule = find_rule(arg);
        if (rule == nullptr) usage_error("unknown option '" + arg + "' (try --help)");
        std::string value;
        if (rule->takes_value) {
            if (i + 1 >= args.size()) usage_error("option " + arg + " needs a value");
            value = args[++i];
            if (value.empty()) usage_error("option " + arg + " needs a value, not an empty one");
        }
        rule->apply(p, value);
    }
    for (const auto& check : p.once_frames_known) check(p.options);
    const Options& o = p.options;
    if (!o.tape.empty() && !o.tape_record.empty()) usage_error("--tape and --tape-record cannot be used together");
    const std::vector<std::string> outputs = output_paths(o);
    const auto to_standard_output = std::count(outputs.begin(), outputs.end(), "-");
    if (to_standard_output > 1) usage_error("only one output can go to standard output ('-')");
    if (to_standard_output == 1 && o.stats) usage_error("--stats cannot be used with an output on standard output");
    return p.options;
}

std::vector<std::string> output_paths(const Options& o) {
    std::vector<std::string> paths;
    for (const FrameFile& shot : o.screenshots_at) paths.push_back(shot.path);
    for (const FrameFile& state : o.save_states_at) paths.push_back(state.path);
    for (const std::string* path :
         {&o.screenshot, &o.dump_ram, &o.dump_vram, &o.tape_record, &o.wav, &o.gif, &o.save_state, &o.trace}) {
        if (!path->empty()) paths.push_back(*path);
    }
    return paths;
}

const char* help_text() { return HELP_TEXT; }

std::vector<std::string> option_names() {
    std::vector<std::string> names;
    for (const OptionRule& rule : OPTION_RULES) names.emplace_back(rule.name);
    return names;
}

}  // namespace m5::tools
