#include "devices/tape_deck.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "host/tape_files.h"
#include "m5/machine.h"
#include "machine/scheduler.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Records the levels the deck sends over its output links.
class LevelProbe final : public Component {
public:
    LevelProbe() : Component(nullptr, nullptr) {}
    void signal_in(int32_t signal, uint32_t data, uint32_t mask) override {
        if (signal == 9) levels.push_back((data & mask) != 0 ? 1 : 0);
    }
    std::vector<int> levels;
};

Bytes read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint32_t u32_at(const Bytes& bytes, size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

// A WAV image as the deck reads it: 44 header bytes, then the samples.
Bytes wav_image(const Bytes& samples) {
    Bytes image(WAV_HEADER_SIZE + samples.size(), 0);
    for (size_t i = 0; i < samples.size(); ++i) image[WAV_HEADER_SIZE + i] = samples[i];
    return image;
}

class TapeDeckTest : public ::testing::Test {
protected:
    TapeDeckTest() : dir(temp.dir()) {
        machine = std::make_unique<Machine>(&host);
        deck = machine->tape_deck.get();
        deck->outputs.add_link(&probe, 9, 1);
    }
    ~TapeDeckTest() override { machine.reset(); }

    std::string path(const char* name) const { return (dir / name).string(); }
    void motor(int level) { deck->signal_in(1, level ? 0xFFFFFFFF : 0, 1); }
    void cassette_out(int level) { deck->signal_in(0, level ? 1 : 0, 1); }
    void run_ticks(int32_t ticks) { machine->scheduler->run_clocks(ticks * machine_clocks_from_us(TAPE_TICK_US)); }
    // Runs one tick at a time and collects the level after each.
    std::vector<int> play_ticks(int32_t ticks) {
        std::vector<int> levels;
        for (int32_t i = 0; i < ticks; ++i) {
            run_ticks(1);
            levels.push_back(deck->signal_query());
        }
        return levels;
    }

    test::TempDir temp;
    fs::path dir;
    test::TestHost host;
    std::unique_ptr<Machine> machine;
    TapeDeck* deck = nullptr;
    LevelProbe probe;
};

TEST(TapeFileNames, wav_needs_a_dot_and_three_letters_in_any_case) {
    EXPECT_TRUE(is_wav_path("game.wav"));
    EXPECT_TRUE(is_wav_path(".WaV"));
    EXPECT_TRUE(is_wav_path("/dir.x/TAPE.WAV"));
    EXPECT_FALSE(is_wav_path("wav"));
    EXPECT_FALSE(is_wav_path("tape.wa"));
    EXPECT_FALSE(is_wav_path("tapewav"));
    EXPECT_FALSE(is_wav_path("tape.cas"));
    EXPECT_FALSE(is_wav_path("tape.wav.cas"));
    EXPECT_FALSE(is_wav_path(""));
}

TEST_F(TapeDeckTest, header_only_wav_plays_nothing_and_sends_level_zero) {
    write_file(path("one.wav"), wav_image({0x80}));
    write_file(path("empty.wav"), wav_image({}));
    tape_play_file(*deck, path("one.wav"));
    EXPECT_EQ(deck->signal_query(), 1);
    motor(1);
    tape_play_file(*deck, path("empty.wav"));
    EXPECT_TRUE(deck->playing);
    EXPECT_FALSE(deck->tick_running());
    EXPECT_EQ(deck->signal_query(), 0);
    EXPECT_EQ(probe.levels, (std::vector<int>{1, 0}));
    EXPECT_EQ(deck->tape_status(), 0);  // loading a tape is no activity
}

TEST_F(TapeDeckTest, wav_sample_plays_its_top_bit_one_per_tick_then_stops) {
    write_file(path("t.wav"), wav_image({0x80, 0x7F, 0xFF, 0x00, 0x81}));
    tape_play_file(*deck, path("t.wav"));
    motor(1);
    EXPECT_TRUE(deck->tick_running());
    EXPECT_EQ(play_ticks(5), (std::vector<int>{1, 0, 1, 0, 1}));
    EXPECT_FALSE(deck->tick_running());
    EXPECT_EQ(play_ticks(10), std::vector<int>(10, 1));  // the last level stays
    EXPECT_TRUE(deck->playing);
    EXPECT_EQ(deck->tape_status(), 1);
    EXPECT_EQ(deck->tape_status(), 0);
}

TEST_F(TapeDeckTest, cas_runs_play_their_level_for_their_length_and_empty_runs_are_skipped) {
    write_file(path("t.cas"), {0x83, 0x80, 0x02, 0x00});
    tape_play_file(*deck, path("t.cas"));
    EXPECT_EQ(probe.levels, (std::vector<int>{1}));
    motor(1);
    EXPECT_EQ(play_ticks(5), (std::vector<int>{1, 1, 1, 0, 0}));
    play_ticks(3);
    EXPECT_FALSE(deck->tick_running());
    EXPECT_EQ(probe.levels, (std::vector<int>{1, 0}));  // only changes are sent
}

TEST_F(TapeDeckTest, cas_recording_splits_runs_at_127) {
    cassette_out(1);
    tape_record_file(*deck, path("r.cas"));
    motor(1);
    run_ticks(300);
    deck->tape_close();
    EXPECT_EQ(read_file(path("r.cas")), (Bytes{0xFF, 0xFF, 0xAE}));
}

TEST_F(TapeDeckTest, cas_recording_starts_a_byte_on_each_level_change) {
    tape_record_file(*deck, path("r.cas"));
    motor(1);
    cassette_out(1);  // before the first tick: the first byte keeps a run of 0
    run_ticks(3);
    cassette_out(0);
    run_ticks(2);
    cassette_out(1);
    run_ticks(1);
    deck->tape_close();
    EXPECT_EQ(read_file(path("r.cas")), (Bytes{0x00, 0x83, 0x02, 0x81}));
}

TEST_F(TapeDeckTest, wav_recording_completes_the_header_on_close) {
    tape_record_file(*deck, path("r.wav"));
    motor(1);
    run_ticks(600);
    cassette_out(1);
    run_ticks(400);
    deck->tape_close();
    const Bytes wav = read_file(path("r.wav"));
    ASSERT_EQ(wav.size(), 1044u);
    EXPECT_EQ(Bytes(wav.begin(), wav.begin() + 4), (Bytes{'R', 'I', 'F', 'F'}));
    EXPECT_EQ(u32_at(wav, 4), 1036u);
    EXPECT_EQ(Bytes(wav.begin() + 8, wav.begin() + 16), (Bytes{'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}));
    EXPECT_EQ(u32_at(wav, 16), 16u);
    EXPECT_EQ(u32_at(wav, 20), 0x00010001u);  // PCM, mono
    EXPECT_EQ(u32_at(wav, 24), 48000u);
    EXPECT_EQ(u32_at(wav, 28), 48000u);
    EXPECT_EQ(u32_at(wav, 32), 0x00080001u);  // block align 1, 8 bits
    EXPECT_EQ(Bytes(wav.begin() + 36, wav.begin() + 40), (Bytes{'d', 'a', 't', 'a'}));
    EXPECT_EQ(u32_at(wav, 40), 1000u);
    EXPECT_EQ(wav[44], 0x10);
    EXPECT_EQ(wav[44 + 599], 0x10);
    EXPECT_EQ(wav[44 + 600], 0xF0);
    EXPECT_EQ(wav[1043], 0xF0);
}

TEST_F(TapeDeckTest, motor_off_freezes_playback_and_recording) {
    write_file(path("t.wav"), wav_image({0x00, 0x80, 0x80}));
    tape_play_file(*deck, path("t.wav"));
    run_ticks(50);
    EXPECT_FALSE(deck->tick_running());
    EXPECT_EQ(deck->buffer_pos, 0);
    motor(1);
    EXPECT_EQ(play_ticks(1), (std::vector<int>{0}));
    motor(0);
    run_ticks(50);
    EXPECT_EQ(deck->signal_query(), 0);
    motor(1);
    EXPECT_EQ(play_ticks(1), (std::vector<int>{1}));

    tape_record_file(*deck, path("r.wav"));
    motor(0);
    cassette_out(1);
    run_ticks(100);
    EXPECT_EQ(deck->tape_status(), 1);  // from the playback above
    EXPECT_EQ(deck->tape_status(), 0);  // a change with the motor off is no activity
    deck->tape_close();
    const Bytes wav = read_file(path("r.wav"));
    EXPECT_EQ(wav.size(), 44u);
    EXPECT_EQ(u32_at(wav, 40), 0u);
}

TEST_F(TapeDeckTest, output_change_while_recording_is_activity_read_once) {
    tape_record_file(*deck, path("r.cas"));
    motor(1);
    EXPECT_EQ(deck->tape_status(), 0);
    cassette_out(1);
    EXPECT_EQ(deck->tape_status(), 1);
    EXPECT_EQ(deck->tape_status(), 0);
    cassette_out(1);  // same level: nothing new
    EXPECT_EQ(deck->tape_status(), 0);
}

TEST_F(TapeDeckTest, machine_reset_finishes_a_recording_like_close) {
    tape_record_file(*deck, path("r.wav"));
    motor(1);
    run_ticks(100);
    machine->reset();
    EXPECT_FALSE(deck->recording);
    EXPECT_FALSE(deck->tick_running());
    const Bytes wav = read_file(path("r.wav"));
    ASSERT_EQ(wav.size(), 144u);
    EXPECT_EQ(u32_at(wav, 4), 136u);
    EXPECT_EQ(u32_at(wav, 40), 100u);
}

TEST_F(TapeDeckTest, switching_tapes_finishes_the_previous_recording) {
    cassette_out(1);
    tape_record_file(*deck, path("a.cas"));
    motor(1);
    run_ticks(5);
    tape_record_file(*deck, path("b.wav"));
    EXPECT_EQ(read_file(path("a.cas")), (Bytes{0x85}));
    run_ticks(7);
    tape_play_file(*deck, path("a.cas"));
    EXPECT_EQ(u32_at(read_file(path("b.wav")), 40), 7u);
    EXPECT_TRUE(deck->playing);
    EXPECT_EQ(play_ticks(6), (std::vector<int>{1, 1, 1, 1, 1, 0}));  // then the fill level
}

TEST_F(TapeDeckTest, release_and_destruction_finish_a_recording) {
    tape_record_file(*deck, path("released.wav"));
    motor(1);
    run_ticks(10);
    machine->release_all();
    EXPECT_EQ(u32_at(read_file(path("released.wav")), 40), 10u);

    deck = nullptr;
    machine = std::make_unique<Machine>(&host);
    tape_record_file(*machine->tape_deck, path("destroyed.cas"));
    machine->tape_deck->signal_in(1, 1, 1);
    machine->scheduler->run_clocks(20 * machine_clocks_from_us(TAPE_TICK_US));
    machine.reset();  // no release_all
    EXPECT_EQ(read_file(path("destroyed.cas")), (Bytes{0x14}));
}

TEST_F(TapeDeckTest, recording_that_cannot_be_written_whole_keeps_the_error_until_the_next) {
    {
        test::FileSizeLimit limit(1000);
        tape_record_file(*deck, path("short.wav"));
        motor(1);
        run_ticks(2000);
        deck->tape_close();
    }
    EXPECT_EQ(deck->record_error, EFBIG);
    tape_record_file(*deck, path("whole.cas"));
    EXPECT_EQ(deck->record_error, 0);
    run_ticks(10);
    deck->tape_close();
    EXPECT_EQ(deck->record_error, 0);
}

TEST_F(TapeDeckTest, file_that_cannot_be_opened_leaves_the_deck_closed) {
    write_file(path("t.wav"), wav_image({0x80, 0x80}));
    fs::create_directory(path("folder.wav"));
    motor(1);
    for (const std::string& bad : {path("missing.cas"), path("folder.wav"), std::string("")}) {
        tape_play_file(*deck, path("t.wav"));
        tape_play_file(*deck, bad);
        EXPECT_FALSE(deck->playing) << bad;
        EXPECT_FALSE(deck->tick_running()) << bad;
    }
    for (const std::string& bad : {path("no/such/dir/r.wav"), path("folder.wav"), path("")}) {
        tape_record_file(*deck, bad);
        EXPECT_FALSE(deck->recording) << bad;
        EXPECT_FALSE(deck->tick_running()) << bad;
        deck->tape_close();
    }
    run_ticks(10);
    EXPECT_TRUE(fs::is_directory(path("folder.wav")));
}

TEST_F(TapeDeckTest, wav_shorter_than_its_header_is_an_empty_tape) {
    write_file(path("one.wav"), wav_image({0x80}));
    write_file(path("short.wav"), Bytes(10, 0xFF));
    tape_play_file(*deck, path("one.wav"));
    motor(1);
    tape_play_file(*deck, path("short.wav"));
    EXPECT_TRUE(deck->playing);
    EXPECT_FALSE(deck->tick_running());
    EXPECT_EQ(deck->signal_query(), 0);
}

TEST_F(TapeDeckTest, wav_streams_through_the_buffer_in_both_directions) {
    // Longer than one buffer, so both the recording and the playback cross
    // the buffer boundary.
    constexpr int32_t TICKS = 131400;
    static_assert(TICKS > TAPE_BUFFER_SIZE && TICKS % 100 == 0);
    tape_record_file(*deck, path("long.wav"));
    motor(1);
    for (int32_t i = 0; i < TICKS; i += 100) {
        cassette_out((i / 100) % 2);
        run_ticks(100);
    }
    deck->tape_close();
    const Bytes wav = read_file(path("long.wav"));
    ASSERT_EQ(wav.size(), static_cast<size_t>(WAV_HEADER_SIZE + TICKS));
    EXPECT_EQ(u32_at(wav, 40), static_cast<uint32_t>(TICKS));
    for (int32_t i = 0; i < TICKS; ++i) {
        ASSERT_EQ(wav[WAV_HEADER_SIZE + i], (i / 100) % 2 ? 0xF0 : 0x10) << "tick " << i;
    }

    tape_play_file(*deck, path("long.wav"));
    for (int32_t i = 0; i < TICKS; ++i) {
        run_ticks(1);
        ASSERT_EQ(deck->signal_query(), (i / 100) % 2) << "tick " << i;
    }
    EXPECT_FALSE(deck->tick_running());
}

TEST_F(TapeDeckTest, cas_streams_through_the_buffer_in_both_directions) {
    constexpr int32_t RUNS = TAPE_BUFFER_SIZE + 50;  // one tick each
    tape_record_file(*deck, path("long.cas"));
    motor(1);
    for (int32_t i = 0; i < RUNS; ++i) {
        cassette_out(i % 2);
        run_ticks(1);
    }
    deck->tape_close();
    const Bytes cas = read_file(path("long.cas"));
    ASSERT_EQ(cas.size(), static_cast<size_t>(RUNS));
    for (int32_t i = 0; i < RUNS; ++i) ASSERT_EQ(cas[i], i % 2 ? 0x81 : 0x01) << "run " << i;

    tape_play_file(*deck, path("long.cas"));
    for (int32_t i = 0; i < RUNS; ++i) {
        run_ticks(1);
        ASSERT_EQ(deck->signal_query(), i % 2) << "tick " << i;
    }
}

// Sparse files: several gigabytes on disk that cost nothing to make.
bool make_sparse(const fs::path& path, uintmax_t size) {
    write_file(path, {});
    std::error_code error;
    fs::resize_file(path, size, error);
    return !error;
}

TEST_F(TapeDeckTest, wav_of_several_gigabytes_plays_without_its_size_wrapping) {
    // 4 GiB of samples: a 32-bit count would read it as an empty tape.
    if (!make_sparse(path("huge.wav"), (uintmax_t{1} << 32) + WAV_HEADER_SIZE)) GTEST_SKIP() << "no sparse files";
    tape_play_file(*deck, path("huge.wav"));
    motor(1);
    EXPECT_TRUE(deck->tick_running());
    EXPECT_EQ(deck->bytes_left, uint64_t{1} << 32);
    run_ticks(1000);
    EXPECT_EQ(deck->bytes_left, (uint64_t{1} << 32) - 1000);
    EXPECT_EQ(deck->signal_query(), 0);
    deck->tape_close();
}

TEST_F(TapeDeckTest, cas_of_gigabytes_of_empty_runs_does_not_stall_a_tick) {
    if (!make_sparse(path("huge.cas"), uintmax_t{6} << 30)) GTEST_SKIP() << "no sparse files";
    tape_play_file(*deck, path("huge.cas"));
    motor(1);
    run_ticks(20);  // each tick reads at most one buffer
    EXPECT_TRUE(deck->playing);
    EXPECT_TRUE(deck->tick_running());
    EXPECT_EQ(deck->bytes_left, (uint64_t{6} << 30) - 20 * uint64_t{TAPE_BUFFER_SIZE});
    EXPECT_EQ(deck->signal_query(), 0);
}

TEST_F(TapeDeckTest, wav_recording_stops_taking_samples_when_the_header_is_full) {
    tape_record_file(*deck, path("full.wav"));
    motor(1);
    run_ticks(3);
    deck->samples_written = WAV_MAX_SAMPLE_BYTES - 2;  // as after hours of recording
    run_ticks(5);
    EXPECT_EQ(deck->samples_written, WAV_MAX_SAMPLE_BYTES);
    deck->tape_close();
    const Bytes wav = read_file(path("full.wav"));
    EXPECT_EQ(wav.size(), 44u + 5u);
    EXPECT_EQ(u32_at(wav, 4), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace m5
