#!/usr/bin/python3
"""The web page's speed beside the native m5run's, on the same program.

    /usr/bin/python3 bench/compare_web.py [--site build-web/site] [--m5run build/src/tools/m5run]
        [--ipl build/roms/host_busy.rom | --cart FILE] [--frames 20000] [--rounds 3]

Build first: `bash scripts/web.sh --build-only` (the site) and
`cmake --build build --target m5run roms`. The script serves the site on a
free loopback port (scripts/web_serve.py), opens it in Debian's headless
Chromium (python3-selenium, chromium-driver), boots the IPL ROM given (the
busy program by default: arithmetic, memory, video and sound traffic, a frame
interrupt) through "Use my IPL.ROM" (or, with --cart, powers it on with that
cartridge on the page's free boot ROM, which m5run then boots too), and
then, in each round, in turn:

  page, one call   m5emu.runFrames(N): the frames in one call into the
                   WebAssembly, the last one drawn (the machine's own speed in
                   the browser);
  page, drawn      N times m5emu.runFrames(1): every frame drawn on the
                   canvas, with the page's work around each frame;
  m5run            m5run --ipl ROM --frames N --stats --rate 48000
                   --buffer frame: the sound work the page does.

Speeds are frames over processor time, which other programs on a shared
machine do not take away: m5run's own ("frames per processor second"), and
for the page the processor time of every process of the browser (its page,
GPU and browser processes, from /proc) across the call. The rounds alternate
and the table shows each; the summary takes the best round of each. The
ratio is the page's frames a second over m5run's.
"""
import argparse
import os
import socket
import subprocess
import sys
import tempfile
import time

from selenium import webdriver

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--site", default=os.path.join(ROOT, "build-web", "site"))
    parser.add_argument("--m5run", default=os.path.join(ROOT, "build", "src", "tools", "m5run"))
    parser.add_argument("--ipl", default=os.path.join(ROOT, "build", "roms", "host_busy.rom"))
    parser.add_argument("--cart", help="a cartridge to run on the page's free boot ROM instead of the IPL ROM")
    parser.add_argument("--frames", type=int, default=20000)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    for what in ("site", "m5run", "ipl", "cart"):
        if getattr(args, what) is None:
            continue
        path = os.path.abspath(getattr(args, what))
        if not os.path.exists(path):
            parser.error(f"no {what} at {path}")
        setattr(args, what, path)
    if not 1 <= args.frames <= 1000000 or not 1 <= args.rounds <= 99:
        parser.error("--frames from 1 to 1000000, --rounds from 1 to 99")
    return args


def native_fps(args):
    # The page mixes its sound at 48000 Hz, frame by frame (until the sound is
    # switched on, which these runs never do): m5run does the same work.
    cart = ["--cart", args.cart] if args.cart else []
    out = subprocess.run([args.m5run, "--ipl", args.ipl, "--frames", str(args.frames), "--stats", "--rate", "48000",
                          "--buffer", "frame"] + cart, check=True,
                         capture_output=True, text=True).stdout
    line = [l for l in out.splitlines() if l.startswith("frames per processor second")][0]
    return float(line.split(":")[1])


def descendants(pid):
    """pid and every process below it."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    parent = int(f.read().rsplit(")", 1)[1].split()[1])
            except OSError:
                continue
            children.setdefault(parent, []).append(int(entry))
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        found.append(p)
        todo.extend(children.get(p, []))
    return found


def processor_seconds(pids):
    total = 0
    for p in pids:
        try:
            with open(f"/proc/{p}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])  # utime, stime
        except OSError:
            pass
    return total / os.sysconf("SC_CLK_TCK")


def page_fps(driver, browser, script, frames):
    pids = descendants(browser)
    before = processor_seconds(pids)
    driver.execute_script(script, frames)
    return frames / (processor_seconds(pids) - before)


ONE_CALL = "m5emu.runFrames(arguments[0]);"
DRAWN = "for (let i = 0; i < arguments[0]; ++i) m5emu.runFrames(1);"


def main():
    args = parse_args()
    work = tempfile.mkdtemp(prefix="m5web-bench-")
    server = subprocess.Popen([sys.executable, os.path.join(ROOT, "scripts", "web_serve.py"), "--port",
                               str(port := free_port()), "--dir", args.site], stdout=subprocess.PIPE,
                              env=dict(os.environ, M5_WEB_QUIET="1"))
    driver = None
    try:
        server.stdout.readline()  # "Serving ..." once it listens
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=1000,900",
                     f"--user-data-dir={work}/profile"):
            options.add_argument(flag)
        service = webdriver.ChromeService(executable_path="/usr/bin/chromedriver") \
            if hasattr(webdriver, "ChromeService") else None
        driver = webdriver.Chrome(options=options, service=service) if service else webdriver.Chrome(options=options)
        driver.set_script_timeout(600)
        browser = driver.service.process.pid  # chromedriver, and the browser below it
        driver.get(f"http://127.0.0.1:{port}/")
        driver.execute_async_script("const done = arguments[0]; m5emu.ready.then(() => done(true));")
        driver.execute_script("m5emu.pause()")
        if args.cart:
            # The page's own free boot ROM, for m5run to boot as well.
            args.ipl = os.path.join(work, "page-boot.rom")
            with open(args.ipl, "wb") as f:
                f.write(bytes(driver.execute_script("return Array.from(m5emu.readMemory(0, 8192))")))
            with open(args.cart, "rb") as f:
                driver.execute_script("m5emu.powerOn({cartridge: Uint8Array.from(arguments[0])})", list(f.read()))
        else:
            driver.find_element("id", "ipl-input").send_keys(args.ipl)
            # The page boots the ROM given once it has read the file.
            deadline = time.time() + 30
            while driver.execute_script("return m5emu.readMemory(0, 1)[0]") != open(args.ipl, "rb").read(1)[0]:
                if time.time() > deadline:
                    raise RuntimeError("the page did not boot the IPL ROM")
                time.sleep(0.1)
        # V8 compiles the optimised code in the background while the first
        # frames run: those are left out.
        driver.execute_script(ONE_CALL, args.frames)

        print(f"{args.frames} frames of {os.path.basename(args.cart or args.ipl)}; load average "
              f"{' '.join(f'{x:.2f}' for x in os.getloadavg())}")
        print("| round | page, one call | page, drawn | m5run | one call / m5run | drawn / m5run |")
        print("|---|---|---|---|---|---|")
        best = [0.0, 0.0, 0.0]
        for n in range(1, args.rounds + 1):
            one = page_fps(driver, browser, ONE_CALL, args.frames)
            drawn = page_fps(driver, browser, DRAWN, args.frames)
            native = native_fps(args)
            best = [max(b, x) for b, x in zip(best, (one, drawn, native))]
            print(f"| {n} | {one:.0f} | {drawn:.0f} | {native:.0f} | {one / native:.2f} | {drawn / native:.2f} |",
                  flush=True)
        print(f"| best | {best[0]:.0f} | {best[1]:.0f} | {best[2]:.0f} | {best[0] / best[2]:.2f} | "
              f"{best[1] / best[2]:.2f} |")
        print(f"load average after: {' '.join(f'{x:.2f}' for x in os.getloadavg())}")
    finally:
        if driver:
            driver.quit()
        server.terminate()
        server.wait(10)
        subprocess.run(["rm", "-rf", work])
    return 0


if __name__ == "__main__":
    sys.exit(main())
