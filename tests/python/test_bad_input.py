"""Bad input gets a clear Python exception, and a bad row costs only that
row."""

import json
import math
import subprocess
import warnings
from pathlib import Path

import pandas as pd
import pytest

import talvechk
from conftest import TALVECHK

FORM = {"fields": [{"name": "A"}, {"name": "B"}, {"name": "S", "check": "@ == [A] + [B]"}]}


@pytest.fixture(scope="module")
def form():
    return talvechk.Form.from_dict(FORM)


@pytest.mark.parametrize("definition, field, reason", [
    ({"fields": []}, None, '"fields" is empty'),
    ({"fields": [{"name": "A"}], "colour": 1}, None, 'unknown key "colour"'),
    ({"fields": [{"name": "A"}, {"name": "A"}]}, "A", "defined twice"),
    ({"fields": [{"name": "A[1]"}]}, "A[1]", 'holds "["'),
    ({"fields": [{"name": "A", "length": -1}]}, "A", '"length" must be'),
    ({"fields": [{"name": "A", "check": 5}]}, "A", '"check" must be a string'),
    ({"fields": [{"name": "\U0001F600"}]}, "\U0001F600", "no CP932 code"),
    ({"fields": [{"label": "no name"}]}, "#1", '"name" is missing'),
])
def test_malformed_definitions_name_the_place(definition, field, reason):
    with pytest.raises(talvechk.FormError) as caught:
        talvechk.Form.from_dict(definition)
    e = caught.value
    assert isinstance(e, ValueError)
    assert e.file == "<dict>" and e.field == field and reason in e.reason
    assert str(e).startswith("<dict>")


def test_a_syntax_error_in_a_file_gives_line_and_column(tmp_path):
    path = tmp_path / "bad.json"
    path.write_text('{"fields": [\n  {"name": "A",}\n]}\n', encoding="utf-8")
    with pytest.raises(talvechk.FormError) as caught:
        talvechk.Form.load(path)
    e = caught.value
    assert (e.file, e.line, e.column) == (str(path), 2, 16)
    assert "malformed JSON" in e.reason and str(e).startswith(f"{path}:2:16: ")


def test_a_lone_surrogate_in_a_definition_is_a_form_error():
    with pytest.raises(talvechk.FormError, match="the definition <json>: .*lone surrogate"):
        talvechk.Form.from_json('{"fields": [{"name": "\ud800"}]}')


@pytest.mark.parametrize("make", [
    lambda tmp: tmp / "huge.json",
    lambda tmp: Path("/dev/zero"),
    lambda tmp: tmp,
])
def test_form_load_is_the_command_loader(tmp_path, make):
    huge = tmp_path / "huge.json"
    huge.write_bytes(b'{"fields": [{"name": "A", "description": "' + b"x" * (17 << 20) + b'"}]}')
    path = make(tmp_path)
    with pytest.raises(talvechk.FormError) as caught:
        talvechk.Form.load(path)
    proc = subprocess.run([TALVECHK, "check", str(path), str(huge)], capture_output=True, text=True)
    assert proc.returncode == 2 and caught.value.reason in proc.stderr


def test_a_missing_file_is_a_form_error(tmp_path):
    with pytest.raises(talvechk.FormError, match="cannot open"):
        talvechk.Form.load(tmp_path / "none.json")


@pytest.mark.parametrize("bad", [[1, 2], "A=1", 5, None])
def test_values_must_be_a_mapping(form, bad):
    with pytest.raises(TypeError, match="mapping"):
        form.check(bad)


@pytest.mark.parametrize("values, error, words", [
    ({"A": 1}, TypeError, "field A: the value must be str or None, not int"),
    ({"A": b"1"}, TypeError, "not bytes"),
    ({1: "1"}, TypeError, "field names must be str"),
    ({"Z": "1"}, ValueError, 'no field "Z"'),
    ({"A": "\U0001F600"}, ValueError, "field A: character U+1F600 has no CP932 code"),
    ({"A": "\ud800"}, ValueError, "cannot be encoded"),
    ({"A": "1\x002"}, ValueError, "NUL"),
    ({"A": "x" * (talvechk.VALUE_LIMIT + 1)}, ValueError, "1362 bytes in CP932; a field holds at most 1361"),
    ({"A": "漢" * 681}, ValueError, "1362 bytes in CP932"),
])
def test_bad_values_raise_and_check_nothing(form, values, error, words):
    with pytest.raises(error, match=words.replace("(", r"\(").replace("+", r"\+")):
        form.check(values)


def test_a_value_that_just_fits_is_checked(form):
    found = form.check({"A": "1" * talvechk.VALUE_LIMIT, "B": "0", "S": "1"})
    assert [f.outcome for f in found] == ["failed"]


@pytest.mark.parametrize("call", [
    lambda: talvechk.evaluate(b"1 == 1", "A", {}),
    lambda: talvechk.evaluate("1 == 1", None, {}),
    lambda: talvechk.evaluate("1 == 1", "A", [("A", "1")]),
    lambda: talvechk.message("90000002"),
    lambda: talvechk.message(True),
    lambda: talvechk.message(0x90000002, name=3),
    lambda: talvechk.fields("[A]", "A"),
    lambda: talvechk.fields("[A]", ["A", 1]),
    lambda: talvechk.Form.from_dict('{"fields": []}'),
    lambda: talvechk.Form.from_dict({"fields": [{"name": "A", "length": math.nan}]}),
])
def test_wrong_types_raise_type_error(call):
    with pytest.raises(TypeError):
        call()


@pytest.mark.parametrize("call, words", [
    (lambda: talvechk.message(-1), "from 0 to 0xFFFFFFFF"),
    (lambda: talvechk.message(1 << 32), "from 0 to 0xFFFFFFFF"),
    (lambda: talvechk.evaluate("1 == 1", "F" * 62, {}), "62 bytes in CP932; at most 61"),
    (lambda: talvechk.evaluate("[A] == 1", "S", {"A": "x" * 1362}), "field A: the text has 1362 bytes"),
    (lambda: talvechk.evaluate("1 == 1", "S", {"A[": "1"}), 'holds "\\["'),
    (lambda: talvechk.fields("[A]", ["\U0001F600"]), "no CP932 code"),
    (lambda: talvechk.evaluate("[\ud800] == 1", "S", {}), "expression: .*lone surrogate"),
    (lambda: talvechk.fields("[A]", ["\udcff"]), "each name: .*lone surrogate"),
    (lambda: talvechk.message(0x90000002, "\ud800"), "name: .*lone surrogate"),
    (lambda: talvechk.Form.from_dict(FORM).check({"A\x00B": "1"}), r'no field "A\\x00B"'),
    (lambda: talvechk.Form.load("a\0/nonexistent"), "embedded null byte"),
])
def test_out_of_range_raises_value_error(call, words):
    with pytest.raises(ValueError, match=words):
        call()


# copies: the six rows over and over, so that bad rows fall on both sides of
# the boundaries at which the core reads the frame's cells in chunks.
@pytest.mark.parametrize("copies", [1, 1400])
def test_a_bad_row_costs_that_row_only(form, copies):
    rows = 6 * copies
    frame = pd.DataFrame({
        "ID": [f"r{i}" for i in range(rows)],
        "A": ["1", math.nan, "1", "\U0001F600", "x" * 1362, "2"] * copies,
        "B": ["2", "2", None, "1", "1", "2"] * copies,
        "S": ["3", "3", "2", "2", "2", "5"] * copies,
    }, index=range(10, 10 + rows))
    with pytest.warns(talvechk.TalvechkWarning, match=f"{3 * copies} form"):
        found = form.check_frame(frame, id_column="ID")
    assert list(found.columns) == ["row", "id", "field", "outcome", "code", "message", "values"]
    assert found[["row", "id", "field", "outcome"]].values.tolist() == [
        [10 + i, f"r{i}", "S", "failed"] for i in range(rows) if i % 6 in (2, 5)]
    assert found.attrs["summary"] == {"forms": rows, "not_checked": 3 * copies, "crashed": 0, "checks": 3 * copies,
                                      "passed": copies, "failed": 2 * copies, "errors": 0, "flagged": 2 * copies,
                                      "by_field": {"S": {"failed": 2 * copies, "errors": 0}},
                                      "findings": 2 * copies, "shown": 2 * copies}
    rejected = found.attrs["rejected"]
    assert rejected[["row", "id", "field"]].values.tolist() == [
        [10 + i, f"r{i}", "A"] for i in range(rows) if i % 6 in (1, 3, 4)]
    assert "NaN" in rejected.message[0] and "keep_default_na=False" in rejected.message[0]
    assert "no CP932 code" in rejected.message[1] and "1362 bytes" in rejected.message[2]
    assert rejected.message.tolist() == rejected.message.tolist()[:3] * copies


def test_frame_columns(form):
    frame = pd.DataFrame({"A": ["1"], "B": ["2"], "S": ["4"], "NOTE": ["x"]})
    with pytest.warns(talvechk.TalvechkWarning, match='unknown field "NOTE"'):
        found = form.check_frame(frame)
    assert found.id.tolist() == [None] and found.row.tolist() == [0]
    twice = pd.DataFrame([["1", "2", "3"]], columns=["A", "A", "S"])
    with pytest.raises(ValueError, match='column "A" is given twice'):
        form.check_frame(twice)
    with pytest.raises(KeyError, match="FORM_ID"):
        form.check_frame(frame, id_column="FORM_ID")
    with pytest.raises(TypeError, match="DataFrame"):
        form.check_frame([{"A": "1"}])
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        empty = form.check_frame(pd.DataFrame({"A": [], "B": [], "S": []}, dtype=object))
    assert empty.empty and empty.attrs["summary"]["forms"] == 0


def test_from_dict_and_load_agree(tmp_path):
    path = tmp_path / "form.json"
    path.write_text(json.dumps(FORM), encoding="utf-8")
    assert talvechk.Form.load(path).to_dict() == talvechk.Form.from_dict(FORM).to_dict()
