// Output files of the command-line tools, written so that no half-written
// file is ever left behind: the content goes to a temporary file in the same
// directory, which is renamed over the destination only once it is complete.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace m5::tools {

// Checks, before any work is done, that `path` names a file that can be
// created: its directory exists and is writable and the path is not a
// directory. On failure `error` says why.
bool check_output_path(const std::string& path, std::string& error);

// Creates a temporary file beside `path`, lets `fill` write it (fill returns
// false on failure), flushes and closes it, and renames it to `path`. On any
// failure the temporary file is removed, `path` is left as it was, and
// `error` says why.
bool write_output_file(const std::string& path, const std::function<bool(std::FILE*)>& fill, std::string& error);

// Copies the file at `from` to `path` in the same manner.
bool copy_to_output_file(const std::string& from, const std::string& path, std::string& error);

}  // namespace m5::tools
