#include "tools/tape_info.h"

#include <algorithm>
#include <cstdio>

#include "devices/sordm5_tape.h"
#include "devices/wav_tape_reader.h"

namespace m5::tools {

namespace {

// A byte of a name or a block type as text: printable ASCII as it is,
// anything else as \xHH.
std::string shown(const std::string& bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && c != '"' && c != '\\') {
            text += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", b);
            text += escape;
        }
    }
    return text;
}

std::string format(const char* pattern, auto... values) {
    char line[160];
    std::snprintf(line, sizeof line, pattern, values...);
    return line;
}

}  // namespace

std::string describe_sordm5_tape(const std::vector<uint8_t>& image) {
    int64_t ticks = 0;
    sordm5_runs(image.data(), image.size(), TAPE_TICKS_PER_SECOND, [&](uint8_t, int64_t steps) { ticks += steps; });
    std::string text = "format: CAS, SORDM5 tape blocks\n";
    text += format("length: %.3f s\n", static_cast<double>(ticks) / TAPE_TICKS_PER_SECOND);
    text += "playback: the tape signal of its blocks\n";
    int32_t number = 0;
    for (const Sordm5Block& b : parse_sordm5_blocks(image.data(), image.size())) {
        text += format("block %d: type \"%s\"", ++number, shown(std::string(1, static_cast<char>(b.type))).c_str());
        if (!b.has_length) {
            text += ", cut short before its length\n";
            continue;
        }
        text += format(", %d bytes", b.length);
        if (b.present < b.length) text += format(" (%d in the file)", b.present);
        text += b.has_checksum ? (b.checksum_good() ? ", checksum good" : ", checksum bad") : ", checksum missing";
        if (b.has_header) {
            const Sordm5Header& h = b.header;
            text += format(", file type %d, name \"%s\", load 0x%04X, length %u, start 0x%04X", h.file_type,
                           shown(h.name).c_str(), h.load_address, h.length, h.start_address);
        }
        text += "\n";
    }
    return text;
}

bool print_sordm5_tape_info(TapeCursor& file) {
    std::vector<uint8_t> image(SORDM5_SIGNATURE_SIZE);
    file.seek(0);
    if (file.read(image.data(), 1, image.size()) != image.size() || !is_sordm5_image(image.data(), image.size())) {
        return false;
    }
    // As much as the deck reads, and no more.
    const uint64_t size = file.size();
    image.resize(static_cast<size_t>(std::min<uint64_t>(size, SORDM5_MAX_FILE_BYTES)));
    file.seek(0);
    image.resize(file.read(image.data(), 1, image.size()));
    std::fputs(describe_sordm5_tape(image).c_str(), stdout);
    if (size > image.size()) {
        std::printf("note: the file holds %llu bytes; the tape deck reads and plays the first %zu\n",
                    static_cast<unsigned long long>(size), image.size());
    }
    return true;
}

}  // namespace m5::tools
