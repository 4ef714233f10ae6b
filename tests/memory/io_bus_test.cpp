#include "memory/io_bus.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace m5 {
namespace {

// Records every port access and answers reads with a fixed byte.
class PortRecorder final : public Component {
public:
    explicit PortRecorder(int32_t answer = 0x5C) : Component(nullptr, nullptr), answer(answer) {}
    void port_write8(int32_t port, int32_t data) override { writes.emplace_back(port, data); }
    int32_t port_read8(int32_t port) override {
        reads.push_back(port);
        return answer;
    }
    int32_t answer;
    std::vector<std::pair<int32_t, int32_t>> writes;
    std::vector<int32_t> reads;
};

// Checks that `recorder` saw exactly one read, of `read_port`, and exactly one
// write, `write` (port, data).
void expect_one_read_and_one_write(const PortRecorder& recorder, int32_t read_port, std::pair<int32_t, int32_t> write) {
    ASSERT_EQ(recorder.reads.size(), 1u);
    EXPECT_EQ(recorder.reads[0], read_port);
    ASSERT_EQ(recorder.writes.size(), 1u);
    EXPECT_EQ(recorder.writes[0], write);
}

class IoBusTest : public ::testing::Test {
protected:
    NullComponent null{nullptr, nullptr};
    IoBus bus{nullptr, nullptr, &null};
    PortRecorder device;
};

TEST_F(IoBusTest, unmapped_ports_read_all_ones_and_ignore_writes) {
    for (int32_t p = 0; p < PORT_COUNT; ++p) {
        ASSERT_EQ(bus.port_read8(p), 0xFF);
        bus.port_write8(p, 0x12);
    }
    EXPECT_EQ(bus.port_read8(0xAB12), 0xFF);
}

TEST_F(IoBusTest, unmapped_entries_pass_the_port_unchanged_to_the_unmapped_target) {
    PortRecorder unmapped(0x99);
    IoBus own(nullptr, nullptr, &unmapped);
    EXPECT_EQ(own.port_read8(0x4321), 0x99);
    own.port_write8(0x77FE, 0x01);
    expect_one_read_and_one_write(unmapped, 0x4321, {0x77FE, 0x01});
}

TEST_F(IoBusTest, high_byte_of_the_port_reaches_the_target_whole) {
    bus.map_port_read(0x50, &device, 0x50);
    bus.map_port_write(0x50, &device, 0x50);
    EXPECT_EQ(bus.port_read8(0x1250), 0x5C);
    bus.port_write8(0xFF50, 0x03);
    expect_one_read_and_one_write(device, 0x1250, {0xFF50, 0x03});
}

TEST_F(IoBusTest, renumbered_entry_replaces_only_the_low_byte) {
    bus.map_port_write(0x80, &device, 0x10);
    bus.map_port_read(0x80, &device, 0x11);
    bus.port_write8(0x3480, 0xAA);
    bus.port_read8(0x3480);
    expect_one_read_and_one_write(device, 0x3411, {0x3410, 0xAA});
}

TEST_F(IoBusTest, write_and_read_tables_are_independent) {
    bus.map_port_write(0x20, &device, 0x20);  // write only
    bus.map_port_read(0x30, &device, 0x30);   // read only
    EXPECT_EQ(bus.port_read8(0x20), 0xFF);
    bus.port_write8(0x30, 0x01);
    EXPECT_TRUE(device.reads.empty());
    EXPECT_TRUE(device.writes.empty());
    bus.port_write8(0x20, 0x9F);
    EXPECT_EQ(bus.port_read8(0x30), 0x5C);
    EXPECT_EQ(device.writes.size(), 1u);
    EXPECT_EQ(device.reads.size(), 1u);
}

TEST_F(IoBusTest, waited_accesses_report_the_table_wait_and_act_as_plain_ones) {
    bus.map_port_read(0x11, &device, 0x11);
    bus.map_port_write(0x11, &device, 0x11);
    int32_t wait = 77;
    EXPECT_EQ(bus.port_read8_w(0x11, &wait), bus.port_read8(0x11));
    EXPECT_EQ(wait, 0);
    bus.read_waits[0x11] = 3;
    bus.write_waits[0x11] = 2;
    EXPECT_EQ(bus.port_read8_w(0x0211, &wait), 0x5C);
    EXPECT_EQ(wait, 3);
    bus.port_write8_w(0x11, 0x44, &wait);
    EXPECT_EQ(wait, 2);
    ASSERT_EQ(device.writes.size(), 1u);
    EXPECT_EQ(device.writes[0], std::make_pair(0x11, 0x44));
    EXPECT_EQ(bus.port_read8_w(0x12, &wait), 0xFF);
    EXPECT_EQ(wait, 0);
}

TEST_F(IoBusTest, mapping_a_missing_target_points_back_at_the_unmapped_one) {
    bus.map_port_read(0x40, &device, 0x40);
    bus.map_port_read(0x40, nullptr, 0x40);
    EXPECT_EQ(bus.port_read8(0x40), 0xFF);
    IoBus without_null(nullptr, nullptr, nullptr);
    EXPECT_EQ(without_null.port_read8(0x10), 0xFF);
    without_null.port_write8(0x10, 0x00);
}

}  // namespace
}  // namespace m5
