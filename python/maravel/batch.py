"""python3 -m maravel.batch FOLDER --to text|pdf|docx|json OUT

Converts every .udf file below FOLDER into OUT, keeping the folder layout
(a/b.udf becomes OUT/a/b.pdf), on a pool of processes on this machine or on
a Dask cluster (--scheduler tcp://HOST:8786; FOLDER and OUT must then be
the same paths on every worker, such as a shared file system).

Each output is written to a temporary file and renamed into place, and each
outcome is appended to the journal OUT/.maravel-batch.jsonl as it arrives.
A run started again after a crash skips every document done before (in the
journal, or whose output exists: a renamed output is always complete) and
every one that failed (unless --retry-failed). A failure is recorded with
its reason and the run goes on. Documents go to the workers --chunk at a
time (8): a small one takes milliseconds, less than a scheduler's round
trip. Exit status: 0 when nothing failed, 1 when
some document failed, 2 for wrong usage.
"""

import argparse
import json
import os
import sys
import time
from concurrent.futures import FIRST_COMPLETED, ProcessPoolExecutor, wait
from typing import Any, Callable, Dict, Iterator, List, Optional, Set, Tuple

import maravel

SUFFIXES = {"text": ".txt", "pdf": ".pdf", "docx": ".docx", "json": ".json"}
JOURNAL = ".maravel-batch.jsonl"


def inputs(folder: str) -> Iterator[str]:
    """The .udf files below `folder`, as relative paths, one folder at a time
    in name order: a million files are listed as they are reached, never held."""
    stack = [""]
    while stack:
        relative = stack.pop()
        try:
            entries = sorted(os.scandir(os.path.join(folder, relative)), key=lambda e: e.name)
        except OSError:
            continue
        folders = []
        for entry in entries:
            path = os.path.join(relative, entry.name)
            if entry.is_dir(follow_symlinks=False):
                folders.append(path)
            elif entry.name.lower().endswith(".udf") and entry.is_file():
                yield path
        stack.extend(reversed(folders))


def convert(source: str, target: str, to: str) -> Dict[str, Any]:
    """Converts one document (in a worker); never raises."""
    started = time.monotonic()
    try:
        os.makedirs(os.path.dirname(target) or ".", exist_ok=True)
        with maravel.open(source) as doc:
            getattr(doc, {"text": "to_text", "pdf": "to_pdf", "docx": "to_docx", "json": "to_json"}[to])(target)
        return {"status": "done", "seconds": round(time.monotonic() - started, 4)}
    except Exception as error:  # recorded for this document; the others go on
        return {"status": "failed", "error": f"{type(error).__name__}: {error}"}


def convert_all(chunk: List[Tuple[str, str, str]], to: str) -> List[Tuple[str, Dict[str, Any]]]:
    """Converts a chunk of documents (in a worker), one outcome each."""
    return [(relative, convert(source, target, to)) for relative, source, target in chunk]


def chunks(tasks: Iterator[Tuple[str, str, str]], size: int) -> Iterator[List[Tuple[str, str, str]]]:
    """The tasks `size` at a time: a small document takes a few milliseconds,
    less than a round trip to a scheduler."""
    chunk: List[Tuple[str, str, str]] = []
    for task in tasks:
        chunk.append(task)
        if len(chunk) == size:
            yield chunk
            chunk = []
    if chunk:
        yield chunk


class Journal:
    """The outcomes so far, read back at the start and appended to as they come."""

    def __init__(self, out: str):
        self.path = os.path.join(out, JOURNAL)
        self.done: Set[str] = set()
        self.failed: Set[str] = set()
        if os.path.exists(self.path):
            with open(self.path, encoding="utf-8") as lines:
                for line in lines:
                    try:
                        entry = json.loads(line)
                    except ValueError:  # a line cut short by a crash
                        continue
                    (self.done if entry.get("status") == "done" else self.failed).add(entry.get("input"))
        self.file = open(self.path, "a", encoding="utf-8")

    def record(self, relative: str, outcome: Dict[str, Any]) -> None:
        self.file.write(json.dumps({"input": relative, **outcome}, ensure_ascii=False) + "\n")
        self.file.flush()


def pending(folder: str, out: str, to: str, journal: Journal, retry_failed: bool,
            counts: Dict[str, int]) -> Iterator[Tuple[str, str, str]]:
    """(relative path, source, target) of each document still to convert."""
    for relative in inputs(folder):
        target = os.path.join(out, os.path.splitext(relative)[0] + SUFFIXES[to])
        if relative in journal.done or (relative in journal.failed and not retry_failed):
            counts["skipped"] += 1
        elif os.path.exists(target):
            journal.record(relative, {"status": "done", "found": True})
            counts["skipped"] += 1
        else:
            yield relative, os.path.join(folder, relative), target


Record = Callable[[str, Dict[str, Any]], None]


def run_local(tasks: Iterator[Tuple[str, str, str]], to: str, workers: int, chunk: int, record: Record) -> None:
    """A process pool on this machine, with at most 2 x workers chunks in flight."""
    with ProcessPoolExecutor(max_workers=workers) as pool:
        flying: Set[Any] = set()

        def settle(finished: Set[Any]) -> None:
            for future in finished:
                flying.discard(future)
                for relative, outcome in future.result():
                    record(relative, outcome)

        for part in chunks(tasks, chunk):
            while len(flying) >= 2 * workers:
                settle(wait(flying, return_when=FIRST_COMPLETED).done)
            flying.add(pool.submit(convert_all, part, to))
        settle(wait(flying).done)


def run_dask(tasks: Iterator[Tuple[str, str, str]], to: str, scheduler: str, chunk: int, record: Record) -> None:
    """A Dask cluster: results stream back as they finish, with at most 4
    chunks per worker thread in flight; a lost worker's chunks are given to
    the others by the scheduler."""
    from distributed import Client, as_completed

    with Client(scheduler) as client:
        threads = sum(client.nthreads().values()) or 1
        flying: Dict[str, List[Tuple[str, str, str]]] = {}
        finished = as_completed()

        def settle(future: Any) -> None:
            part = flying.pop(future.key)
            try:
                outcomes = future.result()
            except Exception as error:  # the chunk itself failed: its worker died again and again
                outcomes = [(relative, {"status": "failed", "error": f"{type(error).__name__}: {error}"})
                            for relative, _, _ in part]
            for relative, outcome in outcomes:
                record(relative, outcome)

        for part in chunks(tasks, chunk):
            while finished.count() >= 4 * threads:
                settle(next(finished))
            future = client.submit(convert_all, part, to, pure=False)
            flying[future.key] = part
            finished.add(future)
        for future in finished:
            settle(future)


def main(argv: Optional[list] = None) -> int:
    parser = argparse.ArgumentParser(prog="python3 -m maravel.batch", description=__doc__.split("\n")[2])
    parser.add_argument("folder")
    parser.add_argument("--to", choices=sorted(SUFFIXES), required=True)
    parser.add_argument("out")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1, help="processes on this machine")
    parser.add_argument("--scheduler", help="the address of a Dask scheduler to run on instead")
    parser.add_argument("--chunk", type=int, default=8, help="documents per task (default 8)")
    parser.add_argument("--retry-failed", action="store_true", help="try the documents that failed before again")
    parser.add_argument("--no-progress", action="store_true")
    options = parser.parse_args(argv)
    if not os.path.isdir(options.folder):
        parser.error(f"{options.folder} is not a folder")
    os.makedirs(options.out, exist_ok=True)

    journal = Journal(options.out)
    counts = {"done": 0, "failed": 0, "skipped": 0}
    progress = None
    if not options.no_progress and sys.stderr.isatty():
        try:
            from tqdm import tqdm
            progress = tqdm(unit="doc", desc=f"to {options.to}")
        except ImportError:
            pass

    def record(relative: str, outcome: Dict[str, Any]) -> None:
        journal.record(relative, outcome)
        counts[outcome["status"]] += 1
        if outcome["status"] == "failed":
            print(f"maravel.batch: {relative}: {outcome['error']}", file=sys.stderr)
        if progress is not None:
            progress.update()

    started = time.monotonic()
    tasks = pending(options.folder, options.out, options.to, journal, options.retry_failed, counts)
    if options.scheduler:
        run_dask(tasks, options.to, options.scheduler, max(1, options.chunk), record)
    else:
        run_local(tasks, options.to, max(1, options.workers), max(1, options.chunk), record)
    if progress is not None:
        progress.close()
    seconds = time.monotonic() - started
    rate = counts["done"] / seconds if seconds > 0 else 0.0
    print(f"maravel.batch: {counts['done']} converted, {counts['failed']} failed, {counts['skipped']} done before,"
          f" in {seconds:.1f} s ({rate:.1f} documents per second)", file=sys.stderr)
    return 1 if counts["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
