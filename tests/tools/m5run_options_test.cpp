// m5run's command line read into its options record.
#include "tools/m5run_options.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "devices/virtual_keys.h"
#include "host/paste_sequencer.h"

namespace m5::tools {
namespace {

// The message of the OptionError the arguments raise; "" when they parse.
std::string rejection(const std::vector<std::string>& args) {
    try {
        parse_options(args);
    } catch (const OptionError& error) {
        return error.what();
    }
    return "";
}

TEST(M5RunOptionsTest, every_option_lands_in_its_field) {
    const Options o = parse_options({"--ipl",           "i.rom",
                                     "--dir",           "d",
                                     "--cart",          "c.rom",
                                     "--tape-record",   "t.cas",
                                     "--tape-info",     "i.wav",
                                     "--frames",        "0x20",
                                     "--speed",         "8",
                                     "--rate",          "44100",
                                     "--buffer",        "300",
                                     "--realtime",      "--sprite-limit",
                                     "--paste",         "a\\r\\x41\\\\",
                                     "--paste-frame",   "3",
                                     "--key",           "q@2+4",
                                     "--key",           "LSHIFT@0x1F",
                                     "--screenshot",    "s.png",
                                     "--screenshot-at", "5:a:b.png",
                                     "--wav",           "w.wav",
                                     "--dump-ram",      "r",
                                     "--dump-vram",     "v",
                                     "--stats"});
    EXPECT_EQ(o.ipl, "i.rom");
    EXPECT_EQ(o.dir, "d");
    EXPECT_EQ(o.cart, "c.rom");
    EXPECT_EQ(o.tape_record, "t.cas");
    EXPECT_EQ(o.tape_info, "i.wav");
    EXPECT_EQ(o.frames, 32);
    EXPECT_EQ(o.speed_index, 3);
    EXPECT_EQ(o.rate_index, 5);
    EXPECT_EQ(o.buffer_index, 2);
    EXPECT_TRUE(o.realtime);
    EXPECT_TRUE(o.sprite_limit);
    EXPECT_EQ(o.paste, std::optional<std::string>("a\rA\\"));
    EXPECT_EQ(o.paste_frame, 3);
    ASSERT_EQ(o.keys.size(), 2u);
    EXPECT_EQ(o.keys[0].code, 'Q');
    EXPECT_EQ(o.keys[0].first_frame, 2);
    EXPECT_EQ(o.keys[0].frames, 4);
    EXPECT_EQ(o.keys[1].code, VK_LSHIFT);
    EXPECT_EQ(o.keys[1].first_frame, 31);
    EXPECT_EQ(o.keys[1].frames, 1);
    EXPECT_EQ(o.screenshot, "s.png");
    ASSERT_EQ(o.screenshots_at.size(), 1u);
    EXPECT_EQ(o.screenshots_at[0].frame, 5);
    EXPECT_EQ(o.screenshots_at[0].path, "a:b.png");
    EXPECT_EQ(o.wav, "w.wav");
    EXPECT_EQ(o.dump_ram, "r");
    EXPECT_EQ(o.dump_vram, "v");
    EXPECT_TRUE(o.stats);
    EXPECT_FALSE(o.help);
    EXPECT_TRUE(parse_options({"-h"}).help);

    const Options defaults = parse_options({});
    EXPECT_EQ(defaults.machine, MachineConfig{});
    EXPECT_EQ(defaults.frames, 60);
    EXPECT_EQ(defaults.rate_index, 1);
    EXPECT_EQ(defaults.paste, std::nullopt);
}

TEST(M5RunOptionsTest, model_and_memory_take_their_keys) {
    const std::pair<const char*, MemoryFit> memories[] = {{"4k", MemoryFit::RAM_4K},
                                                          {"32k", MemoryFit::RAM_32K},
                                                          {"64KBF-2B", MemoryFit::KBF_2B},
                                                          {"64kbf-2c", MemoryFit::KBF_2C}};
    for (const auto& [key, memory] : memories) {
        const Options o = parse_options({"--model", "pal", "--memory", key});
        EXPECT_EQ(o.machine, (MachineConfig{M5Model::PAL, memory})) << key;
    }
    EXPECT_EQ(parse_options({"--model", "NTSC"}).machine.model, M5Model::NTSC);
    EXPECT_EQ(rejection({"--model", "secam"}), "invalid value 'secam' for --model (expected ntsc or pal)");
    EXPECT_EQ(rejection({"--memory", "64k"}),
              "invalid value '64k' for --memory (expected 4k, 32k, 64kbf-2b or 64kbf-2c)");
}

TEST(M5RunOptionsTest, frame_numbers_are_checked_against_the_final_frame_count) {
    const Options o = parse_options({"--key", "A@90", "--screenshot-at", "100:x.png", "--frames", "100"});
    EXPECT_EQ(o.keys.at(0).first_frame, 90);
    EXPECT_EQ(o.screenshots_at.at(0).frame, 100);
    EXPECT_NE(rejection({"--screenshot-at", "61:x.png"}), "");
    EXPECT_NE(rejection({"--frames", "10", "--paste-frame", "11"}), "");
    EXPECT_NE(rejection({"--key", "A@0"}), "");
}

TEST(M5RunOptionsTest, bad_command_lines_say_what_is_wrong) {
    EXPECT_EQ(rejection({"--bogus"}), "unknown option '--bogus' (try --help)");
    EXPECT_EQ(rejection({"--ipl"}), "option --ipl needs a value");
    EXPECT_EQ(rejection({"--frames", "12x"}),
              "invalid value '12x' for --frames (expected a whole number from 0 to 1000000000)");
    EXPECT_EQ(rejection({"--speed", "3"}), "invalid value '3' for --speed (expected one of 1, 2, 4, 8, 16)");
    EXPECT_EQ(rejection({"--key", "NOSUCHKEY@1"}), "unknown key 'NOSUCHKEY' (see --help for key names)");
    EXPECT_EQ(rejection({"--key", "A"}), "invalid --key 'A' (expected KEY@FRAME[+FRAMES])");
    EXPECT_EQ(rejection({"--screenshot-at", "x.png"}), "invalid --screenshot-at 'x.png' (expected FRAME:FILE)");
    EXPECT_EQ(rejection({"--paste", "a\\"}), "--paste text ends with a lone backslash");
    EXPECT_EQ(rejection({"--paste", "\\x4"}), "--paste: \\x needs two hex digits");
    EXPECT_EQ(rejection({"--paste", "\\q"}), "--paste: unknown escape \\q");
    EXPECT_EQ(rejection({"--tape", "a.cas", "--tape-record", "b.cas"}),
              "--tape and --tape-record cannot be used together");
    EXPECT_EQ(rejection({"--wav", "-", "--screenshot-at", "1:-"}), "only one output can go to standard output ('-')");
    EXPECT_EQ(rejection({"--dump-ram", "-", "--stats"}), "--stats cannot be used with an output on standard output");
}

// The longest text the sequencer types is taken; one character more is
// refused on the command line, before anything runs.
TEST(M5RunOptionsTest, a_paste_longer_than_is_typed_is_refused) {
    const std::string longest(PASTE_MAX_BYTES, 'q');
    EXPECT_EQ(parse_options({"--paste", longest}).paste, longest);
    EXPECT_EQ(rejection({"--paste", longest + "q"}),
              "--paste: the text is too long to type (at most " + std::to_string(PASTE_MAX_BYTES) + " characters)");
}

TEST(M5RunOptionsTest, help_text_describes_exactly_the_options_the_parser_knows) {
    std::set<std::string> known;
    for (const std::string& name : option_names()) {
        if (name.rfind("--", 0) == 0) known.insert(name);
    }
    std::set<std::string> described;
    const std::string help = help_text();
    const std::regex option("--[a-z][a-z-]*[a-z]");
    for (auto it = std::sregex_iterator(help.begin(), help.end(), option); it != std::sregex_iterator(); ++it) {
        described.insert(it->str());
    }
    EXPECT_EQ(known, described);
}

}  // namespace
}  // namespace m5::tools
