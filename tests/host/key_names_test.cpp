// The M5's key table: every key by name where the keyboard matrix reads it.
#include "host/key_names.h"

#include <gtest/gtest.h>

#include <set>

#include "devices/key_matrix.h"
#include "devices/virtual_keys.h"

namespace m5 {
namespace {

// The key a side-specific modifier stands for in the matrix.
int32_t generic(int32_t code) {
    if (code == VK_LSHIFT || code == VK_RSHIFT) return VK_SHIFT;
    if (code == VK_LCONTROL || code == VK_RCONTROL) return VK_CONTROL;
    return code;
}

TEST(KeyTable, each_key_is_named_where_the_matrix_reads_it) {
    std::set<std::pair<int32_t, int32_t>> places;
    std::set<std::string> names;
    for (const M5Key& key : m5_keys()) {
        EXPECT_TRUE(places.insert({key.row, key.bit}).second) << key.name << ": a place given twice";
        EXPECT_TRUE(names.insert(key.name).second) << key.name << ": a name given twice";
        const int32_t code = virtual_key_named(key.name);
        ASSERT_NE(code, 0) << key.name;
        if (key.row < KEY_ROW_COUNT) {
            EXPECT_EQ(KEY_ROWS[key.row][key.bit], generic(code)) << key.name;
        } else {
            static constexpr VirtualKey ARROWS[4] = {VK_RIGHT, VK_UP, VK_LEFT, VK_DOWN};  // the joystick row
            EXPECT_EQ(key.row, 7);
            EXPECT_EQ(code, ARROWS[key.bit]) << key.name;
        }
    }
    // Every key the matrix reads is in the table.
    for (int32_t row = 0; row < KEY_ROW_COUNT; ++row) {
        for (int32_t bit = 0; bit < 8; ++bit) {
            EXPECT_EQ(places.count({row, bit}) != 0, KEY_ROWS[row][bit] != VK_NONE) << row << "," << bit;
        }
    }
}

}  // namespace
}  // namespace m5
