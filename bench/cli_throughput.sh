#!/usr/bin/env bash
# Forms per second of `talvechk check` over the bundled example's results,
# with one and with two worker processes, best of three runs each.  The rate
# is the command's own (reading, conversion and checking; the summary's
# figure).  A larger batch made by the same generator shows the rate once
# start-up no longer counts.
#
#   bash bench/cli_throughput.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$build/tools/talvechk
form=examples/invoice.json
[ -x "$bin" ] || { echo "build first: cmake --build $build" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/make_invoices" --forms 30000 --seed 7 --out "$work/large.csv"

rate() {  # results jobs -> best forms/s of three runs
  local best=0 r
  for _ in 1 2 3; do
    r=$("$bin" check "$form" "$1" --id FORM_ID --jobs "$2" --limit 0 --format json --no-progress | tail -n 1 |
        sed -n 's/.*"forms_per_second":\([0-9.]*\).*/\1/p')
    best=$(awk -v a="$best" -v b="$r" 'BEGIN { print (b > a ? b : a) }')
  done
  printf '%.0f' "$best"
}

printf '%-8s %6s %12s\n' forms jobs forms/s
for results in "$build/examples/invoices.csv" "$work/large.csv"; do
  forms=$(($(wc -l < "$results") - 1))
  for jobs in 1 2; do
    printf '%-8s %6s %12s\n' "$forms" "$jobs" "$(rate "$results" "$jobs")"
  done
done
