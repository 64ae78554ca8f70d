// Writes document elements as WordprocessingML content: paragraphs with
// their indents, spacing, alignment and real tab stops, runs with their
// character formatting, list markers (the marker text, then a tab),
// pictures, page fields, and tables with their column grid, spans, borders
// and nesting.
//
// Internal to docx/. One WordBody per part (body, header, footer); the
// parts of one copy share one WordShared (pictures, fonts, measuring
// budget). One thread; nothing fails: every model value, however odd, gives
// well-formed content within Word's ranges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "docx/xml_writer.hpp"
#include "html/font_book.hpp"
#include "html/paragraph_layout.hpp"
#include "model/udf_document.hpp"

namespace maravel {

// A relationship of a part: pictures for the content, the parts for the body.
struct WordRelationship {
  std::string id;
  std::string type;
  std::string target;  // relative to the part's folder, "media/image1.png"
};

// What the parts of one copy share: pictures stored once each, drawing
// numbers unique in the copy, fonts and the measuring budget.
class WordShared {
 public:
  explicit WordShared(FontBook& fonts) : fonts(fonts) {}

  struct File {
    std::string target;     // "media/image1.png"
    std::string extension;  // "png", "jpeg", "gif" or "bmp"
    std::vector<std::uint8_t> bytes;
  };

  // The picture's file, stored on first use; nothing when its bytes are
  // not one of the four kinds paper draws (PictureKind), whatever its
  // mimeType says. The InlineImage must
  // outlive the WordShared.
  const File* file(const InlineImage& image);

  const std::vector<File>& files() const { return files_; }

  // Tab stops that no tab of their paragraph reaches are written while this
  // lasts (a million, some 45 MB of XML); past it only the stops the tabs
  // reach are, so that a list of a thousand stops inherited by a hundred
  // thousand paragraphs cannot make a copy of gigabytes.
  static constexpr std::size_t kUnreachedStops = std::size_t{1} << 20;

  FontBook& fonts;
  std::size_t measuredBytesLeft = ParagraphLayout::kMeasuredTextBytes;
  std::size_t stopsLeft = kUnreachedStops;
  std::int64_t nextDrawingId = 1;

 private:
  std::vector<File> files_;
  std::unordered_map<std::string_view, std::optional<std::size_t>> byData_;
};

class WordBody {
 public:
  // The settings of the region a part holds.
  struct Region {
    std::optional<std::uint32_t> color;  // for text without a colour of its own
    bool pageFields = false;             // page lines become page number fields where paper numbers them
  };

  WordBody(WordShared& shared, Region region) : shared_(shared), region_(region) {}

  // The elements laid out for `width` points; a table is followed by a
  // paragraph where Word needs one (at the end, before another table).
  void write(const std::vector<DocumentElement>& elements, double width, XmlWriter& xml);

  // A paragraph showing the page number in the footer's own format:
  // prefix, PAGE field, and separator and NUMPAGES field when asked.
  void pageNumber(const PageNumberFormat& format, XmlWriter& xml);

  // The pictures the written content uses, ids "rPic1", "rPic2", ...
  const std::vector<WordRelationship>& relationships() const { return relationships_; }

  // An empty paragraph one point high.
  static void spacer(XmlWriter& xml);

  // The w:jc value of an alignment; justified is "both".
  static std::string_view justification(TextAlignment alignment);

  // A tab stop as written.
  struct Tab {
    std::int64_t position;  // twips from the margin
    std::string_view kind;  // "left", "center", "right", "decimal"
    bool used;              // a tab of the paragraph ends on it
  };

 private:
  using Segment = ParagraphLayout::Segment;

  // Each element in order; a table is followed by a spacer paragraph when
  // it ends the list or comes before another table.
  void blocks(const std::vector<DocumentElement>& elements, double width, bool framed, XmlWriter& xml);
  // The space between two paragraphs is written whole as the second one's
  // space before (Word and LibreOffice take the larger of space after and
  // space before, the page adds them): `before` and `after` in points.
  struct Spacing {
    double before = 0;
    double after = 0;
  };
  void paragraph(const ParagraphItem& p, double width, Spacing spacing, XmlWriter& xml);
  void paragraphProperties(const ParagraphItem& p, const std::vector<Tab>& tabs, double markerWidth,
                           Spacing spacing, XmlWriter& xml);
  std::vector<Tab> tabStops(const ParagraphItem& p, const std::vector<Segment>& segments,
                            const ParagraphLayout::Result& layout, std::optional<double> markerWidth);
  void content(const ParagraphItem& p, const std::vector<Segment>& segments, double width, XmlWriter& xml);
  void runProperties(const TextRun& run, XmlWriter& xml, std::optional<double> spacing = std::nullopt);
  void field(const TextRun& run, std::string_view instruction, std::string_view shown, XmlWriter& xml);
  void picture(const InlineImage& image, double maxWidth, XmlWriter& xml);
  std::string relationshipFor(const WordShared::File& file);

  void table(const TableItem& table, double width, bool framed, XmlWriter& xml);
  void row(const TableItem& table, const TableRow& row, const std::vector<double>& tails,
           const std::vector<std::int64_t>& grid, std::int64_t total, std::size_t r, std::size_t rowCount,
           double width, bool framed, XmlWriter& xml);
  void cell(const TableItem& table, const TableRow& row, const TableCell& cell, std::int64_t gridSpan,
            double cellWidth, std::size_t r, std::size_t rowCount, std::size_t c, bool framed,
            XmlWriter& xml);

  WordShared& shared_;
  Region region_;
  std::vector<WordRelationship> relationships_;
  std::unordered_map<const WordShared::File*, std::string> relationshipIds_;
  int tableDepth_ = 0;
  // With page fields: which top-level elements paper numbers on every page,
  // and whether the element being written is one of them.
  std::vector<bool> numbered_;
  bool fieldsHere_ = false;
  // The family names of the last run written: runs mostly repeat it.
  std::string lastFamilyText_;
  std::string lastFamily_;
};

}  // namespace maravel
