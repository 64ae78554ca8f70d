"""maravel.batch on a Dask LocalCluster of two workers: a run whose worker
and client are killed mid-way, then a second run that redoes nothing
finished. Every wait is bounded."""

import json
import os
import signal
import subprocess
import sys
import time
import zipfile

import pytest

distributed = pytest.importorskip("distributed")


def write_document(path, lines):
    text = "".join(f"{i}. Dava dilekçesinin {i}. satırı: davacının alacağı ve faizi.\n" for i in range(lines))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("content.xml", f'<?xml version="1.0" encoding="UTF-8"?><template><content><![CDATA[{text}]]>'
                                        "</content></template>")


def journal(out):
    with open(out / ".maravel-batch.jsonl", encoding="utf-8") as lines:
        return [json.loads(line) for line in lines]


def wait_until(condition, seconds):
    deadline = time.monotonic() + seconds
    while not condition():
        assert time.monotonic() < deadline, "timed out"
        time.sleep(0.02)


def test_a_killed_run_resumes_without_redoing(tmp_path):
    folder, out = tmp_path / "in", tmp_path / "out"
    names = [f"dosya-{n:02}.udf" if n % 2 else os.path.join("alt", f"dosya-{n:02}.udf") for n in range(24)]
    os.makedirs(folder / "alt")
    for name in names:
        write_document(folder / name, 400)
    (folder / "bozuk.udf").write_bytes(b"PK\x05\x06" + bytes(18))
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        command = [sys.executable, "-m", "maravel.batch", str(folder), "--to", "pdf", str(out), "--no-progress",
                   "--scheduler", cluster.scheduler_address, "--chunk", "2"]
        first = subprocess.Popen(command, stderr=subprocess.DEVNULL)
        try:
            wait_until(lambda: (out / ".maravel-batch.jsonl").exists() and len(journal(out)) >= 4, 120)
        finally:
            os.kill(next(iter(client.run(os.getpid).values())), signal.SIGKILL)
            first.send_signal(signal.SIGKILL)
            first.wait(timeout=30)
        finished = {e["input"] for e in journal(out) if e["status"] == "done"}
        assert 0 < len(finished) < len(names)
        stamps = {n: os.stat(out / n.replace(".udf", ".pdf")).st_mtime_ns for n in finished}
        second = subprocess.run(command, capture_output=True, timeout=300)
    assert second.returncode in (0, 1), second.stderr  # 1 when bozuk.udf failed in this run
    entries = journal(out)
    done = [e["input"] for e in entries if e["status"] == "done"]
    assert sorted(done) == sorted(set(done)) == sorted(names)
    assert [e["input"] for e in entries if e["status"] == "failed"] == ["bozuk.udf"]
    assert {n: os.stat(out / n.replace(".udf", ".pdf")).st_mtime_ns for n in finished} == stamps
    assert all((out / n.replace(".udf", ".pdf")).read_bytes().startswith(b"%PDF") for n in names)
