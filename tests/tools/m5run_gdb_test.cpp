// m5run --gdb spoken to as DeZog's MAME remote speaks to it: a client that
// reads the target description and the registers at reset, stops at a test
// cartridge's entry, reads and writes memory, steps, stops on a write
// watchpoint, breaks into the running machine and kills it; and the replies
// to malformed packets, after which the session goes on.
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
#include <string>
#include <vector>

#include "debug/gdb_protocol.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

using debug::frame_packet;

constexpr int TIMEOUT_MS = 20000;

// m5run started with --gdb on a free port, and a client connected to it.
class GdbClient {
public:
    explicit GdbClient(const std::vector<std::string>& extra) {
        int err_pipe[2];
        if (::pipe(err_pipe) != 0) return;
        std::vector<std::string> args = {M5RUN_PATH, "--ipl", test::rom_path("boot"), "--gdb", "127.0.0.1:0"};
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
        std::string line;
        char c;
        while (wait_readable(error_fd) && ::read(error_fd, &c, 1) == 1 && c != '\n') line += c;
        const size_t colon = line.rfind(':');
        if (line.find("waiting for a debugger") == std::string::npos || colon == std::string::npos) return;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(std::stoi(line.substr(colon + 1))));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) ::close(fd), fd = -1;
    }
    ~GdbClient() {
        if (fd >= 0) ::close(fd);
        if (error_fd >= 0) ::close(error_fd);
        if (child > 0 && exit_status() == -1) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    }

    bool connected() const { return fd >= 0; }
    void disconnect() {
        ::close(fd);
        fd = -1;
    }

    static bool wait_readable(int descriptor, int timeout_ms = TIMEOUT_MS) {
        pollfd entry{descriptor, POLLIN, 0};
        return ::poll(&entry, 1, timeout_ms) > 0;
    }
    void send_raw(const std::string& bytes) {
        ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
    }
    // One byte from the server, or -1 after the timeout.
    int read_byte() {
        uint8_t b;
        if (!wait_readable(fd) || ::recv(fd, &b, 1, 0) != 1) return -1;
        return b;
    }
    // The next packet's payload, checksum checked and acknowledged.
    std::string read_packet() {
        int c;
        while ((c = read_byte()) != '$') {
            if (c < 0) return "<timeout>";
        }
        std::string payload;
        uint8_t sum = 0;
        while ((c = read_byte()) != '#') {
            if (c < 0) return "<timeout>";
            sum = static_cast<uint8_t>(sum + c);
            payload += static_cast<char>(c);
        }
        const std::string check = {static_cast<char>(read_byte()), static_cast<char>(read_byte())};
        if (std::stoi(check, nullptr, 16) != sum) return "<bad checksum>";
        send_raw("+");
        return payload;
    }
    // Sends a packet and returns the reply (the '+' before it skipped).
    std::string ask(const std::string& payload) {
        send_raw(frame_packet(payload));
        return read_packet();
    }
    // The exit status once m5run has ended (waits up to the timeout), else -1.
    int exit_status(int timeout_ms = 0) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        do {
            int status = 0;
            if (::waitpid(child, &status, WNOHANG) == child) {
                exited = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
                child = -1;
            }
            if (exited >= 0) return exited;
            ::usleep(10000);
        } while (std::chrono::steady_clock::now() < end);
        return -1;
    }

private:
    pid_t child = -1;
    int error_fd = -1;
    int fd = -1;
    int exited = -1;
};

// PC as a stop reply carries it: register 0b, low byte first.
std::string pc_field(uint16_t pc) {
    char text[16];
    std::snprintf(text, sizeof text, "0b:%02x%02x;", pc & 0xFF, pc >> 8);
    return text;
}

std::string hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

TEST(M5RunGdb, a_session_as_dezog_runs_it) {
    const std::string cart = test::read_file(test::rom_path("cart_id02"));
    ASSERT_GT(cart.size(), 3u);
    const auto entry = static_cast<uint16_t>(static_cast<uint8_t>(cart[1]) | static_cast<uint8_t>(cart[2]) << 8);
    GdbClient gdb({"--cart", test::rom_path("cart_id02")});
    ASSERT_TRUE(gdb.connected());

    EXPECT_NE(gdb.ask("qSupported:xmlRegisters=z80").find("qXfer:features:read+"), std::string::npos);
    const std::string xml = gdb.ask("qXfer:features:read:target.xml:0,fff");
    EXPECT_EQ(xml[0], 'l');
    EXPECT_NE(xml.find("<architecture>z80</architecture>"), std::string::npos);
    EXPECT_EQ(gdb.ask("?"), "T05" + pc_field(0));
    // At reset: every register as four hex digits, PC (the twelfth) 0.
    const std::string registers = gdb.ask("g");
    ASSERT_EQ(registers.size(), 48u);
    EXPECT_EQ(registers.substr(44), "0000");

    // A breakpoint at the cartridge's entry.
    EXPECT_EQ(gdb.ask("Z0," + hex4(entry) + ",1"), "OK");
    EXPECT_EQ(gdb.ask("c"), "T05" + pc_field(entry));
    EXPECT_EQ(gdb.ask("p0b"), pc_field(entry).substr(3, 4));

    // Memory: the header as the cartridge has it; a write read back.
    EXPECT_EQ(gdb.ask("m2000,1"), "02");
    EXPECT_EQ(gdb.ask("M9000,2:beef"), "OK");
    EXPECT_EQ(gdb.ask("m9000,2"), "beef");

    // One instruction: LD A,'S' is two bytes.
    EXPECT_EQ(gdb.ask("s"), "T05" + pc_field(static_cast<uint16_t>(entry + 2)));

    // The log counter at 0x7800 is written by the call that follows.
    EXPECT_EQ(gdb.ask("z0," + hex4(entry) + ",1"), "OK");
    EXPECT_EQ(gdb.ask("Z2,7800,1"), "OK");
    const std::string watch_stop = gdb.ask("c");
    EXPECT_EQ(watch_stop.substr(0, 17), "T05watch:7800;0b:") << watch_stop;
    EXPECT_EQ(gdb.ask("m7800,1"), "02");  // 'I' before the entry, now 'S'
    EXPECT_EQ(gdb.ask("z2,7800,1"), "OK");

    // Running on (the cartridge returns to the boot ROM's own program), a
    // break byte stops it; DeZog asks for PC at once.
    gdb.send_raw(frame_packet("c"));
    EXPECT_EQ(gdb.read_byte(), '+');
    ::usleep(200000);
    gdb.send_raw("\x03" + frame_packet("p0b"));
    const std::string break_stop = gdb.read_packet();
    EXPECT_EQ(break_stop.substr(0, 6), "T050b:") << break_stop;
    EXPECT_EQ(gdb.read_packet(), break_stop.substr(6, 4));

    gdb.send_raw(frame_packet("k"));
    EXPECT_EQ(gdb.exit_status(TIMEOUT_MS), 0);
}

TEST(M5RunGdb, malformed_packets_get_errors_and_the_session_goes_on) {
    GdbClient gdb({});
    ASSERT_TRUE(gdb.connected());
    gdb.send_raw("$g#00");  // wrong checksum
    EXPECT_EQ(gdb.read_byte(), '-');
    gdb.send_raw("$" + std::string(debug::MAX_PACKET_PAYLOAD + 10, 'm') + "#00");
    EXPECT_EQ(gdb.read_byte(), '-');
    EXPECT_EQ(gdb.ask("vMustReplyEmpty"), "");
    EXPECT_EQ(gdb.ask("mzz,1"), "E01");
    EXPECT_EQ(gdb.ask("Z2,7000,0"), "E01");
    EXPECT_EQ(gdb.ask("p99"), "E01");
    EXPECT_EQ(gdb.ask("g").size(), 48u);
    EXPECT_EQ(gdb.exit_status(), -1);  // still running
}

TEST(M5RunGdb, a_client_that_vanishes_leaves_the_machine_running) {
    GdbClient gdb({"--frames", "30"});
    ASSERT_TRUE(gdb.connected());
    EXPECT_EQ(gdb.ask("Z0,2000,1"), "OK");
    gdb.disconnect();  // without a word, while stopped
    EXPECT_EQ(gdb.exit_status(TIMEOUT_MS), 0);
}

}  // namespace
}  // namespace m5
