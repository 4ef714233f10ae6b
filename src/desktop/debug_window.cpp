#include "desktop/debug_window.h"

#include <cstdio>
#include <cstring>

#include "cpu/z80_cpu.h"
#include "debug/disassembler.h"
#include "debug/monitor_text.h"
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
constexpr int32_t BUTTON_WRITE = 4;
constexpr int32_t BUTTON_ENABLE = 5;
constexpr int32_t BUTTON_REMOVE = 6;

// The columns of the list of points: enabled, what, whose, breakpoint (0) or
// watchpoint (1), index in the debugger's list.
enum PointColumn { POINT_ON, POINT_TEXT, POINT_SET, POINT_KIND, POINT_INDEX, POINT_COLUMNS };

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

// A view in a scrolled pane of a fixed size: what it shows never changes
// the window's size.
GtkWidget* fixed_pane(GtkWidget* child, int width, int height) {
    GtkWidget* pane = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(pane), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
    gtk_widget_set_size_request(pane, width, height);
    gtk_container_add(GTK_CONTAINER(pane), child);
    return pane;
}

void set_text(GtkWidget* view, const std::string& text) {
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), text.c_str(), -1);
}

// A label whose width is fixed in characters, so that its text never
// widens the window.
void fix_width(GtkWidget* label, int characters) {
    gtk_label_set_width_chars(GTK_LABEL(label), characters);
    gtk_label_set_max_width_chars(GTK_LABEL(label), characters);
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
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
    if (points_store != nullptr) g_object_unref(points_store);
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
        case ID_DEBUG_LOAD_SYMBOLS: load_symbols(); break;
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
        window.message("Run to: '" + text + "' is neither an address (hexadecimal, e.g. 2000) nor a label.");
        return;
    }
    attach_if_needed();
    if (temporary_break) debugger.remove_breakpoint(*temporary_break, debug::TEMPORARY_POINTS);
    temporary_break = *address;
    debugger.add_breakpoint(*address, debug::TEMPORARY_POINTS);
    if (is_stopped) resume(debug::Resume::CONTINUE);
}

std::optional<uint16_t> DebugSession::parse_address(const std::string& text) const { return symbols.resolve(text); }

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

void DebugSession::load_symbols() {
    GtkWidget* dialog = gtk_file_chooser_dialog_new("Symbol File", monitor ? GTK_WINDOW(monitor) : nullptr,
                                                    GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel", GTK_RESPONSE_CANCEL,
                                                    "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, "Symbol files (*.sym, *.def, *.map, *.lbl, *.txt)");
    for (const char* pattern :
         {"*.[sS][yY][mM]", "*.[dD][eE][fF]", "*.[mM][aA][pP]", "*.[lL][bB][lL]", "*.[tT][xX][tT]"})
        gtk_file_filter_add_pattern(filter, pattern);
    gtk_file_chooser_add_filter(chooser, filter);
    GtkFileFilter* all = gtk_file_filter_new();
    gtk_file_filter_set_name(all, "All Files (*.*)");
    gtk_file_filter_add_pattern(all, "*");
    gtk_file_chooser_add_filter(chooser, all);
    gchar* current = g_get_current_dir();
    gtk_file_chooser_set_current_folder(chooser, current);
    g_free(current);
    std::string path;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        if (gchar* name = gtk_file_chooser_get_filename(chooser)) {
            path = name;
            g_free(name);
        }
    }
    gtk_widget_destroy(dialog);
    if (path.empty()) return;

    gchar* contents = nullptr;
    gsize length = 0;
    GError* error = nullptr;
    if (!g_file_get_contents(path.c_str(), &contents, &length, &error)) {
        window.message("The symbol file '" + path + "' cannot be read: " + (error ? error->message : "unknown error"));
        if (error) g_error_free(error);
        return;
    }
    debug::Symbols read;
    const int32_t count = read.read(std::string(contents, length));
    g_free(contents);
    window.trace("debug symbols " + std::to_string(count));
    if (count == 0) {
        window.message("The file '" + path + "' holds no labels (lines such as \"name equ 1234h\").");
        return;
    }
    symbols = std::move(read);
    window.message(std::to_string(count) + " labels read from '" + path + "'.");
    points_shown.clear();
    refresh_monitor();
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
    gdb->log = [this](const std::string& line) {
        std::fprintf(stderr, "m5emu: debugger: %s\n", line.c_str());
        window.trace("debug log " + line);
    };
    window.message("Waiting for a debugger on 127.0.0.1:" + std::to_string(gdb->port()) + ".");
}

void DebugSession::poll_client() {
    if (!gdb) return;
    if (!gdb->connected()) {
        if (!gdb->accept_pending()) return;
        window.message("A debugger connected.");
        window.trace("debug client connected");
        // The client finds the machine stopped (the server asked for it).
        attach_if_needed();
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
        debugger.remove_breakpoint(*temporary_break, debug::TEMPORARY_POINTS);
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
    if (window.stop_changed) window.stop_changed();
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
    if (window.stop_changed) window.stop_changed();
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
    const auto entry = [](GtkWidget* row, int32_t chars, const char* placeholder) {
        GtkWidget* e = gtk_entry_new();
        gtk_entry_set_width_chars(GTK_ENTRY(e), chars);
        if (placeholder != nullptr) gtk_entry_set_placeholder_text(GTK_ENTRY(e), placeholder);
        gtk_box_pack_start(GTK_BOX(row), e, FALSE, FALSE, 0);
        return e;
    };
    GtkWidget* controls = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    button(controls, "Break", ID_DEBUG_BREAK);
    button(controls, "Continue", ID_DEBUG_CONTINUE);
    button(controls, "Step", ID_DEBUG_STEP);
    button(controls, "Step over", ID_DEBUG_STEP_OVER);
    address_entry = entry(controls, 10, "address");
    button(controls, "Run to", ID_DEBUG_RUN_TO);
    button(controls, "Breakpoint", BUTTON_BREAKPOINT);
    button(controls, "Watch", BUTTON_WATCH);
    status_label = gtk_label_new(is_stopped ? "Stopped" : "Running");
    fix_width(status_label, 24);
    gtk_box_pack_end(GTK_BOX(controls), status_label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), controls, FALSE, FALSE, 0);

    registers_label = gtk_label_new("");
    gtk_label_set_selectable(GTK_LABEL(registers_label), TRUE);
    fix_width(registers_label, 72);
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_family_new("monospace"));
    gtk_label_set_attributes(GTK_LABEL(registers_label), attributes);
    pango_attr_list_unref(attributes);
    gtk_box_pack_start(GTK_BOX(box), registers_label, FALSE, FALSE, 0);

    GtkWidget* panes = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    code_view = monospace_view();
    gtk_box_pack_start(GTK_BOX(panes), fixed_pane(code_view, 380, 320), TRUE, TRUE, 0);
    GtkWidget* memory_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    GtkWidget* memory_row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    memory_entry = entry(memory_row, 10, nullptr);
    gtk_entry_set_text(GTK_ENTRY(memory_entry), "7000");
    button(memory_row, "Show", BUTTON_MEMORY);
    bytes_entry = entry(memory_row, 12, "bytes, e.g. 3E 01");
    button(memory_row, "Write", BUTTON_WRITE);
    gtk_box_pack_start(GTK_BOX(memory_box), memory_row, FALSE, FALSE, 0);
    memory_view = monospace_view();
    gtk_box_pack_start(GTK_BOX(memory_box), fixed_pane(memory_view, 340, 286), TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(panes), memory_box, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(box), panes, TRUE, TRUE, 0);

    GtkWidget* points_label = gtk_label_new("Breakpoints and watchpoints");
    gtk_label_set_xalign(GTK_LABEL(points_label), 0.0F);
    gtk_box_pack_start(GTK_BOX(box), points_label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), build_points_list(), FALSE, FALSE, 0);
    GtkWidget* point_buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    button(point_buttons, "Disable / enable", BUTTON_ENABLE);
    button(point_buttons, "Remove", BUTTON_REMOVE);
    gtk_box_pack_start(GTK_BOX(box), point_buttons, FALSE, FALSE, 0);

    gtk_widget_show_all(monitor);
    refresh_monitor();
}

GtkWidget* DebugSession::build_points_list() {
    points_store =
        gtk_list_store_new(POINT_COLUMNS, G_TYPE_BOOLEAN, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_INT, G_TYPE_INT);
    points_view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(points_store));
    GtkCellRenderer* toggle = gtk_cell_renderer_toggle_new();
    g_signal_connect(toggle, "toggled", G_CALLBACK(on_point_toggled), this);
    gtk_tree_view_append_column(GTK_TREE_VIEW(points_view),
                                gtk_tree_view_column_new_with_attributes("On", toggle, "active", POINT_ON, nullptr));
    GtkCellRenderer* text = gtk_cell_renderer_text_new();
    g_object_set(text, "family", "monospace", nullptr);
    GtkTreeViewColumn* what = gtk_tree_view_column_new_with_attributes("Point", text, "text", POINT_TEXT, nullptr);
    gtk_tree_view_column_set_expand(what, TRUE);
    gtk_tree_view_append_column(GTK_TREE_VIEW(points_view), what);
    gtk_tree_view_append_column(
        GTK_TREE_VIEW(points_view),
        gtk_tree_view_column_new_with_attributes("Set by", gtk_cell_renderer_text_new(), "text", POINT_SET, nullptr));
    return fixed_pane(points_view, -1, 110);
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

    // The code around PC: '>' marks PC, '*' a breakpoint; labels above their lines.
    const std::vector<std::string> lines = debug::code_lines(debugger, symbols, cpu.pc, CODE_LINES_BEFORE, CODE_LINES);
    std::string code;
    std::string traced;
    for (const std::string& line : lines) {
        code += line + "\n";
        traced += (traced.empty() ? "" : " | ") + line;
    }
    set_text(code_view, code);
    if (is_stopped) window.trace("debug code " + traced);

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
    refresh_points();
}

// The list is built again only when the points changed, so that a selection
// stays while the machine runs.
void DebugSession::refresh_points() {
    if (points_store == nullptr) return;
    std::string shown;
    for (const debug::Debugger::Breakpoint& b : debugger.breakpoints()) {
        shown += debug::describe_point(b, symbols) + debug::point_set_name(b.set) + "\n";
    }
    for (const debug::Debugger::Watchpoint& w : debugger.watchpoints()) {
        shown += debug::describe_point(w, symbols) + debug::point_set_name(w.set) + "\n";
    }
    if (shown == points_shown) return;
    points_shown = shown;
    gtk_list_store_clear(points_store);
    const auto add = [this](bool enabled, const std::string& text, uint8_t set, int kind, size_t index) {
        GtkTreeIter row;
        gtk_list_store_append(points_store, &row);
        gtk_list_store_set(points_store, &row, POINT_ON, enabled, POINT_TEXT, text.c_str(), POINT_SET,
                           debug::point_set_name(set).c_str(), POINT_KIND, kind, POINT_INDEX, static_cast<int>(index),
                           -1);
    };
    const auto& breakpoints = debugger.breakpoints();
    for (size_t i = 0; i < breakpoints.size(); ++i) {
        add(breakpoints[i].enabled, debug::describe_point(breakpoints[i], symbols), breakpoints[i].set, 0, i);
    }
    const auto& watchpoints = debugger.watchpoints();
    for (size_t i = 0; i < watchpoints.size(); ++i) {
        add(watchpoints[i].enabled, debug::describe_point(watchpoints[i], symbols), watchpoints[i].set, 1, i);
    }
}

void DebugSession::flip_point(int32_t kind, int32_t index) {
    const auto at = static_cast<size_t>(index);
    if (kind == 0 && at < debugger.breakpoints().size()) {
        debugger.enable_breakpoint(at, !debugger.breakpoints()[at].enabled);
    } else if (kind == 1 && at < debugger.watchpoints().size()) {
        debugger.enable_watchpoint(at, !debugger.watchpoints()[at].enabled);
    }
}

void DebugSession::change_selected_point(bool remove) {
    GtkTreeModel* model = nullptr;
    GtkTreeIter row;
    if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(points_view)), &model, &row)) {
        window.message("Choose a breakpoint or watchpoint in the list first.");
        return;
    }
    gint kind = 0;
    gint index = 0;
    gtk_tree_model_get(model, &row, POINT_KIND, &kind, POINT_INDEX, &index, -1);
    if (!remove) {
        flip_point(kind, index);
    } else if (kind == 0) {
        debugger.erase_breakpoint(static_cast<size_t>(index));
    } else {
        debugger.erase_watchpoint(static_cast<size_t>(index));
    }
    refresh_monitor();
    detach_if_unused();
}

void DebugSession::toggle_breakpoint(const std::string& text) {
    const std::optional<uint16_t> address = parse_address(text);
    if (!address) return window.message("Breakpoint: '" + text + "' is neither an address nor a label.");
    attach_if_needed();
    if (!debugger.remove_breakpoint(*address)) debugger.add_breakpoint(*address);
    refresh_monitor();
}

void DebugSession::toggle_watchpoint(const std::string& text) {
    const std::optional<uint16_t> address = parse_address(text);
    if (!address) return window.message("Watch: '" + text + "' is neither an address nor a label.");
    attach_if_needed();
    if (!debugger.remove_watchpoint(*address, 1, debug::WATCH_WRITE)) {
        debugger.add_watchpoint(*address, 1, debug::WATCH_WRITE);
    }
    refresh_monitor();
}

// The bytes typed, from the address the memory view shows; RAM only, all or
// nothing.
void DebugSession::write_memory() {
    const std::string where = gtk_entry_get_text(GTK_ENTRY(memory_entry));
    const std::string typed = gtk_entry_get_text(GTK_ENTRY(bytes_entry));
    const std::optional<uint16_t> address = parse_address(where);
    if (!address) return window.message("Write: '" + where + "' is neither an address nor a label.");
    const std::optional<std::vector<uint8_t>> bytes = debug::parse_bytes(typed);
    if (!bytes) return window.message("Write: '" + typed + "' is not a row of bytes (hexadecimal, e.g. 3E 01).");
    if (*address + bytes->size() > 0x10000) return window.message("Write: the bytes would pass FFFF.");
    for (size_t i = 0; i < bytes->size(); ++i) {
        if (!debugger.writable(static_cast<uint16_t>(*address + i))) {
            return window.message("Write: " + hex4(static_cast<uint16_t>(*address + i)) +
                                  " is ROM; only RAM (7000 to FFFF) can be changed.");
        }
    }
    for (size_t i = 0; i < bytes->size(); ++i) debugger.poke(static_cast<uint16_t>(*address + i), (*bytes)[i]);
    window.trace("debug write " + hex4(*address) + " " + std::to_string(bytes->size()));
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
        case BUTTON_WRITE: session->write_memory(); break;
        case BUTTON_ENABLE: session->change_selected_point(false); break;
        case BUTTON_REMOVE: session->change_selected_point(true); break;
        default: session->command(id); break;
    }
}

void DebugSession::on_point_toggled(GtkCellRendererToggle*, gchar* path, gpointer self) {
    auto* session = static_cast<DebugSession*>(self);
    GtkTreeIter row;
    if (!gtk_tree_model_get_iter_from_string(GTK_TREE_MODEL(session->points_store), &row, path)) return;
    gint kind = 0;
    gint index = 0;
    gtk_tree_model_get(GTK_TREE_MODEL(session->points_store), &row, POINT_KIND, &kind, POINT_INDEX, &index, -1);
    session->flip_point(kind, index);
    session->refresh_monitor();
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
