#include "tools/m5run_debug.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "cpu/z80_cpu.h"
#include "debug/disassembler.h"
#include "host/file_stream.h"
#include "m5/machine.h"

namespace m5::tools {
namespace {

std::string read_text_file(const std::string& path) {
    FileStream file;
    errno = 0;
    if (!file.open(path, FILE_READ_BINARY)) {
        const int error = errno;
        throw std::runtime_error("cannot read symbols '" + path +
                                 "': " + (error != 0 ? std::strerror(error) : "not a readable regular file"));
    }
    std::string text;
    char block[65536];
    for (size_t got; (got = file.read(block, 1, sizeof block)) != 0;) text.append(block, got);
    return text;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

// How many instructions the stop report shows before and after PC.
constexpr int CODE_BEFORE = 3;
constexpr int CODE_AFTER = 4;

}  // namespace

RunDebugger::RunDebugger(const Options& options, Machine& emulated) : o(options), machine(emulated) {
    if (o.trace.empty() && o.breaks.empty() && o.watches.empty() && o.gdb.empty()) return;
    if (!o.symbols.empty()) symbols.read(read_text_file(o.symbols));
    debugger = std::make_unique<debug::Debugger>(machine, this);
    for (const std::string& text : o.breaks) debugger->add_breakpoint(address(text, "--break"));
    for (const std::string& text : o.watches) {
        const std::vector<std::string> parts = split(text, ':');
        uint8_t access = debug::WATCH_WRITE;
        int32_t length = 1;
        const auto bad = [&] { throw OptionError("invalid --watch '" + text + "' (expected ADDR[:LEN][:r|w|rw])"); };
        if (parts.size() > 3) bad();
        for (size_t i = 1; i < parts.size(); ++i) {
            const std::string& part = parts[i];
            if (part == "r" || part == "w" || part == "rw") {
                if (i + 1 != parts.size()) bad();
                access = part == "r" ? debug::WATCH_READ : part == "w" ? debug::WATCH_WRITE : debug::WATCH_ACCESS;
            } else {
                const std::optional<uint32_t> value = debug::parse_assembler_number(part);
                if (i != 1 || !value || *value < 1 || *value > 0x10000) bad();
                length = static_cast<int32_t>(*value);
            }
        }
        debugger->add_watchpoint(address(parts[0], "--watch"), length, access);
    }
    if (!o.gdb.empty()) {
        // [HOST:]PORT
        const size_t colon = o.gdb.rfind(':');
        const std::string host = colon == std::string::npos ? "127.0.0.1" : o.gdb.substr(0, colon);
        const std::string port_text = colon == std::string::npos ? o.gdb : o.gdb.substr(colon + 1);
        const std::optional<uint32_t> port = debug::parse_assembler_number(port_text);
        if (host.empty() || port_text.empty() || !port || *port > 65535 ||
            port_text.find_first_not_of("0123456789") != std::string::npos) {
            throw OptionError("invalid --gdb '" + o.gdb + "' (expected [HOST:]PORT)");
        }
        gdb = std::make_unique<debug::GdbServer>(*debugger);
        gdb->log = [](const std::string& line) {
            std::fprintf(stderr, "m5run: debugger: %s\n", line.c_str());
            std::fflush(stderr);
        };
        std::string error;
        if (!gdb->listen(host, static_cast<uint16_t>(*port), error)) throw std::runtime_error(error);
        std::fprintf(stderr, "m5run: waiting for a debugger on %s:%u\n", host.c_str(), gdb->port());
        std::fflush(stderr);
    }
}

RunDebugger::~RunDebugger() {
    gdb.reset();
    debugger.reset();
    if (trace != nullptr) std::fclose(trace);
}

uint16_t RunDebugger::address(const std::string& text, const std::string& option) const {
    const std::optional<uint16_t> value = symbols.resolve(text);
    if (!value) {
        throw OptionError("invalid address '" + text + "' for " + option +
                          " (expected hexadecimal or a label of --symbols)");
    }
    return *value;
}

std::string RunDebugger::describe(uint16_t at) const {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", at);
    const std::string label = symbols.name_at(at);
    return label.empty() ? std::string(text) : std::string(text) + " (" + label + ")";
}

void RunDebugger::start(const std::function<bool()>& interrupted) {
    if (!debugger) return;
    if (!o.trace.empty()) {
        trace = std::tmpfile();
        if (trace == nullptr) throw std::runtime_error(std::string("cannot create the trace: ") + std::strerror(errno));
        debugger->set_trace(trace, o.trace_from, o.trace_frames);
    }
    debugger->attach();
    if (gdb) {
        gdb->interrupted = interrupted;
        // Stopped before the first instruction, where the client finds it.
        if (!gdb->accept_client(interrupted)) throw debug::GdbRunEnded{false};
    }
}

int32_t RunDebugger::last_frame(const Options& options) const {
    return gdb && !options.frames_given ? MAX_FRAMES : options.frames;
}

void RunDebugger::begin_frame(int32_t frame) {
    if (!debugger) return;
    debugger->begin_frame(frame);
    if (gdb && gdb->connected()) {
        if (!gdb->poll() && !o.frames_given) ended = true;  // the client left
        if (gdb->kill_requested()) ended = true;
    }
}

debug::Resume RunDebugger::stopped(debug::Debugger& stopped_debugger, const debug::StopReason& reason) {
    if (gdb) {
        const debug::Resume resume = gdb->stopped(stopped_debugger, reason);
        if (resume == debug::Resume::DETACH && !o.frames_given) ended = true;
        return resume;
    }
    stop_reason = reason;
    throw DebugStopped{};
}

void RunDebugger::print_stop(std::FILE* out) const {
    if (!stop_reason || !debugger) return;
    const debug::StopReason& reason = *stop_reason;
    const Z80Cpu& cpu = *machine.cpu;
    std::fprintf(out, "stopped at frame %d, scanline %d, clock %u: ", debugger->frame(), debugger->scanline(),
                 debugger->clock());
    if (reason.kind == debug::StopReason::WATCHPOINT) {
        std::fprintf(out, "watchpoint: %s %s by the instruction at %s\n",
                     reason.access == debug::WATCH_READ ? "read of" : "write to", describe(reason.address).c_str(),
                     describe(cpu.instr_pc).c_str());
    } else {
        std::fprintf(out, "breakpoint at %s\n", describe(reason.address).c_str());
    }
    char line[200];
    debugger->format_registers(line, sizeof line);
    std::fprintf(out, "%s\n", line);

    const uint16_t pc = cpu.pc;
    const std::vector<uint16_t> before = debugger->code_before(pc, CODE_BEFORE);
    const auto print_line = [&](uint16_t at, bool current) {
        const int length = debugger->format_instruction(at, line, sizeof line);
        const std::string label = symbols.name_at(at);
        if (!label.empty()) std::fprintf(out, "%s:\n", label.c_str());
        std::fprintf(out, "%s %s\n", current ? ">" : " ", line);
        return static_cast<uint16_t>(at + length);
    };
    for (const uint16_t at : before) print_line(at, false);
    uint16_t at = print_line(pc, true);
    for (int i = 0; i < CODE_AFTER; ++i) at = print_line(at, false);
}

bool RunDebugger::stage_trace(OutputFiles& outputs, std::string& error) {
    if (trace == nullptr) return true;
    std::fflush(trace);
    return outputs.stage(
        o.trace,
        [&](std::FILE* f) {
            std::rewind(trace);
            char block[65536];
            for (size_t got; (got = std::fread(block, 1, sizeof block, trace)) != 0;) {
                if (std::fwrite(block, 1, got, f) != got) return false;
            }
            return std::ferror(trace) == 0;
        },
        error);
}

}  // namespace m5::tools
