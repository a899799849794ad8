"""Shared fixtures: the built command and the bundled example."""

import csv
import io
import os
import subprocess
from pathlib import Path

import pytest

import talvechk

EXAMPLES = Path(os.environ.get("TALV_EXAMPLES_DIR", Path(__file__).parents[2] / "examples"))
BUILD_EXAMPLES = Path(os.environ.get("TALV_BUILD_EXAMPLES_DIR", Path(__file__).parents[2] / "build" / "examples"))
TALVECHK = os.environ.get("TALVECHK_BIN", str(Path(__file__).parents[2] / "build" / "tools" / "talvechk"))


@pytest.fixture(scope="session")
def invoice_form():
    return talvechk.Form.load(EXAMPLES / "invoice.json")


@pytest.fixture(scope="session")
def invoices_csv():
    return BUILD_EXAMPLES / "invoices.csv"


def command_findings(results, *extra, bad_input=False):
    """The findings of `talvechk check --format csv` on a results file, as
    (form, id, field, outcome, code, message, values) tuples."""
    proc = subprocess.run([TALVECHK, "check", str(EXAMPLES / "invoice.json"), str(results), "--id", "FORM_ID",
                           "--format", "csv", "--no-progress", *extra],
                          capture_output=True, text=True, encoding="utf-8")
    assert proc.returncode in ((2,) if bad_input else (0, 1)), proc.stderr
    return [(int(r["form"]), r["id"], r["field"], r["outcome"], int(r["code"], 16), r["message"], r["values"])
            for r in csv.DictReader(io.StringIO(proc.stdout))], proc.stderr


def as_command_rows(frame):
    """A findings DataFrame in the command's terms."""
    return [(int(r.row), r.id, r.field, r.outcome, int(r.code), r.message,
             " ".join(f'{k}="{v}"' for k, v in r.values.items()))
            for r in frame.itertuples(index=False)]


def command_summary(stderr):
    """forms, checks, passed, failed, errors, flagged from the summary line."""
    import re

    m = re.search(r"Summary: (\d+) forms, (\d+) checks: (\d+) passed, (\d+) failed, (\d+) errors?; (\d+) form", stderr)
    assert m, stderr
    keys = ["forms", "checks", "passed", "failed", "errors", "flagged"]
    return dict(zip(keys, map(int, m.groups())))
