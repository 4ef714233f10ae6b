#!/usr/bin/env python3
"""The embeddable core against m5run, end to end.

The library and its header are installed into a scratch prefix; a C99
program built only against them (with pkg-config) and the Python module each
run a test cartridge on the free boot ROM with keys pressed, and each must
give the very picture, sound and RAM that m5run gives with the same options.
States cross between them both ways.

    check_embedding.py BUILD_DIR SOURCE_DIR [sanitized|plain]

In a build with the address and undefined-behaviour sanitizers the C program
is built with them too, and Python runs with their runtime preloaded.
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from png_reader import read_png  # noqa: E402

FRAMES = 175
RATE = 22050
BLOCK = 2205  # the library hands the sound over in blocks of 100 ms
KEYS = ["A@20+5", "SHIFT@50+10", "Q@52+5", "UP@80+5", "LEFT@80+5", "X@110+3", "Y@115+3", "5@150+25"]


def wav_left(path):
    """The left channel of m5run's 16-bit stereo sound, as 16-bit samples."""
    data = open(path, "rb").read()[44:]
    return b"".join(data[i:i + 2] for i in range(0, len(data), 4))


def check(label, rgba, sound, ram, expected):
    rgb = b"".join(rgba[i:i + 3] for i in range(0, len(rgba), 4))
    failures = []
    if rgb != expected["picture"]:
        failures.append("picture")
    # Every sample the machine made, in whole blocks: all but the last part
    # block of what m5run's machine made.
    whole = len(expected["sound"]) // (2 * BLOCK) * (2 * BLOCK)
    if sound != expected["sound"][:whole]:
        failures.append("sound (%d bytes, m5run %d)" % (len(sound), len(expected["sound"])))
    if ram != expected["ram"]:
        failures.append("RAM")
    if failures:
        print("%s differs from m5run: %s" % (label, ", ".join(failures)))
        return False
    print("%s: picture, %d sound samples and RAM as m5run's" % (label, len(sound) // 2))
    return True


def main():
    build, source = sys.argv[1], sys.argv[2]
    sanitized = len(sys.argv) > 3 and sys.argv[3] == "sanitized"
    work = tempfile.mkdtemp(prefix="m5emu_embedding_")
    try:
        prefix = os.path.join(work, "prefix")
        subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
        libdir = next(os.path.join(prefix, d) for d in ("lib", "lib64") if os.path.exists(os.path.join(prefix, d, "pkgconfig")))
        env = dict(os.environ, PKG_CONFIG_PATH=os.path.join(libdir, "pkgconfig"))
        flags = subprocess.run(["pkg-config", "--cflags", "--libs", "m5emu"], env=env, check=True,
                               capture_output=True, text=True).stdout.split()
        program = os.path.join(work, "embed_check")
        sanitizer = ["-fsanitize=address,undefined"] if sanitized else []
        subprocess.run(["cc", "-std=c99", "-Wall", "-Wextra", "-Werror", "-pedantic"] + sanitizer + [
                        os.path.join(source, "tests/capi/embed_check.c"), "-o", program, "-Wl,-rpath," + libdir] + flags,
                       check=True)

        cart = os.path.join(build, "roms", "cart_keys.rom")
        ipl = os.path.join(build, "roms", "boot.rom")
        m5run = os.path.join(build, "src", "tools", "m5run")
        keys = [a for k in KEYS for a in ("--key", k)]
        subprocess.run([m5run, "--ipl", ipl, "--cart", cart, "--frames", str(FRAMES), "--rate", str(RATE),
                        "--buffer", "frame", "--screenshot", os.path.join(work, "m5run.png"),
                        "--wav", os.path.join(work, "m5run.wav"), "--dump-ram", os.path.join(work, "m5run.ram"),
                        "--save-state", os.path.join(work, "m5run.m5s")] + keys, check=True)
        expected = {"picture": read_png(os.path.join(work, "m5run.png"), 3)[2],
                    "sound": wav_left(os.path.join(work, "m5run.wav")),
                    "ram": open(os.path.join(work, "m5run.ram"), "rb").read()}
        assert len(expected["sound"]) > 1000, "m5run recorded no sound"

        out = os.path.join(work, "c")
        os.mkdir(out)
        subprocess.run([program, cart, str(FRAMES), str(RATE), str(BLOCK), out] + KEYS, check=True)
        read = lambda name: open(os.path.join(out, name), "rb").read()
        ok = check("C program", read("picture.rgba"), read("sound.s16"), read("ram.bin"), expected)

        if shutil.which("python3") is None:
            print("the Python module is not checked: no python3")
            return 0 if ok else 1
        module_dir = os.path.join(prefix, "share", "m5emu", "python")
        script = """
import sys, m5emu
frames, rate, block, cart, out = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
keys = [(k.split("@")[0], int(k.split("@")[1].split("+")[0]), int(k.split("+")[1])) for k in sys.argv[6:]]
m5 = m5emu.Machine()
m5.set_sound(rate, block)
m5.insert_cartridge(open(cart, "rb").read())
sound = []
for frame in range(1, frames + 1):
    for name, first, length in keys:
        if frame == first: m5.key(name, True)
        if frame == first + length: m5.key(name, False)
    sound += m5.run(1)
open(out + "/picture.rgba", "wb").write(m5.picture())
open(out + "/sound.s16", "wb").write(b"".join(s.to_bytes(2, "little", signed=True) for s in sound))
open(out + "/ram.bin", "wb").write(m5.read_memory(m5emu.RAM_START, m5emu.RAM_SIZE))
open(out + "/python.m5s", "wb").write(m5.save_state())
other = m5emu.Machine()
other.insert_cartridge(open(cart, "rb").read())
other.load_state(open(out + "/m5run.m5s", "rb").read())
assert other.read_memory(0x7000, 0x9000) == m5.read_memory(0x7000, 0x9000), "m5run's state loads differently"
try:
    other.load_state(b"not a state")
    raise SystemExit("a garbage state was taken")
except m5emu.Error:
    pass
# Values the library could not be given raise ValueError; nothing wraps.
before = other.read_memory(0x7000, 0x9000)
for name, call in [("write at 0x17000", lambda: other.write_memory(0x17000, b"B")),
                   ("write at -0x9000", lambda: other.write_memory(-0x9000, b"B")),
                   ("read at 0x17000", lambda: other.read_memory(0x17000, 4)),
                   ("a negative length", lambda: other.read_memory(0x7000, -1)),
                   ("joystick 2**32", lambda: other.joystick(2**32, 0)),
                   ("speed 2**32 + 2", lambda: other.set_speed(2**32 + 2)),
                   ("rate 2**32 + 48000", lambda: other.set_sound(2**32 + 48000)),
                   ("a key name with a NUL", lambda: other.key("A\\0junk")),
                   ("a text with a NUL", lambda: other.paste("a\\0b"))]:
    try:
        call()
        raise SystemExit(name + " was taken")
    except ValueError:
        pass
assert other.read_memory(0x7000, 0x9000) == before and not other.pasting, "a refused call changed the machine"
# The RAM as the library maps it: where it sits, the bytes read_memory reads
# there, and a write through the view that reaches the machine.
assert other.ram_extent() == (m5emu.RAM_START, m5emu.RAM_SIZE), other.ram_extent()
ram = other.ram()
assert bytes(ram) == before, "the RAM view differs from read_memory"
flipped = ram[0x100] ^ 0xFF
ram[0x100] = flipped
assert other.read_memory(0x7100, 1) == bytes([flipped]), "a write through the RAM view was lost"
pal = m5emu.Machine(model="pal", memory="4k")
assert pal.machine == ("pal", "4k"), pal.machine
assert pal.ram_extent() == (0x7000, 4096) and len(pal.ram()) == 4096, pal.ram_extent()
assert pal.read_memory(0x1518, 1) == bytes([0xE1]), "the 50 Hz free boot ROM"
pal.insert_cartridge(open(cart, "rb").read())
try:
    pal.load_state(open(out + "/m5run.m5s", "rb").read())
    raise SystemExit("the 60 Hz machine's state was taken by the 50 Hz one")
except m5emu.Error as e:
    assert "the 60 Hz M5 with 32 KiB" in str(e), str(e)
"""
        python_env = dict(os.environ, PYTHONPATH=module_dir)
        if sanitized:
            # The library needs its sanitizer runtime first; Python's own
            # allocations are not ours to judge.
            runtime = subprocess.run(["cc", "-print-file-name=libasan.so"], capture_output=True, text=True).stdout
            python_env.update(LD_PRELOAD=runtime.strip(), ASAN_OPTIONS="detect_leaks=0")
        out = os.path.join(work, "python")
        os.mkdir(out)
        shutil.copy(os.path.join(work, "m5run.m5s"), out)
        subprocess.run([sys.executable, "-c", script, str(FRAMES), str(RATE), str(BLOCK), cart, out] + KEYS,
                       env=python_env, check=True)
        ok = check("Python module", read("picture.rgba").__class__(open(os.path.join(out, "picture.rgba"), "rb").read()),
                   open(os.path.join(out, "sound.s16"), "rb").read(), open(os.path.join(out, "ram.bin"), "rb").read(),
                   expected) and ok
        # The library's state goes on in m5run as m5run's own did.
        result = subprocess.run([m5run, "--ipl", ipl, "--cart", cart, "--load-state", os.path.join(out, "python.m5s"),
                                 "--frames", "1"], capture_output=True, text=True)
        if result.returncode != 0:
            print("m5run does not load the library's state: " + result.stderr.strip())
            ok = False
        return 0 if ok else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
