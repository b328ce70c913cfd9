#!/usr/bin/env python3
"""Makes a document, imports files into it, reads a stream line by line and
prints the document's properties.

    PYTHONPATH=<build>/python/package python3 examples/python_demo.py FILE...

Without files it imports a small text of its own. The document is saved as
demo.qxv in a temporary folder, which the script names at the end.
"""

import os
import sys
import tempfile

import vellora2


def main(paths):
    work = tempfile.mkdtemp(prefix="vellora2-demo-")
    if not paths:
        sample = os.path.join(work, "readme.txt")
        with open(sample, "wb") as f:
            f.write(b"Vellora2 keeps a project in one compound file.\r\n"
                    b"Each file imported becomes a stream.\r\n")
        paths = [sample]

    with vellora2.CVellora() as doc:
        doc.NewFile()
        files = doc.CFilesIO
        for path in paths:
            _, name = files.Import(os.path.abspath(path), "Files\\" + os.path.basename(path))
            print(f"imported {path} as {name}")

        first = "Files\\" + os.path.basename(paths[0])
        print(f"\n{first}, line by line:")
        with files.loaded(first):
            number = 0
            while not files.EOFStream:
                number += 1
                print(f"{number:4}  {files.GetLine()}")

        doc.DocTitle = "Python demo"
        doc.DocAuthor = os.environ.get("USER", "someone")
        doc.DocComments = f"{len(paths)} file(s) imported"
        target = os.path.join(work, "demo.qxv")
        doc.SaveToPath(target)
        doc.Dirty = False

        print("\nproperties:")
        for prop in ("DocTitle", "DocAuthor", "DocSubject", "DocKeywords", "DocComments", "DocCompany",
                     "DocEmail", "DocWebPage", "DocPhoneNum", "AppName", "AppVersion"):
            print(f"  {prop:12} {getattr(doc, prop)!r}")
        print(f"\nstreams in Files: {files.EnumStreams('Files')[0]}")
        print(f"saved as {target}")


if __name__ == "__main__":
    try:
        main(sys.argv[1:])
    except vellora2.AutomationError as e:
        sys.exit(f"python_demo: {e}")
