#include "api/library_document.hpp"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>
#include <streambuf>
#include <string_view>
#include <utility>

#include "docx/docx_writer.hpp"
#include "html/html_renderer.hpp"
#include "paper/pdf_writer.hpp"
#include "platform/commandline/command_output.hpp"
#include "platform/drawing/drawing_context.hpp"
#include "platform/quicklook/file_contents.hpp"
#include "reader/udf_parser.hpp"
#include "thumbnail/thumbnail_provider.hpp"
#include "tools/document_json.hpp"
#include "tools/plain_text_writer.hpp"
#include "tools/signature_json.hpp"

namespace maravel::api {
namespace {

constexpr std::string_view kUntitled = "UDF Belgesi";  // the commands' title for standard input

std::span<const std::uint8_t> bytesOf(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A stream that hands what is written to a sink in pieces, for the writers
// that write to a std::ostream.
class SinkBuffer : public std::streambuf {
 public:
  explicit SinkBuffer(const LibraryDocument::Sink& sink) : sink_(sink), space_(1 << 16) {
    setp(space_.data(), space_.data() + space_.size());
  }
  bool refused() const { return refused_; }
  int_type overflow(int_type c) override {
    if (!drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) sputc(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
  }
  int sync() override { return drain() ? 0 : -1; }

 private:
  bool drain() {
    const std::string_view piece(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    refused_ = refused_ || (!piece.empty() && !sink_(bytesOf(piece)));
    setp(space_.data(), space_.data() + space_.size());
    return !refused_;
  }
  const LibraryDocument::Sink& sink_;
  std::vector<char> space_;
  bool refused_ = false;
};

Failure refused() { return {Status::cannotWrite, "the output refused bytes"}; }

std::string titleOf(const std::string& name) {
  if (name == "-") return std::string(kUntitled);
  return quicklook::lastPathComponent(name);
}

}  // namespace

LibraryDocument::LibraryDocument(std::vector<std::uint8_t> bytes, UDFDocument doc, std::string name)
    : bytes_(std::move(bytes)), doc_(std::move(doc)), name_(std::move(name)), title_(titleOf(name_)) {}

std::unique_ptr<LibraryDocument> LibraryDocument::open(const std::string& path, Failure& failure) {
  quicklook::FileContents contents = quicklook::readFile(path, quicklook::kMaxDocumentBytes);
  if (!contents.bytes) {
    const bool large = contents.failure.starts_with("larger than");
    failure = {large ? Status::tooLarge : Status::cannotRead,
               "cannot read " + path + ": " + contents.failure};
    return nullptr;
  }
  return open(std::move(*contents.bytes), path, failure);
}

std::unique_ptr<LibraryDocument> LibraryDocument::open(std::vector<std::uint8_t> bytes,
                                                       std::optional<std::string> name, Failure& failure) {
  const std::string shown = name.value_or("-");
  if (bytes.size() > quicklook::kMaxDocumentBytes) {
    failure = {Status::tooLarge,
               "cannot read " + shown + ": " + quicklook::largerThan(quicklook::kMaxDocumentBytes)};
    return nullptr;
  }
  // As the text and the paper do, the signature's check (a digest of all
  // of content.xml) waits until something that shows it is asked for.
  std::optional<UDFDocument> doc = UDFParser::parse(bytes, UDFParser::Signature::skipped);
  if (!doc) {
    failure = {Status::notADocument, "cannot read " + shown + ": not a readable UDF document"};
    return nullptr;
  }
  return std::unique_ptr<LibraryDocument>(new LibraryDocument(std::move(bytes), std::move(*doc), shown));
}

const UDFDocument& LibraryDocument::checkedModel() {
  if (!signatureChecked_) {
    // The check udfverify makes, from content.xml and sign.sgn alone.
    std::optional<SignatureInfo> signature = UDFParser::signature(bytes_);
    readable_ = signature.has_value();
    doc_.signature = signature ? std::move(*signature) : SignatureInfo{};
    signatureChecked_ = true;
  }
  return doc_;
}

std::string LibraryDocument::verifyJson() {
  const SignatureInfo& signature = checkedModel().signature;
  using tools::Json;
  const char* status = !readable_            ? "notADocument"
                       : !signature.isSigned ? "unsigned"
                                             : tools::statusName(signature.status);
  const bool shown = readable_ && signature.isSigned;
  const Json entry{{"file", name_},
                   {"status", status},
                   {"signature", shown ? tools::signatureJson(signature) : Json(nullptr)}};
  return entry.dump(2, ' ', false, Json::error_handler_t::replace);
}

std::optional<Failure> LibraryDocument::writeText(const Sink& sink) {
  const bool written =
      PlainTextWriter::write(doc_, [&sink](std::string_view piece) { return sink(bytesOf(piece)); });
  return written ? std::nullopt : std::optional(refused());
}

std::optional<Failure> LibraryDocument::writeModelJson(const Sink& sink) {
  SinkBuffer buffer(sink);
  std::ostream stream(&buffer);
  tools::DocumentJson::write(checkedModel(), stream);
  stream << "\n";
  stream.flush();
  return buffer.refused() ? std::optional(refused()) : std::nullopt;
}

std::optional<Failure> LibraryDocument::writeDrawing(Format format, int pixelSize, const Sink& sink) {
  std::string failure;
  switch (format) {
    case Format::pdf:
      if (PdfWriter::write(doc_, title_, sink, bytes_.size(), &failure)) return std::nullopt;
      return Failure{Status::cannotDraw, "cannot draw " + name_ + ": " + failure};
    case Format::docx:
      if (DocxWriter::write(checkedModel(), title_, sink)) return std::nullopt;
      return Failure{Status::cannotDraw, "cannot make the copy of " + name_};
    default:
      break;
  }
  if (pixelSize < 1 || pixelSize > kMaxThumbnailSize)
    return Failure{Status::invalidArgument, "the thumbnail size must be 1 to 4096 pixels"};
  const double side = pixelSize;
  drawing::DrawingContext context({side, side});
  ThumbnailProvider::drawThumbnail(context, {side, side},
                                   std::optional<std::span<const std::uint8_t>>(bytes_));
  const std::vector<std::uint8_t> png = context.pngData();
  if (png.empty()) return Failure{Status::cannotDraw, "cannot encode the thumbnail"};
  return sink(png) ? std::nullopt : std::optional(refused());
}

std::optional<Failure> LibraryDocument::write(Format format, int pixelSize, const Sink& sink) {
  switch (format) {
    case Format::text:
      return writeText(sink);
    case Format::modelJson:
      return writeModelJson(sink);
    case Format::verifyJson:
      return sink(bytesOf(verifyJson())) ? std::nullopt : std::optional(refused());
    case Format::html: {
      const std::string page =
          UDFHTMLRenderer::renderHTML(checkedModel(), title_, UDFHTMLRenderer::pageBudget(bytes_.size()));
      return sink(bytesOf(page)) ? std::nullopt : std::optional(refused());
    }
    case Format::pdf:
    case Format::docx:
    case Format::thumbnailPng:
      return writeDrawing(format, pixelSize, sink);
  }
  return Failure{Status::invalidArgument, "unknown output format"};
}

std::optional<Failure> LibraryDocument::writeFile(Format format, int pixelSize, const std::string& path) {
  commandline::Output output(path);
  if (!output.open()) return Failure{Status::cannotWrite, output.error()};
  std::optional<Failure> failure = write(
      format, pixelSize, [&output](std::span<const std::uint8_t> bytes) { return output.write(bytes); });
  if (output.failed()) return Failure{Status::cannotWrite, output.error()};
  if (failure) return failure;
  if (!output.commit()) return Failure{Status::cannotWrite, output.error()};
  return std::nullopt;
}

}  // namespace maravel::api
