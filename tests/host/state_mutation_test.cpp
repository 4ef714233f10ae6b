// Every field of a saved state set to the extremes of its type, the file
// packed again with a good checksum: the state is refused, leaving the
// machine exactly as it was, or it loads, runs 60 frames and saves a state
// that loads again. One case per part of the state; in the sanitizer build a
// value a part cannot take shows here as a crash, an overflow or a loop
// that never ends.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/settings.h"
#include "host/state_file.h"
#include "host/tape_files.h"
#include "host/test_platform.h"
#include "m5/machine.h"
#include "machine/state_io.h"
#include "state_emulator.h"
#include "support/sordm5_writer.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

constexpr int32_t FRAMES_AFTER = 60;

using test::Emulator;

// A state to change, with the media its machine had.
struct Base {
    std::string name;
    std::string parts;  // the tags of the chunks whose fields are changed in it
    std::string program;
    std::vector<uint8_t> file;
    StateFile state;
    std::vector<FieldSpan> fields;
    std::vector<uint8_t> tape;  // played, offered again to every load
};

Base make_base(const std::string& name, const std::string& parts, const std::string& program, int32_t frames,
               const std::string& setup) {
    Emulator emu(program);
    Base base{name, parts, program, {}, {}, {}, {}};
    if (setup == "paste") emu.host->paste_start("AB 12\n3");
    if (setup == "play") {
        base.tape = test::square_wave_wav();  // converted for the tape reader
        emu.host->tape_play(std::make_unique<MemoryTapeImage>(base.tape), TapeFormat::WAV);
    }
    if (setup == "record") emu.host->tape_record(emu.dir.file("out.cas"));
    emu.run(frames);
    base.file = emu.host->save_state(false);
    std::string error;
    EXPECT_TRUE(decode_state_file(base.file, base.state, error)) << error;
    StateWriter logged;
    logged.field_log = &base.fields;
    emu.host->write_state_chunks(logged);
    EXPECT_TRUE(logged.data() == base.state.chunks) << "the chunks are written the same way twice";
    return base;
}

const std::vector<Base>& bases() {
    static const std::vector<Base> all = {
        make_base("timers_sprites_paste", "MACH SCHD PSG VDP Z80 CTC SYSP MMAP HOST", "state_sprites", 45, "paste"),
        make_base("tape_playing", "TAPE SYSP", "host_tape_in", 30, "play"),
        make_base("tape_recording", "TAPE SYSP", "host_tape_out", 30, "record"),
    };
    return all;
}

// The chunks' tags by where they lie: tag -> [begin, end) of its bytes.
std::map<uint32_t, std::pair<size_t, size_t>> chunk_spans(const std::vector<uint8_t>& chunks) {
    std::map<uint32_t, std::pair<size_t, size_t>> spans;
    const auto le32 = [&](size_t at) {
        return static_cast<uint32_t>(chunks[at] | chunks[at + 1] << 8 | chunks[at + 2] << 16 | chunks[at + 3] << 24);
    };
    for (size_t at = 0; at + 8 <= chunks.size(); at += 8 + le32(at + 4)) spans[le32(at)] = {at, at + 8 + le32(at + 4)};
    return spans;
}

// The fields to change: all of them, but of a long run of fields of one
// size (the samples of a sound block in progress, after the block's own
// fields) only the first eight, the middle one and the last.
std::vector<FieldSpan> fields_to_change(const std::vector<FieldSpan>& fields, size_t begin, size_t end) {
    std::vector<FieldSpan> chosen;
    for (size_t i = 0; i < fields.size();) {
        size_t run = 1;
        while (i + run < fields.size() && fields[i + run].size == fields[i].size &&
               fields[i + run].offset == fields[i + run - 1].offset + fields[i].size) {
            ++run;
        }
        for (size_t k = 0; k < run; ++k) {
            const FieldSpan& field = fields[i + k];
            const bool sampled = k < 8 || k == run / 2 || k + 1 == run;
            if (sampled && field.offset >= begin && field.offset < end) chosen.push_back(field);
        }
        i += run;
    }
    return chosen;
}

// The values a field takes: the extremes of its size as unsigned and as
// signed; for a block of bytes, its first, middle and last byte at 0 and 0xFF.
std::vector<std::vector<std::pair<size_t, uint8_t>>> mutations(const FieldSpan& field) {
    std::vector<std::vector<std::pair<size_t, uint8_t>>> all;
    if (field.size > 8) {
        for (const size_t at : {field.offset, field.offset + field.size / 2, field.offset + field.size - 1}) {
            for (const uint8_t v : {0x00, 0xFF}) all.push_back({{at, v}});
        }
        return all;
    }
    for (int kind = 0; kind < 4; ++kind) {
        std::vector<std::pair<size_t, uint8_t>> bytes;
        for (size_t i = 0; i < field.size; ++i) {
            const bool top = i + 1 == field.size;
            const uint8_t v = kind == 0   ? 0x00
                              : kind == 1 ? 0xFF
                              : kind == 2 ? (top ? 0x7F : 0xFF)
                                          : (top ? 0x80 : 0x00);
            bytes.emplace_back(field.offset + i, v);
        }
        all.push_back(bytes);
    }
    return all;
}

class StateMutationTest : public ::testing::TestWithParam<const char*> {};

TEST_P(StateMutationTest, every_field_at_its_extremes_is_refused_or_runs_on) {
    const std::string name = GetParam();
    uint32_t tag = 0;
    for (size_t i = 0; i < 4; ++i) tag |= static_cast<uint32_t>(static_cast<uint8_t>(name[i])) << (8 * i);
    int32_t refused = 0, loaded = 0;
    std::string short_name = name;
    while (short_name.back() == ' ') short_name.pop_back();
    for (const Base& base : bases()) {
        if ((" " + base.parts + " ").find(" " + short_name + " ") == std::string::npos) continue;
        const auto spans = chunk_spans(base.state.chunks);
        const auto span = spans.find(tag);
        ASSERT_NE(span, spans.end()) << base.name;
        for (const FieldSpan& field : fields_to_change(base.fields, span->second.first, span->second.second)) {
            for (const auto& change : mutations(field)) {
                StateFile mutated = base.state;
                bool same = true;
                for (const auto& [at, value] : change) {
                    same = same && mutated.chunks[at] == value;
                    mutated.chunks[at] = value;
                }
                if (same) continue;
                const std::vector<uint8_t> file = encode_state_file(mutated);
                SCOPED_TRACE(base.name + ": field at " + std::to_string(field.offset - span->second.first) +
                             " of the chunk, set to " + std::to_string(change.front().second));
                Emulator emu(base.program);
                const std::vector<uint8_t> before = emu.host->save_state(false);
                StateMedia media;
                if (!base.tape.empty()) media.tape = std::make_unique<MemoryTapeImage>(base.tape);
                std::string error;
                if (!emu.host->load_state(file, error, std::move(media))) {
                    ++refused;
                    ASSERT_FALSE(error.empty());
                    ASSERT_TRUE(emu.host->save_state(false) == before) << "a refused state changed the machine";
                    continue;
                }
                ++loaded;
                emu.run(FRAMES_AFTER);
                const std::vector<uint8_t> again = emu.host->save_state(false);
                ASSERT_TRUE(emu.host->load_state(again, error)) << "its own state is refused: " << error;
            }
        }
    }
    EXPECT_GT(refused + loaded, 0) << "no field of the chunk was changed";
    std::printf("%s: %d states refused, %d loaded and ran on\n", GetParam(), refused, loaded);
}

// Every chunk with fields: the component list, each component that has a
// state (the null component, the I/O bus and the keyboard save none), the
// host's part.
INSTANTIATE_TEST_SUITE_P(Parts, StateMutationTest,
                         ::testing::Values("MACH", "SCHD", "TAPE", "PSG ", "VDP ", "Z80 ", "CTC ", "SYSP", "MMAP",
                                           "HOST"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             if (name.back() == ' ') name.pop_back();
                             return name;
                         });

}  // namespace
}  // namespace m5
