// The C interface against hostile callers and hostile states: what it
// refuses, that a refusal leaves the machine as it was, that a callback
// cannot pull the handle from under itself, that every sample reaches the
// caller whatever its block length, and that whatever the machine can be
// made to hold saves to a state that loads again.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "m5emu/m5emu.h"
#include "support/state_edit.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5::test {
namespace {

std::vector<uint8_t> bytes_of(const std::string& path) {
    const std::string text = read_file(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

// A handle, destroyed with the test.
struct Handle {
    Handle() : m5(m5emu_create()) {}
    ~Handle() { m5emu_destroy(m5); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    std::vector<uint8_t> save() const {
        size_t size = 0;
        if (m5emu_save_state_quick(m5, nullptr, &size) != M5EMU_OK) return {};
        std::vector<uint8_t> state(size);
        if (m5emu_save_state_quick(m5, state.data(), &size) != M5EMU_OK) return {};
        state.resize(size);
        return state;
    }
    m5emu* m5;
};

TEST(CapiStateTest, hostile_states_are_refused_naming_the_part_and_change_nothing) {
    Handle h;
    ASSERT_NE(h.m5, nullptr);
    const std::vector<uint8_t> ipl = bytes_of(rom_path(HOSTILE_STATE_IPL));
    ASSERT_EQ(m5emu_set_ipl(h.m5, ipl.data(), ipl.size()), M5EMU_OK);
    for (int32_t frame = 0; frame < 20; ++frame) ASSERT_EQ(m5emu_run_frame(h.m5), M5EMU_OK);
    const std::vector<uint8_t> before = h.save();
    for (const HostileState& hostile : hostile_states()) {
        ASSERT_FALSE(hostile.bytes.empty()) << hostile.name;
        EXPECT_EQ(m5emu_load_state(h.m5, hostile.bytes.data(), hostile.bytes.size()), M5EMU_ERROR_STATE)
            << hostile.name;
        EXPECT_NE(std::string(m5emu_last_error(h.m5)).find(hostile.component), std::string::npos)
            << hostile.name << ": " << m5emu_last_error(h.m5);
        EXPECT_EQ(h.save(), before) << hostile.name;
    }
    for (int32_t frame = 0; frame < 10; ++frame) ASSERT_EQ(m5emu_run_frame(h.m5), M5EMU_OK);
}

// Every sample the machine makes reaches the caller, in order, from the
// first frame on, whatever the block length: over 600 frames what a handle
// handed over in blocks is what a handle handing over each frame's samples
// got, all but less than a block at the end.
class CapiSoundTest : public ::testing::TestWithParam<std::tuple<int, int>> {};

std::vector<int16_t> run_with_sound(int rate, int block, int32_t frames, size_t* first_frame = nullptr) {
    Handle h;
    const std::vector<uint8_t> ipl = bytes_of(rom_path("state_sprites"));
    EXPECT_EQ(m5emu_set_ipl(h.m5, ipl.data(), ipl.size()), M5EMU_OK);
    EXPECT_EQ(m5emu_set_sound(h.m5, rate, block), M5EMU_OK);
    std::vector<int16_t> all;
    for (int32_t frame = 0; frame < frames; ++frame) {
        EXPECT_EQ(m5emu_run_frame(h.m5), M5EMU_OK);
        size_t count = 0;
        const int16_t* samples = m5emu_sound(h.m5, &count);
        if (block != 0) {
            EXPECT_EQ(count % static_cast<size_t>(block), 0u) << "whole blocks";
        }
        if (frame == 0 && first_frame != nullptr) *first_frame = count;
        all.insert(all.end(), samples, samples + count);
    }
    return all;
}

TEST_P(CapiSoundTest, every_sample_is_handed_over_in_order_whatever_the_block) {
    const auto [rate, block] = GetParam();
    constexpr int32_t FRAMES = 600;
    size_t first = 0;
    const std::vector<int16_t> made = run_with_sound(rate, 0, FRAMES, &first);
    // The machine's own output: a frame's worth from the first frame on.
    EXPECT_NEAR(static_cast<double>(first), rate / 60.0, 1.0);
    // (the samples per scanline are rounded to 1/1024: within 0.1 %)
    EXPECT_NEAR(static_cast<double>(made.size()), FRAMES * rate / 60.0, FRAMES * rate / 60.0 / 1000);
    const std::vector<int16_t> got = run_with_sound(rate, block, FRAMES);
    ASSERT_LE(got.size(), made.size());
    EXPECT_LT(made.size() - got.size(), static_cast<size_t>(block));
    EXPECT_TRUE(std::equal(got.begin(), got.end(), made.begin())) << "the samples in order";
}

INSTANTIATE_TEST_SUITE_P(RatesAndBlocks, CapiSoundTest,
                         ::testing::Combine(::testing::Values(8000, 48000, 192000),
                                            ::testing::Values(1, 100, 801, 1600, 65536)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
                             return std::to_string(std::get<0>(info.param)) + "_Hz_blocks_of_" +
                                    std::to_string(std::get<1>(info.param));
                         });

// A new block length keeps the samples waiting; the first frame after it
// hands over as the new length allows.
TEST(CapiSoundTest, a_new_block_length_loses_nothing) {
    Handle h;
    const std::vector<uint8_t> ipl = bytes_of(rom_path("state_sprites"));
    ASSERT_EQ(m5emu_set_ipl(h.m5, ipl.data(), ipl.size()), M5EMU_OK);
    ASSERT_EQ(m5emu_set_sound(h.m5, 48000, 1000), M5EMU_OK);
    std::vector<int16_t> got;
    const auto frame = [&] {
        EXPECT_EQ(m5emu_run_frame(h.m5), M5EMU_OK);
        size_t count = 0;
        const int16_t* samples = m5emu_sound(h.m5, &count);
        got.insert(got.end(), samples, samples + count);
        return count;
    };
    EXPECT_EQ(frame(), 0u) << "800 samples: no whole block yet";
    ASSERT_EQ(m5emu_set_sound(h.m5, 48000, 0), M5EMU_OK);
    EXPECT_NEAR(static_cast<double>(frame()), 1600, 1) << "the waiting samples and the frame's";
    const std::vector<int16_t> straight = run_with_sound(48000, 0, 2);
    EXPECT_TRUE(got == straight);
}

// A tape recording callback that calls back into its own handle: what would
// free what is in use is refused with a reason, inspection works, and the
// recording goes on and ends whole.
struct Reentry {
    m5emu* m5 = nullptr;
    std::vector<uint8_t> image;
    std::vector<int> refused;
    bool inspected = true;
    int calls = 0;
};

int reenter(void* user, uint64_t offset, const uint8_t* data, size_t size) {
    auto* r = static_cast<Reentry*>(user);
    if (r->image.size() < offset + size) r->image.resize(offset + size);
    std::copy(data, data + size, r->image.begin() + static_cast<std::ptrdiff_t>(offset));
    if (r->calls++ < 3) {
        uint8_t state[64];
        size_t state_size = sizeof state;
        r->refused = {m5emu_stop_tape(r->m5),
                      m5emu_run_frame(r->m5),
                      m5emu_reset(r->m5),
                      m5emu_load_state(r->m5, state, sizeof state),
                      m5emu_save_state(r->m5, state, &state_size),
                      m5emu_record_tape(r->m5, M5EMU_TAPE_CAS, reenter, r)};
        m5emu_destroy(r->m5);  // does nothing from here
        uint8_t byte = 0;
        m5emu_z80_registers registers{};
        r->inspected = r->inspected && m5emu_read_memory(r->m5, 0x7000, &byte, 1) == M5EMU_OK &&
                       m5emu_registers(r->m5, &registers) == M5EMU_OK;
    }
    return 0;
}

TEST(CapiCallbackTest, a_callback_cannot_free_what_is_in_use) {
    Handle h;
    const std::vector<uint8_t> ipl = bytes_of(rom_path("host_tape_out"));
    ASSERT_EQ(m5emu_set_ipl(h.m5, ipl.data(), ipl.size()), M5EMU_OK);
    Reentry r;
    r.m5 = h.m5;
    ASSERT_EQ(m5emu_record_tape(h.m5, M5EMU_TAPE_WAV, reenter, &r), M5EMU_OK);
    for (int32_t frame = 0; frame < 30; ++frame) ASSERT_EQ(m5emu_run_frame(h.m5), M5EMU_OK);
    ASSERT_EQ(m5emu_stop_tape(h.m5), M5EMU_OK) << m5emu_last_error(h.m5);
    EXPECT_GE(r.calls, 2) << "the header, then the samples";
    EXPECT_TRUE(r.inspected);
    EXPECT_EQ(r.refused, std::vector<int>(6, M5EMU_ERROR_ORDER));
    // The WAV header's sizes were written last and count every sample.
    ASSERT_GT(r.image.size(), 44u);
    const uint32_t data_bytes = r.image[40] | r.image[41] << 8 | r.image[42] << 16 | r.image[43] << 24;
    EXPECT_EQ(data_bytes, r.image.size() - 44);
}

// Destroying a handle that records ends the recording first, while the
// handle is whole: the callback's last write (the WAV header's sizes) may
// still inspect the machine.
struct Inspecting {
    m5emu* m5 = nullptr;
    int calls = 0;
    int inspected = 0;
};

int inspect(void* user, uint64_t, const uint8_t*, size_t) {
    auto* r = static_cast<Inspecting*>(user);
    ++r->calls;
    m5emu_z80_registers registers{};
    if (m5emu_registers(r->m5, &registers) == M5EMU_OK) ++r->inspected;
    return 0;
}

TEST(CapiCallbackTest, a_recording_ends_inside_destroy_with_the_handle_whole) {
    Inspecting r;
    r.m5 = m5emu_create();
    ASSERT_NE(r.m5, nullptr);
    ASSERT_EQ(m5emu_record_tape(r.m5, M5EMU_TAPE_WAV, inspect, &r), M5EMU_OK);
    for (int32_t frame = 0; frame < 5; ++frame) ASSERT_EQ(m5emu_run_frame(r.m5), M5EMU_OK);
    const int before = r.calls;
    m5emu_destroy(r.m5);
    EXPECT_GT(r.calls, before) << "the header written at the end";
    EXPECT_EQ(r.inspected, r.calls);
}

// Whatever the machine can be made to hold saves to a state that loads: a
// paste of the longest text (a longer one is refused when given), a tape
// longer than the deck reads.
TEST(CapiLimitTest, at_each_limit_a_saved_state_loads_again) {
    Handle h;
    const std::string longest(M5EMU_PASTE_MAX, 'q');
    ASSERT_EQ(m5emu_paste(h.m5, (longest + "q").c_str()), M5EMU_ERROR_ARGUMENT);
    EXPECT_NE(std::string(m5emu_last_error(h.m5)).find("too long"), std::string::npos);
    EXPECT_EQ(m5emu_pasting(h.m5), 0) << "nothing started";
    ASSERT_EQ(m5emu_paste(h.m5, longest.c_str()), M5EMU_OK);
    std::vector<uint8_t> tape(3 << 20);
    for (size_t i = 0; i < tape.size(); ++i) tape[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    // A SORDM5 block file, of which the deck reads the first MiB.
    const std::string signature = "SORDM5";
    std::copy(signature.begin(), signature.end(), tape.begin());
    std::fill(tape.begin() + 6, tape.begin() + 16, 0);
    ASSERT_EQ(m5emu_play_tape(h.m5, tape.data(), tape.size(), M5EMU_TAPE_CAS), M5EMU_OK);
    for (int32_t frame = 0; frame < 10; ++frame) ASSERT_EQ(m5emu_run_frame(h.m5), M5EMU_OK);
    size_t size = 0;
    ASSERT_EQ(m5emu_save_state(h.m5, nullptr, &size), M5EMU_OK);
    EXPECT_LE(size, static_cast<size_t>(M5EMU_STATE_SIZE_MAX));
    const std::vector<uint8_t> state = h.save();
    ASSERT_FALSE(state.empty());
    ASSERT_EQ(m5emu_load_state(h.m5, state.data(), state.size()), M5EMU_OK) << m5emu_last_error(h.m5);
    EXPECT_EQ(m5emu_pasting(h.m5), 1);
    EXPECT_TRUE(h.save() == state);
}

// A call that succeeds leaves no reason of an earlier failure behind.
TEST(CapiErrorTest, a_call_that_succeeds_clears_the_last_reason) {
    Handle h;
    uint8_t byte = 0;
    m5emu_z80_registers registers{};
    const std::vector<std::pair<const char*, std::function<int()>>> calls = {
        {"read_memory", [&] { return m5emu_read_memory(h.m5, 0x7000, &byte, 1); }},
        {"read_vram", [&] { return m5emu_read_vram(h.m5, 0, &byte, 1); }},
        {"registers", [&] { return m5emu_registers(h.m5, &registers); }},
    };
    for (const auto& [name, call] : calls) {
        ASSERT_EQ(m5emu_joystick(h.m5, 7, 0), M5EMU_ERROR_ARGUMENT);
        ASSERT_NE(*m5emu_last_error(h.m5), 0);
        EXPECT_EQ(call(), M5EMU_OK) << name;
        EXPECT_STREQ(m5emu_last_error(h.m5), "") << name;
    }
}

}  // namespace
}  // namespace m5::test
