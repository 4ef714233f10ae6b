#include "devices/sordm5_tape.h"

#include <algorithm>
#include <cstring>

#include "devices/wav_tape_reader.h"  // TAPE_TICKS_PER_SECOND

namespace m5 {

namespace {

constexpr int32_t CAS_RUN_MAX = 127;
constexpr uint8_t CAS_LEVEL_BIT = 0x80;

// Header block fields: offsets into the block's bytes.
constexpr size_t HEADER_FILE_TYPE = 0;
constexpr size_t HEADER_NAME = 1;
constexpr size_t HEADER_LOAD = 10;
constexpr size_t HEADER_LENGTH = 12;
constexpr size_t HEADER_START = 14;
constexpr size_t HEADER_FIELDS_END = 16;

uint16_t le16_at(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

Sordm5Header read_header(const uint8_t* fields) {
    Sordm5Header h;
    h.file_type = fields[HEADER_FILE_TYPE];
    const auto* name = reinterpret_cast<const char*>(fields + HEADER_NAME);
    h.name.assign(name, strnlen(name, SORDM5_NAME_SIZE));
    h.load_address = le16_at(fields + HEADER_LOAD);
    h.length = le16_at(fields + HEADER_LENGTH);
    h.start_address = le16_at(fields + HEADER_START);
    return h;
}

}  // namespace

bool is_sordm5_image(const uint8_t* data, size_t size) {
    return size >= SORDM5_SIGNATURE_SIZE && std::memcmp(data, SORDM5_SIGNATURE, SORDM5_SIGNATURE_SIZE) == 0;
}

std::vector<Sordm5Block> parse_sordm5_blocks(const uint8_t* data, size_t size) {
    std::vector<Sordm5Block> blocks;
    if (!is_sordm5_image(data, size)) return blocks;
    for (size_t at = SORDM5_FILE_HEADER_SIZE; at < size;) {
        Sordm5Block& b = blocks.emplace_back();
        b.offset = at;
        b.type = data[at];
        if (size - at < 2) break;
        b.has_length = true;
        b.length = data[at + 1] == 0 ? 256 : data[at + 1];
        const size_t body = at + 2;
        const size_t length = static_cast<size_t>(b.length);
        b.present = static_cast<int32_t>(std::min(length, size - body));
        for (int32_t i = 0; i < b.present; ++i) b.sum = static_cast<uint8_t>(b.sum + data[body + i]);
        if (b.type == SORDM5_HEADER_BLOCK && b.present >= static_cast<int32_t>(HEADER_FIELDS_END)) {
            b.has_header = true;
            b.header = read_header(data + body);
        }
        if (size - body <= length) break;  // no checksum byte: the file ends in the block
        b.has_checksum = true;
        b.checksum = data[body + length];
        at = body + length + 1;
    }
    return blocks;
}

void sordm5_signal(const uint8_t* data, size_t size, const std::function<void(uint8_t level, int32_t samples)>& half) {
    auto bit = [&](bool one) {
        half(0, one ? SORDM5_ONE_LOW : SORDM5_ZERO_LOW);
        half(1, one ? SORDM5_ONE_HIGH : SORDM5_ZERO_HIGH);
    };
    for (const Sordm5Block& b : parse_sordm5_blocks(data, size)) {
        for (int32_t i = 0; i < SORDM5_LEADER_BITS; ++i) bit(true);
        // The block's bytes as the file holds them: type, length, contents
        // and checksum, or as many of them as there are.
        const size_t count = 1 + (b.has_length ? 1 : 0) + static_cast<size_t>(b.present) + (b.has_checksum ? 1 : 0);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t byte = data[b.offset + i];
            bit(false);
            for (int32_t k = 0; k < 8; ++k) bit(((byte >> k) & 1) != 0);
            if (b.has_checksum && i + 1 == count) {
                half(0, SORDM5_END_LOW);
                half(1, SORDM5_END_HIGH);
            } else {
                bit(true);
            }
        }
    }
}

void sordm5_runs(const uint8_t* data, size_t size, int32_t rate_hz,
                 const std::function<void(uint8_t level, int64_t steps)>& run) {
    int64_t samples = 0;  // the signal so far, at 44.1 kHz
    int64_t steps = 0;    // and in whole steps of the rate
    uint8_t level = 0;
    int64_t pending = 0;  // steps of `level` not yet handed on
    sordm5_signal(data, size, [&](uint8_t half_level, int32_t half_samples) {
        samples += half_samples;
        const int64_t end = samples * rate_hz / SORDM5_SAMPLE_RATE_HZ;
        if (half_level != level && pending > 0) {
            run(level, pending);
            pending = 0;
        }
        level = half_level;
        pending += end - steps;
        steps = end;
    });
    if (pending > 0) run(level, pending);
}

std::vector<uint8_t> sordm5_to_cas(const uint8_t* data, size_t size) {
    std::vector<uint8_t> cas;
    sordm5_runs(data, size, TAPE_TICKS_PER_SECOND, [&](uint8_t level, int64_t ticks) {
        const uint8_t bit = level != 0 ? CAS_LEVEL_BIT : 0;
        for (; ticks > 0; ticks -= CAS_RUN_MAX) {
            cas.push_back(static_cast<uint8_t>(bit | std::min<int64_t>(ticks, CAS_RUN_MAX)));
        }
    });
    return cas;
}

}  // namespace m5
