// m5run --tape-info on SORDM5 tape files: the kind of CAS file and its blocks.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>

#include "m5run_harness.h"
#include "support/sordm5_writer.h"
#include "support/temp_dir.h"

namespace m5 {
namespace {

TEST(TapeInfoTest, sordm5_file_is_named_and_its_blocks_listed_with_header_fields_and_checksums) {
    test::TempDir temp;
    test::TapeBytes program(300);
    for (size_t i = 0; i < program.size(); ++i) program[i] = static_cast<uint8_t>(i);
    test::TapeBytes file = test::sordm5_program("GAME", 0x7300, 0x7310, program);
    file[test::sordm5_checksum_offset(1)] ^= 0xFF;      // the first data block's checksum is wrong
    file.resize(test::sordm5_checksum_offset(2) - 56);  // and the file ends inside the second
    const std::string path = temp.file("game.cas");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));

    // How long it plays: per block a leader of 200 one-bits, then each byte
    // as a start bit, eight bits and a stop bit (a complete block's last byte
    // ends in 8 + 14 samples instead); a 1 lasts 15 samples at 44.1 kHz, a
    // 0 29.
    const auto byte_samples = [](uint8_t b) {
        int32_t n = 29;
        for (int32_t k = 0; k < 8; ++k) n += (b >> k) & 1 ? 15 : 29;
        return n;
    };
    int64_t samples = 0;
    for (const auto& [start, end, complete] :
         {std::tuple<size_t, size_t, bool>{16, test::sordm5_checksum_offset(0) + 1, true},
          {test::sordm5_checksum_offset(0) + 1, test::sordm5_checksum_offset(1) + 1, true},
          {test::sordm5_checksum_offset(1) + 1, file.size(), false}}) {
        samples += 200 * 15;
        for (size_t i = start; i < end; ++i) samples += byte_samples(file[i]) + (complete && i + 1 == end ? 22 : 15);
    }
    char length[40];
    std::snprintf(length, sizeof length, "length: %.3f s\n", static_cast<double>(samples * 47500 / 44100) / 47500);

    const test::RunResult r = test::run_m5run({"--tape-info", path}, temp.dir(), temp.dir());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out,
              "format: CAS, SORDM5 tape blocks\n" + std::string(length) +
                  "playback: the tape signal of its blocks\n"
                  "block 1: type \"H\", 31 bytes, checksum good, file type 3, name \"GAME\", load 0x7300, length 300, "
                  "start 0x7310\n"
                  "block 2: type \"D\", 256 bytes, checksum bad\n"
                  "block 3: type \"D\", 256 bytes (200 in the file), checksum missing\n");
}

// A file beyond what the deck reads is described as far as the deck reads
// it, which the report says: the same lines as for that part alone, and a
// note.
TEST(TapeInfoTest, a_sordm5_file_longer_than_the_deck_reads_is_described_as_far_as_it_plays) {
    test::TempDir temp;
    test::TapeBytes program(40000);
    for (size_t i = 0; i < program.size(); ++i) program[i] = static_cast<uint8_t>(i * 7);
    const test::TapeBytes one = test::sordm5_program("BIG", 0x7000, 0x7000, program);
    test::TapeBytes file = one;
    while (file.size() <= (1u << 20) + one.size()) file.insert(file.end(), one.begin() + 16, one.end());
    const auto write = [](const std::string& path, const test::TapeBytes& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    write(temp.file("big.cas"), file);
    write(temp.file("played.cas"), test::TapeBytes(file.begin(), file.begin() + (1 << 20)));

    const test::RunResult big = test::run_m5run({"--tape-info", temp.file("big.cas")}, temp.dir(), temp.dir());
    const test::RunResult played = test::run_m5run({"--tape-info", temp.file("played.cas")}, temp.dir(), temp.dir());
    ASSERT_EQ(big.exit_code, 0) << big.err;
    ASSERT_EQ(played.exit_code, 0) << played.err;
    EXPECT_EQ(big.out, played.out + "note: the file holds " + std::to_string(file.size()) +
                           " bytes; the tape deck reads and plays the first 1048576\n");
}

}  // namespace
}  // namespace m5
