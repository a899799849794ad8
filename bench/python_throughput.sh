#!/usr/bin/env bash
# Forms per second through the Python package next to the command, in one
# run: `talvechk check --jobs 1` and `--jobs 2` (the command's own figure:
# reading, conversion, checking), check_frame in one process (pandas'
# read_csv and the check), and talvechk.dask.check on a LocalCluster of two
# worker processes (reading on the workers, the cluster already up), best
# of three runs each, on the bundled invoices and on a larger batch of the
# same generator.
#
#   bash bench/python_throughput.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$build/tools/talvechk
form=examples/invoice.json
[ -x "$bin" ] && [ -d "$build/python/talvechk" ] || { echo "build first: cmake --build $build" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/make_invoices" --forms 60000 --seed 7 --out "$work/large.csv"

command_rate() {  # results jobs -> best forms/s of three runs
  local best=0 r
  for _ in 1 2 3; do
    r=$("$bin" check "$form" "$1" --id FORM_ID --jobs "$2" --limit 0 --format json --no-progress | tail -n 1 |
        sed -n 's/.*"forms_per_second":\([0-9.]*\).*/\1/p')
    best=$(awk -v a="$best" -v b="$r" 'BEGIN { print (b > a ? b : a) }')
  done
  printf '%.0f' "$best"
}

printf '%-8s %-34s %10s\n' forms way forms/s
for results in "$build/examples/invoices.csv" "$work/large.csv"; do
  forms=$(($(wc -l < "$results") - 1))
  for jobs in 1 2; do
    printf '%-8s %-34s %10s\n' "$forms" "talvechk check --jobs $jobs" "$(command_rate "$results" "$jobs")"
  done
  PYTHONPATH=$build/python /usr/bin/python3 bench/python_throughput.py "$form" "$results" "$forms"
done
