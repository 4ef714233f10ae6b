// Save states in one process: a restored machine runs on exactly as the one
// that never stopped, a damaged or foreign state changes nothing, and the
// checksums the file relies on.
#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

#include "devices/tape_deck.h"
#include "devices/vdp.h"
#include "host/checksums.h"
#include "host/host.h"
#include "host/settings.h"
#include "host/state_file.h"
#include "host/state_ring.h"
#include "host/tape_files.h"
#include "host/test_platform.h"
#include "m5/machine.h"
#include "machine/scheduler.h"
#include "machine/state_io.h"
#include "memory/memory_map.h"
#include "state_emulator.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

using test::Emulator;

class HostStateTest : public ::testing::TestWithParam<const char*> {};

// Saved at frame 37 (the counter/timer's event pending, the processor's
// budget overshot, a sound block part-filled), restored in a fresh host:
// memory, video memory, picture and every later sound block are the same.
TEST_P(HostStateTest, restored_machine_runs_on_exactly_as_the_original) {
    Emulator original(GetParam());
    original.run(37);
    const std::vector<uint8_t> state = original.host->save_state();
    const size_t blocks_before = original.platform.written_blocks.size();
    original.run(45);

    Emulator restored(GetParam());
    std::string error;
    ASSERT_TRUE(restored.host->load_state(state, error)) << error;
    EXPECT_EQ(restored.host->frames_run(), 37u);
    restored.run(45);

    EXPECT_EQ(restored.ram(), original.ram());
    EXPECT_EQ(restored.screen(), original.screen());
    EXPECT_EQ(restored.host->machine().vdp->picture, original.host->machine().vdp->picture);
    EXPECT_EQ(restored.host->machine().scheduler->clock_counter, original.host->machine().scheduler->clock_counter);
    const auto& later = original.platform.written_blocks;
    ASSERT_GT(later.size(), blocks_before);
    EXPECT_EQ(
        restored.platform.written_blocks,
        std::vector<std::vector<int16_t>>(later.begin() + static_cast<std::ptrdiff_t>(blocks_before), later.end()));
    // Saved, loaded and saved again: the same bytes.
    Emulator again(GetParam());
    ASSERT_TRUE(again.host->load_state(state, error)) << error;
    EXPECT_EQ(again.host->save_state(), state);
}

INSTANTIATE_TEST_SUITE_P(Programs, HostStateTest, ::testing::Values("ctc_im2", "psg_tone", "vdp_irq"));

// Every single byte flipped, every truncation, a valid file whose machine
// data is impossible, and a foreign cartridge: each is refused with a reason
// and the running machine is left exactly as it was.
TEST(HostStateRefusal, damaged_or_foreign_states_change_nothing) {
    Emulator emu("ctc_im2");
    emu.run(20);
    const std::vector<uint8_t> state = emu.host->save_state();
    int32_t active_event = 0;
    while (!emu.host->machine().scheduler->events[active_event].active) ++active_event;
    emu.run(3);
    const std::vector<uint8_t> before = emu.host->save_state(false);
    std::string error;

    for (size_t i = 0; i < state.size(); ++i) {
        std::vector<uint8_t> damaged = state;
        damaged[i] ^= 0x40;
        ASSERT_FALSE(emu.host->load_state(damaged, error)) << "byte " << i;
        ASSERT_FALSE(error.empty());
    }
    for (size_t length = 0; length < state.size(); ++length) {
        const std::vector<uint8_t> cut(state.begin(), state.begin() + static_cast<std::ptrdiff_t>(length));
        ASSERT_FALSE(emu.host->load_state(cut, error)) << "length " << length;
    }

    // A well-formed file whose pending event belongs to a component that does
    // not exist: only reading it into the staging machine can tell.
    StateFile file;
    ASSERT_TRUE(decode_state_file(state, file, error));
    size_t at = 0;
    const auto le32 = [&](size_t i) {
        return static_cast<uint32_t>(file.chunks[i] | file.chunks[i + 1] << 8 | file.chunks[i + 2] << 16 |
                                     file.chunks[i + 3] << 24);
    };
    while (le32(at) != component_state_tag(SCHEDULER_ID)) at += 8 + le32(at + 4);
    // The layout version (4), then the fields: time (4), speed (1), slots
    // (4), then per event: active (1), owner (1), ...
    file.chunks[at + 12 + 9 + static_cast<size_t>(active_event) * 14 + 1] = 0xEE;
    EXPECT_FALSE(emu.host->load_state(encode_state_file(file), error));
    EXPECT_NE(error.find("the scheduler cannot take"), std::string::npos) << error;

    StateFile future;
    ASSERT_TRUE(decode_state_file(state, future, error));
    future.format_version = STATE_FORMAT_VERSION + 1;
    EXPECT_FALSE(emu.host->load_state(encode_state_file(future), error));
    EXPECT_NE(error.find("format version " + std::to_string(STATE_FORMAT_VERSION + 1)), std::string::npos) << error;

    EXPECT_EQ(emu.host->save_state(false), before);

    emu.host->open_cartridge(test::rom_path("psg_tone"));
    const std::vector<uint8_t> with_cartridge = emu.host->save_state(false);
    EXPECT_FALSE(emu.host->load_state(state, error));
    EXPECT_NE(error.find("different cartridge"), std::string::npos) << error;
    EXPECT_EQ(emu.host->save_state(false), with_cartridge);
}

// A state names its tape by content only. Rewound while still recording, the
// deck's own recording is cut back and goes on as if the later frames had
// never run; loaded anywhere else, the state leaves the recording stopped and
// every file as it was, unless the caller offers a recording that holds what
// was recorded up to the save.
TEST(HostStateRefusal, a_state_resumes_a_recording_only_from_one_that_holds_it) {
    Emulator straight("host_tape_out");
    const std::string reference = straight.dir.file("reference.cas");
    straight.host->tape_record(reference);
    straight.run(20);
    straight.host->tape_close();

    Emulator recorder("host_tape_out");
    const std::string tape = recorder.dir.file("tape.cas");
    recorder.host->tape_record(tape);
    recorder.run(10);
    const std::vector<uint8_t> state = recorder.host->save_state(false);
    recorder.run(7);
    std::string error;
    ASSERT_TRUE(recorder.host->load_state(state, error)) << error;
    EXPECT_EQ(recorder.host->state_note(), "");
    recorder.run(10);
    recorder.host->tape_close();
    const std::string recorded = test::read_file(tape);
    EXPECT_EQ(recorded, test::read_file(reference));

    // Elsewhere: the file the state was recorded into is neither read nor cut.
    Emulator other("host_tape_out");
    ASSERT_TRUE(other.host->load_state(state, error)) << error;
    EXPECT_FALSE(other.host->machine().tape_deck->recording);
    EXPECT_NE(other.host->state_note().find("recording is stopped"), std::string::npos);
    EXPECT_EQ(test::read_file(tape), recorded);

    // A recording offered that does not hold the saved part is left alone.
    const std::string unrelated = other.dir.file("unrelated.cas");
    test::write_file(unrelated, std::string(5000, '\x85'));
    StateMedia wrong;
    wrong.recording = FileTapeRecording::open_existing(unrelated);
    ASSERT_TRUE(other.host->load_state(state, error, std::move(wrong))) << error;
    EXPECT_FALSE(other.host->machine().tape_deck->recording);
    EXPECT_EQ(test::read_file(unrelated), std::string(5000, '\x85'));

    // A copy of the whole recording resumes: cut back to the save, it ends
    // as the straight run did.
    const std::string copy = other.dir.file("copy.cas");
    test::write_file(copy, recorded);
    StateMedia right;
    right.recording = FileTapeRecording::open_existing(copy);
    ASSERT_TRUE(other.host->load_state(state, error, std::move(right))) << error;
    EXPECT_TRUE(other.host->machine().tape_deck->recording) << other.host->state_note();
    other.run(10);
    other.host->tape_close();
    EXPECT_EQ(test::read_file(copy), test::read_file(reference));
}

// The ring keeps the newest states and rewinds one interval per step.
// A state records the machine it was made on: a host of the same model and
// memory takes it and runs on as the original; a host of any other refuses
// it with a message naming both, and runs on as if nothing had happened.
TEST(HostStateModels, a_state_loads_only_into_its_own_model_and_memory) {
    const MachineConfig configs[] = {{M5Model::NTSC, MemoryFit::RAM_32K},
                                     {M5Model::PAL, MemoryFit::RAM_32K},
                                     {M5Model::NTSC, MemoryFit::RAM_4K},
                                     {M5Model::PAL, MemoryFit::KBF_2B},
                                     {M5Model::NTSC, MemoryFit::KBF_2C}};
    for (const MachineConfig& saved_on : configs) {
        Emulator original("frame_rate", saved_on);
        original.run(30);
        const std::vector<uint8_t> state = original.host->save_state(false);
        original.run(20);
        for (const MachineConfig& loading_on : configs) {
            SCOPED_TRACE(describe_config(saved_on) + " into " + describe_config(loading_on));
            Emulator other("frame_rate", loading_on);
            other.run(5);
            const std::vector<uint8_t> ram = other.ram();
            std::string error;
            const bool loaded = other.host->load_state(state, error);
            if (saved_on == loading_on) {
                ASSERT_TRUE(loaded) << error;
                other.run(20);
                EXPECT_EQ(other.ram(), original.ram());
                EXPECT_EQ(other.host->frames_run(), 50u);
            } else {
                ASSERT_FALSE(loaded);
                EXPECT_EQ(error, "the save state was made on " + describe_config(saved_on) + ", not on " +
                                     describe_config(loading_on));
                EXPECT_EQ(other.ram(), ram);
                EXPECT_EQ(other.host->frames_run(), 5u);
                EXPECT_EQ(other.host->machine().config(), loading_on);
            }
        }
    }
}

// The machine changed under a running host: the same IPL ROM and cartridge
// on the new model, which runs at its own frame rate; the free boot ROM
// becomes the new model's build.
TEST(HostMachineChange, set_machine_keeps_the_roms_and_follows_the_model) {
    Emulator e("frame_rate");
    const uint8_t cartridge[] = {0x00, 0x12, 0x34};
    ASSERT_TRUE(e.host->open_cartridge(cartridge, sizeof cartridge).taken());
    e.run(10);
    e.host->set_machine({M5Model::PAL, MemoryFit::KBF_2B});
    const Machine& m = e.host->machine();
    EXPECT_EQ(m.config(), (MachineConfig{M5Model::PAL, MemoryFit::KBF_2B}));
    EXPECT_EQ(m.video_standard().lines_per_frame, 313);
    EXPECT_EQ(e.platform.frame_rate, 50);
    EXPECT_EQ(e.host->frames_run(), 0u);
    EXPECT_EQ(m.memory_map->peek(0x2001), 0x12);
    EXPECT_EQ(m.memory_map->peek(0x0000), test::read_file(test::rom_path("frame_rate")).at(0) & 0xFF);
    e.run(60);
    EXPECT_EQ(m.memory_map->peek(0x7000), 0xA5) << "the program runs on the new machine";

    e.host->use_free_boot_rom();
    EXPECT_EQ(m.memory_map->peek(0x1518), 0xE1);
    e.host->set_machine({M5Model::NTSC, MemoryFit::RAM_32K});
    EXPECT_EQ(e.host->machine().memory_map->peek(0x1518), 0xE0);
    EXPECT_TRUE(e.host->running_free_boot_rom());
    EXPECT_EQ(e.platform.frame_rate, 60);
}

TEST(StateRingTest, keeps_the_newest_states_and_steps_back_through_them) {
    Emulator emu("vdp_irq");
    StateRing ring(10, 3);
    for (int32_t i = 0; i < 55; ++i) {
        emu.run(1);
        ring.frame_done(*emu.host);
    }
    EXPECT_EQ(ring.size(), 3);
    std::string error;
    ASSERT_TRUE(ring.step_back(*emu.host, error)) << error;
    EXPECT_EQ(emu.host->frames_run(), 50u);
    ASSERT_TRUE(ring.step_back(*emu.host, error)) << error;
    EXPECT_EQ(emu.host->frames_run(), 40u);
    ASSERT_TRUE(ring.step_back(*emu.host, error)) << error;
    EXPECT_EQ(emu.host->frames_run(), 30u);
    EXPECT_FALSE(ring.step_back(*emu.host, error));
    EXPECT_EQ(emu.host->frames_run(), 30u);
}

TEST(Checksums, match_the_published_values_and_zlib) {
    const auto hex = [](const Sha256Digest& d) {
        std::string s;
        for (uint8_t b : d) s += "0123456789abcdef"[b >> 4], s += "0123456789abcdef"[b & 15];
        return s;
    };
    const std::string abc = "abc";
    EXPECT_EQ(hex(sha256(reinterpret_cast<const uint8_t*>(abc.data()), abc.size())),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string two_blocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(hex(sha256(reinterpret_cast<const uint8_t*>(two_blocks.data()), two_blocks.size())),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + (i >> 3));
    EXPECT_EQ(crc32(data.data(), data.size()), ::crc32(0, data.data(), static_cast<uInt>(data.size())));
    EXPECT_EQ(crc32(data.data() + 10, 500, crc32(data.data(), 10)), ::crc32(0, data.data(), 510));
}

}  // namespace
}  // namespace m5
