#include "desktop/program_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "host/file_stream.h"
#include "host/host.h"

namespace m5 {

namespace {

std::string with_slash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

}  // namespace

ProgramPaths program_paths(const std::string& program_dir, bool program_dir_writable, const std::string& config_home,
                           const std::string& data_home) {
    ProgramPaths paths;
    paths.program_dir = program_dir;
    const std::string user_config = with_slash(config_home) + "m5emu/";
    const std::string user_data = with_slash(data_home) + "m5emu/";
    paths.settings_dir = program_dir_writable ? program_dir : user_config;
    paths.files_dir = program_dir_writable ? program_dir : user_data;
    paths.states_dir = paths.files_dir + "states/";
    paths.ipl_candidates = {program_dir + IPL_ROM_NAME, user_data + IPL_ROM_NAME,
                            program_dir + "../share/m5emu/" + IPL_ROM_NAME};
    return paths;
}

std::string xdg_base_dir(const char* variable, const std::string& home, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') return value;
    return with_slash(home) + fallback;
}

bool directory_writable(const std::string& dir) { return !dir.empty() && access(dir.c_str(), W_OK | X_OK) == 0; }

bool make_directories(const std::string& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    return std::filesystem::is_directory(dir, error);
}

std::string first_existing_file(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) return path;
    }
    return {};
}

std::string record_file_problem(const std::string& path) {
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        if (!std::filesystem::is_regular_file(path, error)) return "cannot be written: it is not a file";
        if (access(path.c_str(), W_OK) != 0) return std::string("cannot be written: ") + std::strerror(errno);
        return {};
    }
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (access(dir.c_str(), W_OK | X_OK) != 0) return std::string("cannot be written: ") + std::strerror(errno);
    return {};
}

}  // namespace m5
