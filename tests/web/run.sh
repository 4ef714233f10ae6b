#!/usr/bin/env bash
# The web page's checks: builds the site (scripts/web.sh --build-only) and the
# native m5run it is compared with, then drives the page in headless Chromium
# (tests/web/test_web.py). Extra arguments pick cases by name.
set -euo pipefail
cd "$(dirname "$0")/../.."

packages=(chromium chromium-driver python3-selenium)
bash scripts/install-deps.sh "${packages[@]}"

bash scripts/web.sh --build-only
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
fi
cmake --build build -j"$(nproc)" --target m5run roms
# Debian's Selenium lives with Debian's Python.
exec /usr/bin/python3 tests/web/test_web.py --site build-web/site --m5run build/src/tools/m5run \
  --boot-rom build/roms/boot.rom "$@"
