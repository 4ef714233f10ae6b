#include "desktop/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "desktop/menu_model.h"
#include "host/file_stream.h"

namespace m5 {

namespace {

const char* const HELP_TEXT =
    R"(usage: m5emu [options] [FILE...]

Runs the Sord M5 emulator in a window. Each FILE is opened as the menu would
open it: a cartridge image (*.rom) is inserted, a tape image (*.wav or *.cas)
is played; both join their recent list.

Options:
  --ipl FILE             IPL ROM image to run instead of IPL.ROM
  --cart FILE            cartridge image (*.rom) to insert
  --tape FILE            tape image (*.wav or *.cas) to play
  --speed 1|2|4|8|16     processor speed for this run
  --scale 1|2|3|4        window size: the picture at this scale
  --fullscreen           start in fullscreen (F11 toggles it)
  --help                 this text
  --version              the program's version

Files: IPL.ROM is read from the program's directory (then from
$XDG_DATA_HOME/m5emu and the installed share/m5emu); the settings m5ce.cfg
and the sound recordings live in the program's directory, or in
$XDG_CONFIG_HOME/m5emu and $XDG_DATA_HOME/m5emu when it cannot be written.
)";

// A whole decimal number in the allowed list, or nothing.
std::optional<int32_t> index_in(const std::string& text, std::initializer_list<int32_t> allowed) {
    int32_t index = 0;
    for (int32_t value : allowed) {
        if (text == std::to_string(value)) return index;
        ++index;
    }
    return std::nullopt;
}

}  // namespace

const char* desktop_help_text() { return HELP_TEXT; }

DesktopOptions parse_desktop_options(const std::vector<std::string>& args) {
    DesktopOptions options;
    bool only_files = false;
    for (size_t i = 0; i < args.size() && options.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (only_files || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            only_files = true;
            continue;
        }
        // --name=value is accepted as well as --name value.
        std::string name = arg;
        std::optional<std::string> inline_value;
        const size_t equals = arg.find('=');
        if (equals != std::string::npos) {
            name = arg.substr(0, equals);
            inline_value = arg.substr(equals + 1);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inline_value) return inline_value;
            if (i + 1 < args.size()) return args[++i];
            options.error = "option " + name + " needs a value";
            return std::nullopt;
        };
        auto flag = [&](bool& target) {
            if (inline_value) {
                options.error = "option " + name + " takes no value";
            } else {
                target = true;
            }
        };
        if (name == "--help") {
            flag(options.help);
        } else if (name == "--version") {
            flag(options.version);
        } else if (name == "--fullscreen") {
            flag(options.fullscreen);
        } else if (name == "--ipl") {
            if (auto v = value()) options.ipl = *v;
        } else if (name == "--cart" || name == "--tape") {
            if (auto v = value()) {
                const MediaKind wanted = name == "--cart" ? MediaKind::cartridge : MediaKind::tape;
                if (media_kind(*v) != wanted) {
                    options.error = name == "--cart" ? "--cart needs a *.rom file: '" + *v + "'"
                                                     : "--tape needs a *.wav or *.cas file: '" + *v + "'";
                } else {
                    options.files.push_back(*v);
                }
            }
        } else if (name == "--speed") {
            if (auto v = value()) {
                options.speed_index = index_in(*v, {1, 2, 4, 8, 16});
                if (!options.speed_index) options.error = "--speed must be 1, 2, 4, 8 or 16, not '" + *v + "'";
            }
        } else if (name == "--scale") {
            if (auto v = value()) {
                const std::optional<int32_t> index = index_in(*v, {1, 2, 3, 4});
                if (index) {
                    options.window_scale = *index + 1;
                } else {
                    options.error = "--scale must be 1, 2, 3 or 4, not '" + *v + "'";
                }
            }
        } else {
            options.error = "unknown option " + name + " (try --help)";
        }
    }
    return options;
}

std::string check_files(const DesktopOptions& options) {
    // Only regular files: a FIFO, a device or a directory is refused at
    // once, without waiting on it.
    auto readable = [](const std::string& path) -> std::string {
        const int32_t error = readable_file_error(path);
        if (error == EINVAL) return "cannot read '" + path + "': it is not a regular file";
        if (error != 0) return "cannot open '" + path + "': " + std::strerror(error);
        return {};
    };
    if (!options.ipl.empty()) {
        if (std::string problem = readable(options.ipl); !problem.empty()) return problem;
    }
    for (const std::string& path : options.files) {
        if (media_kind(path) == MediaKind::unknown) {
            return "'" + path + "' is neither a cartridge (*.rom), a tape (*.wav, *.cas) nor a save state (*.m5s)";
        }
        if (std::string problem = readable(path); !problem.empty()) return problem;
    }
    return {};
}

}  // namespace m5
