#!/usr/bin/env bash
# Our Z80 core beside peer Z80 cores, on the same CP/M program in the same run.
#
#   bash bench/compare_z80.sh [options] PEER_DIR...
#
# Each PEER_DIR holds a copy of a public Z80 core, which this script builds
# with a CP/M harness of our own (bench/peers/peer_cpm.c: the machine of
# `z80check cpm`, flat RAM through the core's own callbacks):
#   redcode/Z80    API/Z80.h and sources/Z80.c; built with -O2 and its
#                  z80_execute API. It needs the Zeta headers: a Zeta/ folder
#                  beside it (redcode/Zeta), or --zeta DIR.
#   superzazu/z80  z80.c and z80.h; built with -O2, run with z80_step.
# The cores are never part of this repository and nothing in the build or the
# tests needs them. To fetch them:
#   git clone https://github.com/redcode/Z80 peers/Z80
#   git clone https://github.com/redcode/Zeta peers/Zeta
#   git clone https://github.com/superzazu/z80 peers/superzazu-z80
# or let --fetch DIR do it (a clone is skipped when its folder exists).
#
# Options:
#   --fetch DIR       clone the three repositories into DIR and compare with
#                     redcode/Z80 and superzazu/z80 (no PEER_DIR needed)
#   --zeta DIR        the Zeta headers for redcode/Z80
#   --z80check PATH   our side (default: build/src/tools/z80check)
#   --program FILE    the CP/M program (default: ../shared/z80-tests/zexdoc.com)
#   --rounds N        rounds (default 3); in each, every core runs once, in turn
#
# Speeds are T-states over the processor time each run took (the machine may
# be shared: time spent waiting for a processor is not the core's). The table
# gives each core's MHz per round and ours over each peer's in that round.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

fail() {
  echo "compare_z80.sh: $*" >&2
  exit 2
}

z80check=$root/build/src/tools/z80check
program=$root/../shared/z80-tests/zexdoc.com
rounds=3
zeta=""
fetch=""
peers=()
while [ $# -gt 0 ]; do
  case "$1" in
    --fetch) [ $# -ge 2 ] || fail "--fetch needs a folder"; fetch=$2; shift 2 ;;
    --zeta) [ $# -ge 2 ] || fail "--zeta needs a folder"; zeta=$2; shift 2 ;;
    --z80check) [ $# -ge 2 ] || fail "--z80check needs a path"; z80check=$2; shift 2 ;;
    --program) [ $# -ge 2 ] || fail "--program needs a file"; program=$2; shift 2 ;;
    --rounds)
      [ $# -ge 2 ] && [[ $2 =~ ^[1-9][0-9]?$ ]] || fail "--rounds needs a number from 1 to 99"
      rounds=$2; shift 2 ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) fail "unknown option '$1'" ;;
    *) peers+=("$1"); shift ;;
  esac
done

if [ -n "$fetch" ]; then
  base=${M5_PEER_GIT_BASE:-https://github.com}
  mkdir -p "$fetch"
  for repo in redcode/Z80 redcode/Zeta superzazu/z80; do
    folder=$fetch/${repo//\//-}
    [ -d "$folder" ] || git clone --quiet --depth 1 "$base/$repo" "$folder" || fail "cannot clone $base/$repo"
  done
  peers+=("$fetch/redcode-Z80" "$fetch/superzazu-z80")
  [ -n "$zeta" ] || zeta=$fetch/redcode-Zeta
fi
[ ${#peers[@]} -gt 0 ] || fail "no peer core given (a PEER_DIR or --fetch DIR; --help for more)"
[ -x "$z80check" ] || fail "cannot run $z80check (build z80check, or give --z80check)"
[ -r "$program" ] && [ -f "$program" ] || fail "cannot read $program"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --- Building the peers ------------------------------------------------------
names=()
commands=()
for dir in "${peers[@]}"; do
  [ -d "$dir" ] || fail "$dir is not a folder"
  dir=$(cd "$dir" && pwd)
  if [ -f "$dir/API/Z80.h" ] && [ -f "$dir/sources/Z80.c" ]; then
    name=redcode/Z80
    headers=${zeta:-$dir/../Zeta}
    [ -d "$headers/API/Z" ] || fail "redcode/Z80 in $dir needs the Zeta headers: a Zeta/ beside it, or --zeta DIR"
    headers=$(cd "$headers" && pwd)
    flags=(-DPEER_REDCODE -DZ80_STATIC -DZ80_WITH_EXECUTE -I"$dir/API" -I"$headers/API" "$dir/sources/Z80.c")
  elif [ -f "$dir/z80.c" ] && [ -f "$dir/z80.h" ]; then
    name=superzazu/z80
    flags=(-DPEER_SUPERZAZU -I"$dir" "$dir/z80.c")
  else
    fail "$dir holds no Z80 core this script knows (redcode/Z80 or superzazu/z80)"
  fi
  binary=$work/peer${#names[@]}
  cc -std=c11 -O2 -w -o "$binary" "$root/bench/peers/peer_cpm.c" "${flags[@]}" || fail "cannot build $name from $dir"
  names+=("$name")
  commands+=("$binary")
done

# --- Running -------------------------------------------------------------------
# One run: the summary line's T-states over its processor seconds, in MHz.
mhz_of_run() {
  local line
  line=$("$@" | tail -n 1)
  [[ $line =~ ^([0-9]+)\ T-states.*\ ([0-9.]+)\ s\ of\ processor\ time ]] || fail "unexpected output of $1: $line"
  awk -v t="${BASH_REMATCH[1]}" -v s="${BASH_REMATCH[2]}" 'BEGIN { printf "%.0f", (s > 0 ? t / s / 1e6 : 0) }'
}

echo "program: $program"
echo "machine: $(grep -m 1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) processors"
echo "load at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
header="| round | ours (z80check cpm) |"
rule="|---|---|"
for name in "${names[@]}"; do header+=" $name |"; rule+="---|"; done
for name in "${names[@]}"; do header+=" ours / $name |"; rule+="---|"; done
rows=()
for ((round = 1; round <= rounds; ++round)); do
  ours=$(mhz_of_run "$z80check" cpm "$program")
  echo "round $round: ours $ours MHz" >&2
  row="| $round | $ours MHz |"
  ratios=""
  for i in "${!names[@]}"; do
    theirs=$(mhz_of_run "${commands[$i]}" "$program")
    echo "round $round: ${names[$i]} $theirs MHz" >&2
    row+=" $theirs MHz |"
    ratios+=" $(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2fx", (b > 0 ? a / b : 0) }') |"
  done
  rows+=("$row$ratios")
done
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "$header"
echo "$rule"
printf '%s\n' "${rows[@]}"
