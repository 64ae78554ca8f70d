#!/usr/bin/python3
"""Documents per second through the Python module against the commands, and
maravel.batch on a process pool and on a Dask LocalCluster of 1 and 2 workers.

    bench/library_throughput.py BUILD [--copies N]

BUILD is a build tree with the commands, libmaravel and the samples built.
The folder converted holds N copies of every sample (editor-shaped court
documents of one to three pages). "per core" divides the documents by the
CPU seconds they took (user + system, the children's included), which a
machine shared with other work disturbs far less than the wall clock.
"""

import argparse
import ctypes
import glob
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time


def cpu():
    own, children = resource.getrusage(resource.RUSAGE_SELF), resource.getrusage(resource.RUSAGE_CHILDREN)
    return own.ru_utime + own.ru_stime + children.ru_utime + children.ru_stime


def measure(work):
    wall, used = time.monotonic(), cpu()
    work()
    return time.monotonic() - wall, cpu() - used


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--copies", type=int, default=20)
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    sys.path.insert(0, os.path.join(build, "python"))
    os.environ["PYTHONPATH"] = os.path.join(build, "python")
    os.environ["LD_LIBRARY_PATH"] = os.path.join(build, "api")
    # Loaded by its path first, so that the module's dlopen finds it by name.
    ctypes.CDLL(os.path.join(build, "api", "libmaravel.so.0"), mode=ctypes.RTLD_GLOBAL)
    import maravel  # noqa: E402  (after the paths are set)

    work = tempfile.mkdtemp(prefix="maravel-throughput-")
    os.environ["HOME"] = os.environ["XDG_CACHE_HOME"] = work
    folder = os.path.join(work, "in")
    os.makedirs(folder)
    for sample in sorted(glob.glob(os.path.join(build, "samples", "*.udf"))):
        for copy in range(options.copies):
            shutil.copy(sample, os.path.join(folder, f"{copy:03}-{os.path.basename(sample)}"))
    files = sorted(glob.glob(os.path.join(folder, "*.udf")))
    commands = {"text": os.path.join(build, "tools", "udftotext"), "pdf": os.path.join(build, "paper", "udf2pdf")}
    suffix = {"text": ".txt", "pdf": ".pdf"}
    rows = []

    def row(name, kind, wall, used):
        rows.append(f"| {name} | {kind} | {len(files) / wall:.1f} | {len(files) / used:.1f} |")

    for kind in ("text", "pdf"):
        out = os.path.join(work, kind)
        os.makedirs(out)
        target = lambda f: os.path.join(out, os.path.basename(f)[:-4] + suffix[kind])  # noqa: E731
        subprocess.run([commands[kind], "-o", os.devnull, files[0]], check=True)  # the font answers, kept
        row(f"`{os.path.basename(commands[kind])}`, a process per document", kind, *measure(
            lambda: [subprocess.run([commands[kind], "-o", target(f), f], check=True) for f in files]))
        if kind == "pdf":
            row("`udf2pdf -d`, one process for all", kind, *measure(
                lambda: subprocess.run([commands[kind], "-d", out, *files], check=True)))
        writer = "to_text" if kind == "text" else "to_pdf"
        row("module, one thread", kind, *measure(
            lambda: [getattr(maravel.open(f), writer)(target(f)) for f in files]))
        for workers in (1, 2):
            batch_out = os.path.join(work, f"{kind}-pool-{workers}")
            row(f"`maravel.batch`, pool of {workers}", kind, *measure(lambda: subprocess.run(
                [sys.executable, "-m", "maravel.batch", folder, "--to", kind, batch_out, "--workers", str(workers),
                 "--no-progress"], check=True, stderr=subprocess.DEVNULL)))
    try:
        from distributed import LocalCluster
    except ImportError:
        LocalCluster = None
    cluster_rows = []
    for kind in ("text", "pdf") if LocalCluster else ():
        for workers in (1, 2):
            with LocalCluster(n_workers=workers, threads_per_worker=1, dashboard_address=None) as cluster:
                batch_out = os.path.join(work, f"{kind}-dask-{workers}")
                wall, _ = measure(lambda: subprocess.run(
                    [sys.executable, "-m", "maravel.batch", folder, "--to", kind, batch_out, "--no-progress",
                     "--scheduler", cluster.scheduler_address], check=True, stderr=subprocess.DEVNULL))
                cluster_rows.append(f"| LocalCluster, {workers} worker{'s' * (workers > 1)} | {kind} | "
                                    f"{len(files) / wall:.1f} |")
    print(f"{len(files)} documents, {os.cpu_count()} cores, load {os.getloadavg()[0]:.1f}\n")
    print("| how | to | documents/s (wall) | documents per CPU second |\n|---|---|---|---|")
    print("\n".join(rows))
    if cluster_rows:
        print("\n| Dask | to | documents/s (wall) |\n|---|---|---|")
        print("\n".join(cluster_rows))
    shutil.rmtree(work)


if __name__ == "__main__":
    main()
