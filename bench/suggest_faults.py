#!/usr/bin/python3
"""How well `talvechk check --suggest` undoes single OCR faults of a kind the
invoice generator does not make.

Clean invoices come from the generator (--fault-share 0); each of them gets
exactly one fault drawn from the distribution below, in one field that some
check reads.  The report says for how many forms the checks notice the fault
(detected), for how many of those the true text is among the candidates of
the form's findings (candidate), and for how many it is the very first
candidate of the form's first finding (first).

    /usr/bin/python3 bench/suggest_faults.py [BUILD_DIR] [--forms N] [--seed S]
"""
import argparse
import csv
import json
import os
import random
import subprocess
import sys
import tempfile
from collections import Counter, defaultdict

# Hand-written digits taken for one another, by the digit written (a table
# of its own, not the generator's).
HAND = {"0": "6", "1": "7", "2": "7Z", "3": "8", "4": "9", "5": "6S", "6": "05", "7": "1", "8": "3B", "9": "47"}
LETTERS = {"0": "OoDQ", "1": "lIi", "2": "Zz", "5": "Ss", "6": "Gb", "8": "B", "9": "gq"}
# kind -> weight
KINDS = {"hand-digit": 30, "dropped": 20, "doubled": 15, "letter": 20, "swapped": 15}
# The fields a check reads, with text that holds digits.
FIELDS = ["INVOICE_NO", "CUSTNO", "CORPNO", "ISSUE_Y", "ISSUE_M", "ISSUE_D", "DUE_EY", "DUE_M", "DUE_D", "DELIV_H",
          "DELIV_MIN", "QTY1", "PRICE1", "AMOUNT1", "QTY2", "PRICE2", "AMOUNT2", "QTY3", "PRICE3", "AMOUNT3",
          "SUBTOTAL", "RATE", "TAX", "TOTAL"]


def half(c):
    return chr(ord(c) - 0xFEE0) if 0xFF01 <= ord(c) <= 0xFF5E else c


def same_width(ascii_char, like):
    return chr(ord(ascii_char) + 0xFEE0) if like != half(like) else ascii_char


def digit_places(text):
    return [i for i, c in enumerate(text) if half(c).isdigit() and half(c) in "0123456789"]


def inject(rng, text, kind):
    """The damaged text, or None when this kind cannot damage it."""
    places = digit_places(text)
    if not places:
        return None
    if kind == "hand-digit":
        i = rng.choice(places)
        return text[:i] + same_width(rng.choice(HAND[half(text[i])]), text[i]) + text[i + 1:]
    if kind == "letter":
        places = [i for i in places if half(text[i]) in LETTERS]
        if not places:
            return None
        i = rng.choice(places)
        return text[:i] + same_width(rng.choice(LETTERS[half(text[i])]), text[i]) + text[i + 1:]
    if kind == "dropped":
        if len(places) < 2:
            return None
        i = rng.choice(places)
        return text[:i] + text[i + 1:]
    if kind == "doubled":
        i = rng.choice(places)
        return text[:i] + text[i] + text[i:]
    if kind == "swapped":
        pairs = [i for i in places if i + 1 in places and half(text[i]) != half(text[i + 1])]
        if not pairs:
            return None
        i = rng.choice(pairs)
        return text[:i] + text[i + 1] + text[i] + text[i + 2:]
    raise ValueError(kind)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build", nargs="?", default="build")
    ap.add_argument("--forms", type=int, default=500)
    ap.add_argument("--seed", type=int, default=424242)
    ap.add_argument("--jobs", default="2")
    args = ap.parse_args()
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    form = os.path.join(top, "examples", "invoice.json")
    rng = random.Random(args.seed)
    with tempfile.TemporaryDirectory() as work:
        clean = os.path.join(work, "clean.csv")
        subprocess.run([os.path.join(args.build, "tools", "make_invoices"), "--forms", str(args.forms), "--seed",
                        str(args.seed), "--fault-share", "0", "--out", clean], check=True)
        with open(clean, newline="", encoding="utf-8") as f:
            rows = list(csv.DictReader(f))
        header = list(rows[0].keys())
        faults = {}  # form number -> (field, kind, true text)
        for n, row in enumerate(rows, 1):
            while True:
                kind = rng.choices(list(KINDS), weights=list(KINDS.values()))[0]
                field = rng.choice(FIELDS)
                damaged = inject(rng, row[field], kind)
                if damaged is not None and damaged != row[field]:
                    break
            faults[n] = (field, kind, row[field])
            row[field] = damaged
        faulty = os.path.join(work, "faulty.csv")
        with open(faulty, "w", newline="", encoding="utf-8") as f:
            w = csv.DictWriter(f, fieldnames=header, lineterminator="\n")
            w.writeheader()
            w.writerows(rows)
        talvechk = os.path.join(args.build, "tools", "talvechk")
        out = subprocess.run([talvechk, "check", form, faulty, "--id", "FORM_ID", "--suggest", "--format", "json",
                              "--no-timing", "--no-progress", "--jobs", args.jobs],
                             capture_output=True, text=True).stdout
    findings = defaultdict(list)
    for line in out.splitlines():
        j = json.loads(line)
        if "summary" not in j:
            findings[j["form"]].append(j)
    tally = defaultdict(Counter)
    for n, (field, kind, truth) in faults.items():
        t = tally[kind]
        t["forms"] += 1
        if not findings[n]:
            continue
        t["detected"] += 1
        fixes = [c for f in findings[n] for c in f["suggestions"]]
        if any(c["field"] == field and c["to"] == truth for c in fixes):
            t["candidate"] += 1
        first = findings[n][0]["suggestions"][:1]
        if first and first[0]["field"] == field and first[0]["to"] == truth:
            t["first"] += 1
    total = sum(tally.values(), Counter())

    def pct(a, b):
        return f"{100 * a / b:5.1f} %" if b else "    -  "

    print(f"{'fault':<12} {'forms':>6} {'detected':>10} {'candidate':>10} {'first':>10}   (candidate and first: of "
          f"the detected)")
    for kind in list(KINDS) + ["all"]:
        t = total if kind == "all" else tally[kind]
        print(f"{kind:<12} {t['forms']:6} {pct(t['detected'], t['forms']):>10} {pct(t['candidate'], t['detected']):>10} "
              f"{pct(t['first'], t['detected']):>10}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
