// Documents built straight from a fuzzer's bytes, read as a stream of
// choices, so that the writers meet shapes the reader never makes: huge,
// negative, infinite and NaN lengths, empty or hostile font families,
// colours with alpha bits, unsorted tab stops, empty span lists, pictures
// with any mime type and data, tables nested past the writers' own bound.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/udf_document.hpp"

namespace maravel::fuzz {

// Reads the fuzzer's bytes as a stream of choices; an exhausted stream gives
// zeros, so every input builds some document.
class Choices {
 public:
  explicit Choices(std::span<const std::uint8_t> data) : data_(data) {}

  std::uint8_t byte() { return at_ < data_.size() ? data_[at_++] : 0; }
  bool flag() { return (byte() & 1) != 0; }
  std::size_t count(std::size_t most) { return byte() % (most + 1); }

  double number() {
    static constexpr double kInf = std::numeric_limits<double>::infinity();
    static constexpr std::array<double, 16> kEdges = {0,
                                                      -0.0,
                                                      std::numeric_limits<double>::quiet_NaN(),
                                                      kInf,
                                                      -kInf,
                                                      1e308,
                                                      -1e308,
                                                      5e-324,
                                                      9223372036854775808.0,
                                                      -9223372036854775808.0,
                                                      1e15,
                                                      1500,
                                                      0.005,
                                                      -0.005,
                                                      12,
                                                      72};
    const std::uint8_t b = byte();
    if (b < kEdges.size()) return kEdges[b];
    if (b < 32) {
      double raw = 0;
      std::uint64_t bits = 0;
      for (int i = 0; i < 8; ++i) bits = (bits << 8) | byte();
      std::memcpy(&raw, &bits, sizeof raw);
      return raw;
    }
    return (b - 128) * 4.5;
  }

  std::string text(std::size_t most) {
    // Past the markup breakers: a combining mark to stack on a letter, a
    // private-use character that no font has, a page line.
    static constexpr std::array<std::string_view, 23> kPieces = {"\"",
                                                                 "'",
                                                                 "<",
                                                                 ">",
                                                                 "&",
                                                                 "</style>",
                                                                 "</script>",
                                                                 "-->",
                                                                 "{",
                                                                 "}",
                                                                 "\\",
                                                                 "url(",
                                                                 "expression(",
                                                                 std::string_view("\0", 1),
                                                                 "\xED\xA0\x80",
                                                                 "\t",
                                                                 "\n",
                                                                 "\xC3",
                                                                 "ş",
                                                                 "a b",
                                                                 "\xCC\x81",
                                                                 "\xF3\xB0\x80\x80",
                                                                 "Sayfa 1 / 1"};
    std::string out;
    for (std::size_t n = count(most); n > 0; --n) {
      const std::uint8_t b = byte();
      if (b < kPieces.size()) {
        out += kPieces[b];
      } else {
        out += static_cast<char>(b);
      }
    }
    return out;
  }

  std::optional<std::uint32_t> color() {
    if (!flag()) return std::nullopt;
    return (std::uint32_t{byte()} << 24) | (std::uint32_t{byte()} << 16) | (std::uint32_t{byte()} << 8) |
           byte();
  }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t at_ = 0;
};

inline constexpr int kDeepest = 80;  // past the writer's 64 levels

inline std::vector<DocumentElement> elements(Choices& in, int depth);

inline TextRun run(Choices& in) {
  TextRun run;
  run.text = in.text(24);
  run.bold = in.flag();
  run.italic = in.flag();
  run.underline = in.flag();
  run.strikethrough = in.flag();
  run.isSubscript = in.flag();
  run.isSuperscript = in.flag();
  run.fontSize = in.number();
  run.fontFamily = in.text(12);
  run.foreground = in.color();
  run.background = in.color();
  if (in.byte() < 32) {
    const bool known = in.flag();
    run.image = InlineImage{.base64 = in.text(16),
                            .mimeType = known ? "image/gif" : in.text(12),
                            .width = in.number(),
                            .height = in.number()};
  }
  return run;
}

inline ParagraphItem paragraph(Choices& in) {
  ParagraphItem p;
  for (std::size_t n = in.count(6); n > 0; --n) p.runs.push_back(run(in));
  p.alignment = static_cast<TextAlignment>(in.byte() % 4);
  p.leftIndent = in.number();
  p.rightIndent = in.number();
  p.firstLineIndent = in.number();
  p.hanging = in.number();
  p.spaceAbove = in.number();
  p.spaceBelow = in.number();
  p.lineSpacing = in.number();
  if (in.flag()) {
    std::vector<TabStop> stops;
    for (std::size_t n = in.count(12); n > 0; --n) stops.push_back({in.number(), in.byte() % 6});
    p.tabStops = std::move(stops);
  }
  if (in.flag()) p.listMarker = in.text(8);
  return p;
}

inline std::optional<TableBorder> border(Choices& in) {
  const std::uint8_t kind = in.byte();
  if (kind < 64) return std::nullopt;
  TableBorder result;
  result.kind = kind < 128 ? "borderCell" : kind < 192 ? "borderTable" : in.text(8);
  result.color = in.color();
  result.width = in.number();
  return result;
}

inline std::optional<std::vector<double>> spans(Choices& in) {
  if (!in.flag()) return std::nullopt;
  std::vector<double> values;
  for (std::size_t n = in.count(5); n > 0; --n) values.push_back(in.number());
  return values;
}

// A table of one row and one cell that holds `inner`.
inline TableItem holding(TableItem inner) {
  TableCell cell;
  cell.elements.emplace_back(std::move(inner));
  TableRow row;
  row.cells.push_back(std::move(cell));
  TableItem outer;
  outer.rows.push_back(std::move(row));
  return outer;
}

inline TableItem table(Choices& in, int depth) {
  TableItem t;
  t.columnSpans = spans(in);
  t.border = border(in);
  // A chain of single-cell tables reaches past the depth bound in few bytes.
  if (const std::uint8_t chain = in.byte(); chain > 200 && depth < kDeepest) {
    TableItem inner = table(in, kDeepest);
    for (int level = 0; level < (chain - 200) * 2; ++level) inner = holding(std::move(inner));
    t.rows.push_back(std::move(holding(std::move(inner)).rows.front()));
  }
  for (std::size_t r = in.count(3); r > 0; --r) {
    TableRow row;
    row.columnSpans = spans(in);
    row.height = in.number();
    row.border = border(in);
    for (std::size_t c = in.count(3); c > 0; --c) {
      TableCell cell;
      cell.elements = elements(in, depth + 1);
      cell.border = border(in);
      row.cells.push_back(std::move(cell));
    }
    t.rows.push_back(std::move(row));
  }
  return t;
}

inline std::vector<DocumentElement> elements(Choices& in, int depth) {
  std::vector<DocumentElement> list;
  for (std::size_t n = in.count(4); n > 0; --n) {
    if (depth < kDeepest && in.byte() < 64) {
      list.emplace_back(table(in, depth));
    } else {
      list.emplace_back(paragraph(in));
    }
  }
  return list;
}

inline UDFDocument document(Choices& in) {
  UDFDocument doc;
  doc.pageProps = {in.number(), in.number(), in.number(), in.number(), in.byte() % 3, in.byte() % 3, {}, {}};
  if (in.flag()) doc.pageProps.headerOffset = in.number();
  if (in.flag()) doc.pageProps.footerOffset = in.number();
  if (in.flag()) {
    doc.pageNumber = PageNumberFormat{in.byte() * 32, in.text(4), in.text(8),
                                      in.number(),    in.flag(),  in.flag(),
                                      in.color(),     in.text(8), static_cast<std::int8_t>(in.byte())};
  }
  doc.elements = elements(in, 0);
  doc.headerElements = elements(in, 0);
  doc.footerElements = elements(in, 0);
  doc.headerStartPage = static_cast<std::int8_t>(in.byte());
  doc.headerColor = in.color();
  doc.footerColor = in.color();
  doc.verificationCode = in.text(16);
  doc.webID = in.text(16);
  doc.signature = {in.flag(), in.text(16), in.text(12), in.text(16), in.text(20)};
  doc.rawText = in.text(16);
  return doc;
}

}  // namespace maravel::fuzz
