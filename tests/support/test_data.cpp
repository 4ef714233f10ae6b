#include "support/test_data.h"

#include <cstdlib>
#include <filesystem>

namespace m5::test {

std::string missing_test_data(const std::string& path) {
    std::error_code error;
    if (std::filesystem::exists(path, error)) return "";
    return "third-party test data not found: " + path + " (see README, Test data)";
}

bool test_data_required() {
    const char* value = std::getenv("M5_REQUIRE_TEST_DATA");
    return value != nullptr && *value != '\0' && std::string(value) != "0";
}

}  // namespace m5::test
