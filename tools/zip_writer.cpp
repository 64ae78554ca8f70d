#include "tools/zip_writer.hpp"

#include <zlib.h>

#include <stdexcept>

namespace maravel::testing {

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

void putBytes(std::vector<std::uint8_t>& out, std::string_view s) {
  out.insert(out.end(), s.begin(), s.end());
}

std::uint32_t crcOf(const std::vector<std::uint8_t>& data) {
  return static_cast<std::uint32_t>(crc32(0L, data.data(), static_cast<uInt>(data.size())));
}

struct Written {
  std::uint32_t offset = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
};

}  // namespace

std::vector<std::uint8_t> ZipWriter::deflateRaw(const std::vector<std::uint8_t>& data) {
  z_stream s{};
  if (deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::vector<std::uint8_t> out(deflateBound(&s, static_cast<uLong>(data.size())) + 16);
  s.next_in = const_cast<Bytef*>(data.data());
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  int status = deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  if (status != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

ZipWriter& ZipWriter::add(std::string name, std::string_view data, std::uint16_t method) {
  Entry e;
  e.name = std::move(name);
  e.data.assign(data.begin(), data.end());
  e.method = method;
  return add(std::move(e));
}

ZipWriter& ZipWriter::add(Entry entry) {
  entries_.push_back(std::move(entry));
  return *this;
}

std::vector<std::uint8_t> ZipWriter::finish(std::string_view comment) const {
  const bool java = style_ == Style::javaEditor;
  const std::uint16_t flags = java ? 0x0808 : 0x0800;
  std::vector<std::uint8_t> out;
  std::vector<Written> written;

  for (const Entry& e : entries_) {
    std::vector<std::uint8_t> payload = e.method == 8 && !e.precompressed ? deflateRaw(e.data) : e.data;
    Written w{static_cast<std::uint32_t>(out.size()), crcOf(e.data),
              static_cast<std::uint32_t>(payload.size())};
    put32(out, 0x04034B50);
    put16(out, 20);
    put16(out, flags);
    put16(out, e.method);
    put16(out, 0);       // time
    put16(out, 0x5B21);  // date
    put32(out, java ? 0 : w.crc);
    put32(out, java ? 0 : w.compressedSize);
    put32(out, java ? 0 : static_cast<std::uint32_t>(e.data.size()));
    put16(out, static_cast<std::uint32_t>(e.name.size()));
    put16(out, 0);
    putBytes(out, e.name);
    out.insert(out.end(), payload.begin(), payload.end());
    if (java) {
      put32(out, 0x08074B50);
      put32(out, w.crc);
      put32(out, w.compressedSize);
      put32(out, static_cast<std::uint32_t>(e.data.size()));
    }
    written.push_back(w);
  }

  const std::uint32_t directoryOffset = static_cast<std::uint32_t>(out.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    const Written& w = written[i];
    put32(out, 0x02014B50);
    put16(out, 20);
    put16(out, 20);
    put16(out, flags);
    put16(out, e.method);
    put16(out, 0);
    put16(out, 0x5B21);
    put32(out, w.crc);
    put32(out, e.declaredCompressedSize.value_or(w.compressedSize));
    put32(out, e.declaredUncompressedSize.value_or(static_cast<std::uint32_t>(e.data.size())));
    put16(out, static_cast<std::uint32_t>(e.name.size()));
    put16(out, static_cast<std::uint32_t>(e.extra.size()));
    put16(out, static_cast<std::uint32_t>(e.comment.size()));
    put16(out, 0);  // disk
    put16(out, 0);  // internal attributes
    put32(out, 0);  // external attributes
    put32(out, e.declaredLocalHeaderOffset.value_or(w.offset));
    putBytes(out, e.name);
    putBytes(out, e.extra);
    putBytes(out, e.comment);
  }
  const std::uint32_t directorySize = static_cast<std::uint32_t>(out.size()) - directoryOffset;

  put32(out, 0x06054B50);
  put16(out, 0);
  put16(out, 0);
  put16(out, static_cast<std::uint32_t>(entries_.size()));
  put16(out, static_cast<std::uint32_t>(entries_.size()));
  put32(out, directorySize);
  put32(out, directoryOffset);
  put16(out, static_cast<std::uint32_t>(comment.size()));
  putBytes(out, comment);
  return out;
}

std::vector<std::uint8_t> bytes(std::string_view s) { return {s.begin(), s.end()}; }

std::vector<std::uint8_t> makeUdf(std::string_view contentXml,
                                  std::optional<std::string_view> documentProperties,
                                  std::optional<std::string_view> signature) {
  ZipWriter zip;
  zip.add("content.xml", contentXml);
  if (documentProperties) zip.add("documentproperties.xml", *documentProperties);
  if (signature) zip.add("sign.sgn", *signature);
  return zip.finish();
}

}  // namespace maravel::testing
