// What a save state may do to files: nothing. A state names its tape by
// content; a tape given to play is only read, a file a state once named is
// never opened, and outputs follow a symbolic link only where the kernel
// would follow it for this user.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "devices/wav_tape_reader.h"
#include "host/state_file.h"
#include "m5/machine.h"
#include "m5run_harness.h"
#include "machine/state_io.h"
#include "support/temp_dir.h"
#include "support/test_host.h"

namespace m5 {
namespace {

namespace fs = std::filesystem;

using test::read_file;
using test::write_file;

using M5RunStateFiles = test::M5RunDirTest;

// A tape recording in progress is saved; the state is loaded with that very
// recording given as a tape to play. The file is only read: byte for byte as
// it was, and the state loads with the recording stopped.
TEST_F(M5RunStateFiles, a_recording_given_to_play_is_never_cut) {
    for (const std::string ext : {".wav", ".cas"}) {
        const std::string rec = path("rec" + ext);
        const std::string state = path("s60" + ext + ".m5s");
        const std::string ipl = test::rom_path("host_tape_out");
        ASSERT_EQ(
            run({"--ipl", ipl, "--frames", "300", "--tape-record", rec, "--save-state-at", "60:" + state}).exit_code,
            0);
        const std::string before = read_file(rec);
        ASSERT_GT(before.size(), 1000u);
        const test::RunResult r = run({"--ipl", ipl, "--load-state", state, "--tape", rec, "--frames", "10"});
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_NE(r.err.find("note: a tape was recording"), std::string::npos) << r.err;
        EXPECT_TRUE(read_file(rec) == before) << ext;
    }
}

// A state whose tape part is in the first layout, naming a file with that
// file's length, as a crafted state would: loading ignores the name, says so in one
// line and leaves the file byte for byte as it was, whether the program runs
// the motor or not and whether a recording is made elsewhere.
TEST_F(M5RunStateFiles, a_file_a_state_names_is_never_opened) {
    const std::string victim = path("victim.wav");
    std::string contents(5000, 'v');
    write_file(victim, contents);

    for (const char* program : {"host_tape_out", "ctc_im2"}) {
        const std::string ipl = test::rom_path(program);
        const std::string genuine = path(std::string(program) + ".m5s");
        ASSERT_EQ(run({"--ipl", ipl, "--frames", "30", "--save-state", genuine}).exit_code, 0);
        std::string error;
        StateFile file;
        const std::string bytes = read_file(genuine);
        ASSERT_TRUE(decode_state_file(std::vector<uint8_t>(bytes.begin(), bytes.end()), file, error)) << error;

        for (const bool recording : {true, false}) {
            // The deck's chunk rewritten: the same levels and tick, a tape
            // named by path (recording with the WAV flag, or playing), with
            // the motor stopped.
            StateReader all(file.chunks.data(), file.chunks.size());
            StateWriter out;
            uint32_t tag = 0;
            StateReader body;
            while (all.next_chunk(tag, body)) {
                std::vector<uint8_t> fields(body.remaining());
                body.raw(fields.data(), fields.size());
                out.begin_chunk(tag);
                out.set_chunk_version(body.version);
                if (tag == component_state_tag(TAPE_DECK_ID)) {
                    out.set_chunk_version(0);
                    out.flag(!recording);
                    out.flag(recording);
                    out.flag(true);
                    // The levels and tick event as saved, the motor off
                    // (so that the missing tick is no fault).
                    out.raw(fields.data() + 3, 3);
                    out.u8(0);
                    out.raw(fields.data() + 7, 4);
                    out.text(victim);
                    if (recording) {
                        out.u64(contents.size());
                        out.u32(static_cast<uint32_t>(contents.size() - 44));
                        out.u8(0);
                    } else {
                        out.u64(contents.size());
                        out.u64(0);
                        StateWriter converter;
                        WavTapeConverter().save_state(converter);
                        out.raw(converter.data().data(), converter.data().size());
                        out.i32(0);
                        out.u8(0);
                        out.u64(100);
                    }
                } else {
                    out.raw(fields.data(), fields.size());
                }
                out.end_chunk();
            }
            StateFile crafted = file;
            crafted.chunks = out.data();
            const std::vector<uint8_t> encoded = encode_state_file(crafted);
            const std::string state = path("crafted.m5s");
            write_file(state, std::string(encoded.begin(), encoded.end()));

            for (const bool record_elsewhere : {false, true}) {
                std::vector<std::string> args = {"--ipl", ipl, "--load-state", state, "--frames", "120"};
                if (record_elsewhere) args.insert(args.end(), {"--tape-record", path("elsewhere.wav")});
                const test::RunResult r = run(args);
                SCOPED_TRACE(std::string(program) + (recording ? " recording" : " playing") +
                             (record_elsewhere ? " with --tape-record" : ""));
                EXPECT_EQ(r.exit_code, 0) << r.err;
                EXPECT_NE(r.err.find("names its tape by a file, which is ignored"), std::string::npos) << r.err;
                EXPECT_TRUE(read_file(victim) == contents);
            }
        }
    }
}

// Outputs and symbolic links in a sticky world-writable directory: another
// user's link is refused (its target untouched), one's own is followed.
TEST_F(M5RunStateFiles, a_planted_link_in_a_shared_directory_is_not_followed) {
    const fs::path shared = dir / "shared";
    fs::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    const std::string target = path("target.png");
    write_file(target, "precious");
    const std::string ipl = test::rom_path("ctc_im2");

    fs::create_symlink(target, shared / "mine.png");
    test::RunResult r = run({"--ipl", ipl, "--frames", "2", "--screenshot", (shared / "mine.png").string()});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(read_file(target).substr(1, 3), "PNG") << "a link this user owns is followed";

    const passwd* other = ::getpwnam("nobody");
    if (::geteuid() != 0 || other == nullptr) {
        GTEST_SKIP() << "a link of another user needs root and the user 'nobody' to plant";
    }
    write_file(target, "precious");
    const fs::path planted = shared / "planted.png";
    fs::create_symlink(target, planted);
    ASSERT_EQ(::lchown(planted.c_str(), other->pw_uid, other->pw_gid), 0);
    r = run({"--ipl", ipl, "--frames", "2", "--screenshot", planted.string()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("symbolic link of another user"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(target), "precious");
}

// Smaller input rules: a FIFO is refused without blocking, an empty option
// value is an error, and an IPL ROM is read only as far as it is used.
TEST_F(M5RunStateFiles, odd_inputs_and_outputs_fail_in_one_line) {
    const std::string ipl = test::rom_path("ctc_im2");
    ASSERT_EQ(::mkfifo(path("fifo.rom").c_str(), 0600), 0);
    test::RunResult r = run({"--ipl", ipl, "--cart", path("fifo.rom"), "--frames", "1"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "m5run: the cartridge '" + path("fifo.rom") + "' is not a file\n");

    r = run({"--ipl", ipl, "--screenshot", ""});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.err.find("--screenshot needs a value"), std::string::npos) << r.err;

    // An IPL longer than 8 KiB: its first 8 KiB are used, with a note.
    std::string big = read_file(ipl);
    big.resize(1 << 20, '\xEE');
    write_file(path("big.rom"), big);
    r = run({"--ipl", path("big.rom"), "--frames", "1"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("only those are used"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace m5
