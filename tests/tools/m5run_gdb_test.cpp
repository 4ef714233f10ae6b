// m5run --gdb spoken to as DeZog's GDB-stub (MAME) remote speaks to it: it
// takes one packet from each read of its socket and waits for the reply to
// each request before it sends the next; it pauses with "\x03$p0b#02" in one
// write, sets breakpoints while the machine runs, steps with a temporary Z1
// on the next instruction and removes it at the stop, and reads the whole
// address space in one 'm'. Besides: malformed packets, clients that vanish,
// flood or stop reading, a second client, and SIGTERM in every state.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "debug/gdb_protocol.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

using debug::frame_packet;
using Clock = std::chrono::steady_clock;

constexpr int TIMEOUT_MS = 20000;
// How long DeZog waits for a reply before it gives up.
constexpr int DEZOG_TIMEOUT_MS = 5000;
// How long after data arrives DeZog's read of it comes.
constexpr useconds_t READ_LATENCY_US = 3000;

bool wait_readable(int fd, int timeout_ms) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, timeout_ms) > 0;
}

int elapsed_ms(Clock::time_point since) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// m5run started with --gdb on a free port.
class M5Run {
public:
    explicit M5Run(const std::vector<std::string>& extra) {
        int err_pipe[2];
        if (::pipe(err_pipe) != 0) return;
        std::vector<std::string> args = {M5RUN_PATH, "--gdb", "127.0.0.1:0"};
        args.insert(args.end(), extra.begin(), extra.end());
        child = ::fork();
        if (child == 0) {
            ::dup2(err_pipe[1], 2);
            ::close(err_pipe[0]);
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(err_pipe[1]);
        error_fd = err_pipe[0];
        // "m5run: waiting for a debugger on 127.0.0.1:PORT"
        const std::string line = wait_error("waiting for a debugger");
        const size_t colon = line.rfind(':');
        if (colon != std::string::npos) port = static_cast<uint16_t>(std::stoi(line.substr(colon + 1)));
    }
    ~M5Run() {
        if (error_fd >= 0) ::close(error_fd);
        if (child > 0 && exit_status() == -1) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    }

    // A new connection to the server, or -1.
    int connect() const {
        if (port == 0) return -1;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    // The first line of standard error (from the start) holding `text`, or "".
    std::string wait_error(const std::string& text, int timeout_ms = TIMEOUT_MS) {
        const auto start = Clock::now();
        for (;;) {
            size_t from = 0;
            for (size_t end; (end = errors.find('\n', from)) != std::string::npos; from = end + 1) {
                const std::string line = errors.substr(from, end - from);
                if (line.find(text) != std::string::npos) return line;
            }
            const int left = timeout_ms - elapsed_ms(start);
            char block[4096];
            if (left <= 0 || !wait_readable(error_fd, left)) return "";
            const ssize_t n = ::read(error_fd, block, sizeof block);
            if (n <= 0) return "";
            errors.append(block, static_cast<size_t>(n));
        }
    }

    void signal(int number) const { ::kill(child, number); }
    // Resident memory in KiB, -1 when unknown.
    long resident_kib() const {
        std::ifstream status("/proc/" + std::to_string(child) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
        }
        return -1;
    }
    // The exit status once m5run has ended (waits up to the timeout), else
    // -1; 128 + the signal when a signal ended it.
    int exit_status(int timeout_ms = 0) {
        const auto start = Clock::now();
        do {
            int status = 0;
            if (child > 0 && ::waitpid(child, &status, WNOHANG) == child) {
                exited = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                child = -1;
            }
            if (exited >= 0) return exited;
            ::usleep(5000);
        } while (elapsed_ms(start) < timeout_ms);
        return -1;
    }

    uint16_t port = 0;

private:
    pid_t child = -1;
    int error_fd = -1;
    int exited = -1;
    std::string errors;
};

// The client side as DeZog's MAME remote has it: each read of the socket is
// one "data" event, which drops a leading '+', and takes at most one packet
// ("$...#cc", the checksum not checked) from what it holds; the rest waits
// for the next event. A stop reply ('T...') is a notification; any other
// packet answers the request sent last. 'c' is answered by the event that
// follows it. Requests go one at a time.
class Dezog {
public:
    explicit Dezog(int socket_fd) : fd(socket_fd) {}
    ~Dezog() {
        if (fd >= 0) ::close(fd);
    }
    bool connected() const { return fd >= 0; }
    void close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }

    void send_raw(const std::string& bytes) const {
        ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }
    // sendPacketData: the reply to `payload` (with a break byte before it in
    // the same write when asked), or "<no response>" when none comes in
    // DeZog's time; stop replies that come meanwhile join `stops`.
    std::string request(const std::string& payload, bool with_break = false) {
        std::string bytes = with_break ? "\x03" : "";
        bytes += frame_packet(payload);
        send_raw(bytes);
        return take(replies, DEZOG_TIMEOUT_MS, "<no response>");
    }
    // 'c': answered by the next data event (normally the '+').
    bool run() {
        send_raw(frame_packet("c"));
        return data_event(DEZOG_TIMEOUT_MS) && replies.empty();
    }
    // Waits for the next stop reply.
    std::string wait_stop() { return take(stops, TIMEOUT_MS, "<no stop>"); }
    int socket() const { return fd; }
    // One byte as it comes, outside DeZog's handling; -1 after the timeout.
    int read_byte() const {
        uint8_t b;
        if (!wait_readable(fd, TIMEOUT_MS) || ::recv(fd, &b, 1, 0) != 1) return -1;
        return b;
    }
    // Whether a reply that no request asked for has come.
    bool stray_replies() const { return !replies.empty(); }
    std::string error;  // a fault DeZog would raise

private:
    // The first packet of `queue` once data events have brought one, or
    // `none` after `timeout_ms`.
    std::string take(std::vector<std::string>& queue, int timeout_ms, const char* none) {
        const auto start = Clock::now();
        while (queue.empty()) {
            const int left = timeout_ms - elapsed_ms(start);
            if (left <= 0 || !data_event(left)) return none;
        }
        std::string packet = queue.front();
        queue.erase(queue.begin());
        return packet;
    }
    // One read of the socket and what DeZog's dataReceived makes of it. The
    // read comes a little after the data, as in a client with an event loop.
    bool data_event(int timeout_ms) {
        if (fd < 0 || !wait_readable(fd, timeout_ms)) return false;
        ::usleep(READ_LATENCY_US);
        char block[1 << 16];
        const ssize_t n = ::recv(fd, block, sizeof block, 0);
        if (n <= 0) {
            error = "the connection was closed";
            return false;
        }
        received.append(block, static_cast<size_t>(n));
        if (received[0] == '+') received.erase(0, 1);
        if (received[0] == '-') error = "NACK";
        if (received.size() < 4) return true;
        if (received[0] != '$') {
            error = "Wrong packet format. Expected '$'.";
            received.clear();
            return true;
        }
        const size_t hash = received.find('#');
        if (hash == std::string::npos || received.size() < hash + 3) return true;
        const std::string packet = received.substr(1, hash - 1);
        received.erase(0, hash + 3);
        (packet[0] == 'T' ? stops : replies).push_back(packet);
        return true;
    }

    int fd;
    std::string received;
    std::vector<std::string> replies;
    std::vector<std::string> stops;
};

// PC as a stop reply carries it: register 0b, low byte first.
std::string pc_field(uint16_t pc) {
    char text[16];
    std::snprintf(text, sizeof text, "0b:%02x%02x;", pc & 0xFF, pc >> 8);
    return text;
}

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

// Where host_busy's code lies (found by its bytes, so that the program may move).
uint16_t find_code(const std::string& rom, const std::string& bytes) {
    const size_t at = rom.find(bytes);
    EXPECT_NE(at, std::string::npos);
    return static_cast<uint16_t>(at);
}

class M5RunGdb : public ::testing::Test {
protected:
    M5RunGdb()
        : rom(test::read_file(test::rom_path("host_busy"))),
          after_ei(static_cast<uint16_t>(find_code(rom, "\xFB\x06\x40") + 1)),
          frame_handler(find_code(rom, "\xF5\xE5\xDB\x11")) {}
    std::vector<std::string> busy(std::vector<std::string> extra = {}) const {
        extra.insert(extra.begin(), {"--ipl", test::rom_path("host_busy")});
        return extra;
    }
    // Starts m5run with `args` and connects DeZog to it; false when it could not.
    bool start(const std::vector<std::string>& args) {
        m5run.emplace(args);
        dezog.emplace(m5run->connect());
        return dezog->connected();
    }
    // Sets a breakpoint of `kind` ('0' the user's, '1' a step's) at `pc`
    // and runs to it.
    void stop_at(uint16_t pc, char kind = '0') {
        EXPECT_EQ(dezog->request(std::string("Z") + kind + "," + hex(pc) + ",0"), "OK");
        EXPECT_TRUE(dezog->run());
        EXPECT_EQ(dezog->wait_stop(), "T05" + pc_field(pc));
    }
    // DeZog's step to `pc`: a temporary Z1 there, c, and z1 at the stop.
    void step_to(uint16_t pc) {
        stop_at(pc, '1');
        EXPECT_EQ(dezog->request("z1," + hex(pc) + ",0"), "OK");
    }
    // DeZog's pause after the machine has run `running_us`: "\x03" and p0b
    // in one write; the stop reply and the PC read agree.
    void pause_after(useconds_t running_us) {
        EXPECT_TRUE(dezog->run());
        ::usleep(running_us);
        const std::string pc = dezog->request("p0b", true);
        const std::string stop = dezog->wait_stop();
        EXPECT_EQ(stop.substr(0, 6), "T050b:") << stop;
        EXPECT_EQ(pc, stop.substr(6, 4));
    }
    // Sends `bytes` up to `times` times (with `flags`) while the machine
    // runs, until a send fails; returns how many went and sets `growth_kib`
    // to how much m5run's resident memory grew meanwhile, measured from its
    // own size at the start (a sanitizer build starts several times larger).
    int send_repeatedly(const std::string& bytes, int times, int flags, long& growth_kib) {
        const long start_kib = m5run->resident_kib();
        long largest = start_kib;
        int sent = 0;
        for (; sent < times; ++sent) {
            if (::send(dezog->socket(), bytes.data(), bytes.size(), MSG_NOSIGNAL | flags) < 0) break;
            largest = std::max(largest, m5run->resident_kib());
        }
        growth_kib = std::max(largest, m5run->resident_kib()) - start_kib;
        return sent;
    }
    const std::string rom;
    const uint16_t after_ei;       // the instruction after the main loop's EI
    const uint16_t frame_handler;  // reached once a frame
    std::optional<M5Run> m5run;
    std::optional<Dezog> dezog;
};

TEST_F(M5RunGdb, a_session_as_dezog_runs_it) {
    const std::string cart = test::read_file(test::rom_path("cart_id02"));
    ASSERT_GT(cart.size(), 3u);
    const auto entry = static_cast<uint16_t>(static_cast<uint8_t>(cart[1]) | static_cast<uint8_t>(cart[2]) << 8);
    ASSERT_TRUE(start({"--ipl", test::rom_path("boot"), "--cart", test::rom_path("cart_id02")}));

    const std::string xml = dezog->request("qXfer:features:read:target.xml:00,FFFF");
    EXPECT_EQ(xml[0], 'l');
    EXPECT_NE(xml.find("<architecture>z80</architecture>"), std::string::npos);
    // At reset: every register as four hex digits, PC (the twelfth) 0.
    const std::string registers = dezog->request("g");
    ASSERT_EQ(registers.size(), 48u);
    EXPECT_EQ(registers.substr(44), "0000");

    // A breakpoint at the cartridge's entry.
    stop_at(entry);
    EXPECT_EQ(dezog->request("p0b"), pc_field(entry).substr(3, 4));

    // Memory: the header as the cartridge has it; a write read back.
    EXPECT_EQ(dezog->request("m2000,1"), "02");
    EXPECT_EQ(dezog->request("M9000,2:beef"), "OK");
    EXPECT_EQ(dezog->request("m9000,2"), "beef");

    // One instruction (gdb's own step): LD A,'S' is two bytes.
    dezog->send_raw(frame_packet("s"));
    EXPECT_EQ(dezog->wait_stop(), "T05" + pc_field(static_cast<uint16_t>(entry + 2)));

    // The log counter at 0x7800 is written by the call that follows.
    EXPECT_EQ(dezog->request("z0," + hex(entry) + ",0"), "OK");
    EXPECT_EQ(dezog->request("Z2,7800,1"), "OK");
    EXPECT_TRUE(dezog->run());
    const std::string watch_stop = dezog->wait_stop();
    EXPECT_EQ(watch_stop.substr(0, 17), "T05watch:7800;0b:") << watch_stop;
    EXPECT_EQ(dezog->request("m7800,1"), "02");  // 'I' before the entry, now 'S'
    EXPECT_EQ(dezog->request("z2,7800,1"), "OK");

    // Running on (the cartridge returns to the boot ROM's own program), a
    // pause stops it.
    pause_after(100000);
    EXPECT_EQ(dezog->error, "");

    // DeZog's disconnect: k, then the socket closes.
    dezog->send_raw(frame_packet("k"));
    EXPECT_EQ(m5run->exit_status(TIMEOUT_MS), 0);
}

// Each pause's stop reply and PC reply come in reads of their own, and the
// requests after it get their own replies.
TEST_F(M5RunGdb, pause_works_twenty_times_out_of_twenty) {
    ASSERT_TRUE(start(busy()));
    const std::string ram = "m" + hex(0x7100) + ",2";
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE("pause " + std::to_string(i));
        pause_after(static_cast<useconds_t>(2000 + i * 1500));
        ASSERT_FALSE(HasFailure());
        ASSERT_EQ(dezog->request("g").size(), 48u);
        ASSERT_EQ(dezog->request(ram).size(), 4u);
        ASSERT_FALSE(dezog->stray_replies());
        ASSERT_EQ(dezog->error, "");
    }
}

TEST_F(M5RunGdb, a_breakpoint_set_while_running_is_answered_at_once_and_stops) {
    ASSERT_TRUE(start(busy()));
    EXPECT_TRUE(dezog->run());
    ::usleep(50000);
    const auto since = Clock::now();
    EXPECT_EQ(dezog->request("Z0," + hex(frame_handler) + ",0"), "OK");
    EXPECT_LT(elapsed_ms(since), 1000);
    EXPECT_EQ(dezog->wait_stop(), "T05" + pc_field(frame_handler));
    // Memory and registers are read while running too.
    EXPECT_EQ(dezog->request("z0," + hex(frame_handler) + ",0"), "OK");
    EXPECT_TRUE(dezog->run());
    EXPECT_EQ(dezog->request("m0,4"), "f3310000");
    EXPECT_EQ(dezog->request("g").size(), 48u);
    EXPECT_EQ(dezog->error, "");
}

// DeZog's step: a temporary Z1 on the next instruction, c, and z1 at the
// stop. Onto a breakpoint of the user's, the breakpoint stays.
TEST_F(M5RunGdb, stepping_onto_a_breakpoint_with_z1_keeps_the_users_z0) {
    ASSERT_TRUE(start(busy()));
    const uint16_t ei = static_cast<uint16_t>(after_ei - 1);
    stop_at(ei);
    EXPECT_EQ(dezog->request("Z0," + hex(after_ei) + ",0"), "OK");
    EXPECT_EQ(dezog->request("z0," + hex(ei) + ",0"), "OK");
    // Step onto the user's breakpoint (the instruction after EI, too).
    step_to(after_ei);
    // The user's breakpoint stops the next pass of the loop.
    EXPECT_TRUE(dezog->run());
    EXPECT_EQ(dezog->wait_stop(), "T05" + pc_field(after_ei));
    EXPECT_EQ(dezog->error, "");
}

TEST_F(M5RunGdb, a_step_over_ei_stops_at_the_next_instruction) {
    ASSERT_TRUE(start(busy()));
    const uint16_t ei = static_cast<uint16_t>(after_ei - 1);
    stop_at(ei);
    step_to(after_ei);
    // gdb's own step does the same.
    EXPECT_TRUE(dezog->run());
    EXPECT_EQ(dezog->wait_stop(), "T05" + pc_field(ei));
    dezog->send_raw(frame_packet("s"));
    EXPECT_EQ(dezog->wait_stop(), "T05" + pc_field(after_ei));
}

TEST_F(M5RunGdb, the_whole_address_space_comes_in_one_read) {
    ASSERT_TRUE(start(busy()));
    const std::string all = dezog->request("m0,10000");
    ASSERT_EQ(all.size(), 0x20000u);
    std::string expected;
    for (size_t i = 0; i < rom.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", static_cast<uint8_t>(rom[i]));
        expected += byte;
    }
    EXPECT_EQ(all.substr(0, expected.size()), expected);
    EXPECT_EQ(dezog->request("mffff,2"), all.substr(0x1FFFE, 2) + all.substr(0, 2));  // wraps
    EXPECT_EQ(dezog->request("Mffff,2:aabb"), "E01");
    EXPECT_NE(m5run->wait_error("FFFF").find("m5run: debugger: memory write refused"), std::string::npos);
    EXPECT_EQ(dezog->request("M100,1:aa"), "E01");
    EXPECT_NE(m5run->wait_error("ROM").find("0100 is ROM"), std::string::npos);
    EXPECT_EQ(dezog->request("m100,1"), all.substr(0x200, 2));
}

TEST_F(M5RunGdb, malformed_packets_get_errors_and_the_session_goes_on) {
    ASSERT_TRUE(start({"--ipl", test::rom_path("boot")}));
    dezog->send_raw("$g#00");  // wrong checksum
    EXPECT_EQ(dezog->read_byte(), '-');
    dezog->send_raw("$" + std::string(debug::MAX_PACKET_PAYLOAD + 10, 'm') + "#00");
    EXPECT_EQ(dezog->read_byte(), '-');
    EXPECT_EQ(dezog->request("vMustReplyEmpty"), "");
    EXPECT_EQ(dezog->request("mzz,1"), "E01");
    EXPECT_EQ(dezog->request("Z2,7000,0"), "E01");
    EXPECT_EQ(dezog->request("Z0,2944,0;X1,ff"), "E01");
    EXPECT_EQ(dezog->request("p99"), "E01");
    EXPECT_EQ(dezog->request("Z1,10000,0"), "OK");
    EXPECT_EQ(dezog->request("g").size(), 48u);
    EXPECT_EQ(m5run->exit_status(), -1);  // still running
}

TEST_F(M5RunGdb, a_client_that_vanishes_leaves_the_machine_running) {
    ASSERT_TRUE(start({"--ipl", test::rom_path("boot"), "--frames", "30"}));
    EXPECT_EQ(dezog->request("Z0,2000,0"), "OK");
    dezog->close();  // without a word, while stopped
    EXPECT_EQ(m5run->exit_status(TIMEOUT_MS), 0);
}

TEST_F(M5RunGdb, a_second_client_is_refused_at_once) {
    ASSERT_TRUE(start(busy()));
    EXPECT_EQ(dezog->request("p0b"), "0000");
    const int second = m5run->connect();
    ASSERT_GE(second, 0);
    std::string answer;
    char block[64];
    for (ssize_t n; wait_readable(second, 3000) && (n = ::recv(second, block, sizeof block, 0)) > 0;) {
        answer.append(block, static_cast<size_t>(n));
    }
    ::close(second);
    EXPECT_EQ(answer, frame_packet("E01"));  // and then closed
    EXPECT_NE(m5run->wait_error("refused"), "");
    EXPECT_EQ(dezog->request("p0b"), "0000");  // the first goes on
}

// A client that sends requests and never reads their replies: the machine
// runs on to its last frame and its memory stays small.
TEST_F(M5RunGdb, a_client_that_does_not_read_neither_blocks_the_machine_nor_grows_it) {
    ASSERT_TRUE(start(busy({"--frames", "1500"})));
    EXPECT_TRUE(dezog->run());
    long growth_kib = 0;
    send_repeatedly(frame_packet("m0,10000"), 400, MSG_DONTWAIT, growth_kib);
    EXPECT_LT(growth_kib, 16 * 1024);
    EXPECT_EQ(m5run->exit_status(TIMEOUT_MS), 0);
}

TEST_F(M5RunGdb, a_flood_of_requests_is_let_go_with_memory_bounded) {
    ASSERT_TRUE(start(busy()));
    EXPECT_TRUE(dezog->run());
    std::string flood;
    while (flood.size() < (1u << 20)) flood += frame_packet("g");
    long growth_kib = 0;
    EXPECT_LT(send_repeatedly(flood, 120, 0, growth_kib), 120);  // 1 MiB a send
    EXPECT_NE(m5run->wait_error("let go"), "");
    EXPECT_LT(growth_kib, 16 * 1024);
}

// SIGTERM ends the run within a second: waiting for a client, at a stop,
// running, and at a stop whose replies the client does not take.
TEST_F(M5RunGdb, sigterm_ends_the_run_in_every_state) {
    for (const char* state : {"waiting", "stopped", "running", "stuck"}) {
        SCOPED_TRACE(state);
        dezog.reset();
        m5run.emplace(busy());
        ASSERT_NE(m5run->port, 0);
        if (std::string(state) != "waiting") {
            dezog.emplace(m5run->connect());
            ASSERT_EQ(dezog->request("p0b"), "0000");
        }
        if (std::string(state) == "running") {
            ASSERT_TRUE(dezog->run());
        }
        if (std::string(state) == "stuck") {
            const std::string read_all = frame_packet("m0,10000");
            for (int i = 0; i < 12; ++i) dezog->send_raw(read_all);
        }
        ::usleep(200000);
        m5run->signal(SIGTERM);
        const auto since = Clock::now();
        const int status = m5run->exit_status(1000);
        EXPECT_NE(status, -1) << "still running " << elapsed_ms(since) << " ms after SIGTERM";
        EXPECT_LT(status, 128);  // ended by itself, not by the signal
    }
}

}  // namespace
}  // namespace m5
