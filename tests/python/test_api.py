"""The Python API on small hand-made forms."""

import json
import os
import pickle
import subprocess
import sys
import threading

import pytest

import talvechk
from conftest import TALVECHK

FORM = {
    "form": "small",
    "fields": [
        {"name": "A"},
        {"name": "B"},
        {"name": "SUM", "check": "@ == [A] + [B]"},
        {"name": "NAME", "check": "length(@) <= 4"},
        {"name": "BROKEN", "check": "nosuch(@)"},
        {"name": "MEMO", "excluded": True},
        {"name": "PEEK", "check": "blank([MEMO])"},
    ],
}


@pytest.fixture(scope="module")
def form():
    return talvechk.Form.from_dict(FORM)


def by_field(findings):
    return {f.field: f for f in findings}


def test_form_describes_itself(form):
    assert form.title == "small"
    assert form.fields == ["A", "B", "SUM", "NAME", "BROKEN", "MEMO", "PEEK"]
    assert form.checks == {"SUM": "@ == [A] + [B]", "NAME": "length(@) <= 4", "BROKEN": "nosuch(@)",
                           "PEEK": "blank([MEMO])"}
    assert "4 checks" in repr(form)
    assert form.to_dict() == FORM


@pytest.mark.parametrize("values, outcomes", [
    ({"A": "1", "B": "2", "SUM": "3", "NAME": "山田"}, {"SUM": "passed", "NAME": "passed"}),
    ({"A": "1", "B": "2", "SUM": "4", "NAME": "山田太郎です"}, {"SUM": "failed", "NAME": "failed"}),
    ({"A": "1", "B": None, "SUM": "1"}, {"SUM": "passed"}),
    ({"A": "x", "B": "2", "SUM": "3"}, {"SUM": "error"}),
])
def test_check_outcomes(form, values, outcomes):
    found = by_field(form.check(values))
    assert list(found) == ["SUM", "NAME", "BROKEN", "PEEK"], "one finding per check, in the definition's order"
    for field, outcome in outcomes.items():
        assert found[field].outcome == outcome
    assert found["BROKEN"].outcome == "error"
    assert found["PEEK"].outcome == "passed", "only certify mode refuses excluded fields"


def test_finding_carries_code_message_and_values(form):
    found = by_field(form.check({"A": "１", "B": "2", "SUM": "4", "NAME": "山田"}))
    s = found["SUM"]
    assert (s.code, s.ret) == (0x80000000, 0)
    assert s.message == talvechk.message(0x80000000)
    assert s.values == {"SUM": "4", "A": "１", "B": "2"}, "the texts as given, full-width kept"
    assert s.explain is None
    assert found["NAME"].passed and found["NAME"].code == 0
    broken = found["BROKEN"]
    assert broken.code == 0x90000004
    assert "nosuch" in broken.message, "the message names the function"


def test_certify(form):
    found = by_field(form.certify())
    assert [f.outcome for f in found.values()] == ["passed", "passed", "error", "error"]
    assert found["BROKEN"].code == 0x90000004 and "nosuch" in found["BROKEN"].message
    assert found["PEEK"].code == 0x9000000F and "MEMO" in found["PEEK"].message


@pytest.mark.parametrize("expression, field, values, certify, outcome, code", [
    ("@ == [A] * 2", "B", {"A": "21", "B": "42"}, False, "passed", 0),
    ("@ == [A] * 2", "B", {"A": "21", "B": "43"}, False, "failed", 0x80000000),
    ("@ == [X]", "B", {"B": "1"}, False, "error", 0x90000002),
    ("sum([A1..3]) == 6", "S", {"A1": "1", "A2": "2", "A3": "3"}, False, "passed", 0),
    ("1 / 0", "S", {}, False, "error", 0x90000008),
    ("nosuch(1)", "S", {}, True, "error", 0x90000004),
    ("[A] == 1", "S", {"A": "abc"}, True, "passed", 0),
])
def test_evaluate(expression, field, values, certify, outcome, code):
    result = talvechk.evaluate(expression, field, values, certify=certify)
    assert (result.outcome, result.code, result.ret) == (outcome, code, 0)
    assert result.message


def test_message_fills_in_a_name_where_it_has_one():
    named = talvechk.message(0x90000002, "QTY1")
    assert "QTY1" in named and named != talvechk.message(0x90000002)
    assert talvechk.message(0x80000000, "QTY1") == talvechk.message(0x80000000), "this one has no name"
    assert talvechk.message(0x12345678) == talvechk.message(0x12345679), "unknown codes share one text"


def test_fields_lists_the_referenced_names():
    assert talvechk.fields("[C] + [A] == 1", ["A", "B", "C", "D"]) == ["A", "C"]
    assert talvechk.fields("1 == 1", ["A"]) == []


def test_form_pickles_as_its_definition(form):
    again = pickle.loads(pickle.dumps(form))
    assert again.to_dict() == FORM and again.path == form.path
    values = {"A": "1", "B": "2", "SUM": "4"}
    assert again.check(values) == form.check(values)


def test_threads_are_served_one_at_a_time(form, invoice_form):
    # Two forms alternately in several threads: were the library's
    # callbacks not serialised, one form's checks would read the other's
    # fields.
    small = {"A": "1", "B": "2", "SUM": "4", "NAME": "山田"}
    invoice = {"QTY1": "2", "PRICE1": "300", "AMOUNT1": "601"}
    expected = (form.check(small), invoice_form.check(invoice))
    seen, errors = [], []

    def work():
        try:
            for _ in range(200):
                seen.append((form.check(small), invoice_form.check(invoice)))
        except Exception as e:  # noqa: BLE001 - reported below
            errors.append(e)

    threads = [threading.Thread(target=work) for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors
    assert len(seen) == 800 and all(s == expected for s in seen)


def test_a_pandas_row_serves_as_values(form):
    import pandas as pd

    row = pd.Series({"A": "1", "B": "2", "SUM": "3", "NAME": "x"})
    assert form.check(row) == form.check(row.to_dict())


def test_explain_and_suggest_give_the_command_records(form, tmp_path):
    values = {"A": "1", "B": "2", "SUM": "4", "NAME": "x", "MEMO": "", "PEEK": ""}
    plain = form.check(values)
    traced = form.check(values, suggest=True)
    assert [f.explain for f in plain] == [None] * len(plain)
    assert [(f.field, f.outcome, f.code, f.message, f.values) for f in traced] == \
        [(f.field, f.outcome, f.code, f.message, f.values) for f in plain], "explaining changes no outcome"
    # The command skips a check that does not certify: the same form
    # without it, so that candidates are scored against the same checks.
    sound = talvechk.Form.from_dict({"fields": [f for f in FORM["fields"] if f["name"] != "BROKEN"]})
    definition = tmp_path / "form.json"
    definition.write_text(sound.to_json(), encoding="utf-8")
    results = tmp_path / "one.csv"
    results.write_text("A,B,SUM,NAME,MEMO,PEEK\n1,2,4,x,,\n", encoding="utf-8")
    proc = subprocess.run([TALVECHK, "check", str(definition), str(results), "--format", "json", "--suggest",
                           "--no-timing"], capture_output=True, text=True, encoding="utf-8")
    command = {f["field"]: f for f in map(json.loads, proc.stdout.splitlines()[:-1])}
    assert set(command) == {"SUM"}, proc.stderr
    mine = by_field(sound.check(values, suggest=True))
    assert mine["SUM"].explain == command["SUM"]["explain"]
    assert mine["SUM"].suggestions == command["SUM"]["suggestions"] and mine["SUM"].suggestions
    assert mine["NAME"].suggestions is None and mine["NAME"].explain is not None
    assert "nosuch" in by_field(traced)["BROKEN"].explain[-1]["text"]


def test_explaining_a_large_form_stays_small():
    # Every check of 250 fields reads all of them: the steps of one check
    # at a time are kept, and at most EXPLAIN_STEPS of those.
    script = """if True:
        import resource, talvechk
        names = [f"F{i}" for i in range(250)]
        form = talvechk.Form.from_dict({"fields": [{"name": n, "check": "sum([F0..F249]) == 1"} for n in names]})
        found = form.check({n: "1" for n in names}, explain=True)
        assert len(found) == 250 and all(f.explain for f in found)
        print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)
    """
    proc = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True)
    assert proc.returncode == 0, proc.stderr
    assert int(proc.stdout) < 100 * 1024, f"{int(proc.stdout) // 1024} MB"


def test_lint_tells_text_never_read_and_the_slip_behind_a_syntax_error(invoice_form):
    form = talvechk.Form.from_dict({"fields": [
        {"name": "A", "check": "@ > 0 ＆＆ @ < 3"},
        {"name": "B", "check": "0 < @ < 100"},
        {"name": "C", "check": "@ == 1"}]})
    unread, chained = form.lint()
    assert (unread["field"], unread["verdict"], unread["byte"], unread["unread"]) == ("A", "unread", 7, "＆＆ @ < 3")
    assert unread["message"].endswith("「＆＆」は ASCII の「&&」で書いてください")
    assert (chained["field"], chained["verdict"], chained["code"]) == ("B", "error", 0x90000001)
    assert chained["hint"] == "比較は続けて書けません。「0 < @ && @ < 100」のように && でつないでください"
    assert invoice_form.lint() == []


def test_import_writes_nothing_to_stderr():
    # A fresh interpreter: the loader's warnings show only on the first load.
    done = subprocess.run(["/usr/bin/python3", "-c", "import talvechk"], env=dict(os.environ),
                          capture_output=True, text=True, timeout=60)
    assert done.returncode == 0
    assert done.stderr == ""
