#!/usr/bin/env bash
# The libretro core in Debian's RetroArch, under a virtual X server: RetroArch
# runs a published cartridge for a number of frames and takes a screenshot of
# its window; scaled down to the M5's 256 x 192 pixels it must be m5run's
# screenshot of the same frame, and the window must have the M5's picture
# shape (8:7 pixels). A second run has rewind and run-ahead on, which save
# and load a state every frame: RetroArch must take them and show the same
# picture. A third run has RetroArch's own cheats set 0x7000, 0x8000 and
# 0xFFFF (cheat addresses count from the start of the RAM blocks RetroArch
# lays end to end); the state it saves on exit must hold them there.
#
#   e2e_retroarch.sh CORE_SO INFO_DIR M5RUN BOOT_ROM CARTRIDGE
#
# Exits 77 (skipped) with one line when RetroArch, Xvfb, D-Bus or ImageMagick
# is missing, or the cartridge (third-party test data) is absent and not
# required.
set -euo pipefail

core=$1 info_dir=$2 m5run=$3 boot_rom=$4 cart=$5
frames=120

for tool in retroarch xvfb-run dbus-run-session convert compare identify; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
        exit 77
    fi
done
if [ ! -f "$cart" ]; then
    if [ -n "${M5_REQUIRE_TEST_DATA:-}" ] && [ "${M5_REQUIRE_TEST_DATA}" != 0 ]; then
        echo "FAIL: third-party test data not found: $cart (required)" >&2
        exit 1
    fi
    echo "SKIP: third-party test data not found: $cart"
    exit 77
fi

work=$(mktemp -d)
trap '[ -n "${E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
mkdir -p "$work/system" "$work/home"

# GameMode aborts RetroArch at start without a D-Bus session (hence
# dbus-run-session); no sound device, no menu, no notices over the picture,
# sharp pixels; everything RetroArch writes stays in $work. RetroArch learns
# what a core supports (states good for rewind and run-ahead) from the .info
# file of a core in its core directory.
cat >"$work/retroarch.cfg" <<CONFIG
audio_driver = "null"
menu_driver = "null"
video_smooth = "false"
video_fullscreen = "false"
menu_enable_widgets = "false"
video_font_enable = "false"
config_save_on_exit = "false"
libretro_directory = "$(dirname "$core")"
libretro_info_path = "$info_dir"
system_directory = "$work/system"
savefile_directory = "$work"
savestate_directory = "$work"
screenshot_directory = "$work"
CONFIG

# run_retroarch NAME [CONFIG LINE...]: runs the cartridge for $frames frames
# with the extra configuration lines; writes $work/NAME.png and NAME.log.
run_retroarch() {
    local name=$1
    shift
    cp "$work/retroarch.cfg" "$work/$name.cfg"
    if [ $# -gt 0 ]; then printf '%s\n' "$@" >>"$work/$name.cfg"; fi
    if ! HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" timeout 120 dbus-run-session -- \
        xvfb-run -a -s "-screen 0 1280x1024x24" \
        retroarch --verbose --config "$work/$name.cfg" -L "$core" "$cart" \
        --max-frames="$frames" --max-frames-ss --max-frames-ss-path="$work/$name.png" \
        >"$work/$name.log" 2>&1; then
        echo "FAIL: RetroArch did not run to the end ($name)" >&2
        tail -20 "$work/$name.log" >&2
        exit 1
    fi
    if [ ! -s "$work/$name.png" ]; then
        echo "FAIL: RetroArch took no screenshot ($name)" >&2
        tail -20 "$work/$name.log" >&2
        exit 1
    fi
}

# check_picture NAME: RetroArch's screenshot has the M5's shape and, scaled
# down to 256 x 192, is m5run's picture.
check_picture() {
    local name=$1 width height differing
    read -r width height < <(identify -format "%w %h\n" "$work/$name.png")
    echo "$name: RetroArch's screenshot is ${width} x ${height}"
    # 256 x 192 with 8:7 pixels: width / height = 32 / 21 (within two pixels).
    if [ $((width * 21 - height * 32)) -gt $((21 * 2)) ] || [ $((height * 32 - width * 21)) -gt $((21 * 2)) ]; then
        echo "FAIL: the picture is ${width} x ${height}, not the M5's shape (32:21)" >&2
        exit 1
    fi
    convert "$work/$name.png" -filter point -resize '256x192!' "$work/${name}_256.png"
    differing=$(compare -metric AE "$work/${name}_256.png" "$work/m5run.png" null: 2>&1 || true)
    echo "$name: pixels differing from m5run's picture: $differing of 49152"
    # Scaling by a factor that is not whole may move an edge by a pixel.
    if ! [ "$differing" -le 250 ] 2>/dev/null; then
        echo "FAIL: RetroArch's picture is not m5run's ($name)" >&2
        exit 1
    fi
}

"$m5run" --ipl "$boot_rom" --cart "$cart" --frames "$frames" --screenshot "$work/m5run.png"
# The game's picture has more than one colour (it is not a blank screen).
colours=$(identify -format "%k" "$work/m5run.png")
if [ "$colours" -lt 3 ]; then
    echo "FAIL: m5run's picture has $colours colours: the cartridge did not draw" >&2
    exit 1
fi

run_retroarch plain
check_picture plain

run_retroarch states 'rewind_enable = "true"' 'run_ahead_enabled = "true"' 'run_ahead_frames = "2"'
if ! grep -q "Initializing rewind buffer" "$work/states.log" || grep -qi "unavailable\|run-ahead.*disabled\|failed to .*state" "$work/states.log"; then
    echo "FAIL: RetroArch does not rewind or run ahead with the core:" >&2
    grep -i "rewind\|run-ahead" "$work/states.log" >&2 || true
    exit 1
fi
# The controller test's picture stands still, so frames run ahead show it too.
check_picture states

# RetroArch loads cheats/<core>/<content>.cht with the content; its cheats
# write after every frame, so the state saved on exit holds them. That state
# is RetroArch's frame (RASTATE, then blocks) around the core's own: a
# 16-byte header (M5LR, the state file's length) and m5run's state file.
mkdir -p "$work/cheats/m5emu"
{
    echo 'cheats = "3"'
    i=0
    for cheat in 0:165 4096:90 36863:195; do
        printf 'cheat%d_enable = "true"\ncheat%d_handler = "1"\ncheat%d_cheat_type = "1"\n' $i $i $i
        printf 'cheat%d_memory_search_size = "3"\ncheat%d_repeat_count = "1"\n' $i $i
        printf 'cheat%d_address = "%s"\ncheat%d_value = "%s"\n' $i "${cheat%:*}" $i "${cheat#*:}"
        i=$((i + 1))
    done
} >"$work/cheats/m5emu/$(basename "${cart%.*}").cht"
run_retroarch cheats "cheat_database_path = \"$work/cheats\"" 'apply_cheats_after_load = "true"' \
    'savestate_auto_save = "true"' 'savestate_file_compression = "false"'
python3 - "$work"/*.state.auto "$work/cheats.m5s" <<'PYTHON'
import struct, sys
data = open(sys.argv[1], "rb").read()
at = data.find(b"M5LR")
length = struct.unpack_from("<I", data, at + 4)[0]
open(sys.argv[2], "wb").write(data[at + 16:at + 16 + length])
PYTHON
"$m5run" --ipl "$boot_rom" --cart "$cart" --load-state "$work/cheats.m5s" --frames 0 --dump-ram "$work/cheats.ram"
ram=$(od -An -tx1 -v "$work/cheats.ram" | tr -d ' \n')
for cheat in 7000:a5 8000:5a ffff:c3; do
    address=$((16#${cheat%:*}))
    got=${ram:$(((address - 0x7000) * 2)):2}
    echo "cheats: RAM at 0x${cheat%:*} holds $got"
    if [ "$got" != "${cheat#*:}" ]; then
        echo "FAIL: RetroArch's cheat for 0x${cheat%:*} did not land there" >&2
        exit 1
    fi
done
echo "PASS"
