"""A script that mypy --strict checks against the installed package: it passes
only when mypy finds the package's stubs (py.typed) and they say what a script
gets back."""

import os
import tempfile

import vellora2


def main() -> None:
    work = tempfile.mkdtemp()
    with vellora2.CVellora() as doc:
        created: bool = doc.NewFile()
        assert created
        files: vellora2.CFilesIO = doc.CFilesIO
        files.PutLine("hello", 0)
        doc.SaveToPath(os.path.join(work, "typed.qxv"))
        streams = files.EnumStreams()
        names: list[str] = streams if streams is not None else []
        print(names)
    try:
        vellora2.CVellora().OpenFile(os.path.join(work, "missing.qxv"))
    except vellora2.AutomationError as error:
        number: int = error.number
        print(number, error.source, error.description)
    kinds: list[vellora2.VarType] = [vellora2.VarType.Long, vellora2.VarType.String]
    print([int(kind) for kind in kinds])


main()
