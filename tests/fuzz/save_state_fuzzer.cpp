// Save states: the input is the chunk stream a machine saves (one chunk per
// component), or a whole state file, whose chunks are then used. A state is
// first read into a staging machine, as the host does; one that passes there
// must load into a real machine, run a frame, and save, load and save again
// to the same bytes. The tape deck opens only a file of the scratch
// directory, whatever path the state names.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "devices/tape_deck.h"
#include "fuzz_support.h"
#include "host/state_file.h"
#include "machine/machine.h"
#include "machine/state_io.h"
#include "memory/memory_map.h"

namespace {

// The tape image every state that names one gets: its size is what the
// state must name for a playing tape.
constexpr size_t TAPE_SIZE = 100;

std::string put_tape() {
    const std::string path = m5::fuzz::scratch_dir() + "tape.cas";
    const std::vector<uint8_t> tape(TAPE_SIZE, 0x85);
    m5::fuzz::write_file(path, tape.data(), tape.size());
    return path;
}

std::vector<uint8_t> save(m5::Machine& machine) {
    m5::StateWriter out;
    machine.save_state(out);
    return out.data();
}

}  // namespace

#ifndef STATE_SEED_MAKER

namespace {

bool load(m5::Machine& machine, const std::vector<uint8_t>& chunks, bool staging) {
    machine.tape_deck->substitute_path = put_tape();
    m5::StateReader in(chunks.data(), chunks.size());
    in.staging = staging;
    return machine.load_state(in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> chunks(data, data + size);
    static const uint8_t MAGIC[8] = {'M', '5', 'S', 'T', 'A', 'T', 'E', 0x1A};
    if (size >= sizeof MAGIC && std::memcmp(data, MAGIC, sizeof MAGIC) == 0) {
        m5::StateFile file;
        std::string error;
        if (!m5::decode_state_file(chunks, file, error)) {
            FUZZ_CHECK(!error.empty(), "a state file refused without a reason");
            return 0;
        }
        chunks = file.chunks;
    }
    m5::fuzz::FuzzHost host;
    {
        m5::Machine staging(&host);
        if (!load(staging, chunks, true)) return 0;
    }
    std::vector<uint8_t> saved;
    {
        m5::Machine machine(&host);
        FUZZ_CHECK(load(machine, chunks, false), "a state that passed staging does not load");
        machine.run_frame();
        saved = save(machine);
    }
    m5::Machine again(&host);
    FUZZ_CHECK(load(again, saved, false), "a state the machine saved does not load");
    FUZZ_CHECK(save(again) == saved, "a state saved, loaded and saved again changed");
    return 0;
}

#else

// The seed maker: the chunks of a machine that ran a test program.
//   fuzz_state_seeds IPL_ROM FRAMES OUT [play|record]
// With "play" a tape plays while it runs, with "record" one records.
int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: fuzz_state_seeds IPL_ROM FRAMES OUT [play|record]\n");
        return 2;
    }
    const std::vector<uint8_t> ipl = m5::fuzz::read_file(argv[1]);
    m5::fuzz::write_file(m5::fuzz::scratch_dir() + m5::IPL_ROM_NAME, ipl.data(), ipl.size());
    m5::fuzz::FuzzHost host;
    m5::Machine machine(&host);
    const std::string tape = argc > 4 ? argv[4] : "";
    if (tape == "play") machine.tape_play(put_tape());
    if (tape == "record") machine.tape_record(m5::fuzz::scratch_dir() + "tape.cas");
    for (int frame = std::atoi(argv[2]); frame > 0; --frame) machine.run_frame();
    const std::vector<uint8_t> chunks = save(machine);
    m5::fuzz::write_file(argv[3], chunks.data(), chunks.size());
    return 0;
}

#endif
