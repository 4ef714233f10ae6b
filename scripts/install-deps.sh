#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the desktop program
# need; only what is missing, without questions. Package names given as
# arguments are installed instead of the whole list (the web scripts use this).
set -euo pipefail
packages=(
  build-essential cmake pkg-config clang-format clang libclang-rt-14-dev llvm
  googletest libgtest-dev libbenchmark-dev
  pasmo nlohmann-json3-dev
  libpng-dev zlib1g-dev libgtk-3-dev libsdl2-dev
  xvfb xauth xdotool x11-utils imagemagick
  emscripten node-acorn binutils-source chromium chromium-driver python3-selenium
  retroarch dbus
)
[ $# -gt 0 ] && packages=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
