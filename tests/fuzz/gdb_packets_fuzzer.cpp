// The GDB remote protocol's packet reader and session: the input is what a
// client sends. Every whole packet is answered against a debugged machine;
// each reply, framed, reads back as itself; registers written with G read
// back with g; and afterwards the machine still runs a frame with the
// debugger attached, whatever the packets set.
#include <string>

#include "debug/debugger.h"
#include "debug/gdb_protocol.h"
#include "fuzz_support.h"
#include "m5/machine.h"

namespace {

// Continues at every stop, up to a limit, then detaches.
class CountingClient final : public m5::debug::DebugClient {
public:
    m5::debug::Resume stopped(m5::debug::Debugger&, const m5::debug::StopReason&) override {
        return ++stops < 64 ? m5::debug::Resume::CONTINUE : m5::debug::Resume::DETACH;
    }
    int stops = 0;
};

// A reply framed and read back gives the same payload.
void check_framing(const std::string& reply) {
    m5::debug::GdbPacketReader reader;
    const std::string framed = m5::debug::frame_packet(reply);
    for (size_t i = 0; i < framed.size(); ++i) {
        const auto event = reader.feed(static_cast<uint8_t>(framed[i]));
        if (i + 1 < framed.size()) {
            FUZZ_CHECK(event == m5::debug::GdbPacketReader::NOTHING, "a framed reply ends early");
        } else {
            FUZZ_CHECK(event == m5::debug::GdbPacketReader::PACKET, "a framed reply is not a packet");
            FUZZ_CHECK(reader.payload() == reply, "a framed reply reads back otherwise");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    m5::fuzz::FuzzHost host;
    m5::Machine machine(&host);
    CountingClient client;
    m5::debug::Debugger debugger(machine, &client);
    m5::debug::GdbSession session(debugger);
    m5::debug::GdbPacketReader reader;
    debugger.attach();

    for (size_t i = 0; i < size; ++i) {
        const auto event = reader.feed(data[i]);
        if (event == m5::debug::GdbPacketReader::BREAK) FUZZ_CHECK(data[i] == 0x03, "a break from another byte");
        if (event != m5::debug::GdbPacketReader::PACKET) continue;
        const std::string payload = reader.payload();
        FUZZ_CHECK(payload.size() <= m5::debug::MAX_PACKET_PAYLOAD, "an overlong packet was taken");
        const m5::debug::GdbSession::Answer answer = session.handle(payload);
        if (answer.action == m5::debug::GdbSession::Action::REPLY) {
            FUZZ_CHECK(answer.reply.size() <= 2 * m5::debug::MAX_PACKET_PAYLOAD, "a reply too long for the client");
            check_framing(answer.reply);
        }
        if (!payload.empty() && payload[0] == 'G' && answer.reply == "OK")
            FUZZ_CHECK(session.handle("g").reply == payload.substr(1), "registers written do not read back");
    }
    debugger.begin_frame(1);
    machine.run_frame();
    FUZZ_CHECK(client.stops <= 64, "the debugger stopped after it was detached");
    return 0;
}
