#include "machine/state_io.h"

#include <cstring>

namespace m5 {

void StateWriter::raw(const uint8_t* data, size_t size) {
    if (size == 0) return;
    const size_t at = bytes.size();
    if (field_log != nullptr) field_log->push_back({at, size});
    bytes.resize(at + size);
    std::memcpy(bytes.data() + at, data, size);
}

void StateWriter::text(const std::string& s) {
    u32(static_cast<uint32_t>(s.size()));
    raw(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

void StateWriter::begin_chunk(uint32_t tag) {
    put_unlogged(tag, 4);
    chunk_start = bytes.size();
    put_unlogged(0, 4);
    put_unlogged(1, 4);
}

void StateWriter::set_chunk_version(uint32_t version) {
    for (int i = 0; i < 4; ++i)
        bytes[chunk_start + 4 + static_cast<size_t>(i)] = static_cast<uint8_t>(version >> (8 * i));
}

void StateWriter::end_chunk() {
    const auto length = static_cast<uint32_t>(bytes.size() - chunk_start - 4);
    for (int i = 0; i < 4; ++i) bytes[chunk_start + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
}

uint64_t StateReader::get(int count) {
    if (failed || remaining() < static_cast<size_t>(count)) {
        failed = true;
        return 0;
    }
    uint64_t v = 0;
    for (int i = 0; i < count; ++i) v |= static_cast<uint64_t>(at[i]) << (8 * i);
    at += count;
    return v;
}

bool StateReader::flag() {
    const uint8_t v = u8();
    if (v > 1) failed = true;
    return v == 1;
}

void StateReader::raw(uint8_t* out, size_t size) {
    if (size == 0) return;
    if (failed || remaining() < size) {
        failed = true;
        std::memset(out, 0, size);
        return;
    }
    std::memcpy(out, at, size);
    at += size;
}

std::string StateReader::text(size_t max_length) {
    const uint32_t length = u32();
    if (failed || length > max_length || length > remaining()) {
        failed = true;
        return {};
    }
    std::string s(reinterpret_cast<const char*>(at), length);
    at += length;
    return s;
}

int32_t StateReader::i32_in(int32_t low, int32_t high) {
    const int32_t v = i32();
    if (v < low || v > high) {
        failed = true;
        return low;
    }
    return v;
}

bool StateReader::next_chunk(uint32_t& tag, StateReader& body) {
    if (failed || at_end()) return false;
    tag = u32();
    const uint32_t length = u32();
    if (failed || length > remaining()) {
        failed = true;
        return false;
    }
    body = StateReader(at, length);
    body.staging = staging;
    body.versioned_chunks = versioned_chunks;
    body.version = version;
    if (versioned_chunks) {
        body.version = body.u32();
        if (!body.ok()) {
            failed = true;
            return false;
        }
    }
    at += length;
    return true;
}

}  // namespace m5
