// Output files of the command-line tools, written so that no half-written
// file is ever left behind: each output is written completely to a temporary
// file beside its destination (a WholeFile), and only when every output of
// the run is complete are they renamed into place.
//
// An output path of "-" is standard output. Any other path is followed
// through symbolic links to the file it names, which is then replaced whole;
// an existing directory, FIFO, device or socket there is refused.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/whole_file.h"

namespace m5::tools {

// Checks, before any work is done, that an output can go to `path`: "-", or
// a path whose final file (links followed) is a regular file or does not yet
// exist, in a directory where a file can be created. On failure `error` says
// why, in one line.
bool check_output_path(const std::string& path, std::string& error);

// Writes a file's content: returns false when a write failed.
using FillFile = std::function<bool(std::FILE*)>;

// The outputs of one run. Each is staged (written in full to a temporary
// file) when its content is ready; commit() then puts them all in place.
// Whatever has not been committed is removed when the object goes.
class OutputFiles {
public:
    OutputFiles() = default;
    ~OutputFiles();
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    // Writes the content for `path`, replacing what was staged for the same
    // path before. False, with `error` set, when it could not be written.
    bool stage(const std::string& path, const FillFile& fill, std::string& error);
    // Stages a copy of the file at `from`.
    bool stage_copy(const std::string& from, const std::string& path, std::string& error);
    // Renames every staged file into place and copies the one for "-" to
    // standard output. False, with `error` set, at the first that fails.
    bool commit(std::string& error);

private:
    struct Staged {
        std::string path;                 // as given
        std::string destination;          // the file it names, links followed; "" for standard output
        std::unique_ptr<WholeFile> file;  // the staged file beside it
        std::FILE* unnamed = nullptr;     // the staged content for standard output
    };
    void discard(Staged& staged);

    std::vector<Staged> staged;
};

// Writes one output in the same manner (stage and commit).
bool write_output_file(const std::string& path, const FillFile& fill, std::string& error);

// Copies the file at `from` to the output `path` in the same manner.
bool copy_to_output_file(const std::string& from, const std::string& path, std::string& error);

}  // namespace m5::tools
