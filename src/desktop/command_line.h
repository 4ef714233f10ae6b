// m5emu's command line: m5emu [options] [FILE...]
//
// Files are opened as the menu's dialogs would open them: *.rom inserted as
// the cartridge, *.wav and *.cas played as the tape. Options share their
// names with m5run's where they mean the same. Parsing needs no display, so
// that --help, --version and a bad command line are answered before any
// window opens.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace m5 {

struct DesktopOptions {
    std::string ipl;                      // --ipl: IPL image instead of IPL.ROM
    std::vector<std::string> files;       // cartridges and tapes, in order
    std::optional<int32_t> speed_index;   // --speed: 0..4 for x1..x16
    std::optional<int32_t> window_scale;  // --scale: 1..4
    bool fullscreen = false;
    bool help = false;
    bool version = false;
    std::string error;  // a bad command line: the one line to print
};

// Parses the arguments after the program's name (toolkit options already
// taken out). Files are only named here; see check_files.
DesktopOptions parse_desktop_options(const std::vector<std::string>& args);

// The first problem with the named files: one that cannot be read, or whose
// kind is unknown; "" when every file can be opened.
std::string check_files(const DesktopOptions& options);

const char* desktop_help_text();

}  // namespace m5
