// End-to-end tests of the headless runner: our own Z80 programs run in the
// whole machine, checked through screenshots, sound, dumps and exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "devices/vdp.h"
#include "devices/wav_header.h"
#include "m5run_harness.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

namespace fs = std::filesystem;

using test::le16;
using test::le32;
using test::Picture;
using test::read_file;
using test::read_png;
using test::RunResult;

class M5RunTest : public test::M5RunDirTest {
protected:
    // Files left in the test directory, other than those named.
    std::vector<std::string> files_in_dir() const {
        std::vector<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(dir)) {
            if (e.is_regular_file()) names.push_back(fs::relative(e.path(), dir).string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Expects a failed run with exactly one error line and nothing written.
    void expect_clean_failure(const RunResult& r, int exit_code) const {
        EXPECT_EQ(r.exit_code, exit_code);
        EXPECT_EQ(r.err.rfind("m5run: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(files_in_dir().empty()) << files_in_dir().front();
    }
};

// The Graphics I picture of host_picture.asm, computed from its tables.
uint16_t expected_picture_pixel(int32_t x, int32_t y) {
    static const uint8_t patterns[4][8] = {
        {0, 0, 0, 0, 0, 0, 0, 0},
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
        {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55},
        {0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0},
    };
    static const uint8_t colours[2] = {0x2D, 0xB5};
    const int32_t column = x / 8;
    const int32_t row = y / 8;
    const int32_t tile = (column + row) & 3;
    const uint8_t colour = colours[(row >> 2) & 1];
    const bool set = (patterns[tile][y & 7] >> (7 - (x & 7))) & 1;
    return PALETTE[set ? colour >> 4 : colour & 0x0F];
}

TEST_F(M5RunTest, screenshot_shows_the_picture_the_program_drew) {
    const RunResult r =
        run({"--ipl", test::rom_path("host_picture"), "--frames", "3", "--screenshot", path("shot.png")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const Picture p = read_png(path("shot.png"));
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.width, 256);
    ASSERT_EQ(p.height, 192);
    int32_t wrong = 0;
    for (int32_t y = 0; y < 192; ++y) {
        for (int32_t x = 0; x < 256; ++x) {
            const uint16_t want = expected_picture_pixel(x, y);
            const uint8_t* got = &p.rgb[(static_cast<size_t>(y) * 256 + static_cast<size_t>(x)) * 3];
            // Each channel widened by repeating its top bits.
            const uint32_t r5 = want >> 11, g6 = (want >> 5) & 0x3F, b5 = want & 0x1F;
            if (got[0] != ((r5 << 3) | (r5 >> 2)) || got[1] != ((g6 << 2) | (g6 >> 4)) ||
                got[2] != ((b5 << 3) | (b5 >> 2))) {
                ++wrong;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

// vdp_sprite_row.asm: six sprites on rows 50..57 (the fifth and sixth hidden
// there with --sprite-limit) and a seventh alone on rows 100..107, on the
// backdrop (colour 4).
TEST_F(M5RunTest, sprite_limit_hides_the_fifth_and_sixth_sprite_of_the_row) {
    for (const bool limit : {false, true}) {
        std::vector<std::string> args = {
            "--ipl", test::rom_path("vdp_sprite_row"), "--frames", "3", "--screenshot", path("shot.png")};
        if (limit) args.push_back("--sprite-limit");
        const RunResult r = run(args);
        ASSERT_EQ(r.exit_code, 0) << r.err;
        const Picture p = read_png(path("shot.png"));
        ASSERT_TRUE(p.ok);
        int32_t wrong = 0;
        for (int32_t y = 0; y < 192; ++y) {
            for (int32_t x = 0; x < 256; ++x) {
                uint8_t colour = 4;
                for (int32_t n = 0; n < 6; ++n) {
                    const bool shown = !limit || n < 4;
                    if (shown && y >= 50 && y < 58 && x >= 16 + 32 * n && x < 24 + 32 * n) colour = 2 + n;
                }
                if (y >= 100 && y < 108 && x >= 100 && x < 108) colour = 8;
                const uint16_t want = PALETTE[colour];
                const uint8_t* got = &p.rgb[(static_cast<size_t>(y) * 256 + static_cast<size_t>(x)) * 3];
                const uint32_t r5 = want >> 11, g6 = (want >> 5) & 0x3F, b5 = want & 0x1F;
                if (got[0] != ((r5 << 3) | (r5 >> 2)) || got[1] != ((g6 << 2) | (g6 >> 4)) ||
                    got[2] != ((b5 << 3) | (b5 >> 2))) {
                    ++wrong;
                }
            }
        }
        EXPECT_EQ(wrong, 0) << (limit ? "with" : "without") << " the sprite limit";
    }
}

TEST_F(M5RunTest, same_options_give_byte_identical_outputs) {
    for (const char* tag : {"a", "b"}) {
        const std::string t = tag;
        const RunResult r = run({"--ipl", test::rom_path("host_busy"), "--frames", "40", "--rate", "22050",
                                 "--screenshot", path(t + ".png"), "--screenshot-at", "7:" + path(t + "7.png"), "--wav",
                                 path(t + ".wav"), "--dump-ram", path(t + ".ram"), "--dump-vram", path(t + ".vram")});
        ASSERT_EQ(r.exit_code, 0) << r.err;
    }
    for (const char* name : {".png", "7.png", ".wav", ".ram", ".vram"}) {
        const std::string a = read_file(path(std::string("a") + name));
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_EQ(a, read_file(path(std::string("b") + name))) << name;
    }
    EXPECT_EQ(read_file(path("a.ram")).size(), 0x9000u);
    EXPECT_EQ(read_file(path("a.vram")).size(), 0x4000u);
    // The busy program counts its frame interrupts at 0x7000.
    const std::string ram = read_file(path("a.ram"));
    const int32_t frames = static_cast<uint8_t>(ram[0]) | (static_cast<uint8_t>(ram[1]) << 8);
    EXPECT_NEAR(frames, 40, 1);
    // The backdrop follows the frame count, so frame 7 and frame 40 differ.
    EXPECT_NE(read_file(path("a7.png")), read_file(path("a.png")));
}

// m5run draws only the frames whose picture is written: a picture or a state
// of frame 7 is the same from a run of 7 frames and from a run of 40 that
// left the frames around it undrawn.
TEST_F(M5RunTest, pictures_and_states_of_a_frame_do_not_depend_on_the_frames_drawn_before) {
    const std::string busy = test::rom_path("host_busy");
    RunResult r =
        run({"--ipl", busy, "--frames", "7", "--screenshot", path("short.png"), "--save-state", path("short.m5s")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = run({"--ipl", busy, "--frames", "40", "--screenshot-at", "7:" + path("long7.png"), "--save-state-at",
             "7:" + path("long7.m5s"), "--screenshot", path("long.png")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_FALSE(read_file(path("short.png")).empty());
    EXPECT_EQ(read_file(path("short.png")), read_file(path("long7.png")));
    EXPECT_EQ(read_file(path("short.m5s")), read_file(path("long7.m5s")));
    // The last frame is drawn too (the backdrop follows the frame count).
    EXPECT_NE(read_file(path("long.png")), read_file(path("long7.png")));
}

// Logged code of a key in host_keys.asm: row * 8 + bit, 0x80 with shift.
int32_t key_code(int32_t row, int32_t bit, bool shift) { return row * 8 + bit + (shift ? 0x80 : 0); }

TEST_F(M5RunTest, pasted_text_arrives_in_the_programs_key_scan) {
    const RunResult r = run(
        {"--ipl", test::rom_path("host_keys"), "--frames", "90", "--paste", "Ab1! \\r", "--dump-ram", path("ram.bin")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string ram = read_file(path("ram.bin"));
    ASSERT_EQ(ram.size(), 0x9000u);
    const std::vector<int32_t> want = {
        key_code(3, 0, true),   // A: row 3 bit 0, shifted
        key_code(4, 4, false),  // b: row 4 bit 4
        key_code(1, 0, false),  // 1: row 1 bit 0
        key_code(1, 0, true),   // !: shift + 1
        key_code(0, 6, false),  // space
        key_code(0, 7, false),  // return
    };
    ASSERT_EQ(static_cast<uint8_t>(ram[0]), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(static_cast<uint8_t>(ram[0x100 + i]), want[i]) << i;
}

TEST_F(M5RunTest, held_keys_and_the_joystick_reach_the_program) {
    const RunResult r = run({"--ipl", test::rom_path("host_keys"), "--frames", "60", "--key", "Q@5+3", "--key", "UP@20",
                             "--key", "LSHIFT@30+10", "--key", "w@32", "--dump-ram", path("ram.bin")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string ram = read_file(path("ram.bin"));
    ASSERT_EQ(static_cast<uint8_t>(ram[0]), 3);
    EXPECT_EQ(static_cast<uint8_t>(ram[0x100]), key_code(2, 0, false));  // Q
    EXPECT_EQ(static_cast<uint8_t>(ram[0x101]), key_code(7, 1, false));  // joystick 1 up
    EXPECT_EQ(static_cast<uint8_t>(ram[0x102]), key_code(2, 1, true));   // W with left Shift held
}

TEST_F(M5RunTest, recorded_tone_has_the_programmed_frequency) {
    const RunResult r =
        run({"--ipl", test::rom_path("host_tone"), "--frames", "90", "--rate", "44100", "--wav", path("tone.wav")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string wav = read_file(path("tone.wav"));
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(le16(wav, 22), 2);
    EXPECT_EQ(le32(wav, 24), 44100u);
    EXPECT_EQ(le32(wav, 40), wav.size() - 44);
    // Upward zero crossings of the left channel give the frequency.
    std::vector<int32_t> ups;
    int16_t last = 0;
    for (size_t at = 44; at + 4 <= wav.size(); at += 4) {
        const auto left = static_cast<int16_t>(le16(wav, at));
        const auto right = static_cast<int16_t>(le16(wav, at + 2));
        ASSERT_EQ(left, right);
        if (last < 0 && left >= 0) ups.push_back(static_cast<int32_t>((at - 44) / 4));
        last = left;
    }
    ASSERT_GT(ups.size(), 50u);
    const double measured = (static_cast<double>(ups.size()) - 1) / ((ups.back() - ups.front()) / 44100.0);
    const double programmed = 3579545.0 / (32.0 * 112.0);
    EXPECT_NEAR(measured, programmed, programmed * 0.005);
}

TEST_F(M5RunTest, recorded_tape_plays_back_with_the_same_level_changes) {
    RunResult r = run({"--ipl", test::rom_path("host_tape_out"), "--frames", "30", "--tape-record", path("tape.wav")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string tape = read_file(path("tape.wav"));
    ASSERT_GT(tape.size(), 44u + 20000u);  // half a second at 47500 ticks a second
    EXPECT_EQ(tape.substr(0, 4), "RIFF");
    EXPECT_EQ(le16(tape, 22), 1);
    EXPECT_EQ(le16(tape, 34), 8);
    int32_t changes = 0;
    for (size_t i = 45; i < tape.size(); ++i) changes += (tape[i] & 0x80) != (tape[i - 1] & 0x80);
    EXPECT_GT(changes, 100);

    r = run({"--ipl", test::rom_path("host_tape_in"), "--tape", path("tape.wav"), "--frames", "45", "--dump-ram",
             path("ram.bin")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string ram = read_file(path("ram.bin"));
    const int32_t counted = static_cast<uint8_t>(ram[0]) | (static_cast<uint8_t>(ram[1]) << 8);
    EXPECT_NEAR(counted, changes, 1);
}

TEST_F(M5RunTest, tape_info_says_how_the_deck_plays_each_tape) {
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    };
    // One second of 44.1 kHz 16-bit stereo silence.
    const auto header = wav_header({.channels = 2, .sample_rate_hz = 44100, .bits_per_sample = 16}, 44100 * 4);
    const std::string cd = write("cd.wav", std::string(header.begin(), header.end()) + std::string(44100 * 4, '\0'));
    RunResult r = run({"--tape-info", cd});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out,
              "format: WAV, 16-bit PCM\nrate: 44100 Hz\nchannels: 2\nlength: 1.000 s\n"
              "playback: converted to 47500 ticks a second\n");

    r = run({"--tape-info", write("odd.wav", std::string(47544, 'x'))});
    EXPECT_EQ(r.out,
              "format: WAV, header not understood\nlength: 1.000 s\n"
              "playback: played as it stands, one level a tick, from byte 44\n"
              "refused: it is not a WAV file the tape deck can play\n");
    r = run({"--tape-info", write("runs.cas", std::string(475, '\x64'))});  // runs of 100 ticks
    EXPECT_EQ(r.out, "format: CAS, run lengths\nlength: 1.000 s\nplayback: played as it stands, one level a tick\n");
    EXPECT_EQ(run({"--tape-info", path("missing.wav")}).exit_code, 1);
}

TEST_F(M5RunTest, stats_report_frames_speed_and_realtime_pacing) {
    RunResult r = run({"--ipl", test::rom_path("host_busy"), "--frames", "120", "--speed", "4", "--stats"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("frames: 120\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("wall seconds: "), std::string::npos);
    EXPECT_NE(r.out.find("frames per second: "), std::string::npos);
    EXPECT_NE(r.out.find("times real time: "), std::string::npos);
    EXPECT_NE(r.out.find("idle loops passed over: 0 %"), std::string::npos) << "the busy program never idles";

    // The speed reaches the processor: in the same frames the busy loop's
    // working state ends elsewhere.
    ASSERT_EQ(run({"--ipl", test::rom_path("host_busy"), "--frames", "10", "--dump-ram", path("x1.bin")}).exit_code, 0);
    ASSERT_EQ(
        run({"--ipl", test::rom_path("host_busy"), "--frames", "10", "--speed", "4", "--dump-ram", path("x4.bin")})
            .exit_code,
        0);
    EXPECT_NE(read_file(path("x1.bin")), read_file(path("x4.bin")));

    // Paced to real time, 72 frames cannot finish much before 1.2 s.
    r = run({"--ipl", test::rom_path("host_busy"), "--frames", "72", "--realtime", "--stats"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const size_t at = r.out.find("wall seconds: ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_GE(std::atof(r.out.c_str() + at + 14), 1.0);
    EXPECT_NE(r.out.find("title: SORD m5 - "), std::string::npos) << r.out;
}

TEST_F(M5RunTest, the_run_leaves_nothing_beside_the_rom_or_in_the_temporary_directory) {
    fs::create_directories(path("rom"));
    fs::copy_file(test::rom_path("host_tone"), path("rom/tone.rom"));
    const RunResult r = run(
        {"--ipl", path("rom/tone.rom"), "--frames", "20", "--wav", path("out.wav"), "--screenshot", path("out.png")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(files_in_dir(), (std::vector<std::string>{"out.png", "out.wav", "rom/tone.rom"}));
    EXPECT_TRUE(fs::is_empty(path("tmp")));
}

TEST_F(M5RunTest, bad_options_fail_with_one_line_and_write_nothing) {
    const std::string ipl = test::rom_path("host_picture");
    expect_clean_failure(run({"--ipl", ipl, "--bogus"}), 2);
    expect_clean_failure(run({"--ipl", ipl, "--frames", "-1", "--screenshot", path("a.png")}), 2);
    expect_clean_failure(run({"--ipl", ipl, "--frames", "12x"}), 2);
    expect_clean_failure(run({"--ipl", ipl, "--speed", "3"}), 2);
    expect_clean_failure(run({"--ipl", ipl, "--key", "NOSUCHKEY@1"}), 2);
    expect_clean_failure(run({"--ipl", ipl, "--frames", "5", "--screenshot-at", "6:" + path("a.png")}), 2);
    expect_clean_failure(run({"--ipl"}), 2);
    const RunResult typed = run({"--ipl", ipl, "--frames", "1\n2"});  // still one line
    expect_clean_failure(typed, 2);
    EXPECT_NE(typed.err.find("'1\\x0A2'"), std::string::npos) << typed.err;
}

TEST_F(M5RunTest, unreadable_inputs_and_unwritable_outputs_fail_before_running) {
    const std::string ipl = test::rom_path("host_picture");
    expect_clean_failure(run({"--ipl", path("missing.rom"), "--screenshot", path("a.png")}), 1);
    expect_clean_failure(run({"--ipl", ipl, "--cart", path("missing.rom"), "--screenshot", path("a.png")}), 1);
    expect_clean_failure(run({"--ipl", ipl, "--tape", path("tmp"), "--wav", path("a.wav")}), 1);
    expect_clean_failure(run({"--ipl", ipl, "--wav", path("a.wav"), "--screenshot", path("no/such/dir/a.png")}), 1);
    expect_clean_failure(run({"--ipl", ipl, "--dump-ram", path("tmp")}), 1);
    fs::create_directories(path("tmp/IPL.ROM"));  // there, but no file
    const RunResult r = run({"--dir", path("tmp"), "--frames", "1"});
    expect_clean_failure(r, 1);
    EXPECT_EQ(r.err, "m5run: the IPL ROM '" + path("tmp") + "/IPL.ROM' is not a file\n");
    fs::remove_all(path("tmp"));  // TMPDIR names no directory: no private program directory
    expect_clean_failure(run({"--ipl", ipl, "--frames", "1"}), 1);
}

// Without --ipl and without IPL.ROM in the program directory, the free boot
// ROM runs, as in every other program, with one line saying so: the very
// picture of --ipl boot.rom.
TEST_F(M5RunTest, no_ipl_rom_anywhere_runs_the_free_boot_rom_with_one_line) {
    fs::create_directories(path("empty"));
    const std::vector<std::vector<std::string>> runs = {{}, {"--cart", test::rom_path("cart_text")}};
    for (const std::vector<std::string>& media : runs) {
        std::vector<std::string> free = {"--dir", path("empty"), "--frames", "300", "--screenshot", path("free.png")};
        std::vector<std::string> given = {"--ipl", test::rom_path("boot"), "--frames",
                                          "300",   "--screenshot",         path("boot.png")};
        free.insert(free.end(), media.begin(), media.end());
        given.insert(given.end(), media.begin(), media.end());
        const RunResult r = run(free);
        ASSERT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(r.err, "m5run: No IPL.ROM found: running the free boot ROM\n");
        const RunResult b = run(given);
        ASSERT_EQ(b.exit_code, 0) << b.err;
        EXPECT_EQ(b.err, "");
        const Picture a = read_png(path("free.png")), e = read_png(path("boot.png"));
        ASSERT_TRUE(a.ok && e.ok);
        EXPECT_EQ(a.rgb, e.rgb) << (media.empty() ? "the demo" : "the cartridge");
    }
}

// Every input goes through the rule every program applies, in its words,
// before the machine runs: a refused one ends the run with one line and no
// output; a cartridge without a header runs with a note.
TEST_F(M5RunTest, inputs_the_rule_refuses_end_the_run_before_it_starts) {
    const std::string ipl = test::rom_path("host_picture");
    fs::create_directories(path("in"));
    const auto put = [this](const std::string& name, const std::string& bytes) {
        std::ofstream(path("in/" + name), std::ios::binary) << bytes;
        return path("in/" + name);
    };
    const std::string junk_wav = put("junk.wav", std::string("RIFF\x08\0\0\0WAVEjunk", 16));
    const std::string silent_cas = put("silent.cas", std::string(100, '\x80'));
    const std::string empty = put("empty.rom", "");
    const std::string long_cart = put("long.rom", std::string(20480, '\0') + "code");
    const std::string no_state = put("game.m5s", "PK\x03\x04");
    struct Refusal {
        std::vector<std::string> args;
        std::string line;
    };
    const std::vector<Refusal> refusals = {
        {{"--cart", empty}, "the cartridge '" + empty + "' is empty"},
        {{"--cart", long_cart}, "the cartridge '" + long_cart + "' holds more than the M5's 20 KiB cartridge window"},
        {{"--cart", path("in")}, "the cartridge '" + path("in") + "' is not a file"},
        {{"--tape", junk_wav}, "the tape '" + junk_wav + "' is not a WAV file the tape deck can play"},
        {{"--tape", silent_cas}, "the tape '" + silent_cas + "' holds no tape signal"},
        {{"--tape", empty}, "the tape '" + empty + "' is empty"},
        {{"--load-state", no_state}, "the save state '" + no_state + "' is not a save state"},
    };
    for (const Refusal& refusal : refusals) {
        std::vector<std::string> args = {"--ipl", ipl, "--frames", "5", "--screenshot", path("out.png")};
        args.insert(args.end(), refusal.args.begin(), refusal.args.end());
        const RunResult r = run(args);
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(r.err, "m5run: " + refusal.line + "\n");
        EXPECT_FALSE(fs::exists(path("out.png"))) << refusal.line;
    }
    const std::string odd = put("odd.rom", std::string("\x5A") + std::string(100, '\0'));
    const RunResult r = run({"--ipl", ipl, "--cart", odd, "--frames", "5", "--screenshot", path("out.png")});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "m5run: note: the cartridge '" + odd +
                         "' begins with 5A, not with a cartridge header (00, 02 or FF): the IPL will not start it\n");
}

TEST_F(M5RunTest, outputs_cut_short_by_the_file_size_limit_fail_whole) {
    const std::string tone = test::rom_path("host_tone");
    const std::string tape = test::rom_path("host_tape_out");
    const std::string picture = test::rom_path("host_picture");
    // Each output is larger than its limit; the ROM copy and the error line
    // are not.
    const std::vector<std::pair<std::vector<std::string>, int64_t>> runs = {
        {{"--ipl", tone, "--frames", "30", "--rate", "44100", "--wav", path("out.wav")}, 16384},
        {{"--ipl", tape, "--frames", "30", "--tape-record", path("out.wav")}, 16384},
        {{"--ipl", tape, "--frames", "30", "--tape-record", path("out.cas")}, 512},
        {{"--ipl", picture, "--frames", "3", "--screenshot", path("out.png")}, 512},
        {{"--ipl", picture, "--frames", "3", "--dump-vram", path("out.vram")}, 8192},
        // An output that fits is not kept when another fails.
        {{"--ipl", picture, "--frames", "3", "--dump-vram", path("out.vram"), "--dump-ram", path("out.ram")}, 20000},
    };
    for (const auto& [args, limit] : runs) {
        const RunResult r = run(args, limit);
        SCOPED_TRACE(args.back());
        expect_clean_failure(r, 1);
        EXPECT_NE(r.err.find("out."), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(std::strerror(EFBIG)), std::string::npos) << r.err;
        EXPECT_TRUE(fs::is_empty(path("tmp")));
    }
}

TEST_F(M5RunTest, outputs_go_through_links_to_standard_output_and_never_into_special_files) {
    const std::string picture = test::rom_path("host_picture");
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    for (const std::string& special : {path("fifo"), std::string("/dev/null"), path("tmp")}) {
        const RunResult r = run({"--ipl", picture, "--frames", "1", "--dump-vram", special});
        expect_clean_failure(r, 1);
        EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // A link is followed; the file it names is replaced, the link stays.
    std::ofstream(path("real.vram")) << "old";
    fs::create_symlink("real.vram", path("link.vram"));
    ASSERT_EQ(run({"--ipl", picture, "--frames", "1", "--dump-vram", path("link.vram")}).exit_code, 0);
    EXPECT_TRUE(fs::is_symlink(path("link.vram")));
    const std::string vram = read_file(path("real.vram"));
    EXPECT_EQ(vram.size(), 0x4000u);

    const RunResult r = run({"--ipl", picture, "--frames", "1", "--dump-vram", "-"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, vram);
}

}  // namespace
}  // namespace m5
