#include "desktop/desktop_choices.h"

#include <glib.h>

#include "desktop/menu_model.h"

namespace m5 {

namespace {

constexpr const char* WINDOW_GROUP = "Window";
constexpr const char* SOUND_GROUP = "Sound";

// The boolean at group/key, when it is there and reads as one.
void read_boolean(GKeyFile* keys, const char* group, const char* key, bool& value) {
    GError* error = nullptr;
    const gboolean read = g_key_file_get_boolean(keys, group, key, &error);
    if (!error) value = read != FALSE;
    g_clear_error(&error);
}

}  // namespace

struct DesktopChoices::KeyFile {
    GKeyFile* keys = g_key_file_new();
    ~KeyFile() { g_key_file_free(keys); }
};

DesktopChoices::DesktopChoices() : file(std::make_unique<KeyFile>()) {}
DesktopChoices::~DesktopChoices() = default;

void DesktopChoices::load(const std::string& path) {
    file = std::make_unique<KeyFile>();
    if (!g_key_file_load_from_file(file->keys, path.c_str(), G_KEY_FILE_KEEP_COMMENTS, nullptr)) return;
    GError* error = nullptr;
    const gint scale = g_key_file_get_integer(file->keys, WINDOW_GROUP, "scale", &error);
    if (!error && scale >= 1 && scale <= MAX_WINDOW_SCALE) window_scale = scale;
    g_clear_error(&error);
    read_boolean(file->keys, WINDOW_GROUP, "fullscreen", fullscreen);
    read_boolean(file->keys, WINDOW_GROUP, "every_frame", every_frame);
    read_boolean(file->keys, WINDOW_GROUP, "sprite_limit", sprite_limit);
    read_boolean(file->keys, WINDOW_GROUP, "tv_pixels", tv_pixels);
    read_boolean(file->keys, WINDOW_GROUP, "notices", notices);
    const gint volume = g_key_file_get_integer(file->keys, SOUND_GROUP, "volume", &error);
    if (!error && volume >= 25 && volume <= 100 && volume % 25 == 0) volume_percent = volume;
    g_clear_error(&error);
    read_boolean(file->keys, SOUND_GROUP, "mute", muted);
}

bool DesktopChoices::save(const std::string& path) {
    g_key_file_set_integer(file->keys, WINDOW_GROUP, "scale", window_scale);
    g_key_file_set_boolean(file->keys, WINDOW_GROUP, "fullscreen", fullscreen);
    g_key_file_set_boolean(file->keys, WINDOW_GROUP, "every_frame", every_frame);
    g_key_file_set_boolean(file->keys, WINDOW_GROUP, "sprite_limit", sprite_limit);
    g_key_file_set_boolean(file->keys, WINDOW_GROUP, "tv_pixels", tv_pixels);
    g_key_file_set_boolean(file->keys, WINDOW_GROUP, "notices", notices);
    g_key_file_set_integer(file->keys, SOUND_GROUP, "volume", volume_percent);
    g_key_file_set_boolean(file->keys, SOUND_GROUP, "mute", muted);
    // g_key_file_save_to_file writes a temporary file and renames it.
    return g_key_file_save_to_file(file->keys, path.c_str(), nullptr) != FALSE;
}

bool DesktopChoices::has_group(const std::string& group) const {
    return g_key_file_has_group(file->keys, group.c_str()) != FALSE;
}

std::string DesktopChoices::value(const std::string& group, const std::string& key) const {
    gchar* text = g_key_file_get_value(file->keys, group.c_str(), key.c_str(), nullptr);
    if (!text) return {};
    std::string result(text);
    g_free(text);
    return result;
}

void DesktopChoices::set_value(const std::string& group, const std::string& key, const std::string& text) {
    g_key_file_set_value(file->keys, group.c_str(), key.c_str(), text.c_str());
}

std::vector<std::string> DesktopChoices::keys(const std::string& group) const {
    std::vector<std::string> result;
    gchar** names = g_key_file_get_keys(file->keys, group.c_str(), nullptr, nullptr);
    if (!names) return result;
    for (gchar** name = names; *name; ++name) result.emplace_back(*name);
    g_strfreev(names);
    return result;
}

void DesktopChoices::remove_value(const std::string& group, const std::string& key) {
    g_key_file_remove_key(file->keys, group.c_str(), key.c_str(), nullptr);
}

}  // namespace m5
