#!/usr/bin/env bash
# Builds the page into build-web/page/: index.html, its scripts, and the
# library with the host core as talvechk.js + talvechk.wasm.  Installs the
# Debian packages it needs first (emscripten, and node-acorn for its
# optimiser); the native compiler and iconv make the CP932 tables.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh emscripten node-acorn flex bison cmake ninja-build nlohmann-json3-dev libfmt-dev g++
# The Debian package's optimiser finds acorn through NODE_PATH; it uses the
# prebuilt system libraries and writes no cache.
export NODE_PATH=/usr/share/nodejs
mkdir -p build-web
emcmake cmake -S . -B build-web/obj -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTALV_BUILD_WEB=ON -DTALV_BUILD_TOOLS=OFF -DTALV_BUILD_TESTS=OFF -DTALV_BUILD_PYTHON=OFF \
  -DCMAKE_CXX_FLAGS="-fexceptions" -DCMAKE_C_FLAGS="-fexceptions" \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=OFF \
  -Dfmt_DIR="$PWD/web/cmake/fmt" -Dnlohmann_json_DIR="$PWD/web/cmake/nlohmann_json" >/dev/null
cmake --build build-web/obj -j "${TALV_JOBS:-2}" --target talvweb
rm -rf build-web/page
cp -r build-web/obj/page build-web/page
echo "web: the page is in build-web/page (serve it over HTTP; see docs/web.md)"
