#include "platform/drawing/pdf_font.hpp"

#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include <algorithm>
#include <array>

#include "platform/drawing/pdf_syntax.hpp"
#include "platform/fonts/font_file.hpp"

namespace maravel::drawing::detail {

namespace {

// A glyph's text longer than this goes beside it (ActualText), not into
// the CMap, whose strings readers take only up to a few hundred bytes.
constexpr std::size_t kMaxMappedBytes = 64;
// Entries in one bfchar block, the most a CMap allows.
constexpr std::size_t kBlockEntries = 100;

std::int16_t bigEndian16(const char* data) {
  return static_cast<std::int16_t>((static_cast<unsigned char>(data[0]) << 8) |
                                   static_cast<unsigned char>(data[1]));
}

// The font's bounding box from its header, in font units; zeros when it has
// none.
std::array<double, 4> boundingBox(hb_face_t* face) {
  std::array<double, 4> box{0, 0, 0, 0};
  hb_blob_t* head = hb_face_reference_table(face, HB_TAG('h', 'e', 'a', 'd'));
  unsigned length = 0;
  const char* data = hb_blob_get_data(head, &length);
  if (length >= 44)
    for (std::size_t i = 0; i < 4; ++i) box[i] = bigEndian16(data + 36 + 2 * i);
  hb_blob_destroy(head);
  return box;
}

bool hasTable(hb_face_t* face, hb_tag_t tag) {
  hb_blob_t* table = hb_face_reference_table(face, tag);
  const bool has = hb_blob_get_length(table) > 0;
  hb_blob_destroy(table);
  return has;
}

// "ABCDEF+" for serial 0 onwards: a subset's tag, different for every
// font of the document.
std::string subsetTag(int serial) {
  std::string tag(6, 'A');
  unsigned rest = static_cast<unsigned>(serial);
  for (std::size_t i = 6; i-- > 0 && rest > 0; rest /= 26) tag[i] = static_cast<char>('A' + rest % 26);
  return tag + "+";
}

// The subset of `face` with `glyphs`, at their own indices; hints and
// shaping tables left out (a PDF places every glyph itself). Null when
// HarfBuzz cannot make it.
hb_blob_t* subset(hb_face_t* face, const std::vector<std::uint32_t>& used) {
  hb_subset_input_t* input = hb_subset_input_create_or_fail();
  if (input == nullptr) return nullptr;
  hb_set_t* glyphs = hb_subset_input_glyph_set(input);
  hb_set_add(glyphs, 0);
  for (std::size_t glyph = 0; glyph < used.size(); ++glyph)
    if (used[glyph] != 0) hb_set_add(glyphs, static_cast<hb_codepoint_t>(glyph));
  hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NO_HINTING);
  hb_set_t* dropped = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
  for (const hb_tag_t tag :
       {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
        HB_TAG('k', 'e', 'r', 'n'), HB_TAG('B', 'A', 'S', 'E'), HB_TAG('J', 'S', 'T', 'F'),
        HB_TAG('n', 'a', 'm', 'e'), HB_TAG('D', 'S', 'I', 'G'), HB_TAG('M', 'A', 'T', 'H')})
    hb_set_add(dropped, tag);
  hb_face_t* subsetFace = hb_subset_or_fail(face, input);
  hb_subset_input_destroy(input);
  if (subsetFace == nullptr) return nullptr;
  hb_blob_t* blob = hb_face_reference_blob(subsetFace);
  hb_face_destroy(subsetFace);
  return blob;
}

}  // namespace

PdfFont::PdfFont(const fonts::FaceFile& file, int number, int serial) : number_(number), serial_(serial) {
  hb_blob_t* blob = fonts::readFontFile(file.path);
  if (blob == nullptr) return;
  hb_face_t* face = hb_face_create(blob, static_cast<unsigned>(std::max(file.index, 0)));
  hb_blob_destroy(blob);
  glyphCount_ = hb_face_get_glyph_count(face);
  if (glyphCount_ == 0) {
    hb_face_destroy(face);
    return;
  }
  face_ = face;
  font_ = hb_font_create(face_);
  const unsigned upem = hb_face_get_upem(face_);
  unitsPerEm_ = upem == 0 ? 1000 : upem;
  hb_font_set_scale(font_, static_cast<int>(unitsPerEm_), static_cast<int>(unitsPerEm_));
  used_.assign(glyphCount_, 0);
  byteOf_.assign(glyphCount_, -1);
  widths_.assign(glyphCount_, -1);
}

PdfFont::~PdfFont() {
  hb_font_destroy(font_);
  hb_face_destroy(face_);
}

double PdfFont::measure(std::uint32_t glyph) {
  if (glyph >= widths_.size()) return 0;
  double& width = widths_[glyph];
  if (width < 0) width = writtenNumber(hb_font_get_glyph_h_advance(font_, glyph) * 1000.0 / unitsPerEm_, 4);
  return width;
}

bool PdfFont::firstUse(std::uint32_t glyph, std::string_view text) {
  if (glyph >= used_.size()) return true;
  const bool mappable = text.size() <= kMaxMappedBytes;
  std::uint32_t& slot = used_[glyph];
  if (slot == 0) {
    texts_.emplace_back(mappable ? text : std::string_view());
    slot = static_cast<std::uint32_t>(texts_.size());
  } else if (std::string& known = texts_[slot - 1]; known.empty() && mappable) {
    known = text;
  } else {
    return known == text;
  }
  const std::string& known = texts_[slot - 1];
  if (known.size() == 1) byteOf_[glyph] = static_cast<unsigned char>(known[0]);
  return mappable;
}

std::string PdfFont::widths() {
  std::string out = "[";
  for (std::size_t glyph = 0; glyph < used_.size(); ++glyph) {
    if (used_[glyph] == 0 && glyph != 0) continue;
    const bool follows = glyph > 0 && (used_[glyph - 1] != 0 || glyph == 1);
    if (!follows) {
      if (glyph != 0) out.append("]");
      appendNumber(out, static_cast<double>(glyph));
      out.append("[");
    } else {
      out.push_back(' ');
    }
    appendNumber(out, width(static_cast<std::uint32_t>(glyph)), 4);
  }
  out.append("]]");
  return out;
}

std::string PdfFont::toUnicode() const {
  std::vector<std::uint32_t> mapped;
  for (std::size_t glyph = 0; glyph < used_.size(); ++glyph)
    if (used_[glyph] != 0 && !texts_[used_[glyph] - 1].empty())
      mapped.push_back(static_cast<std::uint32_t>(glyph));
  std::string out =
      "/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo<</Registry(Adobe)/Ordering(UCS)/Supplement 0>>def\n"
      "/CMapName/Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000><FFFF>\nendcodespacerange\n";
  for (std::size_t first = 0; first < mapped.size(); first += kBlockEntries) {
    const std::size_t end = std::min(mapped.size(), first + kBlockEntries);
    out.append(std::to_string(end - first)).append(" beginbfchar\n");
    for (std::size_t i = first; i < end; ++i) {
      out.push_back('<');
      appendHex4(out, mapped[i]);
      out.append("><");
      appendUTF16Hex(out, texts_[used_[mapped[i]] - 1]);
      out.append(">\n");
    }
    out.append("endbfchar\n");
  }
  out.append("endcmap\nCMapName currentdict/CMap defineresource pop\nend\nend\n");
  return out;
}

void PdfFont::write(PdfFile& file) {
  if (!usable()) return;
  const bool cff = hasTable(face_, HB_TAG('C', 'F', 'F', ' '));
  char postScriptName[128] = "";
  unsigned nameLength = sizeof postScriptName;
  hb_ot_name_get_utf8(face_, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &nameLength, postScriptName);
  std::string name;
  appendName(name, postScriptName);
  const std::string baseFont = "/" + subsetTag(serial_) + name.substr(1);

  const int descendant = file.reserve();
  const int descriptor = file.reserve();
  const int program = file.reserve();
  const int cmap = file.reserve();
  const auto ref = [](int number) { return " " + std::to_string(number) + " 0 R"; };

  file.object(number_, "<</Type/Font/Subtype/Type0/BaseFont" + baseFont +
                           "/Encoding/Identity-H/DescendantFonts[" + ref(descendant).substr(1) +
                           "]/ToUnicode" + ref(cmap) + ">>");
  file.object(descendant,
              std::string("<</Type/Font/Subtype/") + (cff ? "CIDFontType0" : "CIDFontType2") + "/BaseFont" +
                  baseFont +
                  "/CIDSystemInfo<</Registry(Adobe)/Ordering(Identity)/Supplement 0>>/FontDescriptor" +
                  ref(descriptor) + (cff ? "" : "/CIDToGIDMap/Identity") + "/W" + widths() + ">>");

  const std::array<double, 4> box = boundingBox(face_);
  hb_font_extents_t extents{};
  hb_font_get_h_extents(font_, &extents);
  const double scale = 1000.0 / unitsPerEm_;
  std::string entries = "<</Type/FontDescriptor/FontName" + baseFont + "/Flags 4/FontBBox[";
  for (std::size_t i = 0; i < 4; ++i) {
    if (i > 0) entries.push_back(' ');
    appendNumber(entries, box[i] * scale, 0);
  }
  entries.append("]/ItalicAngle 0/Ascent ");
  appendNumber(entries, extents.ascender * scale, 0);
  entries.append("/Descent ");
  appendNumber(entries, extents.descender * scale, 0);
  entries.append("/CapHeight ");
  appendNumber(entries, extents.ascender * scale, 0);
  entries.append("/StemV 80");
  entries.append(cff ? "/FontFile3" : "/FontFile2").append(ref(program)).append(">>");
  file.object(descriptor, entries);

  hb_blob_t* fontProgram = subset(face_, used_);
  if (fontProgram == nullptr) fontProgram = hb_face_reference_blob(face_);
  unsigned length = 0;
  const char* data = hb_blob_get_data(fontProgram, &length);
  file.stream(program, cff ? "/Subtype/OpenType" : "/Length1 " + std::to_string(length),
              std::string_view(data, length));
  hb_blob_destroy(fontProgram);
  file.stream(cmap, "", toUnicode());
}

}  // namespace maravel::drawing::detail
