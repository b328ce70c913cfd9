import os
import pathlib
import random
import shutil
import subprocess

import pytest

# Sizes that sit on the format's boundaries: the mini-stream cutoff, a mini sector,
# a regular sector, a stream long enough to need several FAT sectors, and one
# whose bytes past 2 MiB reach the file before the commit that links them in.
SIZES = [0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 65536, 1_000_003, 5_000_011]


def built_program(variable, what):
    path = os.environ.get(variable)
    if not path or not os.access(path, os.X_OK):
        pytest.fail(f"{variable} must name the built {what}")
    return path


@pytest.fixture(scope="session")
def vellora():
    return built_program("VELLORA", "vellora tool")


@pytest.fixture(scope="session")
def property_tool():
    return built_program("PROPERTY_TOOL", "interop_property_tool")


def run(*args, **kwargs):
    """Runs a command and returns its standard output; a failure fails the test."""
    result = subprocess.run(args, capture_output=True, **kwargs)
    if result.returncode != 0:
        raise AssertionError(f"{args} failed with {result.returncode}: {result.stderr.decode(errors='replace')}")
    return result.stdout


def make_tree(root: pathlib.Path, seed: int = 7):
    """Writes a folder tree of files with deterministic bytes; returns {relative path: bytes}."""
    rng = random.Random(seed)
    expected = {}
    layout = [f"s{size}" for size in SIZES]
    layout += ["Settings/Options", "Settings/Deep/Er/Still/leaf", "Images/Caf\u00e9", "Help/" + "n" * 31]
    for i, rel in enumerate(layout):
        size = SIZES[i] if i < len(SIZES) else rng.randrange(0, 9000)
        data = rng.randbytes(size)
        path = root / rel
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
        expected[rel] = data
    return expected


def pack(vellora, tree: pathlib.Path, document: pathlib.Path, expected):
    run(vellora, "create", "--plain", str(document))
    for rel in expected:
        run(vellora, "import", str(document), str(tree / rel), rel.replace("/", "\\"))


def read_tree(folder: pathlib.Path):
    return {str(p.relative_to(folder)): p.read_bytes() for p in folder.rglob("*") if p.is_file()}


@pytest.fixture
def packed(tmp_path, vellora):
    tree = tmp_path / "tree"
    expected = make_tree(tree)
    document = tmp_path / "doc.qxv"
    pack(vellora, tree, document, expected)
    return document, expected


def need(tool):
    if shutil.which(tool) is None:
        pytest.fail(f"{tool} is not installed (tools/deps.sh installs it)")
