"""talvechk: checks of OCR'd forms' recognition results.

    import talvechk
    form = talvechk.Form.load("invoice.json")
    for finding in form.check({"QTY1": "2", "PRICE1": "300", "AMOUNT1": "601"}):
        if not finding.passed:
            print(finding.field, finding.outcome, finding.message, finding.values)

The library keeps its state per process: calls from several threads are
served one at a time (the module holds a lock, and lets the GIL go while it
checks).  For many processes or machines see talvechk.dask.
"""

from __future__ import annotations

from typing import List, Mapping, Optional, Sequence

from . import _core
from ._errors import FormError, TalvechkWarning
from ._form import EXPLAIN_STEPS, Form, _need_text
from ._frame import check_frame
from ._results import Finding, Result

__all__ = ["Form", "Finding", "Result", "FormError", "TalvechkWarning", "evaluate", "message", "fields",
           "check_frame", "VALUE_LIMIT", "EXPLAIN_STEPS"]
__version__ = "1.0.0"

#: The most bytes (in CP932) one field's text may have.
VALUE_LIMIT: int = _core.VALUE_LIMIT


def _need_str(value, what: str) -> None:
    if not isinstance(value, str):
        raise TypeError(f"{what} must be str, not {type(value).__name__}")
    _need_text(value, what, ValueError)


def evaluate(expression: str, field: str, values: Mapping[str, Optional[str]], *,
             certify: bool = False) -> Result:
    """Evaluates one check expression as the check of field ("@" stands for
    it), with values (field name -> text) as the form's fields; names not
    given are no fields.  certify=True evaluates in certify mode."""
    _need_str(expression, "expression")
    _need_str(field, "field")
    return Result(*_core.evaluate(expression, field, values, bool(certify)))


def message(code: int, name: Optional[str] = None) -> str:
    """The library's message for a result code; name fills in the field,
    variable or function where the message names one."""
    if name is not None:
        _need_str(name, "name")
    return _core.message(code, name)


def fields(expression: str, names: Sequence[str]) -> List[str]:
    """Which of names the expression references, as the library lists them.
    Raises ValueError when the library refuses the call."""
    _need_str(expression, "expression")
    if isinstance(names, str):
        raise TypeError("names must be a sequence of str, not one str")
    names = list(names)
    for n in names:
        _need_str(n, "each name")
    return _core.fields(expression, names)
