"""What a check gives back."""

from __future__ import annotations

from dataclasses import dataclass, field
from typing import Any, Dict, Optional


@dataclass(frozen=True)
class Finding:
    """The outcome of one check of a form.

    field:   the field whose check this is
    outcome: "passed", "failed" (the recognition result is wrong) or "error"
             (the expression or the library could not decide)
    code:    the library's out-code (0, 0x80000000, or an error code)
    ret:     the entry point's return value (0 unless the call was refused)
    message: the library's message, in Japanese
    values:  the recognised texts the check read, field name -> text
    explain: with check(..., explain=True), why the check came out as it
             did: the command's --explain records (dicts: kind, piece,
             start, length, the values, text); None otherwise
    suggestions: with check(..., suggest=True), for a check that did not
             pass, the command's --suggest candidates (dicts: field, from,
             to, change, checks_passed, checks, text); None otherwise
    """

    field: str
    outcome: str
    code: int
    ret: int
    message: str
    values: Dict[str, str] = field(default_factory=dict)
    explain: Optional[Any] = None
    suggestions: Optional[Any] = None

    @property
    def passed(self) -> bool:
        return self.outcome == "passed"


@dataclass(frozen=True)
class Result:
    """The outcome of one evaluation: outcome ("passed", "failed", "error"),
    out-code, the entry point's return value and the message."""

    outcome: str
    code: int
    ret: int
    message: str
