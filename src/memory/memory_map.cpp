#include "memory/memory_map.h"

#include <algorithm>
#include <cstring>

#include "machine/state_io.h"

namespace m5 {

MemoryMap::MemoryMap(MachineServices* owner, MachineHost* host_services) : Component(owner, host_services) {
    clear_image();
    map_pages();
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

void MemoryMap::map_pages() {
    for (int32_t page = 0; page < PAGE_COUNT; ++page) {
        const int32_t base = page * MEMORY_PAGE_SIZE;
        read_pages[page] = image + base;
        write_pages[page] = base < RAM_START ? write_sink + base : image + base;
    }
}

void MemoryMap::load_cartridge(const uint8_t* data, size_t size) {
    unload_cartridge();
    if (data != nullptr) std::memcpy(image + CARTRIDGE_START, data, std::min<size_t>(size, CARTRIDGE_SIZE));
}

void MemoryMap::unload_cartridge() { std::memset(image + CARTRIDGE_START, 0xFF, CARTRIDGE_SIZE); }

void MemoryMap::describe_state(StateArchive& a) { a.raw(image + RAM_START, ADDRESS_SPACE_SIZE - RAM_START); }

}  // namespace m5
