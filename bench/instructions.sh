#!/usr/bin/env bash
# Instructions per check under callgrind: the four checks of the peer
# comparison over a synthetic form, and every check of the bundled invoice
# form over its first generated result.  Each count is what one PPR_eval
# costs, the host's callbacks included (the host is a hash map, as a real
# one would be).
#
#   bash bench/instructions.sh [BUILD_DIR] [REPS]
# The build needs -DTALV_BUILD_BENCH=ON (for check_instructions).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
reps=${2:-200}
runner=$build/bench/check_instructions
[ -x "$runner" ] || { echo "build first: cmake -DTALV_BUILD_BENCH=ON, then cmake --build $build" >&2; exit 2; }
command -v valgrind >/dev/null || { echo "needs valgrind" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The synthetic form: amounts half-width, full-width and blank-led.
python3 - "$work/peer.form" <<'PY'
import sys
fw = str.maketrans("0123456789", "０１２３４５６７８９")
amounts = [31250, 7, 99999, 1200, 45, 80808, 3, 561, 12000, 7777, 250, 64001]
with open(sys.argv[1], "wb") as out:
    for i, v in enumerate(amounts, 1):
        s = str(v).translate(fw) if i % 3 == 1 else (" " * (i % 3) + str(v))
        out.write(("A%d=%s\n" % (i, s)).encode("cp932"))
    for k, v in [("TOTAL", sum(amounts)), ("Q", 37), ("P", 4980), ("AMT", 37 * 4980),
                 ("Y", 2024), ("M", 2), ("D", 29)]:
        out.write(("%s=%s\n" % (k, v)).encode("cp932"))
PY
printf 'TOTAL\tsum([A1..12])==@\nAMT\t[Q]*[P]==@\nP\t[AMT]/[Q]==@\nD\tydate([Y],[M],[D])\n' > "$work/peer.checks"

results=$build/examples/invoices.csv
if [ ! -f "$results" ]; then  # the example's results, made as the build makes them
  "$build/tools/make_invoices" --forms 3000 --seed 20240601 --fault-share 0.08 \
    --out "$work/invoices.csv" --faults "$work/faults.csv" >/dev/null
  results=$work/invoices.csv
fi

# The invoice form: types, classes and lengths from its definition, values
# from the first generated result, checks in definition order.
python3 - examples/invoice.json "$results" "$work/invoice.form" "$work/invoice.checks" <<'PY'
import csv, json, sys
form = json.load(open(sys.argv[1], encoding="utf-8"))
row = next(csv.DictReader(open(sys.argv[2], encoding="utf-8")))
with open(sys.argv[3], "wb") as out, open(sys.argv[4], "wb") as checks:
    for f in form["fields"]:
        out.write(("!%s %s=%s %d\n" % (f.get("type", "HAND_ANK"), f["name"], f.get("class", ""),
                                        f.get("length", 0))).encode("cp932"))
        out.write(("%s=%s\n" % (f["name"], row.get(f["name"], ""))).encode("cp932"))
        if "check" in f:
            checks.write(("%s\t%s\n" % (f["name"], f["check"].replace("\t", " "))).encode("cp932"))
PY

count() {  # form field expr -> instructions per check
  valgrind --tool=callgrind --collect-atstart=no --toggle-collect=PPR_eval \
    --callgrind-out-file="$work/cg.%p" "$runner" "$1" "$reps" "$2" "$3" >/dev/null 2>&1
  local ir
  ir=$(cat "$work"/cg.* | sed -n 's/^summary: *\([0-9]*\).*/\1/p' | tail -n 1)
  rm -f "$work"/cg.*
  echo $(( ir / reps ))
}

table() {  # form checks title
  printf '\n%s\n%-12s %12s  %s\n' "$3" field instructions check
  local total=0 n=0 field expr ir
  while IFS=$'\t' read -r field expr; do
    ir=$(count "$1" "$field" "$expr")
    printf '%-12s %12s  %s\n' "$field" "$ir" "$expr"
    total=$((total + ir)); n=$((n + 1))
  done < "$2"
  printf '%-12s %12s\n' mean $((total / n))
}

table "$work/peer.form" "$work/peer.checks" "The four checks of the peer comparison"
table "$work/invoice.form" "$work/invoice.checks" "The invoice form (examples/invoice.json), first generated result"
