#include "host/state_file.h"

#include <zlib.h>

#include <cstring>

#include "machine/state_io.h"

namespace m5 {

namespace {
constexpr size_t MAX_VERSION_TEXT = 64;
constexpr uint32_t MAX_CHUNKS_SIZE = 16u << 20;
}  // namespace

const char* emulator_version() { return M5_VERSION; }

std::vector<uint8_t> encode_state_file(const StateFile& state) {
    StateWriter out;
    out.raw(STATE_FILE_MAGIC, sizeof STATE_FILE_MAGIC);
    out.u32(state.format_version);
    out.text(state.emulator_version);
    out.u64(state.frames);
    out.u32(state.machine_time);
    out.raw(state.ipl.data(), state.ipl.size());
    out.raw(state.cartridge.data(), state.cartridge.size());

    uLongf packed_size = compressBound(static_cast<uLong>(state.chunks.size()));
    std::vector<uint8_t> packed(packed_size);
    // The fastest level: the chunks are mostly runs, and saving stays far
    // below a frame's time.
    if (compress2(packed.data(), &packed_size, state.chunks.data(), static_cast<uLong>(state.chunks.size()),
                  Z_BEST_SPEED) != Z_OK) {
        packed_size = 0;
    }
    out.u32(static_cast<uint32_t>(state.chunks.size()));
    out.u32(static_cast<uint32_t>(packed_size));
    out.raw(packed.data(), packed_size);
    out.u32(static_cast<uint32_t>(state.thumbnail.size()));
    out.raw(state.thumbnail.data(), state.thumbnail.size());
    out.u32(crc32(out.data().data(), out.data().size()));
    return std::move(out.data());
}

bool decode_state_file(const std::vector<uint8_t>& bytes, StateFile& out, std::string& error) {
    if (bytes.size() < sizeof STATE_FILE_MAGIC + 8 ||
        std::memcmp(bytes.data(), STATE_FILE_MAGIC, sizeof STATE_FILE_MAGIC) != 0) {
        error = "not a save state file";
        return false;
    }
    const size_t body = bytes.size() - 4;
    StateReader crc_field(bytes.data() + body, 4);
    if (crc32(bytes.data(), body) != crc_field.u32()) {
        error = "the save state is damaged (its checksum does not match)";
        return false;
    }
    StateReader in(bytes.data() + sizeof STATE_FILE_MAGIC, body - sizeof STATE_FILE_MAGIC);
    out.format_version = in.u32();
    if (out.format_version < 1 || out.format_version > STATE_FORMAT_VERSION) {
        error = "the save state has format version " + std::to_string(out.format_version) +
                "; this emulator reads versions 1 to " + std::to_string(STATE_FORMAT_VERSION);
        return false;
    }
    out.emulator_version = in.text(MAX_VERSION_TEXT);
    out.frames = in.u64();
    out.machine_time = in.u32();
    in.raw(out.ipl.data(), out.ipl.size());
    in.raw(out.cartridge.data(), out.cartridge.size());
    const uint32_t chunks_size = in.u32();
    const uint32_t packed_size = in.u32();
    const bool sizes_ok = in.ok() && chunks_size <= MAX_CHUNKS_SIZE && packed_size <= in.remaining();
    std::vector<uint8_t> packed(sizes_ok ? packed_size : 0);
    in.raw(packed.data(), packed.size());
    const uint32_t thumbnail_size = in.u32();
    if (!sizes_ok || !in.ok() || thumbnail_size != in.remaining()) {
        error = "the save state is malformed";
        return false;
    }
    out.thumbnail.resize(thumbnail_size);
    in.raw(out.thumbnail.data(), thumbnail_size);
    out.chunks.resize(chunks_size);
    uLongf unpacked = chunks_size;
    if (uncompress(out.chunks.data(), &unpacked, packed.data(), packed_size) != Z_OK || unpacked != chunks_size) {
        error = "the save state is malformed";
        return false;
    }
    return true;
}

}  // namespace m5
