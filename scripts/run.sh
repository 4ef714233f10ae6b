#!/usr/bin/env bash
# Installs what is missing, builds the Release configuration in build/, puts
# the emulator's own free boot ROM beside the program as IPL.ROM (only when no
# IPL.ROM is there, or when the one there is the free boot ROM of an earlier
# build: one you placed yourself is never overwritten) and starts the desktop
# program m5emu.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target m5emu roms

program=build/src/desktop/m5emu
ipl="$(dirname "$program")/IPL.ROM"
boot=build/roms/boot.rom
# The free boot ROM says so on its title screen.
earlier_free_rom() { [ -f "$ipl" ] && grep -aq 'Free boot ROM of the emulator' "$ipl" && ! cmp -s "$boot" "$ipl"; }
if [ ! -e "$ipl" ] || { [ -f "$boot" ] && earlier_free_rom; }; then
    if [ -f "$boot" ]; then
        cp "$boot" "$ipl"
        echo "Placed the free boot ROM as $ipl"
    else
        echo "No IPL.ROM beside $program and no free boot ROM built: the machine starts without one" >&2
    fi
fi
exec "$program"
