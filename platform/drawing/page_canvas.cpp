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
  if (!given) ownGlyphs = shaper.shape(valid);
  const std::span<const fonts::ShapedGlyph> shaped = given ? glyphs : std::span(ownGlyphs);

  // The face's own glyphs in one run; a character it has no glyph for is
  // drawn in its place from a face that has one, as the browser does.
  detail::GlyphRun run{style.size,
                       origin.y,
                       style.color,
                       valid,
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
      const std::size_t next = after < shaped.size() ? shaped[after].cluster : valid.size();
      run.clusters[clusterCount++] = {static_cast<std::uint32_t>(next - cluster), 0};
    }
    if (shaped[i].glyph == 0) {
      if (!sameCluster) missing.emplace_back(cluster, x);
    } else {
      run.glyphs[glyphCount++] = {shaped[i].glyph, x};
      ++run.clusters[clusterCount - 1].glyphs;
    }
    x += shaped[i].advance;
    if (valid[cluster] == ' ') x += spaceExtra;
  }
  run.glyphs.resize(glyphCount);
  run.clusters.resize(clusterCount);
  if (!run.clusters.empty()) target_.showGlyphs(shaper, run);
  resources.runGlyphs = std::move(run.glyphs);
  resources.runClusters = std::move(run.clusters);
  for (const auto& [cluster, at] : missing) {
    const std::size_t length = characterLength(valid, cluster);
    const std::string_view character = valid.substr(cluster, length);
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
