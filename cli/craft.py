#!/usr/bin/env python3
"""Writes crafted compound files for cli_test.sh: trees and names that no sound
writer leaves, laid out by hand so that the tool's reading of them is tested.

  craft.py deep FILE DEPTH   storages "a" nested DEPTH deep, a stream "s" at the bottom
  craft.py names FILE        names the format forbids, and names that move a cursor
  craft.py mini FILE         a mini stream whose size is shorter than the streams in it
"""
import struct
import sys

SECTOR = 4096
MINI = 64
CUTOFF = 4096
FREE, END, FATSECT, NOSTREAM = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFF


class Entry:
    def __init__(self, name, kind, data=b"", children=None, name_len=None):
        self.name = name  # str
        self.kind = kind  # 1 storage, 2 stream, 5 root
        self.data = data
        self.children = children or []
        self.name_len = name_len  # the length field as stored, when not the name's own
        self.id = 0
        self.left = self.right = self.child = NOSTREAM
        self.black = True
        self.start = END
        self.size = 0


def key(entry):
    units = entry.name.encode("utf-16-le")
    return (len(units), entry.name.upper())


def link_siblings(children):
    """A balanced tree in name order; the deepest level red, the rest black."""
    ordered = sorted(children, key=key)
    full = (len(ordered) + 1).bit_length() - 1

    def build(lo, hi, depth):
        if lo >= hi:
            return NOSTREAM
        mid = (lo + hi) // 2
        e = ordered[mid]
        e.black = depth < full
        e.left = build(lo, mid, depth + 1)
        e.right = build(mid + 1, hi, depth + 1)
        return e.id

    return build(0, len(ordered), 0)


def write(path, root, mini_size=None):
    entries = []
    work = [root]
    while work:  # numbered without recursion: the trees here are deep on purpose
        e = work.pop()
        e.id = len(entries)
        entries.append(e)
        work.extend(reversed(e.children))
    for e in entries:
        if e.children:
            e.child = link_siblings(e.children)
    ministream = bytearray()
    regular = []
    for e in entries:
        if e.kind == 2 and e.data:
            e.size = len(e.data)
            if e.size < CUTOFF:
                e.start = len(ministream) // MINI
                ministream += e.data + bytes(-len(e.data) % MINI)
            else:
                regular.append(e)
    sectors = lambda n: -(-n // SECTOR)
    dir_count = sectors(len(entries) * 128)
    minifat = [END] * (len(ministream) // MINI)
    for e in entries:
        if e.kind == 2 and 0 < e.size < CUTOFF:
            n = -(-e.size // MINI)
            for i in range(n - 1):
                minifat[e.start + i] = e.start + i + 1
    minifat_count = sectors(len(minifat) * 4)
    ministream_count = sectors(len(ministream))
    data_count = dir_count + minifat_count + ministream_count + sum(sectors(e.size) for e in regular)
    fat_count = 1
    while fat_count * (SECTOR // 4) < fat_count + data_count:
        fat_count += 1
    assert fat_count <= 109, "the generator keeps the FAT in the header's slots"
    fat = [FREE] * (fat_count * (SECTOR // 4))
    for i in range(fat_count):
        fat[i] = FATSECT
    at = fat_count

    def chain(count):
        nonlocal at
        if count == 0:
            return END
        first = at
        for i in range(count):
            fat[at + i] = at + i + 1 if i + 1 < count else END
        at += count
        return first

    dir_start = chain(dir_count)
    minifat_start = chain(minifat_count)
    root.start = chain(ministream_count)
    root.size = len(ministream) if mini_size is None else mini_size
    for e in regular:
        e.start = chain(sectors(e.size))
    directory = bytearray()
    for e in entries:
        units = e.name.encode("utf-16-le")
        raw = bytearray(128)
        raw[: len(units)] = units
        name_len = len(units) + 2 if e.name_len is None else e.name_len
        struct.pack_into("<HBBIII", raw, 0x40, name_len, e.kind, 1 if e.black else 0, e.left, e.right, e.child)
        struct.pack_into("<IQ", raw, 0x74, e.start, e.size)
        directory += raw
    for i in range(len(entries), dir_count * SECTOR // 128):
        raw = bytearray(128)
        struct.pack_into("<III", raw, 0x44, NOSTREAM, NOSTREAM, NOSTREAM)
        directory += raw
    header = bytearray(SECTOR)
    struct.pack_into("<8s16sHHHHH6sIIIIIIIII", header, 0, bytes.fromhex("d0cf11e0a1b11ae1"), bytes(16), 0x3E, 4,
                     0xFFFE, 12, 6, bytes(6), dir_count, fat_count, dir_start, 0, CUTOFF,
                     minifat_start, minifat_count, END, 0)
    difat = [i for i in range(fat_count)] + [FREE] * (109 - fat_count)
    struct.pack_into("<109I", header, 0x4C, *difat)
    with open(path, "wb") as out:
        out.write(header)
        out.write(struct.pack("<%dI" % len(fat), *fat))
        out.write(directory)
        mf = struct.pack("<%dI" % len(minifat), *minifat)
        out.write(mf + b"\xff" * (minifat_count * SECTOR - len(mf)))
        out.write(ministream + bytes(ministream_count * SECTOR - len(ministream)))
        for e in regular:
            out.write(e.data + bytes(sectors(e.size) * SECTOR - e.size))


def deep(path, depth):
    bottom = Entry("a", 1, children=[Entry("s", 2, b"deep!")])
    top = bottom
    for _ in range(depth - 1):
        top = Entry("a", 1, children=[top])
    write(path, Entry("Root Entry", 5, children=[top]))


def names(path):
    inner = Entry("x", 1, children=[Entry("y", 2, b"bytes of y"), Entry("", 2, b"name length 0", name_len=0)])
    write(path, Entry("Root Entry", 5, children=[
        inner,
        Entry("x\\y", 2, b"bytes of x\\y"),
        Entry("", 2, b"empty name"),
        Entry("a/b", 2, b"slash"),
        Entry("c:d", 2, b"colon"),
        Entry("e!f", 2, b"bang"),
        Entry("csi\u009b2J", 2, b"csi"),
        Entry("rlo\u202etxt.exe", 2, b"rlo"),
    ]))


def mini(path):
    write(path, Entry("Root Entry", 5, children=[Entry("first", 2, b"1" * 64), Entry("second", 2, b"2" * 100)]),
          mini_size=64)


if __name__ == "__main__":
    kind, target = sys.argv[1], sys.argv[2]
    if kind == "deep":
        deep(target, int(sys.argv[3]))
    elif kind == "names":
        names(target)
    elif kind == "mini":
        mini(target)
    else:
        sys.exit("craft.py: unknown kind " + kind)
