// m5run --tape-info for SORDM5 tape files: which kind of CAS file it is and
// the blocks it holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devices/tape_media.h"

namespace m5::tools {

// The "name: value" lines --tape-info prints for a SORDM5 image: its format,
// how long it plays, then one line per block (type, length, checksum good,
// bad or missing; for a header its file type, name and addresses).
std::string describe_sordm5_tape(const std::vector<uint8_t>& image);

// When the file open in `file` is a SORDM5 image, prints its description
// and returns true; otherwise returns false. Reads from the start.
bool print_sordm5_tape_info(TapeCursor& file);

}  // namespace m5::tools
