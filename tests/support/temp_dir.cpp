#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/test_host.h"

namespace m5::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / "m5test.XXXXXX").string();
    if (ec || ::mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot create a temporary directory from " << pattern;
        return;
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    // A test may have taken its own permissions away.
    fs::permissions(path_, fs::perms::owner_all, ec);
    fs::remove_all(path_, ec);
}

std::string TempDir::install_ipl(const std::string& rom_name) const {
    const std::string rom = read_file(rom_path(rom_name));
    std::ofstream(file("IPL.ROM"), std::ios::binary) << rom;
    return rom;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace m5::test
