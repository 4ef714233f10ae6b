// The settings image: the input is a settings file as the program finds it.
// Loading it, reading the recent lists, promoting an entry, and saving and
// loading again must keep every byte the format says is kept.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "host/settings.h"
#include "host/text_codes.h"

namespace {

using m5::RecentList;
using m5::Settings;

// Checks the recent list's entries one by one: each that is a well-formed
// path is found at or before its own place, and promoting it puts it first
// and shifts only the entries before it.
void check_recent_list(const RecentList& list) {
    for (int32_t i = 0; i < m5::RECENT_COUNT; ++i) {
        const std::string path = m5::recent_path(list, i);
        FUZZ_CHECK(m5::recent_empty(list, i) == path.empty(), "an entry is empty and not empty");
        const auto& slot = list[static_cast<size_t>(i)];
        std::u16string units;
        size_t length = 0;
        while (length < slot.size() && slot[length] != 0) ++length;
        const bool exact = m5::utf8_to_utf16(path, units) && units == std::u16string(slot.data(), length);
        if (!exact || !m5::path_fits_slot(path)) continue;
        const int32_t found = m5::find_recent(list, path);
        FUZZ_CHECK(found <= i && m5::recent_path(list, found) == path, "an entry is not found in its list");

        RecentList promoted = list;
        FUZZ_CHECK(m5::promote_recent(promoted, i, path), "an entry read from the list cannot be put back");
        FUZZ_CHECK(m5::recent_path(promoted, 0) == path, "the promoted entry is not first");
        for (int32_t k = 1; k <= i; ++k)
            FUZZ_CHECK(m5::recent_path(promoted, k) == m5::recent_path(list, k - 1), "an entry moved wrongly");
        for (int32_t k = i + 1; k < m5::RECENT_COUNT; ++k)
            FUZZ_CHECK(promoted[static_cast<size_t>(k)] == list[static_cast<size_t>(k)], "a later entry changed");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& dir = m5::fuzz::scratch_dir();
    m5::fuzz::write_file(m5::settings_file_name(dir), data, size);
    Settings loaded;
    loaded.load_settings(dir);
    FUZZ_CHECK(loaded.version == m5::SETTINGS_VERSION, "a loaded record has another version");
    const std::vector<uint8_t> image = loaded.image();
    FUZZ_CHECK(image.size() == static_cast<size_t>(m5::SETTINGS_SIZE), "the image has the wrong size");
    if (size >= image.size() && data[0] == m5::SETTINGS_VERSION && data[1] == 0 && data[2] == 0 && data[3] == 0)
        FUZZ_CHECK(std::equal(image.begin(), image.end(), data), "a whole record does not load byte for byte");

    check_recent_list(loaded.recent_carts);
    check_recent_list(loaded.recent_tapes);

    FUZZ_CHECK(loaded.save_settings(dir), "the record cannot be saved");
    Settings again;
    again.load_settings(dir);
    FUZZ_CHECK(again.image() == image, "the record does not survive saving and loading");
    return 0;
}
