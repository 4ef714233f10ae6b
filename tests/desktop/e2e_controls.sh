#!/usr/bin/env bash
# End-to-end check of Settings / Controls... in the desktop program.
#
#   e2e_controls.sh M5EMU_BINARY DESKTOP_KEYS_ROM
#
# Runs our keyboard picture program (each key ever seen stays white in its
# cell) under Xvfb and drives the dialog as a user does, by the places of
# its buttons that the trace tells: a click on the M5 key Q, then F5, which
# the dialog refuses (the emulator keeps it) without loading a slot, then
# Home, which Q then has instead of the Q key. Closing the dialog keeps the
# change in m5emu.conf (home=Q, q=none). After Exit and a new start, the Q
# key presses nothing and Home presses the M5's Q. Escape ends a wait
# without a change; Reset to defaults in the dialog brings back q=Q. Exits 77 (skipped) when the X tools are missing.
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

Q_X=12 Q_Y=116 # the cell of port 0x32 bit 0, the M5's Q

# Clicks the dialog's button ID where the trace last said it is (told again
# 0.2 s after a message changes the dialog's size).
click_control() {
    local line x y
    sleep 0.5
    line=$(grep "^controls button $1 " "$work/trace.log" | tail -1)
    [ -n "$line" ] || fail "the dialog has no button $1"
    read -r x y <<<"${line#controls button $1 }"
    xdotool mousemove "$x" "$y" click 1
}

# Opens Settings / Controls... and waits for its buttons' places.
open_controls() {
    local shown
    shown=$(grep -c '^window controls$' "$work/trace.log" || true)
    menu_choose Settings 40200
    wait_value 100 -gt "$shown" grep -c '^window controls$' "$work/trace.log" ||
        fail "the Controls dialog did not show"
}


# Closes the dialog with its Close button; the change is kept at once.
close_controls() {
    click_control close
    wait_trace '^controls closed$' "the Controls dialog did not close"
    xdotool mousemove --window "$wid" 256 200
    sleep 0.3
}

# Q pressed shows nothing; Home shows the M5's Q.
home_presses_q() {
    wait_picture $Q_X $Q_Y "$BLUE"
    xdotool key --delay 120 q
    sleep 1
    shot
    close_to "$(picture_pixel $Q_X $Q_Y)" "$BLUE" || fail "the Q key still presses the M5's Q"
    xdotool key --delay 120 Home
    wait_picture $Q_X $Q_Y "$WHITE"
}

if [ "${1:-}" = "--inside" ]; then
    e2e_inside "$2"
    start_m5emu
    wait_picture $Q_X $Q_Y "$BLUE"

    open_controls
    click_control key:Q
    wait_trace '^controls capture key:Q$'
    xdotool key F5
    wait_trace '^controls message F5 loads quick slot 5 and Shift\+F5 saves it: it stays with the emulator\.' \
        "F5 was not refused"
    xdotool key Home
    wait_trace '^controls message Home now gives Q\. Q gives nothing now\.$' "Home was not given to Q"
    close_controls
    wait_trace '^notice Controls saved$'
    grep -Eq '^(notice|message|state) .*[Ss]lot 5' "$work/trace.log" && fail "F5 in the dialog reached the window"
    grep -qx 'home=Q' m5emu.conf || fail "m5emu.conf does not keep home=Q: $(cat m5emu.conf)"
    grep -qx 'q=none' m5emu.conf || fail "m5emu.conf does not keep q=none"
    home_presses_q
    menu_choose Control 40008 # Exit
    wait_exit

    # A new start reads the change.
    start_m5emu
    home_presses_q

    # Escape ends a wait without a change and leaves the dialog open; Reset
    # to defaults, kept the same way.
    open_controls
    click_control key:W
    wait_trace '^controls capture key:W$'
    xdotool key Escape
    wait_trace '^controls message Nothing changed\.$' "Escape did not end the wait"
    click_control reset
    wait_trace '^controls message The built-in keys and buttons are back\.$'
    close_controls
    grep -qx 'q=Q' m5emu.conf || fail "m5emu.conf does not have q=Q after the reset"
    grep -q '^home=' m5emu.conf && fail "m5emu.conf still gives Home a key after the reset"
    menu_choose Control 40008
    wait_exit
    exit 0
fi

e2e_check "$0" "$@"
echo "desktop controls check passed"
