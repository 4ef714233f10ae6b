#!/usr/bin/env bash
# Installs what is missing, builds the Release configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
cd build && ctest --output-on-failure -j"$(nproc)"
# Tests skipped for want of third-party data (see README, Test data) say why.
grep -h "third-party test data not found" Testing/Temporary/LastTest.log | sort -u || true
