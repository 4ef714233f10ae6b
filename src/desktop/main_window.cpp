#include "desktop/main_window.h"

#include <linux/input-event-codes.h>

#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include <pango/pangocairo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "desktop/main_window_parts.h"
#include "desktop/picture_layout.h"
#include "desktop/state_slots.h"
#include "devices/tape_deck.h"
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
constexpr int32_t FIRST_RUN_RATE_INDEX = 6;       // 48000 Hz
constexpr gint64 REWIND_STEP_US = 150'000;        // a step back while the rewind key is held
constexpr gint64 FAST_FORWARD_SLICE_US = 16'000;  // frames between two pictures when fast-forwarding
constexpr gint64 SPEED_PERIOD_US = 500'000;       // the speed shown is measured over this
constexpr guint INDICATOR_MS = 500;               // the tape's position is shown this often
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

// Opens the chooser in `folder`, or in the working directory (rather than
// GTK's recent-files view) when that is not a folder.
void start_in_folder(GtkFileChooser* chooser, std::string folder) {
    std::error_code missing;
    if (folder.empty() || !std::filesystem::is_directory(folder, missing)) {
        gchar* current = g_get_current_dir();
        folder = current;
        g_free(current);
    }
    gtk_file_chooser_set_current_folder(chooser, folder.c_str());
}

int32_t natural_height(GtkWidget* menu_bar) {
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
        guint keyval = 0;
        GdkModifierType modifiers{};
        gtk_accelerator_parse(shortcut.c_str(), &keyval, &modifiers);
        gchar* shown = gtk_accelerator_get_label(keyval, modifiers);
        GtkWidget* key = gtk_label_new(shown);
        g_free(shown);
        gtk_style_context_add_class(gtk_widget_get_style_context(key), "dim-label");
        gtk_box_pack_end(GTK_BOX(box), key, FALSE, FALSE, 0);
    }
    gtk_container_add(GTK_CONTAINER(item), box);
    gtk_widget_show_all(box);
    return item;
}

// Asks whether the file may be replaced.
bool confirm_replace(GtkWindow* parent, const std::string& path) {
    GtkWidget* ask = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE,
                                            "A file named %s already exists. Replace it?", quoted_name(path).c_str());
    gtk_dialog_add_buttons(GTK_DIALOG(ask), "_Cancel", GTK_RESPONSE_CANCEL, "_Replace", GTK_RESPONSE_ACCEPT, nullptr);
    const bool replace = gtk_dialog_run(GTK_DIALOG(ask)) == GTK_RESPONSE_ACCEPT;
    gtk_widget_destroy(ask);
    return replace;
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
            window.remember_folder(FileDialogKind::cartridge, path);
        }
        return report(FileKind::CARTRIDGE, path, check);
    }
    void close_cartridge() override {
        host.close_cartridge();
        window.cartridge_name.clear();
        window.update_title();
    }
    bool tape_play(const std::string& path) override {
        const FileCheck check = host.tape_play(path);
        if (check.taken()) {
            window.remember_folder(FileDialogKind::tape_play, path);
            window.tape_started(path, false);
        }
        return report(FileKind::TAPE, path, check);
    }
    bool tape_record(const std::string& path) override {
        // A file that cannot be written leaves the tape in the deck.
        FileCheck check;
        check.refusal = record_file_problem(path);
        if (check.taken()) {
            host.tape_record(path);
            window.remember_folder(FileDialogKind::tape_record, path);
            window.tape_started(path, true);
        }
        return report(FileKind::TAPE, path, check);
    }
    void tape_close() override {
        host.tape_close();
        window.tape_started("", false);
    }
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
        if (!window.save_state_file(path)) return;
        window.remember_folder(FileDialogKind::state_save, path);
        window.show_notice("Saved to " + quoted_name(path));
    }
    void load_state(const std::string& path) override {
        if (!window.load_state_file(path)) return;
        window.remember_folder(FileDialogKind::state_load, path);
        window.show_notice("Loaded " + quoted_name(path));
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
    controls = load_controls(choices);
    keyboard.set_key_map(controls.keys);
    gamepads.set_mapping(controls.gamepad);
    apply_volume();

    build_window();
    platform.attach(GTK_WINDOW(window), picture);
    platform.set_message_sink([this](const std::string& text) { show_message(text); });
    gtk_widget_show_all(window);
    trace("status line " + std::to_string(status_line_height()));
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
    indicator_timer = g_timeout_add(INDICATOR_MS, on_indicator_tick, this);
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
    // The picture's rate may change with the machine, and the tape is gone.
    if (gif) stop_picture_recording();
    host->set_machine(config);
    tape_started("", false);
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
    start_in_folder(chooser, choices.value(FOLDERS_GROUP, "ipl"));
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
    gtk_box_pack_start(GTK_BOX(box), picture, TRUE, TRUE, 0);
    // The status line below the picture keeps its height whatever it says,
    // so a message never changes the picture's size.
    gtk_box_pack_start(GTK_BOX(box), build_status_line(), FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(window), box);

    // The picture at the chosen scale below the menu bar (whose items count
    // for its height only once they are shown).
    gtk_widget_show_all(box);
    gtk_window_set_default_size(
        GTK_WINDOW(window), picture_width(choices.window_scale, choices.tv_pixels),
        SURFACE_HEIGHT * choices.window_scale + natural_height(menu_bar) + status_line_height());
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
    view.fast_forward = fast_forward_toggled;
    view.recording_pictures = gif != nullptr;
    view.tv_pixels = choices.tv_pixels;
    view.tape_text = tape_text();
    view.tape_playing = host && !tape_path.empty() && !tape_recording && host->machine().tape_deck->playing;
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
                guint key = 0;
                GdkModifierType modifiers{};
                gtk_accelerator_parse(entry.shortcut.c_str(), &key, &modifiers);
                gtk_accel_label_set_accel(GTK_ACCEL_LABEL(label), key, modifiers);
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
        } else if (host && !paused && !popup_open() && fast_forward_on() && !machine_locked()) {
            gamepads.poll(*host);
            fast_forward_pass();
        } else if (host && !paused && !popup_open()) {
            gamepads.poll(*host);
            host->pacer_pass();
            record_pictures();
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
        show_message(quoted_name(path) +
                     " is neither a cartridge (*.rom), a tape (*.wav, *.cas) nor a save state (*.m5s).");
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
        kind == FileDialogKind::state_save   ? "Save State"
        : kind == FileDialogKind::state_load ? "Load State"
        : cartridge                          ? "Game Cartridge"
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
    // Start in the folder of the last file chosen of this kind.
    start_in_folder(chooser, choices.value(FOLDERS_GROUP, folder_key(kind)));
    if (kind == FileDialogKind::state_save) {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        char stamp[32] = "";
        if (localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H-%M-%S", &local);
        gtk_file_chooser_set_current_name(chooser, proposed_state_name(cartridge_name, stamp).c_str());
    }

    std::optional<std::string> path;
    while (!path && gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        gchar* name = gtk_file_chooser_get_filename(chooser);
        if (!name) break;
        std::string chosen = name;
        g_free(name);
        // A state's name gets its extension; a file of the name it then has
        // is replaced only when the user says so.
        if (kind == FileDialogKind::state_save && with_state_extension(chosen) != chosen) {
            chosen = with_state_extension(chosen);
            std::error_code error;
            if (std::filesystem::exists(chosen, error) && !confirm_replace(GTK_WINDOW(dialog), chosen)) continue;
        }
        path = chosen;
        remember_folder(kind, *path);
    }
    gtk_widget_destroy(dialog);
    return path;
}

// The choosers of a kind start in the folder of the last file of that kind,
// however it was opened.
void MainWindow::remember_folder(FileDialogKind kind, const std::string& path) {
    std::string folder = folder_of(path);
    if (folder.empty()) folder = ".";
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    choices.set_value(FOLDERS_GROUP, folder_key(kind), error ? folder : absolute.lexically_normal().string());
}

// --- Window size, fullscreen, pause ----------------------------------------------

void MainWindow::fit_window_to_scale() {
    if (!window || fullscreen) return;
    gtk_window_resize(GTK_WINDOW(window), picture_width(choices.window_scale, choices.tv_pixels),
                      SURFACE_HEIGHT * choices.window_scale + natural_height(menu_bar) + status_line_height());
    trace("window scale " + std::to_string(choices.window_scale));
}

int32_t MainWindow::status_line_height() const { return natural_height(status_bar); }

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
    if (status_bar) gtk_widget_set_visible(status_bar, !on);
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

// --- Fast forward ----------------------------------------------------------------

bool MainWindow::machine_locked() const { return debug_session && debug_session->machine_locked(); }

void MainWindow::toggle_fast_forward() {
    const bool was_on = fast_forward_on();
    fast_forward_toggled = !fast_forward_toggled;
    fast_forward_changed(was_on);
}

// Fast forward starts or ends: the sound is muted meanwhile, and afterwards
// the frame schedule starts from now, so no frames are run to catch up.
void MainWindow::fast_forward_changed(bool was_on) {
    const bool on = fast_forward_on();
    if (on == was_on || !host) return;
    if (on) {
        platform.set_volume(0);
        host->silence_sound();
        speed_since_us = g_get_monotonic_time();
        speed_since_frame = host->frames_run();
        fast_forward_speed = 0.0;
    } else {
        apply_volume();
        host->start_pacer();
        platform.clear_frame_rate();
    }
    update_indicator();
    trace(std::string("fast forward ") + (on ? "1" : "0"));
    update_status();
}

// Frames as fast as they run for about a frame's time, then one picture;
// twice a second the speed reached is shown.
void MainWindow::fast_forward_pass() {
    const gint64 start = g_get_monotonic_time();
    do {
        host->emulate_frame();
        record_pictures();
        for (; ring_frames < host->frames_run(); ++ring_frames) rewind_ring.frame_done(*host);
    } while (g_get_monotonic_time() - start < FAST_FORWARD_SLICE_US);
    host->present_frame();
    const gint64 now = g_get_monotonic_time();
    if (now - speed_since_us < SPEED_PERIOD_US) return;
    const double frames = static_cast<double>(host->frames_run() - speed_since_frame);
    const double rate = host->machine().scheduler->video_standard().frames_per_second;
    fast_forward_speed = frames * 1e6 / static_cast<double>(now - speed_since_us) / rate;
    speed_since_us = now;
    speed_since_frame = host->frames_run();
    char text[32];
    std::snprintf(text, sizeof text, "x%.1f", fast_forward_speed);
    trace(std::string("speed ") + text);
    update_indicator();
}

// --- The tape's place ---------------------------------------------------------------

void MainWindow::tape_started(const std::string& path, bool recording) {
    tape_path = path;
    tape_recording = recording;
    tape_timeline = {};
    const TapeDeck& deck = *host->machine().tape_deck;
    if (!path.empty() && !recording && deck.playing) {
        TapeImage* played = deck.runs ? static_cast<TapeImage*>(deck.runs.get()) : deck.image.get();
        if (played) tape_timeline = TapeTimeline(*played, deck.is_wav != 0, deck.bytes_left);
    }
    update_indicator();
}

// "oscar.cas  1:05 / 4:10, motor on", or the recording's name and length.
std::string MainWindow::tape_text() const {
    if (tape_path.empty() || !host) return "";
    const TapeDeck& deck = *host->machine().tape_deck;
    const std::string name = std::filesystem::path(tape_path).filename().string();
    const std::string motor = deck.motor ? "motor on" : "motor off";
    if (tape_recording) {
        if (!deck.recording) return "";
        // A WAV recording counts its ticks; a CAS one its runs, of any length.
        const double seconds = static_cast<double>(deck.samples_written) / TAPE_TICKS_PER_SECOND;
        return "Recording " + name + (deck.is_wav ? "  " + minutes_seconds(seconds) : "") + ", " + motor;
    }
    if (!deck.playing) return name + "  at its end";
    return name + "  " + minutes_seconds(tape_timeline.seconds_at(deck.bytes_left)) + " / " +
           minutes_seconds(tape_timeline.length_seconds()) + ", " + motor;
}

// The right of the status line: the tape, and the speed while fast-forwarding.
void MainWindow::update_indicator() {
    if (!status_right) return;
    std::string text = tape_text();
    if (fast_forward_on() && fast_forward_speed > 0) {
        char speed[32];
        std::snprintf(speed, sizeof speed, "x%.1f", fast_forward_speed);
        text += (text.empty() ? "" : "   ") + std::string(speed);
    }
    gtk_label_set_text(GTK_LABEL(status_right), text.c_str());
}

gboolean MainWindow::on_indicator_tick(gpointer self) {
    static_cast<MainWindow*>(self)->update_indicator();
    return G_SOURCE_CONTINUE;
}

// Tape / Rewind: the tape's file is played again from its start.
void MainWindow::rewind_tape() {
    if (tape_path.empty() || tape_recording || !commands) return;
    const std::string path = tape_path;
    if (commands->tape_play(path)) show_notice("Tape rewound");
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
    update_status();
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
    update_status();
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

// A new file in the pictures folder named by the cartridge and the time.
std::string MainWindow::picture_file_path(const std::string& extension) const {
    const std::string folder = pictures_folder();
    make_directories(folder);
    std::string stem = cartridge_name.empty() ? "m5" : std::filesystem::path(cartridge_name).stem().string();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char stamp[32] = "";
    if (localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string path = folder + "/" + stem + "-" + stamp + extension;
    std::error_code error;
    for (int32_t n = 2; std::filesystem::exists(path, error); ++n) {
        path = folder + "/" + stem + "-" + stamp + "-" + std::to_string(n) + extension;
    }
    return path;
}

// The machine's 256 x 192 picture as a PNG file in the pictures folder, named
// by the cartridge and the time; the file appears only when written whole.
void MainWindow::take_screenshot() {
    if (!host) return;
    const std::string path = picture_file_path(".png");
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

// --- Recording the picture ---------------------------------------------------------

// Screen / Rec: an animated GIF in the pictures folder, written as it goes
// beside its final name, which it takes at Stop.
void MainWindow::start_picture_recording(int32_t frames_per_second) {
    if (!host || gif) return;
    const std::string path = picture_file_path(".gif");
    if (const int32_t error = gif_file.create(path); error != 0) {
        show_message("The recording could not be started in " + pictures_folder() + ": " + std::strerror(error) + ".");
        return;
    }
    gif = std::make_unique<GifWriter>(frames_per_second);
    gif_path = path;
    gif_rate = static_cast<uint64_t>(host->machine().scheduler->video_standard().frames_per_second);
    gif_fps = static_cast<uint64_t>(frames_per_second);
    gif_start_frame = host->frames_run();
    gif_taken = 0;
    trace("gif start " + path);
    show_notice("Recording the picture at " + std::to_string(frames_per_second) + " frames a second");
}

void MainWindow::record_pictures() {
    if (!gif) return;
    const uint64_t now = host->frames_run();
    // A state loaded or rewound to: the recording goes on from there.
    const uint64_t recorded = gif_taken * gif_rate / gif_fps;
    if (now < gif_start_frame + recorded) gif_start_frame = now > recorded ? now - recorded : 0;
    const uint64_t due = (now - gif_start_frame) * gif_fps / gif_rate;
    if (due <= gif_taken) return;
    host->present_frame();
    for (; gif_taken < due; ++gif_taken) gif->add_frame(host->surface_pixels(), gif_bytes);
    gif_file.write(gif_bytes.data(), 1, gif_bytes.size());
    gif_bytes.clear();
}

void MainWindow::stop_picture_recording() {
    if (!gif) return;
    GifWriter::finish(gif_bytes);
    gif_file.write(gif_bytes.data(), 1, gif_bytes.size());
    gif_bytes.clear();
    const int32_t frames = gif->frames();
    gif.reset();
    int32_t error = gif_file.finish();
    if (error == 0) error = gif_file.commit();
    if (error != 0) {
        gif_file.discard();
        show_message("The recording could not be saved to " + gif_path + ": " + std::strerror(error) + ".");
        return;
    }
    trace("gif saved " + gif_path + " " + std::to_string(frames));
    show_notice("Recording saved to " + gif_path);
}

// Screen / Pixels: square, or the M5's 8:7 as a TV shows them; the window
// takes the picture's new width at its scale.
void MainWindow::set_tv_pixels(bool on) {
    if (choices.tv_pixels == on) return;
    choices.tv_pixels = on;
    fit_window_to_scale();
    if (picture) gtk_widget_queue_draw(picture);
    show_notice(on ? "Pixels 8:7 as on a TV" : "Square pixels");
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
    if (gif) stop_picture_recording();
    if (indicator_timer != 0) {
        g_source_remove(indicator_timer);
        indicator_timer = 0;
    }
    if (status_timer != 0) {
        g_source_remove(status_timer);
        status_timer = 0;
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
    status_bar = nullptr;
    status_text = nullptr;
    status_count = nullptr;
    status_right = nullptr;
    popups.fill(nullptr);
}

// --- Keys and drawing ----------------------------------------------------------------

gboolean MainWindow::on_key_press(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    const uint32_t scancode = scancode_of(event);
    // The keys the M5 keyboard has no use for act on the window; a key held
    // down repeats its press, which must not act again.
    const bool repeat = scancode < 256 && main->keyboard.is_down(scancode);
    // A key is a sign the problem shown has been read.
    if (!repeat) main->dismiss_problem();
    const WindowShortcut shortcut = window_shortcut(scancode, (event->state & GDK_SHIFT_MASK) != 0, main->fullscreen);
    if (shortcut.key != WindowKey::none) {
        main->keyboard.press(scancode);
        if (repeat) return TRUE;
        switch (shortcut.key) {
            case WindowKey::fullscreen: main->toggle_fullscreen(); break;
            case WindowKey::pause: main->toggle_pause(); break;
            case WindowKey::reset:
                if (main->commands) main->commands->reset();
                break;
            case WindowKey::screenshot: main->take_screenshot(); break;
            case WindowKey::save_slot: main->save_slot(shortcut.slot); break;
            case WindowKey::load_slot: main->load_slot(shortcut.slot); break;
            case WindowKey::rewind:
                if (main->machine_held_by_debugger()) break;
                main->rewinding = true;
                main->next_rewind_us = 0;
                main->trace("rewind 1");
                main->show_notice("Rewinding");
                break;
            case WindowKey::fast_forward: {
                const bool was_on = main->fast_forward_on();
                main->fast_forward_held = true;
                main->fast_forward_changed(was_on);
                break;
            }
            case WindowKey::none: break;
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
        const WindowKey key = window_shortcut(scancode, false, true).key;
        if (key == WindowKey::rewind) main->stop_rewinding();
        if (key == WindowKey::fast_forward) {
            main->fast_forward_held = false;
            main->fast_forward_changed(true);
        }
        return TRUE;
    }
    if (main->host && code != 0) main->host->key_up(code);
    return TRUE;
}

// Running on from the state rewound to.
void MainWindow::stop_rewinding() {
    if (!rewinding) return;
    rewinding = false;
    status.end_notice();
    update_status();
    if (picture) gtk_widget_queue_draw(picture);
    if (host) ring_frames = host->frames_run();
    trace("rewind 0");
}

gboolean MainWindow::on_focus_out(GtkWidget*, GdkEventFocus*, gpointer self) {
    // The release events of keys still down now go to another window.
    auto* main = static_cast<MainWindow*>(self);
    main->stop_rewinding();
    if (main->fast_forward_held) {
        main->fast_forward_held = false;
        main->fast_forward_changed(true);
    }
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

    const PictureLayout layout = picture_layout(gtk_widget_get_allocated_width(widget),
                                                gtk_widget_get_allocated_height(widget), main->choices.tv_pixels);
    cairo_surface_mark_dirty(main->surface);  // the video chip wrote the pixels
    cairo_translate(cr, layout.x, layout.y);
    cairo_scale(cr, static_cast<double>(layout.width) / SURFACE_WIDTH, layout.scale);
    cairo_set_source_surface(cr, main->surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, 0, 0, SURFACE_WIDTH, SURFACE_HEIGHT);
    cairo_fill(cr);
    cairo_identity_matrix(cr);
    if (main->fullscreen) {
        main->draw_status_fullscreen(cr, gtk_widget_get_allocated_width(widget),
                                     gtk_widget_get_allocated_height(widget));
    }
    return TRUE;
}

// A window resized by hand: the Screen popup marks the scale the picture
// is now shown at, and that scale is what is kept.
void MainWindow::on_picture_size_allocate(GtkWidget*, GdkRectangle* allocation, gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    if (main->fullscreen || main->choices.fullscreen) return;
    const int32_t scale = std::clamp(
        picture_layout(allocation->width, allocation->height, main->choices.tv_pixels).scale, 1, MAX_WINDOW_SCALE);
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
