// StateArchive: a load of a value the record cannot take fails the reader
// and keeps a safe value. (That a description saves and loads the same bytes
// is pinned by the state fixtures and the machines' round trips.)
#include <gtest/gtest.h>

#include <cstdint>

#include "machine/state_io.h"

namespace m5 {
namespace {

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
