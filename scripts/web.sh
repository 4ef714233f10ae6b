#!/usr/bin/env bash
# The emulator as a web page: installs what the WebAssembly build needs
# (Debian's emscripten, node-acorn, the zlib sources), builds the site into
# build-web/site/ and serves it at http://127.0.0.1:8080.
#
#   bash scripts/web.sh               build, then serve (Control-C stops)
#   bash scripts/web.sh --build-only  build only
#   M5_WEB_PORT=8081 bash scripts/web.sh   another port
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build_only=0
for arg in "$@"; do
  case "$arg" in
    --build-only) build_only=1 ;;
    *) echo "web.sh: unknown option '$arg' (use --build-only)" >&2; exit 2 ;;
  esac
done
port=${M5_WEB_PORT:-8080}

# --- Toolchain --------------------------------------------------------------
# emscripten 3.1.6 runs offline with Debian's own acorn; binutils-source
# carries the published zlib sources (its zlib/ folder), which we build for
# WebAssembly because Emscripten's zlib port would be downloaded.
packages=(emscripten node-acorn binutils-source pasmo cmake python3 xz-utils)
bash scripts/install-deps.sh "${packages[@]}"
export NODE_PATH=/usr/share/nodejs

out=$root/build-web
mkdir -p "$out"

# --- zlib for WebAssembly ---------------------------------------------------
zlib_dir=$out/zlib
zlib_sources=(adler32 compress crc32 deflate inflate inffast inftrees trees uncompr zutil)
if [ ! -f "$zlib_dir/libz.a" ]; then
  tarball=$(ls /usr/src/binutils/binutils-*.tar.xz | head -n 1)
  top=$(basename "$tarball" .tar.xz)
  rm -rf "$zlib_dir" && mkdir -p "$zlib_dir/src" "$zlib_dir/include"
  echo "Building zlib for WebAssembly from $tarball"
  tar -xJf "$tarball" -C "$zlib_dir/src" --strip-components=2 --wildcards "$top/zlib/*.[ch]"
  objects=()
  for name in "${zlib_sources[@]}"; do
    emcc -O2 -c "$zlib_dir/src/$name.c" -o "$zlib_dir/$name.o"
    objects+=("$zlib_dir/$name.o")
  done
  emar rcs "$zlib_dir/libz.a.tmp" "${objects[@]}"
  cp "$zlib_dir/src/zlib.h" "$zlib_dir/src/zconf.h" "$zlib_dir/include/"
  mv "$zlib_dir/libz.a.tmp" "$zlib_dir/libz.a"
fi

# --- The glue and the core ---------------------------------------------------
emcmake cmake -S . -B "$out/cmake" -DCMAKE_BUILD_TYPE=Release \
  -DM5_BUILD_DESKTOP=OFF -DM5_BUILD_TESTS=OFF -DM5_BUILD_BENCHMARKS=OFF \
  -DZLIB_INCLUDE_DIR="$zlib_dir/include" -DZLIB_LIBRARY="$zlib_dir/libz.a" >/dev/null
cmake --build "$out/cmake" -j2 --target m5web

# --- The site -----------------------------------------------------------------
site=$out/site
rm -rf "$site.tmp" && mkdir -p "$site.tmp"
cp web/index.html web/style.css web/app.js web/audio-worklet.js web/manifest.webmanifest \
  web/service-worker.js "$site.tmp/"
cp src/desktop/m5emu.svg "$site.tmp/icon.svg"
python3 scripts/web_icon.py src/desktop/m5emu.svg "$site.tmp" 192 512
cp "$out/cmake/src/web/m5web.js" "$out/cmake/src/web/m5web.wasm" "$site.tmp/"
# The service worker's cache is named after the site's contents, so a new
# build replaces the old files on the next visit.
version=$(cd "$site.tmp" && cat index.html style.css app.js audio-worklet.js manifest.webmanifest icon.svg \
  icon-192.png icon-512.png m5web.js m5web.wasm | sha256sum | cut -c1-16)
sed -i "s/@SITE_VERSION@/$version/" "$site.tmp/service-worker.js"
rm -rf "$site" && mv "$site.tmp" "$site"
total=$(cat "$site"/index.html "$site"/style.css "$site"/app.js "$site"/audio-worklet.js "$site"/m5web.js \
  "$site"/m5web.wasm | wc -c)
echo "Site built in build-web/site ($total bytes of page, script and WebAssembly)"

if [ "$build_only" = 1 ]; then exit 0; fi
exec python3 scripts/web_serve.py --port "$port" --dir "$site"
