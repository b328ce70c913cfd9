"""Every public member of the module explains itself in help(): pybind11 puts
the signature first in __doc__, so a member without a text of its own has only
that line (or, when overloaded, only the numbered signatures)."""

import re

import vellora2

_SIGNATURE = re.compile(r"^(\d+\. )?\w+\(.*\)( -> .*)?$")


def _texts(doc):
    """The texts that follow each signature of a pybind11 docstring."""
    lines = (doc or "").strip().splitlines()
    if len(lines) > 1 and lines[1] == "Overloaded function.":
        lines = lines[1:]
    if lines and lines[0] == "Overloaded function.":
        sections, current = [], None
        for line in lines[1:]:
            if re.match(r"^\d+\. \w+\(", line):
                current = []
                sections.append(current)
            elif current is not None:
                current.append(line)
        return ["\n".join(s).strip() for s in sections]
    return ["\n".join(line for line in lines if not _SIGNATURE.match(line)).strip()]


def _is_enum(cls):
    return hasattr(cls, "__members__")


def _undocumented():
    missing = []
    for name in dir(vellora2):
        if name.startswith("_"):
            continue
        value = getattr(vellora2, name)
        if isinstance(value, type):
            if _is_enum(value) or issubclass(value, BaseException):
                continue
            for member, attr in vars(value).items():
                if member.startswith("_"):
                    continue
                if isinstance(attr, property) or callable(attr) or isinstance(attr, staticmethod):
                    doc = attr.__doc__ if not isinstance(attr, staticmethod) else attr.__func__.__doc__
                    if not all(_texts(doc)):
                        missing.append(f"{name}.{member}")
        elif callable(value) and getattr(value, "__module__", "") == "vellora2._vellora2" and not all(_texts(value.__doc__)):
            missing.append(name)
    return missing


def test_every_public_member_has_a_docstring():
    assert _texts("f(self: X) -> int\n") == [""]
    assert _texts("f(self: X) -> int\n\nDoes f.\n") == ["Does f."]
    assert _texts("f(*args, **kwargs)\nOverloaded function.\n\n1. f(self: X) -> int\n\nOne.\n\n2. f(self: X, a: int) -> int\n") == ["One.", ""]
    assert _undocumented() == []
