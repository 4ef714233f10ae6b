// Tape files: the host's side of the deck's media. Tapes the user names by
// a path are opened here and handed to the deck as a TapeImage or a
// TapeRecording; the kind (WAV or CAS) follows the file name.
#pragma once

#include <memory>
#include <string>

#include "devices/tape_deck.h"
#include "host/file_stream.h"

namespace m5 {

// True when `path` names a WAV image: at least 4 characters ending in ".wav"
// in any letter case.
bool is_wav_path(const std::string& path);
inline TapeFormat tape_format_of(const std::string& path) {
    return is_wav_path(path) ? TapeFormat::WAV : TapeFormat::CAS;
}

// A tape played from a file, read as it plays.
class FileTapeImage final : public TapeImage {
public:
    // Null when `path` is not a regular file that can be read.
    static std::unique_ptr<FileTapeImage> open(const std::string& path);
    uint64_t size() const override { return bytes; }
    size_t read(uint64_t offset, uint8_t* out, size_t count) override;

private:
    FileStream file;
    uint64_t bytes = 0;
};

// A tape recorded into a file.
class FileTapeRecording final : public TapeRecording {
public:
    // Creates (or empties) the file; null when it cannot be.
    static std::unique_ptr<FileTapeRecording> create(const std::string& path);
    // Opens an existing recording to be resumed from a save state; null when
    // it is not a regular file that can be read and written.
    static std::unique_ptr<FileTapeRecording> open_existing(const std::string& path);

    void write(uint64_t offset, const uint8_t* data, size_t count) override;
    size_t read(uint64_t offset, uint8_t* out, size_t count) override;
    uint64_t size() const override { return length; }
    bool truncate(uint64_t new_length) override;
    void flush() override { file.flush(); }
    int32_t finish() override;

private:
    FileStream file;
    uint64_t length = 0;
    uint64_t position = 0;  // where the stream stands, so that appends need no seek
    bool last_was_read = false;
};

// Plays or records the file at `path` in a deck driven directly (tests,
// benchmarks, fuzzers); a file that cannot be opened leaves the deck closed.
void tape_play_file(TapeDeck& deck, const std::string& path);
void tape_record_file(TapeDeck& deck, const std::string& path);

}  // namespace m5
