// m5run's debugging: the instruction trace, --break and --watch, labels from
// a symbol file and the GDB remote protocol server. Without any of their
// options nothing is attached and the run is the plain one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "debug/debugger.h"
#include "debug/gdb_server.h"
#include "debug/symbols.h"
#include "tools/m5run_options.h"
#include "tools/output_file.h"

namespace m5 {
class Machine;
}

namespace m5::tools {

// Thrown out of the frame being run when --break or --watch stops it.
struct DebugStopped {};

class RunDebugger final : public debug::DebugClient {
public:
    // Reads the symbol file and resolves every address (OptionError for one
    // that is neither hexadecimal nor a label; std::runtime_error for a file
    // that cannot be read).
    RunDebugger(const Options& options, Machine& machine);
    ~RunDebugger() override;

    bool active() const { return debugger != nullptr; }
    // Attaches, opens the trace and, with --gdb, waits for the client.
    // `interrupted` says when to stop waiting.
    void start(const std::function<bool()>& interrupted);
    // The last frame to run: --frames, or with --gdb and no --frames, no limit.
    int32_t last_frame(const Options& options) const;
    // Before each frame: the frame number for the trace; what the client sent.
    void begin_frame(int32_t frame);
    // The client killed the machine or left with no frame limit.
    bool run_ended() const { return ended; }
    // Ends the run at a GDB kill (thrown out of a frame).
    void end_run() { ended = true; }

    // The stop of --break or --watch, once DebugStopped was thrown.
    const std::optional<debug::StopReason>& stop() const { return stop_reason; }
    // Prints the reason, the registers and the code around PC.
    void print_stop(std::FILE* out) const;
    // Stages the trace as an output of the run.
    bool stage_trace(OutputFiles& outputs, std::string& error);

    debug::Resume stopped(debug::Debugger& debugger, const debug::StopReason& reason) override;

private:
    uint16_t address(const std::string& text, const std::string& option) const;
    std::string describe(uint16_t address) const;

    const Options& o;
    Machine& machine;
    debug::Symbols symbols;
    std::unique_ptr<debug::Debugger> debugger;
    std::unique_ptr<debug::GdbServer> gdb;
    std::FILE* trace = nullptr;
    std::optional<debug::StopReason> stop_reason;
    bool ended = false;
};

}  // namespace m5::tools
