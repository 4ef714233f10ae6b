// The C interface called as an embedder calls it: a cartridge, tape or state
// it refuses leaves the machine exactly as it was, in the words every
// program uses; the key table; the boot screen's hint.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "m5emu/m5emu.h"
#include "support/sordm5_writer.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes file_bytes(const std::string& path) {
    const std::string text = m5::test::read_file(path);
    return Bytes(text.begin(), text.end());
}

// Everything a program can see of the machine: the whole state (RAM, video
// memory, registers, every part) and the frame count.
struct Snapshot {
    Bytes state;
    Bytes memory = Bytes(65536);
    Bytes vram = Bytes(M5EMU_VRAM_SIZE);
    m5emu_z80_registers registers{};
    uint64_t frames = 0;
    bool operator==(const Snapshot& o) const {
        return state == o.state && memory == o.memory && vram == o.vram && frames == o.frames &&
               std::memcmp(&registers, &o.registers, sizeof registers) == 0;
    }
};

Snapshot snapshot(m5emu* m5) {
    Snapshot s;
    size_t size = 0;
    EXPECT_EQ(m5emu_save_state_quick(m5, nullptr, &size), M5EMU_OK);
    s.state.resize(size);
    EXPECT_EQ(m5emu_save_state_quick(m5, s.state.data(), &size), M5EMU_OK);
    s.state.resize(size);
    EXPECT_EQ(m5emu_read_memory(m5, 0, s.memory.data(), s.memory.size()), M5EMU_OK);
    EXPECT_EQ(m5emu_read_vram(m5, 0, s.vram.data(), s.vram.size()), M5EMU_OK);
    EXPECT_EQ(m5emu_registers(m5, &s.registers), M5EMU_OK);
    s.frames = m5emu_frame_count(m5);
    return s;
}

void run(m5emu* m5, int frames) {
    for (int i = 0; i < frames; ++i) ASSERT_EQ(m5emu_run_frame(m5), M5EMU_OK);
}

class CapiFiles : public ::testing::Test {
protected:
    void SetUp() override {
        for (m5emu** m : {&m5, &twin}) {
            *m = m5emu_create();
            ASSERT_NE(*m, nullptr);
            ASSERT_EQ(m5emu_insert_cartridge(*m, cart.data(), cart.size()), M5EMU_OK) << m5emu_last_error(*m);
            ASSERT_EQ(m5emu_play_tape(*m, tape.data(), tape.size(), M5EMU_TAPE_AUTO), M5EMU_OK);
            run(*m, 50);
            m5emu_key(*m, "A", 1);
            run(*m, 3);
        }
    }
    void TearDown() override {
        m5emu_destroy(m5);
        m5emu_destroy(twin);
    }
    const Bytes cart = file_bytes(m5::test::rom_path("cart_text"));
    const Bytes tape = m5::test::sordm5_program("PROG", 0x7300, 0x7300, Bytes(300, 0xC9));
    m5emu* m5 = nullptr;
    m5emu* twin = nullptr;
};

TEST_F(CapiFiles, refused_files_leave_the_running_machine_as_it_was) {
    const Snapshot before = snapshot(m5);
    const auto refused = [&](int result, int expected, const std::string& why) {
        EXPECT_EQ(result, expected) << why;
        EXPECT_EQ(std::string(m5emu_last_error(m5)), why);
        EXPECT_TRUE(snapshot(m5) == before) << why << ": the machine changed";
    };
    const uint8_t none = 0;
    Bytes long_cart(20480 + 16, 0x00);
    long_cart.back() = 0xC3;
    const char junk[] = "RIFF\x08\0\0\0WAVEjunk";
    const Bytes junk_wav(junk, junk + 16);
    Bytes other_state;
    {
        m5emu* other = m5emu_create();
        size_t size = M5EMU_STATE_SIZE_MAX;
        other_state.resize(size);
        ASSERT_EQ(m5emu_save_state(other, other_state.data(), &size), M5EMU_OK);
        other_state.resize(size);
        m5emu_destroy(other);
    }
    refused(m5emu_insert_cartridge(m5, &none, 0), M5EMU_ERROR_MEDIA, "the cartridge is empty");
    refused(m5emu_insert_cartridge(m5, long_cart.data(), long_cart.size()), M5EMU_ERROR_MEDIA,
            "the cartridge holds more than the M5's 20 KiB cartridge window");
    refused(m5emu_check_cartridge(m5, &none, 0), M5EMU_ERROR_MEDIA, "the cartridge is empty");
    refused(m5emu_play_tape(m5, &none, 0, M5EMU_TAPE_CAS), M5EMU_ERROR_MEDIA, "the tape is empty");
    refused(m5emu_play_tape(m5, junk_wav.data(), junk_wav.size(), M5EMU_TAPE_AUTO), M5EMU_ERROR_MEDIA,
            "the tape is not a WAV file the tape deck can play");
    refused(m5emu_check_tape(m5, junk_wav.data(), junk_wav.size(), M5EMU_TAPE_WAV), M5EMU_ERROR_MEDIA,
            "the tape is not a WAV file the tape deck can play");
    const Bytes silent(100, 0x80);
    refused(m5emu_play_tape(m5, silent.data(), silent.size(), M5EMU_TAPE_CAS), M5EMU_ERROR_MEDIA,
            "the tape holds no tape signal");
    refused(m5emu_load_state(m5, &none, 0), M5EMU_ERROR_STATE, "the save state is empty");
    refused(m5emu_load_state(m5, cart.data(), cart.size()), M5EMU_ERROR_STATE, "the save state is not a save state");
    refused(m5emu_load_state(m5, other_state.data(), other_state.size()), M5EMU_ERROR_STATE,
            "the save state was made with a different cartridge");

    // Both run on alike: the cartridge and the tape are still in place.
    m5emu_key(m5, "A", 0);
    m5emu_key(twin, "A", 0);
    run(m5, 100);
    run(twin, 100);
    EXPECT_TRUE(snapshot(m5) == snapshot(twin));
}

TEST_F(CapiFiles, a_cartridge_without_a_header_is_taken_with_a_remark) {
    Bytes odd = cart;
    odd[0] = 0x5A;
    EXPECT_EQ(m5emu_check_cartridge(m5, odd.data(), odd.size()), M5EMU_OK);
    EXPECT_EQ(std::string(m5emu_last_error(m5)),
              "the cartridge begins with 5A, not with a cartridge header (00, 02 or FF): the IPL will not start it");
    EXPECT_EQ(m5emu_insert_cartridge(m5, odd.data(), odd.size()), M5EMU_OK);
    uint8_t first = 0;
    m5emu_read_memory(m5, 0x2000, &first, 1);
    EXPECT_EQ(first, 0x5A);
}

Bytes picture(m5emu* m5) {
    Bytes rgba(static_cast<size_t>(M5EMU_PIXELS) * 4);
    EXPECT_EQ(m5emu_picture(m5, rgba.data(), rgba.size(), M5EMU_PIXEL_RGBA8888), M5EMU_OK);
    return rgba;
}

// m5emu_run_frames draws only the last frame: the machine, its picture and
// the last frame's sound are those of as many m5emu_run_frame calls.
TEST(CapiFrames, run_frames_is_that_many_run_frame_calls) {
    const Bytes busy = file_bytes(m5::test::rom_path("host_busy"));
    m5emu* one_by_one = m5emu_create();
    m5emu* at_once = m5emu_create();
    for (m5emu* m : {one_by_one, at_once}) ASSERT_EQ(m5emu_set_ipl(m, busy.data(), busy.size()), M5EMU_OK);
    for (const int count : {1, 7, 0, 12}) {
        run(one_by_one, count);
        ASSERT_EQ(m5emu_run_frames(at_once, count), M5EMU_OK);
        EXPECT_TRUE(snapshot(one_by_one) == snapshot(at_once)) << count;
        EXPECT_EQ(picture(one_by_one), picture(at_once)) << count;
        size_t a = 0, b = 0;
        const int16_t* sound_a = m5emu_sound(one_by_one, &a);
        const int16_t* sound_b = m5emu_sound(at_once, &b);
        ASSERT_EQ(a, b);
        EXPECT_TRUE(std::equal(sound_a, sound_a + a, sound_b)) << count;
    }
    const Snapshot before = snapshot(at_once);
    EXPECT_EQ(m5emu_run_frames(at_once, -1), M5EMU_ERROR_ARGUMENT);
    EXPECT_TRUE(snapshot(at_once) == before);
    m5emu_destroy(one_by_one);
    m5emu_destroy(at_once);
}

TEST(CapiKeys, every_key_of_the_table_is_a_key_by_name) {
    m5emu* m5 = m5emu_create();
    const int count = m5emu_key_count();
    EXPECT_EQ(count, 58) << "7 rows of the matrix, less the two places without a key, and 4 arrows";
    for (int i = 0; i < count; ++i) {
        const char* name = m5emu_key_name(i);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(m5emu_key(m5, name, 1), M5EMU_OK) << name;
    }
    EXPECT_EQ(m5emu_key_name(-1), nullptr);
    EXPECT_EQ(m5emu_key_name(count), nullptr);
    m5emu_destroy(m5);
}

TEST(CapiBootHint, the_hint_is_set_or_refused_with_the_machine_running_on) {
    m5emu* m5 = m5emu_create();
    EXPECT_EQ(m5emu_set_boot_hint(m5, "The original *IPL.ROM*: see\nthe manual."), M5EMU_OK);
    EXPECT_EQ(m5emu_set_boot_hint(m5, "a\nb\nc\nd"), M5EMU_ERROR_ARGUMENT);
    EXPECT_EQ(m5emu_set_boot_hint(m5, nullptr), M5EMU_ERROR_ARGUMENT);
    run(m5, 60);
    std::vector<uint8_t> row(32);
    m5emu_read_vram(m5, 0x3800 + 4 * 32, row.data(), row.size());
    EXPECT_EQ(std::string(row.begin(), row.end()), "          the manual.           ");
    m5emu_destroy(m5);
}

}  // namespace

namespace {

// The machine chosen at creation, asked back, and changed: its video
// standard and sound follow the model, and a state stays on its machine.
TEST(CapiMachine, created_asked_and_changed_with_its_standard_and_sound) {
    const m5emu_machine pal{M5EMU_MODEL_PAL, M5EMU_MEMORY_64KBF_2B};
    m5emu* m5 = m5emu_create_machine(&pal);
    ASSERT_NE(m5, nullptr);
    m5emu_machine got{-1, -1};
    ASSERT_EQ(m5emu_get_machine(m5, &got), M5EMU_OK);
    EXPECT_EQ(got.model, M5EMU_MODEL_PAL);
    EXPECT_EQ(got.memory, M5EMU_MEMORY_64KBF_2B);
    m5emu_video_standard standard{};
    ASSERT_EQ(m5emu_get_video_standard(m5, &standard), M5EMU_OK);
    EXPECT_STREQ(standard.video_chip, "TMS9929A");
    EXPECT_EQ(standard.lines_per_frame, 313u);
    // A frame's sound is handed over as the next frame starts.
    const auto sound_of_a_frame = [m5] {
        size_t count = 0;
        for (int i = 0; i < 3; ++i) {
            if (m5emu_run_frame(m5) != M5EMU_OK) return size_t{0};
            m5emu_sound(m5, &count);
        }
        return count;
    };
    EXPECT_EQ(sound_of_a_frame(), 960u) << "48000 Hz / 50";
    uint8_t standard_byte = 0;
    ASSERT_EQ(m5emu_read_memory(m5, 0x1518, &standard_byte, 1), M5EMU_OK);
    EXPECT_EQ(standard_byte, 0xE1);

    size_t size = M5EMU_STATE_SIZE_MAX;
    Bytes state(size);
    ASSERT_EQ(m5emu_save_state(m5, state.data(), &size), M5EMU_OK);
    state.resize(size);

    const m5emu_machine ntsc{M5EMU_MODEL_NTSC, M5EMU_MEMORY_4K};
    ASSERT_EQ(m5emu_set_machine(m5, &ntsc), M5EMU_OK);
    ASSERT_EQ(m5emu_get_machine(m5, &got), M5EMU_OK);
    EXPECT_EQ(got.model, M5EMU_MODEL_NTSC);
    EXPECT_EQ(got.memory, M5EMU_MEMORY_4K);
    EXPECT_EQ(m5emu_frame_count(m5), 0u);
    EXPECT_EQ(sound_of_a_frame(), 800u) << "48000 Hz / 60";
    ASSERT_EQ(m5emu_read_memory(m5, 0x1518, &standard_byte, 1), M5EMU_OK);
    EXPECT_EQ(standard_byte, 0xE0);
    EXPECT_EQ(m5emu_load_state(m5, state.data(), state.size()), M5EMU_ERROR_STATE);
    EXPECT_STREQ(m5emu_last_error(m5),
                 "the save state was made on the 50 Hz M5 with 64KBF 2B, not on the 60 Hz M5 with 4 KiB");
    ASSERT_EQ(m5emu_set_machine(m5, &pal), M5EMU_OK);
    EXPECT_EQ(m5emu_load_state(m5, state.data(), state.size()), M5EMU_OK) << m5emu_last_error(m5);
    m5emu_destroy(m5);
}

TEST(CapiMachine, a_machine_that_does_not_exist_is_refused) {
    const m5emu_machine bad_model{2, M5EMU_MEMORY_32K};
    EXPECT_EQ(m5emu_create_machine(&bad_model), nullptr);
    EXPECT_NE(std::string(m5emu_last_error(nullptr)).find("no model 2"), std::string::npos);
    const m5emu_machine bad_memory{M5EMU_MODEL_NTSC, -1};
    EXPECT_EQ(m5emu_create_machine(&bad_memory), nullptr);
    m5emu* m5 = m5emu_create_machine(nullptr);
    ASSERT_NE(m5, nullptr);
    m5emu_machine got{-1, -1};
    ASSERT_EQ(m5emu_get_machine(m5, &got), M5EMU_OK);
    EXPECT_EQ(got.model, M5EMU_MODEL_NTSC);
    EXPECT_EQ(got.memory, M5EMU_MEMORY_32K);
    EXPECT_EQ(m5emu_set_machine(m5, &bad_memory), M5EMU_ERROR_ARGUMENT);
    EXPECT_EQ(m5emu_set_machine(m5, nullptr), M5EMU_ERROR_ARGUMENT);
    EXPECT_EQ(m5emu_get_machine(m5, nullptr), M5EMU_ERROR_ARGUMENT);
    ASSERT_EQ(m5emu_get_machine(m5, &got), M5EMU_OK);
    EXPECT_EQ(got.memory, M5EMU_MEMORY_32K);
    m5emu_destroy(m5);
}

}  // namespace

namespace {

// m5emu_ram and m5emu_address_space on each memory fitted: the RAM there is
// and where it sits, the address space as the processor reads it, and
// pointers that keep their place when the machine changes. Our kbf_switch
// program runs from the IPL ROM: with the 64KBF it copies itself into the
// module's RAM and switches to all RAM (mode 1); with 32 KiB it stays in
// ROM; on the bare machine its writes above 0x8000 vanish.
struct MemoryView {
    int memory;
    uint32_t start;  // where the RAM m5emu_ram() gives sits
    size_t size;
};

class CapiMemoryViews : public ::testing::TestWithParam<MemoryView> {};

std::string memory_view_name(const ::testing::TestParamInfo<MemoryView>& info) {
    static const char* const NAMES[] = {"ram_4k", "ram_32k", "kbf_2b", "kbf_2c"};
    return NAMES[info.param.memory];
}

TEST_P(CapiMemoryViews, follow_the_memory_fitted) {
    const MemoryView view = GetParam();
    m5emu* m5 = m5emu_create();
    ASSERT_NE(m5, nullptr);
    uint8_t* const board_ram = m5emu_ram(m5);
    const uint8_t* const board_space = m5emu_address_space(m5);
    const m5emu_machine machine{M5EMU_MODEL_NTSC, view.memory};
    ASSERT_EQ(m5emu_set_machine(m5, &machine), M5EMU_OK);
    const Bytes program = file_bytes(m5::test::rom_path("kbf_switch"));
    ASSERT_EQ(m5emu_set_ipl(m5, program.data(), program.size()), M5EMU_OK);
    run(m5, 20);

    uint32_t start = 0;
    size_t size = 0;
    ASSERT_EQ(m5emu_ram_extent(m5, &start, &size), M5EMU_OK);
    EXPECT_EQ(start, view.start);
    EXPECT_EQ(size, view.size);
    uint8_t* ram = m5emu_ram(m5);
    const uint8_t* space = m5emu_address_space(m5);
    const bool banked = view.memory >= M5EMU_MEMORY_64KBF_2B;
    if (!banked) {
        EXPECT_EQ(ram, board_ram) << "the board's RAM keeps its place";
        EXPECT_EQ(space, board_space);
    }
    // The address space is what the processor reads, byte for byte.
    Bytes seen(65536);
    ASSERT_EQ(m5emu_read_memory(m5, 0, seen.data(), seen.size()), M5EMU_OK);
    EXPECT_TRUE(std::equal(seen.begin(), seen.end(), space));
    EXPECT_EQ(space[0xFF00], view.memory == M5EMU_MEMORY_4K ? 0xFF : 0xA5) << "the program's mark";
    EXPECT_EQ(space[0x1F00], banked ? 0x5A : 0xFF) << "its own first 8 KiB are RAM only with the module";
    if (banked) {
        EXPECT_EQ(ram[0x1F00], 0x5A) << "the module's RAM, byte n at address n";
    }

    // Writes through the RAM reach the processor, and the other way round.
    const uint16_t last = static_cast<uint16_t>(start + size - 1);
    ram[size - 1] = 0x3C;
    uint8_t byte = 0;
    ASSERT_EQ(m5emu_read_memory(m5, last, &byte, 1), M5EMU_OK);
    EXPECT_EQ(byte, 0x3C);
    const uint8_t value = 0xC3;
    ASSERT_EQ(m5emu_write_memory(m5, last, &value, 1), M5EMU_OK);
    EXPECT_EQ(ram[size - 1], 0xC3);
    EXPECT_EQ(space[last], 0xC3) << "the address space follows";
    EXPECT_EQ(m5emu_write_memory(m5, 0x8000, &value, 1) == M5EMU_OK, view.memory != M5EMU_MEMORY_4K);

    // Back to the default machine: its RAM is where it always was.
    const m5emu_machine plain{M5EMU_MODEL_NTSC, M5EMU_MEMORY_32K};
    ASSERT_EQ(m5emu_set_machine(m5, &plain), M5EMU_OK);
    EXPECT_EQ(m5emu_ram(m5), board_ram);
    EXPECT_EQ(m5emu_address_space(m5), board_space);
    // What was handed out before the change is still the handle's memory
    // (a sanitizer build sees a write to freed memory here).
    ram[size - 1] = 0x00;
    EXPECT_EQ(space[0], program[0]) << "the program's first byte, in the copy or the board's memory";
    m5emu_destroy(m5);
}

INSTANTIATE_TEST_SUITE_P(EachMemory, CapiMemoryViews,
                         ::testing::Values(MemoryView{M5EMU_MEMORY_4K, 0x7000, 4096},
                                           MemoryView{M5EMU_MEMORY_32K, 0x7000, M5EMU_RAM_SIZE},
                                           MemoryView{M5EMU_MEMORY_64KBF_2B, 0x0000, 65536},
                                           MemoryView{M5EMU_MEMORY_64KBF_2C, 0x0000, 65536}),
                         memory_view_name);

}  // namespace
