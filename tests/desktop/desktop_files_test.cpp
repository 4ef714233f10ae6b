// The desktop program's command line, where its files live, what it tells
// about files that cannot be used, its own choices file and its keyboard help.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "desktop/command_line.h"
#include "desktop/desktop_choices.h"
#include "desktop/keyboard_help.h"
#include "desktop/program_paths.h"
#include "support/temp_dir.h"

namespace m5 {
namespace {

class DesktopFiles : public ::testing::Test {
protected:
    std::string file(const std::string& name, const std::string& bytes) const {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    test::TempDir temp;
    std::filesystem::path dir = temp.path();
};

TEST(CommandLine, options_files_and_errors) {
    DesktopOptions o = parse_desktop_options({"--ipl", "own.bin", "game.ROM", "--speed=4", "--tape", "t.cas", "--scale",
                                              "3", "--fullscreen", "--", "-x.wav"});
    EXPECT_TRUE(o.error.empty()) << o.error;
    EXPECT_EQ(o.ipl, "own.bin");
    EXPECT_EQ(o.files, (std::vector<std::string>{"game.ROM", "t.cas", "-x.wav"}));
    EXPECT_EQ(o.speed_index, 2);
    EXPECT_EQ(o.window_scale, 3);
    EXPECT_TRUE(o.fullscreen);
    EXPECT_TRUE(parse_desktop_options({"--help"}).help);
    EXPECT_TRUE(parse_desktop_options({"--version"}).version);

    EXPECT_EQ(parse_desktop_options({"--frobnicate"}).error, "unknown option --frobnicate (try --help)");
    EXPECT_EQ(parse_desktop_options({"--speed", "3"}).error, "--speed must be 1, 2, 4, 8 or 16, not '3'");
    EXPECT_EQ(parse_desktop_options({"--ipl"}).error, "option --ipl needs a value");
    EXPECT_EQ(parse_desktop_options({"--help=yes"}).error, "option --help takes no value");
    EXPECT_EQ(parse_desktop_options({"--cart", "t.wav"}).error, "--cart needs a *.rom file: 't.wav'");
}

TEST_F(DesktopFiles, unreadable_or_unknown_files_are_refused_before_the_window) {
    const std::string rom = file("g.rom", "x");
    DesktopOptions o;
    o.files = {rom};
    EXPECT_EQ(check_files(o), "");
    o.files = {file("notes.txt", "x")};
    EXPECT_NE(check_files(o).find("is neither a cartridge"), std::string::npos);
    o.files = {(dir / "missing.rom").string()};
    EXPECT_NE(check_files(o).find("cannot open"), std::string::npos);
    o.files = {};
    o.ipl = dir.string();  // a directory opens but cannot be read
    EXPECT_NE(check_files(o).find("cannot read"), std::string::npos);
    // A FIFO is refused at once, not waited on for a writer.
    const std::string fifo = (dir / "pipe.rom").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    o.ipl = fifo;
    EXPECT_NE(check_files(o).find("not a regular file"), std::string::npos);
    o.ipl.clear();
    o.files = {fifo};
    EXPECT_NE(check_files(o).find("not a regular file"), std::string::npos);
}

TEST_F(DesktopFiles, record_problems_name_unwritable_files) {
    EXPECT_EQ(record_file_problem((dir / "new.wav").string()), "");
    EXPECT_EQ(record_file_problem((dir / "no/such/dir.wav").string()).rfind("cannot be written", 0), 0u);
}

TEST_F(DesktopFiles, a_read_only_program_directory_sends_settings_and_recordings_to_xdg) {
    const ProgramPaths own = program_paths("/opt/m5/", true, "/home/u/.config", "/home/u/.local/share");
    EXPECT_EQ(own.settings_dir, "/opt/m5/");
    EXPECT_EQ(own.files_dir, "/opt/m5/");
    const ProgramPaths installed = program_paths("/usr/bin/", false, "/home/u/.config", "/home/u/.local/share/");
    EXPECT_EQ(installed.settings_dir, "/home/u/.config/m5emu/");
    EXPECT_EQ(installed.files_dir, "/home/u/.local/share/m5emu/");
    EXPECT_EQ(installed.states_dir, "/home/u/.local/share/m5emu/states/");
    EXPECT_EQ(installed.ipl_candidates,
              (std::vector<std::string>{"/usr/bin/IPL.ROM", "/home/u/.local/share/m5emu/IPL.ROM",
                                        "/usr/bin/../share/m5emu/IPL.ROM"}));

    EXPECT_TRUE(directory_writable(dir.string()));
    std::filesystem::permissions(dir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::geteuid() != 0) {
        EXPECT_FALSE(directory_writable(dir.string()));
    }
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);

    setenv("M5_TEST_XDG", "relative/dir", 1);
    EXPECT_EQ(xdg_base_dir("M5_TEST_XDG", "/home/u", ".config"), "/home/u/.config");
    setenv("M5_TEST_XDG", "/x/config", 1);
    EXPECT_EQ(xdg_base_dir("M5_TEST_XDG", "/home/u", ".config"), "/x/config");
    unsetenv("M5_TEST_XDG");
}

TEST_F(DesktopFiles, choices_round_trip_and_keep_what_they_do_not_know) {
    const std::string path = file("m5emu.conf",
                                  "[Gamepad]\nswap=true\n\n[Window]\nscale=9\nevery_frame=false\nnotices=false\n"
                                  "sprite_limit=true\n\n"
                                  "[Sound]\nvolume=30\nmute=true\n");
    DesktopChoices choices;
    choices.load(path);
    EXPECT_EQ(choices.window_scale, 2);  // 9 is out of range
    EXPECT_FALSE(choices.every_frame);
    EXPECT_TRUE(choices.sprite_limit);
    EXPECT_FALSE(choices.notices);
    EXPECT_TRUE(choices.muted);
    EXPECT_EQ(choices.volume_percent, 100);  // 30 is not a step of the volume menu
    EXPECT_EQ(choices.value("Gamepad", "swap"), "true");
    choices.window_scale = 3;
    choices.fullscreen = true;
    choices.volume_percent = 50;
    ASSERT_TRUE(choices.save(path));

    DesktopChoices again;
    again.load(path);
    EXPECT_EQ(again.window_scale, 3);
    EXPECT_TRUE(again.fullscreen);
    EXPECT_FALSE(again.every_frame);
    EXPECT_TRUE(again.sprite_limit);
    EXPECT_FALSE(again.notices);
    EXPECT_EQ(again.volume_percent, 50);
    EXPECT_TRUE(again.muted);
    EXPECT_EQ(again.value("Gamepad", "swap"), "true");
    EXPECT_FALSE(again.save((dir / "no/such/dir.conf").string()));
}

TEST(KeyboardHelp, every_m5_key_is_given_by_some_host_key) {
    const std::vector<HelpLine> lines = keyboard_help_lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].what.find("Q W E R T Y U I"), std::string::npos);
    for (const HelpLine& line : lines) EXPECT_FALSE(line.keys.empty()) << line.what;
    auto keys_of = [&](const std::string& what) {
        for (const HelpLine& line : lines) {
            if (line.what == what) return line.keys;
        }
        return std::string("(none)");
    };
    EXPECT_EQ(keys_of("FUNC"), "Tab");
    EXPECT_EQ(keys_of("@"), "[ (right of P)");
    EXPECT_EQ(keys_of("_"), "< > (beside Left Shift) or Ro (left of Right Shift)");
}

}  // namespace
}  // namespace m5
