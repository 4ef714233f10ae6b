#include "host/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace m5 {
namespace {

int error_or_eio(int error_number) { return error_number != 0 ? error_number : EIO; }

// The temporary's name pattern: hidden, in the destination's directory.
std::string temporary_pattern(const std::string& destination) {
    const size_t slash = destination.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "" : destination.substr(0, slash);
    const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
    return directory + "/." + name + ".part-XXXXXX";
}

}  // namespace

WholeFile::~WholeFile() { discard(); }

int32_t WholeFile::create(const std::string& path) {
    discard();
    destination = path;
    first_error = 0;
    std::string pattern = temporary_pattern(path);
    // mkstemp creates the file with O_EXCL: it never opens what is there.
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return error_or_eio(errno);
    stream = ::fdopen(fd, "wb");
    if (stream == nullptr) {
        const int error = error_or_eio(errno);
        ::close(fd);
        ::unlink(pattern.c_str());
        return error;
    }
    temporary = pattern;
    // The usual permissions of a new file rather than mkstemp's 0600.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    set_permissions(0666 & ~mask);
    return 0;
}

bool WholeFile::write(const void* data, size_t element_size, size_t count) {
    if (stream == nullptr) return false;
    const size_t written = std::fwrite(data, element_size, count, stream);
    if (written == count) return true;
    fail(errno);
    return false;
}

void WholeFile::fail(int error_number) {
    if (first_error == 0) first_error = error_or_eio(error_number);
}

void WholeFile::set_permissions(uint32_t permissions) {
    if (stream != nullptr) {
        ::fchmod(::fileno(stream), static_cast<mode_t>(permissions & 0777));
    } else if (!temporary.empty()) {
        ::chmod(temporary.c_str(), static_cast<mode_t>(permissions & 0777));
    }
}

int32_t WholeFile::finish() {
    if (stream == nullptr) return temporary.empty() ? EBADF : first_error;
    if (std::fflush(stream) != 0 || std::ferror(stream) != 0) fail(errno);
    if (std::fclose(stream) != 0) fail(errno);
    stream = nullptr;
    return first_error;
}

int32_t WholeFile::commit() {
    if (const int32_t error = finish(); error != 0) {
        discard();
        return error;
    }
    if (std::rename(temporary.c_str(), destination.c_str()) != 0) {
        const int error = error_or_eio(errno);
        discard();
        return error;
    }
    temporary.clear();
    return 0;
}

void WholeFile::discard() {
    if (stream != nullptr) std::fclose(stream);
    stream = nullptr;
    if (!temporary.empty()) ::unlink(temporary.c_str());
    temporary.clear();
}

}  // namespace m5
