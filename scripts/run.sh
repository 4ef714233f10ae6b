#!/usr/bin/env bash
# Installs what is missing, builds the Release configuration in build/ and
# starts the desktop program m5emu. The free boot ROM is compiled in; a copy
# of it that earlier builds put beside the program as IPL.ROM is removed (one
# you placed yourself is never touched).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target m5emu

program=build/src/desktop/m5emu
ipl="$(dirname "$program")/IPL.ROM"
# The free boot ROM says so on its title screen.
if [ -f "$ipl" ] && grep -aq 'Free boot ROM of the emulator' "$ipl"; then
    rm -f "$ipl"
    echo "Removed the copy of the free boot ROM an earlier build placed as $ipl"
fi
exec "$program"
