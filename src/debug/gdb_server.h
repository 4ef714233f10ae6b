// GdbServer: the GDB remote serial protocol over TCP, for one client at a
// time, as the Debugger's front end.
//
// The front end listens, waits for a client, and then between frames lets the
// server serve it (poll): what the client sends while the machine runs is
// answered at once from the machine as it stands (breakpoints and
// watchpoints set and cleared, memory and registers read), and a break byte
// stops the machine at the next instruction. At a stop the server sends the
// stop reply the client waits for and answers packets until the client
// continues, steps, detaches or kills. A client that vanishes is treated as
// one that detaches: its breakpoints go and the machine runs on.
//
// Clients such as DeZog take one packet from each read of their socket, so
// two packets must not reach them in one read: a packet that follows
// another the client has not answered (a stop reply after the reply to a
// breakpoint set while running; the reply to a request sent before the
// stop, as DeZog's pause sends "\x03" and "$p0b#.." together, after the
// stop reply) waits until the client sends again or PACKET_GAP_MS have
// passed since the first left.
//
// Nothing the client does can block the machine or take memory without
// bound: the socket never blocks, replies the client does not take are let
// grow only to MAX_OUTPUT_BYTES (or wait at most STALL_MS), requests waiting
// for an answer only to MAX_PENDING_BYTES; past either the client is let go,
// with a line in the log. A second client is refused ("E01", then closed)
// while one is connected.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "debug/debugger.h"
#include "debug/gdb_protocol.h"

namespace m5::debug {

// Thrown out of a stop (and so out of the frame being run) when the client
// kills the machine or the front end gives up waiting.
struct GdbRunEnded {
    bool killed = true;  // false: interrupted by the front end
};

class GdbServer final : public DebugClient {
public:
    // Replies not yet taken by the client (a whole 64 KiB memory read is 128 KiB).
    static constexpr size_t MAX_OUTPUT_BYTES = 1u << 20;
    // Requests read but not yet answered (with what each costs to keep).
    static constexpr size_t MAX_PENDING_BYTES = 1u << 20;
    // How long replies may wait for a client that takes none of them.
    static constexpr int STALL_MS = 5000;
    // How long a packet that follows another waits for the client to read
    // the first on its own.
    static constexpr int PACKET_GAP_MS = 50;

    explicit GdbServer(Debugger& target) : debugger(target), session(target) {}
    ~GdbServer() override;
    GdbServer(const GdbServer&) = delete;
    GdbServer& operator=(const GdbServer&) = delete;

    // Listens on `host` (an IPv4 address or name) and `port` (0: any free
    // port). False, with `error` set, when that cannot be done.
    bool listen(const std::string& host, uint16_t port, std::string& error);
    uint16_t port() const { return bound_port; }
    // Waits for a client; false when `interrupted` said to stop waiting.
    bool accept_client(const std::function<bool()>& interrupted);
    // Takes a client that is already connected, if one is waiting (and
    // refuses any other while one is connected); never blocks. A client
    // taken finds the machine stopped: the debugger is asked to break.
    bool accept_pending();
    bool connected() const { return client_fd >= 0; }
    // Serves the client while the machine runs, without waiting. Returns
    // false when the client has left (the machine then runs on without its
    // breakpoints).
    bool poll();
    bool kill_requested() const { return killed; }

    // What the front end checks while the server waits at a stop (and may
    // use to handle its own events): true ends the wait. With
    // `end_run_on_interrupt` the run then ends (GdbRunEnded is thrown);
    // without, the client is let go and the machine runs on.
    std::function<bool()> interrupted;
    bool end_run_on_interrupt = true;
    // One line (no newline) for each request refused with a reason and each
    // client let go or refused.
    std::function<void(const std::string&)> log;

    Resume stopped(Debugger& debugger, const StopReason& reason) override;

private:
    enum class Served : uint8_t { GO_ON, CONTINUE, STEP, DETACH, KILL };

    // Reads what the client sent (up to `budget` bytes) without waiting;
    // whole packets join `pending`. False when the client has gone.
    bool receive(size_t budget);
    void take_bytes(const uint8_t* bytes, size_t count);
    // Answers the pending packets that may be answered now.
    Served serve_pending();
    void send_packet(const std::string& payload);
    void send_raw(const std::string& bytes);
    // Sends what waits without blocking; lets the client go when it takes
    // nothing for too long or too much waits. False when the client has gone.
    bool flush();
    // A packet to send now would follow one the client may not have read.
    bool packet_waits() const;
    // How long until it may go (within one wait slice).
    int wait_for_gap() const;
    void refuse_extra_clients();
    void let_go(const std::string& why);
    void close_client();
    void client_left();
    void say(const std::string& line) const;

    Debugger& debugger;
    GdbSession session;
    GdbPacketReader reader;
    std::deque<std::string> pending;  // packets not yet answered
    size_t pending_bytes = 0;
    std::string output;  // bytes for the client not yet sent, from output_start
    size_t output_start = 0;
    int64_t last_progress_ms = 0;  // when the client last took bytes (or had none waiting)
    int listen_fd = -1;
    int client_fd = -1;
    uint16_t bound_port = 0;
    bool stop_reply_due = false;    // the client continued, stepped or broke in and waits for a stop reply
    bool break_pending = false;     // a break byte came; later packets wait for the stop
    bool debugger_stopped = false;  // inside stopped()
    bool unread = false;            // a packet went out and the client has sent nothing since
    int64_t last_sent_ms = 0;       // when the last of the output left
    bool killed = false;
};

}  // namespace m5::debug
