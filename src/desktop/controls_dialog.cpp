#include "desktop/controls_dialog.h"

#include <linux/input-event-codes.h>

#include <memory>
#include <utility>
#include <vector>

#include "desktop/gamepad.h"
#include "host/key_names.h"

namespace m5 {

namespace {

constexpr gint RESPONSE_RESET = 1;
constexpr guint BUTTON_POLL_MS = 30;

// The M5's keys as its keyboard shows them, by name in the host's key
// table; each row starts a number of half keys in.
struct KeyRow {
    int32_t indent;
    std::vector<const char*> names;
};
const KeyRow KEYBOARD_ROWS[] = {
    {0, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "MINUS", "CARET", "BACKSLASH"}},
    {1, {"TAB", "Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P", "AT", "LBRACKET", "RETURN"}},
    {2, {"CTRL", "A", "S", "D", "F", "G", "H", "J", "K", "L", "PLUS", "COLON", "RBRACKET"}},
    {0, {"LSHIFT", "Z", "X", "C", "V", "B", "N", "M", "COMMA", "PERIOD", "SLASH", "UNDERSCORE", "RSHIFT"}},
};

struct JoystickInput {
    uint8_t bit;
    const char* id;      // after "pad:"
    const char* what;    // the row's heading
    const char* keys_1;  // the M5 key joystick 1 reads it from
    const char* keys_2;  // the same for joystick 2, or null
};
constexpr JoystickInput JOYSTICK_INPUTS[] = {
    {JOY_UP, "up", "Up", "UP", nullptr},         {JOY_DOWN, "down", "Down", "DOWN", nullptr},
    {JOY_LEFT, "left", "Left", "LEFT", nullptr}, {JOY_RIGHT, "right", "Right", "RIGHT", nullptr},
    {JOY_BUTTON_1, "fire1", "Fire 1", "1", "5"}, {JOY_BUTTON_2, "fire2", "Fire 2", "2", "6"},
};

// A button of the dialog that takes a new key or gamepad button.
struct Cell {
    std::string id;
    ControlTarget target;
    bool takes_keys = true;  // false: gamepad buttons only
    bool legend = true;      // the M5 key's legend above its keys
    GtkWidget* button = nullptr;
};

struct Dialog {
    Controls& controls;
    Gamepads& gamepads;
    const std::function<void(const std::string&)>& trace;
    GtkWidget* window = nullptr;
    GtkWidget* message = nullptr;
    std::vector<std::unique_ptr<Cell>> cells;
    Cell* waiting = nullptr;  // the cell waiting for a key or button
    uint32_t taken_key = 0;   // the key just taken, held: its repeats are not the dialog's
    guint poll_timer = 0;
    guint trace_timer = 0;
    gint traced_width = 0;  // the size the places were told for
    gint traced_height = 0;
};

// A label shortened for a key cap: without its note of where it is ("["
// of "[ (right of P)"), and "L", "R" and "KP" for "Left", "Right" and "Keypad".
std::string cap_text(std::string label) {
    const size_t note = label.find(" (");
    if (note != std::string::npos && note > 0) label.resize(note);
    for (const auto& [word, cap] :
         {std::pair<std::string, std::string>{"Left ", "L "}, {"Right ", "R "}, {"Keypad ", "KP "}}) {
        if (label.rfind(word, 0) == 0) label = cap + label.substr(word.size());
    }
    return label;
}

void say(Dialog& dialog, const std::string& text) {
    gtk_label_set_text(GTK_LABEL(dialog.message), text.c_str());
    dialog.trace("controls message " + text);
}

// Adds a part to a list with the separator between parts.
void add_part(std::string& list, const char* separator, const std::string& part) {
    if (!list.empty()) list.append(separator);
    list.append(part);
}

// What a cell shows: its legend and the keys and buttons that give it (the
// first key, and how many more), all of them in its tooltip.
void show_cell(const Dialog& dialog, const Cell& cell) {
    std::string what;
    std::string tooltip;
    if (cell.takes_keys) {
        const std::vector<uint32_t> scancodes = keys_of(dialog.controls, cell.target.m5_key);
        for (uint32_t scancode : scancodes) add_part(tooltip, "\n", host_key(scancode)->label);
        if (!scancodes.empty()) what = cap_text(host_key(scancodes[0])->label);
        if (scancodes.size() > 1) what += " +" + std::to_string(scancodes.size() - 1);
    }
    for (int32_t button : buttons_of(dialog.controls, cell.target)) {
        const std::string label = gamepad_button_label(button);
        add_part(what, " ", cell.takes_keys ? "pad " + label : label);
        add_part(tooltip, "\n", "Gamepad " + label);
    }
    if (&cell == dialog.waiting) what = "press\u2026";
    if (what.empty()) what = "\u2014";
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(cell.button));
    const std::string legend = cap_text(target_legend(cell.target));
    // Long legends (RETURN, SHIFT) in a smaller size, to fit their caps.
    gchar* markup =
        !cell.legend ? g_markup_printf_escaped("<small>%s</small>", what.c_str())
        : legend.size() > 3
            ? g_markup_printf_escaped("<b><small>%s</small></b>\n<small>%s</small>", legend.c_str(), what.c_str())
            : g_markup_printf_escaped("<b>%s</b>\n<small>%s</small>", legend.c_str(), what.c_str());
    gtk_label_set_markup(GTK_LABEL(label), markup);
    g_free(markup);
    gtk_widget_set_tooltip_text(cell.button, tooltip.empty() ? "Nothing gives it" : tooltip.c_str());
}

void show_all_cells(const Dialog& dialog) {
    for (const auto& cell : dialog.cells) show_cell(dialog, *cell);
}

void stop_waiting(Dialog& dialog) {
    dialog.waiting = nullptr;
    if (dialog.poll_timer != 0) g_source_remove(dialog.poll_timer);
    dialog.poll_timer = 0;
    show_all_cells(dialog);
}

gboolean on_button_poll(gpointer data) {
    auto& dialog = *static_cast<Dialog*>(data);
    if (!dialog.waiting) {
        dialog.poll_timer = 0;
        return G_SOURCE_REMOVE;
    }
    const int32_t button = dialog.gamepads.take_button_press();
    if (button < 0) return G_SOURCE_CONTINUE;
    const ControlChange change = assign_button(dialog.controls, button, dialog.waiting->target);
    say(dialog, change.message);
    if (!change.done) return G_SOURCE_CONTINUE;
    dialog.poll_timer = 0;
    dialog.waiting = nullptr;
    show_all_cells(dialog);
    return G_SOURCE_REMOVE;
}

void on_cell_clicked(GtkButton*, gpointer data) {
    auto* cell = static_cast<Cell*>(data);
    auto& dialog = *static_cast<Dialog*>(g_object_get_data(G_OBJECT(cell->button), "m5-dialog"));
    stop_waiting(dialog);
    dialog.waiting = cell;
    dialog.gamepads.take_button_press();  // a press from before does not count
    dialog.poll_timer = g_timeout_add(BUTTON_POLL_MS, on_button_poll, &dialog);
    show_cell(dialog, *cell);
    dialog.trace("controls capture " + cell->id);
    say(dialog, std::string("Press the new ") + (cell->takes_keys ? "key or gamepad button" : "gamepad button") +
                    " for " + target_legend(cell->target) + " (Escape cancels).");
}

uint32_t scancode_of(const GdkEventKey* event) {
    return event->hardware_keycode >= XKB_EVDEV_OFFSET ? event->hardware_keycode - XKB_EVDEV_OFFSET : 0xFFFF;
}

gboolean on_key_release(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto& dialog = *static_cast<Dialog*>(data);
    if (scancode_of(event) != dialog.taken_key) return FALSE;
    dialog.taken_key = 0;
    return TRUE;
}

gboolean on_key_press(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto& dialog = *static_cast<Dialog*>(data);
    const uint32_t scancode = scancode_of(event);
    if (!dialog.waiting) {
        // The dialog's own keys (Escape closes it), but not the repeats of
        // a key just taken (Space would click the focused button).
        return dialog.taken_key != 0 && scancode == dialog.taken_key;
    }
    if (scancode == KEY_ESC) {
        stop_waiting(dialog);
        say(dialog, "Nothing changed.");
        return TRUE;
    }
    if (!dialog.waiting->takes_keys) {
        say(dialog, "Press a gamepad button for " + target_legend(dialog.waiting->target) + " (Escape cancels).");
        return TRUE;
    }
    const ControlChange change = assign_key(dialog.controls, scancode, dialog.waiting->target.m5_key);
    say(dialog, change.message);
    if (change.done) {
        stop_waiting(dialog);
        dialog.taken_key = scancode;
    }
    return TRUE;
}

GtkWidget* add_cell(Dialog& dialog, const std::string& id, ControlTarget target, bool takes_keys, bool legend) {
    auto cell = std::make_unique<Cell>();
    cell->id = id;
    cell->target = target;
    cell->takes_keys = takes_keys;
    cell->legend = legend;
    cell->button = gtk_button_new_with_label("");
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(cell->button));
    gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 9);
    gtk_style_context_add_class(gtk_widget_get_style_context(cell->button), "m5-key");
    g_object_set_data(G_OBJECT(cell->button), "m5-dialog", &dialog);
    g_signal_connect(cell->button, "clicked", G_CALLBACK(on_cell_clicked), cell.get());
    GtkWidget* button = cell->button;
    dialog.cells.push_back(std::move(cell));
    return button;
}

GtkWidget* heading(const char* text) {
    GtkWidget* label = gtk_label_new(nullptr);
    gchar* markup = g_markup_printf_escaped("<b>%s</b>", text);
    gtk_label_set_markup(GTK_LABEL(label), markup);
    g_free(markup);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
    return label;
}

GtkWidget* build_keyboard(Dialog& dialog) {
    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_column_spacing(GTK_GRID(grid), 2);
    gtk_grid_set_row_spacing(GTK_GRID(grid), 2);
    gtk_grid_set_column_homogeneous(GTK_GRID(grid), TRUE);
    gint row = 0;
    for (const KeyRow& keys : KEYBOARD_ROWS) {
        gint column = keys.indent;
        for (const char* name : keys.names) {
            GtkWidget* button = add_cell(dialog, std::string("key:") + name, {virtual_key_named(name), 0}, true, true);
            gtk_grid_attach(GTK_GRID(grid), button, column, row, 2, 1);
            column += 2;
        }
        ++row;
    }
    GtkWidget* space = add_cell(dialog, "key:SPACE", {virtual_key_named("SPACE"), 0}, true, true);
    gtk_grid_attach(GTK_GRID(grid), space, 8, row, 12, 1);
    return grid;
}

GtkWidget* build_joysticks(Dialog& dialog) {
    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_column_spacing(GTK_GRID(grid), 8);
    gtk_grid_set_row_spacing(GTK_GRID(grid), 2);
    const char* titles[] = {"", "Joystick 1 keys", "Joystick 2 keys", "Gamepad (each its own joystick)"};
    for (gint column = 0; column < 4; ++column)
        gtk_grid_attach(GTK_GRID(grid), heading(titles[column]), column, 0, 1, 1);
    gint row = 1;
    for (const JoystickInput& input : JOYSTICK_INPUTS) {
        GtkWidget* what = gtk_label_new(input.what);
        gtk_label_set_xalign(GTK_LABEL(what), 0.0F);
        gtk_grid_attach(GTK_GRID(grid), what, 0, row, 1, 1);
        // The directions of joystick 1 are M5 keys of their own; the fire
        // buttons are read with the keys 1, 2, 5 and 6, changed above.
        const int32_t key_1 = virtual_key_named(input.keys_1);
        GtkWidget* first = input.keys_2 ? gtk_label_new((std::string("as the M5 key ") + input.keys_1).c_str())
                                        : add_cell(dialog, std::string("key:") + input.keys_1, {key_1, 0}, true, false);
        gtk_grid_attach(GTK_GRID(grid), first, 1, row, 1, 1);
        GtkWidget* second =
            gtk_label_new(input.keys_2 ? (std::string("as the M5 key ") + input.keys_2).c_str() : "\u2014");
        gtk_grid_attach(GTK_GRID(grid), second, 2, row, 1, 1);
        GtkWidget* pad = add_cell(dialog, std::string("pad:") + input.id, {0, input.bit}, false, false);
        gtk_grid_attach(GTK_GRID(grid), pad, 3, row, 1, 1);
        ++row;
    }
    GtkWidget* stick = gtk_label_new("A gamepad's left stick also moves its joystick.");
    gtk_label_set_xalign(GTK_LABEL(stick), 0.0F);
    gtk_grid_attach(GTK_GRID(grid), stick, 0, row, 4, 1);
    return grid;
}

// Where each clickable button is on the screen, for a check that drives
// the dialog.
void trace_button(const Dialog& dialog, const std::string& id, GtkWidget* button) {
    GdkWindow* window = gtk_widget_get_window(button);
    if (!window) return;
    GtkAllocation area;
    gtk_widget_get_allocation(button, &area);
    gint x = 0;
    gint y = 0;
    gdk_window_get_origin(window, &x, &y);
    dialog.trace("controls button " + id + " " + std::to_string(x + area.x + area.width / 2) + " " +
                 std::to_string(y + area.y + area.height / 2));
}

gboolean on_trace_timer(gpointer data) {
    auto& dialog = *static_cast<Dialog*>(data);
    dialog.trace_timer = 0;
    for (const auto& cell : dialog.cells) trace_button(dialog, cell->id, cell->button);
    GtkDialog* window = GTK_DIALOG(dialog.window);
    trace_button(dialog, "reset", gtk_dialog_get_widget_for_response(window, RESPONSE_RESET));
    trace_button(dialog, "close", gtk_dialog_get_widget_for_response(window, GTK_RESPONSE_CLOSE));
    dialog.trace("window controls");
    return G_SOURCE_REMOVE;
}

// The places are told again whenever the dialog changes its size (a long
// message moves the buttons below it).
void on_size_allocate(GtkWidget* widget, GdkRectangle* area, gpointer data) {
    auto& dialog = *static_cast<Dialog*>(data);
    if (!gtk_widget_get_mapped(widget) ||
        (area->width == dialog.traced_width && area->height == dialog.traced_height)) {
        return;
    }
    dialog.traced_width = area->width;
    dialog.traced_height = area->height;
    if (dialog.trace_timer != 0) g_source_remove(dialog.trace_timer);
    dialog.trace_timer = g_timeout_add(200, on_trace_timer, &dialog);
}

gboolean on_mapped(GtkWidget* widget, GdkEvent*, gpointer data) {
    GtkAllocation area;
    gtk_widget_get_allocation(widget, &area);
    on_size_allocate(widget, &area, data);
    return FALSE;
}

}  // namespace

bool run_controls_dialog(GtkWindow* parent, Controls& controls, Gamepads& gamepads,
                         const std::function<void(const std::string&)>& trace) {
    const Controls before = controls;
    Dialog dialog{controls, gamepads, trace, nullptr, nullptr, {}, nullptr, 0, 0, 0, 0, 0};
    dialog.window = gtk_dialog_new_with_buttons("Controls", parent, GTK_DIALOG_MODAL, "_Reset to defaults",
                                                RESPONSE_RESET, "_Close", GTK_RESPONSE_CLOSE, nullptr);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(box), 12);
    gtk_box_pack_start(GTK_BOX(box), heading("M5 keyboard"), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), build_keyboard(dialog), FALSE, FALSE, 0);
    GtkWidget* joysticks = heading("Joysticks");
    gtk_widget_set_margin_top(joysticks, 8);
    gtk_box_pack_start(GTK_BOX(box), joysticks, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), build_joysticks(dialog), FALSE, FALSE, 0);
    GtkWidget* note = gtk_label_new(
        "Click a key or input, then press the new key or gamepad button; Escape cancels. "
        "F1 to F9, F11, F12, Escape, Backspace, Pause and Print stay with the emulator (Help > Keyboard).");
    gtk_label_set_line_wrap(GTK_LABEL(note), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(note), 90);
    gtk_label_set_xalign(GTK_LABEL(note), 0.0F);
    gtk_widget_set_margin_top(note, 8);
    gtk_box_pack_start(GTK_BOX(box), note, FALSE, FALSE, 0);
    dialog.message = gtk_label_new("");
    gtk_label_set_line_wrap(GTK_LABEL(dialog.message), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(dialog.message), 90);
    gtk_label_set_xalign(GTK_LABEL(dialog.message), 0.0F);
    gtk_box_pack_start(GTK_BOX(box), dialog.message, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog.window))), box, TRUE, TRUE, 0);
    show_all_cells(dialog);

    // Narrow padding, so that a row of keys fits a small screen.
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, "button.m5-key { padding: 2px 1px; min-width: 0; }", -1, nullptr);
    gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(dialog.window), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    g_signal_connect(dialog.window, "key-press-event", G_CALLBACK(on_key_press), &dialog);
    g_signal_connect(dialog.window, "key-release-event", G_CALLBACK(on_key_release), &dialog);
    g_signal_connect(dialog.window, "map-event", G_CALLBACK(on_mapped), &dialog);
    g_signal_connect(dialog.window, "size-allocate", G_CALLBACK(on_size_allocate), &dialog);
    gtk_widget_show_all(dialog.window);
    while (gtk_dialog_run(GTK_DIALOG(dialog.window)) == RESPONSE_RESET) {
        stop_waiting(dialog);
        controls = Controls{};
        show_all_cells(dialog);
        say(dialog, "The built-in keys and buttons are back.");
    }
    stop_waiting(dialog);
    if (dialog.trace_timer != 0) g_source_remove(dialog.trace_timer);
    gtk_widget_destroy(dialog.window);
    trace("controls closed");
    return !(controls == before);
}

}  // namespace m5
