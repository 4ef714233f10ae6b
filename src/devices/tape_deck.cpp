#include "devices/tape_deck.h"

#include <cctype>
#include <filesystem>

#include "host/wav_header.h"
#include "machine/machine.h"
#include "machine/state_io.h"

namespace m5 {

bool is_wav_path(const std::string& path) {
    const size_t n = path.size();
    if (n < 4 || path[n - 4] != '.') return false;
    auto upper = [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); };
    return upper(path[n - 3]) == 'W' && upper(path[n - 2]) == 'A' && upper(path[n - 1]) == 'V';
}

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

void TapeDeck::release() {
    tape_close();
    file.close();
}

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
    buffer_offset = file.tell();
    converter_at_refill = converter;
    if (converter.active()) {
        converter.fill(file, buffer.data(), TAPE_BUFFER_SIZE);
    } else {
        file.read(buffer.data(), 1, buffer.size());
    }
    buffer_pos = 0;
}

void TapeDeck::write_wav_header(uint32_t sample_bytes) {
    // 8-bit mono at a nominal 48000 samples a second.
    const auto header = wav_header({.channels = 1, .sample_rate_hz = 48000, .bits_per_sample = 8}, sample_bytes);
    file.write(header.data(), 1, header.size());
}

void TapeDeck::tape_play(const std::string& path) {
    tape_close();
    if (!file.open(path, FILE_READ_BINARY)) return;
    int64_t size = 0;
    if (file.seek(0, SEEK_FROM_END) == 0) size = file.tell();
    file.seek(0, SEEK_FROM_START);
    if (size < 0) size = 0;
    is_wav = is_wav_path(path) ? 1 : 0;
    this->path = path;
    image_size = static_cast<uint64_t>(size);
    if (is_wav) {
        // The deck's own files, and files whose header is not understood, play
        // one byte a tick from the samples to the end of the file; any other
        // recording is converted and lasts as many ticks as its samples do.
        const WavTapeFormat format = read_wav_tape_format(file, size);
        if (format.converted) {
            converter.start(file, format);
            bytes_left = static_cast<uint64_t>(format.ticks);
        } else {
            const int64_t start = format.understood ? format.data_offset : WAV_HEADER_SIZE;
            file.seek(start, SEEK_FROM_START);
            // A file shorter than its header holds no samples: an empty tape.
            bytes_left = size > start ? static_cast<uint64_t>(size - start) : 0;
        }
        refill_buffer(0x00);
    } else {
        bytes_left = static_cast<uint64_t>(size);
        refill_buffer(0x7F);
    }
    samples_written = 0;
    send_playback_level(buffer[0] >> 7);
    playing = 1;
    update_tick();
}

void TapeDeck::tape_record(const std::string& path) {
    tape_close();
    record_error = 0;
    if (!file.open(path, FILE_WRITE_BINARY)) return;
    is_wav = is_wav_path(path) ? 1 : 0;
    this->path = path;
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

void TapeDeck::finish_file() {
    if (recording) {
        if (is_wav) {
            if (buffer_pos != 0) file.write(buffer.data(), 1, static_cast<size_t>(buffer_pos));
            file.seek(0, SEEK_FROM_START);
            write_wav_header(samples_written);
        } else {
            // The run being built is included.
            file.write(buffer.data(), 1, static_cast<size_t>(buffer_pos) + 1);
        }
        // The stream remembers the first failed write, the buffer writes
        // during recording included; closing flushes the rest.
        if (!file.close()) record_error = file.error();
    }
    if (playing) file.close();
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
            file.write(buffer.data(), 1, buffer.size());
            buffer_pos = 0;
        }
        return;
    }
    const uint8_t current = buffer[buffer_pos];
    if ((current >> 7) != in_level || (current & 0x7F) == CAS_MAX_RUN) {
        if (++buffer_pos == TAPE_BUFFER_SIZE) {
            file.write(buffer.data(), 1, buffer.size());
            buffer_pos = 0;
        }
        buffer[buffer_pos] = in_level ? 0x80 : 0x00;
    }
    ++buffer[buffer_pos];
}

namespace {
constexpr size_t MAX_TAPE_PATH = 4096;

// The size of a regular file, or -1.
int64_t file_size(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return -1;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<int64_t>(size);
}
}  // namespace

void TapeDeck::save_state(StateWriter& out) {
    if (recording) {
        // Everything before the run being built goes to the file now.
        if (buffer_pos != 0) {
            file.write(buffer.data(), 1, static_cast<size_t>(buffer_pos));
            if (!is_wav) buffer[0] = buffer[static_cast<size_t>(buffer_pos)];
            buffer_pos = 0;
        }
        file.flush();
    }
    out.flag(playing != 0);
    out.flag(recording != 0);
    out.flag(is_wav != 0);
    out.u8(out_level);
    out.u8(in_level);
    out.u8(activity);
    out.u8(motor);
    out.i32(tick_event);
    if (playing) {
        out.text(path);
        out.u64(image_size);
        out.u64(static_cast<uint64_t>(buffer_offset));
        converter_at_refill.save_state(out);
        out.i32(buffer_pos);
        out.u8(buffer[static_cast<size_t>(buffer_pos)]);
        out.u64(bytes_left);
    } else if (recording) {
        out.text(path);
        out.u64(static_cast<uint64_t>(file.tell()));
        out.u32(samples_written);
        out.u8(buffer[0]);
    }
}

void TapeDeck::load_state(StateReader& in) {
    if (!in.staging) finish_file();
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
    if (!was_playing && !was_recording) return;

    const std::string saved_path = in.text(MAX_TAPE_PATH);
    const std::string& open_path = substitute_path.empty() ? saved_path : substitute_path;
    const int64_t size = file_size(open_path);
    if (was_playing) {
        image_size = in.u64();
        const uint64_t offset = in.u64();
        WavTapeConverter saved_converter;
        saved_converter.load_state(in);
        const int32_t pos = in.i32_in(0, TAPE_BUFFER_SIZE - 1);
        const uint8_t current = in.u8();
        bytes_left = in.u64();
        // The image must be the one that was playing, as far as its size tells.
        // (A converted recording counts ticks, at most six a byte: 8-bit mono
        // at 8000 Hz.)
        const uint64_t most_left = saved_converter.active() ? image_size * 6 : image_size;
        if (!in.ok() || size < 0 || static_cast<uint64_t>(size) != image_size || offset > image_size ||
            bytes_left > most_left) {
            in.fail();
            return;
        }
        if (in.staging) return;
        if (!file.open(open_path, FILE_READ_BINARY)) return;
        path = open_path;
        file.seek(static_cast<int64_t>(offset), SEEK_FROM_START);
        converter = saved_converter;
        refill_buffer(is_wav ? 0x00 : 0x7F);
        buffer_pos = pos;
        buffer[static_cast<size_t>(pos)] = current;
        playing = 1;
        return;
    }

    const uint64_t length = in.u64();
    samples_written = in.u32();
    const uint8_t current = in.u8();
    // The recording must still hold what was written up to the save, and
    // hold no more unless it is the one file that may be cut back.
    const bool may_cut = !cuttable_recording.empty() && open_path == cuttable_recording;
    if (!in.ok() || size < 0 || static_cast<uint64_t>(size) < length ||
        (!may_cut && static_cast<uint64_t>(size) != length) ||
        (is_wav && length != WAV_HEADER_SIZE + static_cast<uint64_t>(samples_written))) {
        in.fail();
        return;
    }
    if (in.staging) return;
    std::error_code error;
    if (static_cast<uint64_t>(size) != length) std::filesystem::resize_file(open_path, length, error);
    if (error || !file.open(open_path, FILE_READ_WRITE_BINARY)) return;
    path = open_path;
    file.seek(0, SEEK_FROM_END);
    buffer[0] = current;
    recording = 1;
}

}  // namespace m5
