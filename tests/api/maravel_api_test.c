/* The C API from C: a document built inline opens from bytes and gives its
 * text; bad input gives codes and messages, never an abort. */
#include <maravel.h>
#include <stdio.h>
#include <string.h>

/* A stored (uncompressed) zip of one entry, content.xml. */
static size_t zip_of(const char* xml, unsigned char* out) {
  static const unsigned char local[] = {'P', 'K', 3, 4, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const size_t n = strlen(xml), name = 11;
  unsigned char* p = out;
  unsigned long crc = 0xFFFFFFFFul;
  for (size_t i = 0; i < n; ++i) {
    crc ^= (unsigned char)xml[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320ul & (0ul - (crc & 1)));
  }
  crc ^= 0xFFFFFFFFul;
  unsigned char sizes[16] = {crc, crc >> 8, crc >> 16, crc >> 24, n,    n >> 8, 0, 0,
                             n,   n >> 8,   0,         0,         name, 0,      0, 0};
  memcpy(p, local, sizeof local), p += sizeof local;
  memcpy(p, sizes, sizeof sizes), p += sizeof sizes;
  memcpy(p, "content.xml", name), p += name;
  memcpy(p, xml, n), p += n;
  unsigned char central[46] = {'P', 'K', 1, 2, 20, 0, 10, 0};
  memcpy(central + 16, sizes, 12), central[28] = name;
  unsigned char* directory = p;
  memcpy(p, central, sizeof central), p += sizeof central;
  memcpy(p, "content.xml", name), p += name;
  unsigned char end[22] = {'P', 'K', 5, 6, 0, 0, 0, 0, 1, 0, 1, 0};
  const size_t size = (size_t)(p - directory), at = (size_t)(directory - out);
  end[12] = size, end[16] = at, end[17] = at >> 8;
  memcpy(p, end, sizeof end), p += sizeof end;
  return (size_t)(p - out);
}

static int failures = 0;
#define CHECK(c)                                                                                   \
  ((c) ? (void)0                                                                                   \
       : (void)(fprintf(stderr, "failed: %s (line %d): %s\n", #c, __LINE__, maravel_last_error()), \
                ++failures))

int main(void) {
  unsigned char bytes[2048];
  const size_t size = zip_of(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><template><content><![CDATA[Dava reddedildi.\n]]></content>"
      "<elements><paragraph><content startOffset=\"0\" length=\"16\"/></paragraph></elements></template>",
      bytes);
  maravel_document* doc = NULL;
  CHECK(maravel_open_bytes(bytes, size, "karar.udf", &doc) == MARAVEL_OK && doc != NULL);
  uint8_t* text = NULL;
  size_t length = 0;
  CHECK(maravel_write(doc, MARAVEL_TEXT, 0, &text, &length) == MARAVEL_OK);
  CHECK(text && length == 17 && strcmp((const char*)text, "Dava reddedildi.\n") == 0);
  maravel_free(text);
  CHECK(strcmp(maravel_verification_code(doc), "") == 0);
  CHECK(maravel_write(doc, MARAVEL_THUMBNAIL_PNG, 0, &text, &length) == MARAVEL_INVALID_ARGUMENT && !text);
  CHECK(maravel_write(doc, (maravel_format)99, 0, &text, &length) == MARAVEL_INVALID_ARGUMENT);
  CHECK(maravel_write_file(doc, MARAVEL_TEXT, 0, "/nonexistent-folder/out.txt") == MARAVEL_CANNOT_WRITE);
  CHECK(strstr(maravel_last_error(), "/nonexistent-folder/out.txt") != NULL);
  maravel_close(doc);

  CHECK(maravel_open_file("/nonexistent.udf", &doc) == MARAVEL_CANNOT_READ && doc == NULL);
  CHECK(strcmp(maravel_last_error(), "cannot read /nonexistent.udf: No such file or directory") == 0);
  CHECK(maravel_open_bytes("PK\5\6", 4, NULL, &doc) == MARAVEL_NOT_A_DOCUMENT);
  CHECK(maravel_open_bytes(bytes, MARAVEL_MAX_DOCUMENT_BYTES + 1, NULL, &doc) == MARAVEL_TOO_LARGE);
  CHECK(maravel_open_file(NULL, &doc) == MARAVEL_INVALID_ARGUMENT);
  CHECK(strcmp(maravel_status_name(MARAVEL_TOO_LARGE), "MARAVEL_TOO_LARGE") == 0);
  CHECK(strlen(maravel_version()) > 0);
  maravel_close(NULL);
  return failures != 0;
}
