#include "host/file_stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace m5 {
namespace {

class FileStreamTest : public ::testing::Test {
protected:
    std::string path(const char* name) const { return (dir / name).string(); }
    void write_file(const char* name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    test::TempDir temp;
    std::filesystem::path dir = temp.path();
};

TEST_F(FileStreamTest, writes_then_reads_back_bytes_with_seek_and_tell) {
    FileStream f;
    ASSERT_TRUE(f.open(path("a.bin"), FILE_WRITE_BINARY));
    const char data[] = {'\r', '\n', 0, 'x'};
    EXPECT_EQ(f.write(data, 1, 4), 4u);
    f.close();
    ASSERT_TRUE(f.open(path("a.bin"), FILE_READ_BINARY));
    EXPECT_EQ(f.seek(0, SEEK_FROM_END), 0);
    EXPECT_EQ(f.tell(), 4);
    EXPECT_EQ(f.seek(1, SEEK_FROM_START), 0);
    char back[3] = {};
    EXPECT_EQ(f.read(back, 1, 8), 3u);
    EXPECT_EQ(back[0], '\n');
    EXPECT_EQ(back[2], 'x');
}

TEST_F(FileStreamTest, opening_a_second_file_closes_the_first) {
    write_file("one", "1");
    write_file("two", "22");
    FileStream f;
    ASSERT_TRUE(f.open(path("one"), FILE_READ_BINARY));
    ASSERT_TRUE(f.open(path("two"), FILE_READ_BINARY));
    f.seek(0, SEEK_FROM_END);
    EXPECT_EQ(f.tell(), 2);
}

TEST_F(FileStreamTest, unknown_mode_fails_and_leaves_the_stream_closed) {
    write_file("one", "1");
    FileStream f;
    ASSERT_TRUE(f.open(path("one"), FILE_READ_BINARY));
    EXPECT_FALSE(f.open(path("one"), 0));
    EXPECT_FALSE(f.is_open());
    EXPECT_FALSE(f.open(path("one"), 8));
    EXPECT_FALSE(f.is_open());
}

TEST_F(FileStreamTest, unknown_seek_origin_fails_without_moving) {
    write_file("one", "12345");
    FileStream f;
    ASSERT_TRUE(f.open(path("one"), FILE_READ_BINARY));
    f.seek(2, SEEK_FROM_START);
    EXPECT_EQ(f.seek(1, 3), -1);
    EXPECT_EQ(f.tell(), 2);
}

TEST_F(FileStreamTest, directories_and_fifos_do_not_open_and_nothing_blocks) {
    FileStream f;
    EXPECT_FALSE(f.open(dir.string(), FILE_READ_BINARY));
    EXPECT_FALSE(f.open(dir.string(), FILE_WRITE_BINARY));
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(f.open(path("fifo"), FILE_READ_BINARY));
    EXPECT_FALSE(f.open(path("fifo"), FILE_WRITE_BINARY));
    EXPECT_FALSE(f.open("/dev/zero", FILE_READ_BINARY));
    EXPECT_FALSE(f.open(path("missing"), FILE_READ_BINARY));
    EXPECT_FALSE(f.is_open());
}

TEST_F(FileStreamTest, closed_stream_reads_nothing_and_remove_deletes) {
    FileStream f;
    char c = 0;
    EXPECT_EQ(f.read(&c, 1, 1), 0u);
    EXPECT_EQ(f.write(&c, 1, 1), 0u);
    EXPECT_EQ(f.seek(0, SEEK_FROM_START), -1);
    write_file("gone", "x");
    EXPECT_TRUE(FileStream::remove(path("gone")));
    EXPECT_FALSE(std::filesystem::exists(path("gone")));
}

TEST_F(FileStreamTest, a_failed_write_is_remembered_by_close_until_the_next_open) {
    FileStream f;
    const std::string block(3000, 'x');
    {
        test::FileSizeLimit full(2000);
        ASSERT_TRUE(f.open(path("full"), FILE_WRITE_BINARY));
        f.write(block.data(), 1, block.size());  // may still sit in the stream's buffer
        EXPECT_FALSE(f.close());
    }
    EXPECT_EQ(f.error(), EFBIG);
    ASSERT_TRUE(f.open(path("fine"), FILE_WRITE_BINARY));
    EXPECT_EQ(f.error(), 0);
    EXPECT_EQ(f.write(block.data(), 1, block.size()), block.size());
    EXPECT_TRUE(f.close());
}

}  // namespace
}  // namespace m5
