#include "platform/drawing/pdf_document.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/drawing/canvas_resources.hpp"
#include "platform/drawing/canvas_target.hpp"
#include "platform/drawing/pdf_bitmap_face.hpp"
#include "platform/drawing/pdf_file.hpp"
#include "platform/drawing/pdf_font.hpp"
#include "platform/drawing/pdf_syntax.hpp"
#include "platform/drawing/picture_decoder.hpp"

namespace maravel::drawing {

namespace {

using detail::appendNumber;
using detail::writtenNumber;

// libdeflate's level for every stream: its fastest, which on text-heavy
// pages still deflates a little smaller than zlib's level 2 did.
constexpr int kCompression = 1;

// A glyph lands within this many points of where the canvas placed it;
// further off, the text is moved by an adjustment in its TJ array.
constexpr double kPlacement = 0.0005;

bool finite(std::initializer_list<double> values) {
  for (const double value : values)
    if (!std::isfinite(value)) return false;
  return true;
}

// A page side: from 1 point to 1,000,000, 1 when not a number.
double side(double points) { return std::isfinite(points) ? std::clamp(points, 1.0, 1e6) : 1; }

std::string reference(int number) { return std::to_string(number) + " 0 R"; }

}  // namespace

struct PdfDocument::Impl final : detail::CanvasTarget {
  detail::PdfFile file;
  CanvasResources resources;
  std::optional<PageCanvas> canvas;
  const int catalog, pageTree, sharedResources, info;
  struct Page {
    int number = 0;
    double width = 1, height = 1;
    std::vector<int> contents;
  };
  std::vector<Page> pages;
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t current = kNone;  // the page being written
  std::string title;
  bool finished = false;
  std::string failure;

  std::vector<std::unique_ptr<detail::PdfFont>> fonts;    // /F<index>
  std::map<std::pair<std::string, int>, int> fontOfFile;  // -1 for a file that cannot be embedded
  std::unordered_map<const fonts::FontFace*, int> fontOfFace;
  std::vector<int> pictures;  // /I<index>
  struct Picture {
    int index = -1;  // -1 for one that does not decode
    double width = 0, height = 0;
  };
  std::unordered_map<std::string, Picture> pictureOf;  // by base64 text
  // The faces whose glyphs are pictures, by file (null for the others) and
  // by face, and their glyphs' pictures once embedded.
  std::map<std::pair<std::string, int>, std::unique_ptr<detail::PdfBitmapFace>> bitmapFaceOfFile;
  std::unordered_map<const fonts::FontFace*, const detail::PdfBitmapFace*> bitmapFaceOf;
  struct GlyphPicture {
    Picture picture;
    double left = 0, top = 0, width = 0, height = 0;  // in ems, as PdfBitmapFace::Glyph
  };
  std::map<std::pair<const detail::PdfBitmapFace*, std::uint32_t>, GlyphPicture> glyphPictures;
  std::map<long, int> alphas;  // /A<index> by alpha in thousandths

  // The page being written and the state its content has set.
  std::string content;
  std::vector<char> scratch;  // a text's operators, written in place
  bool inText = false;
  int font = -1;
  double size = 0;
  std::string fill, stroke;
  double lineWidth = -1;
  long alpha = 1000;
  // The colour the last setColor set and whether for strokes: asked for
  // again (most texts of a page), it would write nothing.
  std::optional<std::pair<Color, bool>> lastColor;

  Impl(PdfDocument::Sink sink, std::uint64_t picturePixels)
      : file(std::move(sink), kCompression),
        resources(picturePixels),
        catalog(file.reserve()),
        pageTree(file.reserve()),
        sharedResources(file.reserve()),
        info(file.reserve()) {}

  void beginPage(Size pageSize) {
    pages.push_back({file.reserve(), side(pageSize.width), side(pageSize.height), {}});
    continuePage(pages.size() - 1);
  }

  // Starts a content stream of its own on page `index`.
  void continuePage(std::size_t index) {
    endPage();
    current = index;
    Page& page = pages[index];
    page.contents.push_back(file.reserve());
    content.clear();
    inText = false;
    font = -1;
    fill.clear();
    stroke.clear();
    lineWidth = -1;
    alpha = 1000;
    lastColor.reset();
    // Points from the top-left corner, y downwards, as the canvas draws;
    // the page's streams run as one, so each leaves the state as it was.
    content.append("q 1 0 0 -1 0 ");
    appendNumber(content, page.height);
    content.append(" cm\n");
  }

  void endPage() {
    if (current == kNone) return;
    endText();
    content.append("Q\n");
    file.stream(pages[current].contents.back(), "", content);
    content.clear();
    current = kNone;
  }

  void writePage(const Page& page) {
    std::string object = "<</Type/Page/Parent " + reference(pageTree) + "/MediaBox[0 0 ";
    appendNumber(object, page.width);
    object.push_back(' ');
    appendNumber(object, page.height);
    object.append("]/Resources ").append(reference(sharedResources)).append("/Contents[");
    for (const int contents : page.contents) object.append(reference(contents)).push_back(' ');
    object.back() = ']';
    file.object(page.number, object + ">>");
  }

  void endText() {
    if (!inText) return;
    content.append("ET\n");
    inText = false;
  }

  // Sets the colour of fills ("rg") or strokes ("RG") when it changes.
  void setColor(const Color& color, bool stroking) {
    if (lastColor && lastColor->second == stroking && lastColor->first.red == color.red &&
        lastColor->first.green == color.green && lastColor->first.blue == color.blue &&
        lastColor->first.alpha == color.alpha)
      return;
    lastColor.emplace(color, stroking);
    std::string set;
    appendNumber(set, color.red);
    set.push_back(' ');
    appendNumber(set, color.green);
    set.push_back(' ');
    appendNumber(set, color.blue);
    set.append(stroking ? " RG\n" : " rg\n");
    std::string& current = stroking ? stroke : fill;
    if (set != current) {
      content.append(set);
      current = std::move(set);
    }
    const long thousandths = std::lround(writtenNumber(std::fmin(std::fmax(color.alpha, 0), 1)) * 1000);
    if (thousandths != alpha) {
      auto [found, added] = alphas.emplace(thousandths, static_cast<int>(alphas.size()));
      if (added) {
        std::string state = "<</Type/ExtGState/ca ";
        appendNumber(state, thousandths / 1000.0);
        state.append("/CA ");
        appendNumber(state, thousandths / 1000.0);
        state.append(">>");
        found->second = file.reserve();
        file.object(found->second, state);
      }
      content.append("/A").append(std::to_string(found->second)).append(" gs\n");
      alpha = thousandths;
    }
  }

  // The index of the face's font, or -1 when its file cannot be embedded.
  int fontFor(const fonts::FontFace& face) {
    if (auto found = fontOfFace.find(&face); found != fontOfFace.end()) return found->second;
    int index = -1;
    if (const std::optional<fonts::FaceFile> faceFile = face.file()) {
      auto [found, added] = fontOfFile.emplace(std::make_pair(faceFile->path, faceFile->index), -1);
      if (added) {
        auto font =
            std::make_unique<detail::PdfFont>(*faceFile, file.reserve(), static_cast<int>(fonts.size()));
        if (font->usable()) {
          found->second = static_cast<int>(fonts.size());
          fonts.push_back(std::move(font));
        } else {
          file.object(font->number(), "null");
        }
      }
      index = found->second;
    }
    fontOfFace.emplace(&face, index);
    return index;
  }

  // The face's glyphs as pictures, or null when it has outlines.
  const detail::PdfBitmapFace* bitmapFaceFor(const fonts::FontFace& face) {
    if (auto found = bitmapFaceOf.find(&face); found != bitmapFaceOf.end()) return found->second;
    const detail::PdfBitmapFace* bitmaps = nullptr;
    if (const std::optional<fonts::FaceFile> faceFile = face.file()) {
      auto [found, added] = bitmapFaceOfFile.try_emplace(std::make_pair(faceFile->path, faceFile->index));
      if (added) found->second = detail::PdfBitmapFace::open(*faceFile);
      bitmaps = found->second.get();
    }
    bitmapFaceOf.emplace(&face, bitmaps);
    return bitmaps;
  }

  // Each glyph's picture in the box the face gives it, each cluster's
  // pictures in a span that carries its text, so that the text can still be
  // searched and copied.
  void showPictures(const detail::PdfBitmapFace& bitmaps, const detail::GlyphRun& run) {
    endText();
    std::size_t next = 0, offset = 0;
    std::string actualText;
    for (const detail::TextCluster& cluster : run.clusters) {
      const std::string_view text = run.text.substr(std::min(offset, run.text.size()), cluster.bytes);
      offset += cluster.bytes;
      const std::size_t count = std::min<std::size_t>(cluster.glyphs, run.glyphs.size() - next);
      if (count == 0) continue;
      actualText.clear();
      detail::appendUTF16Hex(actualText, text);
      content.append("/Span<</ActualText<FEFF").append(actualText).append(">>>BDC\n");
      for (std::size_t i = 0; i < count; ++i, ++next) showPicture(bitmaps, run.glyphs[next], run);
      content.append("EMC\n");
    }
  }

  void showPicture(const detail::PdfBitmapFace& bitmaps, const detail::PlacedGlyph& glyph,
                   const detail::GlyphRun& run) {
    auto found = glyphPictures.find({&bitmaps, glyph.glyph});
    if (found == glyphPictures.end()) {
      GlyphPicture embedded;
      if (const std::optional<detail::PdfBitmapFace::Glyph> bitmap = bitmaps.glyph(glyph.glyph)) {
        if (const std::optional<detail::DecodedPicture> decoded = detail::PictureDecoder::decode(bitmap->png))
          embedded = {embedPixels(*decoded, {}), bitmap->left, bitmap->top, bitmap->width, bitmap->height};
      }
      found = glyphPictures.emplace(std::make_pair(&bitmaps, glyph.glyph), embedded).first;
    }
    const GlyphPicture& picture = found->second;
    if (picture.picture.index < 0) return;
    const Rect box{glyph.x + picture.left * run.size, run.baseline - picture.top * run.size,
                   picture.width * run.size, picture.height * run.size};
    if (!finite({box.x, box.y, box.width, box.height}) || !(box.width > 0) || !(box.height > 0)) return;
    placePicture(picture.picture.index, box);
  }

  void showGlyphs(const fonts::FontFace& face, const detail::GlyphRun& run) override {
    if (run.glyphs.empty() || !std::isfinite(run.baseline)) return;
    for (const detail::PlacedGlyph& glyph : run.glyphs)
      if (!std::isfinite(glyph.x)) return;
    if (const detail::PdfBitmapFace* bitmaps = bitmapFaceFor(face)) return showPictures(*bitmaps, run);
    const double written = writtenNumber(run.size, 6);
    const int index = fontFor(face);
    if (index < 0 || !(written > 0)) return;
    detail::PdfFont& pdfFont = *fonts[static_cast<std::size_t>(index)];
    if (!inText) {
      content.append("BT\n");
      inText = true;
    }
    setColor(run.color, false);
    if (index != font || written != size) {
      content.append("/F").append(std::to_string(index)).push_back(' ');
      appendNumber(content, written, 6);
      content.append(" Tf\n");
      font = index;
      size = written;
    }
    double pen = writtenNumber(run.glyphs.front().x);
    content.append("1 0 0 -1 ");
    appendNumber(content, pen);
    content.push_back(' ');
    appendNumber(content, run.baseline);
    content.append(" Tm\n");

    // Adjustments in thousandths of an em to as many decimals as keep a
    // glyph within kPlacement of its place: 2 at 12 points.
    const int decimals = std::clamp(static_cast<int>(std::ceil(std::log10(written))), 0, 4);
    // Written in place, room made first: at most a number, a code and the
    // array's and string's delimiters a glyph, and a span a cluster.
    constexpr std::size_t kGlyphBytes = detail::kNumberBytes + detail::kCodeBytes + 8;
    constexpr std::string_view kSpanStart = "/Span<</ActualText<FEFF", kSpanEnd = ">>>BDC\n",
                               kEnd = "]TJ\nEMC\n";
    const std::size_t room = run.glyphs.size() * kGlyphBytes + run.text.size() * 4 +
                             run.clusters.size() * (kSpanStart.size() + kSpanEnd.size() + kEnd.size()) + 8;
    if (scratch.size() < room) scratch.resize(room);
    char* out = scratch.data();
    const auto put = [&out](std::string_view bytes) {
      for (const char byte : bytes) *out++ = byte;
    };
    bool inArray = false, inString = false;
    const auto closeString = [&] {
      if (inString) *out++ = ')';
      inString = false;
    };
    const auto closeArray = [&] {
      closeString();
      if (inArray) put("]TJ\n");
      inArray = false;
    };
    // Inlined at both its calls: once a glyph, it would otherwise be a call a glyph.
    const auto place = [&](std::uint32_t glyph, double x) __attribute__((always_inline)) {
      if (!inArray) *out++ = '[';
      inArray = true;
      const double off = x - pen;
      if (std::fabs(off) > kPlacement) {
        const double adjustment = writtenNumber(-off * 1000 / written, decimals);
        closeString();
        out = detail::writeNumber(out, adjustment, decimals);
        pen -= adjustment * written / 1000;
      }
      if (!inString) *out++ = '(';
      inString = true;
      out = detail::writeCode(out, glyph);
      pen += pdfFont.width(glyph) * written / 1000;
    };

    std::size_t next = 0, offset = 0;
    std::string actualText;
    for (const detail::TextCluster& cluster : run.clusters) {
      // Most clusters: a byte of text drawn by one glyph that stands for it.
      if (cluster.bytes == 1 && cluster.glyphs == 1 && offset < run.text.size() && next < run.glyphs.size() &&
          pdfFont.usedAs(run.glyphs[next].glyph, run.text[offset])) {
        place(run.glyphs[next].glyph, run.glyphs[next].x);
        ++next;
        ++offset;
        continue;
      }
      const std::string_view text = run.text.substr(std::min(offset, run.text.size()), cluster.bytes);
      offset += cluster.bytes;
      const std::size_t count = std::min<std::size_t>(cluster.glyphs, run.glyphs.size() - next);
      if (count == 0) continue;
      bool plain = pdfFont.use(run.glyphs[next].glyph, text) && count == 1;
      for (std::size_t i = 1; i < count; ++i) pdfFont.use(run.glyphs[next + i].glyph, {});
      if (!plain) {
        // The cluster's text beside its glyphs: four digits for each
        // UTF-16 unit, at most as many as the text's bytes.
        closeArray();
        actualText.clear();
        detail::appendUTF16Hex(actualText, text);
        put(kSpanStart);
        put(actualText);
        put(kSpanEnd);
      }
      for (std::size_t i = 0; i < count; ++i, ++next) place(run.glyphs[next].glyph, run.glyphs[next].x);
      if (!plain) {
        closeArray();
        put("EMC\n");
      }
    }
    closeArray();
    content.append(scratch.data(), out);
  }

  void fillRect(const Rect& rect, const Color& color) override {
    if (!finite({rect.x, rect.y, rect.width, rect.height})) return;
    endText();
    setColor(color, false);
    for (const double value : {rect.x, rect.y, rect.width, rect.height}) {
      appendNumber(content, value);
      content.push_back(' ');
    }
    content.append("re f\n");
  }

  void drawLine(Point from, Point to, double width, const Color& color) override {
    if (!finite({from.x, from.y, to.x, to.y, width})) return;
    endText();
    setColor(color, true);
    if (writtenNumber(width) != lineWidth) {
      lineWidth = writtenNumber(width);
      appendNumber(content, lineWidth);
      content.append(" w\n");
    }
    appendNumber(content, from.x);
    content.push_back(' ');
    appendNumber(content, from.y);
    content.append(" m ");
    appendNumber(content, to.x);
    content.push_back(' ');
    appendNumber(content, to.y);
    content.append(" l S\n");
  }

  void drawPicture(std::string_view base64, const Rect& rect) override {
    if (!finite({rect.x, rect.y, rect.width, rect.height})) return;
    auto found = pictureOf.find(std::string(base64));
    if (found == pictureOf.end()) found = pictureOf.emplace(std::string(base64), embed(base64)).first;
    const Picture& picture = found->second;
    if (picture.index < 0) return;
    placePicture(picture.index, detail::fittedPicture(picture.width, picture.height, rect));
  }

  // Draws picture /I<index> filling `placed`.
  void placePicture(int index, const Rect& placed) {
    endText();
    // The picture's rows from the top down.
    content.append("q ");
    appendNumber(content, placed.width);
    content.append(" 0 0 ");
    appendNumber(content, -placed.height);
    content.push_back(' ');
    appendNumber(content, placed.x);
    content.push_back(' ');
    appendNumber(content, placed.y + placed.height);
    content.append(" cm/I").append(std::to_string(index)).append(" Do Q\n");
  }

  // Writes the picture of `base64` as an image object.
  Picture embed(std::string_view base64) {
    const CanvasResources::Impl::Picture* picture = resources.impl().picture(base64);
    if (picture == nullptr) return {};
    return embedPixels(*picture->decoded, picture->jpeg);
  }

  // Writes decoded pixels as an image object, or the JPEG file they were
  // decoded from, when there is one.
  Picture embedPixels(const detail::DecodedPicture& decoded, std::span<const std::uint8_t> jpeg) {
    const int width = decoded.width;
    const int height = decoded.height;
    if (decoded.pixels.size() != std::size_t{1} * width * height) return {};
    std::string entries = "/Type/XObject/Subtype/Image/Width " + std::to_string(width) + "/Height " +
                          std::to_string(height) + "/BitsPerComponent 8/Interpolate true";
    const int number = file.reserve();
    if (!embedJPEG(jpeg, number, entries)) {
      std::vector<std::uint8_t> rgb, mask;
      rgb.reserve(std::size_t{3} * width * height);
      mask.reserve(std::size_t{1} * width * height);
      bool opaque = true;
      for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = decoded.pixels.data() + std::size_t{1} * y * width;
        for (int x = 0; x < width; ++x) {
          const std::uint32_t pixel = row[x];
          const std::uint32_t a = pixel >> 24;
          // Premultiplied in the pixels, straight in the file.
          const auto channel = [a](std::uint32_t value) {
            return static_cast<std::uint8_t>(a == 0 ? 0 : a == 255 ? value : (value * 255 + a / 2) / a);
          };
          rgb.push_back(channel((pixel >> 16) & 0xFF));
          rgb.push_back(channel((pixel >> 8) & 0xFF));
          rgb.push_back(channel(pixel & 0xFF));
          mask.push_back(static_cast<std::uint8_t>(a));
          opaque = opaque && a == 255;
        }
      }
      // A grey picture goes in as one channel.
      bool grey = true;
      for (std::size_t i = 0; grey && i < rgb.size(); i += 3)
        grey = rgb[i] == rgb[i + 1] && rgb[i] == rgb[i + 2];
      if (grey) {
        for (std::size_t i = 0; i < rgb.size() / 3; ++i) rgb[i] = rgb[3 * i];
        rgb.resize(rgb.size() / 3);
      }
      std::string imageEntries = entries + (grey ? "/ColorSpace/DeviceGray" : "/ColorSpace/DeviceRGB");
      if (!opaque) {
        const int smask = file.reserve();
        file.stream(smask, entries + "/ColorSpace/DeviceGray", mask);
        imageEntries.append("/SMask ").append(reference(smask));
      }
      file.stream(number, imageEntries, rgb);
    }
    pictures.push_back(number);
    return {static_cast<int>(pictures.size() - 1), static_cast<double>(width), static_cast<double>(height)};
  }

  // A JPEG file at its own size goes in as it is; false for any other picture.
  bool embedJPEG(std::span<const std::uint8_t> bytes, int number, const std::string& entries) {
    if (bytes.empty()) return false;
    const std::optional<detail::PictureHeader> header = detail::PictureDecoder::inspect(bytes);
    if (!header) return false;
    const char* space = header->components == 1   ? "/ColorSpace/DeviceGray"
                        : header->components == 3 ? "/ColorSpace/DeviceRGB"
                        : header->components == 4 ? "/ColorSpace/DeviceCMYK/Decode[1 0 1 0 1 0 1 0]"
                                                  : nullptr;
    if (space == nullptr) return false;
    file.stream(number, entries + space + "/Filter/DCTDecode", bytes, false);
    return true;
  }

  bool finish() {
    endPage();
    for (const auto& pdfFont : fonts) pdfFont->write(file);
    std::string shared = "<<";
    if (!fonts.empty()) {
      shared.append("/Font<<");
      for (std::size_t i = 0; i < fonts.size(); ++i)
        shared.append("/F").append(std::to_string(i)).append(" ").append(reference(fonts[i]->number()));
      shared.append(">>");
    }
    if (!pictures.empty()) {
      shared.append("/XObject<<");
      for (std::size_t i = 0; i < pictures.size(); ++i)
        shared.append("/I").append(std::to_string(i)).append(" ").append(reference(pictures[i]));
      shared.append(">>");
    }
    if (!alphas.empty()) {
      shared.append("/ExtGState<<");
      for (const auto& [thousandths, number] : alphas)
        shared.append("/A").append(std::to_string(number)).append(" ").append(reference(number));
      shared.append(">>");
    }
    file.object(sharedResources, shared + ">>");
    std::string tree = "<</Type/Pages/Count " + std::to_string(pages.size()) + "/Kids[";
    for (std::size_t i = 0; i < pages.size(); ++i) {
      writePage(pages[i]);
      if (i > 0) tree.push_back(' ');
      tree.append(reference(pages[i].number));
    }
    file.object(pageTree, tree + "]>>");
    file.object(catalog, "<</Type/Catalog/Pages " + reference(pageTree) + ">>");
    std::string information = "<</Title";
    detail::appendTextString(information, title);
    file.object(info, information + "/Creator(Maravel)>>");
    return file.finish(catalog, info);
  }
};

PdfDocument::PdfDocument(Sink sink, const std::string& title, std::uint64_t picturePixels)
    : impl_(std::make_unique<Impl>(std::move(sink), picturePixels)) {
  impl_->title = title;
}

PdfDocument::~PdfDocument() = default;

PageCanvas& PdfDocument::beginPage(Size size) {
  impl_->beginPage(size);
  impl_->canvas.emplace(*impl_, impl_->resources);
  return *impl_->canvas;
}

PageCanvas* PdfDocument::continuePage(std::size_t index) {
  if (impl_->finished || index >= impl_->pages.size()) return nullptr;
  impl_->continuePage(index);
  impl_->canvas.emplace(*impl_, impl_->resources);
  return &*impl_->canvas;
}

bool PdfDocument::finish() {
  if (impl_->finished) return false;
  impl_->finished = true;
  if (impl_->pages.empty()) beginPage({595.28, 841.89});
  impl_->canvas.reset();
  if (!impl_->finish()) impl_->failure = "the sink refused bytes";
  return impl_->failure.empty();
}

const std::string& PdfDocument::failure() const { return impl_->failure; }

}  // namespace maravel::drawing
