#!/usr/bin/env bash
# End-to-end check of save states and rewind in the desktop program.
#
#   e2e_state.sh M5EMU_BINARY DESKTOP_KEYS_ROM
#
# Runs our keyboard picture program (each key ever seen stays white in its
# row) under Xvfb: saves to quick slot 1 through the State menu, presses A
# (its cell turns white), loads slot 1 (the cell is blue again: the saved
# picture is back), Shift+F3 and F3 do the same with slot 3 by key (F3 on
# the empty slot says so first); then, after a few seconds for the rewind
# ring, presses S and holds Backspace: the picture goes back to before the
# press. F9 held and Control / Fast forward run the machine flat out, its
# speed shown. Exits 77 (skipped) when the X tools are missing.
#
# Then slots per cartridge: with two "cartridges" inserted in turn (our
# picture program is the IPL ROM, so any bytes make a cartridge that only
# its digest tells apart), slot 1 of each holds its own state, and loading
# the first one's brings back its picture. Shift+F1 shows its notice in the
# status line below the picture; Screen / Screenshot writes the machine's 256 x 192 picture to the
# pictures folder, Screen / Rec an animated GIF there; pause shows "Paused"
# over the picture in fullscreen.
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

# Cells of keyboard rows: tile row 12 + port - 0x30, tile columns 4b..4b+2.
A_X=8 A_Y=124 # port 0x33 bit 0
S_X=40 S_Y=124 # port 0x33 bit 1

# The left of the status line below the picture in the last screenshot as
# a file, and the share of dark pixels (text) in it.
status_crop() { convert "$work/shot.png" -crop 200x${status}+0+$((top + 384)) +repage "$1"; }
notice_share() {
    status_crop "$work/status.png"
    convert "$work/status.png" -colorspace gray -threshold 50% -negate -format '%[fx:mean]' info:
}
# True when the share $1 exceeds $2 by half a percent (text drawn there).
more_white() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b + 0.005) }'; }
# Text in the status line, other than what it showed in status_before.png.
notice_shown() {
    shot && more_white "$(notice_share)" 0 && ! same_image "$work/status.png" "$work/status_before.png"
}
if [ "${1:-}" = "--inside" ]; then
    e2e_inside "$2"
    export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
    start_m5emu
    wait_picture 64 32 "$RED"
    wait_picture $A_X $A_Y "$BLUE"

    menu_choose State 40132 # Save slot 1
    wait_trace '^state saved .*/states/[0-9a-f]{64}/slot1\.m5s$'
    xdotool key --delay 120 a
    wait_picture $A_X $A_Y "$WHITE"
    menu_choose State 40140 # Slot 1
    wait_trace '^state loaded .*/states/[0-9a-f]{64}/slot1\.m5s$'
    wait_picture $A_X $A_Y "$BLUE"

    # The same by key: Shift+F3 saves slot 3, F3 loads it.
    xdotool key F3
    wait_trace '^notice Slot 3 is empty$'
    xdotool key shift+F3
    wait_trace '^state saved .*/states/[0-9a-f]{64}/slot3\.m5s$'
    xdotool key --delay 120 a
    wait_picture $A_X $A_Y "$WHITE"
    xdotool key F3
    wait_trace '^state loaded .*/states/[0-9a-f]{64}/slot3\.m5s$'
    wait_picture $A_X $A_Y "$BLUE"

    # Fast forward while F9 is held, and by the menu; the speed is shown.
    xdotool keydown F9
    wait_trace '^fast forward 1$'
    wait_trace '^speed x[0-9]+\.[0-9]$'
    xdotool keyup F9
    wait_trace '^fast forward 0$'
    menu_choose Control 40190
    wait_value 100 = 2 grep -c '^fast forward 1$' trace.log || fail "the menu did not start fast forward"
    open_popup Control
    [[ $popup_line == *'40190 "Fast forward (hold F9)" key F9 checked'* ]] || fail "fast forward not checked: $popup_line"
    close_popup
    menu_choose Control 40190
    wait_value 100 = 2 grep -c '^fast forward 0$' trace.log || fail "the menu did not end fast forward"

    # Rewind: a few seconds of states in the ring, then S, then Backspace held.
    sleep 4
    xdotool key --delay 120 s
    wait_picture $S_X $S_Y "$WHITE"
    xdotool keydown BackSpace
    sleep 1
    xdotool keyup BackSpace
    wait_trace '^rewound to frame '
    wait_trace '^notice Rewinding$'
    wait_picture $S_X $S_Y "$BLUE"

    menu_choose Control 40008 # Exit
    wait_exit

    # Two cartridges, each with its own slot 1.
    printf 'A' >a.rom
    printf 'B' >b.rom
    mkdir -p "$work/pictures" "$XDG_CONFIG_HOME"
    echo "XDG_PICTURES_DIR=\"$work/pictures\"" >"$XDG_CONFIG_HOME/user-dirs.dirs"
    # A slot as earlier versions kept it (one set for all cartridges) moves
    # to the folder of the cartridge it names (none) on start.
    cp states/*/slot1.m5s state3.m5s
    start_m5emu "$work/b.rom" "$work/a.rom" # a.rom is inserted last
    wait_trace '^slots moved 1$'
    [ ! -e state3.m5s ] && [ -f "$(dirname states/*/slot1.m5s)/slot3.m5s" ] || fail "the old slot 3 was not moved"
    wait_picture $A_X $A_Y "$BLUE"
    wait_for 100 bash -c "xdotool getwindowname $wid | grep -Eq '^SORD m5 - a - [0-9]+ fps'" ||
        fail "the title does not name the cartridge: $(window_title)"
    open_popup State # the slot saved without a cartridge is not a's
    [[ $popup_line == *'40140 "Slot 1 (empty)" key F1 disabled'* ]] || fail "a's slot 1 is not empty: $popup_line"
    close_popup
    xdotool key --delay 120 a
    wait_picture $A_X $A_Y "$WHITE"
    shot
    status_crop "$work/status_before.png"
    xdotool key shift+F1
    wait_trace '^notice Saved to slot 1$'
    wait_for 15 notice_shown || fail "no notice in the status line after Shift+F1"

    menu_choose Cart 40052 # b.rom, second in the recent list
    wait_picture $A_X $A_Y "$BLUE"
    open_popup State
    [[ $popup_line == *'40140 "Slot 1 (empty)" key F1 disabled'* ]] || fail "b sees a's slot 1: $popup_line"
    close_popup
    xdotool key --delay 120 s
    wait_picture $S_X $S_Y "$WHITE"
    xdotool key shift+F1
    wait_value 100 = 2 grep -c '^notice Saved to slot 1$' trace.log || fail "b's slot 1 was not saved"

    menu_choose Cart 40052 # a.rom again
    wait_picture $S_X $S_Y "$BLUE"
    open_popup State
    [[ $popup_line =~ 40140\ \"Slot\ 1\ \ 20[0-9]{2}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}\"\ key\ F1\ \| ]] ||
        fail "a's slot 1 does not show its date: $popup_line"
    close_popup
    xdotool key F1
    wait_trace '^notice Loaded slot 1$'
    wait_picture $A_X $A_Y "$WHITE" # a's own state: A pressed, S not
    close_to "$(picture_pixel $S_X $S_Y)" "$BLUE" || fail "a's slot 1 holds b's picture"
    ls states/*/slot1.m5s | wc -l | grep -qx 3 || fail "not three slot folders: $(ls states)"
    grep -qx a.rom states/*/cartridge.txt || fail "no folder named for a.rom"

    # Screen / Screenshot: the machine's picture, A's cell white.
    menu_choose Screen 40150
    wait_trace '^screenshot '
    png=$(grep -m1 '^screenshot ' trace.log | sed 's/^screenshot //')
    [[ $png == "$work/pictures/a-"*.png ]] || fail "the screenshot is not in the pictures folder: $png"
    [ "$(identify -format '%w %h' "$png")" = "256 192" ] || fail "the screenshot is not 256 x 192"
    convert "$png" -depth 8 "rgb:$work/png.rgb"
    close_to "$(od -An -tu1 -j $(((A_Y * 256 + A_X) * 3)) -N 3 "$work/png.rgb" | xargs)" "$WHITE" ||
        fail "the screenshot does not show the game's picture"
    wait_trace '^notice Screenshot saved to '

    # Screen / Rec 15fps and Stop: an animated GIF in the pictures folder.
    menu_choose Screen 40081
    wait_trace '^gif start '
    sleep 1.5
    menu_choose Screen 40083
    wait_trace '^gif saved '
    read -r gif frames < <(grep -m1 '^gif saved ' trace.log | sed 's/^gif saved //')
    [[ $gif == "$work/pictures/a-"*.gif ]] || fail "the recording is not in the pictures folder: $gif"
    ((frames >= 10)) || fail "only $frames pictures in 1.5 s at 15 a second"
    [ "$(identify -format '%T\n' "$gif" | wc -l)" = "$frames" ] || fail "the GIF does not hold its $frames pictures"
    [ "$(identify -format '%T\n' "$gif" | sort -u | xargs)" = "6 7" ] || fail "the delays are not 6 and 7 hundredths"

    # Pause in fullscreen: "Paused" over the picture (1024 x 768: x4).
    xdotool key F11
    wait_trace '^window fullscreen 1$'
    sleep 2.5 # the screenshot's notice is gone
    root_share() {
        import -window root "$work/root.png" 2>/dev/null &&
            convert "$work/root.png" -crop 400x80+0+688 +repage -colorspace gray -threshold 90% -format '%[fx:mean]' info:
    }
    before=$(root_share)
    xdotool key Pause
    wait_trace '^window paused 1$'
    sleep 2.5 # past any short notice: this one stays
    after=$(root_share)
    more_white "$after" "$before" || fail "no Paused notice in fullscreen ($before, then $after)"
    xdotool key Pause F11
    wait_trace '^window fullscreen 0$'

    menu_choose Control 40008 # Exit
    wait_exit
    exit 0
fi

e2e_check "$0" "$@"
echo "desktop state check passed"
