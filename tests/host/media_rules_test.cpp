// The one rule for what a cartridge, a tape, a save state and an IPL ROM
// are, case by case: what is refused, in which words, and what is taken
// with a note.
#include "host/media_rules.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <random>

#include "support/sordm5_writer.h"
#include "support/temp_dir.h"

namespace m5 {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes filled(size_t size, uint8_t first, uint8_t rest) {
    Bytes bytes(size, rest);
    if (size > 0) bytes[0] = first;
    return bytes;
}

Bytes noise(size_t size, uint8_t first) {
    std::mt19937 random(7);
    Bytes bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    if (size > 0) bytes[0] = first;
    return bytes;
}

using test::wav_file;

Bytes state_like(size_t size) {
    Bytes bytes(size, 0);
    const char magic[] = "M5STATE\x1A";
    std::memcpy(bytes.data(), magic, 8);
    return bytes;
}

struct Case {
    const char* what;
    FileKind kind;
    TapeFormat format;
    Bytes (*make)();      // made when the case runs: some are large
    const char* refusal;  // "" when taken
    const char* note;     // "" when taken without one
};

std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.what; }

class MediaRule : public ::testing::TestWithParam<Case> {};

TEST_P(MediaRule, takes_or_refuses_in_the_same_words) {
    const Case& c = GetParam();
    const Bytes bytes = c.make();
    FileCheck check;
    switch (c.kind) {
        case FileKind::CARTRIDGE: check = check_cartridge(bytes.data(), bytes.size()); break;
        case FileKind::STATE: check = check_state(bytes.data(), bytes.size()); break;
        case FileKind::IPL_ROM: check = check_ipl_rom(bytes.data(), bytes.size()); break;
        case FileKind::TAPE: {
            MemoryTapeImage image(bytes);
            check = check_tape(image, c.format);
            break;
        }
    }
    EXPECT_EQ(check.refusal, c.refusal);
    EXPECT_EQ(check.note, c.note);
}

const std::string WINDOW = "holds more than the M5's 20 KiB cartridge window";
const std::string NOT_WAV = "is not a WAV file the tape deck can play";
constexpr TapeFormat CAS = TapeFormat::CAS;
constexpr TapeFormat WAV = TapeFormat::WAV;
constexpr FileKind CART = FileKind::CARTRIDGE;
constexpr FileKind TAPE = FileKind::TAPE;

Bytes program_tape() { return test::sordm5_program("PROG", 0x7300, 0x7300, test::TapeBytes(300, 0xC9)); }

Bytes sordm5_without_blocks() {
    Bytes bytes = program_tape();
    bytes.resize(16);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, MediaRule,
    ::testing::Values(
        Case{"empty cartridge", CART, CAS, [] { return Bytes{}; }, "is empty", ""},
        Case{"cartridge 00", CART, CAS, [] { return filled(16384, 0x00, 0x11); }, "", ""},
        Case{"cartridge 02", CART, CAS, [] { return filled(4096, 0x02, 0x11); }, "", ""},
        Case{"cartridge FF", CART, CAS, [] { return filled(20480, 0xFF, 0x11); }, "", ""},
        Case{"cartridge without a header", CART, CAS, [] { return filled(8192, 0x5A, 0x11); }, "",
             "begins with 5A, not with a cartridge header (00, 02 or FF): the IPL will not start it"},
        Case{"dump padded with FF", CART, CAS,
             [] {
                 Bytes b = filled(32768, 0x02, 0xFF);
                 std::fill(b.begin() + 1, b.begin() + 20480, 0x11);
                 return b;
             },
             "", ""},
        Case{"dump padded with 00", CART, CAS,
             [] {
                 Bytes b = filled(65536, 0x00, 0x00);
                 std::fill(b.begin() + 1, b.begin() + 20480, 0x11);
                 return b;
             },
             "", ""},
        Case{"code past the window", CART, CAS, [] { return filled(20481, 0x00, 0x11); }, WINDOW.c_str(), ""},
        Case{"noise past the largest cartridge file", CART, CAS,
             [] { return noise(MAX_CARTRIDGE_FILE_BYTES + 1, 0x00); }, WINDOW.c_str(), ""},
        Case{"empty tape", TAPE, CAS, [] { return Bytes{}; }, "is empty", ""},
        Case{"empty WAV tape", TAPE, WAV, [] { return Bytes{}; }, "is empty", ""},
        Case{"RIFF....WAVEjunk", TAPE, WAV,
             [] {
                 const char text[] = "RIFF\x08\0\0\0WAVEjunk";
                 return Bytes(text, text + 16);
             },
             NOT_WAV.c_str(), ""},
        Case{"0 channels, 0 Hz, 7 bits", TAPE, WAV, [] { return wav_file(0, 0, 7, 100); }, NOT_WAV.c_str(), ""},
        Case{"noise named .wav", TAPE, WAV, [] { return noise(1 << 20, 0x55); }, NOT_WAV.c_str(), ""},
        Case{"WAV without samples", TAPE, WAV, [] { return wav_file(1, 44100, 8, 0); }, "holds no samples", ""},
        Case{"44.1 kHz WAV", TAPE, WAV, [] { return wav_file(1, 44100, 8, 4410); }, "", ""},
        Case{"the deck's own WAV", TAPE, WAV, [] { return wav_file(1, 47500, 8, 100); }, "", ""},
        Case{"runs of no length", TAPE, CAS, [] { return Bytes(4096, 0x80); }, "holds no tape signal", ""},
        Case{"1 MiB of noise as CAS", TAPE, CAS, [] { return noise(1 << 20, 0x55); }, "", ""},
        Case{"SORDM5 without blocks", TAPE, CAS, [] { return sordm5_without_blocks(); }, "holds no tape blocks", ""},
        Case{"SORDM5 program", TAPE, CAS, [] { return program_tape(); }, "", ""},
        Case{"empty state", FileKind::STATE, CAS, [] { return Bytes{}; }, "is empty", ""},
        Case{"a cartridge as a state", FileKind::STATE, CAS, [] { return filled(16384, 0x02, 0x11); },
             "is not a save state", ""},
        Case{"state", FileKind::STATE, CAS, [] { return state_like(300000); }, "", ""},
        Case{"huge state", FileKind::STATE, CAS, [] { return state_like(MAX_STATE_FILE_BYTES + 1); },
             "is larger than any save state", ""},
        Case{"empty IPL", FileKind::IPL_ROM, CAS, [] { return Bytes{}; }, "is empty", ""},
        Case{"long IPL", FileKind::IPL_ROM, CAS, [] { return filled(8193, 0xF3, 0x00); }, "",
             "is longer than 8192 bytes; only those are used"}));

// Files are read before they are checked: what cannot be read is refused
// in the same words, a FIFO without waiting on it.
TEST(MediaFiles, unreadable_files_are_refused_before_they_are_checked) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo.rom").c_str(), 0600), 0);
    Bytes bytes;
    EXPECT_EQ(read_cartridge_file(dir.file("fifo.rom"), bytes).refusal, "is not a file");
    EXPECT_EQ(read_state_file(dir.dir(), bytes).refusal, "is not a file");
    EXPECT_EQ(read_ipl_rom_file(dir.file("none"), bytes).refusal, "cannot be read: No such file or directory");
    std::unique_ptr<TapeImage> image;
    EXPECT_EQ(open_tape_file(dir.file("fifo.rom"), image).refusal, "is not a file");
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(file_sentence(FileKind::TAPE, "\u201Cx.wav\u201D", "holds no samples"),
              "The tape \u201Cx.wav\u201D holds no samples");
}

}  // namespace
}  // namespace m5
