#include "libretro/content.h"

#include <cstring>

namespace m5::libretro {

namespace {

std::string lower_extension(const char* path) {
    const std::string name = file_name_of(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return "";
    std::string extension = name.substr(dot + 1);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return extension;
}

bool begins_with(const uint8_t* data, size_t size, const char* text) {
    const size_t length = std::strlen(text);
    return data != nullptr && size >= length && std::memcmp(data, text, length) == 0;
}

}  // namespace

std::string file_name_of(const char* path) {
    if (path == nullptr) return "";
    const std::string text(path);
    const size_t slash = text.find_last_of("/\\");
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

ContentKind content_kind(const char* path, const uint8_t* data, size_t size) {
    const std::string extension = lower_extension(path);
    if (extension == "wav" || (extension.empty() && begins_with(data, size, "RIFF"))) return ContentKind::TAPE_WAV;
    if (extension == "cas" || (extension.empty() && begins_with(data, size, "SORDM5"))) return ContentKind::TAPE_CAS;
    return ContentKind::CARTRIDGE;
}

}  // namespace m5::libretro
