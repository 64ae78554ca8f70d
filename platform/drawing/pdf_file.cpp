#include "platform/drawing/pdf_file.hpp"

#include <libdeflate.h>

#include <cstdio>
#include <memory>

namespace maravel::drawing::detail {

namespace {

constexpr std::size_t kPiece = 64 * 1024;
// Streams shorter than this go as they are: deflating them saves a few
// bytes.
constexpr std::size_t kSmallStream = 256;

}  // namespace

PdfFile::PdfFile(Sink sink, int compressionLevel) : sink_(std::move(sink)), level_(compressionLevel) {
  buffer_.reserve(2 * kPiece);
  // A binary file to every transfer program: four bytes above 127 early on.
  write("%PDF-1.7\n%\xB5\xED\xAE\xFB\n");
}

PdfFile::~PdfFile() {
  if (compressor_ != nullptr) libdeflate_free_compressor(static_cast<libdeflate_compressor*>(compressor_));
}

int PdfFile::reserve() {
  offsets_.push_back(0);
  return static_cast<int>(offsets_.size() - 1);
}

void PdfFile::begin(int number) {
  offsets_[static_cast<std::size_t>(number)] = flushed_ + buffer_.size();
  char head[32];
  const int length = std::snprintf(head, sizeof head, "%d 0 obj\n", number);
  write(std::string_view(head, static_cast<std::size_t>(length)));
}

void PdfFile::object(int number, std::string_view body) {
  begin(number);
  write(body);
  write("\nendobj\n");
}

void PdfFile::stream(int number, std::string_view entries, std::string_view data, bool deflate) {
  stream(number, entries,
         std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()),
         deflate);
}

void PdfFile::stream(int number, std::string_view entries, std::span<const std::uint8_t> data, bool deflate) {
  deflate = deflate && data.size() >= kSmallStream;
  if (deflate && compressor_ == nullptr) compressor_ = libdeflate_alloc_compressor(level_);
  if (deflate && compressor_ != nullptr) {
    auto* compressor = static_cast<libdeflate_compressor*>(compressor_);
    deflated_.resize(libdeflate_zlib_compress_bound(compressor, data.size()));
    const std::size_t size =
        libdeflate_zlib_compress(compressor, data.data(), data.size(), deflated_.data(), deflated_.size());
    deflated_.resize(size);
    deflate = size > 0;
  } else {
    deflate = false;
  }
  const std::string_view body =
      deflate ? std::string_view(deflated_)
              : std::string_view(reinterpret_cast<const char*>(data.data()), data.size());
  begin(number);
  std::string dictionary = "<<";
  dictionary.append(entries);
  if (deflate) dictionary.append("/Filter/FlateDecode");
  dictionary.append("/Length ").append(std::to_string(body.size())).append(">>\nstream\n");
  write(dictionary);
  write(body);
  write("\nendstream\nendobj\n");
}

bool PdfFile::finish(int root, int info) {
  if (finished_) return false;
  finished_ = true;
  const std::uint64_t table = flushed_ + buffer_.size();
  char line[64];
  int length = std::snprintf(line, sizeof line, "xref\n0 %zu\n0000000000 65535 f \n", offsets_.size());
  write(std::string_view(line, static_cast<std::size_t>(length)));
  for (std::size_t i = 1; i < offsets_.size(); ++i) {
    length =
        std::snprintf(line, sizeof line, "%010llu 00000 n \n", static_cast<unsigned long long>(offsets_[i]));
    write(std::string_view(line, static_cast<std::size_t>(length)));
  }
  length = std::snprintf(line, sizeof line, "trailer\n<</Size %zu/Root %d 0 R/Info %d 0 R>>\n",
                         offsets_.size(), root, info);
  write(std::string_view(line, static_cast<std::size_t>(length)));
  length =
      std::snprintf(line, sizeof line, "startxref\n%llu\n%%%%EOF\n", static_cast<unsigned long long>(table));
  write(std::string_view(line, static_cast<std::size_t>(length)));
  flush();
  return !refused_;
}

void PdfFile::write(std::string_view bytes) {
  if (buffer_.size() + bytes.size() <= kPiece) {
    buffer_.append(bytes);
    return;
  }
  flush();
  if (bytes.size() <= kPiece) {
    buffer_.append(bytes);
    return;
  }
  // A large stream goes as it is, not through the buffer.
  if (!refused_ && !sink_(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                        bytes.size())))
    refused_ = true;
  flushed_ += bytes.size();
}

void PdfFile::flush() {
  if (buffer_.empty()) return;
  if (!refused_ && !sink_(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(buffer_.data()),
                                                        buffer_.size())))
    refused_ = true;
  flushed_ += buffer_.size();
  buffer_.clear();
}

}  // namespace maravel::drawing::detail
