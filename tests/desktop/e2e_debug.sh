#!/usr/bin/env bash
# End-to-end check of the desktop program's Debug popup.
#
#   e2e_debug.sh M5EMU_BINARY STATE_SPRITES_ROM
#
# Runs our moving-sprites program (roms/test/state_sprites.asm) under Xvfb:
# the video memory viewer shows its eight sprites, the fifth-sprite and
# collision flags; Break opens the monitor and stops the machine, Step moves
# PC on, Continue lets it run again. Wait for debugger (on the free port
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
    menu_choose Debug 40174 # Step
    wait_trace '^debug stopped step PC=[0-9A-F]{4}$'
    second=$(grep -m1 '^debug stopped step' "$work/trace.log" | sed 's/.*PC=//')
    [ "$first" != "$second" ] || fail "PC stayed at $first after a step"
    # While stopped, the machine's own commands wait.
    menu_choose Control 40001 # Reset
    wait_trace '^message The machine is stopped in the debugger'

    menu_choose Debug 40173 # Continue
    wait_trace '^debug running$'

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
