#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan), replays every input
# kept in fuzz/regressions/<target>/, then fuzzes each target for a bounded
# time: scripts/fuzz.sh [seconds per target, default 30].  The host's readers
# and form loader (csv, jsonl, form) get half that each, so that the whole
# run stays within a few minutes.
# Any finding fails the run; its input is left in build-fuzz/ and belongs in
# fuzz/regressions/<target>/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
seconds=${1:-30}
dir=build-fuzz
targets=(eval chkfld messages csv jsonl form)
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTALV_FUZZ=ON -DTALV_SANITIZE=ON -DTALV_BUILD_TOOLS=OFF -DTALV_BUILD_TESTS=OFF >/dev/null
# Only the targets: the C example host cannot link the C++ part of UBSan.
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]/%/_fuzz}"
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1
rm -f "$dir"/*-crash-* "$dir"/*-leak-* "$dir"/*-timeout-* "$dir"/*-oom-*

shopt -s nullglob
for target in "${targets[@]}"; do
  inputs=(fuzz/regressions/"$target"/*)
  ((${#inputs[@]})) || continue
  echo "== replaying ${#inputs[@]} regression inputs of $target"
  "$dir/fuzz/${target}_fuzz" -timeout=5 "${inputs[@]}" >"$dir/replay-$target.log" 2>&1 ||
    { tail -40 "$dir/replay-$target.log"; echo "regression input of $target fails"; exit 1; }
done

for target in "${targets[@]}"; do
  corpus="$dir/corpus-$target"
  mkdir -p "$corpus"
  seeds=()
  dict=fuzz/talvechk.dict
  time=$seconds
  case $target in
    messages) seeds+=(fuzz/seeds-messages) ;;
    csv|jsonl|form) seeds+=("fuzz/seeds-$target"); dict=fuzz/readers.dict; time=$(( (seconds + 1) / 2 )) ;;
    *) seeds+=(fuzz/seeds) ;;
  esac
  [ -d "fuzz/regressions/$target" ] && seeds+=("fuzz/regressions/$target")
  echo "== fuzzing $target for ${time}s"
  "$dir/fuzz/${target}_fuzz" "$corpus" "${seeds[@]}" -dict="$dict" -max_len=2048 \
    -max_total_time="$time" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/$target-" >"$dir/fuzz-$target.log" 2>&1 || true
  grep -E '^#[0-9]+[[:space:]]+DONE|^stat::|^==[0-9]+==|^SUMMARY|^INFO: seed corpus' "$dir/fuzz-$target.log" || true
  # libFuzzer leaves crash-/timeout-/leak-/oom- files behind on a finding.
  findings=("$dir/$target-"*)
  if ((${#findings[@]})); then
    echo "finding in $target: ${findings[*]}"; tail -60 "$dir/fuzz-$target.log"; exit 1
  fi
done
echo "fuzzing: no findings"
