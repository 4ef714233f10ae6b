// What the z80check modes share.
#include "tools/z80check/z80check.h"

#include <cstdio>

#include "host/file_stream.h"

namespace m5::z80check {

std::string read_file_or_fail(const std::string& path) {
    FileStream file;
    if (!file.open(path, FILE_READ_BINARY)) throw ToolError{"cannot read " + path};
    std::string contents;
    char buffer[1 << 16];
    while (const size_t count = file.read(buffer, 1, sizeof buffer)) contents.append(buffer, count);
    return contents;
}

std::string hex(long value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*lx", digits, value);
    return text;
}

}  // namespace m5::z80check
