// IPL and cartridge bytes run as code on the whole machine. The first 8 KiB
// of the input are the IPL ROM, the rest (up to 20 KiB) a cartridge. The
// machine runs a few frames with a tape recording, so that whatever the code
// does to the ports, the counter/timer, the video and sound chips and the
// tape deck is exercised; it must neither crash nor hang.
#include <algorithm>
#include <string>

#include "devices/tape_deck.h"
#include "fuzz_support.h"
#include "host/tape_files.h"
#include "m5/machine.h"
#include "memory/memory_map.h"

namespace {

constexpr int FRAMES = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& dir = m5::fuzz::scratch_dir();
    const size_t ipl_size = std::min(size, static_cast<size_t>(m5::IPL_ROM_SIZE));

    m5::fuzz::FuzzHost host;
    m5::Machine machine(&host);
    machine.load_ipl(data, ipl_size);
    machine.setup_audio(48000, 4800);
    if (size > ipl_size) {
        machine.open_cartridge(data + ipl_size, size - ipl_size);
    }
    for (size_t n = 0; n < ipl_size; ++n)
        FUZZ_CHECK(machine.memory_map->peek(static_cast<int32_t>(n)) == data[n], "the IPL ROM is not in place");

    tape_record_file(*machine.tape_deck, dir + "recorded.cas");
    for (int frame = 0; frame < FRAMES; ++frame) {
        machine.run_frame();
        machine.take_audio(0, 1);
        machine.tape_status();
    }
    machine.tape_close();
    return 0;
}
