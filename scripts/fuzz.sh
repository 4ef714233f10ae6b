#!/usr/bin/env bash
# Runs one fuzz target for a while:
#
#   scripts/fuzz.sh NAME SECONDS [libFuzzer options...]
#   scripts/fuzz.sh all SECONDS     every target in turn, SECONDS each
#
# Builds the libFuzzer programs with clang in build-fuzz/ (apart from the
# g++ build), then runs fuzz_NAME on its seed corpus for SECONDS seconds. New
# inputs that reach new code go to build-fuzz/corpus/NAME/. A finding (crash,
# sanitizer report, failed check, hang) is saved under build-fuzz/findings/NAME/
# and makes the script fail; once fixed, copy the input into
# tests/fuzz/regressions/NAME/ so that every build replays it. Ends with one
# line: the target, its executions per second, and libFuzzer's coverage
# counts (cov: code edges reached, ft: features).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 2 ]; then
  echo "usage: scripts/fuzz.sh NAME SECONDS [libFuzzer options...]" >&2
  exit 2
fi
name=$1
seconds=$2
shift 2

if [ "$name" = all ]; then
  # The targets as tests/fuzz/CMakeLists.txt declares them; all run even when
  # one has a finding, and then the whole run fails.
  status=0
  for target in $(sed -n 's/^m5_fuzz_target(\([a-z0-9_]*\) .*/\1/p' tests/fuzz/CMakeLists.txt); do
    bash "$0" "$target" "$seconds" "$@" || status=1
  done
  exit $status
fi

build=build-fuzz
# Configured every time, so that a target added since the last run is known.
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DM5_FUZZ=ON \
  -DM5_BUILD_TESTS=OFF -DM5_BUILD_BENCHMARKS=OFF -DM5_BUILD_DESKTOP=OFF >/dev/null
if ! cmake --build "$build" -j"$(nproc)" --target "fuzz_$name" fuzz_seeds >"$build/build-$name.log" 2>&1; then
  cat "$build/build-$name.log" >&2
  exit 1
fi

corpus=$build/corpus/$name
findings=$build/findings/$name
mkdir -p "$corpus" "$findings"
log=$build/fuzz-$name.log
# The targets write their inputs to files: in memory where possible.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
# The first directory gathers new inputs; the seeds and past findings are
# read only.
inputs=("$corpus" "$build/tests/fuzz/seeds/$name")
[ -d "tests/fuzz/regressions/$name" ] && inputs+=("tests/fuzz/regressions/$name")
# A target's dictionary of tokens, when it has one, and its own libFuzzer
# options (NAME.options: one line, e.g. a longer -max_len).
dictionary=()
[ -f "tests/fuzz/$name.dict" ] && dictionary=(-dict="tests/fuzz/$name.dict")
own_options=()
[ -f "tests/fuzz/$name.options" ] && read -r -a own_options <"tests/fuzz/$name.options"
started=$build/.fuzz-$name-started
touch "$started"
status=0
"$build/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$findings/" "${dictionary[@]}" "${own_options[@]}" "$@" "${inputs[@]}" >"$log" 2>&1 || status=$?

execs=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
coverage=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 || true)
if [ "$status" -ne 0 ]; then
  tail -n 40 "$log" >&2
  echo "fuzz $name: FINDING (exit $status); the input is saved in $findings/" >&2
  # On a machine that goes away after the run, the log is all that is left:
  # the inputs are printed too (base64 -d turns them back into files).
  for input in $(find "$findings" -type f -newer "$started"); do
    echo "$input:" >&2
    head -c 65536 "$input" | base64 >&2
  done
  exit 1
fi
echo "fuzz $name: ${execs:-?} execs/s, ${coverage:-no coverage figures}, ${seconds} s"
