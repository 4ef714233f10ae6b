// Key state, joystick byte and the paste sequencer's frame timing.
#include <gtest/gtest.h>

#include <vector>

#include "devices/virtual_keys.h"
#include "host/host.h"
#include "host/paste_sequencer.h"
#include "host/settings.h"
#include "host/test_platform.h"
#include "host/text_codes.h"
#include "support/temp_dir.h"

namespace m5 {
namespace {

using test::TempDir;
using test::TestPlatform;

class HostInputTest : public ::testing::Test {
protected:
    HostInputTest() {
        platform.executable = dir.file("m5");
        host = std::make_unique<Host>(platform, settings);
    }
    uint8_t key(int32_t code) const { return host->key_state()[code]; }

    // Pastes `text` and runs frames until the sequencer stops (at most
    // `limit`); returns, per frame (index 0 = frame 1), the state of `code`
    // as the machine saw it during that frame.
    std::vector<uint8_t> paste_and_watch(const std::string& text, int32_t code, int32_t limit = 200) {
        platform.clipboard = text;
        host->paste_start();
        std::vector<uint8_t> seen;
        frames_to_finish = 0;
        for (int32_t frame = 1; frame <= limit && host->pasting(); ++frame) {
            host->emulate_frame();
            seen.push_back(key(code));
            frames_to_finish = frame;
        }
        return seen;
    }
    // Frames (1-based) in which the watched key was down.
    static std::vector<int32_t> down_frames(const std::vector<uint8_t>& seen) {
        std::vector<int32_t> frames;
        for (size_t i = 0; i < seen.size(); ++i) {
            if (seen[i] != 0) frames.push_back(static_cast<int32_t>(i) + 1);
        }
        return frames;
    }

    TempDir dir;
    TestPlatform platform;
    Settings settings;
    std::unique_ptr<Host> host;
    int32_t frames_to_finish = 0;
};

TEST_F(HostInputTest, a_tap_between_frames_is_seen_in_two_frames_and_a_held_key_until_released) {
    host->key_down('A');
    host->key_up('A');
    EXPECT_EQ(key('A'), 0x03);
    host->emulate_frame();
    EXPECT_EQ(key('A'), 0x02);
    host->emulate_frame();
    EXPECT_EQ(key('A'), 0x01);
    host->emulate_frame();
    EXPECT_EQ(key('A'), 0x00);

    host->key_down('B');
    std::vector<uint8_t> seen;
    for (int i = 0; i < 4; ++i) {
        host->emulate_frame();
        seen.push_back(key('B'));
    }
    EXPECT_EQ(seen, (std::vector<uint8_t>{0x82, 0x81, 0x80, 0x80}));
    host->key_up('B');
    EXPECT_EQ(key('B'), 0x00);
}

TEST_F(HostInputTest, alphanumeric_key_is_a_three_frame_caps_lock_pulse) {
    host->key_down(VK_DBE_ALPHANUMERIC);
    EXPECT_EQ(key(VK_CAPITAL), 3);
    EXPECT_EQ(key(VK_DBE_ALPHANUMERIC), 0);
    std::vector<uint8_t> seen;
    for (int i = 0; i < 4; ++i) {
        host->emulate_frame();
        seen.push_back(key(VK_CAPITAL));
    }
    EXPECT_EQ(seen, (std::vector<uint8_t>{2, 1, 0, 0}));
    host->key_down(VK_DBE_HIRAGANA);
    host->key_down(VK_DBE_DBCSCHAR);
    EXPECT_EQ(key(VK_KANA), 3);
    EXPECT_EQ(key(VK_KANJI), 3);
}

TEST_F(HostInputTest, shift_without_a_physical_side_marks_left_and_release_clears_it) {
    host->key_down(VK_SHIFT);
    EXPECT_EQ(key(VK_LSHIFT), KEY_HELD);
    EXPECT_EQ(key(VK_RSHIFT), 0);
    EXPECT_EQ(key(VK_SHIFT), KEY_PRESS);
    host->key_up(VK_SHIFT);
    EXPECT_EQ(key(VK_LSHIFT), 0);
    EXPECT_EQ(key(VK_SHIFT), 0x03);
}

TEST_F(HostInputTest, physical_right_control_is_marked_and_kept_while_still_down) {
    platform.physical_keys = {VK_RCONTROL};
    host->key_down(VK_CONTROL);
    EXPECT_EQ(key(VK_RCONTROL), KEY_HELD);
    EXPECT_EQ(key(VK_LCONTROL), 0);
    host->key_up(VK_CONTROL);
    EXPECT_EQ(key(VK_RCONTROL), KEY_HELD);  // the right key is still physically down
    EXPECT_EQ(key(VK_CONTROL), 0x03);
    platform.physical_keys.clear();
    host->key_up(VK_CONTROL);
    EXPECT_EQ(key(VK_RCONTROL), 0);
}

TEST_F(HostInputTest, arrow_keys_make_the_joystick_byte) {
    host->key_down(VK_UP);
    host->key_down(VK_RIGHT);
    host->emulate_frame();
    EXPECT_EQ(host->joy_bits()[0], JOY_UP | JOY_RIGHT);
    EXPECT_EQ(host->joy_bits()[1], 0);
    host->key_up(VK_UP);
    host->key_up(VK_RIGHT);
    host->emulate_frame();
    EXPECT_EQ(host->joy_bits()[0], JOY_UP | JOY_RIGHT);  // still counting down
    host->emulate_frame();
    EXPECT_EQ(host->joy_bits()[0], 0);
    host->key_down(VK_DOWN);
    host->key_down(VK_LEFT);
    host->emulate_frame();
    EXPECT_EQ(host->joy_bits()[0], JOY_DOWN | JOY_LEFT);
}

TEST_F(HostInputTest, pasting_Ab_shifts_the_A_then_types_b_and_stops_in_frame_16) {
    platform.clipboard = "Ab";
    host->paste_start();
    std::vector<uint8_t> shift, a, b;
    for (int frame = 1; frame <= 16; ++frame) {
        EXPECT_TRUE(host->pasting()) << "frame " << frame;
        host->emulate_frame();
        shift.push_back(key(VK_SHIFT) | key(VK_LSHIFT));
        a.push_back(key('A'));
        b.push_back(key('B'));
    }
    EXPECT_FALSE(host->pasting());
    EXPECT_EQ(down_frames(shift), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(down_frames(a), (std::vector<int32_t>{2, 3, 4}));
    EXPECT_EQ(down_frames(b), (std::vector<int32_t>{10, 11, 12}));
}

TEST_F(HostInputTest, pasting_1_crlf_2_takes_46_frames_with_a_30_frame_return) {
    const std::vector<uint8_t> ret = paste_and_watch("1\r\n2", VK_RETURN);
    EXPECT_EQ(frames_to_finish, 46);
    EXPECT_EQ(down_frames(ret), (std::vector<int32_t>{10, 11, 12}));
    const std::vector<uint8_t> two = paste_and_watch("1\r\n2", '2');
    EXPECT_EQ(down_frames(two), (std::vector<int32_t>{40, 41, 42}));
}

TEST_F(HostInputTest, a_trailing_line_feed_ends_with_a_30_frame_return_cycle) {
    const std::vector<uint8_t> ret = paste_and_watch("x\n", VK_RETURN);
    EXPECT_EQ(frames_to_finish, 8 + 30);
    EXPECT_EQ(down_frames(ret), (std::vector<int32_t>{10, 11, 12}));
}

// A text longer than the sequencer types is refused when it is pasted, with
// a message, and the paste in progress goes on; the longest one typing saves
// to a state that loads again.
TEST_F(HostInputTest, a_paste_is_bounded_when_given_and_the_longest_saves_to_a_state_that_loads) {
    platform.clipboard = std::string(PASTE_MAX_BYTES, 'q');
    host->paste_start();
    host->emulate_frame();
    ASSERT_TRUE(host->pasting());
    platform.clipboard = std::string(PASTE_MAX_BYTES + 1, 'w');
    host->paste_start();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].find("too long"), std::string::npos) << platform.messages[0];
    EXPECT_FALSE(host->paste_start(std::string(PASTE_MAX_BYTES + 1, 'w')));
    EXPECT_TRUE(host->pasting());
    for (int32_t frame = 0; frame < 20; ++frame) host->emulate_frame();
    EXPECT_EQ(key('W'), 0) << "nothing of the refused text is typed";

    const std::vector<uint8_t> state = host->save_state(false);
    std::string error;
    ASSERT_TRUE(host->load_state(state, error)) << error;
    EXPECT_TRUE(host->pasting());
    EXPECT_EQ(host->save_state(false), state);
}

TEST_F(HostInputTest, no_clipboard_text_starts_nothing_but_an_empty_text_runs_one_silent_cycle) {
    platform.clipboard = "A";
    host->paste_start();
    host->emulate_frame();
    platform.clipboard.reset();
    host->paste_start();  // no text: only the paste in progress stops
    EXPECT_FALSE(host->pasting());
    EXPECT_EQ(key(VK_LSHIFT), 0);
    std::vector<uint8_t> seen = paste_and_watch("", VK_RETURN);
    EXPECT_EQ(frames_to_finish, 8);
    EXPECT_TRUE(down_frames(seen).empty());
    paste_and_watch(std::string(1, '\0') + "ignored", VK_RETURN);
    EXPECT_EQ(frames_to_finish, 8);
}

TEST_F(HostInputTest, a_new_paste_abandons_the_one_in_progress) {
    platform.clipboard = "A";
    host->paste_start();
    host->emulate_frame();
    host->emulate_frame();  // Shift and A down
    platform.clipboard = "b";
    host->paste_start();
    EXPECT_EQ(key('A') & KEY_HELD, 0);
    EXPECT_EQ(key(VK_LSHIFT), 0);
    host->emulate_frame();
    host->emulate_frame();
    EXPECT_NE(key('B'), 0);
    EXPECT_EQ(key(VK_SHIFT), 0x00);
}

TEST_F(HostInputTest, consecutive_shifted_characters_keep_shift_down_across_them) {
    const std::vector<uint8_t> shift = paste_and_watch("!\"", VK_SHIFT);
    EXPECT_EQ(frames_to_finish, 16);
    // Shift goes down once in frame 1 and is never pressed again: its
    // countdown runs out while it stays held.
    EXPECT_EQ(shift[0], KEY_PRESS);
    EXPECT_EQ(shift[9], KEY_HELD);
    EXPECT_EQ(key(VK_SHIFT), 0);
    EXPECT_EQ(key(VK_LSHIFT), 0);
}

TEST_F(HostInputTest, stop_releases_the_keys_of_the_paste) {
    platform.clipboard = "Q";
    host->paste_start();
    host->emulate_frame();
    host->emulate_frame();  // Q pressed, Shift held
    host->paste_stop();
    EXPECT_FALSE(host->pasting());
    EXPECT_EQ(key('Q') & KEY_HELD, 0);
    EXPECT_EQ(key(VK_SHIFT) & KEY_HELD, 0);
    EXPECT_EQ(key(VK_LSHIFT), 0);
}

TEST_F(HostInputTest, half_width_katakana_and_unmapped_characters_take_a_cycle_each_without_keys) {
    EXPECT_EQ(utf8_to_jis_bytes("a\xEF\xBD\xB1\xEF\xBE\x9F"), "a\xB1\xDF");  // U+FF71, U+FF9F
    EXPECT_EQ(utf8_to_jis_bytes("\xC2\xA5~"), "\x5C~");                      // yen sign
    EXPECT_EQ(utf8_to_jis_bytes("\xC3\xA9\xE6\xBC\xA2"), "\x80\x80");        // é, a kanji
    EXPECT_EQ(utf8_to_jis_bytes("\xFF\xC3"), "\x80\x80");                    // malformed bytes
    // Three characters, none of which is a lead byte: three 8-frame cycles.
    paste_and_watch("\xEF\xBD\xB1\xC3\xA9\xE6\xBC\xA2", VK_RETURN);
    EXPECT_EQ(frames_to_finish, 24);
    for (int code = 0; code < 256; ++code) EXPECT_EQ(key(code) & KEY_HELD, 0) << code;
}

TEST_F(HostInputTest, paste_keys_follow_the_japanese_layout) {
    EXPECT_EQ(PASTE_KEYS['A'], 0x441);
    EXPECT_EQ(PASTE_KEYS['z'], 0x85A);
    EXPECT_EQ(PASTE_KEYS['7'], 0x037);
    EXPECT_EQ(PASTE_KEYS['@'], 0x0C0);
    EXPECT_EQ(PASTE_KEYS['_'], 0x1E2);
    EXPECT_EQ(PASTE_KEYS['\n'], 0x00D);
    EXPECT_EQ(PASTE_KEYS[0x7F], 0);
    EXPECT_EQ(PASTE_KEYS[0xB1], 0);
}

TEST(TextCodesTest, utf8_and_utf16_convert_both_ways_and_reject_malformed_input) {
    std::u16string units;
    ASSERT_TRUE(utf8_to_utf16("/d\xC3\xA9/\xF0\x9F\x8E\xAE", units));
    EXPECT_EQ(units, (std::u16string{u'/', u'd', 0xE9, u'/', 0xD83C, 0xDFAE}));
    EXPECT_EQ(utf16_to_utf8(units.data(), units.size()), "/d\xC3\xA9/\xF0\x9F\x8E\xAE");
    EXPECT_FALSE(utf8_to_utf16("\xC0\xAF", units));      // overlong
    EXPECT_FALSE(utf8_to_utf16("\xED\xA0\x80", units));  // surrogate
    EXPECT_FALSE(utf8_to_utf16("\xE6\xBC", units));      // truncated
    const char16_t lone[] = {0xD800, u'x'};
    EXPECT_EQ(utf16_to_utf8(lone, 2), "\xEF\xBF\xBDx");
}

}  // namespace
}  // namespace m5
