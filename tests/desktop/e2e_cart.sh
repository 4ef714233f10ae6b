#!/usr/bin/env bash
# End-to-end check that a cartridge inserted through the desktop program's
# Cart menu starts on the free boot ROM.
#
#   e2e_cart.sh M5EMU_BINARY BOOT_ROM CARTRIDGE
#
# Copies m5emu into a temporary program directory with BOOT_ROM as its
# IPL.ROM and CARTRIDGE (a published cartridge: the CVBasic controller test)
# beside it, starts it under Xvfb, waits for the boot ROM's demo, chooses
# Cart / Open, names the cartridge in the file dialog, and waits for the
# cartridge's picture: its two pads on a dark blue screen. Then Cart / Close
# (the demo again) and the recent list's entry (the cartridge again); last,
# m5emu --cart starts it at once.
# Exits 77 (skipped) when the X tools or the cartridge are missing (the
# cartridge is required when M5_REQUIRE_TEST_DATA is set, as in CI).
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

# --- Inside the virtual X server ---------------------------------------------
if [ "${1:-}" = "--inside" ]; then
    e2e_inside "$2"
    start_m5emu

    # The demo: black where the cartridge's screen is blue.
    wait_picture 10 10 "$BLACK"
    wait_picture 128 100 "$BLACK"

    menu_choose Cart 40049 # Open
    # The dialog starts in the working directory: the name alone will do.
    dialog_open "Game Cartridge" controller.rom
    wait_trace '^command 40049$'

    # The controller test: the dark blue screen with its pads in black.
    wait_picture 10 10 "$BLUE"
    wait_picture 128 100 "$BLUE"
    close_to "$(picture_pixel 70 100)" "$BLACK" || fail "left pad is $(picture_pixel 70 100)"
    close_to "$(picture_pixel 185 100)" "$BLACK" || fail "right pad is $(picture_pixel 185 100)"

    # Cart / Close brings the demo back; the recent list starts the cartridge
    # again.
    menu_choose Cart 40050 # Close
    wait_picture 10 10 "$BLACK"
    menu_choose Cart 40051 # the first recent cartridge
    wait_picture 10 10 "$BLUE"

    wait_for 100 bash -c "xdotool getwindowname $wid | grep -q '^SORD m5 - controller - '" ||
        fail "the title does not name the cartridge: $(window_title)"

    menu_choose Control 40008 # Exit
    wait_exit
    grep -qx "cartridge=$work" m5emu.conf || fail "m5emu.conf does not keep the cartridge folder"

    # Started from another directory, the chooser opens in the folder of
    # the last cartridge chosen: the name alone will do again.
    mkdir -p elsewhere
    (
        cd elsewhere
        M5EMU="$work/m5emu" start_m5emu
        menu_choose Cart 40049 # Open
        dialog_open "Game Cartridge" controller.rom
        wait_picture 10 10 "$BLUE"
        menu_choose Control 40008 # Exit
        wait_exit
    )

    # Named on the command line, the cartridge starts at once.
    start_m5emu --cart controller.rom
    wait_picture 10 10 "$BLUE"
    menu_choose Control 40008 # Exit
    wait_exit
    exit 0
fi

[ $# -eq 3 ] || {
    echo "usage: $0 M5EMU_BINARY BOOT_ROM CARTRIDGE" >&2
    exit 2
}
e2e_need_tools
if [ ! -f "$3" ]; then
    # Third-party test data (see README, Test data): required in CI.
    if [ -n "${M5_REQUIRE_TEST_DATA:-}" ] && [ "${M5_REQUIRE_TEST_DATA}" != "0" ]; then
        fail "missing required third-party test data: $3"
    fi
    echo "skipped: third-party test data not found: $3"
    exit 77
fi
e2e_prepare "$1" "$2"
cp "$3" "$work/controller.rom"
e2e_xvfb "$0"
echo "desktop cartridge check passed"
