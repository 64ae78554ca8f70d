"""UYAP .udf court documents from Python: text, signatures, model, HTML, PDF,
Word copies and thumbnails, the same bytes the Maravel commands write.

>>> import maravel
>>> doc = maravel.open("imzali-tutanak.udf")     # or maravel.open(some_bytes)
>>> doc.text.splitlines()[0]
'KURGU İCRA DAİRESİ - 2026/777 Esas'
>>> [(s.name, s.status, s.chain) for s in doc.signers]
[('CAHİT YILMAZ', 'verified', 'untrustedRoot')]
>>> doc.to_pdf("tutanak.pdf")                    # or pdf_bytes = doc.to_pdf()

Every call lets go of the GIL while the library works, so threads convert
documents in parallel. Failures raise a subclass of maravel.Error.
"""

import json
import os
import re
from typing import Any, Dict, List, Optional, Union

from ._native import ffi, lib

__all__ = [
    "open", "Document", "Signer", "Error", "InvalidArgumentError", "CannotReadError", "TooLargeError",
    "NotADocumentError", "CannotWriteError", "DrawingError", "MAX_DOCUMENT_BYTES", "__version__",
]

__version__: str = ffi.string(lib.maravel_version()).decode()
MAX_DOCUMENT_BYTES = 256 << 20  # larger files and buffers are refused, as by the commands

_TEXT, _MODEL_JSON, _VERIFY_JSON, _HTML, _PDF, _DOCX, _PNG = range(7)


class Error(Exception):
    """A document could not be opened or written; `status` is the C status
    name ("MARAVEL_NOT_A_DOCUMENT") and str(error) says why."""

    status = "MARAVEL_FAILED"


class InvalidArgumentError(Error, ValueError):
    status = "MARAVEL_INVALID_ARGUMENT"


class CannotReadError(Error):
    """Missing, a folder or a device, or unreadable."""

    status = "MARAVEL_CANNOT_READ"


class TooLargeError(Error):
    """Over MAX_DOCUMENT_BYTES."""

    status = "MARAVEL_TOO_LARGE"


class NotADocumentError(Error):
    """Not a zip, no content.xml, or text in no known encoding."""

    status = "MARAVEL_NOT_A_DOCUMENT"


class CannotWriteError(Error):
    status = "MARAVEL_CANNOT_WRITE"


class DrawingError(Error):
    status = "MARAVEL_CANNOT_DRAW"


_ERRORS = {1: InvalidArgumentError, 2: CannotReadError, 3: TooLargeError, 4: NotADocumentError,
           5: CannotWriteError, 6: DrawingError, 7: MemoryError}


def _raise(status: int) -> None:
    message = ffi.string(lib.maravel_last_error()).decode("utf-8", "replace")
    raise _ERRORS.get(status, Error)(message)


def _snake(name: str) -> str:
    return re.sub(r"(?<=[a-z0-9])([A-Z])", r"_\1", name).lower()


class Signer:
    """One signer and the check of their signature, with the fields udfverify
    --json prints for them under snake_case names (tc_number, signing_date,
    digest_algorithm, status, chain, certificate_period, and any added later).

    >>> signer.name, signer.status
    ('CAHİT YILMAZ', 'verified')
    """

    def __init__(self, fields: Dict[str, Any]):
        self._fields = dict(fields)
        for key, value in fields.items():
            setattr(self, _snake(key), value)

    def as_dict(self) -> Dict[str, Any]:
        """The fields under udfverify's own (camelCase) names."""
        return dict(self._fields)

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Signer) and other._fields == self._fields

    def __repr__(self) -> str:
        return f"Signer(name={self._fields.get('name')!r}, status={self._fields.get('status')!r})"


class Document:
    """An opened document. Made by maravel.open(); usable as a context manager,
    which closes it (closing frees the file's bytes and model at once)."""

    def __init__(self, handle: Any):
        self._handle = ffi.gc(handle, lib.maravel_close)

    def close(self) -> None:
        if self._handle is not None:
            handle, self._handle = self._handle, None
            ffi.release(handle)  # maravel_close now rather than when collected

    def __enter__(self) -> "Document":
        return self

    def __exit__(self, *_: Any) -> None:
        self.close()

    def _live(self) -> Any:
        if self._handle is None:
            raise InvalidArgumentError("the document is closed")
        return self._handle

    def _bytes(self, kind: int, size: int = 0) -> bytes:
        data = ffi.new("uint8_t**")
        length = ffi.new("size_t*")
        status = lib.maravel_write(self._live(), kind, size, data, length)
        if status != 0:
            _raise(status)
        try:
            return ffi.buffer(data[0], length[0])[:]
        finally:
            lib.maravel_free(data[0])

    def _output(self, kind: int, path: Optional[Union[str, "os.PathLike[str]"]], size: int = 0) -> Optional[bytes]:
        if path is None:
            return self._bytes(kind, size)
        status = lib.maravel_write_file(self._live(), kind, size, os.fsencode(path))
        if status != 0:
            _raise(status)
        return None

    @property
    def text(self) -> str:
        """The text as udftotext writes it: header, body, footer, one line per paragraph."""
        return self._bytes(_TEXT).decode()

    @property
    def verification_code(self) -> str:
        """The UYAP verification code, "" when the document has none."""
        return ffi.string(lib.maravel_verification_code(self._live())).decode("utf-8", "replace")

    @property
    def verification(self) -> Dict[str, Any]:
        """The object udfverify --json prints for the file: file, status
        (verified, contentChanged, signatureInvalid, unreadable, unsigned) and signature."""
        return json.loads(self._bytes(_VERIFY_JSON))

    @property
    def signers(self) -> List[Signer]:
        """Each signer in signing order with the check of their signature; [] when unsigned."""
        signature = self.verification["signature"]
        return [Signer(fields) for fields in (signature or {}).get("signers", [])]

    @property
    def model(self) -> Dict[str, Any]:
        """The document as udfdump prints it, as Python data."""
        return json.loads(self._bytes(_MODEL_JSON))

    def to_text(self, path: Optional[Union[str, "os.PathLike[str]"]] = None) -> Optional[bytes]:
        """The text as UTF-8 bytes, or written into `path` (atomically) and None."""
        return self._output(_TEXT, path)

    def to_json(self, path: Optional[Union[str, "os.PathLike[str]"]] = None) -> Optional[bytes]:
        """udfdump's JSON as bytes, or written into `path` and None."""
        return self._output(_MODEL_JSON, path)

    def to_html(self) -> str:
        """The page pelsora writes."""
        return self._bytes(_HTML).decode()

    def to_pdf(self, path: Optional[Union[str, "os.PathLike[str]"]] = None) -> Optional[bytes]:
        """The PDF udf2pdf writes, as bytes, or written into `path` and None.

        >>> doc.to_pdf("karar.pdf")
        """
        return self._output(_PDF, path)

    def to_docx(self, path: Optional[Union[str, "os.PathLike[str]"]] = None) -> Optional[bytes]:
        """The Word copy udf2docx writes, as bytes, or written into `path` and None."""
        return self._output(_DOCX, path)

    def thumbnail(self, size: int = 256, path: Optional[Union[str, "os.PathLike[str]"]] = None) -> Optional[bytes]:
        """The PNG tivenna draws, `size` (1 to 4096) pixels square.

        >>> png = doc.thumbnail(128)
        """
        return self._output(_PNG, path, size)


def open(source: Union[str, "os.PathLike[str]", bytes, bytearray, memoryview],  # noqa: A001
         name: Optional[str] = None) -> Document:
    """Opens a .udf document from a path or from its bytes.

    `name` stands for the file of bytes: it titles the page, PDF and copy.
    Raises CannotReadError, TooLargeError or NotADocumentError.

    >>> doc = maravel.open("karar.udf")
    >>> with open("karar.udf", "rb") as f:
    ...     doc = maravel.open(f.read(), name="karar.udf")
    """
    handle = ffi.new("maravel_document**")
    if isinstance(source, (bytes, bytearray, memoryview)):
        buffer = ffi.from_buffer(source)
        status = lib.maravel_open_bytes(buffer, len(buffer), name.encode() if name else ffi.NULL, handle)
    else:
        status = lib.maravel_open_file(os.fsencode(source), handle)
    if status != 0:
        _raise(status)
    return Document(handle[0])
