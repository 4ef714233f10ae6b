// z80check: runs the Z80 core alone on a flat 64 KiB RAM and checks it
// against third-party conformance material. One file per mode (cpm.cpp,
// fuse.cpp, json.cpp); this header holds what they share.
#pragma once

#include <string>
#include <vector>

namespace m5::z80check {

// Exit status: 0 when everything matched, 1 on mismatches, 2 on bad usage or
// unreadable input (with one error line on stderr).
constexpr int EXIT_MISMATCH = 1;
constexpr int EXIT_USAGE = 2;

// A failure that ends the tool with one line on stderr.
struct ToolError {
    std::string message;
};

// The whole of a regular file; a directory or a device is not one and fails
// like a missing file.
std::string read_file_or_fail(const std::string& path);

// `value` in lower-case hexadecimal, at least `digits` wide.
std::string hex(long value, int digits);

// The modes; each takes the arguments after its name, prints its results on
// standard output, returns the exit status and throws ToolError on bad input.
int run_cpm(const std::vector<std::string>& args);
int run_fuse(const std::vector<std::string>& args);
int run_json(const std::vector<std::string>& args);

}  // namespace m5::z80check
