// A fresh directory under the system's temporary folder, removed with
// everything in it when the object goes (the one every test that needs a
// folder uses); it can be a program directory holding one of our test
// programs as IPL.ROM.
#pragma once

#include <filesystem>
#include <string>

namespace m5::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory, ending with '/' (the form program directories take).
    std::string dir() const { return path_ + "/"; }
    std::filesystem::path path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    // Copies the assembled test program `rom_name` in as IPL.ROM; returns
    // its bytes (empty when the program could not be read).
    std::string install_ipl(const std::string& rom_name) const;

private:
    std::string path_;
};

// The whole contents of a file ("" when it cannot be read).
std::string read_file(const std::string& path);
// Writes `bytes` as the whole file.
void write_file(const std::string& path, const std::string& bytes);

}  // namespace m5::test
