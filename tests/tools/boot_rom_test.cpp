// End-to-end tests of the free boot ROM (roms/boot/boot.asm) in the headless
// runner: the title screen checked pixel by pixel against the ROM's own
// character set (parsed from roms/boot/font.inc), typing through the paste
// sequencer and held keys, the live keyboard and joystick lines, the tune's
// notes in the sound recording, and a long run under random keys. Then what
// it does for cartridges, through our own test cartridges (roms/test/cart_*):
// the header rules, the interrupt set-up, the restart slots and hooks, and
// the entry points. Last, the tape loader: our test program written into a
// SORDM5 tape file, played from power-on as the deck's run-length CAS bytes
// and as WAV recordings at, above and below their true speed, headers it
// refuses, and a program that fills the RAM from 0x7300 to its top.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "devices/sordm5_tape.h"
#include "devices/vdp.h"
#include "host/png_writer.h"
#include "m5run_harness.h"
#include "sound_analysis.h"
#include "support/sordm5_writer.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

namespace fs = std::filesystem;

// Where the boot ROM keeps things (see the constants of boot.asm).
constexpr int32_t IPL_ROM_BYTES = 0x2000;
constexpr int32_t NAMES = 0x3800;
constexpr int32_t SPRITE_ATTRS = 0x3B00;
constexpr int32_t COLUMNS = 32;
constexpr uint8_t HIGHLIGHT = 0x60;
constexpr uint8_t CURSOR = 0x7F;
constexpr int32_t TITLE_COL = 9;
constexpr int32_t SWATCH_ROW = 5;
constexpr int32_t PORTS_ROW = 13;
constexpr int32_t JOY_ROW = 14;
constexpr int32_t HELD_ROW = 15;
constexpr int32_t HEADER_ROW = 16;
constexpr int32_t CLOCK_COL = 26;
constexpr int32_t TEXT_ROW = 17;
constexpr int32_t TEXT_ROWS = 7;
constexpr int32_t TEXT_COL = 1;
constexpr int32_t TEXT_WIDTH = 30;
constexpr int32_t BAND_TOP = 72;
constexpr int32_t BAND_BOTTOM = 104;
// RAM dump offsets (the dump starts at 0x7000).
constexpr size_t RAM_FRAMES = 0x0000;
constexpr size_t RAM_LOOPS = 0x0002;
constexpr size_t RAM_SECONDS = 0x0006;
constexpr size_t RAM_MINUTES = 0x0007;
constexpr size_t RAM_VARIABLES_END = 0x0200;
constexpr size_t RAM_STACK_AREA = 0x8F00;  // 0xFF00-0xFFFF

using test::first_sound_after;
using test::le16;
using test::le32;
using test::Picture;
using test::read_file;
using test::read_png;
using test::read_wav;
using test::Rgb;
using test::rms;
using test::Sound;
using test::strongest_frequency;
using test::tonal_share;

uint8_t byte_at(const std::string& b, size_t at) { return static_cast<uint8_t>(b.at(at)); }

// The checkout's root, where the ROM's sources are.
std::string source_root() { return M5_SOURCE_DIR; }

// The ROM's character set, parsed from its source: glyph rows of codes
// 0x20-0x7F in order.
using Glyph = std::array<uint8_t, 8>;
const std::vector<Glyph>& font() {
    static const std::vector<Glyph> glyphs = [] {
        const std::string text = read_file(source_root() + "/roms/boot/font.inc");
        const std::regex row_pattern("db %([01]{8})");
        std::vector<Glyph> g;
        int32_t row = 0;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), row_pattern); it != std::sregex_iterator();
             ++it) {
            if (row == 0) g.emplace_back();
            g.back()[static_cast<size_t>(row)] = static_cast<uint8_t>(std::stoi((*it)[1].str(), nullptr, 2));
            row = (row + 1) % 8;
        }
        return g;
    }();
    return glyphs;
}

const Glyph& glyph(char c) { return font().at(static_cast<size_t>(static_cast<uint8_t>(c) - 0x20)); }

// The screenshot colour of a colour index, as m5run writes it.
Rgb colour(int32_t index) {
    const uint32_t p = PALETTE[static_cast<size_t>(index)];
    return {widen5((p >> 11) & 0x1F), widen6((p >> 5) & 0x3F), widen5(p & 0x1F)};
}

// Pixels of `text` drawn at a cell position that differ from the glyphs in
// the given colours. Cells are `width` pixels wide (each glyph's left
// columns) from pixel column `left`.
int32_t glyph_mismatches(const Picture& p, int32_t row, int32_t col, const std::string& text, Rgb ink, Rgb paper,
                         int32_t width = 8, int32_t left = 0) {
    int32_t wrong = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph& g = glyph(text[i]);
        for (int32_t y = 0; y < 8; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                const bool set = (g[static_cast<size_t>(y)] & (0x80 >> x)) != 0;
                const int32_t px = left + (col + static_cast<int32_t>(i)) * width + x;
                if (p.at(px, row * 8 + y) != (set ? ink : paper)) ++wrong;
            }
        }
    }
    return wrong;
}

// The name table of a video RAM dump read back as text: highlighted codes
// come back as their plain characters.
struct Screen {
    std::string vram;
    uint8_t name(int32_t row, int32_t col) const { return byte_at(vram, NAMES + row * COLUMNS + col); }
    bool highlighted(int32_t row, int32_t col) const { return name(row, col) >= 0x80 && name(row, col) < 0xE0; }
    std::string text(int32_t row, int32_t col, int32_t length) const {
        std::string s;
        for (int32_t i = 0; i < length; ++i) {
            uint8_t c = name(row, col + i);
            if (highlighted(row, col + i)) c = static_cast<uint8_t>(c - HIGHLIGHT);
            s.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
        }
        return s;
    }
    std::string line(int32_t row) const { return text(row, 0, COLUMNS); }
    // The blinking cursor shows either the cell's character or a block.
    bool space_or_cursor(int32_t row, int32_t col) const { return name(row, col) == ' ' || name(row, col) == CURSOR; }
};

// --- Sound ------------------------------------------------------------------

double note_hz(int32_t midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// The tune as written in boot.asm: frames, melody note and bass note (MIDI).
struct TuneStep {
    int32_t frames;
    int32_t melody;
    int32_t bass;
};
constexpr int32_t C3 = 48, F3 = 53, G3 = 55, C5 = 72, E5 = 76, F5 = 77, G5 = 79, A5 = 81, B5 = 83, C6 = 84, D6 = 86;
const std::vector<TuneStep> TUNE = {{8, C5, C3}, {8, E5, C3}, {8, G5, C3}, {8, E5, C3}, {8, F5, F3},
                                    {8, A5, F3}, {8, C6, F3}, {8, A5, F3}, {8, G5, G3}, {8, B5, G3},
                                    {8, D6, G3}, {8, B5, G3}, {8, G5, C3}, {24, C6, C3}};

// --- Runner -------------------------------------------------------------------

class BootRomTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir / "tmp"); }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    // Runs m5run on the boot ROM with the arguments; returns its exit status.
    int run(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--ipl", test::rom_path("boot")});
        return test::run_m5run(args, dir.string(), path("tmp")).exit_code;
    }

    // Runs the boot ROM with one of our test cartridges inserted.
    int run_cart(const std::string& cart, std::vector<std::string> args) const {
        args.insert(args.begin(), {"--cart", test::rom_path(cart)});
        return run(std::move(args));
    }

    Screen vram(const std::string& name = "screen.vram") const { return Screen{read_file(path(name))}; }

    test::TempDir temp;
    fs::path dir = temp.path();
};

TEST_F(BootRomTest, boot_rom_fits_the_ipl_area) {
    const std::string rom = read_file(test::rom_path("boot"));
    ASSERT_FALSE(rom.empty());
    EXPECT_LE(rom.size(), static_cast<size_t>(IPL_ROM_BYTES));
    EXPECT_EQ(font().size(), 96u) << "font.inc holds codes 0x20-0x7F";
}

TEST_F(BootRomTest, title_screen_shows_the_name_and_where_the_original_rom_goes) {
    ASSERT_EQ(run({"--frames", "60", "--screenshot", path("title.png"), "--dump-vram", path("screen.vram")}), 0);
    const Picture p = read_png(path("title.png"));
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.width, 256);
    ASSERT_EQ(p.height, 192);
    const Rgb black = colour(1);
    const Rgb white = colour(15);
    const Rgb key_ink = colour(1);
    const Rgb key_paper = colour(11);

    // The machine's name in large letters: each character of the font drawn
    // twice as wide and high, one pixel down, in two rows from column 9.
    const std::string name = "SORD m5";
    int32_t wrong = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        for (int32_t y = 0; y < 16; ++y) {
            for (int32_t x = 0; x < 16; ++x) {
                const int32_t row = (y - 1) / 2;
                const bool set =
                    y > 0 && name[i] != ' ' && (glyph(name[i])[static_cast<size_t>(row)] & (0x80 >> (x / 2)));
                const bool lit = p.at((TITLE_COL + 2 * static_cast<int32_t>(i)) * 8 + x, y) != black;
                if (set != lit) ++wrong;
            }
        }
    }
    EXPECT_EQ(wrong, 0);

    EXPECT_EQ(glyph_mismatches(p, 2, 1, "Free boot ROM of the emulator.", white, black), 0);
    EXPECT_EQ(glyph_mismatches(p, 3, 2, "The original ", white, black), 0);
    EXPECT_EQ(glyph_mismatches(p, 3, 15, "IPL.ROM", key_ink, key_paper), 0);
    EXPECT_EQ(glyph_mismatches(p, 3, 22, " goes in", white, black), 0);
    EXPECT_EQ(glyph_mismatches(p, 4, 4, "the program's directory.", white, black), 0);

    // The keys to press, each key name highlighted.
    const Screen s = vram();
    EXPECT_EQ(s.line(6), "   Type:  SHIFT  for capitals   ");
    EXPECT_EQ(s.line(7), "  RETURN  new line  TAB  delete ");
    EXPECT_EQ(s.line(8), "  CTRL  tune  ARROWS  move ship ");
    for (const auto& [row, col] : std::vector<std::pair<int32_t, int32_t>>{{6, 10}, {7, 2}, {7, 20}, {8, 2}, {8, 14}}) {
        EXPECT_TRUE(s.highlighted(row, col)) << row << "," << col;
    }
    EXPECT_EQ(glyph_mismatches(p, 7, 2, "RETURN", key_ink, key_paper), 0);
    EXPECT_EQ(s.text(HEADER_ROW, 1, 9), "Type here");
}

TEST_F(BootRomTest, colour_swatches_show_all_fifteen_colours) {
    ASSERT_EQ(run({"--frames", "30", "--screenshot", path("colours.png")}), 0);
    const Picture p = read_png(path("colours.png"));
    ASSERT_TRUE(p.ok);
    const Rgb frame = colour(14);
    for (int32_t k = 1; k <= 15; ++k) {
        // Swatch k fills two cells from column 1 + 2 (k - 1), inside a grey
        // frame of one pixel.
        const int32_t left = (1 + 2 * (k - 1)) * 8;
        const int32_t top = SWATCH_ROW * 8;
        int32_t wrong = 0;
        for (int32_t y = 1; y < 7; ++y) {
            for (int32_t x = 1; x < 15; ++x) wrong += p.at(left + x, top + y) != colour(k);
        }
        EXPECT_EQ(wrong, 0) << "colour " << k;
        EXPECT_EQ(p.at(left, top + 3), frame) << "colour " << k;
        EXPECT_EQ(p.at(left + 15, top + 3), frame) << "colour " << k;
        EXPECT_EQ(p.at(left + 5, top), frame) << "colour " << k;
    }
}

TEST_F(BootRomTest, pasted_hello_appears_in_the_typing_area) {
    ASSERT_EQ(run({"--frames", "100", "--paste", "HELLO", "--screenshot", path("hello.png"), "--dump-vram",
                   path("screen.vram")}),
              0);
    const Screen s = vram();
    EXPECT_EQ(s.text(TEXT_ROW, TEXT_COL, 5), "HELLO");
    EXPECT_TRUE(s.space_or_cursor(TEXT_ROW, TEXT_COL + 5));
    const Picture p = read_png(path("hello.png"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(glyph_mismatches(p, TEXT_ROW, TEXT_COL, "HELLO", colour(15), colour(4)), 0);
}

TEST_F(BootRomTest, every_printable_character_types_as_pasted_and_return_starts_a_line) {
    std::string all;
    for (int c = 0x20; c < 0x7F; ++c) all.push_back(static_cast<char>(c));
    // m5run's paste escapes: a backslash is written \\.
    std::string escaped;
    for (char c : all) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    const std::string text = "AB\ncd\n" + escaped;
    ASSERT_EQ(run({"--frames", "950", "--paste", text, "--dump-vram", path("screen.vram")}), 0);
    const Screen s = vram();
    EXPECT_EQ(s.text(TEXT_ROW, TEXT_COL, 3), "AB ");
    EXPECT_EQ(s.text(TEXT_ROW + 1, TEXT_COL, 3), "cd ");
    // 95 characters wrap after 30 columns.
    std::string typed;
    for (int32_t row = 2; row < 6; ++row) typed += s.text(TEXT_ROW + row, TEXT_COL, TEXT_WIDTH);
    EXPECT_EQ(typed.substr(0, all.size()), all);
    EXPECT_EQ(s.name(TEXT_ROW + 2, 0), ' ');
    EXPECT_EQ(s.name(TEXT_ROW + 2, 31), ' ');
}

TEST_F(BootRomTest, held_key_repeats_and_tab_rubs_out) {
    // X held 60 frames: one press, then a repeat after 30 frames and every 4
    // frames after that (frames 30, 34, ... 58): 9 in all. Two taps of TAB
    // rub two out.
    ASSERT_EQ(run({"--frames", "160", "--key", "X@40+60", "--key", "TAB@120", "--key", "TAB@126", "--dump-vram",
                   path("screen.vram")}),
              0);
    const Screen s = vram();
    EXPECT_EQ(s.text(TEXT_ROW, TEXT_COL, 7), "xxxxxxx");
    EXPECT_TRUE(s.space_or_cursor(TEXT_ROW, TEXT_COL + 7));
    EXPECT_EQ(s.name(TEXT_ROW, TEXT_COL + 8), ' ');
}

TEST_F(BootRomTest, typing_past_the_last_line_scrolls_the_text_up) {
    ASSERT_EQ(run({"--frames", "500", "--paste", "1\n2\n3\n4\n5\n6\n7\n8\n9", "--dump-vram", path("screen.vram")}), 0);
    const Screen s = vram();
    for (int32_t row = 0; row < TEXT_ROWS; ++row) {
        EXPECT_EQ(s.text(TEXT_ROW + row, TEXT_COL, 1), std::string(1, static_cast<char>('3' + row)));
        EXPECT_TRUE(s.space_or_cursor(TEXT_ROW + row, TEXT_COL + 1));
    }
    // The title stays where it was.
    EXPECT_EQ(s.text(2, 1, 30), "Free boot ROM of the emulator.");
}

TEST_F(BootRomTest, live_lines_show_held_keys_and_joystick_directions) {
    ASSERT_EQ(run({"--frames", "60", "--key", "UP@40+30", "--key", "LEFT@40+30", "--key", "A@40+30", "--key",
                   "SHIFT@40+30", "--dump-vram", path("screen.vram")}),
              0);
    const Screen s = vram();
    // Port 0x30: both Shift bits; 0x33: A; 0x37: up (bit 1) and left (bit 2).
    EXPECT_EQ(s.text(PORTS_ROW, 1, 30), "30-37: 0C 00 00 01 00 00 00 06");
    EXPECT_EQ(s.text(JOY_ROW, 1, 30), "Joy:   UP  DOWN  LEFT  RIGHT  ");
    EXPECT_TRUE(s.highlighted(JOY_ROW, 8));    // U of UP
    EXPECT_FALSE(s.highlighted(JOY_ROW, 12));  // D of DOWN
    EXPECT_TRUE(s.highlighted(JOY_ROW, 18));   // L of LEFT
    EXPECT_FALSE(s.highlighted(JOY_ROW, 24));  // R of RIGHT
    EXPECT_EQ(s.text(HELD_ROW, 1, 16), "Held: SHIFT A   ");

    // Released: the lines go back to rest.
    ASSERT_EQ(run({"--frames", "80", "--key", "UP@40+30", "--key", "A@40+30", "--dump-vram", path("later.vram")}), 0);
    const Screen later = vram("later.vram");
    EXPECT_EQ(later.text(PORTS_ROW, 1, 30), "30-37: 00 00 00 00 00 00 00 00");
    EXPECT_FALSE(later.highlighted(JOY_ROW, 8));
    EXPECT_EQ(later.text(HELD_ROW, 1, 8), "Held:   ");
}

TEST_F(BootRomTest, arrow_keys_move_the_ship_and_the_ball_moves_by_itself) {
    ASSERT_EQ(run({"--frames", "40", "--dump-vram", path("before.vram")}), 0);
    ASSERT_EQ(run({"--frames", "80", "--key", "RIGHT@41+30", "--key", "DOWN@41+30", "--dump-vram", path("after.vram")}),
              0);
    const std::string before = read_file(path("before.vram"));
    const std::string after = read_file(path("after.vram"));
    // Sprite 0 is the ship (Y, X, pattern, colour); sprite 1 the ball.
    const int32_t ship_y = byte_at(before, SPRITE_ATTRS) + 1;
    EXPECT_GE(ship_y, BAND_TOP);
    EXPECT_GE(byte_at(after, SPRITE_ATTRS + 1), byte_at(before, SPRITE_ATTRS + 1) + 40);
    EXPECT_GT(byte_at(after, SPRITE_ATTRS), byte_at(before, SPRITE_ATTRS));
    EXPECT_LE(byte_at(after, SPRITE_ATTRS) + 1 + 16, BAND_BOTTOM);
    EXPECT_NE(byte_at(after, SPRITE_ATTRS + 5), byte_at(before, SPRITE_ATTRS + 5));
    EXPECT_EQ(byte_at(after, SPRITE_ATTRS + 8), SPRITE_TERMINATOR);
}

TEST_F(BootRomTest, tune_plays_its_notes_at_their_frequencies_then_a_noise) {
    ASSERT_EQ(run({"--frames", "240", "--rate", "22050", "--wav", path("tune.wav")}), 0);
    const Sound s = read_wav(path("tune.wav"));
    ASSERT_EQ(s.rate, 22050);
    const size_t onset = first_sound_after(s, 0);
    ASSERT_LT(onset, static_cast<size_t>(30 * s.samples_per_frame())) << "the tune starts within half a second";

    // In the middle of each step: the strongest frequency of the melody range
    // is the melody's note, that of the bass range the bass note.
    const auto at_frame = [&](double frame) { return onset + static_cast<size_t>(frame * s.samples_per_frame()); };
    const size_t window = static_cast<size_t>(4 * s.samples_per_frame());
    int32_t frame = 0;
    for (const TuneStep& step : TUNE) {
        const size_t first = at_frame(frame + 2);
        const double melody = strongest_frequency(s, first, window, 400, 1300);
        const double bass = strongest_frequency(s, first, window, 100, 250);
        EXPECT_NEAR(melody / note_hz(step.melody), 1.0, 0.01) << "step at frame " << frame << ": " << melody << " Hz";
        EXPECT_NEAR(bass / note_hz(step.bass), 1.0, 0.01) << "step at frame " << frame << ": " << bass << " Hz";
        EXPECT_GT(tonal_share(s, first, window), 0.8) << "step at frame " << frame;
        frame += step.frames;
    }

    // Right after the last note: a loud noise, its power spread wide.
    const size_t crash = at_frame(frame);
    EXPECT_GT(rms(s, crash, window), 2000.0);
    EXPECT_LT(tonal_share(s, crash, window), 0.5);
}

TEST_F(BootRomTest, ctrl_plays_the_tune_again) {
    ASSERT_EQ(run({"--frames", "340", "--rate", "22050", "--key", "CTRL@300", "--wav", path("again.wav")}), 0);
    const Sound s = read_wav(path("again.wav"));
    ASSERT_EQ(s.rate, 22050);
    const double spf = s.samples_per_frame();
    // Silent once the first tune and its noise have faded.
    EXPECT_EQ(rms(s, static_cast<size_t>(250 * spf), static_cast<size_t>(45 * spf)), 0.0);
    const size_t again = first_sound_after(s, static_cast<size_t>(250 * spf));
    ASSERT_GE(again, static_cast<size_t>(299 * spf));
    ASSERT_LE(again, static_cast<size_t>(304 * spf));
    const size_t window = static_cast<size_t>(4 * spf);
    EXPECT_NEAR(strongest_frequency(s, again + static_cast<size_t>(2 * spf), window, 400, 1300) / note_hz(C5), 1.0,
                0.01);
    EXPECT_NEAR(strongest_frequency(s, again + static_cast<size_t>(10 * spf), window, 400, 1300) / note_hz(E5), 1.0,
                0.01);
}

TEST_F(BootRomTest, ball_touching_a_moving_ship_sounds_a_noise) {
    // The ball comes back over the parked ship's corner around frame 330; the
    // sprite coincidence flag makes a noise only while the ship is being
    // moved (here pushed up against the top of the band).
    ASSERT_EQ(run({"--frames", "400", "--rate", "22050", "--wav", path("idle.wav")}), 0);
    ASSERT_EQ(run({"--frames", "400", "--rate", "22050", "--key", "UP@300+90", "--wav", path("moved.wav")}), 0);
    const Sound idle = read_wav(path("idle.wav"));
    const Sound moved = read_wav(path("moved.wav"));
    ASSERT_EQ(moved.rate, 22050);
    const double spf = moved.samples_per_frame();
    const size_t from = static_cast<size_t>(250 * spf);
    EXPECT_EQ(rms(idle, from, static_cast<size_t>(145 * spf)), 0.0);
    const size_t hit = first_sound_after(moved, from);
    ASSERT_LT(hit, static_cast<size_t>(390 * spf));
    EXPECT_GT(hit, static_cast<size_t>(300 * spf));
    const size_t window = static_cast<size_t>(4 * spf);
    EXPECT_GT(rms(moved, hit, window), 2000.0);
    // A low rumble: its power spreads over the low frequencies.
    EXPECT_LT(tonal_share(moved, hit, window, 50, 2000), 0.5);
}

TEST_F(BootRomTest, frame_interrupt_drives_the_counter_and_the_clock) {
    ASSERT_EQ(run({"--frames", "130", "--dump-ram", path("ram.bin"), "--dump-vram", path("screen.vram")}), 0);
    const std::string ram = read_file(path("ram.bin"));
    // One interrupt per frame from the first frame on; the main loop has run
    // once per frame since the start-up finished.
    const uint32_t frames = le16(ram, RAM_FRAMES);
    EXPECT_GE(frames, 129u);
    EXPECT_LE(frames, 130u);
    EXPECT_GE(le16(ram, RAM_LOOPS), frames - 15);
    EXPECT_LE(le16(ram, RAM_LOOPS), frames);
    EXPECT_EQ(byte_at(ram, RAM_MINUTES), 0);
    EXPECT_EQ(byte_at(ram, RAM_SECONDS), 2);
    EXPECT_EQ(vram().text(HEADER_ROW, CLOCK_COL, 5), "00:02");
}

// Ten minutes of emulated time with random keys (one minute under the
// sanitizers, where the run is many times slower).
TEST_F(BootRomTest, random_keys_for_ten_minutes_leave_the_program_running) {
#if defined(__SANITIZE_ADDRESS__)
    constexpr int32_t FRAMES = 3600;
#else
    constexpr int32_t FRAMES = 36000;
#endif
    const std::vector<std::string> keys = {
        "A",          "B",      "C",     "D",         "E",         "F",    "G",        "H",        "I",         "J",
        "K",          "L",      "M",     "N",         "O",         "P",    "Q",        "R",        "S",         "T",
        "U",          "V",      "W",     "X",         "Y",         "Z",    "0",        "1",        "2",         "3",
        "4",          "5",      "6",     "7",         "8",         "9",    "SPACE",    "RETURN",   "RETURN",    "TAB",
        "CTRL",       "SHIFT",  "SHIFT", "UP",        "DOWN",      "LEFT", "RIGHT",    "UP",       "LEFT",      "COMMA",
        "MINUS",      "PERIOD", "SLASH", "SEMICOLON", "PLUS",      "AT",   "LBRACKET", "RBRACKET", "BACKSLASH", "CARET",
        "UNDERSCORE", "ESCAPE", "ALT",   "F1",        "BACKSPACE", "KANA", "HOME"};
    std::mt19937 random(20260608);
    std::vector<std::string> args = {
        "--frames",     std::to_string(FRAMES), "--dump-ram",      path("ram.bin"),
        "--dump-vram",  path("screen.vram"),    "--screenshot-at", std::to_string(FRAMES - 30) + ":" + path("a.png"),
        "--screenshot", path("b.png")};
    for (int32_t i = 0; i < FRAMES / 24; ++i) {
        const std::string& key = keys[random() % keys.size()];
        const int32_t at = 1 + static_cast<int32_t>(random() % (FRAMES - 40));
        const bool long_hold = random() % 8 == 0;  // long enough to repeat
        const auto length = static_cast<int32_t>(long_hold ? 20 + random() % 100 : 1 + random() % 6);
        args.push_back("--key");
        args.push_back(key + "@" + std::to_string(at) + "+" + std::to_string(length));
    }
    ASSERT_EQ(run(args), 0);

    const std::string ram = read_file(path("ram.bin"));
    ASSERT_EQ(ram.size(), 0x9000u);
    const uint32_t frames = le16(ram, RAM_FRAMES);
    EXPECT_GE(frames, static_cast<uint32_t>(FRAMES - 1));
    EXPECT_LE(frames, static_cast<uint32_t>(FRAMES));
    EXPECT_GE(le16(ram, RAM_LOOPS), frames - frames / 50) << "the main loop kept pace with the frames";
    // Nothing was written outside the program's variables and a shallow stack.
    size_t stray = 0;
    for (size_t i = RAM_VARIABLES_END; i < RAM_STACK_AREA; ++i) stray += byte_at(ram, i) != 0;
    EXPECT_EQ(stray, 0u);

    const Screen s = vram();
    EXPECT_EQ(s.text(2, 1, 30), "Free boot ROM of the emulator.");
    EXPECT_EQ(s.text(HEADER_ROW, 1, 9), "Type here");
    const int32_t seconds = byte_at(ram, RAM_MINUTES) * 60 + byte_at(ram, RAM_SECONDS);
    EXPECT_GE(seconds, FRAMES / 60 - 1);
    EXPECT_LE(seconds, FRAMES / 60);
    // The clock on the screen: the time in RAM, or a second less when the
    // main loop had not yet drawn the last frame's tick.
    const auto clock_text = [](int32_t total) {
        const auto two_digits = [](int32_t v) {
            return std::string{static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
        };
        return two_digits(total / 60) + ":" + two_digits(total % 60);
    };
    const std::string shown = s.text(HEADER_ROW, CLOCK_COL, 5);
    EXPECT_TRUE(shown == clock_text(seconds) || shown == clock_text(seconds - 1)) << shown;
    for (int32_t row = 0; row < TEXT_ROWS; ++row) {
        for (int32_t col = 0; col < COLUMNS; ++col) {
            const uint8_t c = s.name(TEXT_ROW + row, col);
            EXPECT_TRUE(c >= 0x20 && c <= 0x7F) << "row " << row << " col " << col << ": " << int{c};
        }
    }

    // Still drawing: the sprites moved between the last two pictures.
    const Picture a = read_png(path("a.png"));
    const Picture b = read_png(path("b.png"));
    ASSERT_TRUE(a.ok && b.ok);
    int32_t changed = 0;
    for (int32_t y = BAND_TOP; y < BAND_BOTTOM; ++y) {
        for (int32_t x = 0; x < 256; ++x) changed += a.at(x, y) != b.at(x, y);
    }
    EXPECT_GT(changed, 0);
}

// --- Cartridges -----------------------------------------------------------

// Where the test cartridges keep what they saw (see roms/test/cart_*.asm).
constexpr size_t CART_RESULTS = 0x0800;  // 0x7800 in the RAM dump
constexpr size_t RAM_VECTORS = 0x0000;   // 0x7000: the interrupt vector table
constexpr size_t RAM_KEY_NOW = 0x002B;
constexpr uint16_t RETI_STUB = 0x186C;
constexpr int32_t TEXT_COLUMNS = 40;
constexpr int32_t TEXT_LEFT = 6;  // text mode: 6-pixel characters from x = 6 (TI's display timing)

std::string cart_log(const std::string& ram) {
    const size_t count = byte_at(ram, CART_RESULTS);
    return ram.substr(CART_RESULTS + 1, count);
}

// Text-mode pixels of `text` at a cell that differ from the glyphs (each
// glyph's left six columns) in the given colours.
int32_t text_mode_mismatches(const Picture& p, int32_t row, int32_t col, const std::string& text, Rgb ink, Rgb paper) {
    return glyph_mismatches(p, row, col, text, ink, paper, 6, TEXT_LEFT);
}

TEST_F(BootRomTest, cartridge_header_decides_what_runs) {
    const std::string rom = read_file(test::rom_path("boot"));
    ASSERT_GT(rom.size(), 0x186Eu);
    EXPECT_EQ(byte_at(rom, 0x002E), 0xC9) << "a RET at 0x002E";
    EXPECT_EQ(rom.substr(RETI_STUB, 3), "\xFB\xED\x4D") << "EI; RETI at 0x186C";
    EXPECT_EQ(byte_at(rom, 0x1518), 0xE0) << "a 60 Hz machine";

    // 0x00: the "IPL address" routine first (interrupts on, I = 0x70), then
    // the program; when it returns, the module at 0x4000.
    ASSERT_EQ(run_cart("cart_id00", {"--frames", "30", "--dump-ram", path("id00.ram")}), 0);
    EXPECT_EQ(cart_log(read_file(path("id00.ram"))), std::string("I\x01\x70SM", 5));

    // 0x02: no module check; a program that returns gives the machine back
    // to the boot ROM's own program.
    ASSERT_EQ(
        run_cart("cart_id02", {"--frames", "30", "--dump-ram", path("id02.ram"), "--dump-vram", path("id02.vram")}), 0);
    EXPECT_EQ(cart_log(read_file(path("id02.ram"))), "IS");
    EXPECT_EQ(vram("id02.vram").text(2, 1, 30), "Free boot ROM of the emulator.");

    // 0xFF: the module at 0x4000.
    ASSERT_EQ(run_cart("cart_idff", {"--frames", "30", "--dump-ram", path("idff.ram")}), 0);
    EXPECT_EQ(cart_log(read_file(path("idff.ram"))), "M");

    // Anything else: nothing of the cartridge runs; the demo shows, with the
    // line about starting a cartridge.
    ASSERT_EQ(run_cart("cart_unknown",
                       {"--frames", "30", "--dump-ram", path("unknown.ram"), "--dump-vram", path("unknown.vram")}),
              0);
    EXPECT_EQ(cart_log(read_file(path("unknown.ram"))), "");
    const Screen demo = vram("unknown.vram");
    EXPECT_EQ(demo.text(2, 1, 30), "Free boot ROM of the emulator.");
    EXPECT_EQ(demo.text(12, 1, 30), "Insert a cartridge: Cart menu.");
    EXPECT_TRUE(demo.highlighted(12, 21));
}

TEST_F(BootRomTest, frame_interrupt_reaches_the_cartridge_sixty_times_a_second) {
    // The cartridge restarts the machine from inside its first frame handler,
    // then counts frames in its own handler at 0x7006 while a fast timer on
    // channel 1 interrupts through the IPL's return at 0x186C.
    ASSERT_EQ(run_cart("cart_frames", {"--frames", "100", "--dump-ram", path("a.ram")}), 0);
    ASSERT_EQ(run_cart("cart_frames", {"--frames", "160", "--dump-ram", path("b.ram")}), 0);
    const std::string a = read_file(path("a.ram"));
    const std::string b = read_file(path("b.ram"));
    EXPECT_EQ(byte_at(b, CART_RESULTS), 2) << "started twice: the restart from the interrupt worked";
    EXPECT_GT(le16(a, CART_RESULTS + 2), 60u);
    EXPECT_EQ(le16(b, CART_RESULTS + 2) - le16(a, CART_RESULTS + 2), 60u);
    EXPECT_EQ(byte_at(b, CART_RESULTS + 4), 0x70) << "I register at the start";
    EXPECT_EQ(byte_at(b, CART_RESULTS + 5), 1) << "interrupts on at the start";

    // The table as the IPL left it: channels 0-2 at the interrupt return,
    // channel 3 at a handler in the ROM, both hooks a RET.
    const std::string seen = b.substr(CART_RESULTS + 0x10, 14);
    for (size_t channel = 0; channel < 3; ++channel) EXPECT_EQ(le16(seen, 2 * channel), RETI_STUB) << channel;
    EXPECT_LT(le16(seen, 6), 0x2000u);
    EXPECT_EQ(byte_at(seen, 8), 0xC9);
    EXPECT_EQ(byte_at(seen, 11), 0xC9);
    EXPECT_EQ(le16(b, RAM_VECTORS + 2), RETI_STUB);
}

TEST_F(BootRomTest, restart_instructions_go_through_the_slots_and_hooks) {
    ASSERT_EQ(run_cart("cart_rst", {"--frames", "30", "--dump-ram", path("ram.bin"), "--dump-vram", path("v.bin")}), 0);
    const std::string r = read_file(path("ram.bin")).substr(CART_RESULTS, 10);
    EXPECT_EQ(byte_at(r, 0), 0x11) << "RST 20 through 0x2005";
    EXPECT_EQ(byte_at(r, 1), 0x22) << "RST 28 through 0x2008";
    EXPECT_EQ(byte_at(r, 2), 1) << "RST 30 and RST 38 return while the hooks are the IPL's";
    EXPECT_EQ(byte_at(r, 3), 0x33) << "RST 30 through the hook at 0x7008";
    EXPECT_EQ(byte_at(r, 4), 0x44) << "RST 38 through the hook at 0x700B";
    EXPECT_EQ(byte_at(read_file(path("v.bin")), 0x1234), 0x5A) << "RST 10 wrote video memory at HL";
    EXPECT_EQ(byte_at(r, 5), 0x5A) << "RST 18 read it back";
    EXPECT_EQ(byte_at(r, 6), 0) << "RST 08: control codes act";
    EXPECT_EQ(le16(r, 7) >> 12, 7u) << "RST 08: the flag's address is in RAM";
    EXPECT_EQ(byte_at(r, 9), 1);
}

TEST_F(BootRomTest, console_prints_in_text_mode) {
    ASSERT_EQ(run_cart("cart_text", {"--frames", "30", "--dump-ram", path("ram.bin"), "--dump-vram", path("v.bin"),
                                     "--screenshot", path("text.png")}),
              0);
    // The name table at 0x3800, 40 columns; the screen scrolled up by one
    // row when the last row filled, so the first line printed is gone.
    const std::string v = read_file(path("v.bin"));
    const auto cells = [&](int32_t row, int32_t col, size_t n) {
        return v.substr(static_cast<size_t>(NAMES + row * TEXT_COLUMNS + col), n);
    };
    EXPECT_EQ(cells(0, 0, 3), std::string("AC\0", 3)) << "back space erased the B";
    EXPECT_EQ(cells(1, 0, 10), std::string("\x01Y\nZ    T\0", 10)) << "codes shown; a tab";
    EXPECT_EQ(cells(9, 5, 1), "Q") << "MVACS: column 5, row 10, then one scroll";
    EXPECT_EQ(cells(22, 38, 2), "12");
    EXPECT_EQ(cells(23, 0, 3), std::string("3K\0", 3));
    EXPECT_EQ(v.find("HELLO"), std::string::npos);

    const Picture p = read_png(path("text.png"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(text_mode_mismatches(p, 9, 4, " Q ", colour(11), colour(4)), 0);
    EXPECT_EQ(text_mode_mismatches(p, 0, 0, "AC", colour(11), colour(4)), 0);

    const std::string r = read_file(path("ram.bin")).substr(CART_RESULTS, 13);
    EXPECT_EQ(byte_at(r, 0), 13) << "HL left on the 13 that ended the text";
    EXPECT_EQ(byte_at(r, 1), 10);
    EXPECT_EQ(le16(r, 2), 13u * 17u);
    EXPECT_EQ(le16(r, 4), 200u * 200u);
    EXPECT_EQ(le16(r, 6), 0x1234u);
    EXPECT_EQ(le16(r, 8), 0x5678u);
    EXPECT_EQ(le16(r, 10), 0x9ABCu);
    EXPECT_EQ(byte_at(r, 12), 'K');
}

TEST_F(BootRomTest, screen_modes_and_video_memory_services) {
    ASSERT_EQ(
        run_cart("cart_modes", {"--frames", "220", "--screenshot-at", "30:" + path("g1.png"), "--screenshot-at",
                                "95:" + path("g2.png"), "--screenshot-at", "145:" + path("mc.png"), "--screenshot",
                                path("end.png"), "--dump-ram", path("ram.bin"), "--dump-vram", path("v.bin")}),
        0);
    const Picture g1 = read_png(path("g1.png"));
    const Picture g2 = read_png(path("g2.png"));
    const Picture mc = read_png(path("mc.png"));
    const Picture end = read_png(path("end.png"));
    ASSERT_TRUE(g1.ok && g2.ok && mc.ok && end.ok);
    // Graphics I: text colour from the colour table, the backdrop behind it.
    EXPECT_EQ(glyph_mismatches(g1, 0, 0, "GRAPHICS I", colour(6), colour(15)), 0);
    // Graphics II: characters drawn into the bitmap in the colours of the
    // moment; the rest cleared to the background.
    EXPECT_EQ(glyph_mismatches(g2, 0, 0, "BITMAP", colour(15), colour(6)), 0);
    EXPECT_EQ(g2.at(200, 150), colour(6));
    // Multicolour: the first pattern byte gives the top-left two 4 x 4 blocks.
    EXPECT_EQ(mc.at(0, 0), colour(9));
    EXPECT_EQ(mc.at(3, 3), colour(9));
    EXPECT_EQ(mc.at(4, 0), colour(10));
    EXPECT_EQ(mc.at(7, 3), colour(10));
    EXPECT_EQ(mc.at(8, 0), colour(6));
    EXPECT_EQ(mc.at(0, 4), colour(6));
    // Graphics I again, cleared by CLRSC: only the Y printed after it.
    EXPECT_EQ(glyph_mismatches(end, 0, 0, "Y ", colour(1), colour(3)), 0);
    const std::string v = read_file(path("v.bin"));
    EXPECT_EQ(byte_at(v, NAMES), 'Y');
    EXPECT_EQ(v.substr(NAMES + 1, 32 * 24 - 1), std::string(32 * 24 - 1, '\0'));

    // The services, on video memory no mode uses.
    const std::string pattern = "\x01\x23\x45\x67\x89\xAB\xCD\xEF";
    EXPECT_EQ(v.substr(0x3C00, 8), pattern) << "CVTIR";
    EXPECT_EQ(v.substr(0x3C10, 300), std::string(300, '\x77')) << "PADVRM";
    EXPECT_EQ(byte_at(v, 0x3C10 + 300), 0);
    EXPECT_EQ(v.substr(0x3E00, 2), "\x99\x98") << "STVWAD";
    const std::string ram = read_file(path("ram.bin"));
    EXPECT_EQ(ram.substr(CART_RESULTS, 8), pattern) << "VCTIR";
    EXPECT_EQ(byte_at(ram, CART_RESULTS + 8), 0x98) << "STVRAD";
}

TEST_F(BootRomTest, keyboard_joystick_and_bell) {
    ASSERT_EQ(run_cart("cart_keys", {"--frames", "175",    "--key", "A@20",           "--key",      "SHIFT@50+10",
                                     "--key",    "Q@52+5", "--key", "UP@80+5",        "--key",      "LEFT@80+5",
                                     "--key",    "X@110",  "--key", "Y@115",          "--key",      "5@150+40",
                                     "--rate",   "22050",  "--wav", path("bell.wav"), "--dump-ram", path("ram.bin")}),
              0);
    const std::string ram = read_file(path("ram.bin"));
    const std::string r = ram.substr(CART_RESULTS, 11);
    EXPECT_EQ(byte_at(r, 0), 'a') << "WTKDTC";
    EXPECT_EQ(byte_at(r, 1), 0) << "ACECHI with nothing new";
    EXPECT_EQ(byte_at(r, 2), 1) << "carry: no key";
    EXPECT_EQ(byte_at(r, 3), 'Q') << "SCNKB with Shift";
    EXPECT_EQ(byte_at(r, 4), 0x0C) << "SCNKB's modifiers: Shift";
    EXPECT_EQ(byte_at(r, 5), 8) << "JOYSP: joystick 1 up and left";
    EXPECT_EQ(byte_at(r, 10), 0x06) << "JOYSP: the port bits";
    EXPECT_EQ(byte_at(r, 6), 0) << "JOYSP: no button";
    EXPECT_EQ(byte_at(r, 7), 'x') << "queued while the program slept";
    EXPECT_EQ(byte_at(r, 8), 'y');
    EXPECT_EQ(byte_at(r, 9), 1) << "and then nothing";
    EXPECT_EQ(byte_at(ram, RAM_KEY_NOW), 13) << "5 held: row 1, bit 4, plus one";

    // The beep after the joystick: about 1 kHz, a tenth of a second.
    const Sound s = read_wav(path("bell.wav"));
    ASSERT_EQ(s.rate, 22050);
    const double spf = s.samples_per_frame();
    const size_t onset = first_sound_after(s, 0);
    EXPECT_GE(onset, static_cast<size_t>(79 * spf)) << "frame 80 starts after 79 frames";
    EXPECT_LE(onset, static_cast<size_t>(83 * spf));
    const size_t window = static_cast<size_t>(4 * spf);
    EXPECT_NEAR(strongest_frequency(s, onset + window / 4, window, 500, 2000), 3579545.0 / 32 / 112, 10);
    EXPECT_EQ(rms(s, onset + static_cast<size_t>(10 * spf), static_cast<size_t>(30 * spf)), 0.0);
}

// --- Tapes ---------------------------------------------------------------------

// Where the tape program keeps what it saw (see roms/test/tape_program.asm).
constexpr size_t TAPE_RESULTS = 0x2000;  // 0x9000 in the RAM dump
constexpr size_t TAPE_LOAD = 0x0300;     // 0x7300: where it loads and starts
constexpr int32_t TAPE_ROW = 11;

class BootRomTapeTest : public BootRomTest {
protected:
    static test::TapeBytes program() {
        const std::string rom = read_file(test::rom_path("tape_program"));
        return test::TapeBytes(rom.begin(), rom.end());
    }

    // Writes the deck's run-length CAS bytes of a SORDM5 image.
    // The block file as published tools write it: the deck plays its signal.
    std::string write_cas(const std::string& name, const test::TapeBytes& image) const { return write(name, image); }
    std::string write(const std::string& name, const test::TapeBytes& bytes) const {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path(name);
    }

    // Frames from power-on until the signal of `image` has played.
    static int32_t frames_to_play(const test::TapeBytes& image) {
        int64_t samples = 0;
        sordm5_signal(image.data(), image.size(), [&](uint8_t, int32_t n) { samples += n; });
        return static_cast<int32_t>(samples * 60 / SORDM5_SAMPLE_RATE_HZ) + 1;
    }

    // Runs the boot ROM with the tape until it has played, plus `extra`
    // frames; checks that the program loaded, ran in the IPL's set-up and
    // drew its line.
    void expect_program_runs(const std::string& tape, int32_t frames, const std::string& speed = "1") {
        SCOPED_TRACE(tape + " at speed " + speed);
        ASSERT_EQ(run({"--tape", tape, "--frames", std::to_string(frames), "--speed", speed, "--dump-ram",
                       path("ram.bin"), "--screenshot", path("shot.png")}),
                  0);
        const std::string ram = read_file(path("ram.bin"));
        const test::TapeBytes p = program();
        EXPECT_EQ(ram.substr(TAPE_LOAD, p.size()), std::string(p.begin(), p.end())) << "the program in RAM";
        uint32_t sum = 0;
        for (const uint8_t b : p) sum += b;
        EXPECT_EQ(ram.substr(TAPE_RESULTS, 2), "OK");
        EXPECT_EQ(le16(ram, TAPE_RESULTS + 2), 0x0000u) << "the stack grows down from the top of RAM";
        EXPECT_EQ(le16(ram, TAPE_RESULTS + 4), 0x0000u) << "a return goes to the reset address";
        EXPECT_EQ(le16(ram, TAPE_RESULTS + 6), sum & 0xFFFF) << "the program summed itself";
        const Picture shot = read_png(path("shot.png"));
        ASSERT_TRUE(shot.ok);
        EXPECT_EQ(glyph_mismatches(shot, 0, 0, "LOADED FROM TAPE", colour(15), colour(4)), 0);
        EXPECT_EQ(shot.at(128, 150), colour(4));
    }
};

TEST_F(BootRomTapeTest, program_from_a_sordm5_tape_loads_and_starts_from_power_on) {
    const test::TapeBytes image = test::sordm5_program("TAPEPROG", 0x7300, 0x7300, program());
    ASSERT_EQ(parse_sordm5_blocks(image.data(), image.size()).size(), 3u) << "a header and two data blocks";
    const int32_t frames = frames_to_play(image) + 30;
    expect_program_runs(write_cas("program.cas", image), frames);
    // The loader times the tape in processor loops: a faster processor
    // counts more of them.
    expect_program_runs(path("program.cas"), frames, "8");
    // A 44.1 kHz recording of the same signal, at its true speed, 5 % fast
    // (fewer samples a second of the signal) and 5 % slow.
    for (const int32_t rate : {44100, 41895, 46305}) {
        expect_program_runs(write("program_" + std::to_string(rate) + ".wav", test::sordm5_wav(image, rate)),
                            frames * 21 / 20 + 6);
    }
}

TEST_F(BootRomTapeTest, bad_checksum_shows_a_message_and_the_loader_listens_again) {
    // The program with its first data block damaged, then the same program
    // whole on the same tape.
    test::TapeBytes bad = test::sordm5_program("TAPEPROG", 0x7300, 0x7300, program());
    bad[test::sordm5_checksum_offset(1)] ^= 0x40;
    const test::TapeBytes good = test::sordm5_program("TAPEPROG", 0x7300, 0x7300, program());
    test::TapeBytes tape = bad;
    tape.insert(tape.end(), good.begin() + SORDM5_FILE_HEADER_SIZE, good.end());

    // Shortly after the damaged block, the demo shows the message in place
    // of its tape line (where the sprites fly, so the names are checked).
    const test::TapeBytes to_bad_block(bad.begin(),
                                       bad.begin() + static_cast<std::ptrdiff_t>(test::sordm5_checksum_offset(1) + 1));
    const int32_t message_frame = frames_to_play(to_bad_block) + 20;
    ASSERT_EQ(run({"--tape", write_cas("tape.cas", tape), "--frames", std::to_string(message_frame), "--dump-vram",
                   path("screen.vram")}),
              0);
    const Screen s = vram();
    EXPECT_EQ(s.text(TAPE_ROW, 1, 30), " Tape: checksum error         ");
    EXPECT_TRUE(s.highlighted(TAPE_ROW, 3));

    // The whole program that follows loads and runs.
    expect_program_runs(path("tape.cas"), frames_to_play(tape) + 30);
}

TEST_F(BootRomTapeTest, demo_names_its_tape_line_and_a_tape_that_stops_in_a_block_is_reported) {
    ASSERT_EQ(run({"--frames", "30", "--dump-vram", path("screen.vram")}), 0);
    EXPECT_EQ(vram().text(TAPE_ROW, 1, 30), "Play a tape to load a program.");

    // The tape ends in the middle of the first data block.
    const test::TapeBytes image = test::sordm5_program("TAPEPROG", 0x7300, 0x7300, program());
    const test::TapeBytes cut(image.begin(),
                              image.begin() + static_cast<std::ptrdiff_t>(test::sordm5_checksum_offset(0) + 1 + 100));
    ASSERT_EQ(run({"--tape", write_cas("cut.cas", cut), "--frames", std::to_string(frames_to_play(cut) + 60),
                   "--dump-vram", path("screen.vram")}),
              0);
    EXPECT_EQ(vram().text(TAPE_ROW, 1, 30), " Tape: stopped in a block     ");
}

TEST_F(BootRomTapeTest, header_of_a_program_outside_the_free_ram_is_refused) {
    // Below the loader's variables and stack, and past the top of RAM (it
    // would wrap round into the ROM and the loader's own variables).
    for (const uint16_t load : {0x7200, 0xFF00}) {
        SCOPED_TRACE(load);
        const test::TapeBytes image = test::sordm5_program("TAPEPROG", load, load, test::TapeBytes(0x200, 0x76));
        const test::TapeBytes header(image.begin(),
                                     image.begin() + static_cast<std::ptrdiff_t>(test::sordm5_checksum_offset(0) + 1));
        ASSERT_EQ(run({"--tape", write_cas("high.cas", image), "--frames", std::to_string(frames_to_play(header) + 20),
                       "--dump-vram", path("screen.vram")}),
                  0);
        EXPECT_EQ(vram().text(TAPE_ROW, 1, 30), " Tape: not a program          ");
    }
}

// The program that fills the RAM from 0x7300 to its top (see
// roms/test/tape_whole_ram.asm): where it keeps what it saw, and the word
// that makes its 16-bit words sum to zero. About three minutes of tape,
// played once from a SORDM5 file and once from its recording (two cases, so
// that they can run side by side).
constexpr size_t WHOLE_RAM_RESULTS = 0x0100;  // 0x7100
constexpr size_t WHOLE_RAM_FIX = 0xFFDE - 0x7300;

class BootRomWholeRamTapeTest : public BootRomTapeTest {
protected:
    static test::TapeBytes whole_ram_program() {
        const std::string rom = read_file(test::rom_path("tape_whole_ram"));
        EXPECT_EQ(rom.size(), 0x10000u - 0x7300u);
        EXPECT_EQ(le16(rom, WHOLE_RAM_FIX), 0u);
        uint16_t sum = 0;
        for (size_t at = 0; at + 1 < rom.size(); at += 2) sum = static_cast<uint16_t>(sum + le16(rom, at));
        test::TapeBytes program(rom.begin(), rom.end());
        const auto fix = static_cast<uint16_t>(-sum);
        program.at(WHOLE_RAM_FIX) = static_cast<uint8_t>(fix);
        program.at(WHOLE_RAM_FIX + 1) = static_cast<uint8_t>(fix >> 8);
        return program;
    }

    // Plays the tape from power-on with no cartridge until it has played
    // and the program has had half a second.
    void expect_whole_ram_program_runs(const std::string& tape, const test::TapeBytes& program, int32_t frames) {
        ASSERT_EQ(run({"--tape", tape, "--frames", std::to_string(frames), "--dump-ram", path("ram.bin")}), 0);
        const std::string ram = read_file(path("ram.bin"));
        EXPECT_TRUE(ram.substr(0x0300) == std::string(program.begin(), program.end())) << "the program in RAM";
        EXPECT_EQ(ram.substr(WHOLE_RAM_RESULTS, 2), "OK") << "its last bytes ran";
        EXPECT_EQ(le16(ram, WHOLE_RAM_RESULTS + 2), 0x0000u) << "the stack pointer it was started with";
        EXPECT_EQ(le16(ram, WHOLE_RAM_RESULTS + 4), 0x0000u) << "the sum of its words in RAM";
    }
};

TEST_F(BootRomWholeRamTapeTest, program_filling_the_ram_to_its_top_loads_whole_from_a_sordm5_file) {
    const test::TapeBytes program = whole_ram_program();
    const test::TapeBytes image = test::sordm5_program("WHOLERAM", 0x7300, 0x7300, program);
    expect_whole_ram_program_runs(write_cas("whole.cas", image), program, frames_to_play(image) + 30);
}

TEST_F(BootRomWholeRamTapeTest, program_filling_the_ram_to_its_top_loads_whole_from_its_recording) {
    const test::TapeBytes program = whole_ram_program();
    const test::TapeBytes image = test::sordm5_program("WHOLERAM", 0x7300, 0x7300, program);
    // The recording adds a tenth of a second of silence before the signal.
    expect_whole_ram_program_runs(write("whole.wav", test::sordm5_wav(image, 44100)), program,
                                  frames_to_play(image) + 6 + 30);
}

}  // namespace
}  // namespace m5
