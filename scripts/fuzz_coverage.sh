#!/usr/bin/env bash
# How much of the source the fuzz corpora reach:
#
#   scripts/fuzz_coverage.sh NAME...
#
# Builds the replay programs with clang's source coverage in build-cov/,
# replays each target's seeds, past findings and the corpus scripts/fuzz.sh
# gathered (build-fuzz/corpus/NAME/), and prints llvm-cov's report of the
# files under src/ for each target.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ]; then
  echo "usage: scripts/fuzz_coverage.sh NAME..." >&2
  exit 2
fi
build=build-cov
CC=clang CXX=clang++ CXXFLAGS="-fprofile-instr-generate -fcoverage-mapping" LDFLAGS="-fprofile-instr-generate" \
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DM5_BUILD_BENCHMARKS=OFF -DM5_BUILD_DESKTOP=OFF >/dev/null
targets=()
for name in "$@"; do targets+=("fuzz_replay_$name"); done
cmake --build "$build" -j"$(nproc)" --target fuzz_seeds "${targets[@]}" >"$build/build.log" 2>&1 || {
  cat "$build/build.log" >&2
  exit 1
}
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
for name in "$@"; do
  inputs=("$build/tests/fuzz/seeds/$name")
  for dir in "tests/fuzz/regressions/$name" "build-fuzz/corpus/$name"; do
    [ -d "$dir" ] && inputs+=("$dir")
  done
  profile=$build/$name.profdata
  LLVM_PROFILE_FILE=$build/$name.profraw "$build/tests/fuzz/fuzz_replay_$name" "${inputs[@]}" | tail -n 1
  llvm-profdata merge -o "$profile" "$build/$name.profraw"
  echo "== $name"
  llvm-cov report "$build/tests/fuzz/fuzz_replay_$name" -instr-profile="$profile" "$PWD/src"
done
