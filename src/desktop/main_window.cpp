#include "desktop/main_window.h"

#include <cstdio>
#include <cstdlib>

#include "desktop/picture_layout.h"
#include "host/host.h"

namespace m5 {

namespace {

constexpr const char* COMMAND_KEY = "m5-command";
constexpr const char* POPUP_KEY = "m5-popup";
constexpr int32_t INITIAL_SCALE = 2;
constexpr guint MESSAGE_SECONDS = 15;
constexpr size_t MESSAGE_LINES = 3;

// GDK reports the X11/Wayland keycode, which is the evdev scan code + 8.
uint32_t scancode_of(const GdkEventKey* event) {
    return event->hardware_keycode >= XKB_EVDEV_OFFSET ? event->hardware_keycode - XKB_EVDEV_OFFSET : 0xFFFF;
}

void add_filter(GtkFileChooser* chooser, const char* name, const char* pattern) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, name);
    gtk_file_filter_add_pattern(filter, pattern);
    gtk_file_chooser_add_filter(chooser, filter);
}

}  // namespace

// The commands' view of the Host.
class MainWindow::HostCommands final : public CommandReceiver {
public:
    explicit HostCommands(Host& host) : host(host) {}
    void reset() override { host.reset(); }
    void apply_settings() override { host.apply_settings(); }
    void paste_start() override { host.paste_start(); }
    void paste_stop() override { host.paste_stop(); }
    void open_cartridge(const std::string& path) override { host.open_cartridge(path); }
    void close_cartridge() override { host.close_cartridge(); }
    void tape_play(const std::string& path) override { host.tape_play(path); }
    void tape_record(const std::string& path) override { host.tape_record(path); }
    void tape_close() override { host.tape_close(); }
    void start_recording() override { host.start_recording(); }
    void stop_recording() override { host.stop_recording(); }

private:
    Host& host;
};

MainWindow::MainWindow() : platform(keyboard) {
    trace_menus = std::getenv("M5EMU_TRACE_MENUS") != nullptr;
    program_dir = program_directory_of(platform.executable_path());
    settings.load_settings(program_dir);

    build_window();
    platform.attach(GTK_WINDOW(window), picture);
    platform.set_message_sink([this](const std::string& text) { show_message(text); });
    gtk_widget_show_all(window);
    gtk_widget_hide(message_bar);
    if (trace_menus) {
        std::string titles;
        for (const MenuPopup& popup : menu_resource()) titles += (titles.empty() ? "" : " | ") + popup.title;
        std::printf("menubar %s\n", titles.c_str());
        std::fflush(stdout);
    }

    host = std::make_unique<Host>(platform, settings);
    commands = std::make_unique<HostCommands>(*host);
    if (!host->sound_ready()) show_message("No sound device could be opened: the emulator runs without sound.");
    // The picture is shown straight from the surface the video chip writes:
    // 192 rows of 256 RGB565 pixels, 512 bytes apart, which is cairo's own
    // layout for that format.
    surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<uint16_t*>(host->surface_pixels())), CAIRO_FORMAT_RGB16_565,
        SURFACE_WIDTH, SURFACE_HEIGHT, SURFACE_ROW_BYTES);
    host->start_pacer();
}

MainWindow::~MainWindow() {
    if (!closed) close_window();
}

void MainWindow::build_window() {
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), WINDOW_TITLE);
    // The key handlers are connected before the menu bar joins the window, so
    // they run before the menu bar's own F10 handler, and they stop every key
    // event there.
    gtk_widget_add_events(window, GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK | GDK_FOCUS_CHANGE_MASK);
    g_signal_connect(window, "key-press-event", G_CALLBACK(on_key_press), this);
    g_signal_connect(window, "key-release-event", G_CALLBACK(on_key_release), this);
    g_signal_connect(window, "focus-out-event", G_CALLBACK(on_focus_out), this);
    g_signal_connect(window, "delete-event", G_CALLBACK(on_delete), this);
    g_signal_connect(window, "destroy", G_CALLBACK(on_destroy), this);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    GtkWidget* menu_bar = build_menu_bar();
    gtk_box_pack_start(GTK_BOX(box), menu_bar, FALSE, FALSE, 0);

    picture = gtk_drawing_area_new();
    gtk_widget_set_size_request(picture, SURFACE_WIDTH, SURFACE_HEIGHT);
    g_signal_connect(picture, "draw", G_CALLBACK(on_draw), this);
    // The message strip lies over the top of the picture, so showing it
    // never changes the picture's size.
    GtkWidget* overlay = gtk_overlay_new();
    gtk_container_add(GTK_CONTAINER(overlay), picture);
    message_bar = gtk_info_bar_new();
    gtk_info_bar_set_message_type(GTK_INFO_BAR(message_bar), GTK_MESSAGE_WARNING);
    gtk_info_bar_set_show_close_button(GTK_INFO_BAR(message_bar), TRUE);
    message_label = gtk_label_new("");
    gtk_label_set_line_wrap(GTK_LABEL(message_label), TRUE);
    gtk_label_set_xalign(GTK_LABEL(message_label), 0.0F);
    gtk_container_add(GTK_CONTAINER(gtk_info_bar_get_content_area(GTK_INFO_BAR(message_bar))), message_label);
    g_signal_connect(message_bar, "response", G_CALLBACK(on_message_response), this);
    gtk_widget_set_valign(message_bar, GTK_ALIGN_START);
    gtk_widget_set_halign(message_bar, GTK_ALIGN_FILL);
    gtk_overlay_add_overlay(GTK_OVERLAY(overlay), message_bar);
    gtk_box_pack_start(GTK_BOX(box), overlay, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(window), box);

    // Large enough for the picture at twice its size below the menu bar (whose
    // items count for its height only once they are shown).
    gtk_widget_show_all(box);
    gint menu_minimum = 0;
    gint menu_natural = 0;
    gtk_widget_get_preferred_height(menu_bar, &menu_minimum, &menu_natural);
    gtk_window_set_default_size(GTK_WINDOW(window), SURFACE_WIDTH * INITIAL_SCALE,
                                SURFACE_HEIGHT * INITIAL_SCALE + menu_natural);
}

GtkWidget* MainWindow::build_menu_bar() {
    GtkWidget* bar = gtk_menu_bar_new();
    for (int32_t index = 0; index < POPUP_COUNT; ++index) {
        const MenuPopup& popup = menu_resource()[static_cast<size_t>(index)];
        GtkWidget* top = gtk_menu_item_new_with_label(popup.title.c_str());
        GtkWidget* menu = gtk_menu_new();
        g_object_set_data(G_OBJECT(menu), POPUP_KEY, GINT_TO_POINTER(index));
        g_signal_connect(menu, "show", G_CALLBACK(on_popup_show), this);
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), menu);
        gtk_menu_shell_append(GTK_MENU_SHELL(bar), top);
        popups[static_cast<size_t>(index)] = menu;
    }
    return bar;
}

// Rebuilds the popup's items from the menu model each time it opens.
void MainWindow::update_popup(int32_t index) {
    GtkWidget* menu = popups[static_cast<size_t>(index)];
    const MenuView view = menu_view(settings, host != nullptr, host && host->recording());
    const std::vector<MenuItem> items = popup_items(index, view);
    if (trace_menus) {
        std::printf("popup %s\n", describe_popup(menu_resource()[static_cast<size_t>(index)].title, items).c_str());
        std::fflush(stdout);
    }

    updating_menu = true;
    GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
    for (GList* child = children; child; child = child->next) gtk_widget_destroy(GTK_WIDGET(child->data));
    g_list_free(children);
    for (const MenuItem& entry : items) {
        GtkWidget* widget = nullptr;
        if (entry.id == ID_SEPARATOR) {
            widget = gtk_separator_menu_item_new();
        } else {
            if (entry.radio || entry.checked) {
                widget = gtk_check_menu_item_new_with_label(entry.text.c_str());
                gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(widget), entry.radio);
                gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), entry.checked);
            } else {
                widget = gtk_menu_item_new_with_label(entry.text.c_str());
            }
            gtk_widget_set_sensitive(widget, entry.enabled);
            g_object_set_data(G_OBJECT(widget), COMMAND_KEY, GINT_TO_POINTER(entry.id));
            g_signal_connect(widget, "activate", G_CALLBACK(on_menu_item), this);
        }
        gtk_widget_show(widget);
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), widget);
    }
    updating_menu = false;
}

bool MainWindow::popup_open() const {
    for (GtkWidget* menu : popups) {
        if (menu && gtk_widget_get_visible(menu)) return true;
    }
    return false;
}

int MainWindow::run() {
    while (!closed) {
        if (g_main_context_pending(nullptr)) {
            g_main_context_iteration(nullptr, FALSE);
        } else if (host && !popup_open()) {
            gamepads.poll(*host);
            host->pacer_pass();
        } else {
            // A popup holds the window: no frames, just wait for events.
            g_main_context_iteration(nullptr, TRUE);
        }
        if (close_requested && !running_command) close_window();
    }
    return 0;
}

void MainWindow::show_message(const std::string& text) {
    if (trace_menus) {
        std::printf("message %s\n", text.c_str());
        std::fflush(stdout);
    }
    if (!message_bar) return;
    if (!gtk_widget_get_visible(message_bar)) message_lines.clear();
    message_lines.push_back(text);
    if (message_lines.size() > MESSAGE_LINES) message_lines.erase(message_lines.begin());
    std::string joined;
    for (const std::string& line : message_lines) joined += (joined.empty() ? "" : "\n") + line;
    gtk_label_set_text(GTK_LABEL(message_label), joined.c_str());
    gtk_widget_show(message_bar);
    if (message_timer != 0) g_source_remove(message_timer);
    message_timer = g_timeout_add_seconds(MESSAGE_SECONDS, on_message_timeout, this);
}

void MainWindow::hide_message() {
    if (message_timer != 0) {
        g_source_remove(message_timer);
        message_timer = 0;
    }
    message_lines.clear();
    if (message_bar) gtk_widget_hide(message_bar);
}

void MainWindow::on_message_response(GtkInfoBar*, gint, gpointer self) {
    static_cast<MainWindow*>(self)->hide_message();
}

gboolean MainWindow::on_message_timeout(gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    main->message_timer = 0;  // this source ends here
    main->hide_message();
    return G_SOURCE_REMOVE;
}

void MainWindow::close_window() {
    close_requested = false;
    hide_message();
    if (surface) {
        cairo_surface_destroy(surface);
        surface = nullptr;
    }
    commands.reset();
    host.reset();
    settings.save_settings(program_dir);
    platform.attach(nullptr, nullptr);
    if (window) {
        GtkWidget* own = window;
        forget_widgets();
        gtk_widget_destroy(own);
    }
    closed = true;
}

void MainWindow::release_keys() {
    for (uint8_t code : keyboard.release_all()) {
        if (host) host->key_up(code);
    }
}

std::optional<std::string> MainWindow::choose_file(FileDialogKind kind) {
    const bool cartridge = kind == FileDialogKind::cartridge;
    // Rec may name a tape file that does not exist yet.
    const GtkFileChooserAction action =
        kind == FileDialogKind::tape_record ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN;
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        cartridge ? "Game Cartridge" : "Data Recorder Tape", window ? GTK_WINDOW(window) : nullptr, action, "_Cancel",
        GTK_RESPONSE_CANCEL, action == GTK_FILE_CHOOSER_ACTION_SAVE ? "_Save" : "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    // Extensions match in any letter case, as on the original platform.
    if (cartridge) {
        add_filter(chooser, "Game Cartridge (*.rom)", "*.[rR][oO][mM]");
    } else {
        add_filter(chooser, "Wave Files (*.wav)", "*.[wW][aA][vV]");
        add_filter(chooser, "Cassette Files (*.cas)", "*.[cC][aA][sS]");
    }
    add_filter(chooser, "All Files (*.*)", "*");
    // Start in the working directory rather than GTK's recent-files view.
    gchar* folder = g_get_current_dir();
    gtk_file_chooser_set_current_folder(chooser, folder);
    g_free(folder);

    std::optional<std::string> path;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        gchar* name = gtk_file_chooser_get_filename(chooser);
        if (name) {
            path = std::string(name);
            g_free(name);
        }
    }
    gtk_widget_destroy(dialog);
    return path;
}

gboolean MainWindow::on_delete(GtkWidget*, GdkEvent*, gpointer self) {
    // Closing is done by the main loop, outside any handler or nested loop.
    static_cast<MainWindow*>(self)->request_close();
    return TRUE;
}

void MainWindow::on_destroy(GtkWidget*, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    if (main->window == nullptr) return;  // our own close_window destroyed it
    // Destroyed from outside (the display closed it): nothing may touch its
    // widgets any more; the main loop still saves the settings and ends.
    main->platform.attach(nullptr, nullptr);
    main->forget_widgets();
    main->request_close();
}

void MainWindow::forget_widgets() {
    window = nullptr;
    picture = nullptr;
    message_bar = nullptr;
    message_label = nullptr;
    popups.fill(nullptr);
}

gboolean MainWindow::on_key_press(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    const uint8_t code = main->keyboard.press(scancode_of(event));
    if (main->host && code != 0) main->host->key_down(code);
    return TRUE;
}

gboolean MainWindow::on_key_release(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    const uint8_t code = main->keyboard.release(scancode_of(event));
    if (main->host && code != 0) main->host->key_up(code);
    return TRUE;
}

gboolean MainWindow::on_focus_out(GtkWidget*, GdkEventFocus*, gpointer self) {
    // The release events of keys still down now go to another window.
    static_cast<MainWindow*>(self)->release_keys();
    return FALSE;
}

gboolean MainWindow::on_draw(GtkWidget* widget, cairo_t* cr, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    if (!main->host || !main->surface) return TRUE;

    const PictureLayout layout =
        picture_layout(gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget));
    cairo_surface_mark_dirty(main->surface);  // the video chip wrote the pixels
    cairo_translate(cr, layout.x, layout.y);
    cairo_scale(cr, layout.scale, layout.scale);
    cairo_set_source_surface(cr, main->surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, 0, 0, SURFACE_WIDTH, SURFACE_HEIGHT);
    cairo_fill(cr);
    return TRUE;
}

void MainWindow::on_popup_show(GtkWidget* menu, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    // Frames stop while the popup is open; the sound output would keep
    // repeating what it holds.
    if (main->host) main->host->silence_sound();
    // The menu takes the keyboard: release events of keys now down go to it.
    main->release_keys();
    main->update_popup(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(menu), POPUP_KEY)));
}

void MainWindow::on_menu_item(GtkMenuItem* item, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    if (main->updating_menu || main->running_command) return;
    const int32_t id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), COMMAND_KEY));
    if (main->trace_menus) {
        std::printf("command %d\n", id);
        std::fflush(stdout);
    }
    main->running_command = true;
    dispatch_command(id, main->settings, main->commands.get(), *main);
    main->running_command = false;
}

}  // namespace m5
