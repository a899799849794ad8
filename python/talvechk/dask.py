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
from typing import Any, Dict, List, Optional, Sequence, Union

from ._errors import TalvechkWarning  # noqa: F401  (named in the docs)
from ._form import Form
from ._frame import (COLUMNS, DETAIL_COLUMNS, add_summaries, check_columns, detail_cells, findings_frame, id_texts,
                     positions, say)

__all__ = ["check"]

_ENCODINGS = {"utf-8": "utf-8", "utf8": "utf-8", "cp932": "cp932", "shift_jis": "cp932", "sjis": "cp932"}
# No block is cut smaller: a block costs a task.
_NO_BLOCKS = 1 << 62


# ---- on the workers ---------------------------------------------------------

def _check_frame_part(form: Form, frame, id_column: Optional[str], flags: Dict[str, Any]):
    """Checks one partition of a DataFrame; its rows carry their index label."""
    (found, rejected, summary, said), ids = check_columns(form, frame, id_column, **flags)
    index = frame.index
    at, bad_at = positions(found[0]), positions([r[0] for r in rejected])
    found = (index[at].tolist(), id_texts(ids, at)) + tuple(found[2:])
    bad = [(label, ident) + tuple(r[2:])
           for label, ident, r in zip(index[bad_at].tolist(), id_texts(ids, bad_at), rejected)]
    return found, bad, summary, said


def _check_block_part(form: Form, path: str, plan, index: int, options, flags: Dict[str, Any]):
    """Checks one block of a file with the host's reader: forms numbered
    from 1 within the block."""
    return form._core.check_block(path, plan, index, options, flags["allow_missing"], flags["strict"],
                                  flags["explain"], flags["suggest"])


def _probe() -> str:
    import talvechk

    return talvechk.__file__


# ---- on the client ------------------------------------------------------------

def _paths(source) -> List[str]:
    import glob

    if isinstance(source, (str, os.PathLike)):
        names = [os.fspath(source)]
    elif isinstance(source, Sequence) and source and all(isinstance(p, (str, os.PathLike)) for p in source):
        names = [os.fspath(p) for p in source]
    else:
        raise TypeError("source must be a path, a list of paths, a pandas DataFrame or a Dask DataFrame")
    paths = []
    for name in names:
        # A glob names the files it matches, in name order; a name that is a
        # file is taken as it is.
        matched = sorted(glob.glob(name)) if glob.has_magic(name) and not os.path.exists(name) else []
        paths.extend(matched or [name])
    return paths


def _target(blocksize) -> int:
    if blocksize is None:
        return _NO_BLOCKS
    if isinstance(blocksize, str):
        from dask.utils import parse_bytes

        blocksize = parse_bytes(blocksize)
    if not isinstance(blocksize, int) or isinstance(blocksize, bool) or blocksize < 1:
        raise ValueError(f"blocksize must be a positive number of bytes, a size such as '64MB', or None")
    return blocksize


def _tasks(form: Form, source, id_column, blocksize, encoding, input_format, delimiter, partitions: int,
           flags: Dict[str, Any]):
    import dask
    import dask.dataframe as dd
    import pandas as pd

    frame_flags = {k: flags[k] for k in ("keep", "ignore_unknown", "allow_missing", "strict", "explain", "suggest")}
    if isinstance(source, pd.DataFrame):
        step = max(1, -(-len(source) // max(1, partitions)))
        parts = [source.iloc[i:i + step] for i in range(0, max(len(source), 1), step)]
        return [dask.delayed(_check_frame_part)(form, part, id_column, frame_flags) for part in parts], True
    if isinstance(source, dd.DataFrame):
        return [dask.delayed(_check_frame_part)(form, part, id_column, frame_flags)
                for part in source.to_delayed()], True
    paths = _paths(source)
    codec = _ENCODINGS.get(str(encoding).lower())
    if codec is None:
        raise ValueError(f"encoding must be 'utf-8' or 'cp932', not {encoding!r}")
    if input_format is not None and input_format not in ("csv", "jsonl"):
        raise ValueError(f"input_format must be 'csv' or 'jsonl', not {input_format!r}")
    if delimiter == "\t":
        delimiter = "tab"
    options = (input_format or "auto", codec, id_column or "", list(flags["keep"]), bool(flags["ignore_unknown"]),
               delimiter or "auto")
    target = _target(blocksize)
    tasks = []
    for path in paths:
        # The header and the form boundaries as the host's reader finds them.
        plan = form._core.plan_blocks(path, options, target)
        tasks.extend(dask.delayed(_check_block_part)(form, path, plan, i, options, frame_flags)
                     for i in range(len(plan[5])))
    return tasks, False


def _workers_have_talvechk(client) -> None:
    try:
        client.run(_probe)
    except Exception as e:  # whatever the worker's unpickling raised
        raise RuntimeError(
            "the Dask workers cannot import talvechk; install it where they run (cmake --install) or put its "
            f"site-packages on their PYTHONPATH ({type(e).__name__}: {e})") from None


def check(form: Union[Form, str, os.PathLike, Dict[str, Any]], source, *, id_column: Optional[str] = None,
          client=None, blocksize: Union[int, str, None] = "64MB", encoding: str = "utf-8",
          input_format: Optional[str] = None, delimiter: Optional[str] = None, keep=None,
          ignore_unknown: bool = False, allow_missing: bool = False, strict: bool = False,
          explain: bool = False, suggest: bool = False):
    """Checks results files, or a DataFrame, on a Dask cluster, as `talvechk
    check` checks them.

    form:         a Form, a definition's path, or its dict
    source:       a path or a list of paths (CSV with a header row, or JSON
                  Lines; told by the names, .csv / .jsonl .ndjson .json, or
                  by input_format), a pandas DataFrame (split into one part
                  per worker) or a Dask DataFrame (its partitions)
    id_column:    the column or key that identifies each form (--id)
    client:       a distributed.Client, or a scheduler's address; None uses
                  Dask's current scheduler (the current Client if any)
    blocksize:    files are cut into blocks of about this size, each where
                  a form starts as the command's reader reads the file (a
                  quoted cell is never cut); None: one block per file
    encoding:     "utf-8" or "cp932" (--encoding)
    delimiter:    CSV: ",", ";" or "tab"; None: the one under which the
                  header names fields, as the command tells it
    keep, ignore_unknown, allow_missing, strict, explain, suggest: as for
                  check_frame, and as the command's options of those names

    Each block is read by the host's CSV or JSON Lines reader on a worker,
    so that form numbers, forms not checked, messages and counts are the
    command's.  Returns the findings as check_frame does (row, id, field,
    outcome, code, message, values, and with explain the check, explain and
    suggestions columns), in the command's order: for files, row is the
    form's number as `talvechk check` counts it (from 1, on through the
    files in the order given); for a DataFrame, its index label.
    attrs["summary"] holds the command's JSON summary keys, attrs["rejected"]
    the forms not checked (row, id, field, message); what the command says
    on standard error comes as TalvechkWarning, each once.
    """
    if not isinstance(form, Form):
        form = Form.from_dict(form) if isinstance(form, dict) else Form.load(form)
    flags = {"keep": [] if keep is None else ([keep] if isinstance(keep, str) else [str(k) for k in keep]),
             "ignore_unknown": bool(ignore_unknown), "allow_missing": bool(allow_missing),
             "strict": bool(strict), "explain": bool(explain or suggest), "suggest": bool(suggest)}
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
        tasks, labelled = _tasks(form, source, id_column, blocksize, encoding, input_format, delimiter,
                                 partitions, flags)
        if client is not None:
            results = client.gather(client.compute(tasks))
        else:
            import dask

            results = dask.compute(*tasks)
    finally:
        if own_client is not None:
            own_client.close()
    return _combine(form, results, labelled, flags["explain"], id_column is not None)


def _combine(form: Form, results, labelled: bool, detail: bool, has_id: bool):
    rows, bad, summaries, said = [], [], [], []
    offset = 0
    for part_rows, part_bad, part_summary, part_said in results:
        summary = json.loads(part_summary)

        def row_of(n):
            return n if labelled else offset + n

        def ident(r):
            return r[1] if labelled or has_id else None

        rows.extend((row_of(r[0]), ident(r)) + tuple(r[2:7]) + (tuple(detail_cells(r[7])) if detail else ())
                    for r in zip(*part_rows))
        bad.extend((row_of(r[0]), ident(r)) + tuple(r[2:]) for r in part_bad)
        summaries.append(summary)
        said.extend(part_said)
        offset += summary["forms"]
    say(said, bad)
    width = len(COLUMNS) + (len(DETAIL_COLUMNS) if detail else 0)
    columns = [list(c) for c in zip(*rows)] if rows else [[] for _ in range(width)]
    return findings_frame(columns, bad, add_summaries(form, summaries), detail)

