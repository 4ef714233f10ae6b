#include "memory/memory_map.h"

#include <cstring>

#include "host/file_stream.h"
#include "machine/machine_host.h"
#include "machine/state_io.h"

namespace m5 {

MemoryMap::MemoryMap(Machine* owner, MachineHost* host_services) : Component(owner, host_services) {
    clear_image();
    map_pages();
}

void MemoryMap::clear_image() {
    std::memset(image, 0xFF, RAM_START);
    std::memset(image + RAM_START, 0x00, ADDRESS_SPACE_SIZE - RAM_START);
}

void MemoryMap::init() {
    clear_image();

    // Without a host there is no program directory: the ROM stays all 0xFF,
    // as it does when the file is missing.
    if (host != nullptr) {
        FileStream file;
        if (file.open(host->program_directory() + IPL_ROM_NAME, FILE_READ_BINARY)) {
            file.read(image, 1, IPL_ROM_SIZE);
            file.close();
        }
    }
}

void MemoryMap::map_pages() {
    for (int32_t page = 0; page < PAGE_COUNT; ++page) {
        const int32_t base = page * MEMORY_PAGE_SIZE;
        read_pages[page] = image + base;
        write_pages[page] = base < RAM_START ? write_sink + base : image + base;
    }
}

bool MemoryMap::load_cartridge(const std::string& path) {
    FileStream file;
    if (!file.open(path, FILE_READ_BINARY)) return false;
    unload_cartridge();
    file.read(image + CARTRIDGE_START, 1, CARTRIDGE_SIZE);
    file.close();
    return true;
}

void MemoryMap::unload_cartridge() { std::memset(image + CARTRIDGE_START, 0xFF, CARTRIDGE_SIZE); }

void MemoryMap::describe_state(StateArchive& a) { a.raw(image + RAM_START, ADDRESS_SPACE_SIZE - RAM_START); }

}  // namespace m5
