#!/usr/bin/env bash
# End-to-end check that files the desktop program refuses leave the running
# machine exactly as it was, and of the Machine popup.
#
#   e2e_files.sh M5EMU_BINARY E2E_PEER ROM_DIR
#
# With no IPL.ROM anywhere, m5emu starts on its free boot ROM with one notice.
# A cartridge of ours runs (red) and is paused; quick slot 1 is saved. Then
# files are dropped on the window (an empty cartridge, one with code past the
# 20 KiB window, a FIFO, a directory, a WAV file that is none, a CAS without a
# signal) and states loaded through State / Load... (a cartridge, an empty
# file): each is refused in the status line with the files' rule's words,
# and slot 1 saved again after them all is byte for byte the one saved
# before (RAM, video memory, registers, the cartridge: the whole machine);
# the picture in the window has not changed a pixel. The state dropped on
# the window loads, and State / Save... with a bare name writes NAME.m5s.
# Unpaused, the cartridge still runs. Then Machine / IPL ROM... chooses
# another IPL ROM, which m5emu.conf keeps for the next start, and then the
# free boot ROM. Last, Machine / Model and Memory make it the 50 Hz M5 with
# 4 KiB, which the next start keeps.
# Exits 77 (skipped) when the X tools are missing.
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

# Starts the helper that offers FILE to drag and drags it onto the picture
# (below the message strip); a drag the window did not see is tried again.
drop() {
    local file=$1 x try
    "$e2e_peer" drag "$file" >"$work/peer.log" 2>&1 &
    peer=$!
    wait_for 100 grep -q ready "$work/peer.log" || fail "the drag helper did not start"
    for try in 1 2 3; do
        xdotool mousemove 880 660 sleep 0.3 mousedown 1
        for x in 860 800 700 600 500 400 300 256; do
            xdotool mousemove "$x" $((200 + x / 4))
            sleep 0.05
        done
        xdotool sleep 0.3 mousemove 250 300 sleep 0.3 mouseup 1
        wait_for 50 grep -q "^drop $file\$" "$work/trace.log" && break
    done
    wait_trace "^drop $file\$"
    kill "$peer" 2>/dev/null || true
    wait "$peer" 2>/dev/null || true
    xdotool mousemove --window "$wid" 256 200
}

quit() {
    menu_choose Control 40008 # Exit
    wait_exit
}

save_slot1() {
    local before
    before=$(grep -c '^state saved ' "$work/trace.log" || true)
    xdotool key shift+F1
    wait_value 100 -gt "$before" grep -c '^state saved ' "$work/trace.log" || fail "Shift+F1 saved no state"
    slot=$(grep '^state saved ' "$work/trace.log" | tail -1 | sed 's/^state saved //')
}

# --- Inside the virtual X server ---------------------------------------------
if [ "${1:-}" = "--inside" ]; then
    e2e_inside "$2"
    e2e_peer=$3 roms=$4
    cp "$roms/desktop_cart.rom" cart.rom
    cp "$roms/desktop_keys.rom" keys.rom
    : >empty.rom
    head -c 20480 /dev/zero >long.rom
    printf 'code' >>long.rom
    mkfifo fifo.rom
    mkdir folder.rom
    printf 'RIFF\x08\0\0\0WAVEjunk' >junk.wav
    head -c 100 /dev/zero | tr '\0' '\200' >silent.cas
    : >empty.m5s

    start_m5emu cart.rom
    wait_trace '^notice No IPL.ROM found: running the free boot ROM$'
    wait_picture 10 10 "$RED"
    xdotool key Pause
    wait_trace '^window paused 1$'
    save_slot1
    cp "$slot" before.m5s
    shot
    picture_crop "$work/picture_before.png"

    # Each file: how it is offered (dropped on the window, or State /
    # Load...), what it is taken for and the words that refuse it.
    while IFS='|' read -r -u 3 how file kind words; do
        if [ "$how" = drop ]; then
            drop "$work/$file"
        else
            menu_choose State 40131 # Load...
            dialog_open "Load State" "$file"
        fi
        wait_trace "^message The $kind .${file//./\\.}. ${words//./\\.}\$"
    done 3<<'END'
drop|empty.rom|cartridge|is empty.
drop|long.rom|cartridge|holds more than the M5's 20 KiB cartridge window.
drop|fifo.rom|cartridge|is not a file.
drop|folder.rom|cartridge|is not a file.
drop|junk.wav|tape|is not a WAV file the tape deck can play.
drop|silent.cas|tape|holds no tape signal.
load|cart.rom|save state|is not a save state.
load|empty.m5s|save state|is empty.
END

    save_slot1
    cmp -s before.m5s "$slot" || fail "a refused file changed the machine"
    # Problems and notices are told below the picture, never over it.
    shot
    picture_crop "$work/picture_after.png"
    same_image "$work/picture_before.png" "$work/picture_after.png" || fail "a message changed the game's picture"
    # A dropped state loads; Save... with a bare name adds the extension.
    drop "$work/before.m5s"
    wait_trace '^notice Loaded .before\.m5s.$'
    menu_choose State 40130 # Save...
    dialog_save "Save State" mystate
    wait_trace "^state saved $work/mystate\.m5s\$"
    cmp -s before.m5s mystate.m5s || fail "the state saved by name is not the one loaded"
    open_popup Cart
    [[ $popup_line == *'- | 40051 "cart.rom"' ]] ||
        fail "a refused cartridge joined the recent list: $popup_line"
    close_popup
    [ "$(window_title)" = "SORD m5 - cart - Paused" ] || fail "the title lost the cartridge: $(window_title)"
    xdotool key Pause
    wait_trace '^window paused 0$'
    wait_picture 10 10 "$RED"

    # Machine / IPL ROM...: another IPL ROM, kept for the next start.
    menu_choose Machine 40160
    dialog_open "IPL ROM" keys.rom
    wait_trace '^notice IPL ROM .keys\.rom.$'
    menu_choose Cart 40050 # Close: the IPL runs alone
    wait_picture 64 32 "$RED"
    quit
    grep -qx "ipl=$work/keys.rom" m5emu.conf || fail "m5emu.conf does not keep the IPL ROM: $(cat m5emu.conf)"
    start_m5emu
    wait_picture 64 32 "$RED"
    sleep 1
    grep -q 'No IPL.ROM' trace.log && fail "the chosen IPL ROM was not used"
    # ... and the free boot ROM, by the dialog's own button.
    menu_choose Machine 40160
    wait_dialog "IPL ROM"
    xdotool key alt+f
    wait_trace '^notice Running the free boot ROM$'
    not_red() { shot && ! close_to "$(picture_pixel 64 32)" "$RED"; }
    wait_for 150 not_red || fail "the free boot ROM does not run"
    quit
    grep -qx 'ipl=free' m5emu.conf || fail "m5emu.conf does not keep the free boot ROM: $(cat m5emu.conf)"

    # Machine / Model 50 Hz and Memory 4 KiB: the machine starts again as
    # that M5, marked in the popup and kept for the next start.
    start_m5emu
    menu_choose Machine 40162
    wait_trace '^notice The 50 Hz M5 with 32 KiB$'
    menu_choose Machine 40163
    wait_trace '^notice The 50 Hz M5 with 4 KiB$'
    quit
    grep -qx 'model=pal' m5emu.conf && grep -qx 'memory=4k' m5emu.conf ||
        fail "m5emu.conf does not keep the model and memory: $(cat m5emu.conf)"
    start_m5emu
    open_popup Machine
    [[ $popup_line == *'40162 "Model 50 Hz" checked'* && $popup_line == *'40163 "Memory 4 KiB" checked'* ]] ||
        fail "the machine chosen is not the one that starts: $popup_line"
    close_popup
    quit
    exit 0
fi

[ $# -eq 3 ] || {
    echo "usage: $0 M5EMU_BINARY E2E_PEER ROM_DIR" >&2
    exit 2
}
e2e_need_tools
e2e_prepare "$1" -
e2e_xvfb "$0" "$(realpath "$2")" "$(realpath "$3")"
echo "desktop files check passed"
