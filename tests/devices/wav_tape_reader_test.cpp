#include "devices/wav_tape_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "devices/tape_deck.h"
#include "host/tape_files.h"
#include "m5/machine.h"
#include "machine/clock.h"
#include "machine/scheduler.h"
#include "machine/state_io.h"
#include "support/sordm5_writer.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

using Bytes = std::vector<uint8_t>;

using test::wav_file;

void put_u16(Bytes& file, size_t at, uint32_t value) {
    file[at] = static_cast<uint8_t>(value);
    file[at + 1] = static_cast<uint8_t>(value >> 8);
}
void put_u32(Bytes& file, size_t at, uint32_t value) {
    put_u16(file, at, value);
    put_u16(file, at + 2, value >> 16);
}

class WavTapeTest : public ::testing::Test {
protected:
    WavTapeTest() {
        machine = std::make_unique<Machine>(&host);
        deck = machine->tape_deck.get();
    }
    std::string write(const std::string& name, const Bytes& bytes) {
        const std::string path = temp.file(name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    WavTapeFormat format_of(const Bytes& bytes) {
        auto file_image = FileTapeImage::open(write("probe.wav", bytes));
        EXPECT_TRUE(file_image != nullptr);
        TapeCursor file(file_image.get());
        return read_wav_tape_format(file, static_cast<int64_t>(bytes.size()));
    }

    test::TempDir temp;
    test::TestHost host;
    std::unique_ptr<Machine> machine;
    TapeDeck* deck = nullptr;
};

TEST_F(WavTapeTest, the_decks_own_files_play_raw_and_other_recordings_are_converted) {
    Bytes unfinished = wav_file(1, 48000, 8, 100);  // the deck's header before the tape is closed
    put_u32(unfinished, 4, 0);
    put_u32(unfinished, 40, 0);
    for (const Bytes& own : {wav_file(1, 48000, 8, 100), wav_file(1, 47500, 8, 100), unfinished}) {
        const WavTapeFormat format = format_of(own);
        EXPECT_TRUE(format.understood);
        EXPECT_FALSE(format.converted);
        EXPECT_EQ(format.data_offset, 44);
    }

    // One second at 44100 Hz lasts 47500 ticks, and the tape stops after them.
    const WavTapeFormat cd = format_of(wav_file(2, 44100, 16, 44100 * 4));
    EXPECT_TRUE(cd.converted);
    EXPECT_EQ(cd.frames, 44100);
    EXPECT_EQ(cd.ticks, 47500);
    tape_play_file(*deck, write("cd.wav", wav_file(2, 44100, 16, 44100 * 4)));
    deck->signal_in(1, 1, 1);  // motor on
    machine->scheduler->run_clocks(47499 * machine_clocks_from_us(TAPE_TICK_US));
    EXPECT_TRUE(deck->tick_running());
    machine->scheduler->run_clocks(2 * machine_clocks_from_us(TAPE_TICK_US));
    EXPECT_FALSE(deck->tick_running());

    EXPECT_TRUE(format_of(wav_file(1, 22050, 8, 100)).converted);
}

// The converter streams: whatever the size of the blocks it is asked for,
// the ticks come out the same, for recordings slower and faster than the
// ticks and across the end of the data.
TEST_F(WavTapeTest, ticks_do_not_depend_on_the_block_sizes_asked_for) {
    for (const uint32_t rate : {22050u, 96000u}) {
        SCOPED_TRACE(rate);
        // Pulses of varying width, 16-bit stereo.
        Bytes file = wav_file(2, rate, 16, 0);
        const uint32_t frames = rate * 2;
        for (uint32_t n = 0; n < frames; ++n) {
            const bool high = (n / (rate / 1000 + n % 7)) % 2 != 0;
            for (int channel = 0; channel < 2; ++channel) {
                const auto sample = static_cast<uint16_t>(high ? 12000 : -12000);
                file.push_back(static_cast<uint8_t>(sample));
                file.push_back(static_cast<uint8_t>(sample >> 8));
            }
        }
        put_u32(file, 40, frames * 4);
        put_u32(file, 4, static_cast<uint32_t>(file.size() - 8));
        const WavTapeFormat format = format_of(file);
        ASSERT_TRUE(format.converted);
        const auto ticks = static_cast<int32_t>(format.ticks) + 100;  // beyond the end too

        auto convert = [&](int32_t block) {
            auto stream_image = FileTapeImage::open(temp.file("probe.wav"));
            EXPECT_TRUE(stream_image != nullptr);
            TapeCursor stream(stream_image.get());
            WavTapeConverter converter;
            converter.start(stream, format);
            Bytes out(static_cast<size_t>(ticks));
            for (int32_t at = 0; at < ticks; at += block) converter.fill(stream, &out[at], std::min(block, ticks - at));
            return out;
        };
        const Bytes whole = convert(ticks);
        EXPECT_EQ(convert(777), whole);
        EXPECT_EQ(convert(1), whole);

        // A converter saved part way and loaded into a new one goes on alike.
        auto stream_image = FileTapeImage::open(temp.file("probe.wav"));
        ASSERT_TRUE(stream_image != nullptr);
        TapeCursor stream(stream_image.get());
        WavTapeConverter first;
        first.start(stream, format);
        Bytes out(static_cast<size_t>(ticks));
        const int32_t half = ticks / 2;
        first.fill(stream, out.data(), half);
        StateWriter saved;
        first.save_state(saved);
        const int64_t at = stream.tell();
        WavTapeConverter second;
        StateReader reader(saved.data().data(), saved.data().size());
        second.load_state(reader);
        ASSERT_TRUE(reader.ok() && reader.at_end());
        auto again_image = FileTapeImage::open(temp.file("probe.wav"));
        ASSERT_TRUE(again_image != nullptr);
        TapeCursor again(again_image.get());
        again.seek(static_cast<uint64_t>(at));
        second.fill(again, out.data() + half, ticks - half);
        EXPECT_EQ(out, whole);
        EXPECT_GT(std::count(whole.begin(), whole.end(), TAPE_LEVEL_HIGH), ticks / 4);
        EXPECT_EQ(whole.back(), TAPE_LEVEL_LOW);
    }
}

// Headers that cannot be understood play by the old rule (44 bytes skipped,
// one byte a tick) without reading outside the file or stalling.
TEST_F(WavTapeTest, damaged_headers_fall_back_to_one_byte_a_tick) {
    const Bytes good = wav_file(1, 44100, 16, 64);
    std::vector<std::pair<const char*, Bytes>> damaged;
    auto add = [&](const char* name, auto change) {
        Bytes file = good;
        change(file);
        damaged.emplace_back(name, file);
    };
    add("format chunk past the end", [](Bytes& f) { put_u32(f, 16, 0x7FFFFFF0); });
    add("chunk size wraps", [](Bytes& f) { put_u32(f, 16, 0xFFFFFFFF); });
    add("zero channels", [](Bytes& f) { put_u16(f, 22, 0); });
    add("three channels", [](Bytes& f) { put_u16(f, 22, 3); });
    add("zero rate", [](Bytes& f) { put_u32(f, 24, 0); });
    add("not PCM", [](Bytes& f) { put_u16(f, 20, 0x0055); });
    add("12-bit samples", [](Bytes& f) { put_u16(f, 34, 12); });
    add("no data chunk", [](Bytes& f) { std::memcpy(&f[36], "junk", 4); });
    add("not RIFF", [](Bytes& f) { std::memcpy(&f[0], "RIFX", 4); });
    add("cut inside the header", [](Bytes& f) { f.resize(30); });
    add("endless empty chunks", [](Bytes& f) {
        Bytes chunks;
        for (int i = 0; i < 2000; ++i) chunks.insert(chunks.end(), {'J', 'U', 'N', 'K', 0, 0, 0, 0});
        f.insert(f.begin() + 12, chunks.begin(), chunks.end());
    });
    for (const auto& [name, file] : damaged) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(format_of(file).understood);
        tape_play_file(*deck, write("damaged.wav", file));
        EXPECT_FALSE(deck->converter.active());
        const uint64_t expected = file.size() > 44 ? file.size() - 44 : 0;
        EXPECT_EQ(deck->bytes_left, expected);
        deck->signal_in(1, 1, 1);
        machine->scheduler->run_clocks(static_cast<int32_t>(expected + 1) * machine_clocks_from_us(TAPE_TICK_US));
        EXPECT_FALSE(deck->tick_running());
        deck->signal_in(1, 0, 1);
    }
}

}  // namespace
}  // namespace m5
