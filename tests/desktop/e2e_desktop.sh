#!/usr/bin/env bash
# End-to-end check of the desktop program under a virtual X server.
#
#   e2e_desktop.sh M5EMU_BINARY TEST_ROM
#
# Copies m5emu into a temporary program directory with TEST_ROM (the
# desktop_keys test program) as its IPL.ROM, starts it under Xvfb, and checks:
#   - the picture: known colours at known places of a screenshot, the picture
#     doubled in the drawing area;
#   - the keyboard: keys typed with xdotool (with Shift, with Alt, after F10,
#     arrows) reach the machine's keyboard ports, and no other key does;
#   - the menu: the Control popup marks CPU x1, the Cart popup shows a
#     disabled "None", choosing CPU x4 marks it, and Exit ends the program;
#   - the sound: Sound / Rec and Stop write a sound.wav with data, fed
#     through SDL's (dummy) output;
#   - the settings: an 8340-byte m5ce.cfg of version 22 with CPU speed 2.
# Exits 77 (skipped) when the X tools are missing.
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    if [ -n "${work:-}" ] && [ -f "$work/trace.log" ]; then
        echo "--- menu trace" >&2
        cat "$work/trace.log" >&2
    fi
    if [ -n "${work:-}" ] && [ -f "$work/stderr.log" ]; then
        echo "--- stderr" >&2
        tail -20 "$work/stderr.log" >&2
    fi
    if [ -n "${pid:-}" ]; then kill "$pid" 2>/dev/null || true; fi
    exit 1
}

# Retries a command for up to $1 tenths of a second.
wait_for() {
    local tenths=$1
    shift
    for ((i = 0; i < tenths; i++)); do
        if "$@"; then return 0; fi
        sleep 0.1
    done
    return 1
}

# --- Inside the virtual X server ---------------------------------------------
if [ "${1:-}" = "--inside" ]; then
    work=$2
    cd "$work"
    M5EMU_TRACE_MENUS=1 SDL_AUDIODRIVER=dummy GSETTINGS_BACKEND=memory ./m5emu >trace.log 2>stderr.log &
    pid=$!

    find_window() {
        wid=$(xdotool search --onlyvisible --name '^SORD m5' 2>/dev/null | head -1)
        [ -n "$wid" ]
    }
    wait_for 100 find_window || fail "no window titled SORD m5"

    # Screenshot of the window, kept as PNG and as raw RGB bytes.
    shot() {
        kill -0 "$pid" 2>/dev/null || fail "m5emu has ended"
        timeout 10 import -window "$wid" "$work/shot.png" 2>/dev/null &&
            convert "$work/shot.png" -depth 8 "rgb:$work/shot.rgb" &&
            read -r width height < <(identify -format '%w %h\n' "$work/shot.png")
    }

    # Colour of the screenshot pixel x,y as "R G B".
    pixel() {
        od -An -tu1 -j $((($2 * width + $1) * 3)) -N 3 "$work/shot.rgb" | xargs
    }

    # The RGB888 colour cairo shows for an RGB565 value.
    rgb_of_565() {
        local v=$(($1)) r g b
        r=$(((v >> 11) & 31))
        g=$(((v >> 5) & 63))
        b=$((v & 31))
        echo "$(((r << 3) | (r >> 2))) $(((g << 2) | (g >> 4))) $(((b << 3) | (b >> 2)))"
    }

    # Colours of the machine's palette the test program uses.
    BLACK=$(rgb_of_565 0x0000)
    RED=$(rgb_of_565 0xFA8A)   # 8 medium red
    GREEN=$(rgb_of_565 0x2587) # 12 dark green
    BLUE=$(rgb_of_565 0x529D)  # 4 dark blue: key bit not seen
    WHITE=$(rgb_of_565 0xFFDF) # 15 white: key bit seen

    close_to() { # "R G B" "R G B": each channel within 4
        local a=($1) b=($2)
        for c in 0 1 2; do
            local d=$((a[c] - b[c]))
            ((d >= -4 && d <= 4)) || return 1
        done
    }

    # Picture pixel (x, y) in the screenshot: the drawing area is the
    # bottom 512 x 384 of the window, the picture doubled in it.
    geometry() {
        [ "$width" -eq 512 ] || fail "window is $width pixels wide, expected 512 (picture doubled)"
        top=$((height - 384))
        ((top > 0)) || fail "window height $height leaves no room for a menu bar"
    }
    picture_pixel() { pixel $((2 * $1)) $((top + 2 * $2)); }

    # Wait for the test program's picture.
    picture_ready() {
        shot && geometry && close_to "$(picture_pixel 64 32)" "$RED"
    }
    wait_for 150 picture_ready || fail "no red top-left quarter; pixel is $(picture_pixel 64 32)"
    close_to "$(picture_pixel 192 32)" "$GREEN" || fail "top-right quarter is $(picture_pixel 192 32)"
    close_to "$(picture_pixel 128 76)" "$BLACK" || fail "middle band is $(picture_pixel 128 76)"
    close_to "$(picture_pixel 0 0)" "$RED" || fail "picture top-left pixel is $(picture_pixel 0 0)"
    close_to "$(picture_pixel 255 0)" "$GREEN" || fail "picture top-right pixel is $(picture_pixel 255 0)"
    # Nearest-neighbour doubling: the red/green edge is sharp.
    close_to "$(pixel 255 $((top + 10)))" "$RED" || fail "pixel left of the edge is $(pixel 255 $((top + 10)))"
    close_to "$(pixel 256 $((top + 10)))" "$GREEN" || fail "pixel right of the edge is $(pixel 256 $((top + 10)))"

    # Cell of keyboard port 0x30 + row, bit b.
    cell() { picture_pixel $((32 * $2 + 12)) $(((12 + $1) * 8 + 4)); }
    close_to "$(cell 3 0)" "$BLUE" || fail "key cell before typing is $(cell 3 0)"

    # Keys, typed with the pointer in the window (no window manager: the
    # keyboard follows the pointer).
    xdotool mousemove --window "$wid" 256 200
    sleep 0.3
    # a; Shift+2 (the 2 key, not "@"); Alt+Q; F10 then W (F10 must not take
    # the keyboard to the menu bar); Control; Up (joystick); Return.
    xdotool key --delay 120 a shift+2 alt+q F10 w ctrl Up Return
    expected_on=" 0,0 0,2 0,3 0,7 1,1 2,0 2,1 3,0 7,1 "
    cells_match() {
        shot || return 1
        for row in 0 1 2 3 4 5 6 7; do
            for b in 0 1 2 3 4 5 6 7; do
                local want=$BLUE
                [[ $expected_on == *" $row,$b "* ]] && want=$WHITE
                close_to "$(cell $row $b)" "$want" || return 1
            done
        done
    }
    if ! wait_for 100 cells_match; then
        for row in 0 1 2 3 4 5 6 7; do
            line=""
            for b in 0 1 2 3 4 5 6 7; do
                if close_to "$(cell $row $b)" "$WHITE"; then line+="1"; else line+="0"; fi
            done
            echo "port 0x3$row bits 0..7 seen: $line" >&2
        done
        fail "the keys the machine saw differ from the keys typed ($expected_on)"
    fi
    if grep -q '^popup' trace.log; then fail "a popup opened while typing"; fi

    # Menus: Control, then Cart (one to the right), then close both.
    xdotool mousemove --window "$wid" 20 $((top / 2)) click 1
    wait_for 100 grep -q '^popup Control: .*40003 "CPU x1" checked' trace.log || fail "Control popup without CPU x1 mark"
    grep -q '40118 "Paste" disabled | 40119 "Stop" disabled' trace.log || fail "Paste and Stop not disabled"
    xdotool key Right
    wait_for 100 grep -q '^popup Cart: 40049 "Open" | 40050 "Close" | - | 40051 "None" disabled$' trace.log ||
        fail "Cart popup does not show a disabled None"
    xdotool key Escape Escape
    sleep 0.3

    # CPU x4: Reset, CPU x1, CPU x2, CPU x4.
    xdotool mousemove --window "$wid" 20 $((top / 2)) click 1
    wait_for 100 test "$(grep -c '^popup Control' trace.log)" -ge 2 || fail "Control popup did not open again"
    xdotool key --delay 100 Down Down Down Down Return
    wait_for 100 grep -q '^command 40005$' trace.log || fail "CPU x4 was not chosen"

    # Sound recording through the SDL output (the dummy driver plays in real
    # time): Rec, then Stop once the Sound popup shows Rec disabled.
    sleep 0.3
    xdotool mousemove --window "$wid" 20 $((top / 2)) click 1
    wait_for 100 test "$(grep -c '^popup Control' trace.log)" -ge 3 || fail "Control popup did not open a third time"
    xdotool key --delay 100 Right Right Right Right
    wait_for 100 grep -q '^popup Sound: 40093 "Rec" | 40094 "Stop" disabled | .*40096 "4000Hz" checked' trace.log ||
        fail "Sound popup without Rec enabled, Stop disabled and 4000Hz marked"
    xdotool key --delay 100 Down Return
    wait_for 100 grep -q '^command 40093$' trace.log || fail "Sound Rec was not chosen"
    sleep 1.5
    xdotool mousemove --window "$wid" 20 $((top / 2)) click 1
    xdotool key --delay 100 Right Right Right Right
    wait_for 100 grep -q '^popup Sound: 40093 "Rec" disabled | 40094 "Stop" |' trace.log ||
        fail "Sound popup while recording does not disable Rec"
    xdotool key --delay 100 Down Return
    wait_for 100 grep -q '^command 40094$' trace.log || fail "Sound Stop was not chosen"
    wait_for 100 test -s sound.wav || fail "no sound.wav after Stop"
    wav_size=$(stat -c %s sound.wav)
    wav_data=$(od -An -t u4 -j 40 -N 4 sound.wav | xargs)
    ((wav_data > 0 && wav_data + 44 == wav_size && wav_data % 4 == 0)) ||
        fail "sound.wav of $wav_size bytes says $wav_data data bytes"

    # The mark moved; then Exit, the last item.
    sleep 0.3
    xdotool mousemove --window "$wid" 20 $((top / 2)) click 1
    wait_for 100 grep -q '^popup Control: .*40005 "CPU x4" checked' trace.log || fail "CPU x4 not marked"
    xdotool key --delay 100 Up Return
    wait_for 100 grep -q '^command 40008$' trace.log || fail "Exit was not chosen"
    for ((i = 0; i < 100; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "m5emu still runs after Exit"
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "m5emu exited with $status"
    exit 0
fi

# --- Outside: prepare, run under Xvfb, check the settings file ---------------
binary=${1:?usage: e2e_desktop.sh M5EMU_BINARY TEST_ROM}
rom=${2:?usage: e2e_desktop.sh M5EMU_BINARY TEST_ROM}
for tool in xvfb-run xdotool import convert identify od; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done
[ -x "$binary" ] || fail "no program $binary"
[ -f "$rom" ] || fail "no test ROM $rom"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$binary" "$work/m5emu"
cp "$rom" "$work/IPL.ROM"

xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --inside "$work" || exit 1

cfg="$work/m5ce.cfg"
[ -f "$cfg" ] || fail "no m5ce.cfg written"
size=$(stat -c %s "$cfg")
[ "$size" -eq 8340 ] || fail "m5ce.cfg is $size bytes"
version=$(od -An -t d4 -j 0 -N 4 "$cfg" | xargs)
[ "$version" -eq 22 ] || fail "m5ce.cfg version $version"
speed=$(od -An -t d4 -j 8324 -N 4 "$cfg" | xargs)
[ "$speed" -eq 2 ] || fail "m5ce.cfg CPU speed $speed, expected 2 (x4)"
echo "desktop end-to-end check passed"
