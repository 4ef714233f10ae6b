// DebugSession: the desktop program's debugger, behind the Debug popup.
//
// The monitor window shows the registers and flags, the code around PC with
// the breakpoints and the labels of a symbol file marked, a memory view
// whose bytes can be changed (RAM only), and the list of breakpoints and
// watchpoints (the monitor's own and a GDB client's), each of which can be
// disabled, enabled again or removed. It has Break, Continue, Step, Step
// over and Run to; its widgets keep their sizes whatever they show. "Load
// symbols..." reads the labels of a symbol file (the forms m5run's --symbols
// reads); addresses may then be typed as labels. The video memory viewer
// (vram_viewer.h) opens from the same popup. "Wait for debugger..." serves
// the GDB remote protocol on 127.0.0.1 and the port of m5emu.conf's
// [Debugger] group (port=12000 unless set); the message strip says when a
// client connects or leaves, and a client that connects finds the machine
// stopped.
//
// The debugger is attached only while the monitor is open, a stop is asked
// for, a point is set or a client is served; otherwise the machine runs as it
// always does. A stop happens between two instructions inside a frame: the
// session then runs the window's events itself until the user (or the
// client) goes on, with the sound silenced and the picture as it was; the
// main window is told (stop_changed) so that its title and a notice say
// "Stopped". Commands that would change the machine under the stopped frame
// are refused (machine_locked).
//
// With the menu trace on, each stop prints "debug stopped <reason> PC=XXXX"
// and the code view "debug code <line> | <line> | ...", each resume "debug
// running", a symbol file "debug symbols <count>", a change of memory
// "debug write <address> <count>", what the GDB server logs "debug log
// <line>", and the viewer its summary as it opens.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "debug/debugger.h"
#include "debug/gdb_server.h"
#include "debug/symbols.h"

namespace m5 {

class DesktopChoices;
class Host;
class VramViewer;

class DebugSession final : public debug::DebugClient {
public:
    // What the session needs of the main window.
    struct WindowServices {
        std::function<void(const std::string&)> message;  // the message strip
        std::function<void(const std::string&)> trace;    // the menu trace (when on)
        std::function<bool()> closing;                    // the window is about to close
        std::function<void()> stop_changed;               // the machine stopped or runs again
    };
    DebugSession(Host& host, DesktopChoices& choices, WindowServices services);
    ~DebugSession() override;
    DebugSession(const DebugSession&) = delete;
    DebugSession& operator=(const DebugSession&) = delete;

    // A command of the Debug popup.
    void command(int32_t id);
    bool stopped() const { return is_stopped; }
    bool serving() const { return gdb != nullptr; }
    // True while the machine is stopped inside a frame: loading, resetting
    // or saving it is refused.
    bool machine_locked() const { return is_stopped; }

    debug::Resume stopped(debug::Debugger& debugger, const debug::StopReason& reason) override;

private:
    void attach_if_needed();
    void detach_if_unused();
    void resume(debug::Resume how);
    void step_over();
    void run_to(const std::string& text);
    void wait_for_client();
    void poll_client();
    void pump_events();
    void load_symbols();

    void open_monitor();
    GtkWidget* build_points_list();
    void refresh_monitor();
    void refresh_points();
    void toggle_breakpoint(const std::string& text);
    void toggle_watchpoint(const std::string& text);
    void write_memory();
    // The point selected in the list: enabled or disabled in turn, or removed.
    void change_selected_point(bool remove);
    void flip_point(int32_t kind, int32_t index);
    std::optional<uint16_t> parse_address(const std::string& text) const;

    static gboolean on_tick(gpointer self);
    static void on_button(GtkButton* button, gpointer self);
    static void on_point_toggled(GtkCellRendererToggle* cell, gchar* path, gpointer self);
    static gboolean on_monitor_delete(GtkWidget* widget, GdkEvent* event, gpointer self);

    Host& host;
    DesktopChoices& choices;
    WindowServices window;
    debug::Debugger debugger;
    debug::Symbols symbols;
    std::unique_ptr<debug::GdbServer> gdb;
    std::unique_ptr<VramViewer> viewer;
    bool is_stopped = false;
    std::optional<debug::Resume> decision;    // the user's answer at a stop
    std::optional<uint16_t> temporary_break;  // Step over and Run to
    guint tick = 0;

    GtkWidget* monitor = nullptr;
    GtkWidget* registers_label = nullptr;
    GtkWidget* code_view = nullptr;
    GtkWidget* memory_entry = nullptr;
    GtkWidget* bytes_entry = nullptr;
    GtkWidget* memory_view = nullptr;
    GtkListStore* points_store = nullptr;
    GtkWidget* points_view = nullptr;
    std::string points_shown;  // what the list shows, to rebuild it only when it changes
    GtkWidget* address_entry = nullptr;
    GtkWidget* status_label = nullptr;
};

}  // namespace m5
