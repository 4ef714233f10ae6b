# Shared shell functions for the desktop program's end-to-end checks under a
# virtual X server. Source it; a check script then reads:
#
#   source "$(dirname "$0")/e2e_lib.sh"
#   if [ "${1:-}" = "--inside" ]; then     # runs inside Xvfb
#       e2e_inside "$2"                    # cd to the work directory
#       start_m5emu [ARGS...]              # sets $pid and $wid
#       wait_picture 64 32 "$RED"          # picture pixel 64,32 turns red
#       menu_choose Control 40005          # CPU x4 through the real menu
#       menu_choose Control 40008          # Exit
#       wait_exit
#       exit 0
#   fi
#   e2e_need_tools                         # exits 77 (skipped) without X tools
#   e2e_prepare M5EMU_BINARY IPL_ROM       # sets $work: m5emu + IPL.ROM
#   e2e_xvfb "$0"                          # runs this script with --inside
#
# or, for a script taking just M5EMU_BINARY IPL_ROM, those three as
#   e2e_check "$0" "$@"
#
# m5emu runs with the menu trace on: it prints "menubar <titles>" once, then
# "popup <title>: <items>" whenever a popup opens and "command <id>" for each
# command, into $work/trace.log; its standard error goes to $work/stderr.log.
# Sound goes to SDL's dummy driver. Picture helpers assume the picture shown
# at twice its size at the bottom of a 512 pixel wide window (the default).

# Fails the check with the trace and the end of m5emu's standard error.
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
    for ((_try = 0; _try < tenths; _try++)); do
        if "$@"; then return 0; fi
        sleep 0.1
    done
    return 1
}

# Retries for up to $1 tenths of a second until the output of a command
# compares with a value as asked: wait_value TENTHS OP VALUE COMMAND...
# (OP as test takes it: = != -gt -le ...). The command runs anew each time.
wait_value() {
    local tenths=$1 op=$2 want=$3
    shift 3
    for ((_try = 0; _try < tenths; _try++)); do
        if [ "$("$@")" "$op" "$want" ]; then return 0; fi
        sleep 0.1
    done
    return 1
}

# --- Outside the virtual X server --------------------------------------------

# Exits 77 (skipped) when a tool the checks use is missing.
e2e_need_tools() {
    local tool
    for tool in xvfb-run xdotool import convert identify compare od "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "skipped: $tool is not installed"
            exit 77
        fi
    done
}

# A temporary program directory $work holding m5emu and IPL_ROM as IPL.ROM
# (no IPL.ROM when IPL_ROM is "-"); removed when the script ends.
e2e_prepare() {
    local binary=$1 rom=$2
    [ -x "$binary" ] || fail "no program $binary"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cp "$binary" "$work/m5emu"
    if [ "$rom" != "-" ]; then
        [ -f "$rom" ] || fail "no test ROM $rom"
        cp "$rom" "$work/IPL.ROM"
    fi
}

# Runs SCRIPT --inside $work [ARGS...] under a fresh virtual X server.
e2e_xvfb() {
    local script=$1
    shift
    xvfb-run -a -s "-screen 0 1024x768x24" bash "$script" --inside "$work" "$@"
}

# The whole outside part of a check run as SCRIPT M5EMU_BINARY IPL_ROM:
# e2e_check "$0" "$@" exits 2 on other arguments and 77 without the X tools,
# else runs SCRIPT with --inside under Xvfb; $work holds what it left.
e2e_check() {
    local script=$1
    shift
    [ $# -eq 2 ] || {
        echo "usage: $script M5EMU_BINARY IPL_ROM" >&2
        exit 2
    }
    e2e_need_tools
    e2e_prepare "$1" "$2"
    e2e_xvfb "$script"
}

# --- Inside the virtual X server ---------------------------------------------

e2e_inside() {
    work=$1
    cd "$work" || exit 1
}

# Starts m5emu from $work with ARGS and waits for its window ($wid). The
# program is $M5EMU (default ./m5emu), started through the command words in
# $E2E_LAUNCH if set (another user, say).
start_m5emu() {
    : >"$work/trace.log"
    ${E2E_LAUNCH:-} env M5EMU_TRACE_MENUS=1 SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" GSETTINGS_BACKEND=memory \
        "${M5EMU:-./m5emu}" "$@" >"$work/trace.log" 2>"$work/stderr.log" &
    pid=$!
    wait_for 100 find_window || fail "no window titled SORD m5"
    wait_for 100 grep -q '^menubar ' "$work/trace.log" || fail "no menu bar in the trace"
    # No window manager: the keyboard follows the pointer.
    xdotool mousemove --window "$wid" 256 200
    sleep 0.3
}

find_window() {
    wid=$(xdotool search --onlyvisible --name '^SORD m5' 2>/dev/null | head -1)
    [ -n "$wid" ]
}

# The window's title.
window_title() { xdotool getwindowname "$wid"; }

# Waits for m5emu to end by itself; fails unless its exit status is 0.
wait_exit() {
    for ((_try = 0; _try < 100; _try++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "m5emu still runs"
    local status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "m5emu exited with $status"
    pid=
}

# Screenshot of the window, kept as PNG and as raw RGB bytes; sets $width,
# $height, $status (the height of the status line below the picture, as the
# trace tells it) and $top (the first row of the picture's drawing area).
shot() {
    kill -0 "$pid" 2>/dev/null || fail "m5emu has ended"
    status=$(grep -m1 '^status line ' "$work/trace.log" | sed 's/^status line //')
    timeout 10 import -window "$wid" "$work/shot.png" 2>/dev/null &&
        convert "$work/shot.png" -depth 8 "rgb:$work/shot.rgb" &&
        read -r width height < <(identify -format '%w %h\n' "$work/shot.png") &&
        top=$((height - 384 - ${status:-0}))
}

# The picture area (512 x 384) of the last screenshot as a file.
picture_crop() { convert "$work/shot.png" -crop "512x384+0+$top" +repage "$1"; }
# True when two images are the same pixel for pixel.
same_image() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }

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

# Some colours of the machine's palette.
BLACK=$(rgb_of_565 0x0000)
RED=$(rgb_of_565 0xFA8A)   # 8 medium red
GREEN=$(rgb_of_565 0x2587) # 12 dark green
BLUE=$(rgb_of_565 0x529D)  # 4 dark blue
WHITE=$(rgb_of_565 0xFFDF) # 15 white

close_to() { # "R G B" "R G B": each channel within 4
    local a=($1) b=($2) c d
    for c in 0 1 2; do
        d=$((a[c] - b[c]))
        ((d >= -4 && d <= 4)) || return 1
    done
}

# The window is 512 pixels wide with the picture doubled below the menu bar.
geometry() {
    [ "$width" -eq 512 ] || fail "window is $width pixels wide, expected 512 (picture doubled)"
    ((top > 0)) || fail "window height $height leaves no room for a menu bar"
}

# Colour of picture pixel (x, y) in the last screenshot.
picture_pixel() { pixel $((2 * $1)) $((top + 2 * $2)); }

# Waits up to 15 s for picture pixel X,Y to show COLOUR.
wait_picture() {
    local x=$1 y=$2 colour=$3
    _picture_is() { shot && geometry && close_to "$(picture_pixel "$x" "$y")" "$colour"; }
    wait_for 150 _picture_is || fail "picture pixel $x,$y is $(picture_pixel "$x" "$y"), expected $colour"
}

# Waits up to 10 s for a line of the trace matching the extended regex.
wait_trace() {
    wait_for 100 grep -Eq "$1" "$work/trace.log" || fail "${2:-no trace line matching $1}"
}

# Number of times popup TITLE has opened so far.
popup_count() { grep -c "^popup $1:" "$work/trace.log" || true; }
command_count() { grep -c "^command $1\$" "$work/trace.log" || true; }

# Opens popup TITLE through the menu bar: a click on its first title, then
# Right to TITLE. Sets $popup_line to the popup's trace line.
open_popup() {
    local title=$1 titles index=0 name before
    titles=$(grep -m1 '^menubar ' "$work/trace.log" | sed 's/^menubar //')
    IFS='|' read -r -a names <<<"$titles"
    for ((index = 0; index < ${#names[@]}; index++)); do
        names[index]=$(echo "${names[index]}" | xargs)
    done
    for ((index = 0; index < ${#names[@]}; index++)); do
        [ "${names[index]}" = "$title" ] && break
    done
    ((index < ${#names[@]})) || fail "no popup $title in the menu bar ($titles)"
    # Each step waits for its popup to open, so no key goes to the window.
    before=$(popup_count "${names[0]}")
    xdotool mousemove --window "$wid" 20 10 click 1
    wait_value 100 -gt "$before" popup_count "${names[0]}" || fail "popup ${names[0]} did not open"
    # The pointer leaves the menu bar, so that no hovering (after a resize,
    # say) takes the selection back to the first title.
    xdotool mousemove 1 "$(($(xdotool getdisplaygeometry | cut -d' ' -f2) - 2))"
    for ((_i = 1; _i <= index; _i++)); do
        sleep 0.15 # the popup is announced as it shows, before it takes the keyboard
        before=$(popup_count "${names[_i]}")
        xdotool key Right
        wait_value 100 -gt "$before" popup_count "${names[_i]}" || fail "popup ${names[_i]} did not open"
    done
    sleep 0.15
    popup_line=$(grep "^popup $title:" "$work/trace.log" | tail -1)
}

# Closes any open popup; the pointer goes back over the picture.
close_popup() {
    xdotool key Escape Escape
    sleep 0.3
    xdotool mousemove --window "$wid" 256 200 2>/dev/null || true
}

# Chooses the item ID of popup TITLE with the keyboard (Down moves over
# enabled items only) and waits for its command; fails when it is disabled.
menu_choose() {
    local title=$1 id=$2 downs=0 entry items
    open_popup "$title"
    items=${popup_line#*: }
    local found=0
    while IFS= read -r entry; do
        entry=$(echo "$entry" | sed 's/^ *//; s/ *$//')
        [ "$entry" = "-" ] && continue
        [[ $entry == *" disabled" ]] && {
            [[ $entry == "$id "* ]] && fail "item $id of $title is disabled: $popup_line"
            continue
        }
        downs=$((downs + 1))
        if [[ $entry == "$id "* ]]; then
            found=1
            break
        fi
    done < <(echo "$items" | sed 's/ | /\n/g')
    ((found)) || fail "no item $id in $title: $popup_line"
    local commands
    commands=$(command_count "$id")
    for ((_i = 0; _i < downs; _i++)); do xdotool key Down; done
    xdotool key Return
    xdotool mousemove --window "$wid" 256 200 2>/dev/null || true
    wait_value 100 -gt "$commands" command_count "$id" ||
        fail "command $id of $title was not chosen"
    sleep 0.2
}

# Waits for the file dialog titled TITLE ($dialog) and puts the pointer over
# it, at X,Y of the dialog (100,100 unless given): wait_dialog TITLE [X Y].
wait_dialog() {
    local title=$1 x=${2:-100} y=${3:-100}
    find_dialog() {
        dialog=$(xdotool search --onlyvisible --name "^$title" 2>/dev/null | head -1)
        [ -n "$dialog" ]
    }
    wait_for 100 find_dialog || fail "no file dialog titled $title"
    xdotool mousemove --window "$dialog" "$x" "$y"
    sleep 0.5
}

# Types NAME into the open file dialog titled TITLE (which opens in the
# working directory) and accepts it.
dialog_open() {
    wait_dialog "$1"
    xdotool key ctrl+l
    sleep 0.3
    # Typed slowly, the location bar completes as it goes.
    xdotool type --delay 60 "$2"
    xdotool key Return
}

# Types NAME over the name the save dialog titled TITLE proposes and accepts it.
dialog_save() {
    wait_dialog "$1"
    xdotool key ctrl+a
    xdotool type --delay 60 "$2"
    xdotool key Return
}
