#!/usr/bin/env bash
# m5run --gif against m5run's own screenshots: the music cartridge for 120
# frames at 30 frames a second gives 60 frames, delays 3, 3, 4 hundredths in
# turn, each picture (decoded by ImageMagick, a decoder apart from our
# encoder) the screenshot of frame 2, 4, ... 120 pixel for pixel. A press of
# 1 at frame 30 starts the tune. Exits 77 (skipped) without ImageMagick or
# the cartridge.
#
#   gif_check.sh M5RUN MUSIC_ROM
set -euo pipefail
m5run=$1 cart=$2
if [ ! -f "$cart" ]; then
    [ "${M5_REQUIRE_TEST_DATA:-}" = 1 ] && { echo "FAIL: no $cart"; exit 1; }
    echo "skipped: no $cart"
    exit 77
fi
command -v convert >/dev/null && command -v compare >/dev/null || { echo "skipped: no ImageMagick"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

shots=()
for ((frame = 2; frame <= 120; frame += 2)); do shots+=(--screenshot-at "$frame:$work/shot$frame.png"); done
"$m5run" --cart "$cart" --frames 120 --key 1@30+5 --gif "$work/run.gif:30" "${shots[@]}" 2>/dev/null

delays=$(identify -format '%T ' "$work/run.gif")
read -r -a each <<<"$delays"
[ "${#each[@]}" -eq 60 ] || fail "${#each[@]} frames, expected 60"
for ((i = 0; i < 60; i++)); do
    expected=$(((i + 1) * 100 / 30 - i * 100 / 30))
    [ "${each[i]}" -eq "$expected" ] || fail "frame $i has delay ${each[i]}, expected $expected"
done
convert "$work/run.gif" -coalesce "$work/frame%02d.png"
for ((i = 0; i < 60; i++)); do
    differ=$(compare -metric AE "$(printf '%s/frame%02d.png' "$work" "$i")" "$work/shot$((2 * (i + 1))).png" null: 2>&1 || true)
    [ "$differ" = 0 ] || fail "GIF frame $i differs from the screenshot of frame $((2 * (i + 1))) in $differ pixels"
done
# The pictures change: the tune's screen is not the first one.
[ "$(compare -metric AE "$work/frame00.png" "$work/frame59.png" null: 2>&1 || true)" != 0 ] ||
    echo "note: the picture did not change over the run"
echo "gif check passed"
