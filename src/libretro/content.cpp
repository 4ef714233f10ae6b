#include "libretro/content.h"

#include <cstring>

#include "m5emu/m5emu.h"

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
    return size >= length && std::memcmp(data, text, length) == 0;
}

std::string hex_byte(uint8_t value) {
    static constexpr char DIGITS[] = "0123456789ABCDEF";
    return std::string("0x") + DIGITS[value >> 4] + DIGITS[value & 0xF];
}

std::string check_cartridge(const uint8_t* data, size_t size) {
    const uint8_t identifier = data[0];
    if (identifier != 0x00 && identifier != 0x02 && identifier != 0xFF) {
        return "not an M5 cartridge: its first byte, " + hex_byte(identifier) + ", is no cartridge identifier";
    }
    // Dumps are sometimes padded to a power of two; anything else past the
    // window could never be read by the machine.
    for (size_t i = M5EMU_CARTRIDGE_SIZE; i < size; ++i) {
        if (data[i] != 0xFF && data[i] != 0x00) return "the cartridge is larger than the M5's 20 KiB cartridge window";
    }
    return "";
}

}  // namespace

std::string file_name_of(const char* path) {
    if (path == nullptr) return "";
    const std::string text(path);
    const size_t slash = text.find_last_of("/\\");
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

ContentCheck check_content(const char* path, const uint8_t* data, size_t size) {
    ContentCheck check;
    if (data == nullptr || size == 0) {
        check.refusal = "the content is empty";
        return check;
    }
    const std::string extension = lower_extension(path);
    if (extension == "wav" || (extension.empty() && begins_with(data, size, "RIFF"))) {
        check.kind = ContentKind::TAPE_WAV;
    } else if (extension == "cas" || (extension.empty() && begins_with(data, size, "SORDM5"))) {
        check.kind = ContentKind::TAPE_CAS;
    } else {
        check.kind = ContentKind::CARTRIDGE;
    }
    if (check.kind == ContentKind::CARTRIDGE) {
        check.refusal = check_cartridge(data, size);
    } else if (size > MAX_TAPE_BYTES) {
        check.refusal = "the tape is larger than 1 GiB";
    } else if (check.kind == ContentKind::TAPE_WAV &&
               (size < 12 || !begins_with(data, size, "RIFF") || std::memcmp(data + 8, "WAVE", 4) != 0)) {
        check.refusal = "not a WAV file";
    }
    return check;
}

}  // namespace m5::libretro
