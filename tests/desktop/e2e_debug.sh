#!/usr/bin/env bash
# End-to-end check of the desktop program's Debug popup.
#
#   e2e_debug.sh M5EMU_BINARY STATE_SPRITES_ROM
#
# Runs our moving-sprites program (roms/test/state_sprites.asm) under Xvfb:
# the video memory viewer shows its eight sprites, the fifth-sprite and
# collision flags; Break opens the monitor and stops the machine (the title
# says "Stopped"), Step moves PC on, Reset by menu and F12 are refused with a
# notice, a symbol file's label shows in the code view, Continue lets it run
# again and the monitor has kept its size. Wait for debugger (on the free port
# m5emu.conf asks for) takes a GDB client, which finds the machine stopped;
# the message strip says when it connects and leaves. Exit still ends the
# program.
# Exits 77 (skipped) when the X tools are missing.
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

if [ "${1:-}" = "--inside" ]; then
    e2e_inside "$2"
    start_m5emu
    sleep 1

    menu_choose Debug 40171 # Video memory...
    wait_trace '^vram mode graphics I sprites 8 fifth 4 collision 1$'
    wait_trace '^vram sprite 7 x [0-9-]+ y [0-9-]+ pattern [0-9]+ colour [0-9]+ early$'

    menu_choose Debug 40172 # Break
    wait_trace '^debug stopped break PC=[0-9A-F]{4}$'
    first=$(grep -m1 '^debug stopped break' "$work/trace.log" | sed 's/.*PC=//')
    # The title says so in the frame rate's place.
    wait_for 50 bash -c "xdotool getwindowname $wid | grep -qx 'SORD m5 - Stopped'" ||
        fail "the title is '$(window_title)' while stopped"
    monitor_size() { xdotool search --onlyvisible --name '^Debugger$' getwindowgeometry 2>/dev/null | grep Geometry; }
    stopped_size=$(monitor_size)
    menu_choose Debug 40174 # Step
    wait_trace '^debug stopped step PC=[0-9A-F]{4}$'
    second=$(grep -m1 '^debug stopped step' "$work/trace.log" | sed 's/.*PC=//')
    [ "$first" != "$second" ] || fail "PC stayed at $first after a step"
    # While stopped, commands that would change the machine are refused with
    # a notice, by menu and by key, and nothing happens on Continue.
    menu_choose Control 40001 # Reset
    wait_trace '^notice Stopped in the debugger: Continue first$'
    # The monitor took the keyboard when it opened.
    xdotool windowfocus "$wid"
    sleep 0.3
    xdotool key F12
    wait_for 50 bash -c "[ \$(grep -c '^notice Stopped in the debugger' '$work/trace.log') -ge 2 ]" ||
        fail "F12 while stopped was not refused"

    # A symbol file's label shows in the code view.
    printf 'stepped_to equ %sh\n' "$second" >"$work/labels.sym"
    menu_choose Debug 40178 # Load symbols...
    dialog_open "Symbol File" labels.sym
    wait_trace '^debug symbols 1$'
    wait_trace "^debug code .*stepped_to: \| >.$second  "

    menu_choose Debug 40173 # Continue
    wait_trace '^debug running$'
    wait_for 50 bash -c "! xdotool getwindowname $wid | grep -q 'Stopped'" ||
        fail "the title still says Stopped: $(window_title)"
    ! grep -q '^notice Reset$' "$work/trace.log" || fail "a refused reset was carried out"
    # The monitor kept its size through the stops and the status it showed.
    [ "$(monitor_size)" = "$stopped_size" ] || fail "the monitor went from '$stopped_size' to '$(monitor_size)'"

    menu_choose Debug 40177 # Wait for debugger...
    wait_trace '^message Waiting for a debugger on 127\.0\.0\.1:[0-9]+\.$'
    port=$(grep -m1 '^message Waiting for a debugger' "$work/trace.log" | sed 's/.*:\([0-9]*\)\.$/\1/')
    exec 3<>"/dev/tcp/127.0.0.1/$port"
    wait_trace '^message A debugger connected\.$'
    wait_trace '^debug stopped break PC=[0-9A-F]{4}$'
    printf '$?#3f' >&3
    reply=
    IFS= read -r -t 10 -d '#' reply <&3 || true
    [[ $reply == '+$T050b:'* ]] || fail "the client was answered '$reply'"
    exec 3>&-
    wait_trace '^message The debugger left; the machine runs on\.$'
    wait_trace '^debug running$'
    menu_choose Control 40008 # Exit
    wait_exit
    echo "stopped at $first, stepped to $second"
    exit 0
fi

[ $# -eq 2 ] || {
    echo "usage: $0 M5EMU_BINARY STATE_SPRITES_ROM" >&2
    exit 2
}
e2e_need_tools
e2e_prepare "$1" "$2"
# Any free port for the GDB client.
printf '[Debugger]\nport=0\n' >"$work/m5emu.conf"
e2e_xvfb "$0"
echo "desktop debug check passed"
