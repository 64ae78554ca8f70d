/* libmaravel: UYAP .udf court documents read and written from C.
 *
 * A document is opened from a file or from bytes with the same limits and
 * the same reader as the commands (udftotext, udfverify, udfdump, pelsora,
 * udf2pdf, udf2docx, tivenna), and gives what they give, byte for byte:
 * its text, its verification code, its signature check, its model as JSON,
 * its HTML page, PDF, Word copy and thumbnail PNG.
 *
 * Errors: every call that can fail returns a maravel_status; MARAVEL_OK is
 * 0. After a failure, maravel_last_error() gives a one-line message naming
 * the cause, kept per thread until that thread's next failing call. No call
 * aborts, throws, logs or exits, whatever the bytes hold.
 *
 * Threads: calls on distinct documents run in parallel on any threads.
 * Calls on one document from several threads are safe too; they take turns.
 * Shared by the whole process: fontconfig's configuration (loaded on the
 * first drawing and kept until the process ends), the font faces and the
 * glyph widths the drawing libraries keep, and the answers the font layer
 * has had from fontconfig; nothing that a document holds.
 *
 * Memory: a document keeps its file's bytes and its model (a few times the
 * file) until maravel_close(). Every buffer a call hands out belongs to
 * the caller, who releases it with maravel_free().
 */
#ifndef MARAVEL_H
#define MARAVEL_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define MARAVEL_EXPORT __attribute__((visibility("default")))

/* Files and byte buffers larger than this are refused, as by the commands. */
#define MARAVEL_MAX_DOCUMENT_BYTES ((size_t)256 << 20)
/* Thumbnails are 1 to this many pixels on a side. */
#define MARAVEL_MAX_THUMBNAIL_SIZE 4096

typedef enum maravel_status {
  MARAVEL_OK = 0,
  MARAVEL_INVALID_ARGUMENT = 1, /* a null pointer, an unknown format, a size out of range */
  MARAVEL_CANNOT_READ = 2,      /* missing, a folder or a device, unreadable */
  MARAVEL_TOO_LARGE = 3,        /* over MARAVEL_MAX_DOCUMENT_BYTES */
  MARAVEL_NOT_A_DOCUMENT = 4,   /* not a zip, no content.xml, text in no known encoding */
  MARAVEL_CANNOT_WRITE = 5,     /* the output file could not be written */
  MARAVEL_CANNOT_DRAW = 6,      /* the PDF, Word copy or PNG could not be made */
  MARAVEL_OUT_OF_MEMORY = 7,
  MARAVEL_FAILED = 8,             /* anything else; the message says what */
  MARAVEL_STATUS_INT = 0x7FFFFFFF /* no status: gives the type the range of an int */
} maravel_status;

/* What a document can be written as. */
typedef enum maravel_format {
  MARAVEL_TEXT = 0,               /* UTF-8 text as udftotext writes it */
  MARAVEL_MODEL_JSON = 1,         /* the model as udfdump prints it (with its final line feed) */
  MARAVEL_VERIFY_JSON = 2,        /* the object udfverify --json prints for the file */
  MARAVEL_HTML = 3,               /* the page pelsora writes */
  MARAVEL_PDF = 4,                /* the PDF udf2pdf writes */
  MARAVEL_DOCX = 5,               /* the Word copy udf2docx writes */
  MARAVEL_THUMBNAIL_PNG = 6,      /* the PNG tivenna draws, pixel_size pixels square */
  MARAVEL_FORMAT_INT = 0x7FFFFFFF /* no format: any int a caller passes is a value of the type */
} maravel_format;

typedef struct maravel_document maravel_document;

/* "0.1.0": the library's version, the same as the commands'. */
MARAVEL_EXPORT const char* maravel_version(void);
/* "MARAVEL_NOT_A_DOCUMENT" and so on; "MARAVEL_UNKNOWN" for other values. */
MARAVEL_EXPORT const char* maravel_status_name(maravel_status status);
/* The message of this thread's last failing call ("cannot read a.udf: No
 * such file or directory"); "" before any. Valid until this thread's next
 * call into the library. */
MARAVEL_EXPORT const char* maravel_last_error(void);

/* Reads and parses the file at `path` (a regular file of at most
 * MARAVEL_MAX_DOCUMENT_BYTES). On MARAVEL_OK, *document is a new document
 * to close with maravel_close(); else it is set to NULL. The signature is
 * checked only when something that shows it is asked for. */
MARAVEL_EXPORT maravel_status maravel_open_file(const char* path, maravel_document** document);
/* The same for bytes in memory, which are copied. `name` (may be NULL)
 * stands for the file: it is the title of the page, PDF and copy, as a file
 * name is, and the "file" udfverify's object names ("-" when NULL). */
MARAVEL_EXPORT maravel_status maravel_open_bytes(const void* data, size_t size, const char* name,
                                                 maravel_document** document);
/* Releases the document; NULL is allowed. */
MARAVEL_EXPORT void maravel_close(maravel_document* document);

/* The document's verification code ("" when it has none); valid until
 * maravel_close(). NULL for a NULL document. */
MARAVEL_EXPORT const char* maravel_verification_code(const maravel_document* document);

/* Writes the document in `format` to a new buffer: *data (NUL-terminated
 * for the text formats, which the size does not count) and *size; release
 * *data with maravel_free(). `pixel_size` is the thumbnail's edge and is
 * ignored by the other formats. On failure *data is NULL and *size 0. */
MARAVEL_EXPORT maravel_status maravel_write(maravel_document* document, maravel_format format, int pixel_size,
                                            uint8_t** data, size_t* size);
/* The same into the file at `path`, as the commands write an output: to a
 * temporary file beside it, renamed over it once complete, so that no
 * reader ever sees half a file and a failure leaves an old file as it was. */
MARAVEL_EXPORT maravel_status maravel_write_file(maravel_document* document, maravel_format format,
                                                 int pixel_size, const char* path);

/* Releases a buffer from maravel_write(); NULL is allowed. */
MARAVEL_EXPORT void maravel_free(void* data);

#ifdef __cplusplus
}
#endif

#endif /* MARAVEL_H */
