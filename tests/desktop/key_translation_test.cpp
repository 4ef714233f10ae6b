#include "desktop/key_translation.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <set>

#include "devices/key_matrix.h"
#include "devices/virtual_keys.h"
#include "host/host.h"
#include "host/key_names.h"

namespace m5 {
namespace {

std::set<uint8_t> reachable_codes() {
    std::set<uint8_t> codes;
    for (uint32_t scancode = 0; scancode < 256; ++scancode) {
        const uint8_t code = virtual_key_for_scancode(scancode);
        if (code != 0) codes.insert(code);
    }
    return codes;
}

TEST(KeyTranslation, every_key_of_the_machine_matrix_has_a_physical_key) {
    const std::set<uint8_t> codes = reachable_codes();
    for (const auto& row : KEY_ROWS) {
        for (VirtualKey code : row) {
            if (code == VK_NONE) continue;
            EXPECT_TRUE(codes.count(code)) << "no physical key gives 0x" << std::hex << int(code);
        }
    }
}

TEST(KeyTranslation, every_key_of_the_key_table_has_a_physical_key) {
    const std::set<uint8_t> codes = reachable_codes();
    for (const M5Key& key : m5_keys()) {
        int32_t code = virtual_key_named(key.name);
        if (code == VK_LSHIFT || code == VK_RSHIFT) code = VK_SHIFT;
        EXPECT_TRUE(codes.count(static_cast<uint8_t>(code))) << key.name;
    }
}

TEST(KeyTranslation, every_key_the_paste_types_has_a_physical_key) {
    const std::set<uint8_t> codes = reachable_codes();
    for (int32_t byte = 0; byte < 256; ++byte) {
        const auto code = static_cast<uint8_t>(PASTE_KEYS[static_cast<size_t>(byte)] & 0xFF);
        if (code == 0) continue;
        EXPECT_TRUE(codes.count(code)) << "text byte 0x" << std::hex << byte;
    }
}

TEST(KeyTranslation, letters_digits_and_arrows_give_their_windows_codes) {
    EXPECT_EQ(virtual_key_for_scancode(KEY_A), VK_A);
    EXPECT_EQ(virtual_key_for_scancode(KEY_Z), VK_Z);
    EXPECT_EQ(virtual_key_for_scancode(KEY_Q), VK_Q);
    EXPECT_EQ(virtual_key_for_scancode(KEY_1), VK_1);
    EXPECT_EQ(virtual_key_for_scancode(KEY_0), VK_0);
    EXPECT_EQ(virtual_key_for_scancode(KEY_9), VK_9);
    EXPECT_EQ(virtual_key_for_scancode(KEY_SPACE), VK_SPACE);
    EXPECT_EQ(virtual_key_for_scancode(KEY_ENTER), VK_RETURN);
    EXPECT_EQ(virtual_key_for_scancode(KEY_KPENTER), VK_RETURN);
    EXPECT_EQ(virtual_key_for_scancode(KEY_UP), VK_UP);
    EXPECT_EQ(virtual_key_for_scancode(KEY_DOWN), VK_DOWN);
    EXPECT_EQ(virtual_key_for_scancode(KEY_LEFT), VK_LEFT);
    EXPECT_EQ(virtual_key_for_scancode(KEY_RIGHT), VK_RIGHT);
    EXPECT_EQ(virtual_key_for_scancode(KEY_F10), VK_F10);
    EXPECT_EQ(virtual_key_for_scancode(KEY_F12), VK_F12);
}

TEST(KeyTranslation, symbol_keys_follow_the_japanese_layout_by_position) {
    EXPECT_EQ(virtual_key_for_scancode(KEY_MINUS), VK_OEM_MINUS);     // -
    EXPECT_EQ(virtual_key_for_scancode(KEY_EQUAL), VK_OEM_7);         // ^
    EXPECT_EQ(virtual_key_for_scancode(KEY_YEN), VK_OEM_5);           // yen
    EXPECT_EQ(virtual_key_for_scancode(KEY_LEFTBRACE), VK_OEM_3);     // @
    EXPECT_EQ(virtual_key_for_scancode(KEY_RIGHTBRACE), VK_OEM_4);    // [
    EXPECT_EQ(virtual_key_for_scancode(KEY_SEMICOLON), VK_OEM_PLUS);  // ;
    EXPECT_EQ(virtual_key_for_scancode(KEY_APOSTROPHE), VK_OEM_1);    // :
    EXPECT_EQ(virtual_key_for_scancode(KEY_BACKSLASH), VK_OEM_6);     // ]
    EXPECT_EQ(virtual_key_for_scancode(KEY_RO), VK_OEM_102);          // _
    EXPECT_EQ(virtual_key_for_scancode(KEY_102ND), VK_OEM_102);
    EXPECT_EQ(virtual_key_for_scancode(KEY_COMMA), VK_OEM_COMMA);
    EXPECT_EQ(virtual_key_for_scancode(KEY_DOT), VK_OEM_PERIOD);
    EXPECT_EQ(virtual_key_for_scancode(KEY_SLASH), VK_OEM_2);
    // The mode keys the host turns into short pulses.
    EXPECT_EQ(virtual_key_for_scancode(KEY_CAPSLOCK), VK_DBE_ALPHANUMERIC);
    EXPECT_EQ(virtual_key_for_scancode(KEY_KATAKANAHIRAGANA), VK_DBE_HIRAGANA);
    EXPECT_EQ(virtual_key_for_scancode(KEY_ZENKAKUHANKAKU), VK_DBE_SBCSCHAR);
}

TEST(KeyTranslation, modifiers_give_generic_codes_and_their_side) {
    EXPECT_EQ(virtual_key_for_scancode(KEY_LEFTSHIFT), VK_SHIFT);
    EXPECT_EQ(virtual_key_for_scancode(KEY_RIGHTSHIFT), VK_SHIFT);
    EXPECT_EQ(virtual_key_for_scancode(KEY_LEFTCTRL), VK_CONTROL);
    EXPECT_EQ(virtual_key_for_scancode(KEY_RIGHTCTRL), VK_CONTROL);
    EXPECT_EQ(virtual_key_for_scancode(KEY_LEFTALT), VK_MENU);
    EXPECT_EQ(virtual_key_for_scancode(KEY_RIGHTALT), VK_MENU);
    EXPECT_EQ(side_modifier_for_scancode(KEY_LEFTSHIFT), VK_LSHIFT);
    EXPECT_EQ(side_modifier_for_scancode(KEY_RIGHTSHIFT), VK_RSHIFT);
    EXPECT_EQ(side_modifier_for_scancode(KEY_LEFTCTRL), VK_LCONTROL);
    EXPECT_EQ(side_modifier_for_scancode(KEY_RIGHTCTRL), VK_RCONTROL);
    EXPECT_EQ(side_modifier_for_scancode(KEY_LEFTALT), VK_LMENU);
    EXPECT_EQ(side_modifier_for_scancode(KEY_RIGHTALT), VK_RMENU);
    EXPECT_EQ(side_modifier_for_scancode(KEY_A), 0);
}

TEST(KeyTranslation, hardware_keycodes_are_scan_codes_plus_eight_and_unknown_codes_give_none) {
    EXPECT_EQ(virtual_key_for_keycode(KEY_A + 8), VK_A);
    EXPECT_EQ(virtual_key_for_keycode(KEY_LEFTSHIFT + 8), VK_SHIFT);
    EXPECT_EQ(virtual_key_for_keycode(3), 0);
    EXPECT_EQ(virtual_key_for_scancode(KEY_RESERVED), 0);
    EXPECT_EQ(virtual_key_for_scancode(255), 0);
    EXPECT_EQ(virtual_key_for_scancode(1000), 0);
}

TEST(KeyboardTracker, side_state_changes_before_the_code_is_handed_out) {
    KeyboardTracker keys;
    EXPECT_EQ(keys.press(KEY_RIGHTSHIFT), VK_SHIFT);
    EXPECT_TRUE(keys.modifier_down(VK_RSHIFT));
    EXPECT_FALSE(keys.modifier_down(VK_LSHIFT));
    EXPECT_EQ(keys.press(KEY_LEFTALT), VK_MENU);
    EXPECT_TRUE(keys.modifier_down(VK_LMENU));
    EXPECT_EQ(keys.release(KEY_RIGHTSHIFT), VK_SHIFT);
    EXPECT_FALSE(keys.modifier_down(VK_RSHIFT));
    EXPECT_TRUE(keys.modifier_down(VK_LMENU));
    EXPECT_FALSE(keys.modifier_down(VK_A));
}

TEST(KeyboardTracker, release_all_names_each_code_once_and_forgets_every_key) {
    KeyboardTracker keys;
    keys.press(KEY_LEFTSHIFT);
    keys.press(KEY_RIGHTSHIFT);
    keys.press(KEY_A);
    keys.press(KEY_A);  // auto-repeat
    keys.press(KEY_ENTER);
    keys.press(KEY_KPENTER);
    keys.release(KEY_KPENTER);
    const std::vector<uint8_t> codes = keys.release_all();
    EXPECT_EQ(std::multiset<uint8_t>(codes.begin(), codes.end()), (std::multiset<uint8_t>{VK_SHIFT, VK_A, VK_RETURN}));
    EXPECT_FALSE(keys.modifier_down(VK_LSHIFT));
    EXPECT_FALSE(keys.modifier_down(VK_RSHIFT));
    EXPECT_TRUE(keys.release_all().empty());
}

TEST(KeyboardTracker, out_of_range_scan_codes_are_ignored) {
    KeyboardTracker keys;
    EXPECT_EQ(keys.press(0xFFFF), 0);
    EXPECT_EQ(keys.release(0xFFFF), 0);
    EXPECT_TRUE(keys.release_all().empty());
}

}  // namespace
}  // namespace m5
