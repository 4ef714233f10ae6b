#include "debug/gdb_server.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace m5::debug {
namespace {

// How long a wait for the client lasts before the front end is asked again.
constexpr int WAIT_SLICE_MS = 20;

// Waits up to `timeout_ms` for `fd` to become readable.
bool readable(int fd, int timeout_ms) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, timeout_ms) > 0;
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
        ::bind(listen_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listen_fd, 1) != 0) {
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
    if (listen_fd < 0 || client_fd >= 0 || !readable(listen_fd, 0)) return client_fd >= 0;
    client_fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (client_fd < 0) return false;
    const int yes = 1;
    ::setsockopt(client_fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    reader = GdbPacketReader{};
    pending.clear();
    session.no_ack_mode = false;
    stop_reply_due = false;
    killed = false;
    return true;
}

void GdbServer::close_client() {
    if (client_fd >= 0) ::close(client_fd);
    client_fd = -1;
}

// The client is gone: its breakpoints and watchpoints go with it.
void GdbServer::client_left() {
    close_client();
    pending.clear();
    stop_reply_due = false;
    debugger.clear_all();
}

void GdbServer::send_raw(const std::string& bytes) {
    size_t sent = 0;
    while (client_fd >= 0 && sent < bytes.size()) {
        const ssize_t n = ::send(client_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return client_left();
        sent += static_cast<size_t>(n);
    }
}

void GdbServer::send_packet(const std::string& payload) { send_raw(frame_packet(payload)); }

void GdbServer::take_bytes(const uint8_t* bytes, size_t count, bool running) {
    for (size_t i = 0; i < count; ++i) {
        switch (reader.feed(bytes[i])) {
            case GdbPacketReader::PACKET:
                if (!session.no_ack_mode) send_raw("+");
                if (running && reader.payload() == "k") {
                    killed = true;
                } else {
                    pending.push_back(reader.payload());
                }
                break;
            case GdbPacketReader::BAD_PACKET: send_raw("-"); break;
            case GdbPacketReader::BREAK:
                if (running) debugger.request_break();
                break;
            case GdbPacketReader::NOTHING: break;
        }
    }
}

bool GdbServer::poll() {
    if (client_fd < 0) return false;
    uint8_t buffer[4096];
    while (client_fd >= 0 && readable(client_fd, 0)) {
        const ssize_t n = ::recv(client_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) break;
        if (n <= 0) {
            client_left();
            return false;
        }
        take_bytes(buffer, static_cast<size_t>(n), true);
    }
    return client_fd >= 0;
}

Resume GdbServer::stopped(Debugger&, const StopReason& reason) {
    if (client_fd < 0) return Resume::DETACH;
    const std::string reply = session.stop_reply(reason);
    if (stop_reply_due) send_packet(reply);
    stop_reply_due = false;
    uint8_t buffer[4096];
    for (;;) {
        while (!pending.empty()) {
            const std::string packet = pending.front();
            pending.pop_front();
            const GdbSession::Answer answer = session.handle(packet);
            switch (answer.action) {
                case GdbSession::Action::REPLY: send_packet(answer.reply); break;
                case GdbSession::Action::CONTINUE:
                case GdbSession::Action::STEP:
                    stop_reply_due = true;
                    return answer.action == GdbSession::Action::STEP ? Resume::STEP : Resume::CONTINUE;
                case GdbSession::Action::DETACH:
                    send_packet(answer.reply);
                    client_left();
                    return Resume::DETACH;
                case GdbSession::Action::KILL:
                    killed = true;
                    client_left();
                    throw GdbRunEnded{true};
            }
            if (client_fd < 0) return Resume::DETACH;
        }
        if (interrupted && interrupted()) {
            if (end_run_on_interrupt) throw GdbRunEnded{false};
            client_left();
            return Resume::DETACH;
        }
        if (!readable(client_fd, WAIT_SLICE_MS)) continue;
        const ssize_t n = ::recv(client_fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            client_left();
            return Resume::DETACH;
        }
        take_bytes(buffer, static_cast<size_t>(n), false);
    }
}

}  // namespace m5::debug
