#!/usr/bin/python3
"""What remembering check results would buy on a batch of results.

A check's outcome depends only on its expression and the texts of the fields
it reads (the library empties its variables and resets its modes before every
evaluation, and the bundled companion functions are pure).  A table per check
from those texts to the finding would skip the evaluation on a hit.  This
script replays that table over a results file without evaluating anything:
for each check, how often the texts it reads were met before (within a table
of the given number of entries per check, oldest out first), and what the
hits are worth in instructions, given each check's cost as
bench/instructions.sh measures it, against the whole per-form cost of the
command.

    /usr/bin/python3 bench/memo_potential.py FORM RESULTS.csv
        [--entries N] [--lookup INSTR] [--form-cost INSTR]
"""
import argparse
import collections
import json
import re
import sys

import pandas as pd

# Instructions per evaluation of each invoice check (bench/instructions.sh).
CHECK_COST = {
    "INVOICE_NO": 3219, "CUSTNO": 3617, "CORPNO": 5285, "ISSUE_D": 2960, "DUE_D": 10033,
    "DELIV_MIN": 2254, "AMOUNT1": 2922, "AMOUNT2": 2922, "AMOUNT3": 3109, "AMOUNT4": 3266,
    "AMOUNT5": 3352, "SUBTOTAL": 8817, "RATE": 5587, "TAX": 8218, "TOTAL": 3138, "PAY_CASH": 2482,
}
RANGE = re.compile(r"^(.*?)(\d+)\.\.(\d+)$")


def fields_read(name, check, names):
    out = [name] if "@" in check else []
    for ref in re.findall(r"\[([^\]]+)\]", check):
        m = RANGE.match(ref)
        if m:
            out += [f"{m.group(1)}{i}" for i in range(int(m.group(2)), int(m.group(3)) + 1)
                    if f"{m.group(1)}{i}" in names]
        else:
            out.append(ref)
    return sorted(set(out))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("form")
    ap.add_argument("results")
    ap.add_argument("--entries", type=int, default=4096)
    ap.add_argument("--lookup", type=int, default=250, help="instructions a lookup costs, hit or miss")
    ap.add_argument("--form-cost", type=int, default=123700, help="instructions the command spends per form")
    a = ap.parse_args()
    form = json.load(open(a.form, encoding="utf-8"))
    names = {f["name"] for f in form["fields"]}
    checks = [(f["name"], fields_read(f["name"], f["check"], names)) for f in form["fields"] if f.get("check")]
    df = pd.read_csv(a.results, dtype=str, keep_default_na=False)
    forms = len(df)
    saved_total = 0
    print(f"{forms} forms, table of {a.entries} entries per check")
    print(f"{'check':<12}{'hits':>8}  {'saved per form':>15}")
    for name, reads in checks:
        table = collections.OrderedDict()
        hits = 0
        for key in zip(*(df[c] for c in reads)):
            if key in table:
                hits += 1
                table.move_to_end(key)
                continue
            table[key] = True
            if len(table) > a.entries:
                table.popitem(last=False)
        cost = CHECK_COST.get(name, 4000)
        saved = (hits * cost - forms * a.lookup) / forms
        saved_total += saved
        print(f"{name:<12}{100 * hits / forms:7.1f}%  {saved:15.0f}")
    print(f"net saving per form: {saved_total:.0f} instructions of {a.form_cost} "
          f"({100 * saved_total / a.form_cost:.1f} %)")


if __name__ == "__main__":
    sys.exit(main())
