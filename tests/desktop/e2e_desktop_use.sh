#!/usr/bin/env bash
# End-to-end check of what a desktop user does beyond the keyboard.
#
#   e2e_desktop_use.sh M5EMU_BINARY E2E_PEER ROM_DIR BUILD_DIR
#
# ROM_DIR holds the assembled ROMs (boot.rom, desktop_cart.rom,
# desktop_keys.rom); E2E_PEER is the helper that owns selections and drags
# files; BUILD_DIR is installed into a temporary prefix. Checks, each on a
# fresh m5emu:
#   - the command line: a bad option or unreadable file exits 2 with one line
#     and no window; --help and --version print and exit 0;
#   - m5emu FILE.rom shows the cartridge's picture and lists it as recent;
#     Window x1 and x3 size the window; fullscreen covers the screen with the
#     picture on the backdrop colour, Escape leaves it, F11 toggles it;
#     Pause stops the frame counter in the title and Pause again starts it;
#     SIGINT ends the program with its settings saved;
#   - with no IPL.ROM the free boot ROM runs, with a notice saying so and
#     its demo telling where Machine / IPL ROM... is; an empty cartridge and
#     no sound device are told in the message strip, and the empty file
#     stays out of the recent list;
#   - --ipl runs another IPL image; a file dragged onto the window is
#     inserted; Tape / Rec onto an existing file asks before replacing it;
#   - Paste types the clipboard text, is enabled only while there is text,
#     and Stop while it runs; the middle button pastes the primary selection;
#   - with a program directory that cannot be written, the settings, the
#     desktop's choices and sound.wav go to the XDG directories;
#   - cmake --install into a temporary prefix gives a program that starts
#     on its free boot ROM, with its desktop entry and icon.
# Exits 77 (skipped) when the X tools are missing.
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

# A fresh program directory $work for one scenario (m5emu, plus IPL.ROM when
# an image is named).
scenario() {
    work=$base/$1
    mkdir -p "$work"
    cp "$m5emu" "$work/m5emu"
    if [ -n "${2:-}" ]; then cp "$2" "$work/IPL.ROM"; fi
    cd "$work"
}

# Starts the helper in the background ($peer) and waits until it is ready.
start_peer() {
    "$e2e_peer" "$@" >"$work/peer.log" 2>&1 &
    peer=$!
    wait_for 100 grep -q ready "$work/peer.log" || fail "the helper did not start: $*"
}
stop_peer() {
    kill "$peer" 2>/dev/null || true
    wait "$peer" 2>/dev/null || true
}

exit_m5emu() {
    menu_choose Control 40008
    wait_exit
}

window_width() { xdotool getwindowgeometry "$wid" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p'; }
window_height() { xdotool getwindowgeometry "$wid" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p'; }

# Cell of keyboard port 0x30 + row, bit b in the desktop_keys picture.
cell() { picture_pixel $((32 * $2 + 12)) $(((12 + $1) * 8 + 4)); }

# --- Inside the virtual X server ---------------------------------------------
if [ "${1:-}" = "--inside" ]; then
    base=$2 m5emu=$3 e2e_peer=$4 roms=$5 prefix=$6
    cp "$roms/desktop_cart.rom" "$base/cart.rom"
    : >"$base/empty.rom"

    # The command line, the window sizes, fullscreen and pause.
    scenario cmdline "$roms/boot.rom"
    start_m5emu "$base/cart.rom"
    wait_picture 10 10 "$RED"
    wait_picture 128 100 "$RED"
    open_popup Cart
    [[ $popup_line == *'40051 "cart.rom"'* ]] || fail "the cartridge is not the first recent one: $popup_line"
    close_popup
    # The picture's height tells the scale (the menu bar keeps a window at
    # x1 wider than the picture).
    height2=$(window_height)
    menu_choose Screen 40084 # Window x1
    wait_value 100 = $((height2 - 192)) window_height || fail "Window x1 gives a window $(window_height) high"
    menu_choose Screen 40120 # Window x3
    wait_value 100 = $((height2 + 192)) window_height || fail "Window x3 gives a window $(window_height) high"
    wait_value 100 = 768 window_width || fail "Window x3 gives a window $(window_width) wide"
    menu_choose Screen 40086 # Fullscreen
    wait_trace '^window fullscreen 1$'
    wait_value 100 = 1280 window_width || fail "fullscreen window is $(window_width) wide"
    sleep 0.5
    # 1280 x 800: the picture at four times its size, centred, on the
    # backdrop's dark green.
    screen_is() {
        import -window root "$work/root.png" 2>/dev/null && convert "$work/root.png" -depth 8 "rgb:$work/root.rgb" &&
            close_to "$(od -An -tu1 -j $(((400 * 1280 + 640) * 3)) -N 3 "$work/root.rgb" | xargs)" "$RED" &&
            close_to "$(od -An -tu1 -j $(((400 * 1280 + 64) * 3)) -N 3 "$work/root.rgb" | xargs)" "$GREEN" &&
            close_to "$(od -An -tu1 -j $(((400 * 1280 + 130) * 3)) -N 3 "$work/root.rgb" | xargs)" "$RED" &&
            close_to "$(od -An -tu1 -j $(((400 * 1280 + 126) * 3)) -N 3 "$work/root.rgb" | xargs)" "$GREEN"
    }
    wait_for 100 screen_is || fail "fullscreen is not the picture x4 centred on the backdrop"
    # Escape leaves fullscreen; F11 enters it and leaves it again.
    xdotool mousemove 640 400 key Escape
    wait_trace '^window fullscreen 0$'
    xdotool mousemove --window "$wid" 256 200 sleep 0.3 key F11
    wait_value 100 = 2 grep -c '^window fullscreen 1$' trace.log || fail "F11 did not enter fullscreen"
    xdotool mousemove 640 400 key F11
    wait_value 100 = 2 grep -c '^window fullscreen 0$' trace.log || fail "F11 did not leave fullscreen"
    wait_value 100 = 768 window_width || fail "leaving fullscreen gives a window $(window_width) wide"
    menu_choose Screen 40085 # Window x2
    wait_value 100 = 512 window_width || fail "Window x2 gives a window $(window_width) wide"
    # A window resized by hand: the Screen popup marks the scale shown.
    xdotool windowsize "$wid" 1024 $((height2 + 384))
    wait_trace '^window resized scale 4$'
    open_popup Screen
    [[ $popup_line == *'40121 "Window x4" checked'* ]] || fail "the resized window is not marked x4: $popup_line"
    close_popup
    menu_choose Screen 40085 # Window x2
    wait_value 100 = 512 window_width || fail "Window x2 gives a window $(window_width) wide"
    # Help / Keyboard shows its columns whole; Help / About names the version.
    menu_choose Help 40124
    wait_trace '^window help$'
    wait_for 100 bash -c "xdotool search --onlyvisible --name '^M5 Keyboard$' >/dev/null" || fail "no keyboard help"
    help=$(xdotool search --onlyvisible --name '^M5 Keyboard$' | head -1)
    help_width=$(xdotool getwindowgeometry "$help" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
    ((help_width > 600)) || fail "the keyboard help is $help_width pixels wide"
    xdotool windowclose "$help" 2>/dev/null || xdotool key --window "$help" Escape
    menu_choose Help 40156
    wait_trace '^window about [0-9]'
    wait_for 100 bash -c "xdotool search --onlyvisible --name 'About m5emu' >/dev/null" || fail "no About window"
    xdotool windowclose "$(xdotool search --onlyvisible --name 'About m5emu' | head -1)" 2>/dev/null || true
    xdotool mousemove --window "$wid" 256 200
    wait_for 100 bash -c "xdotool getwindowname $wid | grep -q fps" || fail "no frame counter in the title"
    xdotool mousemove --window "$wid" 256 200 key Pause
    wait_value 100 = "SORD m5 - cart - Paused" window_title || fail "the title does not say paused: $(window_title)"
    sleep 2.2
    [ "$(window_title)" = "SORD m5 - cart - Paused" ] || fail "frames were counted while paused: $(window_title)"
    xdotool key Pause
    wait_for 100 bash -c "xdotool getwindowname $wid | grep -Eq '^SORD m5 - cart - [0-9]+ fps'" ||
        fail "the frame counter did not come back: $(window_title)"
    # Ctrl-C in the terminal ends the program as Exit does, settings saved.
    kill -INT "$pid"
    wait_exit
    test -s m5ce.cfg || fail "no m5ce.cfg after SIGINT"

    # No IPL.ROM: the free boot ROM, with a notice. An empty cartridge and
    # no sound device: the status line below the picture, in a problem's colour.
    scenario messages
    SDL_AUDIODRIVER=none-such start_m5emu "$base/empty.rom"
    wait_trace '^message No sound device could be opened'
    wait_trace '^notice No IPL.ROM found: running the free boot ROM$'
    wait_trace '^message The cartridge .empty.rom. is empty\.$'
    [ "$(grep -c 'No IPL.ROM' trace.log)" = 1 ] || fail "the free boot ROM is announced more than once"
    shot
    close_to "$(pixel $((width - 2)) $((top + 384 + status / 2)))" "246 211 101" ||
        fail "no problem in the status line: $(pixel $((width - 2)) $((top + 384 + status / 2)))"
    # The demo runs and tells where the original IPL ROM is chosen.
    wait_for 100 bash -c "xdotool getwindowname $wid | grep -Eq '^SORD m5 - [0-9]+ fps'" ||
        fail "the free boot ROM does not run: $(window_title)"
    open_popup Cart
    [[ $popup_line == *'40051 "None" disabled' ]] || fail "the empty cartridge joined the recent list: $popup_line"
    close_popup
    exit_m5emu

    # --ipl, a dropped file, and Tape / Rec onto an existing file.
    scenario drop
    cp "$roms/boot.rom" "$work/free.bin"
    echo "old tape" >"$work/old.wav"
    start_m5emu --ipl free.bin
    wait_picture 10 10 "$BLACK"
    grep -q 'No IPL.ROM' trace.log && fail "--ipl still reports no IPL.ROM"
    start_peer drag "$base/cart.rom"
    xdotool mousemove 880 660 sleep 0.2 mousedown 1
    for x in 860 800 700 600 500 400 300 256; do
        xdotool mousemove "$x" $((x / 2))
        sleep 0.05
    done
    xdotool sleep 0.3 mousemove 250 200 sleep 0.3 mouseup 1
    wait_trace "^drop $base/cart.rom\$"
    stop_peer
    wait_picture 10 10 "$RED"

    menu_choose Tape 40060 # Rec
    # The name field has the keyboard (which follows the pointer).
    wait_dialog "Data Recorder Tape" 300 300
    xdotool type --delay 60 "old.wav"
    xdotool sleep 0.5 key Return
    # The question is one more window of m5emu's, shown over the dialog.
    windows() {
        local w
        for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
            xdotool getwindowgeometry "$w" 2>/dev/null | grep -q 'Geometry: 1x1' || echo "$w"
        done
    }
    window_count() { windows | wc -l; }
    asked() { [ "$(window_count)" -ge 3 ]; }
    wait_for 100 asked || fail "Tape / Rec replaced old.wav without asking"
    [ "$(cat old.wav)" = "old tape" ] || fail "old.wav changed before the answer"
    # Cancel the question, then the dialog.
    question=$(windows | grep -v -x -e "$wid" -e "$dialog" | head -1)
    xdotool mousemove --window "$question" 5 5 sleep 0.3 key Escape sleep 0.5
    xdotool mousemove --window "$dialog" 300 300 sleep 0.3 key Escape
    wait_value 100 -le 1 window_count || fail "the dialogs did not close"
    [ "$(cat old.wav)" = "old tape" ] || fail "old.wav changed after Cancel"
    exit_m5emu

    # Paste and the primary selection, on the keyboard test program.
    scenario paste "$roms/desktop_keys.rom"
    start_m5emu
    wait_picture 64 32 "$RED"
    open_popup Control
    [[ $popup_line == *'40118 "Paste" disabled'* ]] || fail "Paste enabled with an empty clipboard: $popup_line"
    close_popup
    # Long enough to be typing still when Stop is chosen on a busy machine.
    start_peer clipboard "$(printf 'q%.0s' $(seq 400))"
    sleep 0.5
    menu_choose Control 40118 # Paste
    cell_seen() { shot && close_to "$(cell "$1" "$2")" "$WHITE"; }
    wait_for 100 cell_seen 2 0 || fail "the pasted q did not reach the machine"
    open_popup Control
    [[ $popup_line == *'40118 "Paste" | 40119 "Stop" |'* ]] || fail "Paste and Stop not both enabled: $popup_line"
    close_popup
    menu_choose Control 40119 # Stop
    stop_peer
    cell_seen 2 1 && fail "W seen before the selection was pasted"
    start_peer primary "w"
    # (A click that arrives as the menu lets go of the pointer may be lost:
    # up to three.)
    for _click in 1 2 3; do
        xdotool mousemove --window "$wid" 256 200 sleep 0.3 click 2
        wait_for 30 grep -q '^paste selection$' trace.log && break
    done
    wait_trace '^paste selection$'
    wait_for 100 cell_seen 2 1 || fail "the primary selection's w did not reach the machine"
    stop_peer
    exit_m5emu

    # A program directory that cannot be written: XDG directories.
    # The program lives in prog/, apart from the check's own files.
    scenario readonly
    prog=$work/prog
    mkdir -p "$prog"
    cp "$m5emu" "$roms/boot.rom" "$prog/"
    mv "$prog/boot.rom" "$prog/IPL.ROM"
    xdg=$base/xdg
    mkdir -p "$xdg"
    chmod 777 "$xdg"
    chmod 755 "$base" "$work"
    chmod 555 "$prog"
    launch=(env HOME="$xdg" XDG_CONFIG_HOME="$xdg/config" XDG_DATA_HOME="$xdg/data")
    # root may write anywhere: the program runs as nobody then.
    if [ "$(id -u)" = 0 ]; then launch=(setpriv --reuid=65534 --regid=65534 --clear-groups "${launch[@]}"); fi
    E2E_LAUNCH="${launch[*]}" M5EMU="$prog/m5emu" start_m5emu
    wait_picture 10 10 "$BLACK"
    menu_choose Sound 40093 # Rec
    wait_trace "^notice Recording sound to $xdg/data/m5emu/sound.wav\$"
    sleep 1
    menu_choose Sound 40094 # Stop
    wait_trace '^notice Recording stopped$'
    wait_for 100 test -s "$xdg/data/m5emu/sound.wav" || fail "no sound.wav in the XDG data directory"
    exit_m5emu
    [ "$(stat -c %s "$xdg/config/m5emu/m5ce.cfg")" = 8340 ] || fail "no m5ce.cfg in the XDG config directory"
    grep -q '^scale=2$' "$xdg/config/m5emu/m5emu.conf" || fail "no m5emu.conf in the XDG config directory"
    written=$(ls "$prog" | grep -v -x -e m5emu -e IPL.ROM || true)
    [ -z "$written" ] || fail "files were written into the read-only program directory: $written"
    chmod 755 "$prog"

    # The installed program runs its free boot ROM.
    work=$base/installed
    mkdir -p "$work"
    cd "$work"
    mkdir -p "$work/home"
    E2E_LAUNCH="env HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data" \
        M5EMU="$prefix/bin/m5emu" start_m5emu
    wait_picture 10 10 "$BLACK"
    sleep 1
    wait_trace '^notice No IPL.ROM found: running the free boot ROM$'
    exit_m5emu
    exit 0
fi

# --- Outside: the command line, then the rest under Xvfb -----------------------
m5emu=$(realpath "${1:?usage: e2e_desktop_use.sh M5EMU E2E_PEER ROM_DIR BUILD_DIR}")
e2e_peer=$(realpath "${2:?}")
roms=$(realpath "${3:?}")
build=$(realpath "${4:?}")
e2e_need_tools
for rom in boot desktop_cart desktop_keys; do
    [ -f "$roms/$rom.rom" ] || fail "no $roms/$rom.rom"
done

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"

# A bad command line: exit status 2, one line on standard error, no window
# (there is no display to open one on).
for args in "--frobnicate" "$work/missing.rom" "--speed 3" "$work/notes.txt"; do
    status=0
    # shellcheck disable=SC2086
    env -u DISPLAY -u WAYLAND_DISPLAY "$m5emu" $args >"$work/out" 2>"$work/err" || status=$?
    [ "$status" = 2 ] || fail "m5emu $args exited $status, not 2"
    [ "$(wc -l <"$work/err")" = 1 ] || fail "m5emu $args wrote $(wc -l <"$work/err") lines: $(cat "$work/err")"
    [ ! -s "$work/out" ] || fail "m5emu $args wrote to standard output"
done
env -u DISPLAY "$m5emu" --help | grep -q '^usage: m5emu \[options\] \[FILE...\]' || fail "--help"
env -u DISPLAY "$m5emu" --version | grep -Eq '^m5emu [0-9]' || fail "--version"

# The install.
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
for file in bin/m5emu share/applications/m5emu.desktop share/icons/hicolor/scalable/apps/m5emu.svg; do
    [ -f "$prefix/$file" ] || fail "the install has no $file"
done

mkdir -p "$work/run"
chmod 755 "$work/run"
xvfb-run -a -s "-screen 0 1280x800x24 -ac" bash "$0" --inside "$work/run" "$m5emu" "$e2e_peer" "$roms" "$prefix" ||
    exit 1
echo "desktop use end-to-end check passed"
