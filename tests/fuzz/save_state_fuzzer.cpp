// Save states: the input is the chunk stream a machine saves (one chunk per
// component), or a whole state file, whose chunks are then used. A state is
// first read into a staging machine, as the host does; one that passes there
// must load into a real machine and run ten frames with its sound mixed, and
// what that machine then saves must load and save again to the same bytes.
// The real machine's sound rate and what its deck is doing when the state
// arrives (nothing, playing a tape, recording one) follow from the input's
// length, so that every input meets one of each. The only tape a state can
// resume is the one offered to it or the one in the deck, from memory;
// whatever a state holds, no file of the scratch directory changes while it
// loads.
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
#include "machine/scheduler.h"
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

constexpr int32_t FRAMES_AFTER_LOAD = 10;
constexpr int32_t SAMPLE_RATES_HZ[] = {8000, 48000, 192000};
enum class Deck { IDLE, PLAYING, RECORDING };
constexpr Deck DECKS[] = {Deck::IDLE, Deck::PLAYING, Deck::RECORDING};

// A recording kept in memory, in bytes the harness can read back.
class MemoryRecording final : public m5::TapeRecording {
public:
    explicit MemoryRecording(std::shared_ptr<std::vector<uint8_t>> into) : bytes_(std::move(into)) {}
    void write(uint64_t offset, const uint8_t* data, size_t count) override {
        if (offset + count > (1u << 24)) return;  // a bound on the scratch image
        if (bytes_->size() < offset + count) bytes_->resize(offset + count);
        std::memcpy(bytes_->data() + offset, data, count);
    }
    size_t read(uint64_t offset, uint8_t* out, size_t count) override {
        if (offset >= bytes_->size()) return 0;
        const size_t n = std::min<uint64_t>(count, bytes_->size() - offset);
        std::memcpy(out, bytes_->data() + offset, n);
        return n;
    }
    uint64_t size() const override { return bytes_->size(); }
    bool truncate(uint64_t length) override {
        if (length > bytes_->size()) return false;
        bytes_->resize(length);
        return true;
    }
    int32_t finish() override { return 0; }

private:
    std::shared_ptr<std::vector<uint8_t>> bytes_;
};

// Every file of the scratch directory with its contents.
std::vector<std::pair<std::string, std::vector<uint8_t>>> scratch_files() {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (const auto& entry : std::filesystem::directory_iterator(m5::fuzz::scratch_dir()))
        files.emplace_back(entry.path().string(), m5::fuzz::read_file(entry.path().string()));
    std::sort(files.begin(), files.end());
    return files;
}

std::unique_ptr<m5::TapeImage> the_tape() {
    return std::make_unique<m5::MemoryTapeImage>(std::vector<uint8_t>(TAPE_SIZE, TAPE_BYTE));
}

// A machine that mixes its sound at `rate_hz`, a frame's worth at a time,
// as the host does when it hands sound over by frame.
struct Sounding {
    Sounding(m5::fuzz::FuzzHost& host, int32_t rate_hz) : machine(&host) {
        most_samples = machine.scheduler->most_samples_per_frame(rate_hz);
        machine.setup_audio(rate_hz, most_samples);
    }
    void run(int32_t frames) {
        for (int32_t frame = 0; frame < frames; ++frame) {
            machine.run_frame();
            int32_t count = -1;
            const int16_t* samples = machine.take_mixed_audio(count);
            FUZZ_CHECK(count >= 0 && count <= most_samples && (count == 0 || samples != nullptr),
                       "a frame's sound of an impossible length");
        }
    }
    m5::Machine machine;
    int32_t most_samples = 0;
};

// Loads `chunks` with the tape offered (unless the deck plays it already)
// and, when given, the recording the state may resume.
bool load(m5::Machine& machine, const std::vector<uint8_t>& chunks, bool staging, bool offer_tape = true,
          std::unique_ptr<m5::TapeRecording> offered_recording = nullptr) {
    put_tape();
    const auto before = scratch_files();
    if (offer_tape) machine.tape_deck->offered_image = the_tape();
    machine.tape_deck->offered_recording = std::move(offered_recording);
    m5::StateReader in(chunks.data(), chunks.size());
    in.staging = staging;
    const bool loaded = machine.load_state(in);
    machine.tape_deck->offered_image.reset();
    machine.tape_deck->offered_recording.reset();
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
    const int32_t rate_hz = SAMPLE_RATES_HZ[size % std::size(SAMPLE_RATES_HZ)];
    const Deck deck = DECKS[size / std::size(SAMPLE_RATES_HZ) % std::size(DECKS)];
    m5::fuzz::FuzzHost host;
    {
        m5::Machine staging(&host);
        if (!load(staging, chunks, true)) return 0;
    }
    std::vector<uint8_t> saved;
    const auto recorded = std::make_shared<std::vector<uint8_t>>();
    std::vector<uint8_t> recorded_at_save;
    {
        Sounding real(host, rate_hz);
        if (deck == Deck::PLAYING) real.machine.tape_deck->tape_play(the_tape(), m5::TapeFormat::CAS);
        if (deck == Deck::RECORDING) {
            real.machine.tape_deck->tape_record(std::make_unique<MemoryRecording>(recorded), m5::TapeFormat::WAV);
        }
        FUZZ_CHECK(load(real.machine, chunks, false, deck != Deck::PLAYING),
                   "a state that passed staging does not load");
        real.run(FRAMES_AFTER_LOAD);
        saved = save(real.machine);
        recorded_at_save = *recorded;  // before the deck completes it
    }
    // What the machine saved loads, with the recording it went on with.
    Sounding again(host, rate_hz);
    FUZZ_CHECK(load(again.machine, saved, false, true,
                    std::make_unique<MemoryRecording>(std::make_shared<std::vector<uint8_t>>(recorded_at_save))),
               "a state the machine saved does not load");
    FUZZ_CHECK(save(again.machine) == saved, "a state saved, loaded and saved again changed");
    again.run(1);
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
