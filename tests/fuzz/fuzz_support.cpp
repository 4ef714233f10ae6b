#include "fuzz_support.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace m5::fuzz {

namespace fs = std::filesystem;

namespace {

struct ScratchDir {
    ScratchDir() {
        std::error_code ec;
        std::string pattern = (fs::temp_directory_path(ec) / "m5fuzz.XXXXXX").string();
        if (ec || ::mkdtemp(pattern.data()) == nullptr) {
            std::fprintf(stderr, "cannot create a temporary directory from %s\n", pattern.c_str());
            std::abort();
        }
        path = pattern + "/";
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string path;
};

}  // namespace

const std::string& scratch_dir() {
    static const ScratchDir dir;
    return dir.path;
}

void write_file(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.flush()) fail(__FILE__, __LINE__, "cannot write " + path);
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void fail(const char* file, int line, const std::string& what) {
    std::fprintf(stderr, "%s:%d: %s\n", file, line, what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace m5::fuzz
