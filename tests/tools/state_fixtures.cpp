#include "state_fixtures.h"

#include <fstream>
#include <sstream>

#include "host/checksums.h"
#include "support/hex_text.h"

namespace m5::test {

std::string state_fixtures_dir() { return std::string(M5_SOURCE_DIR) + "/tests/fixtures/states/"; }

bool recorded_run(const std::string& name, RecordedRun& run) {
    std::ifstream in(state_fixtures_dir() + "expected.txt");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string first;
        if (fields >> first && first == name)
            return static_cast<bool>(fields >> run.ipl >> run.frames >> run.ram >> run.vram >> run.samples);
    }
    return false;
}

std::string sha256_hex(const void* data, size_t size) {
    const Sha256Digest digest = sha256(static_cast<const uint8_t*>(data), size);
    return hex_text(digest.data(), digest.size());
}

}  // namespace m5::test
