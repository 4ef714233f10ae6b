#include "support/test_host.h"

#include "m5/machine.h"
#include "support/temp_dir.h"

namespace m5::test {

std::string load_ipl(Machine& machine, const std::string& rom_name) {
    const std::string rom = read_file(rom_path(rom_name));
    if (!rom.empty()) machine.load_ipl(reinterpret_cast<const uint8_t*>(rom.data()), rom.size());
    return rom;
}

}  // namespace m5::test
