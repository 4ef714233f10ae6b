#include "host/free_boot_rom.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "memory/memory_map.h"

namespace m5 {

namespace {

constexpr char HINT_TAG[] = "HINT";
constexpr size_t HINT_TAG_SIZE = 4;
constexpr size_t HINT_LINES = 3;
constexpr uint8_t MARK = 0x01;         // the ROM's highlighting switch in a text
constexpr uint16_t ROW_MASK = 0xFFE0;  // a name table address's row (32 names a row)

// Where the hint block lies in the free boot ROM and the rows its lines use.
struct HintBlock {
    size_t start = 0;
    size_t size = 0;
    std::array<uint16_t, HINT_LINES> rows{};
};

HintBlock find_hint_block(const FreeBootRom& rom) {
    HintBlock block;
    for (size_t at = 0; at + HINT_TAG_SIZE + 1 < rom.size; ++at) {
        if (std::memcmp(rom.data + at, HINT_TAG, HINT_TAG_SIZE) != 0) continue;
        block.start = at + HINT_TAG_SIZE + 1;
        block.size = std::min<size_t>(rom.data[at + HINT_TAG_SIZE], rom.size - block.start);
        break;
    }
    // The ROM's own list: (address, text, 0) entries ended by a zero word.
    size_t at = block.start;
    for (uint16_t& row : block.rows) {
        if (at + 2 > block.start + block.size) break;
        const auto address = static_cast<uint16_t>(rom.data[at] | rom.data[at + 1] << 8);
        if (address == 0) break;
        row = address & ROW_MASK;
        at += 2;
        while (at < block.start + block.size && rom.data[at] != 0) ++at;
        ++at;
    }
    return block;
}

const HintBlock& hint_block(M5Model model) {
    static const HintBlock ntsc = find_hint_block(free_boot_rom(M5Model::NTSC));
    static const HintBlock pal = find_hint_block(free_boot_rom(M5Model::PAL));
    return model == M5Model::PAL ? pal : ntsc;
}

// The IPL ROM area as the memory map holds a build: 0xFF past its end.
std::vector<uint8_t> free_boot_rom_area(M5Model model) {
    const FreeBootRom rom = free_boot_rom(model);
    std::vector<uint8_t> area(IPL_ROM_SIZE, 0xFF);
    std::copy_n(rom.data, std::min<size_t>(rom.size, IPL_ROM_SIZE), area.begin());
    return area;
}

// True when `image` is the model's build, with any hint.
bool is_build_of(M5Model model, const uint8_t* image) {
    static const std::vector<uint8_t> ntsc = free_boot_rom_area(M5Model::NTSC);
    static const std::vector<uint8_t> pal = free_boot_rom_area(M5Model::PAL);
    const std::vector<uint8_t>& own = model == M5Model::PAL ? pal : ntsc;
    const HintBlock& block = hint_block(model);
    const size_t hint_end = block.start + block.size;
    return std::equal(own.begin(), own.begin() + static_cast<std::ptrdiff_t>(block.start), image) &&
           std::equal(own.begin() + static_cast<std::ptrdiff_t>(hint_end), own.end(), image + hint_end);
}

}  // namespace

FreeBootRom free_boot_rom(M5Model model) {
    return model == M5Model::PAL ? FreeBootRom{FREE_BOOT_ROM_PAL, FREE_BOOT_ROM_PAL_SIZE}
                                 : FreeBootRom{FREE_BOOT_ROM, FREE_BOOT_ROM_SIZE};
}

bool free_boot_rom_with_hint(const std::string& hint, std::vector<uint8_t>& rom, std::string& error, M5Model model) {
    const HintBlock& block = hint_block(model);
    const FreeBootRom own = free_boot_rom(model);
    std::vector<uint8_t> image(own.data, own.data + own.size);
    if (hint.empty()) {
        rom = std::move(image);
        return true;
    }
    std::vector<std::string> lines(1);
    for (const char c : hint) {
        if (c == '\n') {
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    if (lines.size() > HINT_LINES) {
        error = "the boot screen's hint has more than three lines";
        return false;
    }
    std::vector<uint8_t> list;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::vector<uint8_t> text;
        size_t shown = 0;
        for (const char c : lines[i]) {
            if (c < 0x20 || c > 0x7E) {
                error = "the boot screen's hint holds a character that is not printable ASCII";
                return false;
            }
            text.push_back(c == '*' ? MARK : static_cast<uint8_t>(c));
            if (c != '*') ++shown;
        }
        if (shown > BOOT_HINT_LINE_CHARS) {
            error = "a line of the boot screen's hint is longer than 32 characters";
            return false;
        }
        if (shown == 0 || block.rows[i] == 0) continue;
        const auto address = static_cast<uint16_t>(block.rows[i] + (BOOT_HINT_LINE_CHARS - shown) / 2);
        list.push_back(static_cast<uint8_t>(address));
        list.push_back(static_cast<uint8_t>(address >> 8));
        list.insert(list.end(), text.begin(), text.end());
        list.push_back(0);
    }
    list.push_back(0);
    list.push_back(0);
    if (list.size() > block.size) {
        error = "the boot screen's hint is longer than the boot ROM has room for";
        return false;
    }
    list.resize(block.size, 0);
    std::copy(list.begin(), list.end(), image.begin() + static_cast<std::ptrdiff_t>(block.start));
    rom = std::move(image);
    return true;
}

bool is_free_boot_rom(const uint8_t* image) {
    return is_build_of(M5Model::NTSC, image) || is_build_of(M5Model::PAL, image);
}

Sha256Digest ipl_identity(const uint8_t* image) {
    static const auto digest_of = [](M5Model model) {
        const std::vector<uint8_t> area = free_boot_rom_area(model);
        return sha256(area.data(), area.size());
    };
    static const Sha256Digest ntsc = digest_of(M5Model::NTSC);
    static const Sha256Digest pal = digest_of(M5Model::PAL);
    if (is_build_of(M5Model::NTSC, image)) return ntsc;
    if (is_build_of(M5Model::PAL, image)) return pal;
    return sha256(image, IPL_ROM_SIZE);
}

}  // namespace m5
