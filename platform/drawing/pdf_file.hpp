// The object structure of a PDF file written front to back (internal to
// platform/drawing): numbered objects, streams deflated, the cross-reference
// table and trailer at the end. Bytes reach the sink in pieces of about
// 64 KB; once it refuses some, nothing more is handed to it.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace maravel::drawing::detail {

class PdfFile {
 public:
  using Sink = std::function<bool(std::span<const std::uint8_t>)>;

  // Streams are deflated (zlib format, by libdeflate, which takes half of
  // zlib's time for a smaller file) at `compressionLevel`.
  PdfFile(Sink sink, int compressionLevel);
  ~PdfFile();
  PdfFile(const PdfFile&) = delete;
  PdfFile& operator=(const PdfFile&) = delete;

  // A new object number; every number reserved must be written once before
  // finish().
  int reserve();

  // Writes object `number` holding `body`.
  void object(int number, std::string_view body);
  // Writes object `number` as a stream of `data`, deflated when `deflate`;
  // `entries` are its dictionary's other entries ("/Type/XObject...").
  void stream(int number, std::string_view entries, std::span<const std::uint8_t> data, bool deflate = true);
  void stream(int number, std::string_view entries, std::string_view data, bool deflate = true);

  // The cross-reference table and trailer; true when the sink took every
  // byte. Later calls give false.
  bool finish(int root, int info);
  bool refused() const { return refused_; }

 private:
  void begin(int number);
  void write(std::string_view bytes);
  void flush();

  Sink sink_;
  int level_;
  std::string buffer_;
  std::string deflated_;
  std::uint64_t flushed_ = 0;
  std::vector<std::uint64_t> offsets_{0};  // by object number; 0 is the free list's head
  bool refused_ = false;
  bool finished_ = false;
  void* compressor_ = nullptr;  // libdeflate's, made at the first stream deflated
};

}  // namespace maravel::drawing::detail
