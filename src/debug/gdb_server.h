// GdbServer: the GDB remote serial protocol over TCP, for one client at a
// time, as the Debugger's front end.
//
// The front end listens, waits for a client, and then between frames lets the
// server read what the client sent (poll: a break byte stops the machine at
// the next instruction). At a stop the server sends the stop reply the client
// waits for and answers packets until the client continues, steps, detaches
// or kills. A client that vanishes is treated as one that detaches: its
// breakpoints go and the machine runs on.
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
    // Takes a client that is already connected, if one is waiting; never blocks.
    bool accept_pending();
    bool connected() const { return client_fd >= 0; }
    // Reads what the client sent without waiting. Returns false when the
    // client has left (the machine then runs on without breakpoints).
    bool poll();
    bool kill_requested() const { return killed; }

    // What the front end checks while the server waits at a stop (and may
    // use to handle its own events): true ends the wait. With
    // `end_run_on_interrupt` the run then ends (GdbRunEnded is thrown);
    // without, the client is let go and the machine runs on.
    std::function<bool()> interrupted;
    bool end_run_on_interrupt = true;

    Resume stopped(Debugger& debugger, const StopReason& reason) override;

private:
    void send_packet(const std::string& payload);
    void send_raw(const std::string& bytes);
    // Feeds received bytes to the reader; whole packets join `pending`.
    void take_bytes(const uint8_t* bytes, size_t count, bool running);
    void close_client();
    void client_left();

    Debugger& debugger;
    GdbSession session;
    GdbPacketReader reader;
    std::deque<std::string> pending;  // packets received while running
    int listen_fd = -1;
    int client_fd = -1;
    uint16_t bound_port = 0;
    bool stop_reply_due = false;  // the client continued or stepped and waits for a stop reply
    bool killed = false;
};

}  // namespace m5::debug
