#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a
# bounded time: scripts/fuzz.sh [seconds per target, default 30].
# Any finding fails the run; its input is left in build-fuzz/ and belongs in
# fuzz/regressions/<target>/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
seconds=${1:-30}
dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTALV_FUZZ=ON -DTALV_SANITIZE=ON -DTALV_BUILD_TOOLS=OFF -DTALV_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1
for target in eval chkfld messages; do
  corpus="$dir/corpus-$target"
  mkdir -p "$corpus"
  seeds=()
  [ "$target" = eval ] && seeds+=(fuzz/seeds)
  [ -d "fuzz/regressions/$target" ] && seeds+=("fuzz/regressions/$target")
  echo "== fuzzing $target for ${seconds}s"
  "$dir/fuzz/${target}_fuzz" "$corpus" "${seeds[@]}" -dict=fuzz/talvechk.dict -max_len=2048 \
    -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/$target-" 2>&1 | grep -E '^(#[0-9]+ +DONE|stat::|==|SUMMARY|INFO: Seed)' || true
  # libFuzzer leaves crash-/timeout-/leak- files behind on a finding.
  if ls "$dir/$target-"* >/dev/null 2>&1; then
    echo "finding in $target:"; ls "$dir/$target-"*; exit 1
  fi
done
echo "fuzzing: no findings"
