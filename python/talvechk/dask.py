"""talvechk on a Dask cluster: results files (or a DataFrame) become
partitions, each partition is checked on a worker, and the findings come
back in the order the talvechk command gives them.

    from distributed import Client, LocalCluster
    import talvechk, talvechk.dask
    form = talvechk.Form.load("invoice.json")
    with Client(LocalCluster(n_workers=2)) as client:
        found = talvechk.dask.check(form, ["a.csv", "b.csv"], id_column="FORM_ID", client=client)
    print(found.attrs["summary"])

Every worker imports talvechk itself: install the package where the workers
run (or put the prefix's site-packages on their PYTHONPATH).  The form
travels as its definition.
"""

from __future__ import annotations

import json
import os
from typing import Any, Dict, List, Optional, Sequence, Tuple, Union

from ._errors import TalvechkWarning  # noqa: F401  (named in the docs)
from ._form import Form
from ._frame import SUMMARY_KEYS, check_columns, findings_frame, warn_set_aside

__all__ = ["check"]

_ENCODINGS = {"utf-8": "utf-8", "utf8": "utf-8", "cp932": "cp932", "shift_jis": "cp932", "sjis": "cp932"}
_JSONL_SUFFIXES = (".jsonl", ".ndjson", ".json")


# ---- on the workers ---------------------------------------------------------

def _rows_of(form: Form, frame, id_column: Optional[str], labelled: bool, keep_given: bool = True):
    """Checks one partition; the rows carry their position and, for a
    DataFrame the caller gave, their index label."""
    found, rejected, summary, ignored, ids = check_columns(form, frame, id_column, keep_given)
    index = frame.index

    def label(p):
        return index[p] if labelled else None

    def ident(p):
        return ids[p] if ids is not None else None

    rows = [(p, label(p), ident(p), field, outcome, code, message, values)
            for p, field, outcome, code, message, values in found]
    bad = [(p, label(p), ident(p), field, message) for p, field, message in rejected]
    return rows, bad, summary, len(frame), ignored


def _check_frame_part(form: Form, frame, id_column: Optional[str], labelled: bool, keep_given: bool = True):
    return _rows_of(form, frame, id_column, labelled, keep_given)


def _check_lines_part(form: Form, lines: List[str], id_column: Optional[str], keep_given: bool):
    """One block of JSON Lines: each non-blank line a form, as the command
    reads them; a line that is no JSON object is a form not checked."""
    import pandas as pd

    records: List[Dict[str, Any]] = []
    ids: List[str] = []
    where: List[int] = []     # position among the block's forms of each good record
    broken: List[Tuple[int, str]] = []
    count = 0
    for line in lines:
        text = line.rstrip("\r\n").lstrip("\ufeff")  # a file's byte-order mark is no part of its first form
        if not text.strip(" \t"):
            continue
        position = count
        count += 1
        try:
            obj = json.loads(text, parse_constant=_no_constant)
        except ValueError as e:
            broken.append((position, f"malformed JSON: {e}"))
            continue
        if not isinstance(obj, dict):
            broken.append((position, "each line must be a JSON object of field names"))
            continue
        if id_column is not None and id_column in obj:
            value = obj.pop(id_column)
            ids.append(value if isinstance(value, str) else json.dumps(value, ensure_ascii=False))
        else:
            ids.append("")
        records.append(obj)
        where.append(position)
    names: Dict[str, None] = {}
    for obj in records:
        for key in obj:
            names.setdefault(key, None)
    frame = pd.DataFrame({n: [obj.get(n) for obj in records] for n in names}, index=range(len(records)),
                         dtype=object)
    if id_column is not None:
        frame[id_column] = ids
    rows, bad, summary, _, ignored = _rows_of(form, frame, id_column, False, keep_given)
    rows = [(where[r[0]],) + tuple(r[1:]) for r in rows]
    bad = [(where[r[0]],) + tuple(r[1:]) for r in bad]
    for position, message in broken:
        bad.append((position, None, None, None, message))
    bad.sort(key=lambda r: r[0])
    summary = dict(summary)
    summary["forms"] += len(broken)
    summary["not_checked"] += len(broken)
    return rows, bad, summary, count, ignored


def _no_constant(name: str):
    raise ValueError(f"{name} is no JSON value")


def _probe() -> str:
    import talvechk

    return talvechk.__file__


# ---- on the client ------------------------------------------------------------

def _paths(source) -> List[str]:
    if isinstance(source, (str, os.PathLike)):
        return [os.fspath(source)]
    if isinstance(source, Sequence) and source and all(isinstance(p, (str, os.PathLike)) for p in source):
        return [os.fspath(p) for p in source]
    raise TypeError("source must be a path, a list of paths, a pandas DataFrame or a Dask DataFrame")


def _format_of(paths: List[str], input_format: Optional[str]) -> str:
    if input_format is not None:
        if input_format not in ("csv", "jsonl"):
            raise ValueError(f"input_format must be 'csv' or 'jsonl', not {input_format!r}")
        return input_format
    kinds = {"jsonl" if p.lower().endswith(_JSONL_SUFFIXES) else "csv" if p.lower().endswith(".csv") else None
             for p in paths}
    if None in kinds:
        raise ValueError("cannot tell the format from the names; give input_format='csv' or 'jsonl'")
    if len(kinds) != 1:
        raise ValueError("CSV and JSON Lines files mixed; check them separately")
    return kinds.pop()


def _tasks(form: Form, source, id_column, blocksize, encoding, input_format, partitions: int):
    import dask
    import dask.bag as db
    import dask.dataframe as dd
    import pandas as pd

    if isinstance(source, pd.DataFrame):
        step = max(1, -(-len(source) // max(1, partitions)))
        parts = [source.iloc[i:i + step] for i in range(0, max(len(source), 1), step)]
        return [dask.delayed(_check_frame_part)(form, part, id_column, True) for part in parts], True
    if isinstance(source, dd.DataFrame):
        return [dask.delayed(_check_frame_part)(form, part, id_column, True) for part in source.to_delayed()], True
    paths = _paths(source)
    kind = _format_of(paths, input_format)
    codec = _ENCODINGS.get(str(encoding).lower())
    if codec is None:
        raise ValueError(f"encoding must be 'utf-8' or 'cp932', not {encoding!r}")
    # As the command: UTF-8 texts are shown as the file has them, CP932 ones
    # as the library reads them.
    keep_given = codec == "utf-8"
    if kind == "csv":
        # Every cell as text, nothing guessed missing; bytes that do not
        # decode reach the check as text it refuses, so only that form is
        # left out.
        frame = dd.read_csv(paths, blocksize=blocksize, dtype=str, keep_default_na=False, na_filter=False,
                            encoding="utf-8-sig" if codec == "utf-8" else codec,
                            encoding_errors="surrogateescape")
        return [dask.delayed(_check_frame_part)(form, part, id_column, False, keep_given)
                for part in frame.to_delayed()], False
    bag = db.read_text(paths, blocksize=blocksize, encoding=codec, errors="surrogateescape")
    return [dask.delayed(_check_lines_part)(form, part, id_column, keep_given) for part in bag.to_delayed()], False


def _workers_have_talvechk(client) -> None:
    try:
        client.run(_probe)
    except Exception as e:  # whatever the worker's unpickling raised
        raise RuntimeError(
            "the Dask workers cannot import talvechk; install it where they run (cmake --install) or put its "
            f"site-packages on their PYTHONPATH ({type(e).__name__}: {e})") from None


def check(form: Union[Form, str, os.PathLike, Dict[str, Any]], source, *, id_column: Optional[str] = None,
          client=None, blocksize: Union[int, str, None] = "64MB", encoding: str = "utf-8",
          input_format: Optional[str] = None):
    """Checks results files, or a DataFrame, on a Dask cluster.

    form:         a Form, a definition's path, or its dict
    source:       a path or a list of paths (CSV with a header row, or JSON
                  Lines; told by the names, .csv / .jsonl .ndjson .json, or
                  by input_format; globs as Dask reads them), a pandas
                  DataFrame (split into one part per worker) or a Dask
                  DataFrame (its partitions)
    id_column:    the column or key that identifies each form
    client:       a distributed.Client, or a scheduler's address; None uses
                  Dask's current scheduler (the current Client if any)
    blocksize:    files are split into blocks of about this size (None: one
                  partition per file)
    encoding:     "utf-8" or "cp932"

    Returns the findings as check_frame does (row, id, field, outcome, code,
    message, values), in the command's order: for files, row is the form's
    number as `talvechk check` counts it (from 1, on through the files in
    the order given); for a DataFrame, its index label.  attrs["summary"]
    holds the command's counts (forms, not_checked, checks, passed, failed,
    errors, flagged), attrs["rejected"] the forms not checked.
    """
    if not isinstance(form, Form):
        form = Form.from_dict(form) if isinstance(form, dict) else Form.load(form)
    own_client = None
    if isinstance(client, str):
        from distributed import Client

        client = own_client = Client(client)
    try:
        if client is not None:
            _workers_have_talvechk(client)
            partitions = max(1, len(client.scheduler_info().get("workers", {})))
        else:
            partitions = max(1, os.cpu_count() or 1)
        tasks, labelled = _tasks(form, source, id_column, blocksize, encoding, input_format, partitions)
        if client is not None:
            results = client.gather(client.compute(tasks))
        else:
            import dask

            results = dask.compute(*tasks)
    finally:
        if own_client is not None:
            own_client.close()
    return _combine(form, results, labelled)


def _combine(form: Form, results, labelled: bool):
    rows, bad = [], []
    summary = dict.fromkeys(SUMMARY_KEYS, 0)
    ignored: Dict[str, None] = {}
    offset = 0
    for part_rows, part_bad, part_summary, count, part_ignored in results:
        def row_of(p, label):
            return label if labelled else offset + p + 1

        rows.extend((row_of(r[0], r[1]),) + tuple(r[2:]) for r in part_rows)
        bad.extend((row_of(r[0], r[1]),) + tuple(r[2:]) for r in part_bad)
        for key in SUMMARY_KEYS:
            summary[key] += part_summary[key]
        for name in part_ignored:
            ignored.setdefault(name, None)
        offset += count
    warn_set_aside(list(ignored), bad, form.path)
    return findings_frame(rows, bad, summary)
