"""The module gives what the commands give, byte for byte, over the bundled
samples; and fails with a maravel.Error that names the cause."""

import concurrent.futures
import glob
import io
import json
import os
import subprocess
import zipfile

import maravel
import pytest

SAMPLES = sorted(glob.glob(os.path.join(os.environ.get("MARAVEL_SAMPLES", "."), "*.udf")))


def command(name, *arguments):
    run = subprocess.run([os.environ[f"MARAVEL_COMMAND_{name}"], *arguments], capture_output=True, timeout=60)
    return run.stdout


@pytest.mark.parametrize("sample", SAMPLES, ids=os.path.basename)
def test_outputs_equal_the_commands(sample):
    doc = maravel.open(sample)
    assert doc.text.encode() == command("udftotext", sample)
    assert doc.model == json.loads(command("udfdump", sample))
    assert doc.verification == json.loads(command("udfverify", "--json", sample))[0]
    assert doc.verification_code == doc.model["verificationCode"]
    assert [s.as_dict() for s in doc.signers] == (doc.verification["signature"] or {}).get("signers", [])
    assert doc.to_html().encode() == command("pelsora", sample)
    assert doc.to_pdf() == command("udf2pdf", "-o", "-", sample)
    assert doc.to_docx() == command("udf2docx", "-o", "-", sample)
    assert doc.thumbnail(128) == command("tivenna", "-s", "128", sample, "-")


def test_a_sample_set_is_there():
    assert len(SAMPLES) >= 6


def test_signers_are_objects():
    signed = maravel.open(os.path.join(os.path.dirname(SAMPLES[0]), "arabuluculuk-tutanagi.udf"))
    assert [s.status for s in signed.signers] == ["verified"] * 3
    assert all(isinstance(s, maravel.Signer) and s.name and s.signing_date for s in signed.signers)


def test_errors_name_their_cause(tmp_path):
    foreign = io.BytesIO()
    with zipfile.ZipFile(foreign, "w") as archive:
        archive.writestr("word/document.xml", "<w:document/>")
    cases = [(str(tmp_path / "missing.udf"), maravel.CannotReadError, "No such file or directory"),
             (foreign.getvalue(), maravel.NotADocumentError, "not a readable UDF document"),
             (bytes(maravel.MAX_DOCUMENT_BYTES + 1), maravel.TooLargeError, "larger than 256 MiB")]
    for source, error, cause in cases:
        with pytest.raises(error, match=cause):
            maravel.open(source)
    with pytest.raises(maravel.CannotWriteError):
        maravel.open(SAMPLES[0]).to_pdf(tmp_path / "no-folder" / "a.pdf")


def test_threads_convert_at_once():
    expected = {sample: maravel.open(sample).to_pdf() for sample in SAMPLES}
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        made = list(pool.map(lambda sample: maravel.open(sample).to_pdf(), SAMPLES * 2))
    assert made == [expected[sample] for sample in SAMPLES * 2]
