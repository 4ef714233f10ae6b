#include "memory/memory_map.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "machine/state_io.h"

namespace m5 {

MemoryMap::MemoryMap(MachineServices* owner, MachineHost* host_services) : Component(owner, host_services) {
    std::memset(open_bus, 0xFF, sizeof open_bus);
    clear_image();
    map_board_pages(0, PAGE_COUNT);
}

void MemoryMap::clear_image() {
    std::memset(image, 0xFF, RAM_START);
    std::memset(image + RAM_START, 0x00, ADDRESS_SPACE_SIZE - RAM_START);
}

void MemoryMap::init() { clear_image(); }

void MemoryMap::load_ipl(const uint8_t* data, size_t size) {
    std::memset(image, 0xFF, IPL_ROM_SIZE);
    if (data != nullptr) std::memcpy(image, data, std::min<size_t>(size, IPL_ROM_SIZE));
}

void MemoryMap::set_page(int32_t page, uint8_t* read, uint8_t* write) {
    read_pages[page] = read;
    write_pages[page] = write != nullptr ? write : write_sink;
}

void MemoryMap::map_pages(int32_t first_page, int32_t count, uint8_t* read, uint8_t* write) {
    if (read == nullptr) return;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t page = first_page + i;
        if (page < 0 || page >= PAGE_COUNT) continue;
        const size_t offset = static_cast<size_t>(i) * MEMORY_PAGE_SIZE;
        set_page(page, read + offset, write != nullptr ? write + offset : nullptr);
    }
}

void MemoryMap::map_board_pages(int32_t first_page, int32_t count) {
    for (int32_t page = std::max(first_page, 0); page < std::min(first_page + count, PAGE_COUNT); ++page) {
        uint8_t* board = image + page * MEMORY_PAGE_SIZE;
        set_page(page, board, page * MEMORY_PAGE_SIZE < RAM_START ? nullptr : board);
    }
}

void MemoryMap::map_open_bus(int32_t first_page, int32_t count, uint8_t* write) {
    for (int32_t i = 0; i < count; ++i) {
        const int32_t page = first_page + i;
        if (page < 0 || page >= PAGE_COUNT) continue;
        set_page(page, open_bus, write != nullptr ? write + static_cast<size_t>(i) * MEMORY_PAGE_SIZE : nullptr);
    }
}

void MemoryMap::swap_memory(MemoryMap& other) {
    const auto follow = [](MemoryMap& map, const uint8_t* old_image) {
        for (int32_t page = 0; page < PAGE_COUNT; ++page) {
            const auto moved = [&](uint8_t* pointer) {
                const std::less<const uint8_t*> before;
                const bool in_old = !before(pointer, old_image) && before(pointer, old_image + ADDRESS_SPACE_SIZE);
                return in_old ? map.image + (pointer - old_image) : pointer;
            };
            map.read_pages[page] = moved(map.read_pages[page]);
            map.write_pages[page] = moved(map.write_pages[page]);
        }
    };
    std::swap(board, other.board);
    std::swap(image, other.image);
    follow(*this, other.image);
    follow(other, image);
}

void MemoryMap::copy_out(int32_t address, uint8_t* out, size_t size) const {
    for (size_t i = 0; i < size; ++i) out[i] = peek(address + static_cast<int32_t>(i & 0xFFFF));
}

void MemoryMap::load_cartridge(const uint8_t* data, size_t size) {
    unload_cartridge();
    if (data != nullptr) std::memcpy(image + CARTRIDGE_START, data, std::min<size_t>(size, CARTRIDGE_SIZE));
}

void MemoryMap::unload_cartridge() { std::memset(image + CARTRIDGE_START, 0xFF, CARTRIDGE_SIZE); }

void MemoryMap::describe_state(StateArchive& a) { a.raw(image + RAM_START, ADDRESS_SPACE_SIZE - RAM_START); }

}  // namespace m5
