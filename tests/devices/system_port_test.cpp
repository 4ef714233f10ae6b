#include "devices/system_port.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "m5/machine.h"
#include "memory/io_bus.h"
#include "support/test_host.h"

namespace m5 {
namespace {

// Stands for the tape deck: records every signal it is sent.
class SignalRecorder final : public Component {
public:
    SignalRecorder() : Component(nullptr, nullptr) {}
    void signal_in(int32_t signal, uint32_t data, uint32_t mask) override { got.emplace_back(signal, data, mask); }
    std::vector<std::tuple<int32_t, uint32_t, uint32_t>> got;
};

using Sent = std::tuple<int32_t, uint32_t, uint32_t>;

class SystemPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        port.target = &deck;
        port.out_signal = 0;
        port.motor_signal = 1;
        port.init();
    }
    SignalRecorder deck;
    SystemPort port{nullptr, nullptr};
};

TEST_F(SystemPortTest, only_changed_lines_are_sent) {
    port.port_write8(0x50, 0x00);  // output = inverse of bit 0 -> 1; motor stays 0
    ASSERT_EQ(deck.got.size(), 1u);
    EXPECT_EQ(deck.got[0], Sent(0, 1, 1));

    port.port_write8(0x50, 0x03);
    ASSERT_EQ(deck.got.size(), 3u);
    EXPECT_EQ(deck.got[1], Sent(0, 0, 1));
    EXPECT_EQ(deck.got[2], Sent(1, 1, 1));

    port.port_write8(0x50, 0x03);
    port.port_write8(0x50, 0xFF);  // other bits do not matter
    EXPECT_EQ(deck.got.size(), 3u);

    port.port_write8(0x50, 0x01);
    ASSERT_EQ(deck.got.size(), 4u);
    EXPECT_EQ(deck.got[3], Sent(1, 0, 1));
}

TEST_F(SystemPortTest, writes_elsewhere_send_nothing) {
    port.port_write8(0x40, 0x00);
    port.port_write8(0x51, 0x02);
    EXPECT_TRUE(deck.got.empty());
    port.port_write8(0x1250, 0x03);  // only the low byte is decoded
    ASSERT_EQ(deck.got.size(), 1u);
    EXPECT_EQ(deck.got[0], Sent(1, 1, 1));
}

TEST_F(SystemPortTest, inputs_read_back_in_bits_zero_and_one) {
    EXPECT_EQ(port.port_read8(0x50), 0x00);
    port.signal_in(0, 0xFFFFFFFF, 1);
    EXPECT_EQ(port.port_read8(0x50), 0x01);
    port.signal_in(1, 2, 3);
    EXPECT_EQ(port.port_read8(0x50), 0x03);
    port.signal_in(0, 2, 1);  // data & mask = 0: level 0
    EXPECT_EQ(port.port_read8(0x50), 0x02);
    port.signal_in(2, 1, 1);  // unknown signal ignored
    EXPECT_EQ(port.port_read8(0x50), 0x02);
}

TEST_F(SystemPortTest, without_target_levels_are_still_tracked) {
    SystemPort alone(nullptr, nullptr);
    alone.init();
    alone.port_write8(0x50, 0x02);
    EXPECT_EQ(alone.last_out, 1);
    EXPECT_EQ(alone.last_motor, 1);
}

TEST(SystemPortMachineTest, machine_reset_keeps_the_levels) {
    test::TestHost host;
    Machine machine(&host);
    SystemPort& port = *machine.system_port;
    port.port_write8(0x50, 0x02);  // output 1, motor 1
    port.signal_in(0, 1, 1);
    machine.reset();
    EXPECT_EQ(port.last_out, 1);
    EXPECT_EQ(port.last_motor, 1);
    EXPECT_EQ(port.tape_in, 1);
    EXPECT_EQ(machine.io_bus->port_read8(0x1250), 0x01);
}

}  // namespace
}  // namespace m5
