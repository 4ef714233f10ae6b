// Our own Z80 programs write a byte pattern to tape through port 0x50 while
// the deck records, then read it back from the played tape in a machine that
// has been reset: the whole cassette path in both directions, in both image
// formats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "devices/tape_deck.h"
#include "host/tape_files.h"
#include "m5/machine.h"
#include "machine/state_io.h"
#include "memory/memory_map.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

namespace fs = std::filesystem;

constexpr int32_t DONE_FLAG = 0x7000;
constexpr int32_t BYTES_READ = 0x7100;
constexpr int32_t FRAME_LIMIT = 300;
// The pattern in tape_write.asm.
const std::vector<int32_t> PATTERN = {0x00, 0xFF, 0x55, 0xAA, 0x01, 0x80, 0x12, 0x34,
                                      0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0xA5, 0x3C};

// A machine whose IPL ROM is one of our test programs.
struct ProgramMachine {
    explicit ProgramMachine(const char* rom) : machine(std::make_unique<Machine>(&host)) {
        test::load_ipl(*machine, rom);
    }
    bool done() { return machine->memory_map->mem_read8(DONE_FLAG) == 0xAA; }
    // Runs frames until the program is done, reading the activity flag once a
    // frame as the host does; true if any frame saw tape activity.
    bool run_until_done() {
        bool active = false;
        for (int32_t frame = 0; frame < FRAME_LIMIT && !done(); ++frame) {
            machine->run_frame();
            if (machine->tape_status()) active = true;
        }
        return active;
    }
    test::TestHost host;
    std::unique_ptr<Machine> machine;
};

// A temporary folder for the tapes the machines write and read.
template <typename Param>
class WriterAndReader : public ::testing::TestWithParam<Param> {
protected:
    WriterAndReader() : dir(temp.dir()) {}
    test::TempDir temp;
    fs::path dir;
};

using TapeRoundTrip = WriterAndReader<const char*>;

TEST_P(TapeRoundTrip, bytes_written_through_port_0x50_read_back_from_the_tape) {
    const std::string tape = (dir / (std::string("pattern") + GetParam())).string();

    ProgramMachine writer("tape_write");
    tape_record_file(*writer.machine->tape_deck, tape);
    writer.machine->run_frame();
    ASSERT_TRUE(writer.machine->tape_deck->motor || writer.done()) << "the program did not start the motor";
    writer.run_until_done();
    ASSERT_TRUE(writer.done());
    EXPECT_FALSE(writer.machine->tape_deck->motor);
    writer.machine->reset();  // finishes the recording
    ASSERT_GT(fs::file_size(tape), 100u);

    ProgramMachine reader("tape_read");
    reader.machine->reset();
    tape_play_file(*reader.machine->tape_deck, tape);
    EXPECT_TRUE(reader.run_until_done());
    ASSERT_TRUE(reader.done());
    std::vector<int32_t> read;
    for (size_t i = 0; i < PATTERN.size(); ++i)
        read.push_back(reader.machine->memory_map->mem_read8(BYTES_READ + static_cast<int32_t>(i)));
    EXPECT_EQ(read, PATTERN);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, TapeRoundTrip, ::testing::Values(".cas", ".wav"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param + 1); });

// A recording of the tape as a digitised cassette would come: the deck's own
// levels, one per tick, sampled at another rate into another sample format.
struct Digitised {
    const char* name;
    uint32_t rate_hz;
    int bits;
    bool is_float;
    int channels;
    bool extensible;     // WAVE_FORMAT_EXTENSIBLE format chunk
    bool list_chunk;     // an odd-sized LIST chunk before the format chunk
    bool size_past_end;  // the data chunk claims more than the file holds
    double amplitude;    // peak of the signal around its middle, share of full scale
    double offset;       // DC offset, share of full scale
    bool inverted;
    double hiss = 0.0;    // peak of a noise added throughout, share of full scale
    bool clicks = false;  // two-sample spikes half full scale past the signal's peaks, 25 a second
};

void PrintTo(const Digitised& form, std::ostream* out) { *out << form.name; }

void put_bytes(std::vector<uint8_t>& out, const void* bytes, size_t count) {
    const auto* from = static_cast<const uint8_t*>(bytes);
    out.insert(out.end(), from, from + count);
}
void put_u16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}
void put_u32(std::vector<uint8_t>& out, uint32_t value) {
    put_u16(out, value);
    put_u16(out, value >> 16);
}

// `levels` (one per tick, 47500 a second) as a WAV file in the given form.
std::vector<uint8_t> digitise(const std::vector<int>& levels, const Digitised& form) {
    const uint32_t bytes_per_sample = static_cast<uint32_t>(form.bits) / 8;
    const uint32_t block = bytes_per_sample * static_cast<uint32_t>(form.channels);
    const auto frames = static_cast<uint32_t>(uint64_t{levels.size()} * form.rate_hz / 47500);
    std::vector<uint8_t> data;
    uint32_t noise = 1;
    for (uint32_t n = 0; n < frames; ++n) {
        const int level = levels[uint64_t{n} * 47500 / form.rate_hz];
        noise = noise * 1664525u + 1013904223u;
        const double hiss = form.hiss * (static_cast<double>(noise >> 8) / (1u << 23) - 1.0);
        const double swing = (level == (form.inverted ? 0 : 1) ? 1 : -1) * form.amplitude;
        const double click = form.clicks && (n + form.rate_hz / 64) % (form.rate_hz / 25) < 2 ? 0.5 : 0.0;
        const double value = std::clamp(form.offset + swing * (1 + click / form.amplitude) + hiss, -1.0, 1.0);
        for (int channel = 0; channel < form.channels; ++channel) {
            if (form.is_float) {
                const auto sample = static_cast<float>(value);
                put_bytes(data, &sample, sizeof sample);
            } else if (form.bits == 8) {
                data.push_back(static_cast<uint8_t>(std::lround(128 + value * 127)));
            } else {
                const double full = std::ldexp(1.0, form.bits - 1) - 1;
                const auto sample = static_cast<uint32_t>(static_cast<int32_t>(std::lround(value * full)));
                for (uint32_t i = 0; i < bytes_per_sample; ++i) data.push_back(static_cast<uint8_t>(sample >> (8 * i)));
            }
        }
    }
    std::vector<uint8_t> body;
    put_bytes(body, "WAVE", 4);
    if (form.list_chunk) {
        put_bytes(body, "LIST", 4);
        put_u32(body, 13);
        put_bytes(body, "INFOISFT\x01\0\0\0X\0", 14);  // 13 bytes and a pad byte
    }
    put_bytes(body, "fmt ", 4);
    put_u32(body, form.extensible ? 40 : 16);
    put_u16(body, form.extensible ? 0xFFFE : form.is_float ? 3 : 1);
    put_u16(body, static_cast<uint32_t>(form.channels));
    put_u32(body, form.rate_hz);
    put_u32(body, form.rate_hz * block);
    put_u16(body, block);
    put_u16(body, static_cast<uint32_t>(form.bits));
    if (form.extensible) {
        put_u16(body, 22);
        put_u16(body, static_cast<uint32_t>(form.bits));
        put_u32(body, form.channels == 2 ? 3 : 4);  // speaker mask
        put_u16(body, form.is_float ? 3 : 1);
        put_bytes(body, "\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 14);
    }
    put_bytes(body, "data", 4);
    put_u32(body, form.size_past_end ? 0xFFFFFFF0u : static_cast<uint32_t>(data.size()));
    body.insert(body.end(), data.begin(), data.end());
    std::vector<uint8_t> file;
    put_bytes(file, "RIFF", 4);
    put_u32(file, static_cast<uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

using DigitisedTape = WriterAndReader<Digitised>;

TEST_P(DigitisedTape, recording_in_another_format_reads_back_every_byte) {
    const fs::path own = dir / "own.wav";
    ProgramMachine writer("tape_write");
    tape_record_file(*writer.machine->tape_deck, own.string());
    writer.run_until_done();
    ASSERT_TRUE(writer.done());
    writer.machine->reset();

    std::ifstream in(own, std::ios::binary);
    const std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(image.size(), 44u);
    std::vector<int> levels;
    for (size_t i = 44; i < image.size(); ++i) levels.push_back(image[i] >= 0x80 ? 1 : 0);
    const fs::path digitised = dir / "digitised.wav";
    const std::vector<uint8_t> file = digitise(levels, GetParam());
    std::ofstream(digitised, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));

    ProgramMachine reader("tape_read");
    reader.machine->reset();
    tape_play_file(*reader.machine->tape_deck, digitised.string());
    EXPECT_TRUE(reader.machine->tape_deck->converter.active());
    // A state saved while the tape plays goes on in another machine alike.
    for (int frame = 0; frame < 3; ++frame) reader.machine->run_frame();
    StateWriter saved;
    reader.machine->save_state(saved);
    ProgramMachine restored("tape_read");
    restored.machine->tape_deck->offered_image = FileTapeImage::open(digitised.string());
    StateReader state(saved.data().data(), saved.data().size());
    ASSERT_TRUE(restored.machine->load_state(state));
    ASSERT_TRUE(restored.machine->tape_deck->playing) << restored.machine->tape_deck->load_note;
    for (ProgramMachine* machine : {&reader, &restored}) {
        machine->run_until_done();
        ASSERT_TRUE(machine->done());
        std::vector<int32_t> read;
        for (size_t i = 0; i < PATTERN.size(); ++i)
            read.push_back(machine->machine->memory_map->mem_read8(BYTES_READ + static_cast<int32_t>(i)));
        EXPECT_EQ(read, PATTERN);
    }
}

// name, rate, bits, float, channels, extensible, LIST, size past end, amplitude, offset, inverted, hiss,
// clicks
INSTANTIATE_TEST_SUITE_P(
    Forms, DigitisedTape,
    ::testing::Values(Digitised{"cd_16bit_stereo", 44100, 16, false, 2, false, false, false, 0.8, 0.0, false},
                      Digitised{"low_rate_8bit_mono", 22050, 8, false, 1, false, false, false, 0.8, 0.0, false},
                      Digitised{"high_rate_24bit_mono", 96000, 24, false, 1, false, false, false, 0.8, 0.0, false},
                      Digitised{"float_mono", 48000, 32, true, 1, false, false, false, 0.8, 0.0, false},
                      Digitised{"extensible_32bit_stereo", 192000, 32, false, 2, true, false, false, 0.8, 0.0, false},
                      Digitised{"list_chunk_before_format", 44100, 16, false, 1, false, true, false, 0.8, 0.0, false},
                      Digitised{"data_size_past_the_end", 44100, 16, false, 1, false, false, true, 0.8, 0.0, false},
                      Digitised{"quiet_with_dc_offset", 44100, 16, false, 1, false, false, false, 0.1, 0.3, false},
                      Digitised{"inverted", 44100, 16, false, 1, false, false, false, 0.8, 0.0, true},
                      Digitised{"quiet_offset_inverted_8bit", 11025, 8, false, 1, false, false, false, 0.2, -0.4, true},
                      Digitised{"hiss_clicks_inverted", 44100, 16, false, 2, false, false, false, 0.4, 0.0, true, 0.05,
                                true}),
    [](const ::testing::TestParamInfo<Digitised>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace m5
