"""talvechk.dask on a two-worker LocalCluster gives the command's findings,
in the command's order, whatever the files and blocks."""

import json

import pandas as pd
import pytest

distributed = pytest.importorskip("distributed")

import talvechk  # noqa: E402
import talvechk.dask  # noqa: E402
from conftest import as_command_rows, command_findings, command_summary  # noqa: E402


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                                  silence_logs=40) as cluster, distributed.Client(cluster) as c:
        yield c


@pytest.fixture(scope="module")
def lines(invoices_csv):
    return invoices_csv.read_text(encoding="utf-8").splitlines()


def split(lines, directory, count, write):
    head, body = lines[0], lines[1:]
    step = -(-len(body) // count)
    paths = []
    for i in range(count):
        paths.append(write(directory, i, head, body[i * step:(i + 1) * step]))
    return paths


def write_csv(directory, i, head, rows, encoding="utf-8"):
    path = directory / f"part{i}.csv"
    path.write_bytes(("\n".join([head] + rows) + "\n").encode(encoding))
    return path


def write_jsonl(directory, i, head, rows, encoding="utf-8"):
    path = directory / f"part{i}.jsonl"
    names = head.split(",")
    text = "".join(json.dumps(dict(zip(names, r.split(","))), ensure_ascii=False) + "\n" for r in rows)
    # CP932 has no code of its own for the yen sign: JSON's escape for it.
    text = text.replace("\u00a5", "\\u00a5")
    path.write_bytes(text.encode(encoding))
    return path


def assert_same(found, expected, stderr):
    assert as_command_rows(found) == expected
    summary = found.attrs["summary"]
    assert {k: summary[k] for k in command_summary(stderr)} == command_summary(stderr)


def test_four_csv_files_give_the_command_findings(client, invoice_form, invoices_csv, lines, tmp_path):
    expected, stderr = command_findings(invoices_csv)
    paths = split(lines, tmp_path, 4, write_csv)
    found = talvechk.dask.check(invoice_form, paths, id_column="FORM_ID", client=client)
    assert len(expected) == 315
    assert_same(found, expected, stderr)


def test_cp932_json_lines_in_blocks_through_an_address(client, invoice_form, lines, tmp_path):
    # One file for the command, the same forms as two files of several
    # blocks each for Dask; a broken line and a non-object keep their form
    # numbers and are counted as not checked, as by the command.
    body = lines[1:]
    whole = tmp_path / "whole"
    whole.mkdir()
    (single,) = split([lines[0]] + body, whole, 1,
                      lambda d, i, h, r: write_jsonl(d, i, h, r, encoding="cp932"))
    text = single.read_bytes().split(b"\n")
    text[100] = b'{"AMOUNT1": "1"'
    text[2000] = b'["not", "an", "object"]'
    single.write_bytes(b"\n".join(text))
    expected, stderr = command_findings(single, "--encoding", "cp932", bad_input=True)
    halves = [tmp_path / "a.jsonl", tmp_path / "b.jsonl"]
    halves[0].write_bytes(b"\n".join(text[:1500]) + b"\n")
    halves[1].write_bytes(b"\n".join(text[1500:]))
    with pytest.warns(talvechk.TalvechkWarning, match="2 form"):
        found = talvechk.dask.check(invoice_form.to_dict(), halves, id_column="FORM_ID",
                                    client=client.scheduler.address, blocksize=100_000, encoding="cp932")
    assert_same(found, expected, stderr)
    assert found.attrs["summary"]["not_checked"] == 2
    assert found.attrs["rejected"].row.tolist() == [101, 2001]


def test_a_dataframe_keeps_its_index(client, invoice_form, invoices_csv):
    expected, stderr = command_findings(invoices_csv)
    frame = pd.read_csv(invoices_csv, dtype=str, keep_default_na=False)
    frame.index = range(1, len(frame) + 1)
    found = talvechk.dask.check(invoice_form, frame, id_column="FORM_ID", client=client)
    assert_same(found, expected, stderr)
