// What the end-to-end tests of the headless runner share: running the m5run
// program with its temporary files in a directory of the test's, and reading
// back what it wrote.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace m5::test {

struct RunResult {
    int exit_code = -1;  // -1 when m5run did not exit normally
    std::string out;
    std::string err;
};

// Runs m5run with the arguments, TMPDIR set to `temp_dir`; its standard
// output and error are captured through files in `work_dir` (removed again).
// A `file_size_limit` of 0 or more bytes limits every file m5run writes.
RunResult run_m5run(const std::vector<std::string>& args, const std::string& work_dir, const std::string& temp_dir,
                    int64_t file_size_limit = -1);

// A test that runs m5run in a directory of its own (`dir`), whose tmp/ is
// m5run's TMPDIR.
class M5RunDirTest : public ::testing::Test {
protected:
    M5RunDirTest() { std::filesystem::create_directories(dir / "tmp"); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    RunResult run(const std::vector<std::string>& args, int64_t file_size_limit = -1) const {
        return run_m5run(args, dir.string(), path("tmp"), file_size_limit);
    }

    TempDir temp;
    std::filesystem::path dir = temp.path();
};

uint16_t le16(const std::string& bytes, size_t at);
uint32_t le32(const std::string& bytes, size_t at);

using Rgb = std::array<uint8_t, 3>;

// A PNG read as 8-bit RGB; ok is false when it could not be read.
struct Picture {
    bool ok = false;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
    Rgb at(int32_t x, int32_t y) const {
        const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

Picture read_png(const std::string& path);

}  // namespace m5::test
