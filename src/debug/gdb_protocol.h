// The GDB remote serial protocol, as a Z80 debugger such as DeZog (through
// its MAME remote) speaks it: packet framing and the commands, apart from any
// socket.
//
// GdbPacketReader takes the bytes a client sends and gives whole packets
// ("$payload#cc" with a good checksum), break requests (the byte 0x03) and
// framing errors. GdbSession answers packets against a Debugger: registers
// (AF BC DE HL AF' BC' DE' HL' IX IY SP PC, 16 bits little-endian each),
// memory without side effects (reads wrap at 0xFFFF; writes reach RAM only),
// breakpoints (Z0/Z1) and watchpoints (Z2 write, Z3 read, Z4 access), each
// type a counted set of its own, continue and step, and the stop replies
// ("T05" + "watch:ADDR;" for a watchpoint + "0b:PCPC;").
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "debug/debugger.h"

namespace m5::debug {

// Longest payload taken or sent (what qSupported's PacketSize says): room
// for the whole address space in one 'M' packet or 'm' reply.
inline constexpr size_t MAX_PACKET_PAYLOAD = 0x20100;

class GdbPacketReader {
public:
    enum Event : uint8_t {
        NOTHING,     // the byte belongs to a packet not yet complete (or is an ack)
        PACKET,      // payload() holds a whole packet: acknowledge it with '+'
        BREAK,       // the client asks the running machine to stop (0x03)
        BAD_PACKET,  // wrong checksum, or longer than MAX_PACKET_PAYLOAD: answer '-'
    };
    Event feed(uint8_t byte);
    const std::string& payload() const { return packet; }

private:
    enum State : uint8_t { IDLE, BODY, ESCAPE, CHECKSUM_HIGH, CHECKSUM_LOW };
    State state = IDLE;
    std::string packet;
    uint8_t sum = 0;
    uint8_t received_sum = 0;
    bool overlong = false;
};

// Frames a payload: "$payload#cc", escaping '#', '$', '}' and '*'.
std::string frame_packet(const std::string& payload);

class GdbSession {
public:
    explicit GdbSession(Debugger& target) : debugger(target) {}

    enum class Action : uint8_t {
        REPLY,     // send `reply` and wait for the next packet
        CONTINUE,  // run; the stop reply follows the next stop
        STEP,      // one instruction, then the stop reply
        DETACH,    // send `reply` ("OK"); the machine runs on without the client
        KILL,      // no reply; the run ends
    };
    struct Answer {
        Answer(Action what = Action::REPLY, std::string text = {}, std::string why = {})
            : action(what), reply(std::move(text)), log(std::move(why)) {}
        Action action;
        std::string reply;
        std::string log;  // why a request was refused, for the front end's log
    };

    // Answers one packet's payload. A malformed or unknown packet gets an
    // error ("E01") or the empty reply, never a change to the machine.
    Answer handle(const std::string& payload);

    // What qSupported answers.
    static std::string supported_features();

    // The stop reply for `reason` (also what '?' answers afterwards).
    std::string stop_reply(const StopReason& reason);

    bool no_ack_mode = false;  // the client asked for QStartNoAckMode

private:
    Answer memory_read(const std::string& arguments);
    Answer memory_write(const std::string& arguments);
    Answer point(bool insert, const std::string& arguments);
    std::string features(const std::string& arguments) const;

    Debugger& debugger;
    std::string last_stop = "S05";
};

}  // namespace m5::debug
