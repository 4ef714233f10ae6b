// m5run's command line: the options, their help text and the parser that
// turns arguments into an Options record.
//
// Adding an option: a field in Options, one rule in the table in
// m5run_options.cpp (name, whether it takes a value, what it stores), and a
// line in the help text there. A test checks that the table and the help
// text name the same options.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "m5/machine_config.h"

namespace m5::tools {

constexpr int32_t MAX_FRAMES = 1'000'000'000;

// A key held for a number of frames (--key).
struct KeyHold {
    int32_t code = 0;         // virtual-key code
    int32_t first_frame = 0;  // 1 = the first frame
    int32_t frames = 1;
};

// A file to write after a given frame (--screenshot-at, --save-state-at).
struct FrameFile {
    int32_t frame = 0;
    std::string path;
};

struct Options {
    MachineConfig machine;  // --model, --memory
    std::string ipl;
    std::string dir;
    std::string cart;
    std::string tape;
    std::string tape_record;
    std::string tape_info;
    int32_t frames = 60;
    int32_t speed_index = 0;
    int32_t rate_index = 1;
    int32_t buffer_index = 0;
    bool sound_by_frame = false;  // --buffer frame
    bool realtime = false;
    bool sprite_limit = false;
    std::optional<std::string> paste;
    int32_t paste_frame = 1;
    std::vector<KeyHold> keys;
    std::string screenshot;
    std::vector<FrameFile> screenshots_at;
    std::string wav;
    std::string gif;  // an animated GIF of the run, at gif_fps frames a second
    int32_t gif_fps = 30;
    std::string dump_ram;
    std::string dump_vram;
    std::string load_state;
    std::string save_state;
    std::vector<FrameFile> save_states_at;
    bool stats = false;
    bool help = false;
    bool frames_given = false;  // --frames was on the command line
    // Debugging (m5run_debug.cpp); addresses are resolved once the symbols are read.
    std::string trace;
    int32_t trace_from = 1;
    int32_t trace_frames = MAX_FRAMES;
    std::vector<std::string> breaks;
    std::vector<std::string> watches;
    std::string symbols;
    std::string gdb;  // [HOST:]PORT
};

// A bad command line; what() is the message without the program's name.
class OptionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. Throws OptionError.
Options parse_options(const std::vector<std::string>& args);

// Every output file the options name, in the order they are written; "-" is
// standard output.
std::vector<std::string> output_paths(const Options& o);

// The --help text.
const char* help_text();

// The names of all options, as the parser knows them.
std::vector<std::string> option_names();

}  // namespace m5::tools
