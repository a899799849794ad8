import os
from typing import Any, Dict, Optional, Sequence, Union

import pandas

from . import Form

def check(form: Union[Form, str, os.PathLike[str], Dict[str, Any]],
          source: Union[str, os.PathLike[str], Sequence[Union[str, os.PathLike[str]]], pandas.DataFrame, Any], *,
          id_column: Optional[str] = ..., client: Any = ..., blocksize: Union[int, str, None] = ...,
          encoding: str = ..., input_format: Optional[str] = ..., delimiter: Optional[str] = ...,
          keep: Optional[Sequence[str]] = ..., ignore_unknown: bool = ..., allow_missing: bool = ...,
          strict: bool = ..., explain: bool = ..., suggest: bool = ...) -> pandas.DataFrame: ...
