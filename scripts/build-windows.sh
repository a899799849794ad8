#!/usr/bin/env bash
# Cross-builds the Windows DLL pair (talvechk.dll, talvextn.dll), their
# import libraries and .def files, and the programs the Windows tests run:
#   scripts/build-windows.sh [x86_64|i686]...   (both when none is named)
# into build-win64/ and build-win32/.  Installs the Debian packages it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
(($#)) || set -- x86_64 i686

pkgs=(cmake ninja-build flex bison libc-bin binutils)
for arch in "$@"; do
  case $arch in
    x86_64) pkgs+=(g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64) ;;
    i686) pkgs+=(g++-mingw-w64-i686-win32 binutils-mingw-w64-i686) ;;
    *) echo "usage: $0 [x86_64|i686]..." >&2; exit 2 ;;
  esac
done
bash scripts/install-packages.sh --no-recommends "${pkgs[@]}"

for arch in "$@"; do
  case $arch in x86_64) dir=build-win64 ;; i686) dir=build-win32 ;; esac
  echo "== windows $arch: $dir"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-$arch.cmake" >/dev/null
  cmake --build "$dir" -j "${TALV_JOBS:-$(nproc)}"
done
