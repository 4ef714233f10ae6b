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

source "$(dirname "$0")/e2e_lib.sh"

# --- Inside the virtual X server ---------------------------------------------
if [ "${1:-}" = "--inside" ]; then
    e2e_inside "$2"
    start_m5emu

    # The test program's picture.
    wait_picture 64 32 "$RED"
    close_to "$(picture_pixel 192 32)" "$GREEN" || fail "top-right quarter is $(picture_pixel 192 32)"
    close_to "$(picture_pixel 128 76)" "$BLACK" || fail "middle band is $(picture_pixel 128 76)"
    close_to "$(picture_pixel 0 0)" "$RED" || fail "picture top-left pixel is $(picture_pixel 0 0)"
    close_to "$(picture_pixel 255 0)" "$GREEN" || fail "picture top-right pixel is $(picture_pixel 255 0)"
    # Nearest-neighbour doubling: the red/green edge is sharp.
    close_to "$(pixel 255 $((top + 10)))" "$RED" || fail "pixel left of the edge is $(pixel 255 $((top + 10)))"
    close_to "$(pixel 256 $((top + 10)))" "$GREEN" || fail "pixel right of the edge is $(pixel 256 $((top + 10)))"

    # Cell of keyboard port 0x30 + row, bit b: blue when the bit is not seen,
    # white once it is.
    cell() { picture_pixel $((32 * $2 + 12)) $(((12 + $1) * 8 + 4)); }
    close_to "$(cell 3 0)" "$BLUE" || fail "key cell before typing is $(cell 3 0)"

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

    # Menus: Control marks CPU x1; Cart shows a disabled None.
    open_popup Control
    [[ $popup_line == *'40003 "CPU x1" checked'* ]] || fail "Control popup without CPU x1 mark"
    [[ $popup_line == *'40118 "Paste" disabled | 40119 "Stop" disabled'* ]] || fail "Paste and Stop not disabled"
    close_popup
    open_popup Cart
    [[ $popup_line == 'popup Cart: 40049 "Open" | 40050 "Close" | - | 40051 "None" disabled' ]] ||
        fail "Cart popup does not show a disabled None"
    close_popup
    menu_choose Control 40005 # CPU x4

    # Sound recording through the SDL output (the dummy driver plays in real
    # time): Rec, then Stop.
    open_popup Sound
    [[ $popup_line == 'popup Sound: 40093 "Rec" | 40094 "Stop" disabled | '*'40101 "48000Hz" checked'* ]] ||
        fail "Sound popup without Rec enabled, Stop disabled and 48000Hz (first run) marked"
    close_popup
    menu_choose Sound 40093
    sleep 1.5
    open_popup Sound
    [[ $popup_line == 'popup Sound: 40093 "Rec" disabled | 40094 "Stop" |'* ]] ||
        fail "Sound popup while recording does not disable Rec"
    close_popup
    menu_choose Sound 40094
    wait_for 100 test -s sound.wav || fail "no sound.wav after Stop"
    wav_size=$(stat -c %s sound.wav)
    wav_data=$(od -An -t u4 -j 40 -N 4 sound.wav | xargs)
    ((wav_data > 0 && wav_data + 44 == wav_size && wav_data % 4 == 0)) ||
        fail "sound.wav of $wav_size bytes says $wav_data data bytes"

    # The mark moved; then Exit.
    open_popup Control
    [[ $popup_line == *'40005 "CPU x4" checked'* ]] || fail "CPU x4 not marked"
    close_popup
    menu_choose Control 40008
    wait_exit
    exit 0
fi

# --- Outside: prepare, run under Xvfb, check the settings file ---------------
e2e_check "$0" "$@"

cfg="$work/m5ce.cfg"
[ -f "$cfg" ] || fail "no m5ce.cfg written"
size=$(stat -c %s "$cfg")
[ "$size" -eq 8340 ] || fail "m5ce.cfg is $size bytes"
version=$(od -An -t d4 -j 0 -N 4 "$cfg" | xargs)
[ "$version" -eq 22 ] || fail "m5ce.cfg version $version"
speed=$(od -An -t d4 -j 8324 -N 4 "$cfg" | xargs)
[ "$speed" -eq 2 ] || fail "m5ce.cfg CPU speed $speed, expected 2 (x4)"
echo "desktop end-to-end check passed"
