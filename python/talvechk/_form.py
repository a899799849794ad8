"""Form definitions and the checks of one form."""

from __future__ import annotations

import json
import os
from typing import Any, Dict, List, Mapping, Optional

from . import _core
from ._errors import FormError
from ._results import Finding

#: Steps of one check's trace that check(..., explain=True) keeps, at most.
EXPLAIN_STEPS: int = _core.EXPLAIN_STEPS

_cache: Dict[str, "Form"] = {}


class Form:
    """A form definition: its fields, and a check expression for some of
    them.  The same JSON definition as the talvechk command, with the same
    rules; a bad one raises FormError naming the place.

    A Form pickles as its definition, so it can be sent to other processes
    (Dask workers) as it is.
    """

    __slots__ = ("_core",)

    def __init__(self, core: "_core.LoadedForm"):
        self._core = core

    @classmethod
    def load(cls, path: "str | os.PathLike[str]") -> "Form":
        """Reads a definition from a JSON file, as the command does (at
        most 16 MiB; a NUL in the path raises ValueError, as open() does)."""
        name = os.fspath(path)
        raw = os.fsencode(name)
        if b"\0" in raw:
            raise ValueError(f"embedded null byte in the path {_shown(raw)}")
        return cls(_core.LoadedForm.load(raw))

    @classmethod
    def from_dict(cls, definition: Mapping[str, Any], *, name: str = "<dict>") -> "Form":
        """A definition given as the JSON object's Python form
        ({"form": ..., "fields": [{"name": ..., "check": ...}, ...]}).
        name is what error messages call it."""
        if not isinstance(definition, Mapping):
            raise TypeError(f"a form definition is a mapping, not {type(definition).__name__}")
        try:
            text = json.dumps(definition, ensure_ascii=False, allow_nan=False)
        except ValueError as e:
            raise TypeError(f"the definition is no JSON object: {e}") from None
        return cls.from_json(text, name=name)

    @classmethod
    def from_json(cls, text: str, *, name: str = "<json>") -> "Form":
        """A definition given as JSON text."""
        if not isinstance(text, str):
            raise TypeError(f"the definition text must be str, not {type(text).__name__}")
        _need_text(name, "the definition's name", ValueError)
        _need_text(text, f"the definition {name}", FormError)
        return cls(_core.LoadedForm.parse(text, name))

    @property
    def path(self) -> str:
        """The file it was read from, or the name given for a dict or text."""
        return self._core.path

    @property
    def title(self) -> str:
        """The definition's "form" entry."""
        return self._core.title

    @property
    def fields(self) -> List[str]:
        """Every field's name, in the definition's order."""
        return self._core.fields

    @property
    def checks(self) -> Dict[str, str]:
        """Field name -> check expression, for the fields that have one."""
        return self._core.checks

    def to_json(self) -> str:
        """The definition's JSON text."""
        return self._core.definition

    def to_dict(self) -> Dict[str, Any]:
        """The definition as Python objects."""
        return json.loads(self._core.definition)

    def check(self, values: Mapping[str, Optional[str]], *, explain: bool = False,
              suggest: bool = False) -> List[Finding]:
        """Every check of the form over one form's recognised texts.

        values maps field names to texts (str; None or a missing name is an
        empty field).  One Finding per check, in the definition's order,
        the passed ones included.  A name that is no field, a value that is
        not str, or a text that does not fit the field (more than
        VALUE_LIMIT bytes in CP932, or a character CP932 lacks) raises
        ValueError or TypeError and checks nothing.

        explain=True also says why each check came out as it did:
        Finding.explain is then the list of records the command's JSON
        report gives under "explain" with --explain (dicts: kind, piece,
        start, length, the values and arguments, impossible, text).  They
        are worked out from at most EXPLAIN_STEPS steps of each check's
        trace; a check of more steps is explained from those, and its last
        record (kind "cut") says so.  suggest=True (which implies explain)
        gives each check that did not pass the command's --suggest
        candidates in Finding.suggestions, in the same order.
        """
        explain = explain or suggest
        found = []
        for row in self._core.check(values, bool(explain), bool(suggest)):
            detail = json.loads(row[6]) if row[6] is not None else {}
            found.append(Finding(*row[:6], explain=detail.get("explain"), suggestions=detail.get("suggestions")))
        return found

    def certify(self) -> List[Finding]:
        """Every check of the form in certify mode: the expressions
        themselves under test (unknown functions and variables, fields that
        may not be referenced, classes that are not numeric), no values
        read."""
        return [Finding(*row) for row in self._core.certify()]

    def lint(self) -> List[Dict[str, Any]]:
        """What the talvechk command tells before a batch: the checks that
        fail alike on every form (verdict "error"), design faults
        ("warning") and checks whose text ends early, so that the library
        never reads the rest ("unread": a "$", or a full-width or other
        double-byte character outside a text or field reference; byte is
        where, unread what is never read).  One dict per finding with
        field, verdict, code, return, message and hint (None, or the slip
        that likely explains it); [] for a clean form."""
        return list(self._core.lint())

    def check_frame(self, frame: Any, id_column: Optional[str] = None, **options):
        """Checks every row of a pandas DataFrame of recognised texts; see
        talvechk.check_frame (options: keep, ignore_unknown, allow_missing,
        strict, explain, suggest)."""
        from ._frame import check_frame

        return check_frame(self, frame, id_column=id_column, **options)

    def __reduce__(self):
        return (_restore, (self._core.definition, self._core.path))

    def __repr__(self) -> str:
        return (f"<talvechk.Form {self.title!r} from {self.path}: "
                f"{len(self.fields)} fields, {len(self.checks)} checks>")


def _shown(raw: bytes) -> str:
    """Bytes for a message: control bytes and NUL escaped."""
    return repr(raw.decode("utf-8", "backslashreplace"))


def _need_text(text: str, what: str, error) -> None:
    """A str that has no UTF-8 form (a lone surrogate) is refused in
    Python's words, naming what it is and where."""
    try:
        text.encode("utf-8")
    except UnicodeEncodeError as e:
        raise error(f"{what}: the text has no UTF-8 form (a lone surrogate {text[e.start]!r} at "
                    f"character {e.start + 1})") from None


def _restore(definition: str, path: str) -> Form:
    # Workers get the same form for every partition: parse it once each.
    form = _cache.get(definition)
    if form is None or form.path != path:
        form = Form(_core.LoadedForm.parse(definition, path))
        if len(_cache) > 16:
            _cache.clear()
        _cache[definition] = form
    return form
