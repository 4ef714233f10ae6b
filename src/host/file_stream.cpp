#include "host/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace m5 {

namespace {

struct ModeInfo {
    const char* text;
    int flags;
};

// Mode strings by mode number, with the open(2) flags of each.
constexpr ModeInfo MODES[] = {
    {nullptr, 0},
    {"rb", O_RDONLY},
    {"wb", O_WRONLY | O_CREAT | O_TRUNC},
    {"r+b", O_RDWR},
    {"r", O_RDONLY},
    {"w", O_WRONLY | O_CREAT | O_TRUNC},
    {"r+w", O_RDWR},
    {"w+b", O_RDWR | O_CREAT | O_TRUNC},
};

}  // namespace

FileStream::~FileStream() { close(); }

bool FileStream::open(const std::string& path, int32_t mode) {
    close();
    first_error = 0;
    if (mode < FILE_READ_BINARY || mode > FILE_CREATE_READ_WRITE) return false;
    const ModeInfo& info = MODES[mode];

    // Open without blocking (a FIFO would wait for a writer), then make sure
    // it is a regular file before handing it to stdio.
    const int fd = ::open(path.c_str(), info.flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status != -1) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    return adopt(fd, info.text);
}

bool FileStream::adopt(int fd, const char* mode_text) {
    handle = ::fdopen(fd, mode_text);
    if (handle == nullptr) {
        ::close(fd);
        return false;
    }
    return true;
}

void FileStream::note_failure(int error_number) {
    if (first_error == 0) first_error = error_number != 0 ? error_number : EIO;
}

bool FileStream::close() {
    if (handle != nullptr) {
        if (std::fclose(handle) != 0) note_failure(errno);
        handle = nullptr;
    }
    return first_error == 0;
}

size_t FileStream::read(void* buffer, size_t element_size, size_t count) {
    if (handle == nullptr) return 0;
    return std::fread(buffer, element_size, count, handle);
}

size_t FileStream::write(const void* buffer, size_t element_size, size_t count) {
    if (handle == nullptr) return 0;
    const size_t written = std::fwrite(buffer, element_size, count, handle);
    if (written != count) note_failure(errno);
    return written;
}

int32_t FileStream::seek(int64_t offset, int32_t origin) {
    if (handle == nullptr) return -1;
    int whence = 0;
    switch (origin) {
        case SEEK_FROM_START: whence = SEEK_SET; break;
        case SEEK_FROM_CURRENT: whence = SEEK_CUR; break;
        case SEEK_FROM_END: whence = SEEK_END; break;
        default: return -1;
    }
    // A seek flushes what is buffered, so a failed write can surface here.
    if (::fseeko(handle, static_cast<off_t>(offset), whence) == 0) return 0;
    note_failure(errno);
    return -1;
}

int64_t FileStream::tell() {
    if (handle == nullptr) return -1;
    return static_cast<int64_t>(::ftello(handle));
}

bool FileStream::flush() { return handle != nullptr && std::fflush(handle) == 0; }

bool FileStream::truncate(int64_t length) {
    if (handle == nullptr || std::fflush(handle) != 0) return false;
    return ::ftruncate(::fileno(handle), static_cast<off_t>(length)) == 0;
}

int64_t FileStream::size() {
    if (handle == nullptr) return -1;
    std::fflush(handle);
    struct stat st {};
    return ::fstat(::fileno(handle), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

int32_t readable_file_error(const std::string& path) {
    FileStream file;
    errno = 0;
    if (file.open(path, FILE_READ_BINARY)) return 0;
    return errno != 0 ? errno : EINVAL;
}

int32_t read_file(const std::string& path, size_t max_bytes, std::vector<uint8_t>& bytes, bool* longer) {
    bytes.clear();
    if (longer != nullptr) *longer = false;
    FileStream file;
    errno = 0;
    if (!file.open(path, FILE_READ_BINARY)) return errno != 0 ? errno : EINVAL;
    const int64_t size = file.size();
    const size_t wanted = size < 0 ? max_bytes : static_cast<size_t>(std::min<uint64_t>(size, max_bytes));
    bytes.resize(wanted);
    const size_t got = file.read(bytes.data(), 1, wanted);
    if (got != wanted) {
        bytes.clear();
        return EIO;
    }
    if (longer != nullptr) *longer = size > 0 && static_cast<uint64_t>(size) > max_bytes;
    return 0;
}

bool FileStream::remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace m5
