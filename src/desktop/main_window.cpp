#include "desktop/main_window.h"

#include <linux/input-event-codes.h>

#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include <pango/pangocairo.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "desktop/main_window_parts.h"
#include "desktop/picture_layout.h"
#include "desktop/state_slots.h"
#include "devices/vdp.h"
#include "host/file_stream.h"
#include "host/free_boot_rom.h"
#include "host/host.h"
#include "host/media_rules.h"
#include "host/png_writer.h"
#include "host/state_file.h"
#include "m5/machine.h"
#include "memory/memory_map.h"

namespace m5 {

namespace {

constexpr const char* COMMAND_KEY = "m5-command";
constexpr const char* POPUP_KEY = "m5-popup";
constexpr int32_t FIRST_RUN_RATE_INDEX = 6;  // 48000 Hz
constexpr gint64 REWIND_STEP_US = 150'000;   // a step back while the rewind key is held
constexpr const char* FOLDERS_GROUP = "Folders";
constexpr const char* NO_SOUND_MESSAGE = "No sound device could be opened: the emulator runs without sound.";
// The desktop's choice of IPL ROM in m5emu.conf: a file's path, or FREE_BOOT_ROM_CHOICE.
constexpr const char* MACHINE_GROUP = "Machine";
constexpr const char* IPL_KEY = "ipl";
constexpr const char* FREE_BOOT_ROM_CHOICE = "free";
// Machine / Model and Memory, by their keys ("pal", "64kbf-2b").
constexpr const char* MODEL_KEY = "model";
constexpr const char* MEMORY_KEY = "memory";
// What the free boot ROM's demo says about IPL.ROM and cartridges here.
constexpr const char* BOOT_HINT =
    "The original *IPL.ROM*: choose it\nwith *Machine* / *IPL ROM...*\nInsert a cartridge: *Cart* menu.";
constexpr gint RESPONSE_FREE_BOOT_ROM = 1;

// The model and memory chosen in the Machine popup; the default for a value
// that is none.
MachineConfig chosen_machine(const DesktopChoices& choices) {
    MachineConfig config;
    model_from_key(choices.value(MACHINE_GROUP, MODEL_KEY), config.model);
    memory_from_key(choices.value(MACHINE_GROUP, MEMORY_KEY), config.memory);
    return config;
}

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

int32_t menu_bar_height(GtkWidget* menu_bar) {
    gint minimum = 0;
    gint natural = 0;
    if (menu_bar) gtk_widget_get_preferred_height(menu_bar, &minimum, &natural);
    return natural;
}

// A menu item with the slot's thumbnail (half size again) beside its text
// and its shortcut.
GtkWidget* slot_item(const std::string& text, const std::string& shortcut, const std::vector<uint8_t>& png) {
    GtkWidget* item = gtk_menu_item_new();
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    if (gdk_pixbuf_loader_write(loader, png.data(), png.size(), nullptr) && gdk_pixbuf_loader_close(loader, nullptr)) {
        GdkPixbuf* full = gdk_pixbuf_loader_get_pixbuf(loader);
        GdkPixbuf* small =
            gdk_pixbuf_scale_simple(full, THUMBNAIL_WIDTH / 2, THUMBNAIL_HEIGHT / 2, GDK_INTERP_BILINEAR);
        gtk_box_pack_start(GTK_BOX(box), gtk_image_new_from_pixbuf(small), FALSE, FALSE, 0);
        g_object_unref(small);
    } else {
        gdk_pixbuf_loader_close(loader, nullptr);
    }
    g_object_unref(loader);
    gtk_box_pack_start(GTK_BOX(box), gtk_label_new(text.c_str()), FALSE, FALSE, 0);
    if (!shortcut.empty()) {
        GtkWidget* key = gtk_label_new(shortcut.c_str());
        gtk_style_context_add_class(gtk_widget_get_style_context(key), "dim-label");
        gtk_box_pack_end(GTK_BOX(box), key, FALSE, FALSE, 0);
    }
    gtk_container_add(GTK_CONTAINER(item), box);
    gtk_widget_show_all(box);
    return item;
}

// The folder of a path ("" when it has none).
std::string folder_of(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.string();
}

// The key of m5emu.conf's [Folders] group for a file chooser.
const char* folder_key(FileDialogKind kind) {
    switch (kind) {
        case FileDialogKind::cartridge: return "cartridge";
        case FileDialogKind::tape_play:
        case FileDialogKind::tape_record: return "tape";
        case FileDialogKind::state_save:
        case FileDialogKind::state_load: return "state";
    }
    return "other";
}

}  // namespace

// The commands' view of the Host. The Host checks a file before it touches
// the machine (media_rules.h): the user hears why one cannot be used, the
// machine goes on as it was, and only a usable file joins a recent list.
class MainWindow::HostCommands final : public CommandReceiver {
public:
    HostCommands(Host& host, MainWindow& window) : host(host), window(window) {}
    void reset() override {
        if (window.machine_held_by_debugger()) return;
        host.reset();
        window.show_notice("Reset");
    }
    void apply_settings() override { host.apply_settings(); }
    void apply_sound_settings() override {
        host.reopen_sound();
        if (!host.sound_ready()) window.show_message(NO_SOUND_MESSAGE);
    }
    void paste_start() override { host.paste_start(); }
    void paste_stop() override { host.paste_stop(); }
    bool open_cartridge(const std::string& path) override {
        const FileCheck check = host.open_cartridge(path);
        if (check.taken()) {
            window.cartridge_name = std::filesystem::path(path).filename().string();
            window.update_title();
        }
        return report(FileKind::CARTRIDGE, path, check);
    }
    void close_cartridge() override {
        host.close_cartridge();
        window.cartridge_name.clear();
        window.update_title();
    }
    bool tape_play(const std::string& path) override { return report(FileKind::TAPE, path, host.tape_play(path)); }
    bool tape_record(const std::string& path) override {
        // A file that cannot be written leaves the tape in the deck.
        FileCheck check;
        check.refusal = record_file_problem(path);
        if (check.taken()) host.tape_record(path);
        return report(FileKind::TAPE, path, check);
    }
    void tape_close() override { host.tape_close(); }
    void start_recording() override {
        host.start_recording();
        if (host.recording()) window.show_notice("Recording sound to " + window.paths.files_dir + "sound.wav");
    }
    void stop_recording() override {
        const bool was_recording = host.recording();
        host.stop_recording();
        if (was_recording) window.show_notice("Recording stopped");
    }
    void save_state(const std::string& path) override {
        if (window.save_state_file(path)) window.show_notice("Saved to " + quoted_name(path));
    }
    void load_state(const std::string& path) override {
        if (window.load_state_file(path)) window.show_notice("Loaded " + quoted_name(path));
    }
    void save_slot(int32_t slot) override { window.save_slot(slot); }
    void load_slot(int32_t slot) override { window.load_slot(slot); }
    void rewind_step() override {
        window.show_notice("Rewinding");
        window.rewind_step();
    }

private:
    // Tells the user why a file was refused, or what to know about it.
    bool report(FileKind kind, const std::string& path, const FileCheck& check) {
        if (!check.taken()) {
            window.show_message(file_sentence(kind, quoted_name(path), check.refusal) + ".");
            return false;
        }
        if (!check.note.empty()) window.show_message(file_sentence(kind, quoted_name(path), check.note) + ".");
        return true;
    }

    Host& host;
    MainWindow& window;
};

MainWindow::MainWindow(const DesktopOptions& options) : platform(keyboard) {
    trace_menus = std::getenv("M5EMU_TRACE_MENUS") != nullptr;
    const std::string program_dir = program_directory_of(platform.executable_path());
    const std::string home = g_get_home_dir();
    paths =
        program_paths(program_dir, directory_writable(program_dir), xdg_base_dir("XDG_CONFIG_HOME", home, ".config"),
                      xdg_base_dir("XDG_DATA_HOME", home, ".local/share"));
    if (paths.settings_dir != program_dir) {
        make_directories(paths.settings_dir);
        make_directories(paths.files_dir);
    }

    std::error_code error;
    const bool first_run = !std::filesystem::exists(settings_file_name(paths.settings_dir), error);
    settings.load_settings(paths.settings_dir);
    if (first_run) settings.sample_rate_index = FIRST_RUN_RATE_INDEX;
    if (options.speed_index) {
        speed_before_override = settings.cpu_speed;
        settings.cpu_speed = *options.speed_index;
    }
    choices.load(paths.settings_dir + DESKTOP_CHOICES_NAME);
    if (options.window_scale) choices.window_scale = *options.window_scale;
    if (options.fullscreen) choices.fullscreen = true;
    gamepads.set_mapping(load_gamepad_mapping(choices));
    apply_volume();

    build_window();
    platform.attach(GTK_WINDOW(window), picture);
    platform.set_message_sink([this](const std::string& text) { show_message(text); });
    gtk_widget_show_all(window);
    gtk_widget_hide(message_bar);
    if (trace_menus) {
        std::string titles;
        for (const MenuPopup& popup : menu_resource()) titles += (titles.empty() ? "" : " | ") + popup.title;
        trace("menubar " + titles);
    }

    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    clipboard_handler = g_signal_connect(clipboard, "owner-change", G_CALLBACK(on_clipboard_owner_change), this);
    request_clipboard_targets();

    host = std::make_unique<Host>(platform, settings, chosen_machine(choices));
    commands = std::make_unique<HostCommands>(*host, *this);
    start_debug_session();
    host->set_recording_directory(paths.files_dir);
    host->set_draw_every_frame(choices.every_frame);
    host->set_sprite_limit(choices.sprite_limit);
    if (options.speed_index) host->apply_settings();
    if (!host->sound_ready()) show_message(NO_SOUND_MESSAGE);
    // The picture is shown straight from the surface the video chip writes:
    // 192 rows of 256 RGB565 pixels, 512 bytes apart, which is cairo's own
    // layout for that format.
    surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<uint16_t*>(host->surface_pixels())), CAIRO_FORMAT_RGB16_565,
        SURFACE_WIDTH, SURFACE_HEIGHT, SURFACE_ROW_BYTES);

    find_ipl(options);
    move_old_slots();
    update_title();
    for (const std::string& path : options.files) open_file(path);
    if (choices.fullscreen) {
        choices.fullscreen = false;  // set again once the window is fullscreen
        set_fullscreen(true);
    }
    host->start_pacer();
}

MainWindow::~MainWindow() {
    if (!closed) close_window();
}

void MainWindow::trace(const std::string& line) const {
    if (!trace_menus) return;
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// The IPL ROM: the one named on the command line, else the one chosen in
// Machine / IPL ROM..., else IPL.ROM from the first place that has one, else
// the free boot ROM (with a notice). The machine reads the program
// directory's by itself and starts on the free boot ROM without one.
void MainWindow::find_ipl(const DesktopOptions& options) {
    std::string error;
    host->set_boot_hint(BOOT_HINT, error);
    if (!options.ipl.empty()) {
        const FileCheck check = host->load_ipl(options.ipl);
        if (!check.taken())
            show_message(file_sentence(FileKind::IPL_ROM, quoted_name(options.ipl), check.refusal) + ".");
        return;
    }
    const std::string chosen = choices.value(MACHINE_GROUP, IPL_KEY);
    if (chosen == FREE_BOOT_ROM_CHOICE) {
        host->use_free_boot_rom();
        return;
    }
    if (!chosen.empty()) {
        const FileCheck check = host->load_ipl(chosen);
        if (check.taken()) return;
        show_message(file_sentence(FileKind::IPL_ROM, quoted_name(chosen), check.refusal) +
                     " (chosen in Machine / IPL ROM...).");
    }
    const std::string found = first_existing_file(paths.ipl_candidates);
    if (!found.empty() && (found != paths.program_dir + IPL_ROM_NAME || host->running_free_boot_rom())) {
        const FileCheck check = host->load_ipl(found);
        if (!check.taken()) show_message(file_sentence(FileKind::IPL_ROM, quoted_name(found), check.refusal) + ".");
    }
    if (host->running_free_boot_rom()) show_notice(NO_IPL_NOTE);
}

void MainWindow::start_debug_session() {
    debug_session = std::make_unique<DebugSession>(
        *host, choices,
        DebugSession::WindowServices{[this](const std::string& text) { show_message(text); },
                                     [this](const std::string& line) { trace(line); },
                                     [this] { return close_requested || closed; }, [this] { debug_stop_changed(); }});
}

void MainWindow::choose_model(M5Model model) {
    if (!host) return;
    MachineConfig config = host->machine().config();
    config.model = model;
    set_machine(config);
}

void MainWindow::choose_memory(MemoryFit memory) {
    if (!host) return;
    MachineConfig config = host->machine().config();
    config.memory = memory;
    set_machine(config);
}

// The machine starts again as the M5 of `config`, with its IPL ROM and
// cartridge; the choice is kept in m5emu.conf.
void MainWindow::set_machine(const MachineConfig& config) {
    if (machine_held_by_debugger() || config == host->machine().config()) return;
    // The debugger's windows watch the machine that is replaced.
    debug_session.reset();
    host->set_machine(config);
    start_debug_session();
    choices.set_value(MACHINE_GROUP, MODEL_KEY, model_key(config.model));
    choices.set_value(MACHINE_GROUP, MEMORY_KEY, memory_key(config.memory));
    rewind_ring.clear();
    ring_frames = host->frames_run();
    std::string text = describe_config(config);
    text[0] = 'T';
    show_notice(text);
    update_title();
}

void MainWindow::choose_ipl_rom() {
    if (!host) return;
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        "IPL ROM", window ? GTK_WINDOW(window) : nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel", GTK_RESPONSE_CANCEL,
        "_Free boot ROM", RESPONSE_FREE_BOOT_ROM, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    add_filter(chooser, "ROM images (*.rom, *.bin)", "*.[rRbB][oOiI][mMnN]");
    add_filter(chooser, "All Files (*.*)", "*");
    std::string folder = choices.value(FOLDERS_GROUP, "ipl");
    std::error_code missing;
    if (folder.empty() || !std::filesystem::is_directory(folder, missing)) {
        gchar* current = g_get_current_dir();
        folder = current;
        g_free(current);
    }
    gtk_file_chooser_set_current_folder(chooser, folder.c_str());
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gchar* name = response == GTK_RESPONSE_ACCEPT ? gtk_file_chooser_get_filename(chooser) : nullptr;
    const std::string path = name != nullptr ? name : "";
    g_free(name);
    gtk_widget_destroy(dialog);

    if (response == RESPONSE_FREE_BOOT_ROM) {
        host->use_free_boot_rom();
        choices.set_value(MACHINE_GROUP, IPL_KEY, FREE_BOOT_ROM_CHOICE);
        show_notice("Running the free boot ROM");
    } else if (!path.empty()) {
        const FileCheck check = host->load_ipl(path);
        if (!check.taken()) {
            show_message(file_sentence(FileKind::IPL_ROM, quoted_name(path), check.refusal) + ".");
            return;
        }
        if (!check.note.empty()) show_message(file_sentence(FileKind::IPL_ROM, quoted_name(path), check.note) + ".");
        choices.set_value(MACHINE_GROUP, IPL_KEY, path);
        choices.set_value(FOLDERS_GROUP, "ipl", folder_of(path));
        show_notice("IPL ROM " + quoted_name(path));
    } else {
        return;
    }
    // The machine starts again on the new ROM: the states of the old one are gone.
    rewind_ring.clear();
    ring_frames = host->frames_run();
}

void MainWindow::build_window() {
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), WINDOW_TITLE);
    gtk_window_set_icon_name(GTK_WINDOW(window), "m5emu");
    // The key handlers are connected before the menu bar joins the window, so
    // they run before the menu bar's own F10 handler, and they stop every key
    // event there.
    gtk_widget_add_events(window, GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK | GDK_FOCUS_CHANGE_MASK);
    g_signal_connect(window, "key-press-event", G_CALLBACK(on_key_press), this);
    g_signal_connect(window, "key-release-event", G_CALLBACK(on_key_release), this);
    g_signal_connect(window, "focus-out-event", G_CALLBACK(on_focus_out), this);
    g_signal_connect(window, "delete-event", G_CALLBACK(on_delete), this);
    g_signal_connect(window, "destroy", G_CALLBACK(on_destroy), this);
    g_signal_connect(window, "window-state-event", G_CALLBACK(on_window_state), this);

    // Files dropped on the window are opened as from the command line.
    gtk_drag_dest_set(window, GTK_DEST_DEFAULT_ALL, nullptr, 0, GDK_ACTION_COPY);
    gtk_drag_dest_add_uri_targets(window);
    g_signal_connect(window, "drag-data-received", G_CALLBACK(on_drag_data_received), this);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    menu_bar = build_menu_bar();
    gtk_box_pack_start(GTK_BOX(box), menu_bar, FALSE, FALSE, 0);

    picture = gtk_drawing_area_new();
    gtk_widget_set_size_request(picture, SURFACE_WIDTH, SURFACE_HEIGHT);
    gtk_widget_add_events(picture, GDK_BUTTON_PRESS_MASK);
    g_signal_connect(picture, "draw", G_CALLBACK(on_draw), this);
    g_signal_connect(picture, "button-press-event", G_CALLBACK(on_button_press), this);
    g_signal_connect(picture, "size-allocate", G_CALLBACK(on_picture_size_allocate), this);
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

    // The picture at the chosen scale below the menu bar (whose items count
    // for its height only once they are shown).
    gtk_widget_show_all(box);
    gtk_window_set_default_size(GTK_WINDOW(window), SURFACE_WIDTH * choices.window_scale,
                                SURFACE_HEIGHT * choices.window_scale + menu_bar_height(menu_bar));
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
    MenuView view = menu_view(settings, host != nullptr, host && host->recording());
    view.clipboard_has_text = clipboard_has_text;
    view.pasting = host && host->pasting();
    view.paused = paused;
    view.window_scale = choices.window_scale;
    view.fullscreen = fullscreen;
    view.every_frame = choices.every_frame;
    view.sprite_limit = choices.sprite_limit;
    if (host) view.machine = host->machine().config();
    view.can_rewind = rewind_ring.size() > 0;
    view.muted = choices.muted;
    view.volume_percent = choices.volume_percent;
    view.debug_stopped = debug_session && debug_session->stopped();
    view.debugger_serving = debug_session && debug_session->serving();
    std::array<std::vector<uint8_t>, STATE_SLOTS> thumbnails;
    if (index == POPUP_STATE && host) {
        for (int32_t i = 0; i < STATE_SLOTS; ++i) {
            SlotInfo info = read_slot(slot_path(i));
            const size_t n = static_cast<size_t>(i);
            view.slot_unreadable[n] = info.status == SlotStatus::unreadable;
            if (info.status != SlotStatus::ready) continue;
            view.slot_times[n] = info.saved_at.empty() ? "saved" : info.saved_at;
            thumbnails[n] = std::move(info.thumbnail);
        }
    }
    const std::vector<MenuItem> items = popup_items(index, view);
    if (trace_menus) trace("popup " + describe_popup(menu_resource()[static_cast<size_t>(index)].title, items));

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
            } else if (entry.id >= ID_STATE_SLOT_LOAD && entry.id < ID_STATE_SLOT_LOAD + STATE_SLOTS &&
                       !thumbnails[static_cast<size_t>(entry.id - ID_STATE_SLOT_LOAD)].empty()) {
                widget = slot_item(entry.text, entry.shortcut,
                                   thumbnails[static_cast<size_t>(entry.id - ID_STATE_SLOT_LOAD)]);
            } else {
                widget = gtk_menu_item_new_with_label(entry.text.c_str());
            }
            // The shortcut shows at the right as an accelerator would; the
            // key itself is handled by the window's key handler.
            GtkWidget* label = gtk_bin_get_child(GTK_BIN(widget));
            if (!entry.shortcut.empty() && GTK_IS_ACCEL_LABEL(label)) {
                gtk_accel_label_set_accel(GTK_ACCEL_LABEL(label), gdk_keyval_from_name(entry.shortcut.c_str()),
                                          static_cast<GdkModifierType>(0));
            }
            if (!entry.tooltip.empty()) gtk_widget_set_tooltip_text(widget, entry.tooltip.c_str());
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
        } else if (host && rewinding && !popup_open()) {
            // Held rewind: a step back now and then, the picture shown.
            if (g_get_monotonic_time() >= next_rewind_us) {
                rewind_step();
                next_rewind_us = g_get_monotonic_time() + REWIND_STEP_US;
            } else {
                g_usleep(5'000);
            }
        } else if (host && !paused && !popup_open()) {
            gamepads.poll(*host);
            host->pacer_pass();
            // The ring sees each frame the pacer ran.
            for (; ring_frames < host->frames_run(); ++ring_frames) rewind_ring.frame_done(*host);
        } else {
            // A popup holds the window, or the emulation is paused: no
            // frames, just wait for events.
            g_main_context_iteration(nullptr, TRUE);
        }
        if (close_requested && !running_command) close_window();
    }
    return 0;
}

// --- Files ---------------------------------------------------------------------

void MainWindow::open_file(const std::string& path) {
    if (media_kind(path) == MediaKind::unknown) {
        show_message(quoted_name(path) + " is neither a cartridge (*.rom) nor a tape (*.wav, *.cas).");
        return;
    }
    if (commands) open_media_file(path, settings, *commands);
}

void MainWindow::on_drag_data_received(GtkWidget*, GdkDragContext*, gint, gint, GtkSelectionData* data, guint, guint,
                                       gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    gchar** uris = gtk_selection_data_get_uris(data);
    if (!uris) return;
    for (gchar** uri = uris; *uri; ++uri) {
        gchar* path = g_filename_from_uri(*uri, nullptr, nullptr);
        if (!path) continue;  // not a local file
        main->trace(std::string("drop ") + path);
        main->open_file(path);
        g_free(path);
    }
    g_strfreev(uris);
}

std::optional<std::string> MainWindow::choose_file(FileDialogKind kind) {
    const bool cartridge = kind == FileDialogKind::cartridge;
    const bool state = kind == FileDialogKind::state_save || kind == FileDialogKind::state_load;
    // Rec may name a tape file that does not exist yet; naming one that does
    // asks before it is replaced.
    const GtkFileChooserAction action = kind == FileDialogKind::tape_record || kind == FileDialogKind::state_save
                                            ? GTK_FILE_CHOOSER_ACTION_SAVE
                                            : GTK_FILE_CHOOSER_ACTION_OPEN;
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        state       ? "Save State"
        : cartridge ? "Game Cartridge"
                    : "Data Recorder Tape",
        window ? GTK_WINDOW(window) : nullptr, action, "_Cancel", GTK_RESPONSE_CANCEL,
        action == GTK_FILE_CHOOSER_ACTION_SAVE ? "_Save" : "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    // Extensions match in any letter case, as on the original platform.
    if (state) {
        add_filter(chooser, "Save States (*.m5s)", "*.[mM]5[sS]");
    } else if (cartridge) {
        add_filter(chooser, "Game Cartridge (*.rom)", "*.[rR][oO][mM]");
    } else {
        add_filter(chooser, "Wave Files (*.wav)", "*.[wW][aA][vV]");
        add_filter(chooser, "Cassette Files (*.cas)", "*.[cC][aA][sS]");
    }
    add_filter(chooser, "All Files (*.*)", "*");
    // Start in the folder of the last file chosen of this kind, else in the
    // working directory (rather than GTK's recent-files view).
    std::string folder = choices.value(FOLDERS_GROUP, folder_key(kind));
    std::error_code missing;
    if (folder.empty() || !std::filesystem::is_directory(folder, missing)) {
        gchar* current = g_get_current_dir();
        folder = current;
        g_free(current);
    }
    gtk_file_chooser_set_current_folder(chooser, folder.c_str());

    std::optional<std::string> path;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        gchar* name = gtk_file_chooser_get_filename(chooser);
        if (name) {
            path = std::string(name);
            g_free(name);
            choices.set_value(FOLDERS_GROUP, folder_key(kind), folder_of(*path));
        }
    }
    gtk_widget_destroy(dialog);
    return path;
}

// --- Window size, fullscreen, pause ----------------------------------------------

void MainWindow::fit_window_to_scale() {
    if (!window || fullscreen) return;
    gtk_window_resize(GTK_WINDOW(window), SURFACE_WIDTH * choices.window_scale,
                      SURFACE_HEIGHT * choices.window_scale + menu_bar_height(menu_bar));
    trace("window scale " + std::to_string(choices.window_scale));
}

void MainWindow::set_window_scale(int32_t scale) {
    choices.window_scale = std::clamp(scale, 1, MAX_WINDOW_SCALE);
    if (fullscreen) {
        set_fullscreen(false);  // leaving fullscreen sizes the window
        return;
    }
    fit_window_to_scale();
}

void MainWindow::toggle_fullscreen() { set_fullscreen(!fullscreen); }

// True when a window manager is there to make the window fullscreen.
bool MainWindow::window_manager_fullscreen() const {
#ifdef GDK_WINDOWING_X11
    GdkScreen* screen = gtk_widget_get_screen(window);
    if (GDK_IS_X11_SCREEN(screen)) {
        return gdk_x11_screen_supports_net_wm_hint(screen, gdk_atom_intern_static_string("_NET_WM_STATE_FULLSCREEN"));
    }
#endif
    return true;
}

void MainWindow::set_fullscreen(bool on) {
    if (!window || on == fullscreen) return;
    if (window_manager_fullscreen()) {
        // The window manager's answer arrives as a window state event.
        if (on) {
            gtk_window_fullscreen(GTK_WINDOW(window));
        } else {
            gtk_window_unfullscreen(GTK_WINDOW(window));
        }
        return;
    }
    // No window manager to ask (a bare X server): the window covers its
    // monitor itself.
    if (on) {
        GdkDisplay* display = gtk_widget_get_display(window);
        GdkMonitor* monitor = gdk_display_get_monitor_at_window(display, gtk_widget_get_window(window));
        if (!monitor) monitor = gdk_display_get_primary_monitor(display);
        if (!monitor) return;
        GdkRectangle area{};
        gdk_monitor_get_geometry(monitor, &area);
        gtk_window_move(GTK_WINDOW(window), area.x, area.y);
        gtk_window_resize(GTK_WINDOW(window), area.width, area.height);
    }
    fullscreen_changed(on);
}

void MainWindow::fullscreen_changed(bool on) {
    fullscreen = on;
    choices.fullscreen = on;
    // Fullscreen shows the picture alone.
    if (menu_bar) gtk_widget_set_visible(menu_bar, !on);
    trace(std::string("window fullscreen ") + (on ? "1" : "0"));
    if (!on) fit_window_to_scale();
    if (picture) gtk_widget_queue_draw(picture);
}

gboolean MainWindow::on_window_state(GtkWidget*, GdkEventWindowState* event, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    if ((event->changed_mask & GDK_WINDOW_STATE_FULLSCREEN) == 0) return FALSE;
    const bool on = (event->new_window_state & GDK_WINDOW_STATE_FULLSCREEN) != 0;
    if (on != main->fullscreen) main->fullscreen_changed(on);
    return FALSE;
}

void MainWindow::toggle_pause() {
    if (!host) return;
    paused = !paused;
    if (paused) {
        host->silence_sound();
        show_notice("Paused");
    } else {
        // The schedule starts from now: no frames are run to catch up.
        host->start_pacer();
        platform.clear_frame_rate();
        if (picture) gtk_widget_queue_draw(picture);
    }
    update_title();
    trace(std::string("window paused ") + (paused ? "1" : "0"));
}

// The title names the cartridge; a stop in the debugger and pause take the
// frame rate's place.
void MainWindow::update_title() {
    const bool stopped = debug_session && debug_session->stopped();
    platform.set_title_parts(cartridge_name, stopped ? "Stopped" : paused ? "Paused" : "");
}

// The debugger stopped the machine or lets it run again: the title and the
// notice say so, and the frame rate starts afresh.
void MainWindow::debug_stop_changed() {
    if (!debug_session->stopped()) platform.clear_frame_rate();
    update_title();
    if (picture) gtk_widget_queue_draw(picture);
}

void MainWindow::apply_volume() { platform.set_volume(choices.muted ? 0 : choices.volume_percent); }

void MainWindow::toggle_mute() {
    choices.muted = !choices.muted;
    apply_volume();
    show_notice(choices.muted ? "Sound muted" : "Sound on");
}

void MainWindow::set_volume(int32_t percent) {
    choices.volume_percent = std::clamp(percent, 25, 100);
    choices.muted = false;
    apply_volume();
    show_notice("Volume " + std::to_string(choices.volume_percent) + " %");
}

// --- Screenshot ------------------------------------------------------------------

// The machine's 256 x 192 picture as a PNG file in the pictures folder, named
// by the cartridge and the time; the file appears only when written whole.
void MainWindow::take_screenshot() {
    if (!host) return;
    const std::string folder = pictures_folder();
    make_directories(folder);
    std::string stem = cartridge_name.empty() ? "m5" : std::filesystem::path(cartridge_name).stem().string();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char stamp[32] = "";
    if (localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string path = folder + "/" + stem + "-" + stamp + ".png";
    std::error_code error;
    for (int32_t n = 2; std::filesystem::exists(path, error); ++n) {
        path = folder + "/" + stem + "-" + stamp + "-" + std::to_string(n) + ".png";
    }
    const std::vector<uint8_t> png = encode_png_rgb565(host->surface_pixels(), SURFACE_WIDTH, SURFACE_HEIGHT);
    GError* failure = nullptr;
    if (png.empty() || !g_file_set_contents(path.c_str(), reinterpret_cast<const gchar*>(png.data()),
                                            static_cast<gssize>(png.size()), &failure)) {
        show_message("The screenshot could not be saved to " + path +
                     (failure ? ": " + std::string(failure->message) : "") + ".");
        if (failure) g_error_free(failure);
        return;
    }
    trace("screenshot " + path);
    show_notice("Screenshot saved to " + path);
}

void MainWindow::toggle_every_frame() {
    choices.every_frame = !choices.every_frame;
    if (host) host->set_draw_every_frame(choices.every_frame);
}

void MainWindow::toggle_sprite_limit() {
    choices.sprite_limit = !choices.sprite_limit;
    if (host) host->set_sprite_limit(choices.sprite_limit);
}

// --- Clipboard and selection ---------------------------------------------------------

// Whether the clipboard holds text is asked whenever its owner changes, so
// that opening the Control popup never waits for another program.
void MainWindow::request_clipboard_targets() {
    gtk_clipboard_request_targets(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), on_clipboard_targets, this);
}

void MainWindow::on_clipboard_owner_change(GtkClipboard*, GdkEvent*, gpointer self) {
    static_cast<MainWindow*>(self)->request_clipboard_targets();
}

void MainWindow::on_clipboard_targets(GtkClipboard*, GdkAtom* atoms, gint count, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    main->clipboard_has_text = atoms != nullptr && gtk_targets_include_text(atoms, count);
}

gboolean MainWindow::on_button_press(GtkWidget*, GdkEventButton* event, gpointer self) {
    // The middle button pastes the primary selection, as in X11 programs.
    if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_MIDDLE) return FALSE;
    gtk_clipboard_request_text(gtk_clipboard_get(GDK_SELECTION_PRIMARY), on_primary_text, self);
    return TRUE;
}

void MainWindow::on_primary_text(GtkClipboard*, const gchar* text, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    if (!text || !main->host || main->closed) return;
    main->trace("paste selection");
    main->host->paste_start(std::string(text));
}

// --- Closing ---------------------------------------------------------------------

void MainWindow::close_window() {
    close_requested = false;
    hide_message();
    if (notice_timer != 0) {
        g_source_remove(notice_timer);
        notice_timer = 0;
    }
    if (clipboard_handler != 0) {
        g_signal_handler_disconnect(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), clipboard_handler);
        clipboard_handler = 0;
    }
    if (surface) {
        cairo_surface_destroy(surface);
        surface = nullptr;
    }
    debug_session.reset();
    commands.reset();
    // The window is going: what goes wrong from here on (a recording that
    // cannot be written as the Host closes, the settings) is said on the
    // standard error stream instead.
    platform.set_message_sink([](const std::string& text) { std::fprintf(stderr, "m5emu: %s\n", text.c_str()); });
    host.reset();
    if (speed_before_override) settings.cpu_speed = *speed_before_override;
    if (paths.settings_dir != paths.program_dir) make_directories(paths.settings_dir);
    if (!settings.save_settings(paths.settings_dir)) {
        std::fprintf(stderr, "m5emu: the settings could not be saved in '%s'\n", paths.settings_dir.c_str());
    }
    choices.save(paths.settings_dir + DESKTOP_CHOICES_NAME);
    platform.attach(nullptr, nullptr);
    platform.set_message_sink(nullptr);
    if (help_window) gtk_widget_destroy(help_window);
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
    menu_bar = nullptr;
    picture = nullptr;
    message_bar = nullptr;
    message_label = nullptr;
    popups.fill(nullptr);
}

// --- Keys and drawing ----------------------------------------------------------------

gboolean MainWindow::on_key_press(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    const uint32_t scancode = scancode_of(event);
    // The keys the M5 keyboard has no use for act on the window; a key held
    // down repeats its press, which must not toggle again.
    const bool repeat = scancode < 256 && main->keyboard.is_down(scancode);
    if (scancode == KEY_F11 || scancode == KEY_PAUSE || (scancode == KEY_ESC && main->fullscreen) ||
        scancode == KEY_F5 || scancode == KEY_F7 || scancode == KEY_F8 || scancode == KEY_F12 ||
        scancode == KEY_SYSRQ) {
        main->keyboard.press(scancode);
        if (repeat) return TRUE;
        if (scancode == KEY_F11) main->toggle_fullscreen();
        if (scancode == KEY_PAUSE) main->toggle_pause();
        if (scancode == KEY_ESC) main->toggle_fullscreen();
        if (scancode == KEY_F5) main->save_slot(0);
        if (scancode == KEY_F7) main->load_slot(0);
        if (scancode == KEY_F12 && main->commands) main->commands->reset();
        if (scancode == KEY_SYSRQ) main->take_screenshot();
        if (scancode == KEY_F8 && !main->machine_held_by_debugger()) {
            main->rewinding = true;
            main->next_rewind_us = 0;
            main->trace("rewind 1");
            main->show_notice("Rewinding");
        }
        main->shortcut_keys_down[scancode] = true;
        return TRUE;
    }
    const uint8_t code = main->keyboard.press(scancode);
    if (main->host && code != 0) main->host->key_down(code);
    return TRUE;
}

gboolean MainWindow::on_key_release(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    const uint32_t scancode = scancode_of(event);
    const uint8_t code = main->keyboard.release(scancode);
    // The release of a key whose press acted on the window stays here.
    if (scancode < 256 && main->shortcut_keys_down[scancode]) {
        main->shortcut_keys_down[scancode] = false;
        if (scancode == KEY_F8) {
            // Running on from the state rewound to.
            main->rewinding = false;
            main->notice_until_us = 0;
            if (main->picture) gtk_widget_queue_draw(main->picture);
            if (main->host) main->ring_frames = main->host->frames_run();
            main->trace("rewind 0");
        }
        return TRUE;
    }
    if (main->host && code != 0) main->host->key_up(code);
    return TRUE;
}

gboolean MainWindow::on_focus_out(GtkWidget*, GdkEventFocus*, gpointer self) {
    // The release events of keys still down now go to another window.
    auto* main = static_cast<MainWindow*>(self);
    main->rewinding = false;
    if (main->host) main->ring_frames = main->host->frames_run();
    main->release_keys();
    main->shortcut_keys_down.fill(false);
    return FALSE;
}

gboolean MainWindow::on_draw(GtkWidget* widget, cairo_t* cr, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    // Fullscreen: the picture sits on the machine's backdrop colour.
    uint16_t backdrop = 0;
    if (main->fullscreen && main->host)
        backdrop = main->host->machine().vdp->colours()[main->host->machine().vdp->backdrop_colour()];
    cairo_set_source_rgb(cr, ((backdrop >> 11) & 31) / 31.0, ((backdrop >> 5) & 63) / 63.0, (backdrop & 31) / 31.0);
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
    cairo_identity_matrix(cr);
    main->draw_notice(cr, gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget));
    return TRUE;
}

// A window resized by hand: the Screen popup marks the scale the picture
// is now shown at, and that scale is what is kept.
void MainWindow::on_picture_size_allocate(GtkWidget*, GdkRectangle* allocation, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    if (main->fullscreen || main->choices.fullscreen) return;
    const int32_t scale = std::clamp(picture_layout(allocation->width, allocation->height).scale, 1, MAX_WINDOW_SCALE);
    if (scale == main->choices.window_scale) return;
    main->choices.window_scale = scale;
    main->trace("window resized scale " + std::to_string(scale));
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
    main->trace("command " + std::to_string(id));
    // A speed chosen in the menu is the user's choice and is saved.
    if (id >= ID_CPU_X1 && id <= ID_CPU_X16) main->speed_before_override.reset();
    // Stopped inside a frame, the machine takes only the debugger's and the
    // window's own commands.
    const bool window_only = (id >= ID_DEBUG_MONITOR && id <= ID_DEBUG_LOAD_SYMBOLS) ||
                             (id >= ID_WINDOW_X1 && id <= ID_FULLSCREEN_320) || id == ID_WINDOW_X3 ||
                             id == ID_WINDOW_X4 || id == ID_EVERY_FRAME || id == ID_HELP_KEYS || id == ID_EXIT ||
                             id == ID_PAUSE || id == ID_HELP_ABOUT || id == ID_SCREENSHOT || id == ID_MUTE ||
                             (id >= ID_VOLUME_100 && id <= ID_VOLUME_25);
    if (!window_only && main->machine_held_by_debugger()) return;
    main->running_command = true;
    dispatch_command(id, main->settings, main->commands.get(), *main);
    main->running_command = false;
}

void MainWindow::debug_command(int32_t id) {
    if (debug_session) debug_session->command(id);
}

bool MainWindow::machine_held_by_debugger() {
    if (!debug_session || !debug_session->machine_locked()) return false;
    show_notice("Stopped in the debugger: Continue first");
    return true;
}

}  // namespace m5
