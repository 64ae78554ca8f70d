#include "platform/drawing/page_canvas.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "platform/drawing/cairo_canvas_target.hpp"
#include "platform/drawing/canvas_resources.hpp"
#include "platform/fonts/font_face.hpp"
#include "platform/text/text.hpp"

namespace maravel::drawing {

namespace {

// The first glyph after i of another cluster: glyphs.size() when none.
std::size_t nextClusterGlyph(std::span<const fonts::ShapedGlyph> glyphs, std::size_t i) {
  std::size_t j = i + 1;
  while (j < glyphs.size() && glyphs[j].cluster == glyphs[i].cluster) ++j;
  return j;
}

// The length in bytes of the UTF-8 character at `at` of valid text.
std::size_t characterLength(std::string_view text, std::size_t at) {
  std::size_t end = at + 1;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  return end - at;
}

bool clusterBefore(const fonts::ShapedGlyph& a, const fonts::ShapedGlyph& b) { return a.cluster < b.cluster; }

// The texts of the glyphs' clusters one after another in the glyphs' order,
// each glyph's cluster moved to where its text now starts. A cluster's text
// runs up to the next larger cluster (or the text's end).
std::string inDrawnOrder(std::string_view text, std::vector<fonts::ShapedGlyph>& glyphs) {
  std::vector<std::uint32_t> starts;
  starts.reserve(glyphs.size() + 1);
  for (const fonts::ShapedGlyph& glyph : glyphs) starts.push_back(glyph.cluster);
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  starts.push_back(static_cast<std::uint32_t>(text.size()));
  std::string out;
  out.reserve(text.size());
  std::uint32_t last = static_cast<std::uint32_t>(-1), moved = 0;
  for (fonts::ShapedGlyph& glyph : glyphs) {
    if (glyph.cluster != last) {
      last = glyph.cluster;
      const std::uint32_t end = *std::upper_bound(starts.begin(), starts.end(), glyph.cluster);
      moved = static_cast<std::uint32_t>(out.size());
      out.append(text.substr(glyph.cluster, end - glyph.cluster));
    }
    glyph.cluster = moved;
  }
  return out;
}

char32_t firstCodePoint(std::string_view character) {
  const auto byte = [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(character[i]));
  };
  if (character.empty()) return 0;
  if (byte(0) < 0x80 || character.size() == 1) return byte(0);
  const std::size_t count = character.size();
  char32_t code = byte(0) & (0xFF >> (count + 1));
  for (std::size_t i = 1; i < count; ++i) code = (code << 6) | (byte(i) & 0x3F);
  return code;
}

}  // namespace

Rect detail::fittedPicture(double width, double height, const Rect& rect) {
  const double scale = std::min(rect.width / width, rect.height / height);
  return {rect.x + (rect.width - width * scale) / 2, rect.y + (rect.height - height * scale) / 2,
          width * scale, height * scale};
}

PageCanvas::PageCanvas(void* cairoContext, CanvasResources& resources)
    : ownTarget_(
          std::make_unique<detail::CairoCanvasTarget>(static_cast<cairo_t*>(cairoContext), resources.impl())),
      target_(*ownTarget_),
      resources_(resources) {}

PageCanvas::PageCanvas(detail::CanvasTarget& target, CanvasResources& resources)
    : target_(target), resources_(resources) {}

PageCanvas::~PageCanvas() = default;

void PageCanvas::drawText(std::string_view text, Point origin, const TextStyle& style, double spaceExtra,
                          std::span<const fonts::ShapedGlyph> glyphs) {
  if (text.empty() || !(style.size > 0) || style.size > kMaxTextSize) return;
  // Text is nearly always valid already, and then not copied.
  std::string repaired;
  if (!text::isValidUTF8(text)) repaired = text::decodeUTF8Lossy(text);
  const std::string_view valid = repaired.empty() ? text : repaired;
  CanvasResources::Impl& resources = resources_.impl();
  const fonts::FontFace& shaper = resources.shaper(style);
  const bool given = !glyphs.empty() && repaired.empty() &&
                     std::all_of(glyphs.begin(), glyphs.end(), [&](const fonts::ShapedGlyph& glyph) {
                       return glyph.cluster < valid.size();
                     });
  std::vector<fonts::ShapedGlyph> ownGlyphs;
  if (!given) ownGlyphs = shaper.shapeInDirection(valid, style.direction);
  std::span<const fonts::ShapedGlyph> shaped = given ? glyphs : std::span(ownGlyphs);
  // Right to left, the clusters' texts are put in the order their glyphs
  // are drawn, so that each cluster still stands for its own characters.
  std::string drawnOrder;
  if (!std::is_sorted(shaped.begin(), shaped.end(), clusterBefore)) {
    if (given) ownGlyphs.assign(shaped.begin(), shaped.end());
    drawnOrder = inDrawnOrder(valid, ownGlyphs);
    shaped = ownGlyphs;
  }
  const std::string_view drawn = drawnOrder.empty() ? valid : drawnOrder;

  // The face's own glyphs in one run; a character it has no glyph for is
  // drawn in its place from a face that has one, as the browser does.
  detail::GlyphRun run{style.size,
                       origin.y,
                       style.color,
                       drawn,
                       std::move(resources.runGlyphs),
                       std::move(resources.runClusters)};
  // Room for every glyph and cluster made first and filled by index: this
  // runs for every glyph of the document.
  run.glyphs.resize(shaped.size());
  run.clusters.resize(shaped.size());
  std::size_t glyphCount = 0, clusterCount = 0;
  std::vector<std::pair<std::size_t, double>> missing;  // cluster and x
  double x = origin.x;
  for (std::size_t i = 0; i < shaped.size(); ++i) {
    const std::size_t cluster = shaped[i].cluster;
    const bool sameCluster = i > 0 && shaped[i - 1].cluster == cluster;
    if (!sameCluster) {
      // Found once per cluster: a letter under 300,000 marks is one cluster.
      const std::size_t after = nextClusterGlyph(shaped, i);
      const std::size_t next = after < shaped.size() ? shaped[after].cluster : drawn.size();
      run.clusters[clusterCount++] = {static_cast<std::uint32_t>(next - cluster), 0};
    }
    if (shaped[i].glyph == 0) {
      if (!sameCluster) missing.emplace_back(cluster, x);
    } else {
      run.glyphs[glyphCount++] = {shaped[i].glyph, x};
      ++run.clusters[clusterCount - 1].glyphs;
    }
    x += shaped[i].advance;
    if (drawn[cluster] == ' ') x += spaceExtra;
  }
  run.glyphs.resize(glyphCount);
  run.clusters.resize(clusterCount);
  if (!run.clusters.empty()) target_.showGlyphs(shaper, run);
  resources.runGlyphs = std::move(run.glyphs);
  resources.runClusters = std::move(run.clusters);
  if (style.direction == fonts::TextDirection::rightToLeft)
    return drawJoined(drawn, missing, origin.y, style);
  for (const auto& [cluster, at] : missing) {
    const std::size_t length = characterLength(drawn, cluster);
    const std::string_view character = drawn.substr(cluster, length);
    const fonts::FontFace& fallback = resources.fallback(firstCodePoint(character), style);
    detail::GlyphRun piece{style.size, origin.y, style.color, character, {}, {}};
    double pen = at;
    for (const fonts::ShapedGlyph& glyph : fallback.shape(character)) {
      piece.glyphs.push_back({glyph.glyph, pen});
      pen += glyph.advance;
    }
    piece.clusters.push_back(
        {static_cast<std::uint32_t>(length), static_cast<std::uint32_t>(piece.glyphs.size())});
    target_.showGlyphs(fallback, piece);
  }
}

namespace {

bool sameFile(const fonts::FontFace& a, const fonts::FontFace& b) {
  const std::optional<fonts::FaceFile> fileA = a.file(), fileB = b.file();
  return fileA && fileB && fileA->path == fileB->path && fileA->index == fileB->index;
}

}  // namespace

// Right to left, the characters no face of the style has that follow one
// another and one fallback face has are shaped together, so that Arabic
// letters join, from the left end of the room measured for them.
void PageCanvas::drawJoined(std::string_view drawn,
                            const std::vector<std::pair<std::size_t, double>>& missing, double baseline,
                            const TextStyle& style) {
  CanvasResources::Impl& resources = resources_.impl();
  for (std::size_t first = 0; first < missing.size();) {
    const auto faceAt = [&](std::size_t i) -> const fonts::FontFace& {
      const std::size_t at = missing[i].first;
      return resources.fallback(firstCodePoint(drawn.substr(at, characterLength(drawn, at))), style);
    };
    const fonts::FontFace& fallback = faceAt(first);
    std::size_t last = first;
    while (last + 1 < missing.size() &&
           missing[last].first + characterLength(drawn, missing[last].first) == missing[last + 1].first &&
           sameFile(faceAt(last + 1), fallback))
      ++last;
    // Drawn from the right, the characters are read from the last one.
    std::string logical;
    for (std::size_t i = last + 1; i-- > first;)
      logical.append(drawn.substr(missing[i].first, characterLength(drawn, missing[i].first)));
    std::vector<fonts::ShapedGlyph> glyphs = fallback.shapeInDirection(logical, style.direction);
    const std::string text = inDrawnOrder(logical, glyphs);
    detail::GlyphRun piece{style.size, baseline, style.color, text, {}, {}};
    double pen = missing[first].second;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
      if (i == 0 || glyphs[i - 1].cluster != glyphs[i].cluster) {
        const std::size_t after = nextClusterGlyph(glyphs, i);
        const std::size_t next = after < glyphs.size() ? glyphs[after].cluster : text.size();
        piece.clusters.push_back({static_cast<std::uint32_t>(next - glyphs[i].cluster), 0});
      }
      piece.glyphs.push_back({glyphs[i].glyph, pen});
      ++piece.clusters.back().glyphs;
      pen += glyphs[i].advance;
    }
    if (!piece.clusters.empty()) target_.showGlyphs(fallback, piece);
    first = last + 1;
  }
}

void PageCanvas::fillRect(const Rect& rect, const Color& color) {
  if (!(rect.width > 0) || !(rect.height > 0)) return;
  target_.fillRect(rect, color);
}

void PageCanvas::drawLine(Point from, Point to, double width, const Color& color) {
  if (!(width > 0)) return;
  target_.drawLine(from, to, width, color);
}

void PageCanvas::drawImage(std::string_view base64, const Rect& rect) {
  if (!(rect.width > 0) || !(rect.height > 0)) return;
  target_.drawPicture(base64, rect);
}

}  // namespace maravel::drawing
