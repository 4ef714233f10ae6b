// WholeFile: a file written whole or not at all, for everything the host and
// the tools write over a file the user keeps (the settings, the sound
// recording, m5run's outputs).
//
// The content goes to a new temporary file beside the destination, named
// ".NAME.part-XXXXXX" in the same directory and created with mkstemp, so it
// is never an existing file or a link. Once written it is flushed, checked
// and closed (finish), and only then renamed over the destination (commit):
// the destination is always either the old file or the complete new one.
// A temporary that is not committed is removed when the object goes.
//
// Paths are the platform's own (UTF-8 on Linux); errors are error numbers
// (errno), 0 for none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace m5 {

class WholeFile {
public:
    WholeFile() = default;
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Creates and opens for writing a new temporary file beside
    // `destination`, with the usual permissions of a new file (0666 less the
    // umask). Any earlier temporary of this object is discarded first.
    // 0, or the error number that kept it from being created.
    int32_t create(const std::string& destination);
    // The temporary's stream from create until finish; null otherwise.
    std::FILE* file() const { return stream; }
    // The temporary's name while it exists; "" otherwise.
    const std::string& temporary_path() const { return temporary; }

    // Writes `count` elements of `element_size` bytes; the first failure is
    // remembered and reported by finish. False when not all were written.
    bool write(const void* data, size_t element_size, size_t count);
    // Notes a failure of the caller's own writes to file() (errno, or EIO
    // when it is 0), unless an earlier one is already noted.
    void fail(int error_number);
    // The permissions the file gets (only the 0777 bits are used), for a
    // file that replaces one whose permissions are to be kept.
    void set_permissions(uint32_t permissions);

    // Flushes, checks and closes the temporary. 0, or the error number of
    // the first failure since create; the temporary then stays until
    // commit or discard, so that the caller may read it back.
    int32_t finish();
    // Renames the finished temporary over the destination. 0, or the error
    // number of the failure (the temporary is then removed and the
    // destination is untouched).
    int32_t commit();
    // Removes the temporary, if any; the destination is untouched.
    void discard();

private:
    std::string destination;
    std::string temporary;
    std::FILE* stream = nullptr;
    int first_error = 0;
};

}  // namespace m5
