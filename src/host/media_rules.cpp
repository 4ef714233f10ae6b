#include "host/media_rules.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "devices/sordm5_tape.h"
#include "devices/wav_tape_reader.h"
#include "host/file_stream.h"
#include "host/state_file.h"
#include "host/tape_files.h"
#include "memory/memory_map.h"

namespace m5 {

namespace {

// The most of a SORDM5 file the deck reads (a header and data blocks).
constexpr size_t SORDM5_MAX_FILE_BYTES = size_t{1} << 20;
constexpr size_t SCAN_BYTES = size_t{1} << 16;

FileCheck refused(std::string why) { return FileCheck{std::move(why), ""}; }

std::string hex_byte(uint8_t value) {
    static constexpr char DIGITS[] = "0123456789ABCDEF";
    return std::string{DIGITS[value >> 4], DIGITS[value & 0xF]};
}

FileCheck read_checked(const std::string& path, size_t max_bytes, std::vector<uint8_t>& bytes,
                       FileCheck (*check)(const uint8_t*, size_t)) {
    std::vector<uint8_t> read;
    const int32_t error = read_file(path, max_bytes + 1, read);
    if (error != 0) return refused(unreadable_answer(error));
    FileCheck result = check(read.data(), read.size());
    if (result.taken()) bytes = std::move(read);
    return result;
}

FileCheck check_wav_tape(TapeImage& image) {
    TapeCursor cursor(&image);
    const WavTapeFormat format = read_wav_tape_format(cursor, static_cast<int64_t>(image.size()));
    if (!format.understood) return refused("is not a WAV file the tape deck can play");
    if ((format.converted ? format.frames : format.data_bytes) <= 0) return refused("holds no samples");
    return {};
}

FileCheck check_cas_tape(TapeImage& image) {
    uint8_t head[SORDM5_FILE_HEADER_SIZE] = {};
    const size_t got = image.read(0, head, sizeof head);
    if (is_sordm5_image(head, got)) {
        std::vector<uint8_t> blocks(static_cast<size_t>(std::min<uint64_t>(image.size(), SORDM5_MAX_FILE_BYTES)));
        blocks.resize(image.read(0, blocks.data(), blocks.size()));
        if (parse_sordm5_blocks(blocks.data(), blocks.size()).empty()) return refused("holds no tape blocks");
        return {};
    }
    // The deck's own runs: bits 0-6 of each byte are its length in ticks.
    std::vector<uint8_t> runs(SCAN_BYTES);
    for (uint64_t at = 0; at < image.size();) {
        const size_t n = image.read(at, runs.data(), runs.size());
        if (n == 0) break;
        if (std::any_of(runs.begin(), runs.begin() + static_cast<std::ptrdiff_t>(n),
                        [](uint8_t run) { return (run & 0x7F) != 0; })) {
            return {};
        }
        at += n;
    }
    return refused("holds no tape signal");
}

}  // namespace

std::string unreadable_answer(int32_t error) {
    if (error == EINVAL) return "is not a file";
    return std::string("cannot be read: ") + std::strerror(error);
}

const char* file_kind_name(FileKind kind) {
    switch (kind) {
        case FileKind::CARTRIDGE: return "cartridge";
        case FileKind::TAPE: return "tape";
        case FileKind::STATE: return "save state";
        case FileKind::IPL_ROM: return "IPL ROM";
    }
    return "file";
}

std::string file_sentence(FileKind kind, const std::string& quoted_name, const std::string& answer) {
    return std::string("The ") + file_kind_name(kind) + (quoted_name.empty() ? "" : " " + quoted_name) + " " + answer;
}

FileCheck check_cartridge(const uint8_t* data, size_t size) {
    if (size == 0) return refused("is empty");
    const std::string too_large = "holds more than the M5's 20 KiB cartridge window";
    if (size > MAX_CARTRIDGE_FILE_BYTES) return refused(too_large);
    // Dumps are sometimes padded to a power of two; anything else past the
    // window could never be read by the machine.
    for (size_t i = CARTRIDGE_SIZE; i < size; ++i) {
        if (data[i] != 0xFF && data[i] != 0x00) return refused(too_large);
    }
    FileCheck result;
    if (data[0] != 0x00 && data[0] != 0x02 && data[0] != 0xFF) {
        result.note = "begins with " + hex_byte(data[0]) +
                      ", not with a cartridge header (00, 02 or FF): the IPL will not start it";
    }
    return result;
}

FileCheck check_state(const uint8_t* data, size_t size) {
    if (size == 0) return refused("is empty");
    if (size > MAX_STATE_FILE_BYTES) return refused("is larger than any save state");
    if (size < sizeof STATE_FILE_MAGIC || std::memcmp(data, STATE_FILE_MAGIC, sizeof STATE_FILE_MAGIC) != 0) {
        return refused("is not a save state");
    }
    return {};
}

FileCheck check_ipl_rom(const uint8_t*, size_t size) {
    if (size == 0) return refused("is empty");
    FileCheck result;
    if (size > static_cast<size_t>(IPL_ROM_SIZE)) result.note = "is longer than 8192 bytes; only those are used";
    return result;
}

FileCheck check_tape(TapeImage& image, TapeFormat format) {
    if (image.size() == 0) return refused("is empty");
    if (image.size() > MAX_TAPE_FILE_BYTES) return refused("is larger than 1 GiB, longer than any tape");
    return format == TapeFormat::WAV ? check_wav_tape(image) : check_cas_tape(image);
}

FileCheck read_cartridge_file(const std::string& path, std::vector<uint8_t>& bytes) {
    return read_checked(path, MAX_CARTRIDGE_FILE_BYTES, bytes, check_cartridge);
}

FileCheck read_state_file(const std::string& path, std::vector<uint8_t>& bytes) {
    return read_checked(path, MAX_STATE_FILE_BYTES, bytes, check_state);
}

FileCheck read_ipl_rom_file(const std::string& path, std::vector<uint8_t>& bytes) {
    FileCheck result = read_checked(path, MAX_IPL_FILE_BYTES, bytes, check_ipl_rom);
    if (result.taken() && bytes.size() > static_cast<size_t>(IPL_ROM_SIZE)) bytes.resize(IPL_ROM_SIZE);
    return result;
}

FileCheck open_tape_file(const std::string& path, std::unique_ptr<TapeImage>& image) {
    const int32_t error = readable_file_error(path);
    if (error != 0) return refused(unreadable_answer(error));
    std::unique_ptr<TapeImage> tape = FileTapeImage::open(path);
    if (!tape) return refused(unreadable_answer(errno != 0 ? errno : EIO));
    FileCheck result = check_tape(*tape, tape_format_of(path));
    if (result.taken()) image = std::move(tape);
    return result;
}

}  // namespace m5
