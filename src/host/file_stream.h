// FileStream: the one wrapper through which the emulator reads and writes
// files (ROM and cartridge images, tapes, the sound recording, the settings).
//
// It owns at most one open stream and names its open modes by small numbers.
// Paths are the platform's own (UTF-8 on Linux). Only regular files are ever
// opened: a directory, a device or a FIFO fails to open, so nothing blocks and
// nothing odd is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace m5 {

enum FileMode : int32_t {
    FILE_READ_BINARY = 1,        // "rb"
    FILE_WRITE_BINARY = 2,       // "wb"
    FILE_READ_WRITE_BINARY = 3,  // "r+b"
    FILE_READ_TEXT = 4,          // "r"
    FILE_WRITE_TEXT = 5,         // "w"
    FILE_READ_WRITE_TEXT = 6,    // "r+w"
    FILE_CREATE_READ_WRITE = 7,  // "w+b": created or emptied, then read and written
};

enum SeekOrigin : int32_t { SEEK_FROM_START = 0, SEEK_FROM_CURRENT = 1, SEEK_FROM_END = 2 };

class FileStream {
public:
    FileStream() = default;
    ~FileStream();
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Closes any open stream, then opens `path` in `mode` (1..7). False when
    // no stream was obtained (also for any other mode); the wrapper is then
    // closed.
    bool open(const std::string& path, int32_t mode);
    // Closes the stream if one is open. False when the stream's writes did
    // not all reach the file: a write, seek or the final flush failed since
    // it was opened (error() says why).
    bool close();
    bool is_open() const { return handle != nullptr; }

    // Element counts, as the C runtime gives them; 0 on a closed wrapper.
    size_t read(void* buffer, size_t element_size, size_t count);
    size_t write(const void* buffer, size_t element_size, size_t count);
    // 0 on success; -1 for an unknown origin (no move) or a closed wrapper.
    int32_t seek(int64_t offset, int32_t origin);
    // Current position, or -1 on a closed wrapper.
    int64_t tell();
    // Hands what is buffered to the system; false on a closed wrapper or an error.
    bool flush();
    // Cuts the file to `length` bytes (what is buffered is written first);
    // false on a closed wrapper or an error.
    bool truncate(int64_t length);
    // The file's size, or -1 on a closed wrapper.
    int64_t size();

    // The error number (errno) of the first failed write, seek or flush since
    // the last open, also after close; 0 when there was none.
    int32_t error() const { return first_error; }

    // Deletes the named file; true when it was deleted.
    static bool remove(const std::string& path);

private:
    // Hands an open descriptor of a regular file to stdio.
    bool adopt(int fd, const char* mode_text);
    void note_failure(int error_number);

    std::FILE* handle = nullptr;
    int32_t first_error = 0;
};

// 0 when `path` is a regular file that can be opened for reading; else the
// error number (EINVAL for a directory, a FIFO or a device, found without
// blocking on it).
int32_t readable_file_error(const std::string& path);

// Reads a regular file whole, or its first `max_bytes` when it is longer
// (`longer` then says so). 0, or the error number that kept it from being
// read (a directory, a FIFO or a device gives EINVAL without being read).
int32_t read_file(const std::string& path, size_t max_bytes, std::vector<uint8_t>& bytes, bool* longer = nullptr);

}  // namespace m5
