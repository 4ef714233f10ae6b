#!/usr/bin/env bash
# End-to-end check of save states and rewind in the desktop program.
#
#   e2e_state.sh M5EMU_BINARY DESKTOP_KEYS_ROM
#
# Runs our keyboard picture program (each key ever seen stays white in its
# row) under Xvfb: saves to quick slot 1 through the State menu, presses A
# (its cell turns white), loads slot 1 (the cell is blue again: the saved
# picture is back), F5 and F7 do the same by key; then, after a few seconds
# for the rewind ring, presses S and holds F8: the picture goes back to
# before the press. Exits 77 (skipped) when the X tools are missing.
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

# Cells of keyboard rows: tile row 12 + port - 0x30, tile columns 4b..4b+2.
A_X=8 A_Y=124 # port 0x33 bit 0
S_X=40 S_Y=124 # port 0x33 bit 1

if [ "${1:-}" = "--inside" ]; then
    e2e_inside "$2"
    export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
    start_m5emu
    wait_picture 64 32 "$RED"
    wait_picture $A_X $A_Y "$BLUE"

    menu_choose State 40132 # Save slot 1
    wait_trace '^state saved .*state1\.m5s$'
    xdotool key --delay 120 a
    wait_picture $A_X $A_Y "$WHITE"
    menu_choose State 40140 # Slot 1
    wait_trace '^state loaded .*state1\.m5s$'
    wait_picture $A_X $A_Y "$BLUE"

    # The same by key: F5 saves slot 1, F7 loads it.
    xdotool key F5
    wait_for 50 grep -c '^state saved ' "$work/trace.log" >/dev/null
    xdotool key --delay 120 a
    wait_picture $A_X $A_Y "$WHITE"
    xdotool key F7
    wait_picture $A_X $A_Y "$BLUE"

    # Rewind: a few seconds of states in the ring, then S, then F8 held.
    sleep 4
    xdotool key --delay 120 s
    wait_picture $S_X $S_Y "$WHITE"
    xdotool keydown F8
    sleep 1
    xdotool keyup F8
    wait_trace '^rewound to frame '
    wait_picture $S_X $S_Y "$BLUE"

    menu_choose Control 40008 # Exit
    wait_exit
    exit 0
fi

[ $# -eq 2 ] || {
    echo "usage: $0 M5EMU_BINARY DESKTOP_KEYS_ROM" >&2
    exit 2
}
e2e_need_tools
e2e_prepare "$1" "$2"
e2e_xvfb "$0"
echo "desktop state check passed"
