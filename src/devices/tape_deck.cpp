#include "devices/tape_deck.h"

#include <algorithm>

#include "devices/sordm5_tape.h"
#include "machine/machine_services.h"
#include "machine/state_io.h"

namespace m5 {

TapeDeck::~TapeDeck() { finish_file(); }

void TapeDeck::init() {
    finish_file();
    buffer.fill(0x00);
    buffer_pos = 0;
    samples_written = 0;
    record_error = 0;
    bytes_left = 0;
    tick_event = NO_EVENT;
    playing = recording = is_wav = 0;
    out_level = in_level = activity = motor = 0;
}

void TapeDeck::release() { tape_close(); }

void TapeDeck::reset() { tape_close(); }

void TapeDeck::signal_in(int32_t signal, uint32_t data, uint32_t mask) {
    const uint8_t level = (data & mask) != 0 ? 1 : 0;
    if (signal == 0) {
        if (recording && motor && level != in_level) activity = 1;
        in_level = level;
    } else if (signal == 1) {
        motor = level;
        update_tick();
    }
}

uint8_t TapeDeck::tape_status() {
    const uint8_t status = activity;
    activity = 0;
    return status;
}

void TapeDeck::start_or_stop_tick(bool run) {
    if (run) {
        if (machine != nullptr) tick_event = machine->add_event_us(this, 0, TAPE_TICK_US, 1);
    } else {
        if (machine != nullptr) machine->cancel_event(tick_event);
        tick_event = NO_EVENT;
    }
}

void TapeDeck::send_playback_level(uint8_t level) { send_level(outputs, out_level, level); }

void TapeDeck::refill_buffer(uint8_t fill) {
    buffer.fill(fill);
    buffer_offset = static_cast<int64_t>(cursor.tell());
    converter_at_refill = converter;
    if (converter.active()) {
        converter.fill(cursor, buffer.data(), TAPE_BUFFER_SIZE);
    } else {
        cursor.read(buffer.data(), 1, buffer.size());
    }
    buffer_pos = 0;
}

void TapeDeck::append(const uint8_t* data, size_t count) {
    recording_medium->write(record_length, data, count);
    recorded.update(data, count);
    record_length += count;
}

void TapeDeck::write_wav_header(uint32_t sample_bytes) {
    // 8-bit mono at a nominal 48000 samples a second.
    const auto header = wav_header({.channels = 1, .sample_rate_hz = 48000, .bits_per_sample = 8}, sample_bytes);
    recording_medium->write(0, header.data(), header.size());
    record_length = std::max<uint64_t>(record_length, header.size());
}

void TapeDeck::tape_play(std::unique_ptr<TapeImage> tape, TapeFormat format) {
    tape_close();
    if (!tape) return;
    image = std::move(tape);
    is_wav = format == TapeFormat::WAV ? 1 : 0;
    start_playing();
}

void TapeDeck::open_played_image() {
    runs.reset();
    uint8_t head[SORDM5_SIGNATURE_SIZE] = {};
    if (!is_wav && image->read(0, head, sizeof head) == sizeof head && is_sordm5_image(head, sizeof head)) {
        // Block files are small (a program fills at most the 36 KiB of RAM);
        // a larger one is read as far as such a program goes.
        std::vector<uint8_t> blocks(static_cast<size_t>(std::min<uint64_t>(image->size(), SORDM5_MAX_FILE_BYTES)));
        blocks.resize(image->read(0, blocks.data(), blocks.size()));
        runs = std::make_unique<MemoryTapeImage>(sordm5_to_cas(blocks.data(), blocks.size()));
    }
    cursor = TapeCursor(runs ? static_cast<TapeImage*>(runs.get()) : image.get());
}

void TapeDeck::start_playing() {
    open_played_image();
    const uint64_t size = cursor.size();
    image_size = size;
    if (is_wav) {
        // The deck's own files, and files whose header is not understood, play
        // one byte a tick from the samples to the end of the image; any other
        // recording is converted and lasts as many ticks as its samples do.
        const int64_t signed_size = static_cast<int64_t>(std::min<uint64_t>(size, INT64_MAX));
        const WavTapeFormat format = read_wav_tape_format(cursor, signed_size);
        if (format.converted) {
            converter.start(cursor, format);
            bytes_left = static_cast<uint64_t>(format.ticks);
        } else {
            // An image shorter than its header starts (and ends) at its end,
            // so a state saved while it is in the deck names a position in it.
            const uint64_t start =
                std::min(size, static_cast<uint64_t>(format.understood ? format.data_offset : WAV_HEADER_SIZE));
            cursor.seek(start);
            // An image shorter than its header holds no samples: an empty tape.
            bytes_left = size > start ? size - start : 0;
        }
        refill_buffer(0x00);
    } else {
        bytes_left = size;
        refill_buffer(0x7F);
    }
    samples_written = 0;
    send_playback_level(buffer[0] >> 7);
    playing = 1;
    update_tick();
}

void TapeDeck::tape_record(std::unique_ptr<TapeRecording> tape, TapeFormat format) {
    tape_close();
    record_error = 0;
    if (!tape) return;
    recording_medium = std::move(tape);
    is_wav = format == TapeFormat::WAV ? 1 : 0;
    record_length = 0;
    recorded = Sha256();
    if (is_wav) {
        write_wav_header(0);
    } else {
        buffer[0] = in_level ? 0x80 : 0x00;  // a run of 0 at the current level
    }
    buffer_pos = 0;
    recording = 1;
    samples_written = 0;
    update_tick();
}

void TapeDeck::flush_recording() {
    // Everything before the run being built goes to the medium now.
    if (buffer_pos != 0) {
        append(buffer.data(), static_cast<size_t>(buffer_pos));
        if (!is_wav) buffer[0] = buffer[static_cast<size_t>(buffer_pos)];
        buffer_pos = 0;
    }
    recording_medium->flush();
}

void TapeDeck::complete_recording() {
    if (is_wav) {
        if (buffer_pos != 0) append(buffer.data(), static_cast<size_t>(buffer_pos));
        buffer_pos = 0;
        write_wav_header(samples_written);
    } else {
        // The run being built is included.
        append(buffer.data(), static_cast<size_t>(buffer_pos) + 1);
        buffer_pos = 0;
    }
}

void TapeDeck::finish_file() {
    if (recording) {
        complete_recording();
        // The medium remembers the first failed write, the buffer writes
        // during recording included; finishing hands over the rest.
        const int32_t error = recording_medium->finish();
        if (error != 0) record_error = error;
    }
    recording_medium.reset();
    image.reset();
    runs.reset();
    cursor = TapeCursor();
    converter.stop();
    playing = 0;
    recording = 0;
}

void TapeDeck::tape_close() {
    finish_file();
    update_tick();
}

void TapeDeck::on_event(int32_t param, int32_t lateness) {
    (void)param, (void)lateness;
    if (playing && motor) {
        uint8_t level = 0;
        if (is_wav) {
            level = buffer[buffer_pos] >> 7;
            if (++buffer_pos == TAPE_BUFFER_SIZE) refill_buffer(0x00);
            if (bytes_left != 0) --bytes_left;
            update_tick();
        } else if (!play_cas_tick(level)) {
            return;
        }
        if (level != out_level) {
            send_playback_level(level);
            activity = 1;
        }
    } else if (recording && motor) {
        record_tick();
    }
}

bool TapeDeck::play_cas_tick(uint8_t& level) {
    // Skip runs of 0. A whole buffer of them in one tick means a file of
    // nothing but empty runs: the tick then keeps the level and the skipping
    // goes on at the next tick, so such a file cannot stall a frame.
    int32_t skipped = 0;
    while ((buffer[buffer_pos] & 0x7F) == 0) {
        if (skipped == TAPE_BUFFER_SIZE) {
            update_tick();
            return false;
        }
        ++skipped;
        if (++buffer_pos == TAPE_BUFFER_SIZE) refill_buffer(0x7F);
        if (bytes_left != 0) --bytes_left;
    }
    update_tick();
    level = buffer[buffer_pos] >> 7;
    --buffer[buffer_pos];  // one tick of the run played; the run is not 0, so bit 7 stays
    return true;
}

void TapeDeck::record_tick() {
    if (is_wav) {
        if (samples_written >= WAV_MAX_SAMPLE_BYTES) return;  // the header could not count more
        buffer[buffer_pos] = in_level ? WAV_SAMPLE_HIGH : WAV_SAMPLE_LOW;
        ++samples_written;
        if (++buffer_pos == TAPE_BUFFER_SIZE) {
            append(buffer.data(), buffer.size());
            buffer_pos = 0;
        }
        return;
    }
    const uint8_t current = buffer[buffer_pos];
    if ((current >> 7) != in_level || (current & 0x7F) == CAS_MAX_RUN) {
        if (++buffer_pos == TAPE_BUFFER_SIZE) {
            append(buffer.data(), buffer.size());
            buffer_pos = 0;
        }
        buffer[buffer_pos] = in_level ? 0x80 : 0x00;
    }
    ++buffer[buffer_pos];
}

// --- Save states ----------------------------------------------------------------

namespace {
constexpr size_t MAX_TAPE_PATH = 4096;
}  // namespace

struct TapeDeck::SavedTape {
    bool playing = false;
    bool recording = false;
    bool is_wav = false;
    uint8_t out_level = 0;
    uint8_t in_level = 0;
    uint8_t activity = 0;
    uint8_t motor = 0;
    int32_t tick_event = NO_EVENT;
    std::string path;            // layout 0: the tape by its file
    uint64_t size = 0;           // playing: the image's size; recording: its length
    Sha256Digest digest{};       // of the image played, or of what was recorded
    uint64_t offset = 0;         // playing: where the buffer was read from
    WavTapeConverter converter;  // playing: as it was before the buffer was filled
    int32_t position = 0;        // playing: in the buffer
    uint8_t current = 0;         // playing: the byte there; recording: the run being built
    uint64_t left = 0;           // playing: bytes (or converted ticks) still to play
    uint32_t samples = 0;        // recording: WAV samples written
};

void TapeDeck::describe_saved(StateArchive& a, SavedTape& t, uint32_t layout) {
    a.field(t.playing);
    a.field(t.recording);
    a.valid(!(t.playing && t.recording));
    a.field(t.is_wav);
    for (uint8_t* level : {&t.out_level, &t.in_level, &t.activity, &t.motor}) {
        a.field(*level);
        a.valid(*level <= 1);
    }
    a.i32_in(t.tick_event, NO_EVENT, MAX_TIMED_EVENTS - 1);
    if (layout == 0 && (t.playing || t.recording)) a.text(t.path, MAX_TAPE_PATH);
    if (t.playing) {
        a.field(t.size);
        if (layout >= 1) a.raw(t.digest.data(), t.digest.size());
        a.field(t.offset);
        t.converter.describe_state(a);
        a.i32_in(t.position, 0, TAPE_BUFFER_SIZE - 1);
        a.field(t.current);
        a.field(t.left);
        // A converted recording counts ticks, at most six a byte (8-bit mono
        // at 8000 Hz).
        const uint64_t most_left = t.converter.active() ? t.size * 6 : t.size;
        a.valid(t.offset <= t.size && t.left <= most_left);
    } else if (t.recording) {
        a.field(t.size);
        a.field(t.samples);
        a.field(t.current);
        if (layout >= 1) a.raw(t.digest.data(), t.digest.size());
        // A WAV recording is its header and one byte a sample; a CAS one
        // counts no samples.
        a.valid(t.is_wav ? t.samples <= WAV_MAX_SAMPLE_BYTES && t.size == WAV_HEADER_SIZE + uint64_t{t.samples}
                         : t.samples == 0);
    }
    // The tick runs exactly while the motor moves a tape that has something
    // to play, or one that records, and it is the deck's one event in the
    // scheduler (whose state is loaded first).
    if (!a.loading() || machine == nullptr) return;
    a.valid((t.tick_event != NO_EVENT) == (t.motor && ((t.playing && t.left != 0) || t.recording)));
    int32_t mine = 0;
    for (int32_t id = 0; id < MAX_TIMED_EVENTS; ++id) {
        const TimedEvent& e = machine->event(id);
        if (e.active && e.target == this) ++mine;
    }
    if (t.tick_event == NO_EVENT) {
        a.valid(mine == 0);
    } else {
        const TimedEvent& tick = machine->event(t.tick_event);
        a.valid(mine == 1 && tick.active && tick.target == this && tick.param == 0 &&
                tick.period == machine_clocks_from_us(TAPE_TICK_US));
    }
}

void TapeDeck::describe_state(StateArchive& a) {
    const uint32_t layout = a.version(1);
    SavedTape saved;
    if (!a.loading()) {
        if (recording) flush_recording();
        saved.playing = playing != 0;
        saved.recording = recording != 0;
        saved.is_wav = is_wav != 0;
        saved.out_level = out_level;
        saved.in_level = in_level;
        saved.activity = activity;
        saved.motor = motor;
        saved.tick_event = tick_event;
        if (playing) {
            saved.size = image_size;
            saved.digest = image->digest();
            saved.offset = static_cast<uint64_t>(buffer_offset);
            saved.converter = converter_at_refill;
            saved.position = buffer_pos;
            saved.current = buffer[static_cast<size_t>(buffer_pos)];
            saved.left = bytes_left;
        } else if (recording) {
            saved.size = record_length;
            saved.samples = samples_written;
            saved.current = buffer[0];
            saved.digest = recorded.digest();
        }
    }
    describe_saved(a, saved, layout);
    if (a.loading() && a.ok() && !a.staging()) load_saved(saved, layout);
}

void TapeDeck::load_saved(SavedTape& saved, uint32_t layout) {
    // The tape in the deck now is set aside: it may be the one the state
    // resumes. A recording is completed first, so that its medium holds it
    // whole whichever way it goes.
    RecordedSoFar in_deck_so_far;
    if (recording) {
        flush_recording();
        in_deck_so_far = {record_length, recorded};
        complete_recording();
    }
    std::unique_ptr<TapeImage> image_in_deck = std::move(image);
    std::unique_ptr<TapeRecording> recording_in_deck = std::move(recording_medium);
    runs.reset();
    cursor = TapeCursor();
    converter.stop();

    load_note.clear();
    is_wav = saved.is_wav ? 1 : 0;
    out_level = saved.out_level;
    in_level = saved.in_level;
    activity = saved.activity;
    motor = saved.motor;
    tick_event = saved.tick_event;
    playing = recording = 0;
    buffer_pos = 0;
    samples_written = 0;
    bytes_left = 0;
    if (layout == 0 && (saved.playing || saved.recording)) {
        load_note = "the save state names its tape by a file, which is ignored: the tape is stopped";
    } else if (saved.playing) {
        resume_playing(saved, std::move(image_in_deck));
    } else if (saved.recording) {
        resume_recording(saved, recording_in_deck, in_deck_so_far);
    }
    // The deck's own recording, when the state did not resume it, ends here.
    if (recording_in_deck) {
        const int32_t error = recording_in_deck->finish();
        if (error != 0) record_error = error;
    }
    // A tape left stopped stops its tick.
    update_tick();
}

void TapeDeck::resume_playing(SavedTape& saved, std::unique_ptr<TapeImage> in_deck) {
    // The tape offered for the state, else the one that was in the deck.
    std::unique_ptr<TapeImage>& candidate = offered_image ? offered_image : in_deck;
    if (!candidate || candidate->digest() != saved.digest) {
        load_note = candidate ? "the tape given is not the one that was playing when the state was saved: it is stopped"
                              : "a tape was playing when the state was saved: give the same tape to resume it";
        return;
    }
    image = std::move(candidate);
    open_played_image();
    if (cursor.size() != saved.size) {
        // The same tape plays as another image (a change in how block files
        // are turned into runs): it cannot go on where it was.
        load_note = "the tape was saved as it played in another version: it is stopped";
        image.reset();
        runs.reset();
        cursor = TapeCursor();
        return;
    }
    image_size = saved.size;
    cursor.seek(saved.offset);
    converter = saved.converter;
    refill_buffer(is_wav ? 0x00 : 0x7F);
    buffer_pos = saved.position;
    buffer[static_cast<size_t>(saved.position)] = saved.current;
    bytes_left = saved.left;
    playing = 1;
}

void TapeDeck::resume_recording(const SavedTape& saved, std::unique_ptr<TapeRecording>& in_deck,
                                const RecordedSoFar& in_deck_so_far) {
    const uint64_t length = saved.size;
    const uint64_t header = is_wav ? WAV_HEADER_SIZE : 0;
    // The recording offered for the state, else the deck's own: it must
    // still hold what was recorded up to the save. The deck's own recording
    // loaded at the point it stands (a state saved and loaded at once) goes
    // on without being read back, so a medium that cannot be read resumes too.
    std::unique_ptr<TapeRecording>& candidate = offered_recording ? offered_recording : in_deck;
    if (&candidate == &in_deck && candidate && in_deck_so_far.length == length &&
        in_deck_so_far.hash.digest() == saved.digest) {
        candidate->truncate(length);  // the run completed at the load, where it can be cut
        recording_medium = std::move(candidate);
        record_length = length;
        recorded = in_deck_so_far.hash;
        samples_written = saved.samples;
        buffer[0] = saved.current;
        buffer_pos = 0;
        recording = 1;
        return;
    }
    Sha256 hash;
    bool same = candidate && candidate->size() >= length;
    std::vector<uint8_t> block(1 << 16);
    for (uint64_t at = header; same && at < length;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(block.size(), length - at));
        const size_t got = candidate->read(at, block.data(), want);
        hash.update(block.data(), got);
        same = got == want;
        at += got;
    }
    if (!same || hash.digest() != saved.digest || !candidate->truncate(length)) {
        load_note = candidate ? "the recording given does not hold what was recorded when the state was saved: "
                                "recording is stopped"
                              : "a tape was recording when the state was saved: recording is stopped";
        return;
    }
    recording_medium = std::move(candidate);
    record_length = length;
    recorded = hash;
    samples_written = saved.samples;
    buffer[0] = saved.current;
    buffer_pos = 0;
    recording = 1;
}

}  // namespace m5
