#include "debug/gdb_server.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace m5::debug {
namespace {

// How long one wait at a stop lasts before the front end is asked again.
constexpr int WAIT_SLICE_MS = 20;
// How much is read from the client at a time; a poll between frames reads
// at most READS_PER_POLL of these, so that a flood cannot hold the machine.
constexpr size_t READ_BLOCK = 64 * 1024;
constexpr size_t READS_PER_POLL = 4;
// What a waiting packet costs besides its bytes (the string and its place
// in the queue).
constexpr size_t PENDING_OVERHEAD = 64;

// Waits up to `timeout_ms` for `fd` to become readable.
bool readable(int fd, int timeout_ms) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, timeout_ms) > 0;
}

int64_t now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

GdbServer::~GdbServer() {
    close_client();
    if (listen_fd >= 0) ::close(listen_fd);
}

bool GdbServer::listen(const std::string& host, uint16_t port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int status = ::getaddrinfo(host.c_str(), nullptr, &hints, &found); status != 0 || found == nullptr) {
        error = "cannot find the address '" + host + "': " + ::gai_strerror(status);
        return false;
    }
    sockaddr_in address = *reinterpret_cast<sockaddr_in*>(found->ai_addr);
    ::freeaddrinfo(found);
    address.sin_port = htons(port);

    listen_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    if (listen_fd < 0 || ::setsockopt(listen_fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
        ::bind(listen_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listen_fd, 4) != 0) {
        error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + std::strerror(errno);
        if (listen_fd >= 0) ::close(listen_fd);
        listen_fd = -1;
        return false;
    }
    socklen_t length = sizeof address;
    ::getsockname(listen_fd, reinterpret_cast<sockaddr*>(&address), &length);
    bound_port = ntohs(address.sin_port);
    return true;
}

bool GdbServer::accept_client(const std::function<bool()>& give_up) {
    while (!accept_pending()) {
        if (give_up && give_up()) return false;
        readable(listen_fd, WAIT_SLICE_MS);
    }
    return true;
}

bool GdbServer::accept_pending() {
    if (listen_fd < 0) return false;
    if (client_fd >= 0) {
        refuse_extra_clients();
        return true;
    }
    if (!readable(listen_fd, 0)) return false;
    client_fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client_fd < 0) return false;
    const int yes = 1;
    ::setsockopt(client_fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    reader = GdbPacketReader{};
    pending.clear();
    pending_bytes = 0;
    output.clear();
    output_start = 0;
    last_progress_ms = now_ms();
    session.no_ack_mode = false;
    stop_reply_due = false;
    unread = false;
    killed = false;
    // The client finds the machine stopped; what it sends first is
    // answered there.
    debugger.request_break();
    break_pending = true;
    return true;
}

// One client at a time: another is told so and closed at once.
void GdbServer::refuse_extra_clients() {
    if (listen_fd < 0 || client_fd < 0) return;
    while (readable(listen_fd, 0)) {
        const int extra = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (extra < 0) return;
        const std::string refusal = frame_packet("E01");
        [[maybe_unused]] const ssize_t sent =
            ::send(extra, refusal.data(), refusal.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        ::shutdown(extra, SHUT_WR);
        ::close(extra);
        say("a second debugger was refused: one is already connected");
    }
}

void GdbServer::say(const std::string& line) const {
    if (log) log(line);
}

void GdbServer::close_client() {
    if (client_fd >= 0) ::close(client_fd);
    client_fd = -1;
}

// The client is gone: its breakpoints and watchpoints go with it.
void GdbServer::client_left() {
    close_client();
    pending.clear();
    pending_bytes = 0;
    output.clear();
    output_start = 0;
    reader = GdbPacketReader{};
    stop_reply_due = false;
    break_pending = false;
    unread = false;
    for (uint8_t type = 0; type <= 4; ++type) debugger.clear_set(static_cast<uint8_t>(CLIENT_POINTS + type));
}

void GdbServer::let_go(const std::string& why) {
    say(why + "; the debugger was let go");
    client_left();
}

// --- Sending -----------------------------------------------------------------------------

void GdbServer::send_raw(const std::string& bytes) {
    if (client_fd < 0) return;
    if (output_start == output.size()) last_progress_ms = now_ms();
    output += bytes;
    flush();
}

void GdbServer::send_packet(const std::string& payload) {
    send_raw(frame_packet(payload));
    unread = true;
}

bool GdbServer::flush() {
    if (client_fd < 0) return false;
    const int64_t now = now_ms();
    while (output_start < output.size()) {
        const ssize_t n =
            ::send(client_fd, output.data() + output_start, output.size() - output_start, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) {
            client_left();
            return false;
        }
        output_start += static_cast<size_t>(n);
        last_progress_ms = now;
    }
    if (output_start == output.size()) {
        if (!output.empty()) last_sent_ms = now;
        output.clear();
        output_start = 0;
        return true;
    }
    if (output_start >= READ_BLOCK && output_start * 2 >= output.size()) {
        output.erase(0, output_start);
        output_start = 0;
    }
    const size_t waiting = output.size() - output_start;
    if (waiting > MAX_OUTPUT_BYTES) {
        let_go("the debugger does not take its replies (" + std::to_string(waiting) + " bytes wait)");
        return false;
    }
    if (now - last_progress_ms > STALL_MS) {
        let_go("the debugger took none of its replies for " + std::to_string(STALL_MS / 1000) + " s");
        return false;
    }
    return true;
}

// --- Receiving ----------------------------------------------------------------------------

bool GdbServer::receive(size_t budget) {
    uint8_t buffer[READ_BLOCK];
    for (size_t block = 0; block < budget && client_fd >= 0; ++block) {
        const ssize_t n = ::recv(client_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) {
            client_left();
            return false;
        }
        // The client sent again: it has read what it was sent.
        unread = false;
        take_bytes(buffer, static_cast<size_t>(n));
    }
    return client_fd >= 0;
}

void GdbServer::take_bytes(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count && client_fd >= 0; ++i) {
        switch (reader.feed(bytes[i])) {
            case GdbPacketReader::PACKET:
                if (!session.no_ack_mode) send_raw("+");
                if (reader.payload() == "k") killed = true;
                pending_bytes += reader.payload().size() + PENDING_OVERHEAD;
                pending.push_back(reader.payload());
                if (pending_bytes > MAX_PENDING_BYTES) {
                    let_go("the debugger sent " + std::to_string(pending_bytes) +
                           " bytes of requests without waiting for their replies");
                }
                break;
            case GdbPacketReader::BAD_PACKET: send_raw("-"); break;
            case GdbPacketReader::BREAK:
                // At a stop there is nothing to break.
                if (!break_pending && !debugger_stopped) {
                    debugger.request_break();
                    break_pending = true;
                    stop_reply_due = true;
                }
                break;
            case GdbPacketReader::NOTHING: break;
        }
    }
}

bool GdbServer::packet_waits() const {
    return unread && (output_start < output.size() || now_ms() - last_sent_ms < PACKET_GAP_MS);
}

int GdbServer::wait_for_gap() const {
    const auto left = static_cast<int>(PACKET_GAP_MS - (now_ms() - last_sent_ms));
    return std::clamp(left, 1, WAIT_SLICE_MS);
}

// --- Serving -------------------------------------------------------------------------------

GdbServer::Served GdbServer::serve_pending() {
    while (!pending.empty() && client_fd >= 0) {
        // A break is on its way: what follows it is answered at the stop.
        if (!debugger_stopped && break_pending) return Served::GO_ON;
        if (packet_waits()) return Served::GO_ON;
        const std::string packet = std::move(pending.front());
        pending.pop_front();
        pending_bytes -= packet.size() + PENDING_OVERHEAD;
        if (!debugger_stopped && !packet.empty() && (packet[0] == 'c' || packet[0] == 's')) {
            continue;  // already running: the stop reply follows the next stop
        }
        const GdbSession::Answer answer = session.handle(packet);
        if (!answer.log.empty()) say(answer.log);
        switch (answer.action) {
            case GdbSession::Action::REPLY: send_packet(answer.reply); break;
            case GdbSession::Action::CONTINUE:
            case GdbSession::Action::STEP:
                stop_reply_due = true;
                return answer.action == GdbSession::Action::STEP ? Served::STEP : Served::CONTINUE;
            case GdbSession::Action::DETACH:
                send_packet(answer.reply);
                client_left();
                return Served::DETACH;
            case GdbSession::Action::KILL:
                killed = true;
                client_left();
                return Served::KILL;
        }
    }
    return client_fd >= 0 ? Served::GO_ON : Served::DETACH;
}

bool GdbServer::poll() {
    refuse_extra_clients();
    if (client_fd < 0) return false;
    if (!receive(READS_PER_POLL)) return false;
    if (serve_pending() != Served::GO_ON) return false;
    return flush();
}

Resume GdbServer::stopped(Debugger&, const StopReason& reason) {
    if (client_fd < 0) return Resume::DETACH;
    debugger_stopped = true;
    struct Running {
        bool& stopped;
        ~Running() { stopped = false; }
    } running_again{debugger_stopped};
    const std::string reply = session.stop_reply(reason);
    break_pending = false;
    bool stop_reply_waits = stop_reply_due;
    stop_reply_due = false;
    for (;;) {
        // The stop reply first, then the requests.
        if (stop_reply_waits && !packet_waits()) {
            send_packet(reply);
            stop_reply_waits = false;
        }
        if (!stop_reply_waits) {
            switch (serve_pending()) {
                case Served::GO_ON: break;
                case Served::CONTINUE: return flush() ? Resume::CONTINUE : Resume::DETACH;
                case Served::STEP: return flush() ? Resume::STEP : Resume::DETACH;
                case Served::DETACH: return Resume::DETACH;
                case Served::KILL: throw GdbRunEnded{true};
            }
        }
        if (!flush()) return Resume::DETACH;
        if (interrupted && interrupted()) {
            if (end_run_on_interrupt) throw GdbRunEnded{false};
            client_left();
            return Resume::DETACH;
        }
        refuse_extra_clients();
        if (client_fd < 0) return Resume::DETACH;
        const bool gap_ahead = (stop_reply_waits || !pending.empty()) && unread;
        pollfd entries[2] = {{client_fd, static_cast<short>(POLLIN | (output_start < output.size() ? POLLOUT : 0)), 0},
                             {listen_fd, POLLIN, 0}};
        ::poll(entries, listen_fd >= 0 ? 2 : 1, gap_ahead ? wait_for_gap() : WAIT_SLICE_MS);
        if (!receive(READS_PER_POLL)) {
            if (killed) throw GdbRunEnded{true};
            return Resume::DETACH;
        }
    }
}

}  // namespace m5::debug
