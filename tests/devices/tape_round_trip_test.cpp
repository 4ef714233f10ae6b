// Our own Z80 programs write a byte pattern to tape through port 0x50 while
// the deck records, then read it back from the played tape in a machine that
// has been reset: the whole cassette path in both directions, in both image
// formats.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "devices/tape_deck.h"
#include "machine/machine.h"
#include "memory/memory_map.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

namespace fs = std::filesystem;

constexpr int32_t DONE_FLAG = 0x7000;
constexpr int32_t BYTES_READ = 0x7100;
constexpr int32_t FRAME_LIMIT = 300;
// The pattern in tape_write.asm.
const std::vector<int32_t> PATTERN = {0x00, 0xFF, 0x55, 0xAA, 0x01, 0x80, 0x12, 0x34,
                                      0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0xA5, 0x3C};

// A machine whose IPL ROM is one of our test programs, in a directory of its
// own.
struct ProgramMachine {
    explicit ProgramMachine(const fs::path& dir, const char* rom) : host(dir.string() + "/") {
        fs::copy_file(test::rom_path(rom), dir / "IPL.ROM", fs::copy_options::overwrite_existing);
        machine = std::make_unique<Machine>(&host);
    }
    bool done() { return machine->memory_map->mem_read8(DONE_FLAG) == 0xAA; }
    // Runs frames until the program is done, reading the activity flag once a
    // frame as the host does; true if any frame saw tape activity.
    bool run_until_done() {
        bool active = false;
        for (int32_t frame = 0; frame < FRAME_LIMIT && !done(); ++frame) {
            machine->run_frame();
            if (machine->tape_status()) active = true;
        }
        return active;
    }
    test::TestHost host;
    std::unique_ptr<Machine> machine;
};

class TapeRoundTrip : public ::testing::TestWithParam<const char*> {
protected:
    TapeRoundTrip() : dir(temp.dir()) {
        fs::create_directory(dir / "write");
        fs::create_directory(dir / "read");
    }
    test::TempDir temp;
    fs::path dir;
};

TEST_P(TapeRoundTrip, bytes_written_through_port_0x50_read_back_from_the_tape) {
    const std::string tape = (dir / (std::string("pattern") + GetParam())).string();

    ProgramMachine writer(dir / "write", "tape_write");
    writer.machine->tape_record(tape);
    writer.machine->run_frame();
    ASSERT_TRUE(writer.machine->tape_deck->motor || writer.done()) << "the program did not start the motor";
    writer.run_until_done();
    ASSERT_TRUE(writer.done());
    EXPECT_FALSE(writer.machine->tape_deck->motor);
    writer.machine->reset();  // finishes the recording
    ASSERT_GT(fs::file_size(tape), 100u);

    ProgramMachine reader(dir / "read", "tape_read");
    reader.machine->reset();
    reader.machine->tape_play(tape);
    EXPECT_TRUE(reader.run_until_done());
    ASSERT_TRUE(reader.done());
    std::vector<int32_t> read;
    for (size_t i = 0; i < PATTERN.size(); ++i)
        read.push_back(reader.machine->memory_map->mem_read8(BYTES_READ + static_cast<int32_t>(i)));
    EXPECT_EQ(read, PATTERN);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, TapeRoundTrip, ::testing::Values(".cas", ".wav"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param + 1); });

}  // namespace
}  // namespace m5
