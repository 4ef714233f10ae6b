#include "desktop/menu_model.h"

#include <algorithm>

#include "host/frame_pacer.h"
#include "host/settings.h"

namespace m5 {

namespace {

MenuItem item(int32_t id, const std::string& text, bool radio = false, const std::string& shortcut = "") {
    MenuItem result;
    result.id = id;
    result.text = text;
    result.radio = radio;
    result.shortcut = shortcut;
    return result;
}

// The part of a path after its last '/'.
std::string file_name_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

MenuItem separator() { return MenuItem{}; }

std::vector<MenuItem> recent_placeholders(int32_t first_id) {
    std::vector<MenuItem> items;
    for (int32_t i = 0; i < RECENT_COUNT; ++i) {
        MenuItem entry;
        entry.id = first_id + i;
        entry.text = "Recent " + std::to_string(i + 1);
        items.push_back(entry);
    }
    return items;
}

std::array<MenuPopup, POPUP_COUNT> build_resource() {
    std::array<MenuPopup, POPUP_COUNT> popups;
    popups[POPUP_CONTROL] = {
        "Control",
        {item(ID_RESET, "Reset", false, "F12"), item(ID_PAUSE, "Pause", false, "Pause"),
         item(ID_FAST_FORWARD, "Fast forward (hold F9)", false, "F9"), separator(), item(40003, "CPU x1", true),
         item(40004, "CPU x2", true), item(40005, "CPU x4", true), item(40006, "CPU x8", true),
         item(40007, "CPU x16", true), separator(), item(ID_PASTE, "Paste"), item(ID_PASTE_STOP, "Stop"), separator(),
         item(ID_EXIT, "Exit")}};

    popups[POPUP_MACHINE] = {"Machine", {item(ID_IPL_ROM, "IPL ROM..."), separator()}};
    for (int32_t i = 0; i < M5_MODEL_COUNT; ++i) {
        popups[POPUP_MACHINE].items.push_back(
            item(ID_MODEL_NTSC + i, std::string("Model ") + model_name(static_cast<M5Model>(i)), true));
    }
    popups[POPUP_MACHINE].items.push_back(separator());
    for (int32_t i = 0; i < MEMORY_FIT_COUNT; ++i) {
        popups[POPUP_MACHINE].items.push_back(
            item(ID_MEMORY_4K + i, std::string("Memory ") + memory_name(static_cast<MemoryFit>(i)), true));
    }

    popups[POPUP_CART] = {"Cart", {item(ID_CART_OPEN, "Open"), item(ID_CART_CLOSE, "Close"), separator()}};
    for (const MenuItem& entry : recent_placeholders(ID_CART_RECENT)) popups[POPUP_CART].items.push_back(entry);

    popups[POPUP_TAPE] = {"Tape",
                          {item(ID_TAPE_PLAY, "Play"), item(ID_TAPE_REC, "Rec"), item(ID_TAPE_REWIND, "Rewind"),
                           item(ID_TAPE_CLOSE, "Close"), separator()}};
    for (const MenuItem& entry : recent_placeholders(ID_TAPE_RECENT)) popups[POPUP_TAPE].items.push_back(entry);

    popups[POPUP_SCREEN] = {
        "Screen",
        {item(ID_SCREEN_REC_30, "Rec 30fps"), item(ID_SCREEN_REC_15, "Rec 15fps"), item(ID_SCREEN_REC_10, "Rec 10fps"),
         item(ID_SCREEN_STOP, "Stop"), separator(), item(40084, "Window x1", true), item(40085, "Window x2", true),
         item(ID_WINDOW_X3, "Window x3", true), item(ID_WINDOW_X4, "Window x4", true),
         item(40086, "Fullscreen 640x480", false, "F11"), item(40087, "Fullscreen 320x240", false, "F11"), separator(),
         item(ID_PIXELS_SQUARE, "Square pixels", true), item(ID_PIXELS_TV, "Pixels 8:7 as on a TV", true), separator(),
         item(ID_EVERY_FRAME, "Every frame"), item(ID_SPRITE_LIMIT, "Sprite limit as the real chip"), separator(),
         item(ID_SCREENSHOT, "Screenshot", false, "Print")}};

    popups[POPUP_SOUND] = {"Sound",
                           {item(ID_SOUND_REC, "Rec"),
                            item(ID_SOUND_STOP, "Stop"),
                            separator(),
                            item(40095, "2000Hz", true),
                            item(40096, "4000Hz", true),
                            item(40097, "8000Hz", true),
                            item(40098, "11025Hz", true),
                            item(40099, "22050Hz", true),
                            item(40100, "44100Hz", true),
                            item(40101, "48000Hz", true),
                            separator(),
                            item(40102, "100msec", true),
                            item(40103, "200msec", true),
                            item(40104, "300msec", true),
                            item(40105, "400msec", true),
                            separator(),
                            item(ID_MUTE, "Mute"),
                            item(ID_VOLUME_100, "Volume 100 %", true),
                            item(ID_VOLUME_100 + 1, "Volume 75 %", true),
                            item(ID_VOLUME_100 + 2, "Volume 50 %", true),
                            item(ID_VOLUME_25, "Volume 25 %", true)}};

    popups[POPUP_STATE] = {"State", {item(ID_STATE_SAVE, "Save..."), item(ID_STATE_LOAD, "Load..."), separator()}};
    for (int32_t i = 0; i < STATE_SLOTS; ++i) {
        popups[POPUP_STATE].items.push_back(item(ID_STATE_SLOT_SAVE + i, "Save slot " + std::to_string(i + 1), false,
                                                 "<Shift>F" + std::to_string(i + 1)));
    }
    popups[POPUP_STATE].items.push_back(separator());
    for (int32_t i = 0; i < STATE_SLOTS; ++i) {
        popups[POPUP_STATE].items.push_back(
            item(ID_STATE_SLOT_LOAD + i, "Slot " + std::to_string(i + 1), false, "F" + std::to_string(i + 1)));
    }
    popups[POPUP_STATE].items.push_back(separator());
    popups[POPUP_STATE].items.push_back(item(ID_STATE_REWIND, "Rewind (hold Backspace)", false, "BackSpace"));

    popups[POPUP_SETTINGS] = {"Settings", {item(ID_CONTROLS, "Controls...")}};

    popups[POPUP_DEBUG] = {
        "Debug",
        {item(ID_DEBUG_MONITOR, "Monitor..."), item(ID_DEBUG_VIDEO, "Video memory..."),
         item(ID_DEBUG_LOAD_SYMBOLS, "Load symbols..."), separator(), item(ID_DEBUG_BREAK, "Break"),
         item(ID_DEBUG_CONTINUE, "Continue"), item(ID_DEBUG_STEP, "Step"), item(ID_DEBUG_STEP_OVER, "Step over"),
         item(ID_DEBUG_RUN_TO, "Run to address..."), separator(), item(ID_DEBUG_WAIT_GDB, "Wait for debugger...")}};

    popups[POPUP_HELP] = {"Help", {item(ID_HELP_KEYS, "Keyboard"), item(ID_HELP_ABOUT, "About")}};
    return popups;
}

MenuItem* find_item(std::vector<MenuItem>& items, int32_t id) {
    for (MenuItem& entry : items) {
        if (entry.id == id) return &entry;
    }
    return nullptr;
}

// Checks `chosen` and unchecks every other item of first..last, as a radio
// group.
void check_radio(std::vector<MenuItem>& items, int32_t first, int32_t last, int32_t chosen) {
    for (MenuItem& entry : items) {
        if (entry.id >= first && entry.id <= last) entry.checked = entry.id == chosen;
    }
}

void set_enabled(std::vector<MenuItem>& items, int32_t id, bool enabled) {
    if (MenuItem* entry = find_item(items, id)) entry->enabled = enabled;
}

// Replaces the recent placeholders with the list's entries; "None" (disabled)
// when every entry is empty.
void rebuild_recent(std::vector<MenuItem>& items, int32_t first_id, const std::array<std::string, 8>& paths) {
    std::erase_if(items,
                  [&](const MenuItem& entry) { return entry.id >= first_id && entry.id < first_id + RECENT_COUNT; });
    bool appended = false;
    for (int32_t i = 0; i < RECENT_COUNT; ++i) {
        const std::string& path = paths[static_cast<size_t>(i)];
        if (path.empty()) continue;
        MenuItem entry;
        entry.id = first_id + i;
        entry.text = file_name_of(path);
        entry.tooltip = path;
        items.push_back(entry);
        appended = true;
    }
    if (!appended) {
        MenuItem none;
        none.id = first_id;
        none.text = "None";
        none.enabled = false;
        items.push_back(none);
    }
}

// Recent command: the entry is copied before the list is reordered (moving
// to the front overwrites entry n), and the copy is what is opened. An empty
// entry (the menu never offers one) is left alone.
std::optional<std::string> take_recent(RecentList& list, int32_t n) {
    if (recent_empty(list, n)) return std::nullopt;
    const std::string path = recent_path(list, n);
    promote_recent(list, n, path);
    return path;
}

}  // namespace

std::string window_title(const std::string& pacer_title, const std::string& cartridge, const std::string& status) {
    const std::string base = WINDOW_TITLE;
    std::string rest;
    if (pacer_title.size() > base.size() + 3 && pacer_title.compare(0, base.size() + 3, base + " - ") == 0) {
        rest = pacer_title.substr(base.size() + 3);
    }
    if (!status.empty()) rest = status;
    std::string name = cartridge;
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    std::string title = base;
    if (!name.empty()) title += " - " + name;
    if (!rest.empty()) title += " - " + rest;
    return title;
}

void add_recent(RecentList& list, const std::string& path) { promote_recent(list, find_recent(list, path), path); }

MediaKind media_kind(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return MediaKind::unknown;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (extension == "rom") return MediaKind::cartridge;
    if (extension == "wav" || extension == "cas") return MediaKind::tape;
    if (extension == "m5s") return MediaKind::state;
    return MediaKind::unknown;
}

bool open_media_file(const std::string& path, Settings& settings, CommandReceiver& host) {
    switch (media_kind(path)) {
        case MediaKind::cartridge:
            if (!host.open_cartridge(path)) return false;
            add_recent(settings.recent_carts, path);
            return true;
        case MediaKind::tape:
            if (!host.tape_play(path)) return false;
            add_recent(settings.recent_tapes, path);
            return true;
        case MediaKind::state: host.load_state(path); return true;
        case MediaKind::unknown: break;
    }
    return false;
}

std::string proposed_state_name(const std::string& cartridge, const std::string& stamp) {
    std::string stem = cartridge;
    const size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) stem.erase(dot);
    if (stem.empty()) stem = "m5";
    return stem + " " + stamp + ".m5s";
}

std::string with_state_extension(const std::string& path) {
    return media_kind(path) == MediaKind::state ? path : path + ".m5s";
}

const std::array<MenuPopup, POPUP_COUNT>& menu_resource() {
    static const std::array<MenuPopup, POPUP_COUNT> popups = build_resource();
    return popups;
}

MenuView menu_view(const Settings& settings, bool host_exists, bool recording) {
    MenuView view;
    view.cpu_speed = settings.cpu_speed;
    view.sample_rate_index = settings.sample_rate_index;
    view.buffer_length_index = settings.buffer_length_index;
    for (int32_t i = 0; i < RECENT_COUNT; ++i) {
        view.recent_carts[static_cast<size_t>(i)] = recent_path(settings.recent_carts, i);
        view.recent_tapes[static_cast<size_t>(i)] = recent_path(settings.recent_tapes, i);
    }
    view.host_exists = host_exists;
    view.recording = recording;
    return view;
}

std::vector<MenuItem> popup_items(int32_t index, const MenuView& view) {
    if (index < 0 || index >= POPUP_COUNT) return {};
    std::vector<MenuItem> items = menu_resource()[static_cast<size_t>(index)].items;
    switch (index) {
        case POPUP_CONTROL: {
            const int32_t speed = view.cpu_speed >= 0 && view.cpu_speed <= 3 ? view.cpu_speed : 4;
            check_radio(items, ID_CPU_X1, ID_CPU_X16, ID_CPU_X1 + speed);
            set_enabled(items, ID_PASTE, view.clipboard_has_text);
            set_enabled(items, ID_PASTE_STOP, view.pasting);
            find_item(items, ID_PAUSE)->checked = view.paused;
            find_item(items, ID_FAST_FORWARD)->checked = view.fast_forward;
            break;
        }
        case POPUP_MACHINE:
            check_radio(items, ID_MODEL_NTSC, ID_MODEL_PAL, ID_MODEL_NTSC + static_cast<int32_t>(view.machine.model));
            check_radio(items, ID_MEMORY_4K, ID_MEMORY_KBF_2C,
                        ID_MEMORY_4K + static_cast<int32_t>(view.machine.memory));
            break;
        case POPUP_CART: rebuild_recent(items, ID_CART_RECENT, view.recent_carts); break;
        case POPUP_TAPE:
            rebuild_recent(items, ID_TAPE_RECENT, view.recent_tapes);
            set_enabled(items, ID_TAPE_REWIND, view.tape_playing);
            if (!view.tape_text.empty()) {
                MenuItem info = item(ID_TAPE_INFO, view.tape_text);
                info.enabled = false;
                items.insert(items.begin(), {info, separator()});
            }
            break;
        case POPUP_SCREEN: {
            for (int32_t id = ID_SCREEN_REC_30; id <= ID_SCREEN_REC_10; ++id) {
                set_enabled(items, id, !view.recording_pictures);
            }
            set_enabled(items, ID_SCREEN_STOP, view.recording_pictures);
            const int32_t scale = std::clamp(view.window_scale, 1, MAX_WINDOW_SCALE);
            const int32_t scale_id = scale <= 2 ? ID_WINDOW_X1 + scale - 1 : ID_WINDOW_X3 + scale - 3;
            for (MenuItem& entry : items) {
                const bool window_size = entry.id == ID_WINDOW_X1 || entry.id == ID_WINDOW_X2 ||
                                         entry.id == ID_WINDOW_X3 || entry.id == ID_WINDOW_X4;
                if (window_size) entry.checked = !view.fullscreen && entry.id == scale_id;
                if (entry.id == ID_FULLSCREEN_640 || entry.id == ID_FULLSCREEN_320) entry.checked = view.fullscreen;
            }
            check_radio(items, ID_PIXELS_SQUARE, ID_PIXELS_TV, view.tv_pixels ? ID_PIXELS_TV : ID_PIXELS_SQUARE);
            find_item(items, ID_EVERY_FRAME)->checked = view.every_frame;
            find_item(items, ID_SPRITE_LIMIT)->checked = view.sprite_limit;
            break;
        }
        case POPUP_SOUND: {
            set_enabled(items, ID_SOUND_REC, !view.host_exists || !view.recording);
            set_enabled(items, ID_SOUND_STOP, !view.host_exists || view.recording);
            const int32_t rate =
                view.sample_rate_index >= 0 && view.sample_rate_index <= 5 ? view.sample_rate_index : 6;
            check_radio(items, ID_RATE_2000, ID_RATE_48000, ID_RATE_2000 + rate);
            const int32_t buffer =
                view.buffer_length_index >= 0 && view.buffer_length_index <= 2 ? view.buffer_length_index : 3;
            check_radio(items, ID_BUFFER_100, ID_BUFFER_400, ID_BUFFER_100 + buffer);
            find_item(items, ID_MUTE)->checked = view.muted;
            const int32_t quarters = std::clamp(view.volume_percent / 25, 1, 4);
            check_radio(items, ID_VOLUME_100, ID_VOLUME_25, ID_VOLUME_100 + 4 - quarters);
            break;
        }
        case POPUP_STATE: {
            for (int32_t i = 0; i < STATE_SLOTS; ++i) {
                MenuItem* load = find_item(items, ID_STATE_SLOT_LOAD + i);
                const std::string& time = view.slot_times[static_cast<size_t>(i)];
                const bool unreadable = view.slot_unreadable[static_cast<size_t>(i)];
                load->text += unreadable ? " (unreadable)" : time.empty() ? " (empty)" : "  " + time;
                load->enabled = !unreadable && !time.empty();
            }
            set_enabled(items, ID_STATE_REWIND, view.can_rewind);
            break;
        }
        case POPUP_DEBUG:
            set_enabled(items, ID_DEBUG_BREAK, !view.debug_stopped);
            for (const int32_t id : {ID_DEBUG_CONTINUE, ID_DEBUG_STEP, ID_DEBUG_STEP_OVER, ID_DEBUG_RUN_TO})
                set_enabled(items, id, view.debug_stopped);
            set_enabled(items, ID_DEBUG_WAIT_GDB, !view.debugger_serving);
            break;
        default: break;
    }
    return items;
}

std::string describe_popup(const std::string& title, const std::vector<MenuItem>& items) {
    std::string text = title + ":";
    bool first = true;
    for (const MenuItem& entry : items) {
        text += first ? " " : " | ";
        first = false;
        if (entry.id == ID_SEPARATOR) {
            text += "-";
            continue;
        }
        text += std::to_string(entry.id) + " \"" + entry.text + "\"";
        if (!entry.shortcut.empty()) text += " key " + entry.shortcut;
        if (entry.checked) text += " checked";
        if (!entry.enabled) text += " disabled";
    }
    return text;
}

void dispatch_command(int32_t id, Settings& settings, CommandReceiver* host, CommandWindow& window) {
    if (id >= ID_CPU_X1 && id <= ID_CPU_X16) {
        settings.cpu_speed = id - ID_CPU_X1;
        if (host) host->apply_settings();
        return;
    }
    if (id >= ID_RATE_2000 && id <= ID_RATE_48000) {
        settings.sample_rate_index = id - ID_RATE_2000;
        if (host) host->apply_sound_settings();
        return;
    }
    if (id >= ID_BUFFER_100 && id <= ID_BUFFER_400) {
        settings.buffer_length_index = id - ID_BUFFER_100;
        if (host) host->apply_sound_settings();
        return;
    }
    if (id >= ID_MODEL_NTSC && id <= ID_MODEL_PAL) {
        window.choose_model(static_cast<M5Model>(id - ID_MODEL_NTSC));
        return;
    }
    if (id >= ID_MEMORY_4K && id <= ID_MEMORY_KBF_2C) {
        window.choose_memory(static_cast<MemoryFit>(id - ID_MEMORY_4K));
        return;
    }
    if (id >= ID_VOLUME_100 && id <= ID_VOLUME_25) {
        window.set_volume(100 - 25 * (id - ID_VOLUME_100));
        return;
    }
    if (id >= ID_CART_RECENT && id < ID_CART_RECENT + RECENT_COUNT) {
        const int32_t n = id - ID_CART_RECENT;
        if (recent_empty(settings.recent_carts, n)) return;
        const std::string path = recent_path(settings.recent_carts, n);
        // Without a host the list is still reordered; with one, only a file
        // that opens moves to the front.
        if (!host || host->open_cartridge(path)) take_recent(settings.recent_carts, n);
        return;
    }
    if (id >= ID_STATE_SLOT_SAVE && id < ID_STATE_SLOT_SAVE + STATE_SLOTS) {
        if (host) host->save_slot(id - ID_STATE_SLOT_SAVE);
        return;
    }
    if (id >= ID_STATE_SLOT_LOAD && id < ID_STATE_SLOT_LOAD + STATE_SLOTS) {
        if (host) host->load_slot(id - ID_STATE_SLOT_LOAD);
        return;
    }
    if (id >= ID_TAPE_RECENT && id < ID_TAPE_RECENT + RECENT_COUNT) {
        const int32_t n = id - ID_TAPE_RECENT;
        if (recent_empty(settings.recent_tapes, n)) return;
        const std::string path = recent_path(settings.recent_tapes, n);
        if (!host || host->tape_play(path)) take_recent(settings.recent_tapes, n);
        return;
    }
    switch (id) {
        case ID_EXIT: window.request_close(); return;
        case ID_WINDOW_X1:
        case ID_WINDOW_X2: window.set_window_scale(id - ID_WINDOW_X1 + 1); return;
        case ID_WINDOW_X3:
        case ID_WINDOW_X4: window.set_window_scale(id - ID_WINDOW_X3 + 3); return;
        case ID_FULLSCREEN_640:
        case ID_FULLSCREEN_320: window.toggle_fullscreen(); return;
        case ID_PAUSE: window.toggle_pause(); return;
        case ID_EVERY_FRAME: window.toggle_every_frame(); return;
        case ID_SPRITE_LIMIT: window.toggle_sprite_limit(); return;
        case ID_HELP_KEYS: window.show_keyboard_help(); return;
        case ID_CONTROLS: window.show_controls(); return;
        case ID_HELP_ABOUT: window.show_about(); return;
        case ID_IPL_ROM: window.choose_ipl_rom(); return;
        case ID_FAST_FORWARD: window.toggle_fast_forward(); return;
        case ID_SCREEN_REC_30: window.start_picture_recording(30); return;
        case ID_SCREEN_REC_15: window.start_picture_recording(15); return;
        case ID_SCREEN_REC_10: window.start_picture_recording(10); return;
        case ID_SCREEN_STOP: window.stop_picture_recording(); return;
        case ID_TAPE_REWIND: window.rewind_tape(); return;
        case ID_PIXELS_SQUARE:
        case ID_PIXELS_TV: window.set_tv_pixels(id == ID_PIXELS_TV); return;
        case ID_SCREENSHOT: window.take_screenshot(); return;
        case ID_MUTE: window.toggle_mute(); return;
        case ID_DEBUG_MONITOR:
        case ID_DEBUG_VIDEO:
        case ID_DEBUG_BREAK:
        case ID_DEBUG_CONTINUE:
        case ID_DEBUG_STEP:
        case ID_DEBUG_STEP_OVER:
        case ID_DEBUG_RUN_TO:
        case ID_DEBUG_WAIT_GDB:
        case ID_DEBUG_LOAD_SYMBOLS: window.debug_command(id); return;
        case ID_CART_OPEN: {
            if (!host) return;
            const std::optional<std::string> path = window.choose_file(FileDialogKind::cartridge);
            if (!path) return;
            if (host->open_cartridge(*path)) add_recent(settings.recent_carts, *path);
            return;
        }
        case ID_STATE_SAVE:
        case ID_STATE_LOAD: {
            if (!host) return;
            const bool save = id == ID_STATE_SAVE;
            const std::optional<std::string> path =
                window.choose_file(save ? FileDialogKind::state_save : FileDialogKind::state_load);
            if (!path) return;
            if (save) {
                host->save_state(*path);
            } else {
                host->load_state(*path);
            }
            return;
        }
        case ID_TAPE_PLAY:
        case ID_TAPE_REC: {
            if (!host) return;
            const std::optional<std::string> path =
                window.choose_file(id == ID_TAPE_PLAY ? FileDialogKind::tape_play : FileDialogKind::tape_record);
            if (!path) return;
            const bool opened = id == ID_TAPE_PLAY ? host->tape_play(*path) : host->tape_record(*path);
            if (opened) add_recent(settings.recent_tapes, *path);
            return;
        }
        default: break;
    }
    if (!host) return;
    switch (id) {
        case ID_RESET: host->reset(); break;
        case ID_PASTE: host->paste_start(); break;
        case ID_PASTE_STOP: host->paste_stop(); break;
        case ID_CART_CLOSE: host->close_cartridge(); break;
        case ID_TAPE_CLOSE: host->tape_close(); break;
        case ID_STATE_REWIND: host->rewind_step(); break;
        case ID_SOUND_REC: host->start_recording(); break;
        case ID_SOUND_STOP: host->stop_recording(); break;
        default: break;
    }
}

}  // namespace m5
