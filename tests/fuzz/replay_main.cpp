// Runs a fuzz target over saved inputs, without libFuzzer: every regular file
// named on the command line, and every regular file under each directory
// named (in name order). Used by the tests to replay the seed corpora and
// the inputs of past findings in every build.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int n = 1; n < argc; ++n) {
        const fs::path path = argv[n];
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            for (const auto& entry : fs::recursive_directory_iterator(path, ec))
                if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                    inputs.push_back(entry.path());
        } else if (fs::is_regular_file(path, ec)) {
            inputs.push_back(path);
        } else {
            std::fprintf(stderr, "%s: no such file or directory\n", path.c_str());
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 2;
    }
    for (const fs::path& path : inputs) {
        std::printf("%s\n", path.c_str());
        std::fflush(stdout);
        const std::vector<uint8_t> bytes = m5::fuzz::read_file(path.string());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
