#include "desktop/debug_window.h"

#include <cstdio>
#include <cstring>

#include "cpu/z80_cpu.h"
#include "debug/disassembler.h"
#include "debug/symbols.h"
#include "desktop/desktop_choices.h"
#include "desktop/menu_model.h"
#include "desktop/vram_viewer.h"
#include "host/host.h"
#include "m5/machine.h"

namespace m5 {
namespace {

constexpr const char* COMMAND_KEY = "m5-debug-command";
constexpr guint TICK_MS = 100;
constexpr uint16_t DEFAULT_GDB_PORT = 12000;
constexpr int CODE_LINES_BEFORE = 4;
constexpr int CODE_LINES = 16;
constexpr int MEMORY_ROWS = 16;

// The monitor's own buttons, beside the commands of the Debug popup.
constexpr int32_t BUTTON_BREAKPOINT = 1;
constexpr int32_t BUTTON_WATCH = 2;
constexpr int32_t BUTTON_MEMORY = 3;

const char* reason_name(const debug::StopReason& reason) {
    switch (reason.kind) {
        case debug::StopReason::BREAKPOINT: return "breakpoint";
        case debug::StopReason::WATCHPOINT: return "watchpoint";
        case debug::StopReason::STEP: return "step";
        default: return "break";
    }
}

std::string hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

GtkWidget* monospace_view() {
    GtkWidget* view = gtk_text_view_new();
    gtk_text_view_set_monospace(GTK_TEXT_VIEW(view), TRUE);
    gtk_text_view_set_editable(GTK_TEXT_VIEW(view), FALSE);
    gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(view), FALSE);
    return view;
}

void set_text(GtkWidget* view, const std::string& text) {
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), text.c_str(), -1);
}

}  // namespace

DebugSession::DebugSession(Host& emulator, DesktopChoices& desktop_choices, WindowServices services)
    : host(emulator),
      choices(desktop_choices),
      window(std::move(services)),
      debugger(emulator.machine(), this),
      tick(g_timeout_add(TICK_MS, on_tick, this)) {}

DebugSession::~DebugSession() {
    if (tick != 0) g_source_remove(tick);
    viewer.reset();
    gdb.reset();
    if (monitor != nullptr) gtk_widget_destroy(monitor);
    debugger.detach();
}

// --- Commands ------------------------------------------------------------------------

void DebugSession::command(int32_t id) {
    switch (id) {
        case ID_DEBUG_MONITOR: open_monitor(); break;
        case ID_DEBUG_VIDEO:
            if (!viewer) viewer = std::make_unique<VramViewer>(host.machine(), window.trace);
            viewer->show();
            break;
        case ID_DEBUG_BREAK:
            if (is_stopped) break;
            attach_if_needed();
            debugger.request_break();
            open_monitor();
            break;
        case ID_DEBUG_CONTINUE: resume(debug::Resume::CONTINUE); break;
        case ID_DEBUG_STEP: resume(debug::Resume::STEP); break;
        case ID_DEBUG_STEP_OVER: step_over(); break;
        case ID_DEBUG_RUN_TO:
            open_monitor();
            if (address_entry != nullptr) run_to(gtk_entry_get_text(GTK_ENTRY(address_entry)));
            break;
        case ID_DEBUG_WAIT_GDB: wait_for_client(); break;
        default: break;
    }
}

void DebugSession::resume(debug::Resume how) {
    if (is_stopped && !(gdb && gdb->connected())) decision = how;
}

// A CALL, RST, DJNZ, block repeat or HALT runs to the instruction after it;
// anything else is one step.
void DebugSession::step_over() {
    if (!is_stopped) return;
    const uint16_t pc = debugger.register_value(debug::PC_REGISTER);
    uint8_t bytes[16];
    for (int i = 0; i < 16; ++i) bytes[i] = debugger.peek(static_cast<uint16_t>(pc + i));
    const debug::Instruction instruction = debug::disassemble(bytes, 16, pc);
    const std::string text = instruction.text;
    static constexpr const char* OVER[] = {"CALL", "RST",  "DJNZ", "LDIR", "LDDR", "CPIR",
                                           "CPDR", "INIR", "INDR", "OTIR", "OTDR", "HALT"};
    for (const char* start : OVER) {
        if (text.rfind(start, 0) == 0) return run_to(hex4(static_cast<uint16_t>(pc + instruction.length)));
    }
    resume(debug::Resume::STEP);
}

void DebugSession::run_to(const std::string& text) {
    const std::optional<uint16_t> address = parse_address(text);
    if (!address) {
        window.message("Run to: '" + text + "' is not an address (hexadecimal, e.g. 2000).");
        return;
    }
    attach_if_needed();
    temporary_break = *address;
    temporary_was_set = debugger.has_breakpoint(*address);
    debugger.add_breakpoint(*address);
    if (is_stopped) {
        resume(debug::Resume::CONTINUE);
    }
}

std::optional<uint16_t> DebugSession::parse_address(const std::string& text) const {
    return debug::Symbols().resolve(text);
}

void DebugSession::attach_if_needed() {
    if (!debugger.attached()) debugger.attach();
}

// Nothing left to watch for: the processor runs directly again.
void DebugSession::detach_if_unused() {
    const bool monitor_open = monitor != nullptr && gtk_widget_get_visible(monitor);
    if (is_stopped || gdb || monitor_open || temporary_break || !debugger.breakpoints().empty() ||
        !debugger.watchpoints().empty())
        return;
    debugger.detach();
}

// --- GDB clients ------------------------------------------------------------------------

void DebugSession::wait_for_client() {
    if (gdb) return;
    std::string port_text = choices.value("Debugger", "port");
    if (port_text.empty()) {
        port_text = std::to_string(DEFAULT_GDB_PORT);
        choices.set_value("Debugger", "port", port_text);
    }
    const std::optional<uint32_t> port = debug::parse_assembler_number(port_text);
    if (!port || *port > 65535) {
        window.message("The debugger port '" + port_text + "' in m5emu.conf is not a port number.");
        return;
    }
    gdb = std::make_unique<debug::GdbServer>(debugger);
    std::string error;
    if (!gdb->listen("127.0.0.1", static_cast<uint16_t>(*port), error)) {
        gdb.reset();
        window.message("Cannot wait for a debugger: " + error);
        return;
    }
    gdb->end_run_on_interrupt = false;
    gdb->interrupted = [this] {
        pump_events();
        return window.closing();
    };
    window.message("Waiting for a debugger on 127.0.0.1:" + std::to_string(gdb->port()) + ".");
}

void DebugSession::poll_client() {
    if (!gdb) return;
    if (!gdb->connected()) {
        if (!gdb->accept_pending()) return;
        window.message("A debugger connected.");
        window.trace("debug client connected");
        attach_if_needed();
        // The client finds the machine stopped.
        debugger.request_break();
        return;
    }
    if (!gdb->poll() || gdb->kill_requested()) {
        window.message("The debugger left; the machine runs on.");
        window.trace("debug client left");
        gdb.reset();
        detach_if_unused();
    }
}

void DebugSession::pump_events() {
    while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

// --- The stop ---------------------------------------------------------------------------

debug::Resume DebugSession::stopped(debug::Debugger&, const debug::StopReason& reason) {
    if (temporary_break) {
        if (!temporary_was_set) debugger.remove_breakpoint(*temporary_break);
        temporary_break.reset();
    }
    is_stopped = true;
    host.silence_sound();
    const uint16_t pc = debugger.register_value(debug::PC_REGISTER);
    window.trace(std::string("debug stopped ") + reason_name(reason) + " PC=" + hex4(pc));
    if (status_label != nullptr) {
        std::string text = std::string("Stopped (") + reason_name(reason);
        if (reason.kind == debug::StopReason::WATCHPOINT) text += " at " + hex4(reason.address);
        gtk_label_set_text(GTK_LABEL(status_label), (text + ")").c_str());
    }
    refresh_monitor();

    debug::Resume how = debug::Resume::CONTINUE;
    if (gdb && gdb->connected()) {
        try {
            how = gdb->stopped(debugger, reason);
        } catch (const debug::GdbRunEnded&) {
            how = debug::Resume::DETACH;  // a kill: here the machine runs on
        }
        if (!gdb->connected()) {
            window.message("The debugger left; the machine runs on.");
            window.trace("debug client left");
            gdb.reset();
        }
    } else {
        decision.reset();
        while (!decision && !window.closing()) g_main_context_iteration(nullptr, TRUE);
        how = decision.value_or(debug::Resume::CONTINUE);
    }
    // Detaching from inside the debugger's own loop would drop the user's
    // breakpoints; the processor is given back when nothing is left to watch.
    if (how == debug::Resume::DETACH) how = debug::Resume::CONTINUE;
    is_stopped = false;
    if (window.closing()) {
        debugger.clear_all();
        temporary_break.reset();
    }
    // The schedule starts from now: no frames run to catch up.
    host.start_pacer();
    window.trace("debug running");
    if (status_label != nullptr) gtk_label_set_text(GTK_LABEL(status_label), "Running");
    return how;
}

// --- The monitor window ------------------------------------------------------------------

void DebugSession::open_monitor() {
    attach_if_needed();
    if (monitor != nullptr) {
        gtk_window_present(GTK_WINDOW(monitor));
        refresh_monitor();
        return;
    }
    monitor = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(monitor), "Debugger");
    // Beside the main window (where a window manager does not choose).
    gtk_window_move(GTK_WINDOW(monitor), 540, 0);
    g_signal_connect(monitor, "delete-event", G_CALLBACK(on_monitor_delete), this);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(box), 6);
    gtk_container_add(GTK_CONTAINER(monitor), box);

    const auto button = [this](GtkWidget* row, const char* label, int32_t id) {
        GtkWidget* b = gtk_button_new_with_label(label);
        g_object_set_data(G_OBJECT(b), COMMAND_KEY, GINT_TO_POINTER(id));
        g_signal_connect(b, "clicked", G_CALLBACK(on_button), this);
        gtk_box_pack_start(GTK_BOX(row), b, FALSE, FALSE, 0);
    };
    GtkWidget* controls = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    button(controls, "Break", ID_DEBUG_BREAK);
    button(controls, "Continue", ID_DEBUG_CONTINUE);
    button(controls, "Step", ID_DEBUG_STEP);
    button(controls, "Step over", ID_DEBUG_STEP_OVER);
    address_entry = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(address_entry), 8);
    gtk_entry_set_placeholder_text(GTK_ENTRY(address_entry), "address");
    gtk_box_pack_start(GTK_BOX(controls), address_entry, FALSE, FALSE, 0);
    button(controls, "Run to", ID_DEBUG_RUN_TO);
    button(controls, "Breakpoint", BUTTON_BREAKPOINT);
    button(controls, "Watch", BUTTON_WATCH);
    status_label = gtk_label_new(is_stopped ? "Stopped" : "Running");
    gtk_box_pack_end(GTK_BOX(controls), status_label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), controls, FALSE, FALSE, 0);

    registers_label = gtk_label_new("");
    gtk_label_set_selectable(GTK_LABEL(registers_label), TRUE);
    gtk_widget_set_halign(registers_label, GTK_ALIGN_START);
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_family_new("monospace"));
    gtk_label_set_attributes(GTK_LABEL(registers_label), attributes);
    pango_attr_list_unref(attributes);
    gtk_box_pack_start(GTK_BOX(box), registers_label, FALSE, FALSE, 0);

    GtkWidget* panes = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    code_view = monospace_view();
    gtk_widget_set_size_request(code_view, 330, -1);
    gtk_box_pack_start(GTK_BOX(panes), code_view, TRUE, TRUE, 0);
    GtkWidget* memory_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    GtkWidget* memory_row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    memory_entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(memory_entry), "7000");
    gtk_entry_set_width_chars(GTK_ENTRY(memory_entry), 8);
    gtk_box_pack_start(GTK_BOX(memory_row), memory_entry, FALSE, FALSE, 0);
    button(memory_row, "Show memory", BUTTON_MEMORY);
    gtk_box_pack_start(GTK_BOX(memory_box), memory_row, FALSE, FALSE, 0);
    memory_view = monospace_view();
    gtk_box_pack_start(GTK_BOX(memory_box), memory_view, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(panes), memory_box, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(box), panes, TRUE, TRUE, 0);

    gtk_box_pack_start(GTK_BOX(box), gtk_label_new("Breakpoints and watchpoints"), FALSE, FALSE, 0);
    points_view = monospace_view();
    gtk_widget_set_size_request(points_view, -1, 60);
    gtk_box_pack_start(GTK_BOX(box), points_view, FALSE, FALSE, 0);

    gtk_widget_show_all(monitor);
    refresh_monitor();
}

void DebugSession::refresh_monitor() {
    if (monitor == nullptr || !gtk_widget_get_visible(monitor)) return;
    const Z80Cpu& cpu = *host.machine().cpu;
    const uint8_t f = cpu.af.b.lo;
    char flags[9];
    for (int bit = 0; bit < 8; ++bit) flags[bit] = (f & (0x80 >> bit)) != 0 ? "SZ5H3PNC"[bit] : '-';
    flags[8] = '\0';
    char text[512];
    std::snprintf(text, sizeof text,
                  "AF  %04X  BC  %04X  DE  %04X  HL  %04X  IX %04X  IY %04X\n"
                  "AF' %04X  BC' %04X  DE' %04X  HL' %04X  SP %04X  PC %04X\n"
                  "I %02X  R %02X  IM %d  IFF1 %d  IFF2 %d  flags %s%s   frame %d  line %d",
                  cpu.af.w, cpu.bc.w, cpu.de.w, cpu.hl.w, cpu.ix.w, cpu.iy.w, cpu.af_alt.w, cpu.bc_alt.w, cpu.de_alt.w,
                  cpu.hl_alt.w, cpu.sp, cpu.pc, cpu.i, cpu.r, cpu.im > 2 ? 2 : cpu.im, cpu.iff1, cpu.iff2, flags,
                  cpu.halted ? "  HALT" : "", static_cast<int>(host.frames_run()), debugger.scanline());
    gtk_label_set_text(GTK_LABEL(registers_label), text);

    // The code around PC: '>' marks PC, '*' a breakpoint.
    std::string code;
    std::vector<uint16_t> lines = debugger.code_before(cpu.pc, CODE_LINES_BEFORE);
    uint16_t at = cpu.pc;
    char line[96];
    while (static_cast<int>(lines.size()) < CODE_LINES) {
        lines.push_back(at);
        at = static_cast<uint16_t>(at + debugger.format_instruction(at, line, sizeof line));
    }
    for (const uint16_t address : lines) {
        debugger.format_instruction(address, line, sizeof line);
        code += address == cpu.pc ? '>' : ' ';
        code += debugger.has_breakpoint(address) ? '*' : ' ';
        code += line;
        code += '\n';
    }
    set_text(code_view, code);

    std::string memory;
    const uint16_t start = parse_address(gtk_entry_get_text(GTK_ENTRY(memory_entry))).value_or(0x7000);
    for (int row = 0; row < MEMORY_ROWS; ++row) {
        const auto base = static_cast<uint16_t>(start + row * 8);
        memory += hex4(base) + " ";
        std::string chars;
        for (int i = 0; i < 8; ++i) {
            const uint8_t value = debugger.peek(static_cast<uint16_t>(base + i));
            char byte[4];
            std::snprintf(byte, sizeof byte, " %02X", value);
            memory += byte;
            chars += value >= 0x20 && value < 0x7F ? static_cast<char>(value) : '.';
        }
        memory += "  " + chars + "\n";
    }
    set_text(memory_view, memory);

    std::string points;
    for (const uint16_t address : debugger.breakpoints()) points += "break " + hex4(address) + "\n";
    for (const debug::Debugger::Watchpoint& w : debugger.watchpoints()) {
        const char* kind = w.access == debug::WATCH_WRITE ? "write" : w.access == debug::WATCH_READ ? "read" : "access";
        points += std::string("watch ") + kind + " " + hex4(w.address) + " length " + std::to_string(w.length) + "\n";
    }
    set_text(points_view, points.empty() ? "(none)" : points);
}

void DebugSession::toggle_breakpoint(const std::string& text) {
    const std::optional<uint16_t> address = parse_address(text);
    if (!address) return window.message("Breakpoint: '" + text + "' is not an address.");
    attach_if_needed();
    if (debugger.has_breakpoint(*address)) {
        debugger.remove_breakpoint(*address);
    } else {
        debugger.add_breakpoint(*address);
    }
    refresh_monitor();
}

void DebugSession::toggle_watchpoint(const std::string& text) {
    const std::optional<uint16_t> address = parse_address(text);
    if (!address) return window.message("Watch: '" + text + "' is not an address.");
    attach_if_needed();
    for (const debug::Debugger::Watchpoint& w : debugger.watchpoints()) {
        if (w.address == *address && w.length == 1 && w.access == debug::WATCH_WRITE) {
            debugger.remove_watchpoint(*address, 1, debug::WATCH_WRITE);
            return refresh_monitor();
        }
    }
    debugger.add_watchpoint(*address, 1, debug::WATCH_WRITE);
    refresh_monitor();
}

// --- Signals ------------------------------------------------------------------------------

gboolean DebugSession::on_tick(gpointer self) {
    auto* session = static_cast<DebugSession*>(self);
    // At a stop the client is served by the stop itself.
    if (!session->is_stopped) session->poll_client();
    if (!session->is_stopped) session->refresh_monitor();
    if (session->viewer) session->viewer->refresh();
    return G_SOURCE_CONTINUE;
}

void DebugSession::on_button(GtkButton* button, gpointer self) {
    auto* session = static_cast<DebugSession*>(self);
    const int32_t id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), COMMAND_KEY));
    const std::string address = gtk_entry_get_text(GTK_ENTRY(session->address_entry));
    switch (id) {
        case BUTTON_BREAKPOINT: session->toggle_breakpoint(address); break;
        case BUTTON_WATCH: session->toggle_watchpoint(address); break;
        case BUTTON_MEMORY: session->refresh_monitor(); break;
        default: session->command(id); break;
    }
}

gboolean DebugSession::on_monitor_delete(GtkWidget* widget, GdkEvent*, gpointer self) {
    auto* session = static_cast<DebugSession*>(self);
    gtk_widget_hide(widget);
    // Closing the monitor at a stop goes on running.
    session->resume(debug::Resume::CONTINUE);
    session->detach_if_unused();
    return TRUE;
}

}  // namespace m5
