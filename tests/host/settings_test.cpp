#include "host/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "host/test_platform.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace m5 {
namespace {

using test::TempDir;

void write_all(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string image_string(const Settings& s) {
    const std::vector<uint8_t> bytes = s.image();
    return {bytes.begin(), bytes.end()};
}

// A list holding the paths given, in order.
RecentList list_of(std::initializer_list<const char*> paths) {
    RecentList list{};
    int32_t i = 0;
    for (const char* p : paths) {
        for (size_t k = 0; p[k] != 0; ++k) list[static_cast<size_t>(i)][k] = static_cast<char16_t>(p[k]);
        ++i;
    }
    return list;
}

std::vector<std::string> paths_of(const RecentList& list) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < RECENT_COUNT; ++i) out.push_back(recent_path(list, i));
    return out;
}

TEST(SettingsTest, image_has_the_documented_layout) {
    Settings s;
    s.default_settings();
    s.recent_carts[1][0] = u'C';
    s.recent_tapes[7][259] = 0x1234;
    s.cpu_speed = 3;
    s.reserved = -2;
    s.sample_rate_index = 6;
    s.buffer_length_index = 2;
    const std::vector<uint8_t> b = s.image();
    ASSERT_EQ(b.size(), 8340u);
    EXPECT_EQ(b[0], 22);
    EXPECT_EQ(b[4 + 520], 'C');
    EXPECT_EQ(b[4164 + 7 * 520 + 518], 0x34);
    EXPECT_EQ(b[4164 + 7 * 520 + 519], 0x12);
    EXPECT_EQ(b[8324], 3);
    EXPECT_EQ(b[8328], 0xFE);
    EXPECT_EQ(b[8331], 0xFF);
    EXPECT_EQ(b[8332], 6);
    EXPECT_EQ(b[8336], 2);
}

TEST(SettingsTest, save_then_load_gives_back_the_record_byte_for_byte) {
    TempDir dir;
    Settings s;
    s.default_settings();
    // Slots with units after their terminators, kept as they are.
    for (size_t i = 0; i < 8; ++i) {
        for (size_t k = 0; k < 260; ++k) {
            s.recent_carts[i][k] = static_cast<char16_t>(0x41 + (i * 7 + k) % 50);
            s.recent_tapes[i][k] = static_cast<char16_t>(0x3000 + i + k);
        }
        s.recent_carts[i][5 + i] = 0;
        s.recent_tapes[i][i] = 0;
    }
    s.cpu_speed = 4;
    s.reserved = 0x7A5A;
    s.sample_rate_index = 0;
    s.buffer_length_index = 3;
    ASSERT_TRUE(s.save_settings(dir.dir()));
    const std::string file = test::read_file(dir.file("m5ce.cfg"));
    EXPECT_EQ(file, image_string(s));
    EXPECT_FALSE(std::filesystem::exists(dir.file("m5ce.cfg.tmp")));

    Settings back;
    back.load_settings(dir.dir());
    EXPECT_EQ(image_string(back), file);
}

TEST(SettingsTest, missing_file_or_other_version_gives_defaults) {
    TempDir dir;
    Settings s;
    s.cpu_speed = 2;
    s.load_settings(dir.dir());
    EXPECT_EQ(s.version, 22);
    EXPECT_EQ(s.cpu_speed, 0);
    EXPECT_EQ(s.sample_rate_index, 1);
    EXPECT_EQ(s.buffer_length_index, 0);
    EXPECT_TRUE(recent_empty(s.recent_carts, 0));

    Settings old;
    old.default_settings();
    old.version = 21;
    old.cpu_speed = 3;
    old.recent_carts[0][0] = u'x';
    const std::vector<uint8_t> bytes = old.image();
    write_all(dir.file("m5ce.cfg"), std::string(bytes.begin(), bytes.end()));
    s.load_settings(dir.dir());
    EXPECT_EQ(s.version, 22);
    EXPECT_EQ(s.cpu_speed, 0);
    EXPECT_TRUE(recent_empty(s.recent_carts, 0));
}

TEST(SettingsTest, short_file_replaces_only_the_bytes_it_has) {
    TempDir dir;
    write_all(dir.file("m5ce.cfg"), std::string("\x16\0\0\0", 4));
    Settings s;
    s.load_settings(dir.dir());
    Settings defaults;
    defaults.default_settings();
    EXPECT_EQ(s.cpu_speed, 0);
    EXPECT_EQ(s.sample_rate_index, 1);
    EXPECT_EQ(image_string(s), image_string(defaults));

    // A file that ends inside the CPU speed field changes its low byte only.
    Settings src;
    src.default_settings();
    src.cpu_speed = 0x0302;
    const std::vector<uint8_t> bytes = src.image();
    write_all(dir.file("m5ce.cfg"), std::string(bytes.begin(), bytes.begin() + 8325));
    s.load_settings(dir.dir());
    EXPECT_EQ(s.cpu_speed, 2);
    EXPECT_EQ(s.sample_rate_index, 1);
}

TEST(SettingsTest, failed_save_leaves_the_old_file_whole_and_nothing_beside_it) {
    TempDir dir;
    write_all(dir.file("m5ce.cfg"), "old contents");
    Settings s;
    s.default_settings();
    {
        test::FileSizeLimit full(4096);  // less than the record
        EXPECT_FALSE(s.save_settings(dir.dir()));
    }
    EXPECT_EQ(test::read_file(dir.file("m5ce.cfg")), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.dir()), {}), 1);
    EXPECT_FALSE(s.save_settings(dir.dir() + "missing/"));
}

TEST(SettingsTest, save_never_writes_through_a_link_planted_beside_the_file) {
    TempDir dir;
    write_all(dir.file("victim"), "not yours");
    std::filesystem::create_symlink(dir.file("victim"), dir.file("m5ce.cfg.tmp"));
    Settings s;
    s.default_settings();
    s.cpu_speed = 3;
    ASSERT_TRUE(s.save_settings(dir.dir()));
    EXPECT_EQ(test::read_file(dir.file("victim")), "not yours");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("m5ce.cfg.tmp")));
    const std::vector<uint8_t> image = s.image();
    EXPECT_EQ(test::read_file(dir.file("m5ce.cfg")), std::string(image.begin(), image.end()));
}

TEST(SettingsTest, opening_a_new_path_pushes_out_the_last_entry) {
    RecentList list = list_of({"A", "B", "C", "D", "E", "F", "G", "H"});
    const int32_t n = find_recent(list, "X");
    EXPECT_EQ(n, 7);
    ASSERT_TRUE(promote_recent(list, n, "X"));
    EXPECT_EQ(paths_of(list), (std::vector<std::string>{"X", "A", "B", "C", "D", "E", "F", "G"}));
}

TEST(SettingsTest, opening_a_listed_path_moves_it_to_the_front_without_a_duplicate) {
    RecentList list = list_of({"A", "B", "C", "D", "E", "F", "G", "H"});
    const int32_t n = find_recent(list, "F");
    EXPECT_EQ(n, 5);
    ASSERT_TRUE(promote_recent(list, n, "F"));
    EXPECT_EQ(paths_of(list), (std::vector<std::string>{"F", "A", "B", "C", "D", "E", "G", "H"}));

    RecentList short_list = list_of({"A", "B", "C", "D"});
    const std::string third = recent_path(short_list, 2);  // Recent 3, copied before the move
    ASSERT_TRUE(promote_recent(short_list, 2, third));
    EXPECT_EQ(paths_of(short_list), (std::vector<std::string>{"C", "A", "B", "D", "", "", "", ""}));
}

TEST(SettingsTest, find_recent_is_exact_and_case_sensitive) {
    const RecentList list = list_of({"/roms/Game.rom", "/roms/game.rom", "/roms/game.rom"});
    EXPECT_EQ(find_recent(list, "/roms/game.rom"), 1);
    EXPECT_EQ(find_recent(list, "/roms/GAME.rom"), 7);
    EXPECT_EQ(find_recent(list, "/roms/game.ro"), 7);
}

TEST(SettingsTest, paths_are_utf8_in_memory_and_utf16_in_the_slots) {
    RecentList list{};
    ASSERT_TRUE(promote_recent(list, 0, "/home/m\xC3\xBC/\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0.rom"));
    EXPECT_EQ(list[0][7], 0xFC);
    EXPECT_EQ(list[0][9], 0x30B2);
    EXPECT_EQ(recent_path(list, 0), "/home/m\xC3\xBC/\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0.rom");
    EXPECT_EQ(find_recent(list, recent_path(list, 0)), 0);
}

TEST(SettingsTest, paths_that_do_not_fit_a_slot_are_not_stored) {
    RecentList list = list_of({"A"});
    EXPECT_TRUE(path_fits_slot(std::string(259, 'p')));
    EXPECT_FALSE(path_fits_slot(std::string(260, 'p')));
    EXPECT_FALSE(promote_recent(list, 7, std::string(260, 'p')));
    EXPECT_FALSE(promote_recent(list, 7, "/bad/\xFF.rom"));  // not UTF-8
    EXPECT_EQ(recent_path(list, 0), "A");
    EXPECT_TRUE(promote_recent(list, 7, std::string(259, 'p')));
    EXPECT_EQ(recent_path(list, 0), std::string(259, 'p'));
    EXPECT_EQ(recent_path(list, 1), "A");
}

TEST(SettingsTest, a_slot_without_terminator_ends_at_its_last_unit) {
    RecentList list{};
    list[0].fill(u'z');
    list[1][0] = u'n';
    list[1][1] = 0;
    EXPECT_EQ(recent_path(list, 0), std::string(260, 'z'));
    EXPECT_EQ(find_recent(list, std::string(260, 'z')), 7);
    ASSERT_TRUE(promote_recent(list, 1, "new"));
    EXPECT_EQ(recent_path(list, 1), std::string(260, 'z'));  // copied whole, nothing beyond the slot
    EXPECT_EQ(recent_path(list, 0), "new");
}

}  // namespace
}  // namespace m5
