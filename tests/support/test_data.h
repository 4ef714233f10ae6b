// Third-party test data, read in place from the shared folder beside the
// checkout (../shared), never copied into the repository. A test that needs
// it skips, with one line saying what is missing, when it is absent; with
// M5_REQUIRE_TEST_DATA set in the environment (as CI does, where the data is
// always present) the same test fails instead.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace m5::test {

// Path of a file or folder under the shared third-party data folder.
inline std::string shared_path(const std::string& relative) { return std::string(M5_SHARED_DIR) + "/" + relative; }

// "" when `path` exists; otherwise the one-line reason a test gives for
// skipping.
std::string missing_test_data(const std::string& path);

// True when M5_REQUIRE_TEST_DATA is set to anything but "" or "0".
bool test_data_required();

}  // namespace m5::test

// In a test body or SetUp: skips the test (or fails it, when the data is
// required) unless `path` exists.
#define M5_SKIP_WITHOUT_TEST_DATA(path)                                                       \
    do {                                                                                      \
        const std::string m5_missing_data = ::m5::test::missing_test_data(path);              \
        if (!m5_missing_data.empty()) {                                                       \
            if (::m5::test::test_data_required()) FAIL() << m5_missing_data << " (required)"; \
            GTEST_SKIP() << m5_missing_data;                                                  \
        }                                                                                     \
    } while (false)
