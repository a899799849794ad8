"""The bundled 3000 invoices: the module finds what the command finds."""

import pandas as pd
import pytest

from conftest import as_command_rows, command_findings, command_summary


@pytest.fixture(scope="module")
def invoices(invoices_csv):
    return pd.read_csv(invoices_csv, dtype=str, keep_default_na=False)


@pytest.fixture(scope="module")
def command(invoices_csv):
    return command_findings(invoices_csv)


def test_check_frame_matches_the_command(invoice_form, invoices, command):
    expected, stderr = command
    frame = invoices.set_axis(range(1, len(invoices) + 1))  # the command's form numbers
    found = invoice_form.check_frame(frame, id_column="FORM_ID")
    assert len(expected) == 315
    assert as_command_rows(found) == expected
    summary = found.attrs["summary"]
    assert {k: summary[k] for k in command_summary(stderr)} == command_summary(stderr)
    assert summary["not_checked"] == 0 and found.attrs["rejected"].empty


def test_check_finds_the_same_failed_checks(invoice_form, invoices, command):
    expected, _ = command
    failed = []
    for number, row in enumerate(invoices.drop(columns="FORM_ID").to_dict("records"), start=1):
        for f in invoice_form.check(row):
            if not f.passed:
                failed.append((number, f.field, f.outcome, f.code, f.message))
    assert failed == [(r[0], r[2], r[3], r[4], r[5]) for r in expected]
