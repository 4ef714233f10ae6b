// Tape images played and recorded. The input is a tape image of the format
// this target is built for (TAPE_EXTENSION, ".wav" or ".cas"). The deck plays
// it tick by tick, and every tick's level and whether the tape still runs
// are compared with a plain reading of the format. A WAV recording the deck
// converts is checked for its length only: the tape must run for exactly the
// ticks its samples last. The levels played are then recorded into a new
// image, which must play back as the same levels. A CAS image that begins
// with SORDM5 is also turned into the signal of its blocks, which must be
// valid runs that last as long as the signal does.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "devices/sordm5_tape.h"
#include "devices/tape_deck.h"
#include "devices/wav_tape_reader.h"
#include "fuzz_support.h"
#include "host/tape_files.h"
#include "m5/machine.h"

namespace {

using m5::TapeDeck;

// Ticks played or recorded per phase (runs of a CAS image multiply its
// length by up to 127). Reading past the deck's 128 KiB buffer is left to the
// deck's own tests: inputs that long would slow the fuzzing down too much.
constexpr size_t MAX_TICKS = 6'000;

// The level and the running state after each tick, as the format says.
class TapeModel {
public:
    // `wav_start`: where a WAV image's samples start (they run to the end of
    // the file).
    TapeModel(const uint8_t* data, size_t size, bool wav, size_t wav_start) : wav_(wav) {
        if (wav) {
            if (size > wav_start) bytes_.assign(data + wav_start, data + size);
        } else if (m5::is_sordm5_image(data, size)) {
            // A block file plays as the runs of the signal it stands for.
            bytes_ = m5::sordm5_to_cas(data, size);
        } else {
            bytes_.assign(data, data + size);
        }
        left_ = bytes_.size();
    }

    // The level sent when the tape is put in: the first byte's, or the fill's.
    uint8_t first_level() const { return byte_at(0) >> 7; }
    bool running() const { return left_ != 0; }

    // One tick; false when the tick sends no level (a CAS image whose runs
    // of 0 fill a whole buffer: the deck skips on at the next tick).
    bool tick(uint8_t& level) {
        if (wav_) {
            level = byte_at(pos_) >> 7;
            ++pos_;
            if (left_ != 0) --left_;
            return true;
        }
        size_t skipped = 0;
        while ((byte_at(pos_) & 0x7F) == 0) {
            if (skipped == static_cast<size_t>(m5::TAPE_BUFFER_SIZE)) return false;
            ++skipped;
            ++pos_;
            if (left_ != 0) --left_;
        }
        level = byte_at(pos_) >> 7;
        if (pos_ < bytes_.size())
            --bytes_[pos_];
        else
            ++fill_used_;  // the fill byte 0x7F (run 127, level 0) behind the data
        return true;
    }

private:
    uint8_t byte_at(size_t at) const {
        if (at < bytes_.size()) return bytes_[at];
        if (wav_) return 0x00;
        return static_cast<uint8_t>(0x7F - (at == pos_ ? fill_used_ : 0));
    }

    bool wav_;
    std::vector<uint8_t> bytes_;
    size_t pos_ = 0;
    size_t left_ = 0;
    uint32_t fill_used_ = 0;
};

// The run-length CAS bytes of a SORDM5 image: every run 1-127 ticks, all of
// them together as long as the signal at the tick rate.
void check_sordm5_runs(const uint8_t* data, size_t size) {
    if (!m5::is_sordm5_image(data, size)) return;
    int64_t samples = 0;
    m5::sordm5_signal(data, size, [&](uint8_t level, int32_t length) {
        FUZZ_CHECK(level <= 1 && length > 0, "a half-period of no length or level");
        samples += length;
    });
    int64_t ticks = 0;
    for (const uint8_t run : m5::sordm5_to_cas(data, size)) {
        FUZZ_CHECK((run & 0x7F) != 0, "a run of 0 ticks");
        ticks += run & 0x7F;
    }
    FUZZ_CHECK(ticks == samples * m5::TAPE_TICKS_PER_SECOND / m5::SORDM5_SAMPLE_RATE_HZ,
               "the runs do not last as long as the signal");
}

// Plays a WAV recording the deck converts: the tape runs for exactly the
// ticks the recording lasts (up to MAX_TICKS), and every level is 0 or 1.
std::vector<uint8_t> play_converted(TapeDeck& deck, const std::string& path, const m5::WavTapeFormat& format) {
    tape_play_file(deck, path);
    FUZZ_CHECK(deck.playing && deck.converter.active(), "the recording is not converted");
    deck.signal_in(1, 1, 1);  // motor on
    std::vector<uint8_t> levels;
    while (deck.tick_running() && levels.size() < MAX_TICKS) {
        deck.on_event(0, 0);
        FUZZ_CHECK(deck.out_level <= 1, "a level other than 0 or 1");
        levels.push_back(deck.out_level);
    }
    const auto expected = static_cast<size_t>(std::min<int64_t>(format.ticks, static_cast<int64_t>(MAX_TICKS)));
    FUZZ_CHECK(levels.size() == expected,
               "the recording plays " + std::to_string(levels.size()) + " ticks, not " + std::to_string(expected));
    deck.signal_in(1, 0, 1);
    deck.tape_close();
    return levels;
}

// Plays the image at `path` with the motor on; checks every tick against the
// model and returns the levels played (one per tick).
std::vector<uint8_t> play_and_check(m5::Machine& machine, const std::string& path, const uint8_t* data, size_t size,
                                    bool wav) {
    TapeDeck& deck = *machine.tape_deck;
    // The WAV header as the deck reads it: a recording it converts, or
    // samples played one byte a tick from the data chunk (from byte 44 when
    // the header is not understood).
    m5::WavTapeFormat format;
    if (wav) {
        auto file_image = m5::FileTapeImage::open(path);
        FUZZ_CHECK(file_image != nullptr, "the image cannot be read");
        m5::TapeCursor file(file_image.get());
        format = m5::read_wav_tape_format(file, static_cast<int64_t>(size));
    }
    if (format.converted) return play_converted(deck, path, format);
    const auto wav_start = static_cast<size_t>(format.understood ? format.data_offset : m5::WAV_HEADER_SIZE);
    TapeModel model(data, size, wav, wav_start);
    tape_play_file(deck, path);
    FUZZ_CHECK(deck.playing, "the image was not opened");
    FUZZ_CHECK(deck.out_level == model.first_level(), "wrong level when the tape is put in");
    deck.signal_in(1, 1, 1);  // motor on
    std::vector<uint8_t> levels;
    uint8_t level = deck.out_level;
    while (deck.tick_running() && levels.size() < MAX_TICKS) {
        FUZZ_CHECK(model.running(), "the tape runs past its end");
        deck.on_event(0, 0);
        if (model.tick(level)) levels.push_back(level);
        FUZZ_CHECK(deck.out_level == level, "tick " + std::to_string(levels.size()) + ": wrong level");
        FUZZ_CHECK(deck.tick_running() == model.running(),
                   "tick " + std::to_string(levels.size()) + ": the tape stops at the wrong time");
    }
    FUZZ_CHECK(levels.size() == MAX_TICKS || !model.running(), "the tape stopped before its end");
    deck.signal_in(1, 0, 1);
    deck.tape_close();
    return levels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool wav = std::strcmp(TAPE_EXTENSION, ".wav") == 0;
    if (!wav) check_sordm5_runs(data, size);
    m5::fuzz::FuzzHost host;
    m5::Machine machine(&host);
    TapeDeck& deck = *machine.tape_deck;

    const std::string image = m5::fuzz::scratch_dir() + "input" + TAPE_EXTENSION;
    m5::fuzz::write_file(image, data, size);
    const std::vector<uint8_t> played = play_and_check(machine, image, data, size, wav);

    // Record what was played, one level per tick, then read the recording.
    const std::string recording = m5::fuzz::scratch_dir() + "recorded" + TAPE_EXTENSION;
    deck.signal_in(0, played.empty() ? 0 : played[0], 1);
    tape_record_file(deck, recording);
    FUZZ_CHECK(deck.recording, "the recording was not opened");
    deck.signal_in(1, 1, 1);
    for (const uint8_t level : played) {
        deck.signal_in(0, level, 1);
        deck.on_event(0, 0);
    }
    deck.signal_in(1, 0, 1);
    deck.tape_close();
    const std::vector<uint8_t> recorded = m5::fuzz::read_file(recording);
    if (wav) {
        const size_t header = static_cast<size_t>(m5::WAV_HEADER_SIZE);
        FUZZ_CHECK(recorded.size() == header + played.size(), "the WAV recording has the wrong size");
        auto field = [&](size_t at) {
            return static_cast<size_t>(recorded[at] | recorded[at + 1] << 8 | recorded[at + 2] << 16 |
                                       static_cast<uint32_t>(recorded[at + 3]) << 24);
        };
        FUZZ_CHECK(field(4) == 36 + played.size() && field(40) == played.size(), "wrong WAV header sizes");
    }
    const std::vector<uint8_t> replayed = play_and_check(machine, recording, recorded.data(), recorded.size(), wav);
    // A CAS recording plays one more tick at its end: the level of the fill
    // behind the last run.
    FUZZ_CHECK((wav ? replayed.size() == played.size() : replayed.size() >= played.size()) &&
                   std::equal(played.begin(), played.end(), replayed.begin()),
               "the recording does not play back as recorded");
    return 0;
}
