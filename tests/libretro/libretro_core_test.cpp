// The libretro core through a libretro frontend of our own (frontend.h): the
// same picture and sound as m5run, states that run on exactly as the
// original run (what rewind, run-ahead and netplay need), RetroPads and the
// keyboard reaching the machine, firmware and content choices, memory maps
// on each memory fitted, tapes through the disk control interface, and the
// machine changed by its options while running.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <initializer_list>
#include <random>
#include <set>
#include <utility>

#include "devices/sordm5_tape.h"
#include "frontend.h"
#include "support/sordm5_writer.h"
#include "support/state_edit.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/test_host.h"
#include "tools/m5run_harness.h"

namespace m5::test {
namespace {

std::vector<uint8_t> bytes_of(const std::string& path) {
    const std::string text = read_file(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

// The 8-bit RGB of the core's XRGB8888 picture, as a PNG reads.
std::vector<uint8_t> rgb_of(const std::vector<uint32_t>& xrgb) {
    std::vector<uint8_t> rgb;
    for (const uint32_t p : xrgb) {
        rgb.push_back(static_cast<uint8_t>(p >> 16));
        rgb.push_back(static_cast<uint8_t>(p >> 8));
        rgb.push_back(static_cast<uint8_t>(p));
    }
    return rgb;
}

class LibretroCoreTest : public ::testing::Test {
protected:
    TempDir dir;

    // Loads `f` with no content on our program `ipl` as the user's IPL.ROM,
    // with the core options given.
    ::testing::AssertionResult start_on_ipl(Frontend& f, const std::string& ipl,
                                            std::initializer_list<std::pair<const char*, const char*>> options = {}) {
        dir.install_ipl(ipl);
        if (!f.ok()) return ::testing::AssertionFailure() << f.error();
        f.set_option("m5emu_firmware", "user");
        for (const auto& [key, value] : options) f.set_option(key, value);
        if (!f.load_nothing()) return ::testing::AssertionFailure() << "no load on " << ipl;
        return ::testing::AssertionSuccess();
    }
};

TEST_F(LibretroCoreTest, runs_a_published_cartridge_as_m5run_does) {
    const std::string cart = shared_path("m5-software/music.rom");
    M5_SKIP_WITHOUT_TEST_DATA(cart);
    constexpr int32_t FRAMES = 360, KEY_FRAME = 100, KEY_FRAMES = 20;
    const RunResult r =
        run_m5run({"--ipl", rom_path("boot"), "--cart", cart, "--frames", std::to_string(FRAMES), "--rate", "48000",
                   "--buffer", "frame", "--key", "1@" + std::to_string(KEY_FRAME) + "+" + std::to_string(KEY_FRAMES),
                   "--screenshot", dir.file("m5run.png"), "--wav", dir.file("m5run.wav")},
                  dir.dir(), dir.dir());
    ASSERT_EQ(r.exit_code, 0) << r.err;

    Frontend f(dir.dir());
    ASSERT_TRUE(f.ok()) << f.error();
    f.set_option("m5emu_firmware", "free");
    ASSERT_TRUE(f.load(cart.c_str(), bytes_of(cart)));
    for (int32_t frame = 1; frame <= FRAMES; ++frame) {
        if (frame == KEY_FRAME) f.key(RETROK_1, true);
        if (frame == KEY_FRAME + KEY_FRAMES) f.key(RETROK_1, false);
        f.run(1);
    }

    const Picture shot = read_png(dir.file("m5run.png"));
    ASSERT_TRUE(shot.ok);
    EXPECT_EQ(rgb_of(f.picture), shot.rgb) << "the picture";
    const std::string wav = read_file(dir.file("m5run.wav"));
    ASSERT_GT(wav.size(), 44u);
    std::vector<int16_t> expected;  // m5run's 16-bit stereo, each sample in both channels
    for (size_t at = 44; at + 2 <= wav.size(); at += 2) expected.push_back(static_cast<int16_t>(le16(wav, at)));
    ASSERT_GT(f.sound.size(), FRAMES * 1000u) << "the tune played";
    bool loud = false;
    for (const int16_t s : f.sound) loud = loud || std::abs(s) > 1000;
    EXPECT_TRUE(loud) << "the tune is heard";
    EXPECT_TRUE(f.sound == expected) << "the sound: " << f.sound.size() << " samples, m5run " << expected.size();
}

TEST_F(LibretroCoreTest, a_restored_state_runs_on_with_the_same_pictures_and_sound) {
    Frontend f(dir.dir());
    ASSERT_TRUE(f.ok()) << f.error();
    ASSERT_TRUE(f.load_nothing()) << "no content: the free boot ROM's demo";
    f.run(90);
    // The same input in both runs: the pad and keys, one held from before
    // the state was saved until the end.
    f.key(RETROK_z, true);
    f.run(1);
    const std::vector<uint8_t> state = f.serialize();
    ASSERT_FALSE(state.empty());
    const auto run_on = [&f]() {
        std::vector<std::vector<uint32_t>> pictures;
        f.sound.clear();
        for (int32_t frame = 0; frame < 60; ++frame) {
            f.press(0, RETRO_DEVICE_ID_JOYPAD_RIGHT, frame >= 20 && frame < 40);
            if (frame == 10) f.key(RETROK_a, true);
            if (frame == 30) f.key(RETROK_a, false);
            f.run(1);
            EXPECT_EQ(f.batches, 1) << "one batch a frame";
            pictures.push_back(f.picture);
        }
        return std::make_pair(pictures, f.sound);
    };
    const auto first = run_on();
    EXPECT_EQ(f.serialize().size(), state.size()) << "the size never changes";
    ASSERT_TRUE(f.unserialize(state));
    const auto second = run_on();
    ASSERT_EQ(first.first.size(), second.first.size());
    for (size_t i = 0; i < first.first.size(); ++i) EXPECT_TRUE(first.first[i] == second.first[i]) << "frame " << i;
    EXPECT_TRUE(first.second == second.second) << "the sound";
    EXPECT_NEAR(static_cast<double>(first.second.size()) / 2 / 60, 800, 1) << "48000 Hz";
    EXPECT_FALSE(f.unserialize(std::vector<uint8_t>(state.size(), 0x5A))) << "garbage";
}

// A serialized state the core would once take and then crash or hang on is
// refused, with the part at fault named in the log; the core runs on.
TEST_F(LibretroCoreTest, hostile_states_are_refused) {
    Frontend f(dir.dir());
    ASSERT_TRUE(start_on_ipl(f, HOSTILE_STATE_IPL));
    f.run(5);
    const std::vector<uint8_t> own = f.serialize();
    ASSERT_GT(own.size(), 16u);
    for (const HostileState& hostile : hostile_states()) {
        ASSERT_FALSE(hostile.bytes.empty()) << hostile.name;
        // The core's header (magic, the state's length, no keys held), then
        // the state file.
        std::vector<uint8_t> state = {'M', '5', 'L', 'R'};
        for (const uint8_t b : le32_bytes(static_cast<uint32_t>(hostile.bytes.size()))) state.push_back(b);
        state.resize(16, 0);
        state.insert(state.end(), hostile.bytes.begin(), hostile.bytes.end());
        f.log.clear();
        EXPECT_FALSE(f.unserialize(state)) << hostile.name;
        bool named = false;
        for (const std::string& line : f.log) named = named || line.find(hostile.component) != std::string::npos;
        EXPECT_TRUE(named) << hostile.name;
    }
    f.run(10);
    EXPECT_TRUE(f.unserialize(own));
}

TEST_F(LibretroCoreTest, retropads_and_keyboard_reach_the_machine) {
    // Our program as IPL.ROM stores the keyboard ports 0x30..0x37 at 0x7010
    // over and over.
    Frontend f(dir.dir());
    ASSERT_TRUE(start_on_ipl(f, "keys_rows"));
    size_t size = 0;
    const auto* ram = f.system_ram(size);
    ASSERT_EQ(size, 36864u);
    const auto row = [ram](int32_t n) { return ram[0x10 + n]; };
    f.run(2);
    ASSERT_EQ(ram[0], 0xA5) << "the user's IPL.ROM runs";

    f.press(0, RETRO_DEVICE_ID_JOYPAD_UP, true);
    f.press(0, RETRO_DEVICE_ID_JOYPAD_B, true);  // fire 1
    f.press(1, RETRO_DEVICE_ID_JOYPAD_A, true);  // fire 2
    f.press(1, RETRO_DEVICE_ID_JOYPAD_Y, true);  // space bar
    f.stick(1, -0x7FFF, 0);                      // left
    f.key(RETROK_q, true);
    f.key(RETROK_LEFTBRACKET, true);  // the M5's @, right of P
    f.run(2);
    EXPECT_EQ(row(7), 0x02 | 0x40) << "joystick 1 up, joystick 2 left";
    EXPECT_EQ(row(1), 0x01 | 0x20) << "joystick 1 fire 1, joystick 2 fire 2";
    EXPECT_EQ(row(0), 0x40) << "space";
    EXPECT_EQ(row(2), 0x01) << "Q";
    EXPECT_EQ(row(6), 0x04) << "@";

    // The buttons as the options place them: fire 1 on X.
    f.set_option("m5emu_fire1_button", "x");
    f.key(RETROK_q, false);
    f.run(5);
    EXPECT_EQ(row(1), 0x20) << "B no longer fires";
    EXPECT_EQ(row(2), 0x00) << "Q released";
    f.press(0, RETRO_DEVICE_ID_JOYPAD_X, true);
    f.run(1);
    EXPECT_EQ(row(1), 0x21);
    bool named = false;
    for (size_t i = 0; i < f.input_descriptors.size(); ++i) {
        named = named || (f.input_descriptors[i].id == RETRO_DEVICE_ID_JOYPAD_X && f.input_names[i] == "Fire 1");
    }
    EXPECT_TRUE(named) << "the descriptors follow the options";
}

// The core option "Sprite limit as the real chip" gives m5run's
// --sprite-limit picture, and switching it off gives the plain one again.
TEST_F(LibretroCoreTest, sprite_limit_option_draws_as_m5run_does) {
    const auto m5run_picture = [this](bool limit) {
        std::vector<std::string> args = {"--ipl",        rom_path("vdp_sprite_row"),
                                         "--frames",     "4",
                                         "--screenshot", dir.file(limit ? "limit.png" : "free.png")};
        if (limit) args.push_back("--sprite-limit");
        const RunResult r = run_m5run(args, dir.dir(), dir.dir());
        EXPECT_EQ(r.exit_code, 0) << r.err;
        return read_png(dir.file(limit ? "limit.png" : "free.png")).rgb;
    };
    const std::vector<uint8_t> limited = m5run_picture(true);
    const std::vector<uint8_t> free = m5run_picture(false);
    ASSERT_NE(limited, free);

    Frontend f(dir.dir());
    ASSERT_TRUE(start_on_ipl(f, "vdp_sprite_row", {{"m5emu_sprite_limit", "enabled"}}));
    f.run(4);
    EXPECT_EQ(rgb_of(f.picture), limited) << "the limit on";
    f.set_option("m5emu_sprite_limit", "disabled");
    f.run(1);
    EXPECT_EQ(rgb_of(f.picture), free) << "the limit off";
}

// The boot ROM's demo shows every colour but one of the 16 (0 and 1 are
// both black): on either model's video chip the core's picture is m5run's.
TEST_F(LibretroCoreTest, every_colour_of_either_video_chip_as_m5run_draws_it) {
    for (const std::string model : {"ntsc", "pal"}) {
        const std::string shot = dir.file("demo_" + model + ".png");
        const RunResult r =
            run_m5run({"--ipl", rom_path("boot"), "--model", model, "--frames", "120", "--screenshot", shot}, dir.dir(),
                      dir.dir());
        ASSERT_EQ(r.exit_code, 0) << r.err;
        Frontend f(dir.dir());
        ASSERT_TRUE(start_on_ipl(f, "boot", {{"m5emu_model", model.c_str()}}));
        f.run(120);
        EXPECT_EQ(std::set<uint32_t>(f.picture.begin(), f.picture.end()).size(), 15u) << model;
        EXPECT_EQ(rgb_of(f.picture), read_png(shot).rgb) << model;
    }
}

TEST_F(LibretroCoreTest, describes_itself_to_the_frontend) {
    Frontend f(dir.dir());
    ASSERT_TRUE(f.ok()) << f.error();
    ASSERT_TRUE(f.load_nothing());
    EXPECT_EQ(f.pixel_format, static_cast<unsigned>(RETRO_PIXEL_FORMAT_XRGB8888));
    const retro_system_av_info av = f.av_info();
    EXPECT_EQ(av.geometry.base_width, 256u);
    EXPECT_EQ(av.geometry.base_height, 192u);
    EXPECT_DOUBLE_EQ(av.timing.fps, 3800000.0 / 63333.0);
    EXPECT_EQ(av.timing.sample_rate, 48000.0);
    EXPECT_EQ(f.categories.size(), 3u);
    EXPECT_EQ(f.option_keys.size(), 8u);
    EXPECT_NEAR(av.geometry.aspect_ratio, 256.0 * 8 / 7 / 192, 1e-6);

    // The address space at its real addresses: the free boot ROM at 0 (its
    // demo's hint about RetroArch's system directory), the RAM where
    // retro_get_memory_data puts it.
    size_t size = 0;
    auto* ram = f.system_ram(size);
    const std::vector<uint8_t> boot = bytes_of(rom_path("boot"));
    bool rom_seen = false, ram_seen = false;
    for (const retro_memory_descriptor& d : f.memory_map) {
        const auto* at = static_cast<const uint8_t*>(d.ptr) + d.offset;
        if (d.start == 0) {
            const std::string text(at, at + d.len);
            rom_seen = std::equal(boot.begin(), boot.begin() + 0x100, at) && (d.flags & RETRO_MEMDESC_CONST) &&
                       text.find("RetroArch's") != std::string::npos;
        }
        if (d.start == 0x8000) ram_seen = at == ram + 0x1000 && d.len == 0x8000;
    }
    EXPECT_TRUE(rom_seen);
    EXPECT_TRUE(ram_seen);
    // Each port takes a RetroPad or the keyboard.
    const std::vector<unsigned> devices = {RETRO_DEVICE_JOYPAD, RETRO_DEVICE_KEYBOARD};
    EXPECT_EQ(f.port_devices, (std::vector<std::vector<unsigned>>{devices, devices}));
}

// The model and memory options make the machine as content is loaded: the
// frame rate, the picture's shape and the free boot ROM follow the model,
// and the memory is the one chosen.
TEST_F(LibretroCoreTest, model_and_memory_options_make_the_machine_at_load) {
    Frontend f(dir.dir());
    ASSERT_TRUE(f.ok()) << f.error();
    f.set_option("m5emu_model", "pal");
    f.set_option("m5emu_memory", "4k");
    ASSERT_TRUE(f.load_nothing());
    const retro_system_av_info av = f.av_info();
    EXPECT_DOUBLE_EQ(av.timing.fps, 3800000.0 / (313 * 242));
    EXPECT_NEAR(av.geometry.aspect_ratio, 256.0 * 1.3736 / 192, 1e-3);
    for (const retro_memory_descriptor& d : f.memory_map) {
        if (d.start == 0) {
            EXPECT_EQ(static_cast<const uint8_t*>(d.ptr)[d.offset + 0x1518], 0xE1) << "the 50 Hz free boot ROM";
        }
    }
    f.run(60);
    // The demo runs in the bare machine's 4 KiB: it counts its frames at 0x7000.
    size_t size = 0;
    const auto* ram = f.system_ram(size);
    ASSERT_NE(ram, nullptr);
    EXPECT_GE(ram[0] | ram[1] << 8, 50);
}

// RetroArch's netplay carries, for each port, what the input state reports:
// with the keyboard on a port, keys come from there alone. Two peers fed the
// same input state stay alike even though only one of them has a local user
// whose keys also reach its keyboard callback.
TEST_F(LibretroCoreTest, peers_fed_the_same_input_state_stay_alike) {
    constexpr int32_t FRAMES = 600;
    // The input every peer sees: keys typed on port 1's keyboard, a pad on port 2.
    const auto input = [](Frontend& f, int32_t frame) {
        static const unsigned TYPED[] = {RETROK_h, RETROK_e, RETROK_l, RETROK_l, RETROK_o, RETROK_SPACE, RETROK_1};
        for (size_t i = 0; i < std::size(TYPED); ++i) {
            const int32_t at = 100 + 20 * static_cast<int32_t>(i);
            f.hold_key(0, TYPED[i], frame >= at && frame < at + 4);
        }
        f.hold_key(0, RETROK_LSHIFT, frame >= 300 && frame < 340);
        f.hold_key(0, RETROK_a, frame >= 310 && frame < 315);
        f.press(1, RETRO_DEVICE_ID_JOYPAD_RIGHT, frame >= 400 && frame < 450);
        f.press(1, RETRO_DEVICE_ID_JOYPAD_B, frame >= 420 && frame < 425);
    };
    struct Run {
        std::vector<uint64_t> frames;  // a digest of the picture and RAM, frame by frame
        std::vector<uint32_t> last_picture;
    };
    const auto peer = [&](bool local_user, bool keyboard_port) {
        Frontend f(dir.dir());
        EXPECT_TRUE(f.ok()) << f.error();
        EXPECT_TRUE(f.load_nothing());
        if (keyboard_port) f.set_port_device(0, RETRO_DEVICE_KEYBOARD);
        Run run;
        size_t size = 0;
        const auto* ram = f.system_ram(size);
        for (int32_t frame = 0; frame < FRAMES; ++frame) {
            input(f, frame);
            // What only the host's own keyboard callback hears.
            if (local_user && frame % 50 == 7) f.key(RETROK_z, true);
            if (local_user && frame % 50 == 9) f.key(RETROK_z, false);
            f.run(1);
            uint64_t digest = 1469598103934665603u;
            for (size_t i = 0; i < size; ++i) digest = (digest ^ ram[i]) * 1099511628211u;
            for (const uint32_t p : f.picture) digest = (digest ^ p) * 1099511628211u;
            run.frames.push_back(digest);
        }
        run.last_picture = f.picture;
        return run;
    };
    const Run host = peer(true, true);
    const Run client = peer(false, true);
    ASSERT_EQ(host.frames.size(), client.frames.size());
    for (size_t i = 0; i < host.frames.size(); ++i) ASSERT_EQ(host.frames[i], client.frames[i]) << "frame " << i;
    // The keys did reach the machine: without them the demo shows otherwise.
    const Run untyped = [&] {
        Frontend f(dir.dir());
        EXPECT_TRUE(f.load_nothing());
        f.run(FRAMES);
        return Run{{}, f.picture};
    }();
    EXPECT_NE(host.last_picture, untyped.last_picture) << "the typed keys changed nothing";
    // Without a keyboard port the callback's keys count, so the host's own differ.
    EXPECT_NE(peer(true, false).frames, peer(false, false).frames);
}

// RetroArch's cheats and cheat search lay the RAM blocks of the memory map
// end to end by pointer and length, ignoring each block's offset.
TEST_F(LibretroCoreTest, cheats_reach_the_ram_as_retroarch_lays_it_out) {
    Frontend f(dir.dir());
    ASSERT_TRUE(f.ok()) << f.error();
    ASSERT_TRUE(f.load_nothing());
    std::vector<std::pair<uint8_t*, size_t>> blocks;
    for (const retro_memory_descriptor& d : f.memory_map) {
        if ((d.flags & RETRO_MEMDESC_SYSTEM_RAM) != 0) blocks.emplace_back(static_cast<uint8_t*>(d.ptr), d.len);
    }
    size_t total = 0;
    for (const auto& [ptr, len] : blocks) total += len;
    EXPECT_EQ(total, 0x9000u) << "0x7000-0xFFFF";
    const auto cheat_write = [&blocks](size_t address, uint8_t value) {
        size_t offset = 0;
        for (const auto& [ptr, len] : blocks) {
            if (address < offset + len) {
                ptr[address - offset] = value;
                return;
            }
            offset += len;
        }
        FAIL() << "no block holds cheat address " << address;
    };
    size_t size = 0;
    const auto* ram = f.system_ram(size);
    for (const uint32_t address : {0x7000u, 0x8000u, 0xFFFFu}) {
        cheat_write(address - 0x7000, 0xA5);
        EXPECT_EQ(ram[address - 0x7000], 0xA5) << std::hex << address;
        cheat_write(address - 0x7000, 0x5A);
        EXPECT_EQ(ram[address - 0x7000], 0x5A) << std::hex << address;
    }
}

// RetroArch's cheat numbering: the system RAM blocks of the memory map laid
// end to end; the byte at a cheat address, or null.
uint8_t* cheat_byte(const std::vector<retro_memory_descriptor>& map, size_t address) {
    for (const retro_memory_descriptor& d : map) {
        if ((d.flags & RETRO_MEMDESC_SYSTEM_RAM) == 0) continue;
        if (address < d.len) return static_cast<uint8_t*>(d.ptr) + address;
        address -= d.len;
    }
    return nullptr;
}

// The memory the core shows on each memory fitted, running our kbf_switch
// program as IPL.ROM (with the 64KBF it copies itself into the module's
// RAM and switches to all RAM; on the bare machine its writes above 0x8000
// vanish): the system RAM is the RAM there is, cheat address 0 is 0x7000 on
// every machine, and each block of the map holds what its addresses hold.
struct RetroMemory {
    const char* option;
    size_t system_ram;  // retro_get_memory_size
    size_t cheat_ram;   // the system RAM blocks of the map together
};

class LibretroMemoryTest : public LibretroCoreTest, public ::testing::WithParamInterface<RetroMemory> {};

std::string retro_memory_name(const ::testing::TestParamInfo<RetroMemory>& info) {
    std::string name = info.param.option;
    for (char& c : name) c = c == '-' ? '_' : c;
    return "memory_" + name;
}

TEST_P(LibretroMemoryTest, cheats_and_memory_tools_see_the_memory_fitted) {
    const RetroMemory memory = GetParam();
    const bool module = std::string(memory.option).find("kbf") != std::string::npos;
    Frontend f(dir.dir());
    ASSERT_TRUE(start_on_ipl(f, "kbf_switch", {{"m5emu_memory", memory.option}}));
    f.run(20);
    size_t size = 0;
    auto* ram = f.system_ram(size);
    EXPECT_EQ(size, memory.system_ram);
    size_t total = 0;
    for (const retro_memory_descriptor& d : f.memory_map) {
        if ((d.flags & RETRO_MEMDESC_SYSTEM_RAM) != 0) total += d.len;
        EXPECT_EQ(d.start % d.len, 0u) << "aligned";
        for (const retro_memory_descriptor& e : f.memory_map) {
            const bool apart = d.start + d.len <= e.start || e.start + e.len <= d.start;
            EXPECT_TRUE(&d == &e || apart) << std::hex << d.start << " and " << e.start;
        }
    }
    EXPECT_EQ(total, memory.cheat_ram);
    EXPECT_EQ(cheat_byte(f.memory_map, 0), ram) << "cheat address 0 is 0x7000, as retro_get_memory_data's byte 0";
    const auto block_at = [&f](size_t start) -> const uint8_t* {
        for (const retro_memory_descriptor& d : f.memory_map) {
            if (start >= d.start && start < d.start + d.len)
                return static_cast<const uint8_t*>(d.ptr) + start - d.start;
        }
        return nullptr;
    };
    // The program at 0 (the ROM, or with the module its RAM copy), its mark
    // at 0xFF00 where RAM is there.
    const std::vector<uint8_t> program = bytes_of(rom_path("kbf_switch"));
    ASSERT_NE(block_at(0), nullptr);
    ASSERT_GT(program.size(), 16u);
    EXPECT_TRUE(std::equal(program.begin(), program.end(), block_at(0)));
    if (memory.cheat_ram > 0x1000) {
        ASSERT_NE(block_at(0xFF00), nullptr);
        EXPECT_EQ(*block_at(0xFF00), 0xA5);
        EXPECT_EQ(*cheat_byte(f.memory_map, 0xFF00 - 0x7000), 0xA5);
    } else {
        EXPECT_EQ(block_at(0x8000), nullptr) << "nothing answers above 0x8000";
    }
    if (module) {
        EXPECT_EQ(*block_at(0x1F00), 0x5A) << "the module's RAM, where the program wrote into its own copy";
        EXPECT_EQ(*cheat_byte(f.memory_map, 0x9000 + 0x1F00), 0x5A) << "0x0000-0x6FFF after 0x7000-0xFFFF";
    }
}

INSTANTIATE_TEST_SUITE_P(EachMemory, LibretroMemoryTest,
                         ::testing::Values(RetroMemory{"4k", 0x1000, 0x1000}, RetroMemory{"32k", 0x9000, 0x9000},
                                           RetroMemory{"64kbf-2b", 0x9000, 0x10000},
                                           RetroMemory{"64kbf-2c", 0x9000, 0x10000}),
                         retro_memory_name);

// A key pressed and released between two frames is seen for a frame.
TEST_F(LibretroCoreTest, a_tap_between_two_frames_is_seen) {
    Frontend f(dir.dir());
    ASSERT_TRUE(start_on_ipl(f, "keys_rows"));
    size_t size = 0;
    const auto* ram = f.system_ram(size);
    f.run(2);
    int32_t seen = 0;
    for (int32_t tap = 0; tap < 10; ++tap) {
        f.key(RETROK_q, true);
        f.key(RETROK_q, false);
        bool down = false;
        for (int32_t frame = 0; frame < 6; ++frame) {
            f.run(1);
            down = down || (ram[0x12] & 0x01) != 0;  // port 0x32 bit 0: Q
        }
        EXPECT_EQ(ram[0x12] & 0x01, 0) << "released again";
        seen += down ? 1 : 0;
    }
    EXPECT_EQ(seen, 10);
}

// A cartridge, tape or state the core refuses leaves the running machine
// exactly as it was.
TEST_F(LibretroCoreTest, refused_files_leave_the_running_machine_as_it_was) {
    const std::vector<uint8_t> cart = bytes_of(rom_path("cart_text"));
    write_file(dir.file("game.rom"), std::string(cart.begin(), cart.end()));
    write_file(dir.file("junk.wav"), std::string("RIFF\x08\0\0\0WAVEjunk", 16));
    write_file(dir.file("silent.cas"), std::string(100, '\x80'));
    write_file(dir.file("empty.cas"), "");
    std::vector<uint8_t> other_state;
    {
        Frontend other(dir.dir());
        ASSERT_TRUE(other.load_nothing());
        other.run(5);
        other_state = other.serialize();
    }
    Frontend f(dir.dir());
    ASSERT_TRUE(f.ok()) << f.error();
    ASSERT_TRUE(f.load("game.rom", cart));
    f.key(RETROK_a, true);
    f.run(60);
    const std::vector<uint8_t> before = f.serialize();
    ASSERT_TRUE(f.disk.set_eject_state(true));
    ASSERT_TRUE(f.disk.add_image_index());
    for (const char* name : {"game.rom", "junk.wav", "silent.cas", "empty.cas", "missing.wav"}) {
        const std::string path = dir.file(name);
        const retro_game_info info{path.c_str(), nullptr, 0, nullptr};
        EXPECT_FALSE(f.disk.replace_image_index(0, &info)) << name;
    }
    EXPECT_FALSE(f.unserialize(std::vector<uint8_t>(before.size(), 0x5A)));
    EXPECT_FALSE(f.unserialize(other_state)) << "a state of another cartridge";
    EXPECT_TRUE(f.serialize() == before) << "the machine changed";
    bool said = false;
    for (const std::string& line : f.log)
        said = said || line.find("junk.wav: the tape is not a WAV file") != std::string::npos;
    EXPECT_TRUE(said) << "the library's words";
}

TEST_F(LibretroCoreTest, firmware_choice_and_bad_content_are_refused_without_harm) {
    {
        Frontend f(dir.dir());
        f.set_option("m5emu_firmware", "user");
        EXPECT_FALSE(f.load_nothing()) << "no IPL.ROM in the system directory";
    }
    Frontend f(dir.dir());
    ASSERT_TRUE(f.ok()) << f.error();
    std::mt19937 random(5);
    std::vector<uint8_t> noise(1 << 20);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
    noise[0] = 0x5A;
    EXPECT_FALSE(f.load("empty.rom", {}));
    noise[0] = 0x00;
    EXPECT_FALSE(f.load("huge.rom", noise)) << "1 MiB of code in a 20 KiB window";
    EXPECT_FALSE(f.load("random.wav", noise));
    // A first byte that is no header: taken, with a remark.
    noise[0] = 0x5A;
    EXPECT_TRUE(f.load("random.rom", std::vector<uint8_t>(noise.begin(), noise.begin() + 16384)));
    EXPECT_NE(f.log.back().find("random.rom: the cartridge begins with 5A"), std::string::npos) << f.log.back();
    std::vector<uint8_t> padded = bytes_of(rom_path("cart_keys"));
    padded.resize(32768, 0xFF);
    ASSERT_TRUE(f.load("padded.bin", padded)) << "a dump padded past the window";
    f.run(10);
}

class LibretroTapeTest : public LibretroCoreTest {
protected:
    // Our tape program in a SORDM5 file, and the frames it takes to play.
    TapeBytes program_file() const {
        const std::vector<uint8_t> program = bytes_of(rom_path("tape_program"));
        return sordm5_program("TAPEPROG", 0x7300, 0x7300, TapeBytes(program.begin(), program.end()));
    }
    static int32_t frames_to_play(const TapeBytes& image) {
        int64_t samples = 0;
        sordm5_signal(image.data(), image.size(), [&](uint8_t, int32_t n) { samples += n; });
        return static_cast<int32_t>(samples * 60 / SORDM5_SAMPLE_RATE_HZ) + 30;
    }
    static bool program_ran(Frontend& f) {
        size_t size = 0;
        const auto* ram = f.system_ram(size);
        return ram[0x9000 - 0x7000] == 'O' && ram[0x9001 - 0x7000] == 'K';
    }
};

TEST_F(LibretroTapeTest, a_tape_given_as_content_loads_its_program) {
    const TapeBytes image = program_file();
    Frontend f(dir.dir());
    ASSERT_TRUE(f.ok()) << f.error();
    ASSERT_TRUE(f.load("program.cas", image));
    EXPECT_EQ(f.disk.get_num_images(), 1u);
    f.run(frames_to_play(image));
    EXPECT_TRUE(program_ran(f));
}

TEST_F(LibretroTapeTest, tapes_are_ejected_chosen_and_inserted_as_disks) {
    const TapeBytes image = program_file();
    const TapeBytes wav = sordm5_wav(image, 44100);
    write_file(dir.file("program.wav"), std::string(wav.begin(), wav.end()));
    write_file(dir.file("game.rom"), read_file(rom_path("cart_keys")));
    Frontend f(dir.dir());
    ASSERT_TRUE(f.ok()) << f.error();
    ASSERT_TRUE(f.load_nothing());
    ASSERT_NE(f.disk.set_eject_state, nullptr);
    EXPECT_EQ(f.disk.get_num_images(), 0u);
    f.run(30);

    // As RetroArch's "Load New Disc": eject, add a place, fill it by path,
    // choose it, close the tray.
    ASSERT_TRUE(f.disk.set_eject_state(true));
    ASSERT_TRUE(f.disk.add_image_index());
    const std::string rom = dir.file("game.rom");
    const retro_game_info cartridge{rom.c_str(), nullptr, 0, nullptr};
    EXPECT_FALSE(f.disk.replace_image_index(0, &cartridge)) << "a cartridge is no tape";
    const std::string path = dir.file("program.wav");
    const retro_game_info tape{path.c_str(), nullptr, 0, nullptr};
    ASSERT_TRUE(f.disk.replace_image_index(0, &tape));
    ASSERT_TRUE(f.disk.set_image_index(0));
    ASSERT_TRUE(f.disk.set_eject_state(false));
    char label[64] = {};
    ASSERT_TRUE(f.disk.get_image_label(0, label, sizeof label));
    EXPECT_STREQ(label, "program.wav");
    f.run(frames_to_play(image) + 30);
    EXPECT_TRUE(program_ran(f)) << "the 44.1 kHz recording played";
}

// A change of the model or memory option restarts the machine at once, as
// a power cycle with the same tape played again from its start: the
// frontend hears of the new frame rate and picture shape, a message says
// what happened, and the tape's program loads on the new machine.
TEST_F(LibretroTapeTest, a_new_model_and_memory_restart_the_machine_with_the_same_tape) {
    const TapeBytes image = program_file();
    Frontend f(dir.dir());
    ASSERT_TRUE(f.ok()) << f.error();
    ASSERT_TRUE(f.load("program.cas", image));
    f.run(120);
    const std::vector<uint8_t> before = f.serialize();
    f.set_option("m5emu_model", "pal");
    f.set_option("m5emu_memory", "64kbf-2b");
    f.run(1);
    ASSERT_EQ(f.av_changes.size(), 1u);
    EXPECT_DOUBLE_EQ(f.av_changes[0].timing.fps, 3800000.0 / (313 * 242));
    EXPECT_NEAR(f.av_changes[0].geometry.aspect_ratio, 256.0 * 1.3736 / 192, 1e-3);
    EXPECT_DOUBLE_EQ(f.av_info().timing.fps, f.av_changes[0].timing.fps);
    ASSERT_FALSE(f.messages.empty());
    EXPECT_EQ(f.messages.back(), "Restarted as the 50 Hz M5 with 64KBF 2B");
    size_t total = 0;
    for (const retro_memory_descriptor& d : f.memory_map) total += (d.flags & RETRO_MEMDESC_SYSTEM_RAM) ? d.len : 0;
    EXPECT_EQ(total, 0x10000u) << "the memory map is the module's";
    EXPECT_FALSE(f.unserialize(before)) << "a state of the other machine";

    f.run(frames_to_play(image));
    EXPECT_TRUE(program_ran(f)) << "the tape played again from its start";

    // The memory alone: the frame rate stays.
    f.set_option("m5emu_memory", "32k");
    f.run(1);
    EXPECT_EQ(f.av_changes.size(), 1u);
    EXPECT_EQ(f.messages.back(), "Restarted as the 50 Hz M5 with 32 KiB");
    // An option that is not the machine's restarts nothing.
    const size_t messages = f.messages.size();
    f.set_option("m5emu_sprite_limit", "enabled");
    f.run(1);
    EXPECT_EQ(f.messages.size(), messages);
}

}  // namespace
}  // namespace m5::test
