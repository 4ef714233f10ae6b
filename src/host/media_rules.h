// What the emulator takes as a cartridge, a tape, a save state and an IPL
// ROM: one rule for every program, applied in the same words before the
// machine is touched. A file it refuses leaves the machine exactly as it
// was (no reset, no ejected cartridge, no stopped tape); the machine's own
// ways (inserting a cartridge resets, whatever it holds) are kept for the
// files that pass.
//
// - A cartridge is not empty and holds nothing but padding (0xFF or 0x00)
//   beyond the 20 KiB cartridge window. A first byte other than a header's
//   0x00, 0x02 or 0xFF is taken with a note: the IPL will not start it
//   (some dumps and test images are like that).
// - A tape is what the deck can play: a WAV file whose header the deck
//   understands and that holds samples; a CAS file that holds tape blocks
//   (one beginning "SORDM5") or runs of some length (the deck's own).
// - A save state begins as every state file does and is no larger than any
//   state can be; loading checks the rest.
// - An IPL ROM is not empty; only its first 8 KiB are used.
//
// Each answer is the end of a sentence about the file ("is empty", "is not a
// WAV file the tape deck can play"); file_sentence puts a program's name for
// the file in front of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devices/tape_media.h"

namespace m5 {

enum class FileKind : uint8_t { CARTRIDGE, TAPE, STATE, IPL_ROM };

struct FileCheck {
    // "" when the file is taken; else why not, as the end of a sentence.
    std::string refusal;
    // "" or something the user should know about a file that is taken.
    std::string note;
    bool taken() const { return refusal.empty(); }
};

// The most of a cartridge file that is read (a dump padded past the window).
inline constexpr size_t MAX_CARTRIDGE_FILE_BYTES = size_t{1} << 20;
// The longest tape (a WAV file of some hours).
inline constexpr uint64_t MAX_TAPE_FILE_BYTES = uint64_t{1} << 30;
// A state file is a few hundred KiB; a paste in progress can add up to 16 MiB.
inline constexpr size_t MAX_STATE_FILE_BYTES = size_t{64} << 20;
// The most of an IPL ROM file that is read.
inline constexpr size_t MAX_IPL_FILE_BYTES = size_t{1} << 20;

// "cartridge", "tape", "save state", "IPL ROM".
const char* file_kind_name(FileKind kind);

// Why a file could not be read (an error number of read_file), as the end
// of a sentence: "is not a file" (a FIFO, a directory), "cannot be read: ...".
std::string unreadable_answer(int32_t error);

// "The cartridge “game.rom” is empty": the kind, the name as the program
// quotes it (none when empty) and the answer of a check.
std::string file_sentence(FileKind kind, const std::string& quoted_name, const std::string& answer);

// The checks on bytes. `size` is the file's whole size; `data` holds all of
// it, or (for a file over the kind's maximum) at least its first bytes.
FileCheck check_cartridge(const uint8_t* data, size_t size);
FileCheck check_state(const uint8_t* data, size_t size);
FileCheck check_ipl_rom(const uint8_t* data, size_t size);
// A tape, played as `format` (a name ending in .wav, or bytes beginning
// "RIFF", make a WAV tape).
FileCheck check_tape(TapeImage& image, TapeFormat format);

// The same for files: read (a regular file only; a FIFO or a directory is
// "not a file", never waited on), then checked. `bytes` holds the file when
// it is taken; `image` the opened tape.
FileCheck read_cartridge_file(const std::string& path, std::vector<uint8_t>& bytes);
FileCheck read_state_file(const std::string& path, std::vector<uint8_t>& bytes);
FileCheck read_ipl_rom_file(const std::string& path, std::vector<uint8_t>& bytes);
FileCheck open_tape_file(const std::string& path, std::unique_ptr<TapeImage>& image);

}  // namespace m5
