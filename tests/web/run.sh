#!/usr/bin/env bash
# The web page's checks: builds the site (scripts/web.sh --build-only) and the
# native m5run it is compared with, then drives the page in headless Chromium
# (tests/web/test_web.py). Extra arguments pick cases by name.
set -euo pipefail
cd "$(dirname "$0")/../.."

packages=(chromium chromium-driver python3-selenium)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

bash scripts/web.sh --build-only
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
fi
cmake --build build -j"$(nproc)" --target m5run roms
# Debian's Selenium lives with Debian's Python.
exec /usr/bin/python3 tests/web/test_web.py --site build-web/site --m5run build/src/tools/m5run \
  --boot-rom build/roms/boot.rom "$@"
