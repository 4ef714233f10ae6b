// What the desktop's monitor shows as text: the code with labels, PC and
// breakpoints marked; each kind of point described; the bytes a user types.
#include "debug/monitor_text.h"

#include <gtest/gtest.h>

#include "m5/machine.h"
#include "support/test_host.h"

namespace m5::debug {
namespace {

class MonitorTextTest : public ::testing::Test {
protected:
    MonitorTextTest() : machine(&host), debugger(machine, nullptr) {
        // LD A,1; NOP; JP 7000 in RAM.
        const uint8_t code[] = {0x3E, 0x01, 0x00, 0xC3, 0x00, 0x70};
        for (size_t i = 0; i < sizeof code; ++i) debugger.poke(static_cast<uint16_t>(0x7000 + i), code[i]);
        symbols.read("start equ 7000h\nloop equ 7002h\n");
    }
    test::TestHost host;
    Machine machine;
    Debugger debugger;
    Symbols symbols;
};

TEST_F(MonitorTextTest, code_lines_carry_labels_pc_and_breakpoints) {
    debugger.add_breakpoint(0x7003);
    const std::vector<std::string> lines = code_lines(debugger, symbols, 0x7002, 1, 3);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "start:");
    EXPECT_EQ(lines[1].substr(0, 22), "  7000  3E 01        L");
    EXPECT_EQ(lines[2], "loop:");
    EXPECT_EQ(lines[3].substr(0, 6), "> 7002");
    EXPECT_EQ(lines[4].substr(0, 6), " *7003");
    EXPECT_NE(lines[4].find("JP $7000"), std::string::npos) << lines[4];
}

TEST_F(MonitorTextTest, points_are_described_with_their_labels_and_sets) {
    EXPECT_EQ(describe_point(Debugger::Breakpoint{0x7000, USER_POINTS, true, 1}, symbols), "break 7000 (start)");
    EXPECT_EQ(describe_point(Debugger::Watchpoint{0x7002, 2, WATCH_WRITE, USER_POINTS, false, 1}, symbols),
              "watch write 7002 (loop) x2 (disabled)");
    EXPECT_EQ(describe_point(Debugger::Watchpoint{0x8000, 1, WATCH_ACCESS, USER_POINTS, true, 1}, symbols),
              "watch access 8000");
    EXPECT_EQ(point_set_name(CLIENT_POINTS + 1), "GDB Z1");
    EXPECT_EQ(point_set_name(USER_POINTS), "monitor");
}

TEST(MonitorText, bytes_are_pairs_of_hex_digits) {
    EXPECT_EQ(parse_bytes("3E 01"), (std::vector<uint8_t>{0x3E, 0x01}));
    EXPECT_EQ(parse_bytes("3e01ff"), (std::vector<uint8_t>{0x3E, 0x01, 0xFF}));
    for (const char* bad : {"", " ", "3", "3 E", "3G", "0x10"}) EXPECT_FALSE(parse_bytes(bad)) << bad;
}

}  // namespace
}  // namespace m5::debug
