// Limits the size of the files this process writes while the object lives,
// for tests of failed writes: a write past the limit fails with EFBIG (the
// signal that would otherwise end the process is ignored meanwhile).
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <cstdint>

namespace m5::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved);
        saved_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(bytes), saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, saved_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved{};
    void (*saved_handler)(int) = nullptr;
};

}  // namespace m5::test
