#include "debug/gdb_protocol.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace m5::debug {
namespace {

constexpr char HEX_DIGITS[] = "0123456789abcdef";

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A whole string of 1 to 8 hex digits.
std::optional<uint32_t> parse_hex(const std::string& text) {
    if (text.empty() || text.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (const char c : text) {
        const int digit = hex_value(c);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return value;
}

void append_byte(std::string& out, uint8_t value) {
    out += HEX_DIGITS[value >> 4];
    out += HEX_DIGITS[value & 15];
}

// A 16-bit register as GDB sends it: low byte first.
void append_register(std::string& out, uint16_t value) {
    append_byte(out, static_cast<uint8_t>(value));
    append_byte(out, static_cast<uint8_t>(value >> 8));
}

std::optional<uint16_t> parse_register(const std::string& text) {
    if (text.size() != 4) return std::nullopt;
    const std::optional<uint32_t> value = parse_hex(text);
    if (!value) return std::nullopt;
    return static_cast<uint16_t>((*value >> 8) | ((*value & 0xFF) << 8));
}

// Splits "a,b" (or "a,b:c" when `tail` is given).
bool split_pair(const std::string& text, std::string& first, std::string& second) {
    const size_t comma = text.find(',');
    if (comma == std::string::npos) return false;
    first = text.substr(0, comma);
    second = text.substr(comma + 1);
    return true;
}

const std::string ERROR_REPLY = "E01";
constexpr uint32_t ADDRESS_SPACE = 0x10000;

// The target description: a Z80 and its registers in the order of 'g'.
const std::string TARGET_XML =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE target SYSTEM \"gdb-target.dtd\">\n"
    "<target version=\"1.0\">\n"
    "  <architecture>z80</architecture>\n"
    "  <feature name=\"org.gnu.gdb.z80.cpu\">\n"
    "    <reg name=\"af\" bitsize=\"16\" type=\"int\"/>\n"
    "    <reg name=\"bc\" bitsize=\"16\" type=\"int\"/>\n"
    "    <reg name=\"de\" bitsize=\"16\" type=\"data_ptr\"/>\n"
    "    <reg name=\"hl\" bitsize=\"16\" type=\"data_ptr\"/>\n"
    "    <reg name=\"af'\" bitsize=\"16\" type=\"int\"/>\n"
    "    <reg name=\"bc'\" bitsize=\"16\" type=\"int\"/>\n"
    "    <reg name=\"de'\" bitsize=\"16\" type=\"int\"/>\n"
    "    <reg name=\"hl'\" bitsize=\"16\" type=\"int\"/>\n"
    "    <reg name=\"ix\" bitsize=\"16\" type=\"data_ptr\"/>\n"
    "    <reg name=\"iy\" bitsize=\"16\" type=\"data_ptr\"/>\n"
    "    <reg name=\"sp\" bitsize=\"16\" type=\"data_ptr\"/>\n"
    "    <reg name=\"pc\" bitsize=\"16\" type=\"code_ptr\"/>\n"
    "  </feature>\n"
    "</target>\n";

}  // namespace

// --- Framing ---------------------------------------------------------------------------

GdbPacketReader::Event GdbPacketReader::feed(uint8_t byte) {
    switch (state) {
        case IDLE:
            if (byte == 0x03) return BREAK;
            if (byte == '$') {
                state = BODY;
                packet.clear();
                sum = 0;
                overlong = false;
            }
            return NOTHING;  // acks ('+', '-') and noise between packets
        case BODY:
        case ESCAPE:
            if (state == BODY && byte == '#') {
                state = CHECKSUM_HIGH;
                return NOTHING;
            }
            sum = static_cast<uint8_t>(sum + byte);
            if (state == ESCAPE) {
                byte ^= 0x20;
                state = BODY;
            } else if (byte == '}') {
                state = ESCAPE;
                return NOTHING;
            } else if (byte == '$') {
                // A new packet begins inside this one: the first is lost.
                packet.clear();
                sum = 0;
                overlong = false;
                return BAD_PACKET;
            }
            if (packet.size() < MAX_PACKET_PAYLOAD) {
                packet += static_cast<char>(byte);
            } else {
                overlong = true;
            }
            return NOTHING;
        case CHECKSUM_HIGH: {
            const int digit = hex_value(static_cast<char>(byte));
            received_sum = static_cast<uint8_t>(digit < 0 ? 0 : digit << 4);
            state = digit < 0 ? IDLE : CHECKSUM_LOW;
            return digit < 0 ? BAD_PACKET : NOTHING;
        }
        case CHECKSUM_LOW: {
            state = IDLE;
            const int digit = hex_value(static_cast<char>(byte));
            if (digit < 0 || overlong || static_cast<uint8_t>(received_sum | digit) != sum) {
                packet.clear();
                return BAD_PACKET;
            }
            return PACKET;
        }
    }
    return NOTHING;
}

std::string frame_packet(const std::string& payload) {
    std::string out = "$";
    uint8_t sum = 0;
    for (const char c : payload) {
        if (c == '#' || c == '$' || c == '}' || c == '*') {
            out += '}';
            out += static_cast<char>(c ^ 0x20);
            sum = static_cast<uint8_t>(sum + '}' + (c ^ 0x20));
        } else {
            out += c;
            sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
        }
    }
    out += '#';
    append_byte(out, sum);
    return out;
}

// --- Commands ----------------------------------------------------------------------------

std::string GdbSession::supported_features() {
    char text[80];
    std::snprintf(text, sizeof text, "PacketSize=%zx;qXfer:features:read+;QStartNoAckMode+", MAX_PACKET_PAYLOAD);
    return text;
}

GdbSession::Answer GdbSession::handle(const std::string& payload) {
    const auto reply = [](std::string text) { return Answer{Action::REPLY, std::move(text)}; };
    if (payload.empty()) return reply("");
    const std::string arguments = payload.substr(1);
    switch (payload[0]) {
        case '?': return reply(last_stop);
        case 'g': {
            if (!arguments.empty()) return reply(ERROR_REPLY);
            std::string out;
            for (int i = 0; i < REGISTER_COUNT; ++i) append_register(out, debugger.register_value(i));
            return reply(out);
        }
        case 'G': {
            if (arguments.size() != REGISTER_COUNT * 4) return reply(ERROR_REPLY);
            uint16_t values[REGISTER_COUNT];
            for (int i = 0; i < REGISTER_COUNT; ++i) {
                const std::optional<uint16_t> value = parse_register(arguments.substr(static_cast<size_t>(i) * 4, 4));
                if (!value) return reply(ERROR_REPLY);
                values[i] = *value;
            }
            for (int i = 0; i < REGISTER_COUNT; ++i) debugger.set_register(i, values[i]);
            return reply("OK");
        }
        case 'p': {
            const std::optional<uint32_t> index = parse_hex(arguments);
            if (!index || *index >= REGISTER_COUNT) return reply(ERROR_REPLY);
            std::string out;
            append_register(out, debugger.register_value(static_cast<int>(*index)));
            return reply(out);
        }
        case 'P': {
            const size_t equals = arguments.find('=');
            if (equals == std::string::npos) return reply(ERROR_REPLY);
            const std::optional<uint32_t> index = parse_hex(arguments.substr(0, equals));
            const std::optional<uint16_t> value = parse_register(arguments.substr(equals + 1));
            if (!index || *index >= REGISTER_COUNT || !value) return reply(ERROR_REPLY);
            debugger.set_register(static_cast<int>(*index), *value);
            return reply("OK");
        }
        case 'm': return memory_read(arguments);
        case 'M': return memory_write(arguments);
        case 'Z': return point(true, arguments);
        case 'z': return point(false, arguments);
        case 'c':
        case 's': {
            if (!arguments.empty()) {
                const std::optional<uint32_t> address = parse_hex(arguments);
                if (!address || *address > 0xFFFF) return reply(ERROR_REPLY);
                debugger.set_register(PC_REGISTER, static_cast<uint16_t>(*address));
            }
            return Answer{payload[0] == 'c' ? Action::CONTINUE : Action::STEP, ""};
        }
        case 'k': return Answer{Action::KILL, ""};
        case 'D': return Answer{Action::DETACH, "OK"};
        case 'H': return reply("OK");
        case 'T': return reply("OK");
        case 'q':
            if (payload.rfind("qSupported", 0) == 0) return reply(supported_features());
            if (payload.rfind("qXfer:features:read:", 0) == 0) return reply(features(payload.substr(20)));
            if (payload == "qAttached") return reply("1");
            if (payload == "qC") return reply("QC01");
            if (payload == "qfThreadInfo") return reply("m01");
            if (payload == "qsThreadInfo") return reply("l");
            if (payload.rfind("qSymbol", 0) == 0) return reply("OK");
            return reply("");
        case 'Q':
            if (payload == "QStartNoAckMode") {
                no_ack_mode = true;
                return reply("OK");
            }
            return reply("");
        default: return reply("");  // unknown commands get the empty reply
    }
}

// m addr,length: the bytes as a read would give them, without side effects,
// wrapping at 0xFFFF; the whole address space at most.
GdbSession::Answer GdbSession::memory_read(const std::string& arguments) {
    std::string first, second;
    if (!split_pair(arguments, first, second)) return {Action::REPLY, ERROR_REPLY};
    const std::optional<uint32_t> address = parse_hex(first);
    const std::optional<uint32_t> length = parse_hex(second);
    if (!address || !length || *address > 0xFFFF || *length > ADDRESS_SPACE)
        return {Action::REPLY, ERROR_REPLY, "memory read refused: the address space is 0000 to FFFF"};
    std::string out;
    out.reserve(static_cast<size_t>(*length) * 2);
    for (uint32_t i = 0; i < *length; ++i) append_byte(out, debugger.peek(static_cast<uint16_t>(*address + i)));
    return {Action::REPLY, out};
}

// M addr,length:bytes - RAM only, and not past 0xFFFF; all or nothing.
GdbSession::Answer GdbSession::memory_write(const std::string& arguments) {
    const size_t colon = arguments.find(':');
    std::string first, second;
    if (colon == std::string::npos || !split_pair(arguments.substr(0, colon), first, second))
        return {Action::REPLY, ERROR_REPLY};
    const std::optional<uint32_t> address = parse_hex(first);
    const std::optional<uint32_t> length = parse_hex(second);
    const std::string data = arguments.substr(colon + 1);
    if (!address || !length || data.size() != static_cast<size_t>(*length) * 2) return {Action::REPLY, ERROR_REPLY};
    std::string bytes;
    for (size_t i = 0; i < data.size(); i += 2) {
        const int high = hex_value(data[i]), low = hex_value(data[i + 1]);
        if (high < 0 || low < 0) return {Action::REPLY, ERROR_REPLY};
        bytes += static_cast<char>(high << 4 | low);
    }
    char reason[96];
    if (*address + *length > ADDRESS_SPACE) {
        std::snprintf(reason, sizeof reason, "memory write refused: %X bytes at %X pass FFFF", *length, *address);
        return {Action::REPLY, ERROR_REPLY, reason};
    }
    for (uint32_t i = 0; i < *length; ++i) {
        if (!debugger.writable(static_cast<uint16_t>(*address + i))) {
            std::snprintf(reason, sizeof reason, "memory write refused: %04X is ROM (RAM is 7000 to FFFF)",
                          *address + i);
            return {Action::REPLY, ERROR_REPLY, reason};
        }
    }
    for (uint32_t i = 0; i < *length; ++i) {
        debugger.poke(static_cast<uint16_t>(*address + i), static_cast<uint8_t>(bytes[i]));
    }
    return {Action::REPLY, "OK"};
}

// Z/z type,addr,kind: Z0 and Z1 breakpoints; Z2 write, Z3 read, Z4 access
// watchpoints of `kind` bytes. Each type is a set of its own. The part of a
// point past 0xFFFF does not exist: it is accepted and watches nothing.
GdbSession::Answer GdbSession::point(bool insert, const std::string& arguments) {
    const size_t first_comma = arguments.find(',');
    std::string address_text, size_text;
    if (first_comma == std::string::npos || !split_pair(arguments.substr(first_comma + 1), address_text, size_text))
        return {Action::REPLY, ERROR_REPLY};
    if (size_text.find(';') != std::string::npos) {
        return {Action::REPLY, ERROR_REPLY, "breakpoint conditions and commands are not supported: Z" + arguments};
    }
    const std::optional<uint32_t> type = parse_hex(arguments.substr(0, first_comma));
    const std::optional<uint32_t> address = parse_hex(address_text);
    const std::optional<uint32_t> size = parse_hex(size_text);
    if (!type || !address || !size || *type > 4) return {Action::REPLY, ERROR_REPLY};
    const auto set = static_cast<uint8_t>(CLIENT_POINTS + *type);
    if (*type <= 1) {
        if (*address <= 0xFFFF) {
            const auto at = static_cast<uint16_t>(*address);
            if (insert) {
                debugger.add_breakpoint(at, set);
            } else {
                debugger.remove_breakpoint(at, set);
            }
        }
        return {Action::REPLY, "OK"};
    }
    if (*size == 0 || *size > ADDRESS_SPACE) return {Action::REPLY, ERROR_REPLY};
    if (*address <= 0xFFFF) {
        static constexpr uint8_t ACCESS[5] = {0, 0, WATCH_WRITE, WATCH_READ, WATCH_ACCESS};
        const auto length = static_cast<int32_t>(std::min(*size, ADDRESS_SPACE - *address));
        const auto at = static_cast<uint16_t>(*address);
        if (insert) {
            debugger.add_watchpoint(at, length, ACCESS[*type], set);
        } else {
            debugger.remove_watchpoint(at, length, ACCESS[*type], set);
        }
    }
    return {Action::REPLY, "OK"};
}

// qXfer:features:read:annex:offset,length
std::string GdbSession::features(const std::string& arguments) const {
    const size_t colon = arguments.find(':');
    if (colon == std::string::npos) return ERROR_REPLY;
    if (arguments.substr(0, colon) != "target.xml") return "E00";
    std::string first, second;
    if (!split_pair(arguments.substr(colon + 1), first, second)) return ERROR_REPLY;
    const std::optional<uint32_t> offset = parse_hex(first);
    const std::optional<uint32_t> length = parse_hex(second);
    if (!offset || !length) return ERROR_REPLY;
    if (*offset >= TARGET_XML.size()) return "l";
    const size_t count = std::min<size_t>({*length, TARGET_XML.size() - *offset, MAX_PACKET_PAYLOAD - 1});
    const bool last = *offset + count >= TARGET_XML.size();
    std::string out(1, last ? 'l' : 'm');
    out.append(TARGET_XML, *offset, count);
    return out;
}

std::string GdbSession::stop_reply(const StopReason& reason) {
    std::string out = "T05";
    if (reason.kind == StopReason::WATCHPOINT) {
        out += reason.watch_kind == WATCH_WRITE ? "watch:" : reason.watch_kind == WATCH_READ ? "rwatch:" : "awatch:";
        char address[8];
        std::snprintf(address, sizeof address, "%04x;", reason.address);
        out += address;
    }
    out += "0b:";
    append_register(out, debugger.register_value(PC_REGISTER));
    out += ';';
    last_stop = out;
    return out;
}

}  // namespace m5::debug
