#include "tools/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace m5::tools {
namespace {

std::string directory_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string base_name_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Opens a new, private temporary file beside `path`; -1 on failure.
int create_temporary_beside(const std::string& path, std::string& temporary) {
    std::string pattern = directory_of(path) + "/." + base_name_of(path) + ".part-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
    if (fd >= 0) temporary.assign(buffer.data());
    return fd;
}

std::string describe(const std::string& path, int error_number) {
    return "cannot write '" + path + "': " + std::strerror(error_number);
}

}  // namespace

bool check_output_path(const std::string& path, std::string& error) {
    if (path.empty() || path.back() == '/') {
        error = "cannot write '" + path + "': not a file name";
        return false;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = describe(path, EISDIR);
        return false;
    }
    std::string temporary;
    const int fd = create_temporary_beside(path, temporary);
    if (fd < 0) {
        error = describe(path, errno);
        return false;
    }
    ::close(fd);
    ::unlink(temporary.c_str());
    return true;
}

bool write_output_file(const std::string& path, const std::function<bool(std::FILE*)>& fill, std::string& error) {
    std::string temporary;
    const int fd = create_temporary_beside(path, temporary);
    if (fd < 0) {
        error = describe(path, errno);
        return false;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        error = describe(path, errno);
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    bool good = fill(file);
    if (std::fflush(file) != 0) good = false;
    const int saved_errno = errno;
    if (std::fclose(file) != 0) good = false;
    // Keep the usual permissions of a new file rather than mkstemp's 0600.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temporary.c_str(), 0666 & ~mask);
    if (good && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    error = describe(path, good ? errno : (saved_errno != 0 ? saved_errno : EIO));
    ::unlink(temporary.c_str());
    return false;
}

bool copy_to_output_file(const std::string& from, const std::string& path, std::string& error) {
    std::FILE* source = std::fopen(from.c_str(), "rb");
    if (source == nullptr) {
        error = "cannot read '" + from + "': " + std::strerror(errno);
        return false;
    }
    const bool ok = write_output_file(
        path,
        [&](std::FILE* out) {
            char buffer[65536];
            size_t got = 0;
            while ((got = std::fread(buffer, 1, sizeof buffer, source)) > 0) {
                if (std::fwrite(buffer, 1, got, out) != got) return false;
            }
            return std::ferror(source) == 0;
        },
        error);
    std::fclose(source);
    return ok;
}

}  // namespace m5::tools
