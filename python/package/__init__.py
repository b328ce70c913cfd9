"""Document input and output in compound files.

The classes, enumerations and errors of the library Vellora2; docs/python.md
says how Automation values and by-reference arguments map to Python.
"""

import os
from typing import Any, Union

from . import _vellora2
from ._vellora2 import *  # noqa: F401,F403

# The stubs' names for what members take: any value, and a path.
Value = Any
StrPath = Union[str, os.PathLike]

__version__: str = _vellora2.__version__

# Help, reprs and pickles name the package, not the extension inside it.
for _name in dir(_vellora2):
    _value = getattr(_vellora2, _name)
    if isinstance(_value, type) and _value.__module__ == _vellora2.__name__:
        _value.__module__ = __name__
del _name, _value
