"""The exceptions and warnings of talvechk."""

from __future__ import annotations


class FormError(ValueError):
    """A form definition that cannot be used.

    ``str(error)`` names the place as the command does
    (``file:line:column: field NAME: what``); the parts are also attributes:
    ``file``, ``line``, ``column`` and ``field`` (``None`` when not known) and
    ``reason`` (the message without the place).
    """

    def __init__(self, message: str, file: str | None = None, line: int | None = None,
                 column: int | None = None, field: str | None = None, reason: str | None = None):
        super().__init__(message)
        self.file = file
        self.line = line
        self.column = column
        self.field = field
        self.reason = reason if reason is not None else message

    def __reduce__(self):
        return (type(self), (str(self), self.file, self.line, self.column, self.field, self.reason))


class TalvechkWarning(UserWarning):
    """Input that was set aside rather than checked: columns that name no
    field, rows whose values could not be read."""
