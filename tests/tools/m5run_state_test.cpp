// Save states across processes: a run of N + M frames and a run of N frames
// that saves, restored by a fresh m5run that runs M more, end with the same
// RAM, video RAM, picture, sound and tape recording.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "m5run_harness.h"
#include "support/sordm5_writer.h"
#include "support/state_edit.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/test_host.h"

namespace m5 {
namespace {

namespace fs = std::filesystem;

using test::read_file;

struct Scenario {
    const char* name;
    const char* ipl;     // one of our programs, or "boot" for the free boot ROM
    const char* cart;    // a published cartridge under ../shared, or ""
    int32_t n;           // frames before the save
    int32_t m;           // frames after it
    const char* tape;    // "": none; "cas"/"wav": played (made by host_tape_out first)
    const char* record;  // "": none; "cas"/"wav": recorded
    const char* paste;   // typed from the first frame, or ""
};

void PrintTo(const Scenario& s, std::ostream* out) { *out << s.name; }

class M5RunStateTest : public ::testing::TestWithParam<Scenario> {
protected:
    void SetUp() override { fs::create_directories(dir / "tmp"); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    void run(std::vector<std::string> args) const {
        const test::RunResult r = test::run_m5run(args, dir.string(), path("tmp"));
        ASSERT_EQ(r.exit_code, 0) << r.err;
    }
    test::TempDir temp;
    fs::path dir = temp.path();
};

TEST_P(M5RunStateTest, restored_run_ends_as_the_straight_run) {
    const Scenario& s = GetParam();
    std::vector<std::string> media = {"--ipl", test::rom_path(s.ipl)};
    if (*s.cart != 0) {
        const std::string cart = test::shared_path(std::string("m5-software/") + s.cart);
        M5_SKIP_WITHOUT_TEST_DATA(cart);
        media.insert(media.end(), {"--cart", cart});
    }
    std::vector<std::string> tape;
    if (std::string(s.tape) == "pcm") {
        const std::string image = path("in.wav");
        const test::TapeBytes wav = test::square_wave_wav();
        test::write_file(image, std::string(wav.begin(), wav.end()));
        tape = {"--tape", image};
    } else if (*s.tape != 0) {
        const std::string image = path(std::string("in.") + s.tape);
        run({"--ipl", test::rom_path("host_tape_out"), "--frames", "40", "--tape-record", image});
        tape = {"--tape", image};
    }
    const auto outputs = [&](const std::string& tag) {
        std::vector<std::string> a = {"--dump-ram",   path(tag + ".ram"), "--dump-vram", path(tag + ".vram"),
                                      "--screenshot", path(tag + ".png"), "--wav",       path(tag + ".wav")};
        if (*s.record != 0) a.insert(a.end(), {"--tape-record", path(tag + ".tape." + s.record)});
        return a;
    };
    const auto join = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    std::vector<std::string> paste;
    if (*s.paste != 0) paste = {"--paste", s.paste};

    run(join(join(join(media, tape), paste), join(outputs("straight"), {"--frames", std::to_string(s.n + s.m)})));
    const std::string state = path("state.m5s");
    std::vector<std::string> first =
        join(join(join(media, tape), paste),
             {"--frames", std::to_string(s.n), "--save-state", state, "--wav", path("first.wav")});
    if (*s.record != 0) first.insert(first.end(), {"--tape-record", path(std::string("split.tape.") + s.record)});
    run(first);
    std::vector<std::string> second =
        join(join(media, tape),
             {"--load-state", state, "--frames", std::to_string(s.m), "--dump-ram", path("split.ram"), "--dump-vram",
              path("split.vram"), "--screenshot", path("split.png"), "--wav", path("second.wav")});
    if (*s.record != 0) second.insert(second.end(), {"--tape-record", path(std::string("split.tape.") + s.record)});
    run(second);

    for (const char* ext : {".ram", ".vram", ".png"}) {
        EXPECT_TRUE(read_file(path(std::string("split") + ext)) == read_file(path(std::string("straight") + ext)))
            << ext;
    }
    const std::string straight = read_file(path("straight.wav"));
    const std::string split = read_file(path("first.wav")).substr(44) + read_file(path("second.wav")).substr(44);
    EXPECT_TRUE(split == straight.substr(44))
        << "sound differs: " << split.size() << " / " << straight.size() - 44 << " bytes";
    if (*s.record != 0) {
        const std::string recorded = read_file(path(std::string("straight.tape.") + s.record));
        const std::string split_tape = read_file(path(std::string("split.tape.") + s.record));
        EXPECT_GT(recorded.size(), 100u);
        EXPECT_TRUE(split_tape == recorded)
            << "tape differs: " << split_tape.size() << " / " << recorded.size() << " bytes";
    }
}

// N lands mid-slice in every case (the processor's budget overshoots the
// frame's end); each case adds what else is in flight at the save.
INSTANTIATE_TEST_SUITE_P(Cases, M5RunStateTest,
                         ::testing::Values(Scenario{"ctc_event_pending", "ctc_im2", "", 37, 25, "", "", ""},
                                           Scenario{"frame_interrupt_pending", "vdp_irq", "", 41, 20, "", "", ""},
                                           Scenario{"sound_block_part_filled", "psg_tone", "", 37, 25, "", "", ""},
                                           Scenario{"mid_paste", "host_keys", "", 29, 40, "", "", "AB 12\\n3"},
                                           Scenario{"cas_playing", "host_tape_in", "", 23, 30, "cas", "", ""},
                                           Scenario{"wav_playing", "host_tape_in", "", 23, 30, "wav", "", ""},
                                           Scenario{"converted_wav_playing", "host_tape_in", "", 23, 30, "pcm", "", ""},
                                           Scenario{"cas_recording", "host_tape_out", "", 23, 30, "", "cas", ""},
                                           Scenario{"wav_recording", "host_tape_out", "", 23, 30, "", "wav", ""},
                                           Scenario{"boot_rom", "boot", "", 45, 30, "", "", ""},
                                           Scenario{"published_cartridge", "boot", "music.rom", 97, 60, "", "", ""}),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

// A state only loads into the machine it was saved from.
TEST(M5RunStateRefusal, a_state_of_another_cartridge_is_refused_in_one_line) {
    const test::TempDir temp;
    const fs::path dir = temp.path();
    fs::create_directories(dir / "tmp");
    const std::string state = (dir / "s.m5s").string();
    const auto run = [&](const std::vector<std::string>& a) {
        return test::run_m5run(a, dir.string(), (dir / "tmp").string());
    };
    ASSERT_EQ(run({"--ipl", test::rom_path("ctc_im2"), "--frames", "5", "--save-state", state}).exit_code, 0);
    const test::RunResult r =
        run({"--ipl", test::rom_path("ctc_im2"), "--cart", test::rom_path("cart_text"), "--load-state", state});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "m5run: cannot load '" + state + "': the save state was made with a different cartridge\n");
}

// States crafted to crash or hang the machine once loaded are refused, in
// one line that names the part at fault.
TEST(M5RunStateRefusal, hostile_states_are_refused_naming_the_part) {
    const test::TempDir dir;
    for (const test::HostileState& hostile : test::hostile_states()) {
        ASSERT_FALSE(hostile.bytes.empty()) << hostile.name;
        const std::string state = dir.file(hostile.name + ".m5s");
        test::write_file(state, std::string(hostile.bytes.begin(), hostile.bytes.end()));
        const test::RunResult r =
            test::run_m5run({"--ipl", test::rom_path(test::HOSTILE_STATE_IPL), "--load-state", state, "--frames", "10"},
                            dir.dir(), dir.dir());
        EXPECT_EQ(r.exit_code, 1) << hostile.name;
        EXPECT_EQ(r.err, "m5run: cannot load '" + state + "': the save state holds data " + hostile.component +
                             " cannot take\n");
    }
    // The state they are made from loads.
    EXPECT_EQ(test::run_m5run({"--ipl", test::rom_path(test::HOSTILE_STATE_IPL), "--load-state",
                               test::hostile_state_base(), "--frames", "10"},
                              dir.dir(), dir.dir())
                  .exit_code,
              0);
}

}  // namespace
}  // namespace m5
