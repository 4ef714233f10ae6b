// StateWriter and StateReader: the byte streams through which components save
// and restore their whole state; StateArchive: the one description of a
// component's fields that drives either.
//
// Fields are little-endian whatever the host's byte order. A saved machine is
// a sequence of chunks, one per component: a 4-byte tag, a 32-bit length and
// that many bytes, so that a reader can step over a chunk it does not know.
// The bytes are the layout version of the chunk (32 bits), then its fields.
// A component lists its fields once, in a fixed order, to a StateArchive,
// which writes them when saving and reads them back in the same order when
// loading; a reader that runs past its end, or that a component finds
// holding a value it cannot take, is marked failed and from then on reads
// zeros. The caller checks ok() once at the end.
//
// Each component's chunk has a layout version of its own, starting at 1: a
// component that adds or changes a field raises its version and goes on
// reading every older layout, giving a field an old state lacks the value a
// reset gives it. States of the older file formats 1 and 2 framed their
// chunks without versions; their chunks count as version 0 (format 1, tapes
// named by a path) and 1 (format 2).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace m5 {

// Four characters packed as a chunk tag, first character in the low byte.
constexpr uint32_t state_tag(const char (&text)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

// Where one field went in a StateWriter's bytes.
struct FieldSpan {
    size_t offset;
    size_t size;
};

class StateWriter {
public:
    void u8(uint8_t v) { put(v, 1); }
    void u16(uint16_t v) { put(v, 2); }
    void u32(uint32_t v) { put(v, 4); }
    void u64(uint64_t v) { put(v, 8); }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void flag(bool v) { u8(v ? 1 : 0); }
    // A float by its IEEE 754 bits.
    void f32(float v) {
        uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        u32(bits);
    }
    void raw(const uint8_t* data, size_t size);
    // A 32-bit length, then the characters.
    void text(const std::string& s);

    // A chunk: the tag, a length filled in by end_chunk, the layout version
    // (1 until set_chunk_version), the fields between. Chunks do not nest.
    void begin_chunk(uint32_t tag);
    void set_chunk_version(uint32_t version);
    void end_chunk();

    const std::vector<uint8_t>& data() const { return bytes; }
    std::vector<uint8_t>& data() { return bytes; }

    // When set, every field written is noted here (a raw block as one), for
    // tests that change the fields of a state one by one.
    std::vector<FieldSpan>* field_log = nullptr;

private:
    void put(uint64_t v, int count) {
        if (field_log != nullptr) field_log->push_back({bytes.size(), static_cast<size_t>(count)});
        put_unlogged(v, count);
    }
    void put_unlogged(uint64_t v, int count) {
        for (int i = 0; i < count; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    std::vector<uint8_t> bytes;
    size_t chunk_start = 0;
};

class StateReader {
public:
    StateReader() = default;
    StateReader(const uint8_t* data, size_t size) : end(data + size), at(data) {}

    uint8_t u8() { return static_cast<uint8_t>(get(1)); }
    uint16_t u16() { return static_cast<uint16_t>(get(2)); }
    uint32_t u32() { return static_cast<uint32_t>(get(4)); }
    uint64_t u64() { return get(8); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32() {
        const uint32_t bits = u32();
        float v = 0;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // A byte that must be 0 or 1.
    bool flag();
    // Copies `size` bytes, or zeros when they are not there.
    void raw(uint8_t* out, size_t size);
    // A text of at most `max_length` characters.
    std::string text(size_t max_length);
    // An integer that must lie in [low, high]; low when it does not.
    int32_t i32_in(int32_t low, int32_t high);

    // The next chunk: its tag and a reader over exactly its fields, which
    // knows the chunk's layout version. False at the end (or, with the reader
    // failed, on a chunk longer than what is left or too short for its
    // version).
    bool next_chunk(uint32_t& tag, StateReader& body);

    void fail() { failed = true; }
    bool ok() const { return !failed; }
    size_t remaining() const { return static_cast<size_t>(end - at); }
    bool at_end() const { return at == end; }

    // Set on the reader of a staging copy: components check everything they
    // read but act on nothing outside the machine (no file is opened for
    // writing, nothing is truncated).
    bool staging = false;
    // Whether the chunks of this stream carry their layout versions (false
    // for the streams of state files of format 1 and 2, whose chunks all
    // have `version`).
    bool versioned_chunks = true;
    // The layout version of the chunk this reader reads (set by next_chunk).
    uint32_t version = 1;
    // Set when a chunk's layout is newer than its component reads: the state
    // was saved by a newer build.
    bool newer_layout = false;

private:
    uint64_t get(int count);
    const uint8_t* end = nullptr;
    const uint8_t* at = nullptr;
    bool failed = false;
};

// A component's state described once: each call hands one field to the
// archive, which writes it when saving and stores what it reads into it when
// loading, the same bytes either way. On load, a value the part cannot take
// marks the reader failed (i32_in, valid); the part then keeps a safe value.
class StateArchive {
public:
    explicit StateArchive(StateWriter& out) : writer(&out) {}
    explicit StateArchive(StateReader& in) : reader(&in) {}

    bool loading() const { return reader != nullptr; }
    // The layout version of the chunk, for a component whose layout is now
    // `current`: saving, records `current` and returns it; loading, returns
    // the version the chunk was written in (0 for a file of format 1), and
    // fails the load of a chunk newer than `current`. A component that never
    // asks has layout 1.
    uint32_t version(uint32_t current) {
        version_asked = true;
        if (!loading()) {
            writer->set_chunk_version(current);
            return current;
        }
        if (reader->version > current) {
            reader->newer_layout = true;
            reader->fail();
        }
        return reader->version;
    }
    bool asked_version() const { return version_asked; }
    // False once a load has failed (always true when saving).
    bool ok() const { return reader == nullptr || reader->ok(); }
    // The reader's staging mark (see StateReader); false when saving.
    bool staging() const { return reader != nullptr && reader->staging; }

    void field(uint8_t& v) { loading() ? void(v = reader->u8()) : writer->u8(v); }
    void field(uint16_t& v) { loading() ? void(v = reader->u16()) : writer->u16(v); }
    void field(uint32_t& v) { loading() ? void(v = reader->u32()) : writer->u32(v); }
    void field(uint64_t& v) { loading() ? void(v = reader->u64()) : writer->u64(v); }
    void field(int32_t& v) { loading() ? void(v = reader->i32()) : writer->i32(v); }
    // A flag: one byte, 0 or 1.
    void field(bool& v) { loading() ? void(v = reader->flag()) : writer->flag(v); }
    // A float by its IEEE 754 bits.
    void field(float& v) { loading() ? void(v = reader->f32()) : writer->f32(v); }
    // A field of which a load keeps only the bits of `mask`.
    template <typename T>
    void field(T& v, std::type_identity_t<T> mask) {
        field(v);
        if (loading()) v &= mask;
    }
    // A field kept as T and saved as Stored: a uint8_t level saved as a flag,
    // an int32_t saved in one byte.
    template <typename Stored, typename T>
    void field_as(T& v) {
        auto stored = static_cast<Stored>(v);
        field(stored);
        if (loading()) v = static_cast<T>(stored);
    }
    // An integer that must lie in [low, high]; a load outside it gives low.
    void i32_in(int32_t& v, int32_t low, int32_t high) {
        loading() ? void(v = reader->i32_in(low, high)) : writer->i32(v);
    }
    void raw(uint8_t* data, size_t size) { loading() ? reader->raw(data, size) : writer->raw(data, size); }
    // A 32-bit length, then the characters; a load takes at most max_length.
    void text(std::string& s, size_t max_length) { loading() ? void(s = reader->text(max_length)) : writer->text(s); }

    // On load, marks the reader failed unless `condition` holds and returns
    // it, so that the caller can put a value the part can take in place of
    // the bad one. Always true on save.
    bool valid(bool condition) {
        if (loading() && !condition) {
            reader->fail();
            return false;
        }
        return true;
    }

private:
    StateWriter* writer = nullptr;
    StateReader* reader = nullptr;
    bool version_asked = false;
};

}  // namespace m5
