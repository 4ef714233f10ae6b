#include "m5run_harness.h"

#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace m5::test {

RunResult run_m5run(const std::vector<std::string>& args, const std::string& work_dir, const std::string& temp_dir,
                    int64_t file_size_limit) {
    RunResult r;
    const std::string out_file = work_dir + "/m5run.stdout";
    const std::string err_file = work_dir + "/m5run.stderr";
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(M5RUN_PATH));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (!std::freopen(out_file.c_str(), "w", stdout) || !std::freopen(err_file.c_str(), "w", stderr)) _exit(127);
        ::setenv("TMPDIR", temp_dir.c_str(), 1);
        if (file_size_limit >= 0) {
            const rlimit limit{static_cast<rlim_t>(file_size_limit), static_cast<rlim_t>(file_size_limit)};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
        }
        ::execv(M5RUN_PATH, argv.data());
        _exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = read_file(out_file);
    r.err = read_file(err_file);
    std::error_code ignored;
    std::filesystem::remove(out_file, ignored);
    std::filesystem::remove(err_file, ignored);
    return r;
}

uint16_t le16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(at)) | (static_cast<uint8_t>(bytes.at(at + 1)) << 8));
}

uint32_t le32(const std::string& bytes, size_t at) {
    return le16(bytes, at) | (static_cast<uint32_t>(le16(bytes, at + 2)) << 16);
}

Picture read_png(const std::string& path) {
    Picture p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
    image.format = PNG_FORMAT_RGB;
    p.rgb.resize(PNG_IMAGE_SIZE(image));
    p.ok = png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr) != 0;
    p.width = static_cast<int32_t>(image.width);
    p.height = static_cast<int32_t>(image.height);
    return p;
}

}  // namespace m5::test
