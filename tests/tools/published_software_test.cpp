// Published M5 software started by the free boot ROM through m5run --cart:
// the five CVBasic example cartridges in the shared third-party folder. Each
// must show its picture, the moving ones must move (the frame interrupt
// reaches them), and the music example must play its tune after key 1; on
// the 60 Hz and the 50 Hz M5 and on the bare 4 KiB machine. Pictures are
// taken at the same machine time on either model; the tune keeps its tempo
// in frames (it is timed by the frame interrupt).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "m5run_harness.h"
#include "sound_analysis.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/test_host.h"

namespace m5 {
namespace {

namespace fs = std::filesystem;

using test::Picture;
using test::read_file;
using test::read_png;
using test::Rgb;

// CVBasic keeps its screen's name table at 0x1800 and its sprite attributes
// at 0x1B00.
constexpr size_t CVBASIC_NAMES = 0x1800;
constexpr size_t CVBASIC_SPRITES = 0x1B00;

std::string software_dir() { return test::shared_path("m5-software"); }

// Pixels of the picture that are not of its most common colour.
int32_t pixels_off_background(const Picture& p) {
    std::map<Rgb, int32_t> counts;
    for (int32_t y = 0; y < p.height; ++y) {
        for (int32_t x = 0; x < p.width; ++x) ++counts[p.at(x, y)];
    }
    int32_t most = 0;
    for (const auto& [rgb, n] : counts) most = std::max(most, n);
    return p.width * p.height - most;
}

size_t distinct_colours(const Picture& p) {
    std::map<Rgb, int32_t> counts;
    for (int32_t y = 0; y < p.height; ++y) {
        for (int32_t x = 0; x < p.width; ++x) ++counts[p.at(x, y)];
    }
    return counts.size();
}

int32_t pixels_changed(const Picture& a, const Picture& b) {
    int32_t changed = 0;
    for (int32_t y = 0; y < a.height; ++y) {
        for (int32_t x = 0; x < a.width; ++x) changed += a.at(x, y) != b.at(x, y);
    }
    return changed;
}

struct Model {
    const char* model;   // --model
    const char* memory;  // --memory
    const char* boot;    // the free boot ROM's build
    int32_t fps;
};

void PrintTo(const Model& m, std::ostream* out) { *out << m.model << " " << m.memory; }

class PublishedSoftwareTest : public ::testing::TestWithParam<Model> {
protected:
    void SetUp() override {
        M5_SKIP_WITHOUT_TEST_DATA(software_dir());
        temp = std::make_unique<test::TempDir>();
        fs::create_directories(path("tmp"));
    }
    std::string path(const std::string& name) const { return temp->file(name); }

    // Runs the model's free boot ROM with the named cartridge inserted.
    int run(const std::string& cartridge, std::vector<std::string> args) const {
        const Model& m = GetParam();
        args.insert(args.begin(), {"--model", m.model, "--memory", m.memory, "--ipl", test::rom_path(m.boot), "--cart",
                                   software_dir() + "/" + cartridge + ".rom"});
        return test::run_m5run(args, temp->dir(), path("tmp")).exit_code;
    }
    // The model's frames in as much machine time as `frames_60` 60 Hz frames.
    static int32_t frames(int32_t frames_60) { return (frames_60 * GetParam().fps + 59) / 60; }
    static std::string frames_text(int32_t frames_60) { return std::to_string(frames(frames_60)); }

    std::unique_ptr<test::TempDir> temp;
};

TEST_P(PublishedSoftwareTest, every_cartridge_shows_its_picture) {
    struct Case {
        std::string name;
        int32_t frames;  // plot clears all of video memory slowly before it draws
        std::string text;
    };
    const std::vector<Case> cases = {{"controller", 60, "CVBasic controller test"},
                                     {"happy_face", 60, "Happy face!"},
                                     {"music", 60, "Press button"},
                                     {"viboritas", 60, "Lives: 2"},
                                     {"plot", 300, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(run(c.name, {"--frames", frames_text(c.frames), "--screenshot", path(c.name + ".png"), "--dump-vram",
                               path(c.name + ".vram")}),
                  0);
        const Picture p = read_png(path(c.name + ".png"));
        ASSERT_TRUE(p.ok);
        EXPECT_GT(pixels_off_background(p), 100);
        const std::string names = read_file(path(c.name + ".vram")).substr(CVBASIC_NAMES, 768);
        if (!c.text.empty()) {
            EXPECT_NE(names.find(c.text), std::string::npos) << "the program's text on screen";
        }
    }
    // The plot: a white frame, colour bars and a fan of coloured lines.
    const Picture plot = read_png(path("plot.png"));
    EXPECT_GE(distinct_colours(plot), 8u);
    int32_t white = 0;
    for (int32_t y = 0; y < plot.height; ++y) {
        for (int32_t x = 0; x < plot.width; ++x) {
            const Rgb c = plot.at(x, y);
            white += c[0] > 240 && c[1] > 240 && c[2] > 240;
        }
    }
    EXPECT_GT(white, 740) << "the frame (200 x 150) and the lines";
    // The controller: the two pads drawn side by side.
    const Picture pads = read_png(path("controller.png"));
    EXPECT_EQ(pads.at(70, 100), pads.at(185, 100));
    EXPECT_NE(pads.at(70, 100), pads.at(128, 100));
}

TEST_P(PublishedSoftwareTest, happy_face_and_viboritas_move_by_the_frame_interrupt) {
    for (const std::string name : {"happy_face", "viboritas"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(run(name, {"--frames", frames_text(120), "--screenshot-at", frames_text(90) + ":" + path("a.png"),
                             "--screenshot", path("b.png"), "--dump-vram", path("v.bin")}),
                  0);
        const Picture a = read_png(path("a.png"));
        const Picture b = read_png(path("b.png"));
        ASSERT_TRUE(a.ok && b.ok);
        EXPECT_GT(pixels_changed(a, b), 20);
        // The sprites are in use: the list does not end at the first entry.
        EXPECT_NE(static_cast<uint8_t>(read_file(path("v.bin")).at(CVBASIC_SPRITES)), 0xD0);
    }
}

TEST_P(PublishedSoftwareTest, music_plays_its_tune_after_key_1) {
    constexpr int32_t PRESS = 150;  // frames of the model
    ASSERT_EQ(run("music", {"--frames", "280", "--rate", "22050", "--key", "1@" + std::to_string(PRESS) + "+5", "--wav",
                            path("music.wav")}),
              0);
    const test::Sound s = test::read_wav(path("music.wav"));
    ASSERT_EQ(s.rate, 22050);
    const double spf = static_cast<double>(s.rate) / GetParam().fps;
    const size_t onset = test::first_sound_after(s, 0);
    ASSERT_GE(onset, static_cast<size_t>((PRESS - 1) * spf)) << "silent until the key";
    ASSERT_LT(onset, static_cast<size_t>((PRESS + 10) * spf));

    // The melody's first notes (Bach's Invention 8): F4 A4 F4 C5 F4 F5. The
    // strongest tone every two frames, runs of the same note taken once.
    const std::vector<double> expected = {349.23, 440.0, 349.23, 523.25, 349.23, 698.46};
    std::vector<double> heard;
    const size_t window = static_cast<size_t>(4 * spf);
    for (size_t at = onset; heard.size() < expected.size() && at + window < s.left.size();
         at += static_cast<size_t>(2 * spf)) {
        const double hz = test::strongest_frequency(s, at, window, 250, 1000);
        if (heard.empty() || std::abs(hz / heard.back() - 1.0) > 0.02) heard.push_back(hz);
    }
    ASSERT_EQ(heard.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(heard[i] / expected[i], 1.0, 0.015) << "note " << i;
}

// The tune is timed by the frame interrupt: on the 50 Hz machine its notes
// change at the same frames after the key as on the 60 Hz one (so it plays
// a sixth slower in seconds, as on a real European M5).
TEST(PublishedSoftwareTempo, the_tunes_notes_change_at_the_same_frames_on_either_model) {
    M5_SKIP_WITHOUT_TEST_DATA(software_dir());
    const test::TempDir temp;
    const auto note_frames = [&temp](const Model& m) {
        const std::string wav = temp.file(std::string(m.model) + ".wav");
        const std::vector<std::string> args = {"--model",  m.model,
                                               "--ipl",    test::rom_path(m.boot),
                                               "--cart",   software_dir() + "/music.rom",
                                               "--frames", "300",
                                               "--rate",   "22050",
                                               "--key",    "1@150+5",
                                               "--wav",    wav};
        std::vector<int32_t> frames;
        if (test::run_m5run(args, temp.dir(), temp.dir()).exit_code != 0) return frames;
        const test::Sound s = test::read_wav(wav);
        const double spf = static_cast<double>(s.rate) / m.fps;
        const size_t onset = test::first_sound_after(s, 0);
        // The strongest tone of each frame; a frame where it moves by more
        // than 2 % starts a note.
        double last = 0;
        for (size_t frame = 0; frames.size() < 8; ++frame) {
            const size_t at = onset + static_cast<size_t>(static_cast<double>(frame) * spf);
            if (at + static_cast<size_t>(spf) >= s.left.size()) break;
            const double hz = test::strongest_frequency(s, at, static_cast<size_t>(spf), 250, 1000);
            if (last == 0 || std::abs(hz / last - 1.0) > 0.02) frames.push_back(static_cast<int32_t>(frame));
            last = hz;
        }
        return frames;
    };
    const std::vector<int32_t> at_60 = note_frames(Model{"ntsc", "32k", "boot", 60});
    const std::vector<int32_t> at_50 = note_frames(Model{"pal", "32k", "boot_pal", 50});
    ASSERT_GE(at_60.size(), 6u);
    // Within a frame (a note that starts as a frame's sound is cut may show
    // one frame later); timed in seconds, the fourth note would start 8
    // frames early.
    ASSERT_EQ(at_50.size(), at_60.size());
    for (size_t i = 0; i < at_60.size(); ++i) EXPECT_NEAR(at_50[i], at_60[i], 1) << "note " << i;
}

INSTANTIATE_TEST_SUITE_P(Models, PublishedSoftwareTest,
                         ::testing::Values(Model{"ntsc", "32k", "boot", 60}, Model{"pal", "32k", "boot_pal", 50},
                                           Model{"ntsc", "4k", "boot", 60}),
                         [](const auto& info) { return std::string(info.param.model) + "_" + info.param.memory; });

}  // namespace
}  // namespace m5
