"""A document belongs to the thread that made it: other Python threads get an
AutomationError instead of reaching their own thread's document."""

import os
import queue
import threading
import time

import pytest

import vellora2
from vellora2 import AutomationError

RPC_E_WRONG_THREAD = 0x8001010E - (1 << 32)


def run_in_thread(body, *args):
    """Runs body(*args) on a new thread and returns its result or raises its exception."""
    outcome = {}

    def main():
        try:
            outcome["result"] = body(*args)
        except BaseException as e:  # noqa: BLE001 - handed back to the test's thread
            outcome["error"] = e

    t = threading.Thread(target=main)
    t.start()
    t.join()
    if "error" in outcome:
        raise outcome["error"]
    return outcome.get("result")


def wrong_thread_errors(calls):
    """The class names that each call's wrong-thread error mentions."""
    names = []
    for call in calls:
        with pytest.raises(AutomationError) as e:
            call()
        assert e.value.number == RPC_E_WRONG_THREAD and e.value.source == "vellora2"
        names.append(e.value.description.split()[1])
    return names


def test_other_threads_get_an_error_and_leave_the_document_alone(doc):
    files, images, help_io, objects = doc.CFilesIO, doc.CImagesIO, doc.CHelpIO, doc.CObjectsIO
    files.Load("kept")
    files.PutLine("written on the main thread")
    connection = doc.connect(StartOperation=print)
    utility = vellora2.GUtility()

    def worker():
        names = wrong_thread_errors([
            doc.NewFile,
            lambda: doc.CloseFile(),
            lambda: doc.Dirty,
            lambda: setattr(doc, "DocTitle", "from a worker"),
            lambda: doc.CFilesIO,
            lambda: doc.__exit__(None, None, None),
            lambda: vellora2.PropertiesText(doc),
            files.CloseLoadedFile,
            lambda: files.GetLine(0),
            lambda: files.loaded("other"),
            images.EnumStreams,
            help_io.ExistFile,
            lambda: objects.Dirty,
            connection.disconnect,
        ])
        # A worker's own document cannot take the main thread's element objects.
        own = vellora2.CVellora()
        assert own.NewFile()
        names += wrong_thread_errors([lambda: setattr(own, "CFilesIO", files)])
        own.Dirty = False
        # The utility classes keep no document and work on any thread.
        assert utility.FmtHex(255, 4) == "00FF"
        return names

    assert run_in_thread(worker) == [
        "CVellora"] * 7 + ["CFilesIO"] * 3 + ["CImagesIO", "CHelpIO", "CObjectsIO", "EventConnection", "CFilesIO"]
    assert connection.connected
    connection.disconnect()
    # The main thread's document and loaded stream are as they were.
    assert doc.DocTitle == ""
    files.SeekInFile(0)
    assert files.GetLine() == "written on the main thread"
    files.CloseLoadedFile()
    assert "kept" in files.EnumStreams()


def test_a_last_reference_dropped_on_another_thread():
    # Thread A hands its only CVellora to thread B, which has a document of its
    # own and drops it. Destroying it there would close B's document; it waits
    # for A instead, and A's document stays open for A's element objects.
    handover, dropped = queue.Queue(), threading.Event()

    def thread_a():
        doc = vellora2.CVellora()
        assert doc.NewFile()
        files = doc.CFilesIO
        files.Load("a")
        files.CloseLoadedFile()
        handover.put(doc)
        del doc
        dropped.wait()
        result = files.EnumStreams()
        files.Load("a")  # the stream of the still open document
        files.CloseLoadedFile()
        return result

    def thread_b():
        doc = vellora2.CVellora()
        assert doc.NewFile()
        doc.CFilesIO.Load("b")
        doc.CFilesIO.CloseLoadedFile()
        other = handover.get()
        with pytest.raises(AutomationError):
            other.NewFile()
        del other
        dropped.set()
        result = doc.CFilesIO.EnumStreams()
        doc.Dirty = False
        return result

    a = threading.Thread(target=lambda: results.__setitem__("a", thread_a()))
    results = {}
    a.start()
    results["b"] = run_in_thread(thread_b)
    a.join()
    assert "a" in results["a"] and "b" not in results["a"]
    assert "b" in results["b"] and "a" not in results["b"]


def test_a_connection_dropped_on_another_thread_stops_its_handlers(doc, tmp_path):
    files = doc.CFilesIO
    source = tmp_path / "data.bin"
    source.write_bytes(b"x" * 100)
    files.Import(str(source), "data")
    events = []
    box = [doc.connect(StartOperation=lambda: events.append("start"))]

    def drop():
        box.clear()

    run_in_thread(drop)
    files.Export("data", str(tmp_path / "out.bin"))
    assert events == []


def test_other_threads_run_while_the_library_reads_and_writes_files(doc, tmp_path):
    """The GIL is released around file I/O: a Python thread keeps ticking while
    a large import and export run, and event handlers, which take the GIL back,
    still run on the document's thread."""
    source = tmp_path / "big.bin"
    source.write_bytes(os.urandom(1 << 20) * 48)
    ticks = []
    running = threading.Event()
    running.set()

    def ticker():
        while running.is_set():
            ticks.append(time.monotonic())
            time.sleep(0.0005)

    percents = []
    thread = threading.Thread(target=ticker)
    thread.start()
    try:
        with doc.CFilesIO.connect(PercentDone=lambda x: percents.append(threading.get_ident()) and None):
            spans = []
            for call in (lambda: doc.CFilesIO.Import(str(source), "big"),
                         lambda: doc.CFilesIO.Export("big", str(tmp_path / "out.bin"))):
                start = time.monotonic()
                call()
                spans.append((start, time.monotonic()))
    finally:
        running.clear()
        thread.join()
    long_spans = [(start, end) for start, end in spans if end - start >= 0.05]
    assert long_spans, spans
    for start, end in long_spans:
        inside = [t for t in ticks if start + 0.01 < t < end - 0.01]
        # Held throughout, the GIL would let the ticker run only at the edges.
        assert len(inside) >= 5, (end - start, len(inside))
    assert percents and set(percents) == {threading.get_ident()}
    assert (tmp_path / "out.bin").read_bytes() == source.read_bytes()
