// Where the desktop program finds its IPL ROM and keeps its own files.
//
// A program run from a directory it may write keeps everything there, as it
// always has: IPL.ROM, the settings m5ce.cfg, the desktop's own choices
// (m5emu.conf), the sound recordings and the quick save slots (in
// "states/"). An installed program cannot write its directory; it then keeps
// the settings and the desktop's choices in the user's configuration
// directory ($XDG_CONFIG_HOME/m5emu, by default ~/.config/m5emu) and the
// recordings and slots in the user's data directory ($XDG_DATA_HOME/m5emu,
// by default ~/.local/share/m5emu).
//
// IPL.ROM is looked for in the program directory, then in the user's data
// directory (where a user of an installed program puts the machine's own
// ROM), then in share/m5emu beside the installed program's bin directory
// (where an installation may put one); without one the free boot ROM
// compiled into the program runs.
#pragma once

#include <string>
#include <vector>

namespace m5 {

inline constexpr const char* DESKTOP_CHOICES_NAME = "m5emu.conf";

struct ProgramPaths {
    std::string program_dir;                  // the executable's directory, ending with '/'
    std::string settings_dir;                 // m5ce.cfg and m5emu.conf; ends with '/'
    std::string files_dir;                    // sound recordings; ends with '/'
    std::string states_dir;                   // quick save slots (files_dir + "states/")
    std::vector<std::string> ipl_candidates;  // IPL.ROM paths, first found wins
};

// The paths for a program in program_dir (ending with '/'). config_home and
// data_home are the XDG base directories (no trailing '/' needed).
ProgramPaths program_paths(const std::string& program_dir, bool program_dir_writable, const std::string& config_home,
                           const std::string& data_home);

// The XDG base directory named by the environment variable, or home +
// fallback when it is unset, empty or not absolute.
std::string xdg_base_dir(const char* variable, const std::string& home, const char* fallback);

// True when files can be created in the directory.
bool directory_writable(const std::string& dir);

// Creates the directory and its parents as needed; true when it exists then.
bool make_directories(const std::string& dir);

// The first candidate that exists as a regular file; "" when none does.
std::string first_existing_file(const std::vector<std::string>& paths);

// The same for a tape file to be recorded: "" when it can be created or
// written, otherwise "cannot be written: <reason>".
std::string record_file_problem(const std::string& path);

}  // namespace m5
