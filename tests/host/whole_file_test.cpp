// Files written whole or not at all.
#include "host/whole_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace m5 {
namespace {

using test::TempDir;

size_t entries_in(const std::string& directory) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(directory), {}));
}

TEST(WholeFileTest, the_destination_changes_only_on_commit_and_nothing_is_left_beside_it) {
    TempDir dir;
    test::write_file(dir.file("out"), "old");
    WholeFile file;
    ASSERT_EQ(file.create(dir.file("out")), 0);
    EXPECT_TRUE(file.write("new contents", 1, 12));
    ASSERT_EQ(file.finish(), 0);
    EXPECT_EQ(test::read_file(dir.file("out")), "old");
    EXPECT_EQ(test::read_file(file.temporary_path()), "new contents");  // readable before the commit
    ASSERT_EQ(file.commit(), 0);
    EXPECT_EQ(test::read_file(dir.file("out")), "new contents");
    EXPECT_EQ(entries_in(dir.dir()), 1u);
}

TEST(WholeFileTest, a_failed_write_is_reported_and_leaves_the_old_file_alone) {
    TempDir dir;
    test::write_file(dir.file("out"), "old");
    {
        WholeFile file;
        ASSERT_EQ(file.create(dir.file("out")), 0);
        const std::string big(8192, 'x');
        {
            test::FileSizeLimit full(1000);
            file.write(big.data(), 1, big.size());
            EXPECT_EQ(file.finish(), EFBIG);
        }
        EXPECT_EQ(file.commit(), EFBIG);
    }
    EXPECT_EQ(test::read_file(dir.file("out")), "old");
    EXPECT_EQ(entries_in(dir.dir()), 1u);
}

TEST(WholeFileTest, a_file_not_committed_is_removed_and_a_missing_directory_fails_at_once) {
    TempDir dir;
    {
        WholeFile file;
        ASSERT_EQ(file.create(dir.file("out")), 0);
        file.write("x", 1, 1);
    }
    EXPECT_EQ(entries_in(dir.dir()), 0u);
    WholeFile file;
    EXPECT_EQ(file.create(dir.file("missing/out")), ENOENT);
}

TEST(WholeFileTest, a_new_file_gets_the_usual_permissions_unless_told_otherwise) {
    TempDir dir;
    const mode_t mask = ::umask(022);
    for (const bool keep : {false, true}) {
        WholeFile file;
        ASSERT_EQ(file.create(dir.file("out")), 0);
        if (keep) file.set_permissions(0600);
        ASSERT_EQ(file.commit(), 0);
        struct stat info {};
        ASSERT_EQ(::stat(dir.file("out").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, keep ? 0600u : 0644u);
    }
    ::umask(mask);
}

}  // namespace
}  // namespace m5
