// TapeDeck: the cassette data recorder.
//
// Real part: the data recorder plugged into the M5's cassette socket, with
// the machine's remote (motor) line starting and stopping the tape.
//
// Signals: outputs carries the playback level (in this machine to the
// system port's cassette input, read by programs in bit 0 of port 0x50).
// Inputs: signal 0 is the machine's cassette output level (recorded), signal
// 1 the motor line. The host plays, records and closes tapes and reads the
// activity flag through the Machine.
//
// Media: the host hands the deck a TapeImage to play or a TapeRecording to
// record into (tape_media.h), with the image's kind (WAV or CAS); the deck
// owns it until the tape is closed and never opens a file.
//
// Units of time: the tape moves in ticks of TAPE_TICK_US microseconds (80
// machine clocks, 47500 ticks a second of machine time); one level sample per
// tick. The tick is a periodic scheduler event that exists only while the
// motor is on and there is something to play or record.
//
// Tape images:
// - WAV: 44-byte header, then one unsigned 8-bit sample per tick; a sample of
//   0x80 or above plays as level 1. Recorded samples are 0xF0 and 0x10, and
//   the header's size fields are completed when the tape is closed. Images in
//   this format (8-bit mono at 47500 or 48000 Hz) and images whose header is
//   not understood play one byte a tick; any other PCM or float recording is
//   converted to levels at the tick rate as it plays (wav_tape_reader.h).
// - CAS: no header; one byte per run, bit 7 the level, bits 0-6 the run
//   length in ticks (runs of 0 are skipped on playback). A CAS image that
//   begins with "SORDM5" is a file of the M5's tape blocks: it plays as the
//   signal those blocks stand for (sordm5_tape.h), turned into runs when the
//   tape is put in.
//
// Save states name the tape by its content, never by a file: a played image
// by its size and SHA-256, a recording by its length and the SHA-256 of what
// was recorded. Loading resumes a tape only from media the host offers for it
// (or the tape in the deck now) whose content matches; otherwise the tape is
// left stopped and `load_note` says so.
//
// Known differences from the real device:
// - Levels are digital: no analogue signal, no filtering, no speed variation.
// - The deck's own WAV files, whose header says 48000 Hz, play at 47500
//   samples a second of machine time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "devices/tape_media.h"
#include "devices/wav_header.h"  // WAV_HEADER_SIZE
#include "devices/wav_tape_reader.h"
#include "machine/component.h"
#include "machine/scheduler.h"

namespace m5 {

inline constexpr int32_t TAPE_TICK_US = 21;
inline constexpr int32_t TAPE_BUFFER_SIZE = 0x20000;
inline constexpr int32_t CAS_MAX_RUN = 127;
inline constexpr uint8_t WAV_SAMPLE_HIGH = 0xF0;
inline constexpr uint8_t WAV_SAMPLE_LOW = 0x10;
// The RIFF size field (36 + sample bytes) is 32 bits: a recording stops
// taking samples when it would overflow.
inline constexpr uint32_t WAV_MAX_SAMPLE_BYTES = 0xFFFFFFFFu - (WAV_HEADER_SIZE - 8);

class TapeDeck final : public Component {
public:
    using Component::Component;
    // Finishes a recording that is still open (its header sizes are written).
    ~TapeDeck() override;

    void init() override;
    // Closes the tape, finishing a recording.
    void release() override;
    // Closes the tape, finishing a recording.
    void reset() override;
    // Signal 0: the machine's cassette output; signal 1: the motor line.
    void signal_in(int32_t signal, uint32_t data, uint32_t mask) override;
    // The playback level last sent, 0 or 1.
    int32_t signal_query() override { return out_level; }
    // The tape tick: plays or records one level sample.
    void on_event(int32_t param, int32_t lateness) override;
    // The tape by its content and position (layout 1; layout 0, of the
    // oldest files, named it by a path, and loads with the tape stopped).
    // Saving, a recording first hands its buffered samples to its medium, so
    // that it holds everything up to this point (its contents are the same
    // as without the save). Loading, everything is read and checked first;
    // then the tape in the deck is closed (a recording finished unless it is
    // the one resumed) and the saved tape resumes from `offered_image` or
    // `offered_recording`, or from the tape that was in the deck, when its
    // content matches; otherwise the deck is left stopped, its tick with it,
    // and `load_note` says why. A staging reader only checks. The tick of a
    // resumed tape is the one the scheduler's own state holds.
    void describe_state(StateArchive& archive) override;

    // Host commands, through the Machine. A null medium leaves the deck closed.
    void tape_play(std::unique_ptr<TapeImage> tape, TapeFormat format);
    void tape_record(std::unique_ptr<TapeRecording> tape, TapeFormat format);
    void tape_close();
    // The activity flag (the tape level changed since the last call), cleared
    // by the call.
    uint8_t tape_status();

    // Inspection (no side effects).
    bool tick_running() const { return tick_event != NO_EVENT; }

    SignalLinkList outputs;
    std::unique_ptr<TapeImage> image;                 // the tape playing
    std::unique_ptr<TapeRecording> recording_medium;  // the tape recording
    // Media the host offers for the tape a state names; a load takes the one
    // it resumes, and the host drops what is left afterwards.
    std::unique_ptr<TapeImage> offered_image;
    std::unique_ptr<TapeRecording> offered_recording;
    // Why the last load left a saved tape stopped ("" when it did not).
    std::string load_note;
    int32_t tick_event = NO_EVENT;
    uint8_t playing = 0;
    uint8_t recording = 0;
    uint8_t is_wav = 0;
    uint8_t out_level = 0;
    uint8_t in_level = 0;
    uint8_t activity = 0;
    uint8_t motor = 0;
    int32_t buffer_pos = 0;
    uint32_t samples_written = 0;
    // 0, or the error number of the first failed write of the last recording
    // (its image is then incomplete); the host reads it after closing the tape.
    int32_t record_error = 0;
    // Image bytes still to play; 64 bits so that images of several gigabytes
    // play to their end.
    uint64_t bytes_left = 0;
    uint64_t image_size = 0;    // size of the played image when it was opened
    int64_t buffer_offset = 0;  // image position the played buffer was read from
    TapeCursor cursor;          // reads the played image: `image`, or `runs`
    // The run lengths a SORDM5 block file plays as.
    std::unique_ptr<MemoryTapeImage> runs;
    // A recording: bytes in its medium, and the SHA-256 of those after the
    // header.
    uint64_t record_length = 0;
    Sha256 recorded;
    std::array<uint8_t, TAPE_BUFFER_SIZE> buffer{};
    // Active while a WAV recording is converted into the buffer.
    WavTapeConverter converter;
    WavTapeConverter converter_at_refill;  // as it was before the played buffer was filled

private:
    // Starts the tick event while the motor turns with a tape to play or a
    // recording, and stops it otherwise. Every tick asks: a tick that changes
    // neither costs a comparison here.
    void update_tick() {
        const bool must_run = motor && ((playing && bytes_left != 0) || recording);
        if (must_run != tick_running()) start_or_stop_tick(must_run);
    }
    void start_or_stop_tick(bool run);
    void send_playback_level(uint8_t level);
    // Starts playing `image` from its beginning.
    void start_playing();
    // Points the cursor at what `image` plays as: itself, or the runs of a
    // SORDM5 block file.
    void open_played_image();
    // Reads the next block of the image into the buffer, behind `fill` bytes.
    void refill_buffer(uint8_t fill);
    // Writes what is still buffered and the WAV header sizes, then ends the
    // recording; closes a played image. Touches nothing outside the deck, so
    // the destructor can use it.
    void finish_file();
    // Appends recorded bytes to the medium (and to the recording's digest).
    void append(const uint8_t* data, size_t count);
    void write_wav_header(uint32_t sample_bytes);
    void play_wav_tick();
    bool play_cas_tick(uint8_t& level);
    void record_tick();
    // Hands the buffered recording to its medium, keeping the run being built.
    void flush_recording();
    // Hands everything recorded to the medium, the WAV header's sizes
    // included, leaving the medium open.
    void complete_recording();
    // The tape part of a state, read and checked before the deck acts on it.
    struct SavedTape;
    void describe_saved(StateArchive& archive, SavedTape& saved, uint32_t layout);
    // The load's work once the fields are read and checked.
    void load_saved(SavedTape& saved, uint32_t layout);
    // The parts of it that resume a played or recorded tape.
    void resume_playing(SavedTape& saved, std::unique_ptr<TapeImage> in_deck);
    // What the deck's own recording held before a load completed it.
    struct RecordedSoFar {
        uint64_t length = UINT64_MAX;
        Sha256 hash;
    };
    void resume_recording(const SavedTape& saved, std::unique_ptr<TapeRecording>& in_deck,
                          const RecordedSoFar& in_deck_so_far);
};

}  // namespace m5
