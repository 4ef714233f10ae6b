// Save states: the input is the chunk stream a machine saves (one chunk per
// component), or a whole state file, whose chunks are then used. A state is
// first read into a staging machine, as the host does; one that passes there
// must load into a real machine, run a frame, and save, load and save again
// to the same bytes. The only tape a state can resume is the one offered to
// it, from memory; whatever a state holds, no file of the scratch directory
// changes while it loads.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "devices/tape_deck.h"
#include "fuzz_support.h"
#include "host/state_file.h"
#include "host/tape_files.h"
#include "m5/machine.h"
#include "machine/state_io.h"
#include "memory/memory_map.h"

namespace {

// The tape image every state that names one gets: its size is what the
// state must name for a playing tape.
constexpr size_t TAPE_SIZE = 100;
constexpr uint8_t TAPE_BYTE = 0x85;

// The tape as a file too: a state that named it by its path must leave it
// as it is.
std::string put_tape() {
    const std::string path = m5::fuzz::scratch_dir() + "tape.cas";
    const std::vector<uint8_t> tape(TAPE_SIZE, TAPE_BYTE);
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

// Every file of the scratch directory with its contents.
std::vector<std::pair<std::string, std::vector<uint8_t>>> scratch_files() {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (const auto& entry : std::filesystem::directory_iterator(m5::fuzz::scratch_dir()))
        files.emplace_back(entry.path().string(), m5::fuzz::read_file(entry.path().string()));
    std::sort(files.begin(), files.end());
    return files;
}

bool load(m5::Machine& machine, const std::vector<uint8_t>& chunks, bool staging) {
    put_tape();
    const auto before = scratch_files();
    machine.tape_deck->offered_image =
        std::make_unique<m5::MemoryTapeImage>(std::vector<uint8_t>(TAPE_SIZE, TAPE_BYTE));
    m5::StateReader in(chunks.data(), chunks.size());
    in.staging = staging;
    const bool loaded = machine.load_state(in);
    machine.tape_deck->offered_image.reset();
    FUZZ_CHECK(scratch_files() == before, "loading a state changed a file");
    return loaded;
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
    m5::fuzz::FuzzHost host;
    m5::Machine machine(&host);
    machine.load_ipl(ipl.data(), ipl.size());
    const std::string tape = argc > 4 ? argv[4] : "";
    if (tape == "play") tape_play_file(*machine.tape_deck, put_tape());
    if (tape == "record") tape_record_file(*machine.tape_deck, m5::fuzz::scratch_dir() + "tape.cas");
    for (int frame = std::atoi(argv[2]); frame > 0; --frame) machine.run_frame();
    const std::vector<uint8_t> chunks = save(machine);
    m5::fuzz::write_file(argv[3], chunks.data(), chunks.size());
    return 0;
}

#endif
