// StateArchive: one description of a record's fields writes the bytes a
// StateWriter gives for them and reads them back; a load of a value the
// record cannot take fails the reader.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "machine/state_io.h"

namespace m5 {
namespace {

struct Record {
    uint8_t byte = 0;
    uint16_t word = 0;
    uint32_t dword = 0;
    uint64_t qword = 0;
    int32_t count = 0;
    bool flag = false;
    float level = 0;
    uint16_t address = 0;   // 14 bits
    int32_t small = 0;      // saved in one byte
    uint8_t level_bit = 0;  // saved as a flag
    int32_t mode = 0;       // 0..3
    uint8_t block[3] = {};
    std::string name;

    void describe(StateArchive& a) {
        a.field(byte);
        a.field(word);
        a.field(dword);
        a.field(qword);
        a.field(count);
        a.field(flag);
        a.field(level);
        a.field(address, 0x3FFF);
        a.field_as<uint8_t>(small);
        a.field_as<bool>(level_bit);
        a.i32_in(mode, 0, 3);
        a.raw(block, sizeof block);
        a.text(name, 16);
    }
};

Record sample() {
    Record r;
    r.byte = 0xA5;
    r.word = 0x1234;
    r.dword = 0xDEADBEEF;
    r.qword = 0x0123456789ABCDEFull;
    r.count = -7;
    r.flag = true;
    r.level = 0.25f;
    r.address = 0x3ABC;
    r.small = 200;
    r.level_bit = 1;
    r.mode = 3;
    r.block[0] = 1, r.block[1] = 2, r.block[2] = 3;
    r.name = "m5";
    return r;
}

TEST(StateArchiveTest, a_description_saves_what_the_writer_would_and_loads_it_back) {
    Record original = sample();
    StateWriter described;
    StateArchive saving(described);
    original.describe(saving);

    StateWriter by_hand;
    by_hand.u8(0xA5);
    by_hand.u16(0x1234);
    by_hand.u32(0xDEADBEEF);
    by_hand.u64(0x0123456789ABCDEFull);
    by_hand.i32(-7);
    by_hand.flag(true);
    by_hand.f32(0.25f);
    by_hand.u16(0x3ABC);
    by_hand.u8(200);
    by_hand.flag(true);
    by_hand.i32(3);
    by_hand.raw(original.block, 3);
    by_hand.text("m5");
    EXPECT_EQ(described.data(), by_hand.data());

    StateReader in(described.data().data(), described.data().size());
    StateArchive loading(in);
    Record copy;
    copy.describe(loading);
    EXPECT_TRUE(in.ok() && in.at_end());
    StateWriter again;
    StateArchive saving_again(again);
    copy.describe(saving_again);
    EXPECT_EQ(again.data(), described.data());
}

TEST(StateArchiveTest, a_load_the_record_cannot_take_fails_and_keeps_safe_values) {
    StateWriter out;
    out.u16(0xFFFF);  // address: the mask keeps 14 bits
    out.i32(9);       // mode out of 0..3
    out.u8(2);        // a flag that is neither 0 nor 1
    StateReader in(out.data().data(), out.data().size());
    StateArchive a(in);
    uint16_t address = 0;
    int32_t mode = 2;
    bool flag = false;
    a.field(address, 0x3FFF);
    EXPECT_EQ(address, 0x3FFF);
    EXPECT_TRUE(in.ok());
    a.i32_in(mode, 1, 3);
    EXPECT_EQ(mode, 1);
    EXPECT_FALSE(in.ok());

    StateReader flag_in(out.data().data() + 6, 1);
    StateArchive flag_archive(flag_in);
    flag_archive.field(flag);
    EXPECT_FALSE(flag_in.ok());

    // valid fails only a load.
    StateReader unchecked(out.data().data(), out.data().size());
    StateArchive checking(unchecked);
    EXPECT_FALSE(checking.valid(false));
    EXPECT_FALSE(unchecked.ok());
    StateWriter sink;
    StateArchive saving(sink);
    EXPECT_TRUE(saving.valid(false));
}

}  // namespace
}  // namespace m5
