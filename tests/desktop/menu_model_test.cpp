#include "desktop/menu_model.h"

#include <gtest/gtest.h>

#include <deque>

#include "host/settings.h"

namespace m5 {
namespace {

std::vector<int32_t> ids_of(const std::vector<MenuItem>& items) {
    std::vector<int32_t> ids;
    for (const MenuItem& entry : items) ids.push_back(entry.id);
    return ids;
}

std::vector<int32_t> checked_ids(const std::vector<MenuItem>& items) {
    std::vector<int32_t> ids;
    for (const MenuItem& entry : items) {
        if (entry.checked) ids.push_back(entry.id);
    }
    return ids;
}

const MenuItem& item_with(const std::vector<MenuItem>& items, int32_t id) {
    for (const MenuItem& entry : items) {
        if (entry.id == id) return entry;
    }
    throw std::runtime_error("no item " + std::to_string(id));
}

TEST(MenuResource, popups_with_their_ids_and_texts_in_order) {
    const auto& popups = menu_resource();
    ASSERT_EQ(popups.size(), 10u);
    EXPECT_EQ(popups[0].title, "Control");
    EXPECT_EQ(popups[1].title, "Machine");
    EXPECT_EQ(popups[2].title, "Cart");
    EXPECT_EQ(popups[3].title, "Tape");
    EXPECT_EQ(popups[4].title, "Screen");
    EXPECT_EQ(popups[5].title, "Sound");
    EXPECT_EQ(popups[6].title, "State");
    EXPECT_EQ(popups[7].title, "Settings");
    EXPECT_EQ(popups[8].title, "Debug");
    EXPECT_EQ(popups[9].title, "Help");

    EXPECT_EQ(describe_popup(popups[0].title, popups[0].items),
              "Control: 40001 \"Reset\" key F12 | 40122 \"Pause\" key Pause | 40190 \"Fast forward (hold F9)\" key F9 "
              "| - | 40003 \"CPU x1\" | 40004 \"CPU x2\" "
              "| 40005 \"CPU x4\" | "
              "40006 \"CPU x8\" | 40007 \"CPU x16\" | - | 40118 \"Paste\" | 40119 \"Stop\" | - | 40008 \"Exit\"");
    EXPECT_EQ(describe_popup(popups[1].title, popups[1].items),
              "Machine: 40160 \"IPL ROM...\" | - | 40161 \"Model 60 Hz\" | 40162 \"Model 50 Hz\" | - | "
              "40163 \"Memory 4 KiB\" | 40164 \"Memory 32 KiB\" | 40165 \"Memory 64KBF 2B\" | "
              "40166 \"Memory 64KBF 2C\"");
    EXPECT_EQ(describe_popup(popups[2].title, popups[2].items),
              "Cart: 40049 \"Open\" | 40050 \"Close\" | - | 40051 \"Recent 1\" | 40052 \"Recent 2\" | "
              "40053 \"Recent 3\" | 40054 \"Recent 4\" | 40055 \"Recent 5\" | 40056 \"Recent 6\" | "
              "40057 \"Recent 7\" | 40058 \"Recent 8\"");
    EXPECT_EQ(describe_popup(popups[3].title, popups[3].items),
              "Tape: 40059 \"Play\" | 40060 \"Rec\" | 40191 \"Rewind\" | 40061 \"Close\" | - | 40062 \"Recent 1\" | "
              "40063 \"Recent 2\" | 40064 \"Recent 3\" | 40065 \"Recent 4\" | 40066 \"Recent 5\" | "
              "40067 \"Recent 6\" | 40068 \"Recent 7\" | 40069 \"Recent 8\"");
    EXPECT_EQ(describe_popup(popups[4].title, popups[4].items),
              "Screen: 40080 \"Rec 30fps\" | 40081 \"Rec 15fps\" | 40082 \"Rec 10fps\" | 40083 \"Stop\" | - | "
              "40084 \"Window x1\" | 40085 \"Window x2\" | 40120 \"Window x3\" | 40121 \"Window x4\" | "
              "40086 \"Fullscreen 640x480\" key F11 | 40087 \"Fullscreen 320x240\" key F11 | - | "
              "40193 \"Square pixels\" | 40194 \"Pixels 8:7 as on a TV\" | - | "
              "40123 \"Every frame\" | 40125 \"Sprite limit as the real chip\" | - | 40150 \"Screenshot\" key Print");
    EXPECT_EQ(describe_popup(popups[5].title, popups[5].items),
              "Sound: 40093 \"Rec\" | 40094 \"Stop\" | - | 40095 \"2000Hz\" | 40096 \"4000Hz\" | 40097 \"8000Hz\" | "
              "40098 \"11025Hz\" | 40099 \"22050Hz\" | 40100 \"44100Hz\" | 40101 \"48000Hz\" | - | "
              "40102 \"100msec\" | 40103 \"200msec\" | 40104 \"300msec\" | 40105 \"400msec\" | - | "
              "40151 \"Mute\" | 40152 \"Volume 100 %\" | 40153 \"Volume 75 %\" | 40154 \"Volume 50 %\" | "
              "40155 \"Volume 25 %\"");
    EXPECT_EQ(describe_popup(popups[7].title, popups[7].items), "Settings: 40200 \"Controls...\"");
    EXPECT_EQ(describe_popup(popups[8].title, popups[8].items),
              "Debug: 40170 \"Monitor...\" | 40171 \"Video memory...\" | 40178 \"Load symbols...\" | - | 40172 "
              "\"Break\" | 40173 \"Continue\" | "
              "40174 \"Step\" | 40175 \"Step over\" | 40176 \"Run to address...\" | - | "
              "40177 \"Wait for debugger...\"");
    EXPECT_EQ(describe_popup(popups[9].title, popups[9].items), "Help: 40124 \"Keyboard\" | 40156 \"About\"");
}

TEST(PopupItems, debug_offers_break_while_running_and_the_stepping_commands_while_stopped) {
    MenuView view;
    std::vector<MenuItem> items = popup_items(POPUP_DEBUG, view);
    EXPECT_TRUE(item_with(items, ID_DEBUG_BREAK).enabled);
    EXPECT_FALSE(item_with(items, ID_DEBUG_STEP).enabled);
    EXPECT_TRUE(item_with(items, ID_DEBUG_WAIT_GDB).enabled);
    view.debug_stopped = true;
    view.debugger_serving = true;
    items = popup_items(POPUP_DEBUG, view);
    EXPECT_FALSE(item_with(items, ID_DEBUG_BREAK).enabled);
    for (const int32_t id : {ID_DEBUG_CONTINUE, ID_DEBUG_STEP, ID_DEBUG_STEP_OVER, ID_DEBUG_RUN_TO})
        EXPECT_TRUE(item_with(items, id).enabled) << id;
    EXPECT_FALSE(item_with(items, ID_DEBUG_WAIT_GDB).enabled);
}

TEST(PopupItems, control_marks_the_stored_speed_once_and_enables_paste_by_clipboard_and_stop_by_paste) {
    MenuView view;
    view.cpu_speed = 2;
    std::vector<MenuItem> items = popup_items(POPUP_CONTROL, view);
    EXPECT_EQ(checked_ids(items), std::vector<int32_t>{40005});
    EXPECT_TRUE(item_with(items, 40005).radio);
    EXPECT_FALSE(item_with(items, ID_PASTE).enabled);
    EXPECT_FALSE(item_with(items, ID_PASTE_STOP).enabled);
    EXPECT_TRUE(item_with(items, ID_RESET).enabled);
    EXPECT_TRUE(item_with(items, ID_EXIT).enabled);

    view.clipboard_has_text = true;
    view.paused = true;
    items = popup_items(POPUP_CONTROL, view);
    EXPECT_TRUE(item_with(items, ID_PASTE).enabled);
    EXPECT_FALSE(item_with(items, ID_PASTE_STOP).enabled);
    EXPECT_EQ(checked_ids(items), (std::vector<int32_t>{ID_PAUSE, 40005}));
    view.clipboard_has_text = false;
    view.paused = false;
    view.pasting = true;
    items = popup_items(POPUP_CONTROL, view);
    EXPECT_FALSE(item_with(items, ID_PASTE).enabled);
    EXPECT_TRUE(item_with(items, ID_PASTE_STOP).enabled);

    view.cpu_speed = 0;
    EXPECT_EQ(checked_ids(popup_items(POPUP_CONTROL, view)), std::vector<int32_t>{40003});
    view.cpu_speed = 7;  // any value outside 0..3 marks x16
    EXPECT_EQ(checked_ids(popup_items(POPUP_CONTROL, view)), std::vector<int32_t>{40007});
    view.cpu_speed = -1;
    EXPECT_EQ(checked_ids(popup_items(POPUP_CONTROL, view)), std::vector<int32_t>{40007});
}

TEST(PopupItems, empty_recent_lists_show_one_disabled_none) {
    const MenuView view;
    std::vector<MenuItem> cart = popup_items(POPUP_CART, view);
    EXPECT_EQ(ids_of(cart), (std::vector<int32_t>{40049, 40050, ID_SEPARATOR, 40051}));
    EXPECT_EQ(cart.back().text, "None");
    EXPECT_FALSE(cart.back().enabled);

    std::vector<MenuItem> tape = popup_items(POPUP_TAPE, view);
    EXPECT_EQ(ids_of(tape), (std::vector<int32_t>{40059, 40060, ID_TAPE_REWIND, 40061, ID_SEPARATOR, 40062}));
    EXPECT_EQ(tape.back().text, "None");
    EXPECT_FALSE(tape.back().enabled);
}

TEST(PopupItems, recent_entries_keep_their_ids_and_show_their_names_with_the_path_as_tooltip) {
    MenuView view;
    view.recent_carts[0] = "/games/a.rom";
    view.recent_carts[2] = "/games/c_d.rom";
    view.recent_tapes[7] = "/tapes/last.cas";
    std::vector<MenuItem> cart = popup_items(POPUP_CART, view);
    EXPECT_EQ(ids_of(cart), (std::vector<int32_t>{40049, 40050, ID_SEPARATOR, 40051, 40053}));
    EXPECT_EQ(item_with(cart, 40051).text, "a.rom");
    EXPECT_EQ(item_with(cart, 40051).tooltip, "/games/a.rom");
    EXPECT_EQ(item_with(cart, 40053).text, "c_d.rom");
    EXPECT_TRUE(item_with(cart, 40053).enabled);

    std::vector<MenuItem> tape = popup_items(POPUP_TAPE, view);
    EXPECT_EQ(ids_of(tape), (std::vector<int32_t>{40059, 40060, ID_TAPE_REWIND, 40061, ID_SEPARATOR, 40069}));
    EXPECT_FALSE(item_with(tape, ID_TAPE_REWIND).enabled);
    view.tape_text = "oscar.cas  0:05 / 4:10";
    view.tape_playing = true;
    const std::vector<MenuItem> playing = popup_items(POPUP_TAPE, view);
    EXPECT_EQ(playing[0].text, "oscar.cas  0:05 / 4:10");
    EXPECT_FALSE(playing[0].enabled);
    EXPECT_TRUE(item_with(playing, ID_TAPE_REWIND).enabled);
    EXPECT_EQ(tape.back().text, "last.cas");
    EXPECT_EQ(tape.back().tooltip, "/tapes/last.cas");
}

TEST(PopupItems, screen_offers_rec_or_stop_and_marks_the_window_scale_or_fullscreen) {
    MenuView view;
    view.window_scale = 3;
    std::vector<MenuItem> items = popup_items(POPUP_SCREEN, view);
    for (int32_t id = ID_SCREEN_REC_30; id <= ID_SCREEN_STOP; ++id) {
        EXPECT_EQ(item_with(items, id).enabled, id != ID_SCREEN_STOP);
        view.recording_pictures = true;
        EXPECT_EQ(item_with(popup_items(POPUP_SCREEN, view), id).enabled, id == ID_SCREEN_STOP);
        view.recording_pictures = false;
    }
    EXPECT_TRUE(item_with(items, ID_WINDOW_X1).enabled);
    EXPECT_TRUE(item_with(items, ID_FULLSCREEN_640).enabled);
    EXPECT_EQ(checked_ids(items), (std::vector<int32_t>{ID_WINDOW_X3, ID_PIXELS_SQUARE, ID_EVERY_FRAME}));

    view.fullscreen = true;
    view.every_frame = false;
    EXPECT_EQ(checked_ids(popup_items(POPUP_SCREEN, view)),
              (std::vector<int32_t>{ID_FULLSCREEN_640, ID_FULLSCREEN_320, ID_PIXELS_SQUARE}));
    view.fullscreen = false;
    view.window_scale = 1;
    view.tv_pixels = true;
    EXPECT_EQ(checked_ids(popup_items(POPUP_SCREEN, view)), (std::vector<int32_t>{ID_WINDOW_X1, ID_PIXELS_TV}));
    view.sprite_limit = true;
    EXPECT_EQ(checked_ids(popup_items(POPUP_SCREEN, view)),
              (std::vector<int32_t>{ID_WINDOW_X1, ID_PIXELS_TV, ID_SPRITE_LIMIT}));
}

TEST(PopupItems, sound_rec_and_stop_follow_the_recording_state) {
    MenuView view;
    view.host_exists = true;
    view.recording = false;
    std::vector<MenuItem> items = popup_items(POPUP_SOUND, view);
    EXPECT_TRUE(item_with(items, ID_SOUND_REC).enabled);
    EXPECT_FALSE(item_with(items, ID_SOUND_STOP).enabled);

    view.recording = true;
    items = popup_items(POPUP_SOUND, view);
    EXPECT_FALSE(item_with(items, ID_SOUND_REC).enabled);
    EXPECT_TRUE(item_with(items, ID_SOUND_STOP).enabled);

    view.host_exists = false;
    items = popup_items(POPUP_SOUND, view);
    EXPECT_TRUE(item_with(items, ID_SOUND_REC).enabled);
    EXPECT_TRUE(item_with(items, ID_SOUND_STOP).enabled);
}

TEST(PopupItems, sound_marks_rate_and_buffer_and_out_of_range_marks_the_last) {
    MenuView view;
    view.sample_rate_index = 2;
    view.buffer_length_index = 1;
    EXPECT_EQ(checked_ids(popup_items(POPUP_SOUND, view)), (std::vector<int32_t>{40097, 40103, ID_VOLUME_100}));
    view.sample_rate_index = 9;
    view.buffer_length_index = -1;
    EXPECT_EQ(checked_ids(popup_items(POPUP_SOUND, view)), (std::vector<int32_t>{40101, 40105, ID_VOLUME_100}));
    view.sample_rate_index = 6;
    view.buffer_length_index = 3;
    EXPECT_EQ(checked_ids(popup_items(POPUP_SOUND, view)), (std::vector<int32_t>{40101, 40105, ID_VOLUME_100}));
}

TEST(PopupItems, unknown_popup_has_no_items) {
    EXPECT_TRUE(popup_items(POPUP_COUNT, MenuView{}).empty());
    EXPECT_TRUE(popup_items(-1, MenuView{}).empty());
}

TEST(MenuView, default_settings_show_x1_4000hz_100msec_and_no_recent_entries) {
    Settings settings;
    settings.default_settings();
    const MenuView view = menu_view(settings, true, false);
    EXPECT_EQ(checked_ids(popup_items(POPUP_CONTROL, view)), std::vector<int32_t>{40003});
    EXPECT_EQ(checked_ids(popup_items(POPUP_SOUND, view)), (std::vector<int32_t>{40096, 40102, ID_VOLUME_100}));
    EXPECT_EQ(popup_items(POPUP_CART, view).back().text, "None");
    EXPECT_EQ(popup_items(POPUP_TAPE, view).back().text, "None");
}

// --- Command dispatch -------------------------------------------------------

struct RecordingHost : CommandReceiver {
    std::vector<std::string> calls;
    std::string unusable;  // the file that cannot be opened
    void reset() override { calls.push_back("reset"); }
    void apply_settings() override { calls.push_back("apply_settings"); }
    void apply_sound_settings() override { calls.push_back("apply_sound_settings"); }
    void paste_start() override { calls.push_back("paste_start"); }
    void paste_stop() override { calls.push_back("paste_stop"); }
    bool open_cartridge(const std::string& path) override {
        calls.push_back("open_cartridge " + path);
        return path != unusable;
    }
    void close_cartridge() override { calls.push_back("close_cartridge"); }
    bool tape_play(const std::string& path) override {
        calls.push_back("tape_play " + path);
        return path != unusable;
    }
    bool tape_record(const std::string& path) override {
        calls.push_back("tape_record " + path);
        return path != unusable;
    }
    void tape_close() override { calls.push_back("tape_close"); }
    void start_recording() override { calls.push_back("start_recording"); }
    void stop_recording() override { calls.push_back("stop_recording"); }
    void save_state(const std::string& path) override { calls.push_back("save_state " + path); }
    void load_state(const std::string& path) override { calls.push_back("load_state " + path); }
    void save_slot(int32_t slot) override { calls.push_back("save_slot " + std::to_string(slot)); }
    void load_slot(int32_t slot) override { calls.push_back("load_slot " + std::to_string(slot)); }
    void rewind_step() override { calls.push_back("rewind"); }
};

struct ScriptedWindow : CommandWindow {
    std::deque<std::optional<std::string>> answers;
    std::vector<FileDialogKind> dialogs;
    std::vector<std::string> calls;
    int close_requests = 0;
    void set_window_scale(int32_t scale) override { calls.push_back("scale " + std::to_string(scale)); }
    void toggle_fullscreen() override { calls.push_back("fullscreen"); }
    void toggle_pause() override { calls.push_back("pause"); }
    void toggle_every_frame() override { calls.push_back("every_frame"); }
    void toggle_sprite_limit() override { calls.push_back("sprite_limit"); }
    void show_keyboard_help() override { calls.push_back("help"); }
    void show_controls() override { calls.push_back("controls"); }
    void show_about() override { calls.push_back("about"); }
    void take_screenshot() override { calls.push_back("screenshot"); }
    void toggle_mute() override { calls.push_back("mute"); }
    void set_volume(int32_t percent) override { calls.push_back("volume " + std::to_string(percent)); }
    void toggle_fast_forward() override { calls.push_back("fast_forward"); }
    void start_picture_recording(int32_t fps) override { calls.push_back("gif " + std::to_string(fps)); }
    void stop_picture_recording() override { calls.push_back("gif stop"); }
    void rewind_tape() override { calls.push_back("rewind tape"); }
    void set_tv_pixels(bool on) override { calls.push_back(on ? "tv pixels" : "square pixels"); }
    void choose_model(M5Model model) override { calls.push_back(std::string("model ") + model_key(model)); }
    void choose_memory(MemoryFit memory) override { calls.push_back(std::string("memory ") + memory_key(memory)); }
    std::optional<std::string> choose_file(FileDialogKind kind) override {
        dialogs.push_back(kind);
        if (answers.empty()) return std::nullopt;
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void request_close() override { ++close_requests; }
};

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override { settings.default_settings(); }

    // Puts the paths into entries 0, 1, ... in the order given.
    static void fill(RecentList& list, std::vector<std::string> entries) {
        for (auto path = entries.rbegin(); path != entries.rend(); ++path) {
            ASSERT_TRUE(promote_recent(list, RECENT_COUNT - 1, *path));
        }
    }

    std::vector<std::string> paths(const RecentList& list) {
        std::vector<std::string> result;
        for (int32_t i = 0; i < RECENT_COUNT; ++i) result.push_back(recent_path(list, i));
        return result;
    }

    Settings settings;
    RecordingHost host;
    ScriptedWindow window;
};

TEST_F(Dispatch, recent_three_moves_c_to_the_front_and_opens_it) {
    fill(settings.recent_carts, {"A", "B", "C", "D"});
    dispatch_command(40053, settings, &host, window);
    EXPECT_EQ(paths(settings.recent_carts), (std::vector<std::string>{"C", "A", "B", "D", "", "", "", ""}));
    EXPECT_EQ(host.calls, std::vector<std::string>{"open_cartridge C"});
}

TEST_F(Dispatch, recent_tape_plays_the_copied_entry) {
    fill(settings.recent_tapes, {"t1.wav", "t2.cas"});
    dispatch_command(40063, settings, &host, window);
    EXPECT_EQ(paths(settings.recent_tapes)[0], "t2.cas");
    EXPECT_EQ(paths(settings.recent_tapes)[1], "t1.wav");
    EXPECT_EQ(host.calls, std::vector<std::string>{"tape_play t2.cas"});
}

TEST_F(Dispatch, recent_commands_reorder_even_without_a_host) {
    fill(settings.recent_carts, {"A", "B", "C"});
    dispatch_command(40052, settings, nullptr, window);
    EXPECT_EQ(paths(settings.recent_carts)[0], "B");
    EXPECT_EQ(paths(settings.recent_carts)[1], "A");
}

TEST_F(Dispatch, recent_command_for_an_empty_entry_does_nothing) {
    fill(settings.recent_carts, {"A"});
    dispatch_command(40055, settings, &host, window);
    EXPECT_EQ(paths(settings.recent_carts)[0], "A");
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(Dispatch, cartridge_dialog_path_already_listed_moves_to_front) {
    fill(settings.recent_carts, {"A", "B", "C", "D", "E", "F", "G", "H"});
    window.answers.push_back("F");
    dispatch_command(ID_CART_OPEN, settings, &host, window);
    EXPECT_EQ(window.dialogs, std::vector<FileDialogKind>{FileDialogKind::cartridge});
    EXPECT_EQ(paths(settings.recent_carts), (std::vector<std::string>{"F", "A", "B", "C", "D", "E", "G", "H"}));
    EXPECT_EQ(host.calls, std::vector<std::string>{"open_cartridge F"});
}

TEST_F(Dispatch, cartridge_dialog_new_path_drops_the_last_entry) {
    fill(settings.recent_carts, {"A", "B", "C", "D", "E", "F", "G", "H"});
    window.answers.push_back("X");
    dispatch_command(ID_CART_OPEN, settings, &host, window);
    EXPECT_EQ(paths(settings.recent_carts), (std::vector<std::string>{"X", "A", "B", "C", "D", "E", "F", "G"}));
}

TEST_F(Dispatch, cancelled_dialog_changes_nothing) {
    fill(settings.recent_carts, {"A", "B"});
    const std::vector<uint8_t> before = settings.image();
    window.answers.push_back(std::nullopt);
    window.answers.push_back(std::nullopt);
    window.answers.push_back(std::nullopt);
    dispatch_command(ID_CART_OPEN, settings, &host, window);
    dispatch_command(ID_TAPE_PLAY, settings, &host, window);
    dispatch_command(ID_TAPE_REC, settings, &host, window);
    EXPECT_EQ(window.dialogs.size(), 3u);
    EXPECT_EQ(settings.image(), before);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(Dispatch, tape_play_and_rec_use_the_tape_dialog_and_the_tape_list) {
    window.answers.push_back("/t/in.wav");
    window.answers.push_back("/t/out.cas");
    dispatch_command(ID_TAPE_PLAY, settings, &host, window);
    dispatch_command(ID_TAPE_REC, settings, &host, window);
    EXPECT_EQ(window.dialogs, (std::vector<FileDialogKind>{FileDialogKind::tape_play, FileDialogKind::tape_record}));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"tape_play /t/in.wav", "tape_record /t/out.cas"}));
    EXPECT_EQ(paths(settings.recent_tapes)[0], "/t/out.cas");
    EXPECT_EQ(paths(settings.recent_tapes)[1], "/t/in.wav");
    EXPECT_TRUE(recent_empty(settings.recent_carts, 0));
}

TEST_F(Dispatch, dialogs_need_a_host) {
    window.answers.push_back("X");
    dispatch_command(ID_CART_OPEN, settings, nullptr, window);
    dispatch_command(ID_TAPE_PLAY, settings, nullptr, window);
    EXPECT_TRUE(window.dialogs.empty());
    EXPECT_TRUE(recent_empty(settings.recent_carts, 0));
}

TEST_F(Dispatch, settings_commands_store_values_and_apply_them) {
    dispatch_command(40006, settings, &host, window);
    EXPECT_EQ(settings.cpu_speed, 3);
    dispatch_command(40097, settings, &host, window);
    EXPECT_EQ(settings.sample_rate_index, 2);
    dispatch_command(40105, settings, &host, window);
    EXPECT_EQ(settings.buffer_length_index, 3);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"apply_settings", "apply_sound_settings", "apply_sound_settings"}));

    dispatch_command(40007, settings, nullptr, window);  // stored without a host too
    EXPECT_EQ(settings.cpu_speed, 4);
}

TEST_F(Dispatch, plain_commands_reach_the_host) {
    for (int32_t id : {ID_RESET, ID_PASTE, ID_PASTE_STOP, ID_CART_CLOSE, ID_TAPE_CLOSE, ID_SOUND_REC, ID_SOUND_STOP}) {
        dispatch_command(id, settings, &host, window);
    }
    EXPECT_EQ(host.calls, (std::vector<std::string>{"reset", "paste_start", "paste_stop", "close_cartridge",
                                                    "tape_close", "start_recording", "stop_recording"}));
}

TEST_F(Dispatch, window_commands_reach_the_window_only) {
    for (int32_t id :
         {ID_WINDOW_X1, ID_WINDOW_X2, ID_WINDOW_X3, ID_WINDOW_X4, ID_FULLSCREEN_640, ID_FULLSCREEN_320, ID_PAUSE,
          ID_EVERY_FRAME, ID_SPRITE_LIMIT, ID_HELP_KEYS, ID_FAST_FORWARD, ID_SCREEN_REC_30, ID_SCREEN_REC_15,
          ID_SCREEN_REC_10, ID_SCREEN_STOP, ID_TAPE_REWIND, ID_PIXELS_TV, ID_PIXELS_SQUARE, ID_CONTROLS}) {
        dispatch_command(id, settings, &host, window);
    }
    EXPECT_EQ(window.calls, (std::vector<std::string>{"scale 1", "scale 2", "scale 3", "scale 4", "fullscreen",
                                                      "fullscreen", "pause", "every_frame", "sprite_limit", "help",
                                                      "fast_forward", "gif 30", "gif 15", "gif 10", "gif stop",
                                                      "rewind tape", "tv pixels", "square pixels", "controls"}));
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(Dispatch, a_file_that_cannot_be_used_stays_out_of_the_recent_lists) {
    fill(settings.recent_carts, {"A", "gone.rom"});
    host.unusable = "gone.rom";
    dispatch_command(40052, settings, &host, window);  // Recent 2
    EXPECT_EQ(paths(settings.recent_carts)[0], "A");
    window.answers.push_back("gone.rom");
    window.answers.push_back("gone.rom");
    dispatch_command(ID_TAPE_PLAY, settings, &host, window);
    dispatch_command(ID_TAPE_REC, settings, &host, window);
    EXPECT_TRUE(recent_empty(settings.recent_tapes, 0));
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"open_cartridge gone.rom", "tape_play gone.rom", "tape_record gone.rom"}));
}

TEST_F(Dispatch, media_files_open_by_extension_and_join_their_recent_list) {
    EXPECT_EQ(media_kind("/x/GAME.Rom"), MediaKind::cartridge);
    EXPECT_EQ(media_kind("a.WAV"), MediaKind::tape);
    EXPECT_EQ(media_kind("b.cas"), MediaKind::tape);
    EXPECT_EQ(media_kind("/dir.rom/readme"), MediaKind::unknown);
    EXPECT_EQ(media_kind("notes.txt"), MediaKind::unknown);
    EXPECT_EQ(media_kind("s.M5S"), MediaKind::state);

    host.unusable = "bad.rom";
    EXPECT_TRUE(open_media_file("g.rom", settings, host));
    EXPECT_TRUE(open_media_file("t.cas", settings, host));
    EXPECT_FALSE(open_media_file("bad.rom", settings, host));
    EXPECT_FALSE(open_media_file("notes.txt", settings, host));
    EXPECT_TRUE(open_media_file("s.m5s", settings, host));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"open_cartridge g.rom", "tape_play t.cas", "open_cartridge bad.rom",
                                                    "load_state s.m5s"}));
    EXPECT_EQ(paths(settings.recent_carts)[0], "g.rom");
    EXPECT_TRUE(recent_empty(settings.recent_carts, 1));
    EXPECT_EQ(paths(settings.recent_tapes)[0], "t.cas");
}

// The Machine popup marks the model and memory of the machine; choosing one
// goes to the window, which restarts the machine, with or without a host.
TEST_F(Dispatch, machine_popup_marks_and_chooses_the_model_and_memory) {
    MenuView view;
    view.machine = {M5Model::PAL, MemoryFit::KBF_2B};
    EXPECT_EQ(checked_ids(popup_items(POPUP_MACHINE, view)), (std::vector<int32_t>{ID_MODEL_PAL, ID_MEMORY_4K + 2}));
    view.machine = MachineConfig{};
    EXPECT_EQ(checked_ids(popup_items(POPUP_MACHINE, view)), (std::vector<int32_t>{ID_MODEL_NTSC, ID_MEMORY_4K + 1}));
    dispatch_command(ID_MODEL_PAL, settings, &host, window);
    dispatch_command(ID_MEMORY_4K, settings, nullptr, window);
    dispatch_command(ID_MEMORY_KBF_2C, settings, &host, window);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"model pal", "memory 4k", "memory 64kbf-2c"}));
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(Dispatch, exit_asks_the_window_to_close_with_or_without_host) {
    dispatch_command(ID_EXIT, settings, &host, window);
    dispatch_command(ID_EXIT, settings, nullptr, window);
    EXPECT_EQ(window.close_requests, 2);
    EXPECT_TRUE(host.calls.empty());
}

}  // namespace
}  // namespace m5

namespace m5 {
namespace {

// The State popup: slot items carry their state's time, an empty slot and a
// rewind with nothing behind it are disabled; the commands reach the host
// with the chosen file or slot.
TEST_F(Dispatch, state_popup_shows_the_slots_and_its_commands_reach_the_host) {
    MenuView view;
    view.slot_times[2] = "1:05";
    std::vector<MenuItem> items = popup_items(POPUP_STATE, view);
    EXPECT_EQ(item_with(items, ID_STATE_SLOT_LOAD + 2).text, "Slot 3  1:05");
    EXPECT_TRUE(item_with(items, ID_STATE_SLOT_LOAD + 2).enabled);
    EXPECT_EQ(item_with(items, ID_STATE_SLOT_LOAD).text, "Slot 1 (empty)");
    EXPECT_FALSE(item_with(items, ID_STATE_SLOT_LOAD).enabled);
    EXPECT_EQ(item_with(items, ID_STATE_SLOT_LOAD + 7).shortcut, "F8");
    EXPECT_EQ(item_with(items, ID_STATE_SLOT_SAVE + 2).shortcut, "<Shift>F3");
    view.slot_unreadable[4] = true;
    EXPECT_EQ(item_with(popup_items(POPUP_STATE, view), ID_STATE_SLOT_LOAD + 4).text, "Slot 5 (unreadable)");
    EXPECT_FALSE(item_with(popup_items(POPUP_STATE, view), ID_STATE_SLOT_LOAD + 4).enabled);
    EXPECT_FALSE(item_with(items, ID_STATE_REWIND).enabled);
    view.can_rewind = true;
    EXPECT_TRUE(item_with(popup_items(POPUP_STATE, view), ID_STATE_REWIND).enabled);

    window.answers = {std::string("a.m5s"), std::nullopt, std::string("b.m5s")};
    dispatch_command(ID_STATE_SAVE, settings, &host, window);
    dispatch_command(ID_STATE_LOAD, settings, &host, window);
    dispatch_command(ID_STATE_LOAD, settings, &host, window);
    dispatch_command(ID_STATE_SLOT_SAVE + 7, settings, &host, window);
    dispatch_command(ID_STATE_SLOT_LOAD + 2, settings, &host, window);
    dispatch_command(ID_STATE_REWIND, settings, &host, window);
    EXPECT_EQ(window.dialogs, (std::vector<FileDialogKind>{FileDialogKind::state_save, FileDialogKind::state_load,
                                                           FileDialogKind::state_load}));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"save_state a.m5s", "load_state b.m5s", "save_slot 7",
                                                    "load_slot 2", "rewind"}));
}

// Sound: Mute is checked while muted and one volume marked; the Sound,
// Screen and Help commands of the desktop reach the window.
TEST_F(Dispatch, mute_volume_screenshot_and_about_reach_the_window) {
    MenuView view;
    view.muted = true;
    view.volume_percent = 50;
    const std::vector<MenuItem> items = popup_items(POPUP_SOUND, view);
    EXPECT_TRUE(item_with(items, ID_MUTE).checked);
    EXPECT_TRUE(item_with(items, ID_VOLUME_100 + 2).checked);
    EXPECT_FALSE(item_with(items, ID_VOLUME_100).checked);

    for (int32_t id : {ID_MUTE, ID_VOLUME_100 + 1, ID_VOLUME_25, ID_SCREENSHOT, ID_HELP_ABOUT}) {
        dispatch_command(id, settings, &host, window);
    }
    EXPECT_EQ(window.calls, (std::vector<std::string>{"mute", "volume 75", "volume 25", "screenshot", "about"}));
}

TEST(WindowTitle, names_the_cartridge_and_puts_a_status_in_the_frame_rates_place) {
    EXPECT_EQ(window_title("SORD m5 - 60 fps (100 %)", "viboritas.rom", ""), "SORD m5 - viboritas - 60 fps (100 %)");
    EXPECT_EQ(window_title("SORD m5 - 60 fps (100 %)", "", ""), "SORD m5 - 60 fps (100 %)");
    EXPECT_EQ(window_title("SORD m5 - 60 fps (100 %)", "", "no IPL.ROM"), "SORD m5 - no IPL.ROM");
    EXPECT_EQ(window_title("SORD m5", "game.ROM", "Paused"), "SORD m5 - game - Paused");
    EXPECT_EQ(window_title("SORD m5", "", ""), "SORD m5");
}

}  // namespace
}  // namespace m5

namespace m5 {
namespace {

// Save... proposes the cartridge and the time; a name without the
// extension gets it, one with it in any case keeps its own.
TEST(StateNames, proposed_name_and_extension) {
    EXPECT_EQ(proposed_state_name("viboritas.rom", "2026-12-09 14-05-33"), "viboritas 2026-12-09 14-05-33.m5s");
    EXPECT_EQ(proposed_state_name("", "2026-12-09 14-05-33"), "m5 2026-12-09 14-05-33.m5s");
    EXPECT_EQ(with_state_extension("/a/mystate"), "/a/mystate.m5s");
    EXPECT_EQ(with_state_extension("/a/my.state"), "/a/my.state.m5s");
    EXPECT_EQ(with_state_extension("/a/kept.M5S"), "/a/kept.M5S");
}

}  // namespace
}  // namespace m5
