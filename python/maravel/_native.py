"""The C library libmaravel.so.0, loaded with cffi in its ABI mode.

cffi lets go of the GIL around every call into the library, so documents
open and convert in parallel on Python threads.
"""

import cffi

ffi = cffi.FFI()
# The declarations of maravel.h that the module calls.
ffi.cdef(
    """
    typedef enum { MARAVEL_OK = 0, MARAVEL_INVALID_ARGUMENT = 1, MARAVEL_CANNOT_READ = 2,
                   MARAVEL_TOO_LARGE = 3, MARAVEL_NOT_A_DOCUMENT = 4, MARAVEL_CANNOT_WRITE = 5,
                   MARAVEL_CANNOT_DRAW = 6, MARAVEL_OUT_OF_MEMORY = 7, MARAVEL_FAILED = 8 } maravel_status;
    typedef enum { MARAVEL_TEXT = 0, MARAVEL_MODEL_JSON = 1, MARAVEL_VERIFY_JSON = 2, MARAVEL_HTML = 3,
                   MARAVEL_PDF = 4, MARAVEL_DOCX = 5, MARAVEL_THUMBNAIL_PNG = 6 } maravel_format;
    typedef struct maravel_document maravel_document;
    const char* maravel_version(void);
    const char* maravel_last_error(void);
    maravel_status maravel_open_file(const char* path, maravel_document** document);
    maravel_status maravel_open_bytes(const void* data, size_t size, const char* name,
                                      maravel_document** document);
    void maravel_close(maravel_document* document);
    const char* maravel_verification_code(const maravel_document* document);
    maravel_status maravel_write(maravel_document* document, maravel_format format, int pixel_size,
                                 uint8_t** data, size_t* size);
    maravel_status maravel_write_file(maravel_document* document, maravel_format format, int pixel_size,
                                      const char* path);
    void maravel_free(void* data);
    """
)
# Found where the dynamic loader finds libraries (LD_LIBRARY_PATH first).
lib = ffi.dlopen("libmaravel.so.0")
