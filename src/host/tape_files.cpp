#include "host/tape_files.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace m5 {

bool is_wav_path(const std::string& path) {
    const size_t n = path.size();
    if (n < 4 || path[n - 4] != '.') return false;
    auto upper = [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); };
    return upper(path[n - 3]) == 'W' && upper(path[n - 2]) == 'A' && upper(path[n - 1]) == 'V';
}

std::unique_ptr<FileTapeImage> FileTapeImage::open(const std::string& path) {
    auto tape = std::unique_ptr<FileTapeImage>(new FileTapeImage());
    if (!tape->file.open(path, FILE_READ_BINARY)) return nullptr;
    const int64_t size = tape->file.size();
    tape->bytes = size > 0 ? static_cast<uint64_t>(size) : 0;
    return tape;
}

size_t FileTapeImage::read(uint64_t offset, uint8_t* out, size_t count) {
    if (offset >= bytes || file.seek(static_cast<int64_t>(offset), SEEK_FROM_START) != 0) return 0;
    return file.read(out, 1, count);
}

std::unique_ptr<FileTapeRecording> FileTapeRecording::create(const std::string& path) {
    auto tape = std::unique_ptr<FileTapeRecording>(new FileTapeRecording());
    if (!tape->file.open(path, FILE_CREATE_READ_WRITE)) return nullptr;
    return tape;
}

std::unique_ptr<FileTapeRecording> FileTapeRecording::open_existing(const std::string& path) {
    auto tape = std::unique_ptr<FileTapeRecording>(new FileTapeRecording());
    if (!tape->file.open(path, FILE_READ_WRITE_BINARY)) return nullptr;
    const int64_t size = tape->file.size();
    tape->length = size > 0 ? static_cast<uint64_t>(size) : 0;
    tape->position = 0;
    return tape;
}

void FileTapeRecording::write(uint64_t offset, const uint8_t* data, size_t count) {
    // stdio needs a seek between a read and a write.
    if (offset != position || last_was_read) file.seek(static_cast<int64_t>(offset), SEEK_FROM_START);
    last_was_read = false;
    const size_t written = file.write(data, 1, count);
    position = offset + written;
    length = std::max(length, position);
}

size_t FileTapeRecording::read(uint64_t offset, uint8_t* out, size_t count) {
    if (offset >= length || file.seek(static_cast<int64_t>(offset), SEEK_FROM_START) != 0) return 0;
    const size_t got = file.read(out, 1, static_cast<size_t>(std::min<uint64_t>(count, length - offset)));
    position = offset + got;
    last_was_read = true;
    return got;
}

bool FileTapeRecording::truncate(uint64_t new_length) {
    if (new_length == length) return true;
    if (new_length > length || !file.truncate(static_cast<int64_t>(new_length))) return false;
    length = new_length;
    // The stream's position is where it was; the next write seeks.
    position = UINT64_MAX;
    return true;
}

int32_t FileTapeRecording::finish() {
    file.close();
    return file.error();
}

void tape_play_file(TapeDeck& deck, const std::string& path) {
    deck.tape_play(FileTapeImage::open(path), tape_format_of(path));
}

void tape_record_file(TapeDeck& deck, const std::string& path) {
    deck.tape_record(FileTapeRecording::create(path), tape_format_of(path));
}

}  // namespace m5
