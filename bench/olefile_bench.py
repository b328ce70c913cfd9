"""olefile_bench: the reading scenarios done with python3-olefile.

Same subcommands, documents and output line as vellora_bench:
    seconds=<wall time of the work> bytes=<payload bytes moved>
olefile only reads (it can overwrite a stream of the same size, but cannot
create a document), so it takes part in read, readbig, export and open.
Run it with Debian's /usr/bin/python3, which has python3-olefile.
"""
import sys
import time

import olefile


def read(doc):
    with olefile.OleFileIO(doc) as ole:
        total = 0
        for entry in ole.listdir(streams=True, storages=False):
            with ole.openstream(entry) as stream:
                total += len(stream.read())
        return total


def readbig(doc):
    with olefile.OleFileIO(doc) as ole:
        with ole.openstream("data") as stream:
            return len(stream.read())


def export(doc, target):
    with olefile.OleFileIO(doc) as ole:
        with ole.openstream("data") as stream:
            data = stream.read()
        with open(target, "wb") as out:
            out.write(data)
        return len(data)


def open_list(doc):
    with olefile.OleFileIO(doc) as ole:
        return sum(ole.get_size(entry) for entry in ole.listdir(streams=True, storages=False))


COMMANDS = {"read": (1, read), "readbig": (1, readbig), "export": (2, export), "open": (1, open_list)}


def main(argv):
    if len(argv) < 2 or argv[1] not in COMMANDS or len(argv) - 2 != COMMANDS[argv[1]][0]:
        print("usage: olefile_bench.py %s PATHS..." % "|".join(COMMANDS), file=sys.stderr)
        return 2
    start = time.perf_counter()
    count = COMMANDS[argv[1]][1](*argv[2:])
    print("seconds=%.6f bytes=%d" % (time.perf_counter() - start, count))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
