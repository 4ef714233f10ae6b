// Small helpers the main window's source files share.
#pragma once

#include <glib.h>

#include <filesystem>
#include <string>

namespace m5 {

// A file's name between quotes, for messages.
inline std::string quoted_name(const std::string& path) {
    return "\u201C" + std::filesystem::path(path).filename().string() + "\u201D";
}

// The user's pictures folder (XDG_PICTURES_DIR), or the home folder.
inline std::string pictures_folder() {
    const gchar* pictures = g_get_user_special_dir(G_USER_DIRECTORY_PICTURES);
    return pictures ? pictures : g_get_home_dir();
}

}  // namespace m5
