#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite in three configurations:
# native, 32-bit (-m32) and native under AddressSanitizer + UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

run_config() {
  local dir=$1; shift
  echo "== configuration: $dir"
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_config build -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_config build-m32 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALV_M32=ON -DTALV_BUILD_TOOLS=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_config build-asan -DCMAKE_BUILD_TYPE=Debug -DTALV_SANITIZE=ON
echo "all three configurations passed"
