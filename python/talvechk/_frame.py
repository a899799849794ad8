"""Checking a table of recognised texts: one row per form."""

from __future__ import annotations

import json
import re
import warnings
from typing import Any, Dict, Iterable, List, Optional, Sequence

from . import _core
from ._errors import TalvechkWarning

COLUMNS = ["row", "id", "field", "outcome", "code", "message", "values"]
DETAIL_COLUMNS = ["check", "explain", "suggestions"]
REJECTED_COLUMNS = ["row", "id", "field", "message"]
#: The summary's keys in the command's order, with how each adds up over
#: parts of a batch: "count", "nonzero" (present only when not 0),
#: "timing" (not given by Python) or "by_field".
SUMMARY_KEYS = [tuple(k) for k in _core.SUMMARY_KEYS]


def _label_bytes(label) -> bytes:
    text = str(label)
    try:
        return text.encode("utf-8", "surrogateescape")
    except UnicodeEncodeError:
        return text.encode("utf-8", "surrogatepass")


def _keep_list(keep: Optional[Iterable[str]]) -> List[str]:
    if keep is None:
        return []
    if isinstance(keep, str):
        return [keep]
    return [str(k) for k in keep]


def check_columns(form, frame, id_column: Optional[str], keep_given: bool = True, *, keep=None,
                  ignore_unknown: bool = False, allow_missing: bool = False, strict: bool = False,
                  explain: bool = False, suggest: bool = False):
    """The core's answer for a DataFrame: (findings as columns, rejected,
    summary text, messages) with forms numbered from 1 in the frame's order,
    and the id column's cells (an array of objects) or None."""
    import pandas as pd

    if not isinstance(frame, pd.DataFrame):
        raise TypeError(f"expected a pandas DataFrame, not {type(frame).__name__}")
    ids = None
    names, columns = [], []
    for position, label in enumerate(frame.columns):
        # Each column's cells as they are held: no list of them is made.
        cells = frame.iloc[:, position].to_numpy(dtype=object)
        if id_column is not None and label == id_column:
            if ids is None:
                ids = cells
            continue
        names.append(_label_bytes(label))
        columns.append(cells)
    if id_column is not None and ids is None:
        raise KeyError(f"no column {id_column!r} for id_column")
    answer = form._core.check_columns(names, columns, len(frame), keep_given, _keep_list(keep),
                                      bool(ignore_unknown), bool(allow_missing), bool(strict), bool(explain),
                                      bool(suggest))
    return answer, ids


def id_texts(ids, positions) -> list:
    """The ids of the rows at positions (0-based), as the findings show them."""
    if ids is None:
        return [None] * len(positions)
    return ["" if v is None else str(v) for v in ids[positions]]


def positions(forms: Sequence[int]):
    """0-based positions of forms numbered from 1."""
    import numpy as np

    return np.asarray(forms, dtype=np.intp) - 1


_PLACE = re.compile(r"^.*?:\d+(?::\d+)?: ")


def say(messages: Sequence[tuple], rejected: list, stacklevel: int = 3) -> None:
    """Each (is_error, text) message once, as the command says it once on
    standard error.  Parts of a batch read apart each say what is said once
    a batch (the header's columns, a check that does not certify) and a
    warning said once a key at its first line (an unknown JSON key): the
    first one of those stands, as the command's reader of the whole file
    says it."""
    seen = set()
    for is_error, text in messages:
        key = text if is_error else _PLACE.sub("", text, count=1)
        if key in seen:
            continue
        seen.add(key)
        warnings.warn(text, TalvechkWarning, stacklevel=stacklevel)
    if rejected:
        warnings.warn(f"{len(rejected)} form(s) not checked because of bad input; "
                      "see result.attrs['rejected']", TalvechkWarning, stacklevel=stacklevel)


def add_summaries(form, parts: Sequence[Dict[str, Any]]) -> Dict[str, Any]:
    """The summary of a batch checked in parts, key by key as the command's."""
    total: Dict[str, Any] = {}
    for key, kind in SUMMARY_KEYS:
        if kind == "timing":
            continue
        if kind == "by_field":
            merged: Dict[str, Dict[str, int]] = {}
            for part in parts:
                for name, tally in part.get(key, {}).items():
                    slot = merged.setdefault(name, {"failed": 0, "errors": 0})
                    slot["failed"] += tally["failed"]
                    slot["errors"] += tally["errors"]
            total[key] = {name: merged[name] for name in form.fields if name in merged}
            continue
        value = sum(part.get(key, 0) for part in parts)
        if kind == "count" or value:
            total[key] = value
    return total


def detail_cells(detail: Optional[str]) -> list:
    if detail is None:
        return [None, None, None]
    d = json.loads(detail)
    return [d.get("check"), d.get("explain"), d.get("suggestions")]


def findings_frame(columns: Sequence[list], rejected: List[tuple], summary: Dict[str, Any], detail: bool = False):
    """The findings frame of one list per column (COLUMNS, then
    DETAIL_COLUMNS when detail)."""
    import pandas as pd

    names = COLUMNS + (DETAIL_COLUMNS if detail else [])
    out = pd.DataFrame(dict(zip(names, columns)), columns=names)
    out["code"] = out["code"].astype("int64")
    out.attrs["summary"] = dict(summary)
    out.attrs["rejected"] = pd.DataFrame(rejected, columns=REJECTED_COLUMNS)
    return out


def detail_columns(details: Sequence[Optional[str]]) -> List[list]:
    """The check, explain and suggestions columns of each finding's detail."""
    cells = [detail_cells(d) for d in details]
    return [[c[k] for c in cells] for k in range(len(DETAIL_COLUMNS))]


def check_frame(form, frame: Any, id_column: Optional[str] = None, *, keep: Optional[Iterable[str]] = None,
                ignore_unknown: bool = False, allow_missing: bool = False, strict: bool = False,
                explain: bool = False, suggest: bool = False):
    """Checks every row of a DataFrame of recognised texts (one row per
    form, one column per field, every cell a str or None), as `talvechk
    check` checks a file.

    Returns a DataFrame of the checks that did not pass, in the command's
    order (row by row, each row's checks in the definition's order), with
    the columns row (the frame's index label), id (the id_column's value,
    or None), field, outcome ("failed" or "error"), code (int), message
    (Japanese) and values (dict: the texts the check read).  explain=True
    adds the columns check, explain (the command's --explain records) and
    suggestions (None); suggest=True fills suggestions with the command's
    --suggest candidates too.

    The command's rules hold, each said once as a TalvechkWarning: a
    check that does not certify is skipped on every form (strict=True
    raises FormError instead); a field with no column has the checks that
    read it not made (allow_missing=True reads it as empty, as
    --allow-missing); a column that names no field is ignored (keep=
    names columns meant so, ignore_unknown=True says nothing of them).

    result.attrs["summary"] holds the keys of the command's JSON summary
    (with --no-timing): forms, not_checked, crashed, checks, passed,
    failed, errors, column_missing and skipped (when not 0), flagged,
    by_field, findings, shown.  A row that cannot be checked (a cell that
    is not str, say NaN from a reader that guessed; a text longer than the
    field holds, or with a character CP932 lacks) is left out and listed in
    result.attrs["rejected"] (row, id, field, message), as the command
    reports a bad form and checks the rest.  A field given in two columns
    raises ValueError.
    """
    (found, rejected, summary, said), ids = check_columns(
        form, frame, id_column, keep=keep, ignore_unknown=ignore_unknown, allow_missing=allow_missing,
        strict=strict, explain=explain or suggest, suggest=suggest)
    say(said, rejected)
    index = frame.index
    forms, _, fields, outcomes, codes, messages, values, details = found
    at = positions(forms)
    columns = [index[at].tolist(), id_texts(ids, at), fields, outcomes, codes, messages, values]
    detail = explain or suggest
    if detail:
        columns += detail_columns(details)
    bad_at = positions([r[0] for r in rejected])
    bad = [(label, ident) + tuple(r[2:])
           for label, ident, r in zip(index[bad_at].tolist(), id_texts(ids, bad_at), rejected)]
    return findings_frame(columns, bad, json.loads(summary), detail)
