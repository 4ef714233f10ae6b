// The host's construction, screen surface, sound feed and recorder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "devices/tape_deck.h"
#include "host/free_boot_rom.h"
#include "host/host.h"
#include "host/settings.h"
#include "host/test_platform.h"
#include "m5/machine.h"
#include "memory/memory_map.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

using test::TempDir;
using test::TestPlatform;

uint32_t le32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
    return v;
}

uint16_t le16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8));
}

class HostSoundTest : public ::testing::Test {
protected:
    HostSoundTest() { platform.executable = dir.file("m5"); }
    TempDir dir;
    TestPlatform platform;
    Settings settings;
};

TEST_F(HostSoundTest, sound_choices_out_of_range_are_corrected_and_written_back) {
    settings.sample_rate_index = 9;
    settings.buffer_length_index = -1;
    Host host(platform, settings);
    EXPECT_EQ(settings.sample_rate_index, 5);
    EXPECT_EQ(settings.buffer_length_index, 0);
    EXPECT_EQ(host.sample_rate(), 44100);
    EXPECT_EQ(host.block_samples(), 4410);
    EXPECT_EQ(platform.opened_rate, 44100);
    EXPECT_EQ(platform.opened_block, 4410);
    EXPECT_EQ(host.program_directory(), dir.dir());
}

TEST_F(HostSoundTest, block_length_is_truncated_rate_times_buffer_seconds) {
    EXPECT_EQ(block_samples_for(11025, 300), 3307);
    EXPECT_EQ(block_samples_for(44100, 100), 4410);
    EXPECT_EQ(block_samples_for(48000, 400), 19200);
    settings.sample_rate_index = 3;
    settings.buffer_length_index = 2;
    Host host(platform, settings);
    EXPECT_EQ(host.block_samples(), 3307);
}

TEST_F(HostSoundTest, program_directory_is_the_executables_directory_with_its_separator) {
    EXPECT_EQ(program_directory_of("/opt/m5/bin/m5"), "/opt/m5/bin/");
    EXPECT_EQ(program_directory_of("/m5"), "/");
    EXPECT_EQ(program_directory_of("m5"), "");
}

TEST_F(HostSoundTest, surface_rows_are_top_first_and_picture_is_centred_rounding_down) {
    Host host(platform, settings);
    EXPECT_EQ(host.surface_row(0), host.surface_pixels());
    EXPECT_EQ(host.surface_row(191), host.surface_pixels() + 191 * SURFACE_WIDTH);
    host.place_picture(240, 320);
    EXPECT_EQ(host.picture_left(), -8);
    EXPECT_EQ(host.picture_top(), 64);
    host.place_picture(239, 193);
    EXPECT_EQ(host.picture_left(), -9);  // one more pixel cut on the left
    EXPECT_EQ(host.picture_top(), 0);
    host.place_picture(640, 480);
    EXPECT_EQ(host.picture_left(), 192);
    EXPECT_EQ(host.picture_top(), 144);
}

TEST_F(HostSoundTest, present_frame_requests_one_repaint) {
    Host host(platform, settings);
    host.present_frame();
    EXPECT_EQ(platform.repaints, 1);
}

TEST_F(HostSoundTest, feed_waits_for_a_free_half_then_alternates_halves) {
    Host host(platform, settings);
    platform.half_free = false;
    host.emulate_frame();
    EXPECT_EQ(platform.half_queries, std::vector<bool>{true});
    EXPECT_TRUE(platform.written_halves.empty());
    platform.half_free = true;
    host.emulate_frame();
    host.emulate_frame();
    host.emulate_frame();
    EXPECT_EQ(platform.written_halves, (std::vector<bool>{true, false, true}));
    ASSERT_EQ(platform.written_blocks.size(), 3u);
    EXPECT_EQ(platform.written_blocks[0].size(), static_cast<size_t>(host.block_samples()));
}

TEST_F(HostSoundTest, failed_sound_output_leaves_the_feed_inert) {
    platform.sound_opens = false;
    Host host(platform, settings);
    EXPECT_FALSE(host.sound_ready());
    host.emulate_frame();
    host.silence_sound();
    EXPECT_TRUE(platform.half_queries.empty());
    EXPECT_EQ(platform.clears, 0);
    host.start_recording();
    host.emulate_frame();
    host.stop_recording();
    EXPECT_EQ(test::read_file(dir.file("sound.wav")).size(), 44u);  // a WAV file with no data
}

TEST_F(HostSoundTest, silence_clears_once_until_the_next_frame) {
    Host host(platform, settings);
    host.silence_sound();
    host.silence_sound();
    EXPECT_EQ(platform.clears, 1);
    host.emulate_frame();
    host.silence_sound();
    EXPECT_EQ(platform.clears, 2);
}

TEST_F(HostSoundTest, three_recorded_blocks_make_a_52964_byte_stereo_wav) {
    settings.sample_rate_index = 4;    // 22050 Hz
    settings.buffer_length_index = 1;  // 200 ms
    Host host(platform, settings);
    ASSERT_EQ(host.block_samples(), 4410);
    host.start_recording();
    ASSERT_TRUE(host.recording());
    for (int i = 0; i < 3; ++i) host.emulate_frame();
    EXPECT_EQ(host.recorded_blocks(), 3);
    host.stop_recording();
    EXPECT_FALSE(host.recording());
    EXPECT_FALSE(std::filesystem::exists(dir.file("sound.tmp")));

    const std::string wav = test::read_file(dir.file("sound.wav"));
    ASSERT_EQ(wav.size(), 52964u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(wav, 4), 52956u);
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(wav, 16), 16u);
    EXPECT_EQ(le16(wav, 20), 1);
    EXPECT_EQ(le16(wav, 22), 2);
    EXPECT_EQ(le32(wav, 24), 22050u);
    EXPECT_EQ(le32(wav, 28), 88200u);
    EXPECT_EQ(le16(wav, 32), 4);
    EXPECT_EQ(le16(wav, 34), 16);
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(le32(wav, 40), 52920u);
    // Each sample played is one stereo frame with both channels equal.
    ASSERT_EQ(platform.written_blocks.size(), 3u);
    for (size_t b = 0; b < 3; ++b) {
        for (size_t i = 0; i < 4410; i += 97) {
            const size_t at = 44 + (b * 4410 + i) * 4;
            EXPECT_EQ(static_cast<int16_t>(le16(wav, at)), platform.written_blocks[b][i]);
            EXPECT_EQ(static_cast<int16_t>(le16(wav, at + 2)), platform.written_blocks[b][i]);
        }
    }
}

TEST_F(HostSoundTest, start_and_stop_do_nothing_twice) {
    Host host(platform, settings);
    host.stop_recording();
    EXPECT_FALSE(std::filesystem::exists(dir.file("sound.wav")));
    host.start_recording();
    host.emulate_frame();
    host.start_recording();  // already recording: the block stays counted
    EXPECT_EQ(host.recorded_blocks(), 1);
}

TEST_F(HostSoundTest, reset_and_cartridge_open_start_the_recording_over_without_touching_the_wav) {
    std::ofstream(dir.file("sound.wav"), std::ios::binary) << "older recording";
    Host host(platform, settings);
    host.start_recording();
    host.emulate_frame();
    host.emulate_frame();
    EXPECT_EQ(host.recorded_blocks(), 2);
    host.reset();
    EXPECT_TRUE(host.recording());
    EXPECT_EQ(host.recorded_blocks(), 0);
    EXPECT_EQ(std::filesystem::file_size(dir.file("sound.tmp")), 0u);
    EXPECT_EQ(test::read_file(dir.file("sound.wav")), "older recording");

    host.emulate_frame();
    EXPECT_TRUE(host.open_cartridge(test::rom_path("psg_tone")).taken());
    EXPECT_TRUE(host.recording());
    EXPECT_EQ(host.recorded_blocks(), 0);
    EXPECT_EQ(test::read_file(dir.file("sound.wav")), "older recording");

    // A cartridge that is refused touches nothing: the recording goes on.
    host.emulate_frame();
    EXPECT_EQ(host.open_cartridge(dir.file("missing.rom")).refusal, "cannot be read: No such file or directory");
    EXPECT_EQ(host.recorded_blocks(), 1);
}

TEST_F(HostSoundTest, closing_the_cartridge_or_the_host_writes_the_recording) {
    {
        Host host(platform, settings);
        host.start_recording();
        host.emulate_frame();
        host.close_cartridge();
        EXPECT_FALSE(host.recording());
        EXPECT_EQ(test::read_file(dir.file("sound.wav")).size(), 44u + 4u * static_cast<size_t>(host.block_samples()));
        std::filesystem::remove(dir.file("sound.wav"));
        host.start_recording();
        host.emulate_frame();
        host.emulate_frame();
    }
    EXPECT_EQ(platform.closes, 1);
    EXPECT_EQ(test::read_file(dir.file("sound.wav")).size(), 44u + 8u * 400u);  // 4000 Hz x 100 ms blocks
}

// Files in the scratch directory, by name.
std::vector<std::string> names_in(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(HostSoundTest, unwritable_wav_keeps_the_temporary_recording) {
    Host host(platform, settings);
    host.start_recording();
    host.emulate_frame();
    std::filesystem::create_directory(dir.file("sound.wav"));  // the WAV path cannot be replaced by a file
    host.stop_recording();
    EXPECT_EQ(std::filesystem::file_size(dir.file("sound.tmp")), 2u * 400u);
    EXPECT_NE(host.recording_error(), 0);
    EXPECT_EQ(names_in(dir.dir()), (std::vector<std::string>{"sound.tmp", "sound.wav"}));
    EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(HostSoundTest, recording_cut_short_by_a_full_disk_leaves_the_old_wav_and_says_so) {
    // 400-sample blocks of 800 bytes: three reach sound.tmp under 3000 bytes,
    // but their 4844-byte WAV file does not; under 1000 bytes neither does.
    for (const uint64_t limit : {3000u, 1000u}) {
        std::ofstream(dir.file("sound.wav"), std::ios::binary) << "older recording";
        platform.messages.clear();
        Host host(platform, settings);
        {
            test::FileSizeLimit full(limit);
            host.start_recording();
            for (int i = 0; i < 3; ++i) host.emulate_frame();
            host.stop_recording();
        }
        EXPECT_EQ(host.recording_error(), EFBIG) << limit;
        EXPECT_EQ(test::read_file(dir.file("sound.wav")), "older recording") << limit;
        // Complete blocks are kept for another try; a broken recording is not.
        const std::vector<std::string> left =
            limit == 3000 ? std::vector<std::string>{"sound.tmp", "sound.wav"} : std::vector<std::string>{"sound.wav"};
        EXPECT_EQ(names_in(dir.dir()), left) << limit;
        ASSERT_EQ(platform.messages.size(), 1u) << limit;
        EXPECT_NE(platform.messages[0].find("could not be written"), std::string::npos) << platform.messages[0];
        std::filesystem::remove(dir.file("sound.tmp"));
    }
}

TEST_F(HostSoundTest, tape_recording_cut_short_is_reported_once) {
    Host host(platform, settings);
    host.tape_record(dir.file("tape.wav"));
    host.machine().tape_deck->signal_in(1, 1, 1);  // motor on
    {
        test::FileSizeLimit full(1000);
        host.emulate_frame();  // about 790 ticks a frame, one byte each
        host.emulate_frame();
        host.tape_close();
    }
    EXPECT_EQ(host.tape_record_error(), EFBIG);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].find("tape recording"), std::string::npos) << platform.messages[0];
    host.tape_close();
    host.reset();
    EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(HostSoundTest, recording_cannot_start_without_a_writable_directory) {
    platform.executable = dir.file("missing/m5");
    Host host(platform, settings);
    host.start_recording();
    EXPECT_FALSE(host.recording());
}

TEST_F(HostSoundTest, an_earlier_recording_is_kept_as_sound_1_then_sound_2) {
    std::ofstream(dir.file("sound.wav"), std::ios::binary) << "first";
    Host host(platform, settings);
    for (int take = 0; take < 2; ++take) {
        host.start_recording();
        host.emulate_frame();
        host.stop_recording();
    }
    EXPECT_EQ(test::read_file(dir.file("sound-1.wav")), "first");
    EXPECT_EQ(test::read_file(dir.file("sound-2.wav")).size(), 44u + 4u * 400u);
    EXPECT_EQ(test::read_file(dir.file("sound.wav")).size(), 44u + 4u * 400u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("sound-3.wav")));
}

TEST_F(HostSoundTest, reopening_the_output_takes_the_new_rate_and_a_recording_keeps_its_own) {
    TempDir recordings;
    Host host(platform, settings);  // 4000 Hz, 100 ms
    host.set_recording_directory(recordings.dir());
    host.start_recording();
    host.emulate_frame();
    settings.sample_rate_index = 2;    // 8000 Hz
    settings.buffer_length_index = 1;  // 200 ms
    host.reopen_sound();
    EXPECT_EQ(platform.closes, 1);
    EXPECT_EQ(platform.opened_rate, 8000);
    EXPECT_EQ(platform.opened_block, 1600);
    EXPECT_EQ(host.sample_rate(), 8000);
    EXPECT_TRUE(host.recording());
    host.emulate_frame();  // 1600 samples at 8000 Hz: 800 at the recording's 4000 Hz
    EXPECT_EQ(platform.written_blocks.back().size(), 1600u);
    host.stop_recording();

    const std::string wav = test::read_file(recordings.file("sound.wav"));
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(le32(wav, 24), 4000u);
    EXPECT_EQ(le32(wav, 40), 4u * (400u + 800u));
    EXPECT_EQ(wav.size(), 44u + le32(wav, 40));
    EXPECT_FALSE(std::filesystem::exists(dir.file("sound.wav")));
}

TEST_F(HostSoundTest, ipl_rom_of_the_program_directory_is_the_machines_and_a_directory_there_is_none) {
    std::ofstream(dir.file("IPL.ROM"), std::ios::binary) << "\x3E\x42";
    {
        Host host(platform, settings);
        EXPECT_EQ(host.machine().memory_map->peek(0), 0x3E);
        EXPECT_EQ(host.machine().memory_map->peek(2), 0xFF);
    }
    std::filesystem::remove(dir.file("IPL.ROM"));
    std::filesystem::create_directory(dir.file("IPL.ROM"));
    Host host(platform, settings);
    EXPECT_TRUE(host.running_free_boot_rom());
    EXPECT_EQ(host.machine().memory_map->peek(0), FREE_BOOT_ROM[0]);
}

TEST_F(HostSoundTest, load_ipl_replaces_the_rom_and_a_missing_file_changes_nothing) {
    std::ofstream(dir.file("other.bin"), std::ios::binary) << "\x3E\x42";
    std::ofstream(dir.file("empty.bin"), std::ios::binary).flush();
    Host host(platform, settings);
    // No IPL.ROM in the program directory: the free boot ROM.
    EXPECT_TRUE(host.running_free_boot_rom());
    EXPECT_EQ(host.machine().memory_map->peek(0), FREE_BOOT_ROM[0]);
    EXPECT_FALSE(host.load_ipl(dir.file("missing.bin")).taken());
    EXPECT_EQ(host.load_ipl(dir.file("empty.bin")).refusal, "is empty");
    EXPECT_EQ(host.machine().memory_map->peek(0), FREE_BOOT_ROM[0]);
    EXPECT_TRUE(host.load_ipl(dir.file("other.bin")).taken());
    EXPECT_FALSE(host.running_free_boot_rom());
    EXPECT_EQ(host.machine().memory_map->peek(0), 0x3E);
    EXPECT_EQ(host.machine().memory_map->peek(1), 0x42);
    EXPECT_EQ(host.machine().memory_map->peek(2), 0xFF);
}

}  // namespace
}  // namespace m5
