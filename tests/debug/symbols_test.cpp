// Symbol files as assemblers write them, and addresses as users type them.
#include "debug/symbols.h"

#include <gtest/gtest.h>

namespace m5::debug {
namespace {

TEST(Symbols, the_forms_assemblers_write_are_read) {
    Symbols symbols;
    const int32_t read = symbols.read(
        "START\t\tEQU 02000H\n"                                     // pasmo
        "main_loop: EQU 0x00002010\n"                               // sjasmplus
        "_sprite_x                       = $7100 ; addr, public\n"  // z88dk map
        "DEFC _vblank = $7102\n"                                    // z88dk def
        "counter: $7800\n"
        "decimal equ 36864\n"
        "; a comment\n"
        "not a symbol line\n"
        "too_big equ 10000h\n");
    EXPECT_EQ(read, 6);
    EXPECT_EQ(symbols.find("START"), 0x2000);
    EXPECT_EQ(symbols.find("main_loop"), 0x2010);
    EXPECT_EQ(symbols.find("_sprite_x"), 0x7100);
    EXPECT_EQ(symbols.find("_vblank"), 0x7102);
    EXPECT_EQ(symbols.find("counter"), 0x7800);
    EXPECT_EQ(symbols.find("decimal"), 0x9000);
    EXPECT_FALSE(symbols.find("too_big"));
    EXPECT_EQ(symbols.name_at(0x7800), "counter");
}

TEST(Symbols, an_address_is_a_label_first_then_hexadecimal) {
    Symbols symbols;
    symbols.read("beef equ 1234h\n");
    EXPECT_EQ(symbols.resolve("beef"), 0x1234);
    EXPECT_EQ(symbols.resolve("BEEF"), 0xBEEF);
    EXPECT_EQ(symbols.resolve("2000"), 0x2000);
    EXPECT_EQ(symbols.resolve("$7000"), 0x7000);
    EXPECT_EQ(symbols.resolve("0x7000"), 0x7000);
    EXPECT_EQ(symbols.resolve("7000h"), 0x7000);
    EXPECT_FALSE(symbols.resolve("10000"));
    EXPECT_FALSE(symbols.resolve("nolabel"));
    EXPECT_FALSE(symbols.resolve(""));
}

}  // namespace
}  // namespace m5::debug
