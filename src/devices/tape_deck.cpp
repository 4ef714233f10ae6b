#include "devices/tape_deck.h"

#include <algorithm>

#include "devices/sordm5_tape.h"
#include "machine/machine_services.h"
#include "machine/state_io.h"

namespace m5 {

namespace {
// The most of a SORDM5 block file that is read: a header and data blocks
// for a program filling the whole address space, with room to spare.
constexpr uint64_t SORDM5_MAX_FILE_BYTES = 1u << 20;
}  // namespace

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

void TapeDeck::update_tick() {
    const bool must_run = motor && ((playing && bytes_left != 0) || recording);
    if (must_run && tick_event == NO_EVENT) {
        if (machine != nullptr) tick_event = machine->add_event_us(this, 0, TAPE_TICK_US, 1);
    } else if (!must_run && tick_event != NO_EVENT) {
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

void write_digest(StateWriter& out, const Sha256Digest& digest) { out.raw(digest.data(), digest.size()); }
Sha256Digest read_digest(StateReader& in) {
    Sha256Digest digest{};
    in.raw(digest.data(), digest.size());
    return digest;
}
}  // namespace

void TapeDeck::save_state(StateWriter& out) {
    if (recording) flush_recording();
    out.flag(playing != 0);
    out.flag(recording != 0);
    out.flag(is_wav != 0);
    out.u8(out_level);
    out.u8(in_level);
    out.u8(activity);
    out.u8(motor);
    out.i32(tick_event);
    if (playing) {
        out.u64(image_size);
        write_digest(out, image->digest());
        out.u64(static_cast<uint64_t>(buffer_offset));
        converter_at_refill.save_state(out);
        out.i32(buffer_pos);
        out.u8(buffer[static_cast<size_t>(buffer_pos)]);
        out.u64(bytes_left);
    } else if (recording) {
        out.u64(record_length);
        out.u32(samples_written);
        out.u8(buffer[0]);
        write_digest(out, recorded.digest());
    }
}

void TapeDeck::load_state(StateReader& in) {
    // The tape in the deck now is set aside: it may be the one the state
    // resumes. A recording is completed first, so that its medium holds it
    // whole whichever way it goes.
    std::unique_ptr<TapeImage> image_in_deck;
    std::unique_ptr<TapeRecording> recording_in_deck;
    RecordedSoFar in_deck_so_far;
    if (!in.staging) {
        if (recording) {
            flush_recording();
            in_deck_so_far = {record_length, recorded};
            complete_recording();
        }
        image_in_deck = std::move(image);
        recording_in_deck = std::move(recording_medium);
        runs.reset();
        cursor = TapeCursor();
        converter.stop();
    }
    load_note.clear();
    const bool was_playing = in.flag();
    const bool was_recording = in.flag();
    if (was_playing && was_recording) in.fail();
    is_wav = in.flag() ? 1 : 0;
    out_level = in.u8() & 1;
    in_level = in.u8() & 1;
    activity = in.u8() & 1;
    motor = in.u8() & 1;
    tick_event = in.i32_in(NO_EVENT, MAX_TIMED_EVENTS - 1);
    playing = recording = 0;
    buffer_pos = 0;
    samples_written = 0;
    bytes_left = 0;
    if (was_playing || was_recording) {
        if (in.layout_version < 2) {
            skip_path_named_tape(in, was_playing);
        } else if (was_playing) {
            resume_playing(in, std::move(image_in_deck));
        } else {
            resume_recording(in, recording_in_deck, in_deck_so_far);
        }
    }
    // The deck's own recording, when the state did not resume it, ends here.
    if (recording_in_deck) {
        const int32_t error = recording_in_deck->finish();
        if (error != 0) record_error = error;
    }
}

void TapeDeck::skip_path_named_tape(StateReader& in, bool was_playing) {
    in.text(MAX_TAPE_PATH);
    if (was_playing) {
        in.u64();
        in.u64();
        WavTapeConverter ignored;
        ignored.load_state(in);
        in.i32_in(0, TAPE_BUFFER_SIZE - 1);
        in.u8();
        in.u64();
    } else {
        in.u64();
        in.u32();
        in.u8();
    }
    load_note = "the save state names its tape by a file, which is ignored: the tape is stopped";
}

void TapeDeck::resume_playing(StateReader& in, std::unique_ptr<TapeImage> in_deck) {
    const uint64_t saved_size = in.u64();
    const Sha256Digest digest = read_digest(in);
    const uint64_t offset = in.u64();
    WavTapeConverter saved_converter;
    saved_converter.load_state(in);
    const int32_t pos = in.i32_in(0, TAPE_BUFFER_SIZE - 1);
    const uint8_t current = in.u8();
    const uint64_t left = in.u64();
    // A converted recording counts ticks, at most six a byte (8-bit mono at
    // 8000 Hz).
    const uint64_t most_left = saved_converter.active() ? saved_size * 6 : saved_size;
    if (!in.ok() || offset > saved_size || left > most_left) {
        in.fail();
        return;
    }
    if (in.staging) return;
    // The tape offered for the state, else the one that was in the deck.
    std::unique_ptr<TapeImage>& candidate = offered_image ? offered_image : in_deck;
    if (!candidate || candidate->digest() != digest) {
        load_note = candidate ? "the tape given is not the one that was playing when the state was saved: it is stopped"
                              : "a tape was playing when the state was saved: give the same tape to resume it";
        return;
    }
    image = std::move(candidate);
    open_played_image();
    if (cursor.size() != saved_size) {
        // The same tape plays as another image (a change in how block files
        // are turned into runs): it cannot go on where it was.
        load_note = "the tape was saved as it played in another version: it is stopped";
        image.reset();
        runs.reset();
        cursor = TapeCursor();
        return;
    }
    image_size = saved_size;
    cursor.seek(offset);
    converter = saved_converter;
    refill_buffer(is_wav ? 0x00 : 0x7F);
    buffer_pos = pos;
    buffer[static_cast<size_t>(pos)] = current;
    bytes_left = left;
    playing = 1;
}

void TapeDeck::resume_recording(StateReader& in, std::unique_ptr<TapeRecording>& in_deck,
                                const RecordedSoFar& in_deck_so_far) {
    const uint64_t length = in.u64();
    const uint32_t samples = in.u32();
    const uint8_t current = in.u8();
    const Sha256Digest digest = read_digest(in);
    const uint64_t header = is_wav ? WAV_HEADER_SIZE : 0;
    if (!in.ok() || length < header || (is_wav && length != header + static_cast<uint64_t>(samples))) {
        in.fail();
        return;
    }
    if (in.staging) return;
    // The recording offered for the state, else the deck's own: it must
    // still hold what was recorded up to the save. The deck's own recording
    // loaded at the point it stands (a state saved and loaded at once) goes
    // on without being read back, so a medium that cannot be read resumes too.
    std::unique_ptr<TapeRecording>& candidate = offered_recording ? offered_recording : in_deck;
    if (&candidate == &in_deck && candidate && in_deck_so_far.length == length &&
        in_deck_so_far.hash.digest() == digest) {
        candidate->truncate(length);  // the run completed at the load, where it can be cut
        recording_medium = std::move(candidate);
        record_length = length;
        recorded = in_deck_so_far.hash;
        samples_written = samples;
        buffer[0] = current;
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
    if (!same || hash.digest() != digest || !candidate->truncate(length)) {
        load_note = candidate ? "the recording given does not hold what was recorded when the state was saved: "
                                "recording is stopped"
                              : "a tape was recording when the state was saved: recording is stopped";
        return;
    }
    recording_medium = std::move(candidate);
    record_length = length;
    recorded = hash;
    samples_written = samples;
    buffer[0] = current;
    buffer_pos = 0;
    recording = 1;
}

}  // namespace m5
