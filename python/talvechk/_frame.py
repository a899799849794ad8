"""Checking a table of recognised texts: one row per form."""

from __future__ import annotations

import warnings
from typing import Any, Dict, List, Optional, Tuple

from ._errors import TalvechkWarning

COLUMNS = ["row", "id", "field", "outcome", "code", "message", "values"]
REJECTED_COLUMNS = ["row", "id", "field", "message"]
SUMMARY_KEYS = ["forms", "not_checked", "checks", "passed", "failed", "errors", "flagged"]


def check_columns(form, frame, id_column: Optional[str], keep_given: bool = True
                  ) -> Tuple[list, list, Dict[str, int], List[str], list]:
    """The core's answer for a DataFrame: findings and rejected rows with
    0-based positions, the summary, the ignored column names, and the ids.
    keep_given=False shows values as the library reads them (as the
    command does for CP932 files)."""
    import pandas as pd

    if not isinstance(frame, pd.DataFrame):
        raise TypeError(f"expected a pandas DataFrame, not {type(frame).__name__}")
    ids = None
    names, columns = [], []
    for position, label in enumerate(frame.columns):
        if id_column is not None and label == id_column:
            if ids is None:
                ids = ["" if v is None else str(v) for v in frame.iloc[:, position].tolist()]
            continue
        names.append(str(label))
        columns.append(frame.iloc[:, position].tolist())
    if id_column is not None and ids is None:
        raise KeyError(f"no column {id_column!r} for id_column")
    found, rejected, summary, ignored = form._core.check_columns(names, columns, len(frame), keep_given)
    return found, rejected, summary, ignored, ids


def warn_set_aside(ignored: List[str], rejected: list, form_path: str) -> None:
    if ignored:
        shown = ", ".join(repr(n) for n in ignored[:5]) + (", ..." if len(ignored) > 5 else "")
        warnings.warn(f"{len(ignored)} column(s) name no field of {form_path} and are ignored: {shown}",
                      TalvechkWarning, stacklevel=3)
    if rejected:
        warnings.warn(f"{len(rejected)} form(s) not checked because of bad input; "
                      "see result.attrs['rejected']", TalvechkWarning, stacklevel=3)


def findings_frame(rows: List[tuple], rejected: List[tuple], summary: Dict[str, int]):
    import pandas as pd

    out = pd.DataFrame(rows, columns=COLUMNS)
    out["code"] = out["code"].astype("int64")
    out.attrs["summary"] = dict(summary)
    out.attrs["rejected"] = pd.DataFrame(rejected, columns=REJECTED_COLUMNS)
    return out


def check_frame(form, frame: Any, id_column: Optional[str] = None):
    """Checks every row of a DataFrame of recognised texts (one row per
    form, one column per field, every cell a str or None).

    Returns a DataFrame of the checks that did not pass, in the command's
    order (row by row, each row's checks in the definition's order), with
    the columns row (the frame's index label), id (the id_column's value,
    or None), field, outcome ("failed" or "error"), code (int), message
    (Japanese) and values (dict: the texts the check read).

    result.attrs["summary"] counts as the command does: forms, not_checked,
    checks, passed, failed, errors, flagged.  A row that cannot be checked
    (a cell that is not str, say NaN from a reader that guessed; a text
    longer than the field holds, or with a character CP932 lacks) is left
    out and listed in result.attrs["rejected"] (row, id, field, message),
    as the command reports a bad form and checks the rest; a
    TalvechkWarning says so.  Columns that name no field are ignored, with
    a warning; a field given in two columns raises ValueError.
    """
    found, rejected, summary, ignored, ids = check_columns(form, frame, id_column)
    warn_set_aside(ignored, rejected, form.path)
    index = frame.index
    ident = (lambda p: ids[p]) if ids is not None else (lambda p: None)
    rows = [(index[p], ident(p), field, outcome, code, message, values)
            for p, field, outcome, code, message, values in found]
    bad = [(index[p], ident(p), field, message) for p, field, message in rejected]
    return findings_frame(rows, bad, summary)
