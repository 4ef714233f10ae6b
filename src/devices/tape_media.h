// Tape media: how tapes reach the deck from the program hosting the machine.
//
// The deck never opens a file. The host hands it a TapeImage to play (a file
// it opened, or bytes in memory) and a TapeRecording to record into (a file,
// or a caller's callback); the deck owns each until the tape is closed.
// Recordings stream out as they are made, so an hour of recording is never
// held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "machine/sha256.h"

namespace m5 {

// The kinds of tape image the deck plays and records.
enum class TapeFormat : uint8_t { CAS, WAV };

// A tape image to play, read by position.
class TapeImage {
public:
    virtual ~TapeImage() = default;
    virtual uint64_t size() const = 0;
    // Copies up to `count` bytes from `offset` into `out`; returns how many
    // (fewer only at the end of the image or on a read error).
    virtual size_t read(uint64_t offset, uint8_t* out, size_t count) = 0;

    // The SHA-256 of the whole image, read through once when first asked.
    const Sha256Digest& digest();

private:
    Sha256Digest digest_{};
    bool digest_known_ = false;
};

// An image held in memory.
class MemoryTapeImage final : public TapeImage {
public:
    explicit MemoryTapeImage(std::vector<uint8_t> image) : bytes(std::move(image)) {}
    uint64_t size() const override { return bytes.size(); }
    size_t read(uint64_t offset, uint8_t* out, size_t count) override;

private:
    std::vector<uint8_t> bytes;
};

// A tape being recorded: bytes written by position. The image grows at its
// end; the deck writes a WAV image's header first and again, with its sizes,
// when the recording ends. A recording the host resumes from a save state
// already holds the part recorded before the save.
class TapeRecording {
public:
    virtual ~TapeRecording() = default;
    virtual void write(uint64_t offset, const uint8_t* data, size_t count) = 0;
    // Reads back what was written (for checking a resumed recording); returns
    // how many bytes were there.
    virtual size_t read(uint64_t offset, uint8_t* out, size_t count) = 0;
    // Bytes in the recording now.
    virtual uint64_t size() const = 0;
    // Cuts the recording back to `length` bytes (a resumed recording drops
    // what followed the save); false when it cannot.
    virtual bool truncate(uint64_t length) = 0;
    // Everything written so far reaches its destination.
    virtual void flush() {}
    // The recording ends: 0, or the error number of the first write that
    // failed (the image is then incomplete).
    virtual int32_t finish() = 0;
};

// Reads an image in order from a position, as a file is read.
class TapeCursor {
public:
    TapeCursor() = default;
    explicit TapeCursor(TapeImage* tape) : image(tape) {}

    // Reads up to `count` elements of `element_size` bytes; returns how many
    // whole elements were read and moves past them.
    size_t read(void* buffer, size_t element_size, size_t count) {
        if (image == nullptr || element_size == 0) return 0;
        const size_t got = image->read(position, static_cast<uint8_t*>(buffer), element_size * count);
        const size_t whole = got / element_size;
        position += whole * element_size;
        return whole;
    }
    void seek(uint64_t offset) { position = offset; }
    uint64_t tell() const { return position; }
    uint64_t size() const { return image != nullptr ? image->size() : 0; }

private:
    TapeImage* image = nullptr;
    uint64_t position = 0;
};

}  // namespace m5
