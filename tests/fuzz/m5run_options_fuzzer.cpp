// m5run's command line: the input is the argument list, one argument per
// NUL-terminated piece. The parser either refuses it with a message or
// returns options whose values are all in their ranges.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "host/settings.h"
#include "tools/m5run_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args;
    std::string piece;
    for (size_t n = 0; n < size; ++n) {
        if (data[n] == 0) {
            args.push_back(piece);
            piece.clear();
        } else {
            piece.push_back(static_cast<char>(data[n]));
        }
    }
    if (!piece.empty()) args.push_back(piece);

    m5::tools::Options o;
    try {
        o = m5::tools::parse_options(args);
    } catch (const m5::tools::OptionError& error) {
        FUZZ_CHECK(error.what()[0] != '\0', "a refusal without a message");
        return 0;
    }
    FUZZ_CHECK(o.frames >= 0 && o.frames <= m5::tools::MAX_FRAMES, "frames out of range");
    FUZZ_CHECK(o.speed_index >= 0 && o.speed_index < 5, "speed out of range");
    FUZZ_CHECK(o.rate_index >= 0 && o.rate_index < m5::SAMPLE_RATE_COUNT, "sample rate out of range");
    FUZZ_CHECK(o.buffer_index >= 0 && o.buffer_index < m5::BUFFER_LENGTH_COUNT, "buffer length out of range");
    FUZZ_CHECK(o.paste_frame >= 1 && (o.paste_frame <= o.frames || o.paste_frame == 1), "paste frame out of range");
    for (const m5::tools::KeyHold& key : o.keys)
        FUZZ_CHECK(
            key.code >= 1 && key.code <= 255 && key.first_frame >= 1 && key.first_frame <= o.frames && key.frames >= 1,
            "a key hold out of range");
    for (const m5::tools::FrameFile& shot : o.screenshots_at)
        FUZZ_CHECK(shot.frame >= 1 && shot.frame <= o.frames, "a screenshot frame out of range");
    FUZZ_CHECK(o.tape.empty() || o.tape_record.empty(), "a tape played and recorded at once");
    return 0;
}
