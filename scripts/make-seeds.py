#!/usr/bin/env python3
"""Rebuilds fuzz/seeds/ from the expressions the test suite evaluates.

Every string literal of tests/*_test.cpp that looks like a check expression
becomes one seed for the eval target.  Field references get a host directive
(after the NUL) that declares the fields they name, so the seeds reach past
"no such field" into the operators and built-ins.  Hand-written seeds (seed*)
stay; generated ones (t-*) are replaced.  Run once after the tests change:
    python3 scripts/make-seeds.py
"""
import hashlib
import pathlib
import re

ROOT = pathlib.Path(__file__).resolve().parent.parent
SEEDS = ROOT / "fuzz" / "seeds"
LIMIT = 400  # keep the corpus small; libFuzzer grows its own

LITERAL = re.compile(rb'"((?:[^"\\\n]|\\.)*)"')
ESCAPE = re.compile(rb'\\(x[0-9a-fA-F]{1,2}|[0-7]{1,3}|.)')
SIMPLE = {b'n': b'\n', b't': b'\t', b'r': b'\r', b'0': b'\0', b'\\': b'\\', b'"': b'"', b"'": b"'",
          b'a': b'\a', b'b': b'\b', b'f': b'\f', b'v': b'\v', b'?': b'?'}
OPERATORS = re.compile(rb"[()\[\]@=<>!+\-*/,'|&]")
FIELD = re.compile(rb"\[([^\[\]$'\n]{1,32})[\]$]")
RANGE = re.compile(rb"^(.*?)(\d+)\.\.(\d+)$")


def unescape(raw):
    def one(m):
        e = m.group(1)
        if e[:1] == b'x':
            return bytes([int(e[1:], 16)])
        if e[:1].isdigit():
            return bytes([int(e, 8) & 0xFF])
        return SIMPLE.get(e, e)
    return ESCAPE.sub(one, raw)


def looks_like_expression(raw, text):
    if b"<<" in raw or b"%" in text or b"\0" in text or not text.strip():
        return False
    # Source text in UTF-8 is a message, not an expression; \x escapes are fine.
    if any(b >= 0x80 for b in raw):
        return False
    return bool(OPERATORS.search(text)) and bool(re.search(rb"[0-9A-Za-z]", text)) and len(text) <= 512


def host_directives(text):
    names = []
    for m in FIELD.finditer(text):
        name = m.group(1)
        r = RANGE.match(name)
        if r:
            first, last = sorted((int(r.group(2)), int(r.group(3))))
            names += [r.group(1) + str(i).encode() for i in range(first, min(last, first + 4) + 1)]
        else:
            names.append(name)
    seen = []
    for n in names:
        if n not in seen and b"\t" not in n:
            seen.append(n)
    return b"".join(b"F " + n + b"\t" + str(i + 1).encode() + b"\n" for i, n in enumerate(seen[:12]))


def main():
    found = []
    for path in sorted((ROOT / "tests").glob("*_test.cpp")):
        for m in LITERAL.finditer(path.read_bytes()):
            raw = m.group(1)
            text = unescape(raw)
            if looks_like_expression(raw, text) and text not in found:
                found.append(text)
    for old in SEEDS.glob("t-*"):
        old.unlink()
    for text in found[:LIMIT]:
        directives = host_directives(text)
        data = text + (b"\0" + directives if directives else b"")
        (SEEDS / ("t-" + hashlib.sha1(data).hexdigest()[:12])).write_bytes(data)
    print(f"{min(len(found), LIMIT)} seeds from {len(found)} expressions")


if __name__ == "__main__":
    main()
