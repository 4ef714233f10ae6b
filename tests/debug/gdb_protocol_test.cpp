// The GDB remote protocol apart from sockets: framing, the stop replies of
// each kind of watchpoint, register and memory packets (whole reads, writes
// refused where they would reach ROM or pass FFFF), the separate counted set
// of each Z type, and the replies to malformed packets.
#include "debug/gdb_protocol.h"

#include <gtest/gtest.h>

#include <string>

#include "m5/machine.h"
#include "support/test_host.h"

namespace m5::debug {
namespace {

std::string feed_all(GdbPacketReader& reader, const std::string& bytes, std::vector<int>& events) {
    std::string last;
    for (const char c : bytes) {
        const GdbPacketReader::Event event = reader.feed(static_cast<uint8_t>(c));
        if (event != GdbPacketReader::NOTHING) events.push_back(event);
        if (event == GdbPacketReader::PACKET) last = reader.payload();
    }
    return last;
}

TEST(GdbPacketReader, escaped_packets_acks_breaks_and_bad_checksums) {
    GdbPacketReader reader;
    std::vector<int> events;
    // '}' escapes: "}\x03" is '#', the checksum counts the bytes as sent.
    std::string acked = "+";
    acked += frame_packet("a#b$c}d*e");
    EXPECT_EQ(feed_all(reader, acked, events), "a#b$c}d*e");
    EXPECT_EQ(events, std::vector<int>{GdbPacketReader::PACKET});
    events.clear();
    feed_all(reader, "\x03$g#00$m0,1#fa", events);
    EXPECT_EQ(events, (std::vector<int>{GdbPacketReader::BREAK, GdbPacketReader::BAD_PACKET, GdbPacketReader::PACKET}));
    events.clear();
    feed_all(reader, frame_packet(std::string(MAX_PACKET_PAYLOAD + 1, 'x')), events);
    EXPECT_EQ(events, std::vector<int>{GdbPacketReader::BAD_PACKET});
}

class GdbSessionTest : public ::testing::Test {
protected:
    GdbSessionTest() : machine(&host), debugger(machine, nullptr), session(debugger) {}
    test::TestHost host;
    Machine machine;
    Debugger debugger;
    GdbSession session;
};

TEST_F(GdbSessionTest, stop_replies_name_the_watch_kind_and_address_before_pc) {
    debugger.set_register(PC_REGISTER, 0x0100);
    EXPECT_EQ(session.stop_reply({StopReason::BREAKPOINT, 0x0100, 0, 0}), "T050b:0001;");
    EXPECT_EQ(session.stop_reply({StopReason::WATCHPOINT, 0x7000, WATCH_WRITE, WATCH_WRITE}), "T05watch:7000;0b:0001;");
    EXPECT_EQ(session.stop_reply({StopReason::WATCHPOINT, 0x7001, WATCH_READ, WATCH_READ}), "T05rwatch:7001;0b:0001;");
    EXPECT_EQ(session.stop_reply({StopReason::WATCHPOINT, 0x7002, WATCH_WRITE, WATCH_ACCESS}),
              "T05awatch:7002;0b:0001;");
    EXPECT_EQ(session.handle("?").reply, "T05awatch:7002;0b:0001;");
}

TEST_F(GdbSessionTest, registers_and_memory_round_trip) {
    const std::string all = "0102030405060708090a0b0c0d0e0f101112131415161718";
    EXPECT_EQ(session.handle("G" + all).reply, "OK");
    EXPECT_EQ(session.handle("g").reply, all);
    EXPECT_EQ(debugger.register_value(0), 0x0201);  // AF, low byte first
    EXPECT_EQ(session.handle("P3=3412").reply, "OK");
    EXPECT_EQ(debugger.register_value(3), 0x1234);
    EXPECT_EQ(session.handle("p3").reply, "3412");
    EXPECT_EQ(session.handle("Mfffe,2:a1b2").reply, "OK");
    EXPECT_EQ(session.handle("mfffe,3").reply, "a1b2" + session.handle("m0,1").reply);  // reads wrap
    EXPECT_EQ(session.handle("Z4,8000,2").reply, "OK");
    EXPECT_EQ(debugger.watch_map[0x8001], WATCH_ACCESS);
    EXPECT_EQ(session.handle("z4,8000,2").reply, "OK");
    EXPECT_EQ(debugger.watch_map[0x8001], 0);
}

TEST_F(GdbSessionTest, a_read_returns_every_byte_asked_up_to_the_whole_address_space) {
    debugger.poke(0xFFFF, 0xA5);
    const std::string all = session.handle("m0,10000").reply;
    ASSERT_EQ(all.size(), 0x20000u);
    EXPECT_EQ(all.substr(0x1FFFE), "a5");
    EXPECT_EQ(all.substr(0, 2), session.handle("m0,1").reply);
    EXPECT_EQ(session.handle("m0,10001").reply, "E01");
    EXPECT_EQ(session.handle("m10000,1").reply, "E01");
    // The packet size offered holds that reply.
    const std::string features = GdbSession::supported_features();
    const size_t size = std::stoul(features.substr(features.find('=') + 1), nullptr, 16);
    EXPECT_GE(size, all.size() + 4);  // "$...#cc"
}

TEST_F(GdbSessionTest, writes_that_reach_rom_or_pass_ffff_are_refused_whole_with_a_reason) {
    for (const char* packet : {"Mffff,2:aabb", "M6fff,2:aabb", "M0,1:aa", "M10000,1:aa"}) {
        const GdbSession::Answer answer = session.handle(packet);
        EXPECT_EQ(answer.reply, "E01") << packet;
        EXPECT_FALSE(answer.log.empty()) << packet;
    }
    EXPECT_EQ(debugger.peek(0xFFFF), 0x00);
    EXPECT_EQ(debugger.peek(0x7000), 0x00);  // nothing of a write that also reaches ROM
    EXPECT_EQ(debugger.peek(0x0000), 0xFF);
}

TEST_F(GdbSessionTest, each_z_type_is_a_counted_set_of_its_own) {
    // A client's temporary Z1 on a Z0 of its own: removing it leaves the Z0.
    EXPECT_EQ(session.handle("Z0,2944,0").reply, "OK");
    EXPECT_EQ(session.handle("Z1,2944,0").reply, "OK");
    EXPECT_EQ(session.handle("z1,2944,0").reply, "OK");
    EXPECT_TRUE(debugger.has_breakpoint(0x2944));
    EXPECT_EQ(session.handle("Z0,2944,0").reply, "OK");
    EXPECT_EQ(session.handle("z0,2944,0").reply, "OK");
    EXPECT_TRUE(debugger.has_breakpoint(0x2944));  // set twice, removed once
    EXPECT_EQ(session.handle("z0,2944,0").reply, "OK");
    EXPECT_FALSE(debugger.has_breakpoint(0x2944));
    // A write watchpoint and an access watchpoint on the same byte.
    EXPECT_EQ(session.handle("Z2,7000,1").reply, "OK");
    EXPECT_EQ(session.handle("Z4,7000,1").reply, "OK");
    EXPECT_EQ(session.handle("z2,7000,1").reply, "OK");
    EXPECT_EQ(debugger.watch_map[0x7000], WATCH_ACCESS);
}

TEST_F(GdbSessionTest, points_past_ffff_are_taken_for_the_part_that_exists) {
    EXPECT_EQ(session.handle("Z1,10000,0").reply, "OK");
    EXPECT_TRUE(debugger.breakpoints().empty());
    EXPECT_EQ(session.handle("z1,10000,0").reply, "OK");
    EXPECT_EQ(session.handle("Z2,fff0,20").reply, "OK");
    EXPECT_EQ(debugger.watch_map[0xFFFF], WATCH_WRITE);
    EXPECT_EQ(debugger.watch_map[0x0000], 0);
    EXPECT_EQ(session.handle("z2,fff0,20").reply, "OK");
    EXPECT_EQ(debugger.watch_map[0xFFFF], 0);
}

TEST_F(GdbSessionTest, a_conditional_point_is_refused_not_taken_unconditionally) {
    const GdbSession::Answer answer = session.handle("Z0,2944,0;X1,ff");
    EXPECT_EQ(answer.reply, "E01");
    EXPECT_NE(answer.log.find("condition"), std::string::npos);
    EXPECT_TRUE(debugger.breakpoints().empty());
}

TEST_F(GdbSessionTest, malformed_packets_change_nothing) {
    for (const char* packet : {"G12", "Gzz02030405060708090a0b0c0d0e0f101112131415161718", "P0b=zz", "p", "m1234",
                               "M0,2:abc", "M7000,1:zz", "Z5,0,1", "c12345", "qXfer:features:read:x"}) {
        EXPECT_EQ(session.handle(packet).reply.substr(0, 1), "E") << packet;
    }
    EXPECT_EQ(session.handle("vCont?").reply, "");
    EXPECT_EQ(session.handle("g").reply, std::string(48, '0'));
    EXPECT_TRUE(debugger.breakpoints().empty());
}

}  // namespace
}  // namespace m5::debug
