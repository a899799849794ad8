"""One core, one answer: for each input of the table, the command's JSON
findings and summary, check_frame's (where the input is a frame) and
talvechk.dask.check's on two worker processes are equal, finding for
finding and key for key; Dask blocks of many sizes never cut a form."""

import json
import subprocess
import warnings
from pathlib import Path

import pandas as pd
import pytest

distributed = pytest.importorskip("distributed")

import talvechk  # noqa: E402
import talvechk.dask  # noqa: E402
from conftest import EXAMPLES, TALVECHK  # noqa: E402

DATA = Path(__file__).parent / "one_core"
INVOICE = EXAMPLES / "invoice.json"


def drop_pay_bank(invoices, tmp):
    frame = pd.read_csv(invoices, dtype=str, keep_default_na=False).drop(columns=["PAY_BANK"])
    path = tmp / "no_pay_bank.csv"
    frame.to_csv(path, index=False)
    return path


def cp932_json_lines(invoices, tmp):
    frame = pd.read_csv(invoices, dtype=str, keep_default_na=False)
    text = "".join(json.dumps(r, ensure_ascii=False) + "\n" for r in frame.to_dict("records"))
    path = tmp / "invoices.jsonl"
    # CP932 has no code of its own for the yen sign: JSON's escape for it.
    path.write_bytes(text.replace("\u00a5", "\\u00a5").encode("cp932"))
    return path


MEMO_SIZES = [1, 7, 31, 64, 97, 128, 150, 199, 256, 300, 333, 401, 512, 640, 777, 1000, 1500, 2048, 3000, 5000]

# name, form, results (a file of one_core/, or how to make it from the
# bundled invoices), the command's options, read as a frame, Dask block
# sizes, --suggest compared too
CASES = [
    ("clean invoices", INVOICE, "invoices", [], True, [None, 150_000], False),
    ("PAY_BANK column dropped", INVOICE, drop_pay_bank, [], True, [100_000], False),
    ("CP932 JSON Lines in blocks", INVOICE, cp932_json_lines, ["--encoding", "cp932"], False, [60_000], False),
    ("4 checks that do not certify", "lint.json", "lint.csv", [], True, [None, 40], True),
    ("memo cells with line breaks", "small.json", "memo.csv", [], True, MEMO_SIZES, False),
    ("fewer cells than the header", "small.json", "short.csv", [], False, [None, 1, 20], True),
    ("a JSON Lines key twice", "small.json", "twice.jsonl", [], False, [None, 1], True),
    ("a ;-separated file", "small.json", "semicolon.csv", [], False, [None, 1], True),
    ("JSON values no reader can take", "small.json", "out_of_range.jsonl", [], False, [None, 1, 50], True),
]


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                                  silence_logs=40) as cluster, distributed.Client(cluster) as c:
        yield c


def command(form, results, options, suggest):
    proc = subprocess.run([TALVECHK, "check", str(form), str(results), "--format", "json", "--no-timing",
                           "--no-progress", *options, *(["--suggest"] if suggest else [])],
                          capture_output=True, text=True, encoding="utf-8")
    assert proc.returncode in (0, 1, 2), proc.stderr
    lines = [json.loads(line) for line in proc.stdout.splitlines()]
    summary = lines.pop()["summary"]
    return lines, summary, proc.stderr


def key(f, detail):
    k = (f["form"], f["field"], f["outcome"], int(f["code"], 16), f["message"], f["values"])
    return k + ((f["explain"], f.get("suggestions")) if detail else ())


def frame_keys(found, detail):
    return [(int(r.row), r.field, r.outcome, int(r.code), r.message, r.values) +
            ((r.explain, r.suggestions) if detail else ()) for r in found.itertuples(index=False)]


def messages(caught):
    """The warnings, in the command's words for its options."""
    words = {"allow_missing=True": "--allow-missing", "keep= it": "--keep it", "strict=True": "--strict"}
    said = [str(w.message) for w in caught if issubclass(w.category, talvechk.TalvechkWarning)]
    for python, command in words.items():
        said = [m.replace(python, command) for m in said]
    return said


@pytest.mark.parametrize("name, form, results, options, as_frame, sizes, suggest", CASES, ids=[c[0] for c in CASES])
def test_every_door_gives_the_command_answer(client, invoices_csv, tmp_path, name, form, results, options,
                                             as_frame, sizes, suggest):
    form_path = form if isinstance(form, Path) else DATA / form
    path = invoices_csv if results == "invoices" else results(invoices_csv, tmp_path) if callable(results) \
        else DATA / results
    loaded = talvechk.Form.load(form_path)
    encoding = "cp932" if "cp932" in options else "utf-8"
    for detail in sorted({False, suggest}):
        found, summary, stderr = command(form_path, path, options, detail)
        expected = [key(f, detail) for f in found]
        if as_frame:
            frame = pd.read_csv(path, dtype=str, keep_default_na=False)
            frame.index = range(1, len(frame) + 1)
            with warnings.catch_warnings(record=True) as caught:
                warnings.simplefilter("always")
                got = loaded.check_frame(frame, suggest=detail)
            assert frame_keys(got, detail) == expected
            assert got.attrs["summary"] == summary
            for said in messages(caught):
                if "not checked because of bad input" not in said:
                    assert said.split(";")[0].split(": ")[-1] in stderr, said
        for size in sizes:
            with warnings.catch_warnings(record=True) as caught:
                warnings.simplefilter("always")
                got = talvechk.dask.check(loaded, [path], client=client, blocksize=size, encoding=encoding,
                                          suggest=detail)
            assert frame_keys(got, detail) == expected, size
            assert got.attrs["summary"] == summary, size
            said = [m for m in messages(caught) if "not checked because of bad input" not in m]
            # What the command says on standard error, once each.
            assert len(said) == len(set(said))
            for m in said:
                assert f"talvechk: error: {m}" in stderr or f"talvechk: warning: {m}" in stderr, m
            assert got.attrs["rejected"].row.tolist() == sorted(got.attrs["rejected"].row.tolist())
            assert len(got.attrs["rejected"]) == summary["not_checked"]
