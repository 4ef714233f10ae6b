#include "devices/sordm5_tape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "devices/wav_tape_reader.h"
#include "support/sordm5_writer.h"

namespace m5 {
namespace {

using test::TapeBytes;

struct Half {
    uint8_t level;
    int32_t samples;
};

std::vector<Half> halves_of(const TapeBytes& image) {
    std::vector<Half> halves;
    sordm5_signal(image.data(), image.size(), [&](uint8_t level, int32_t samples) {
        halves.push_back({level, samples});
    });
    return halves;
}

// Reads a signal back as the tape's blocks: per block, the leader's bits
// and the bytes, and whether it ended as a block's last byte does.
struct HeardBlock {
    int32_t leader_bits = 0;
    TapeBytes bytes;
    bool ended = false;
};
std::vector<HeardBlock> listen(const std::vector<Half>& halves) {
    std::vector<HeardBlock> blocks;
    size_t i = 0;
    auto pair_is = [&](int32_t low, int32_t high) {
        return i + 1 < halves.size() && halves[i].level == 0 && halves[i].samples == low && halves[i + 1].level == 1 &&
               halves[i + 1].samples == high;
    };
    while (i < halves.size()) {
        HeardBlock& b = blocks.emplace_back();
        for (; pair_is(SORDM5_ONE_LOW, SORDM5_ONE_HIGH); i += 2) ++b.leader_bits;
        while (pair_is(SORDM5_ZERO_LOW, SORDM5_ZERO_HIGH)) {  // a start bit
            i += 2;
            uint8_t byte = 0;
            for (int32_t k = 0; k < 8; ++k, i += 2) {
                if (pair_is(SORDM5_ONE_LOW, SORDM5_ONE_HIGH)) {
                    byte = static_cast<uint8_t>(byte | (1 << k));
                } else if (!pair_is(SORDM5_ZERO_LOW, SORDM5_ZERO_HIGH)) {
                    ADD_FAILURE() << "not a bit at half " << i;
                    return blocks;
                }
            }
            b.bytes.push_back(byte);
            if (pair_is(SORDM5_END_LOW, SORDM5_END_HIGH)) {
                b.ended = true;
                i += 2;
                break;
            }
            if (!pair_is(SORDM5_ONE_LOW, SORDM5_ONE_HIGH)) break;  // the end of the signal
            i += 2;                                                // the stop bit
        }
        if (!b.ended) break;
    }
    EXPECT_EQ(i, halves.size()) << "the signal goes on after its last block";
    return blocks;
}

TapeBytes program_bytes(size_t size) {
    TapeBytes p(size);
    for (size_t i = 0; i < size; ++i) p[i] = static_cast<uint8_t>(i * 7 + 3);
    return p;
}

TEST(Sordm5TapeTest, only_images_that_begin_with_the_signature_are_sordm5) {
    const TapeBytes file = test::sordm5_program("A", 0x7300, 0x7300, {1});
    EXPECT_TRUE(is_sordm5_image(file.data(), file.size()));
    EXPECT_TRUE(is_sordm5_image(file.data(), 6));
    EXPECT_FALSE(is_sordm5_image(file.data(), 5));
    const TapeBytes runs = {0x83, 0x02, 'S', 'O', 'R', 'D', 'M', '5'};
    EXPECT_FALSE(is_sordm5_image(runs.data(), runs.size()));
    EXPECT_TRUE(parse_sordm5_blocks(runs.data(), runs.size()).empty());
    EXPECT_TRUE(sordm5_to_cas(runs.data(), runs.size()).empty());
}

TEST(Sordm5TapeTest, blocks_list_the_header_fields_and_check_each_sum) {
    TapeBytes file = test::sordm5_program("HELLOWORLD", 0x7300, 0x7310, program_bytes(300));
    file[test::sordm5_checksum_offset(2)] ^= 0x01;
    const auto blocks = parse_sordm5_blocks(file.data(), file.size());
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].type, 'H');
    EXPECT_EQ(blocks[0].length, 31);
    ASSERT_TRUE(blocks[0].has_header);
    EXPECT_EQ(blocks[0].header.file_type, 3);
    EXPECT_EQ(blocks[0].header.name, "HELLOWORL");  // nine characters at most
    EXPECT_EQ(blocks[0].header.load_address, 0x7300);
    EXPECT_EQ(blocks[0].header.length, 300);
    EXPECT_EQ(blocks[0].header.start_address, 0x7310);
    EXPECT_TRUE(blocks[0].checksum_good());
    EXPECT_EQ(blocks[1].type, 'D');
    EXPECT_EQ(blocks[1].length, 256);  // length byte 0
    EXPECT_TRUE(blocks[1].checksum_good());
    EXPECT_FALSE(blocks[1].has_header);
    EXPECT_EQ(blocks[2].offset, test::sordm5_checksum_offset(1) + 1);
    EXPECT_FALSE(blocks[2].checksum_good());
    EXPECT_EQ(blocks[2].checksum, static_cast<uint8_t>(blocks[2].sum ^ 0x01));

    const auto named = test::sordm5_program("AB", 0x7300, 0x7300, {1});
    EXPECT_EQ(parse_sordm5_blocks(named.data(), named.size())[0].header.name, "AB");  // up to the padding
}

TEST(Sordm5TapeTest, a_cut_file_or_a_length_past_the_end_ends_in_a_short_block) {
    const TapeBytes full = test::sordm5_program("CUT", 0x7300, 0x7300, program_bytes(300));
    // Cut in the second data block's bytes, after its length byte, after its
    // type byte, and with a length byte that runs past the end.
    const size_t second = test::sordm5_checksum_offset(1) + 1;
    for (const size_t size : {second + 40, second + 2, second + 1}) {
        const auto blocks = parse_sordm5_blocks(full.data(), size);
        ASSERT_EQ(blocks.size(), 3u) << size;
        EXPECT_TRUE(blocks[1].checksum_good());
        EXPECT_EQ(blocks[2].has_length, size > second + 1);
        EXPECT_EQ(blocks[2].present, static_cast<int32_t>(size - std::min(size, second + 2)));
        EXPECT_FALSE(blocks[2].has_checksum);
        EXPECT_FALSE(blocks[2].checksum_good());
    }
    TapeBytes long_block(full.begin(), full.begin() + 16);
    const TapeBytes tail = {'D', 200, 1, 2, 3};
    long_block.insert(long_block.end(), tail.begin(), tail.end());
    const auto blocks = parse_sordm5_blocks(long_block.data(), long_block.size());
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].length, 200);
    EXPECT_EQ(blocks[0].present, 3);
    EXPECT_EQ(blocks[0].sum, 6);
    // The signal holds what is there, each byte with its stop bit, and stops.
    const auto heard = listen(halves_of(long_block));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].bytes, TapeBytes(tail.begin(), tail.end()));
    EXPECT_FALSE(heard[0].ended);
    // The signature alone, or with a partial file header: no block, no signal.
    EXPECT_TRUE(sordm5_to_cas(full.data(), 6).empty());
    EXPECT_TRUE(sordm5_to_cas(full.data(), 16).empty());
}

TEST(Sordm5TapeTest, signal_is_each_block_after_a_leader_bit_by_bit_lowest_first) {
    const TapeBytes file = test::sordm5_program("SIG", 0x8000, 0x8000, program_bytes(256));
    const auto heard = listen(halves_of(file));
    const auto blocks = parse_sordm5_blocks(file.data(), file.size());
    ASSERT_EQ(heard.size(), blocks.size());
    for (size_t i = 0; i < heard.size(); ++i) {
        const size_t size = 2 + static_cast<size_t>(blocks[i].length) + 1;
        const TapeBytes expected(file.begin() + static_cast<std::ptrdiff_t>(blocks[i].offset),
                                 file.begin() + static_cast<std::ptrdiff_t>(blocks[i].offset + size));
        EXPECT_EQ(heard[i].leader_bits, SORDM5_LEADER_BITS);
        EXPECT_EQ(heard[i].bytes, expected) << "block " << i;
        EXPECT_TRUE(heard[i].ended);
    }
}

TEST(Sordm5TapeTest, cas_runs_keep_every_half_period_within_a_tick_and_the_whole_length_exact) {
    const TapeBytes file = test::sordm5_program("RUNS", 0x7300, 0x7300, program_bytes(700));
    const TapeBytes cas = sordm5_to_cas(file.data(), file.size());
    // The runs as levels, one a tick.
    std::vector<uint8_t> ticks;
    for (const uint8_t run : cas) {
        ASSERT_GE(run & 0x7F, 1);
        ticks.insert(ticks.end(), run & 0x7F, run >> 7);
    }
    // Each half-period from one level change to the next.
    std::vector<int64_t> heard;
    for (size_t i = 0, start = 0; i < ticks.size(); ++i) {
        if (i + 1 == ticks.size() || ticks[i + 1] != ticks[i]) {
            heard.push_back(static_cast<int64_t>(i + 1 - start));
            start = i + 1;
        }
    }
    const auto halves = halves_of(file);
    ASSERT_EQ(heard.size(), halves.size());
    EXPECT_EQ(ticks.front(), 0);
    const double ticks_per_sample = static_cast<double>(TAPE_TICKS_PER_SECOND) / SORDM5_SAMPLE_RATE_HZ;
    int64_t samples = 0;
    for (size_t i = 0; i < halves.size(); ++i) {
        EXPECT_LT(std::abs(static_cast<double>(heard[i]) - halves[i].samples * ticks_per_sample), 1.0) << i;
        samples += halves[i].samples;
    }
    EXPECT_EQ(static_cast<int64_t>(ticks.size()), samples * TAPE_TICKS_PER_SECOND / SORDM5_SAMPLE_RATE_HZ);
}

}  // namespace
}  // namespace m5
