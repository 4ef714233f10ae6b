#include "tools/output_file.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/whole_file.h"

namespace m5::tools {
namespace {

// As many links as the system itself follows before giving up.
constexpr int MAX_LINKS = 40;

std::string directory_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string describe(const std::string& path, int error_number) {
    return "cannot write '" + path + "': " + std::strerror(error_number != 0 ? error_number : EIO);
}

const char* kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

// A link in a sticky world-writable directory (/tmp) is followed only when
// this user owns it or the directory's owner does, as the kernel itself
// decides for links there: otherwise another user's planted link could send
// an output onto any file this user may write.
bool may_follow(const std::string& link, const struct stat& link_info, const std::string& path, std::string& error) {
    struct stat directory {};
    const std::string parent = directory_of(link);
    if (::stat(parent.c_str(), &directory) != 0) return true;  // lstat found the link: the open will tell
    const bool shared = (directory.st_mode & S_ISVTX) != 0 && (directory.st_mode & S_IWOTH) != 0;
    if (!shared || link_info.st_uid == ::geteuid() || link_info.st_uid == directory.st_uid) return true;
    error = "cannot write '" + path + "': it is a symbolic link of another user in the shared directory '" + parent +
            "', which is not followed";
    return false;
}

// Where an output path leads.
struct Target {
    bool to_standard_output = false;
    std::string file;  // links followed
    bool exists = false;
    mode_t permissions = 0;
};

// Follows `path` through symbolic links to the file it names, which must be
// a regular file or not exist yet.
bool resolve(const std::string& path, Target& target, std::string& error) {
    if (path == "-") {
        target.to_standard_output = true;
        return true;
    }
    if (path.empty() || path.back() == '/') {
        error = "cannot write '" + path + "': not a file name";
        return false;
    }
    std::string file = path;
    for (int links = 0;; ++links) {
        struct stat info {};
        if (::lstat(file.c_str(), &info) != 0) {
            if (errno == ENOENT) break;  // a new file
            error = describe(path, errno);
            return false;
        }
        if (S_ISLNK(info.st_mode)) {
            if (!may_follow(file, info, path, error)) return false;
            if (links == MAX_LINKS) {
                error = describe(path, ELOOP);
                return false;
            }
            char link[PATH_MAX];
            const ssize_t length = ::readlink(file.c_str(), link, sizeof link);
            if (length < 0 || length == static_cast<ssize_t>(sizeof link)) {
                error = describe(path, length < 0 ? errno : ENAMETOOLONG);
                return false;
            }
            const std::string named(link, static_cast<size_t>(length));
            file = named.front() == '/' ? named : directory_of(file) + "/" + named;
            continue;
        }
        if (!S_ISREG(info.st_mode)) {
            error = "cannot write '" + path + "': it is " + kind_of(info.st_mode) + ", not a regular file";
            return false;
        }
        target.exists = true;
        target.permissions = info.st_mode & 0777;
        break;
    }
    target.file = file;
    return true;
}

}  // namespace

bool check_output_path(const std::string& path, std::string& error) {
    Target target;
    if (!resolve(path, target, error)) return false;
    if (target.to_standard_output) return true;
    WholeFile probe;
    if (const int32_t failure = probe.create(target.file); failure != 0) {
        error = describe(path, failure);
        return false;
    }
    return true;
}

OutputFiles::~OutputFiles() {
    for (Staged& s : staged) discard(s);
}

void OutputFiles::discard(Staged& s) {
    if (s.unnamed != nullptr) std::fclose(s.unnamed);
    s.unnamed = nullptr;
    s.file.reset();
}

bool OutputFiles::stage(const std::string& path, const FillFile& fill, std::string& error) {
    Target target;
    if (!resolve(path, target, error)) return false;
    Staged s{path, target.file, nullptr, nullptr};
    if (target.to_standard_output) {
        // Held in an unnamed file until the run's outputs are complete.
        s.unnamed = std::tmpfile();
        if (s.unnamed == nullptr) {
            error = describe(path, errno);
            return false;
        }
        errno = 0;
        const bool filled = fill(s.unnamed);
        const int fill_error = filled ? 0 : (errno != 0 ? errno : EIO);
        int failure = fill_error;
        if (std::fflush(s.unnamed) != 0 || std::ferror(s.unnamed) != 0) failure = errno != 0 ? errno : EIO;
        if (failure != 0) {
            error = describe(path, failure);
            discard(s);
            return false;
        }
    } else {
        s.file = std::make_unique<WholeFile>();
        if (const int32_t failure = s.file->create(target.file); failure != 0) {
            error = describe(path, failure);
            return false;
        }
        errno = 0;
        const bool filled = fill(s.file->file());
        const int fill_error = filled ? 0 : (errno != 0 ? errno : EIO);
        int failure = s.file->finish();
        if (failure == 0) failure = fill_error;
        if (failure != 0) {
            error = describe(path, failure);
            discard(s);
            return false;
        }
        // A replaced file keeps its permissions; a new one has the usual ones.
        if (target.exists) s.file->set_permissions(target.permissions);
    }
    for (Staged& earlier : staged) {
        if (earlier.destination == s.destination && (earlier.unnamed != nullptr) == (s.unnamed != nullptr)) {
            discard(earlier);
            earlier = std::move(s);
            return true;
        }
    }
    staged.push_back(std::move(s));
    return true;
}

bool OutputFiles::stage_copy(const std::string& from, const std::string& path, std::string& error) {
    // `from` is the run's own working file: errors name the user's output.
    std::FILE* source = std::fopen(from.c_str(), "rb");
    if (source == nullptr) {
        error = describe(path, errno);
        return false;
    }
    const bool ok = stage(
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

bool OutputFiles::commit(std::string& error) {
    // Files first: what goes to standard output cannot be taken back.
    for (Staged& s : staged) {
        if (s.unnamed != nullptr) continue;
        if (const int32_t failure = s.file->commit(); failure != 0) {
            error = describe(s.path, failure);
            return false;
        }
        s.file.reset();
    }
    for (Staged& s : staged) {
        if (s.unnamed == nullptr) continue;
        std::rewind(s.unnamed);
        char buffer[65536];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, s.unnamed)) > 0) {
            if (std::fwrite(buffer, 1, got, stdout) != got) break;
        }
        if (std::ferror(s.unnamed) != 0 || std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
            error = describe(s.path, errno);
            return false;
        }
        discard(s);
    }
    staged.clear();
    return true;
}

bool write_output_file(const std::string& path, const FillFile& fill, std::string& error) {
    OutputFiles output;
    return output.stage(path, fill, error) && output.commit(error);
}

bool copy_to_output_file(const std::string& from, const std::string& path, std::string& error) {
    OutputFiles output;
    return output.stage_copy(from, path, error) && output.commit(error);
}

}  // namespace m5::tools
