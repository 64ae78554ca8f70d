#include "thumbnail/thumbnail_provider.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/drawing/leak_suppressions.hpp"
#include "platform/text/text.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

using drawing::DrawingContext;
using drawing::Pixel;
using drawing::Size;
using quicklook::QLFileThumbnailRequest;
using quicklook::QLThumbnailReply;

// content.xml as the editor writes it, with the given text in the content
// block and one paragraph covering it.
std::string editorContent(const std::string& text) {
  return R"(<?xml version="1.0" encoding="UTF-8" ?>
<template format_id="1.8" ><content><![CDATA[)" +
         text + R"(]]></content><elements resolver="hvl-default">
<paragraph Alignment="3" resolver="hvl-default"><content startOffset="0" length=")" +
         std::to_string(text::toUTF16(text).size()) + R"(" /></paragraph></elements></template>)";
}

struct Ink {
  int dark = 0;   // pixels darker than the frame grey
  int white = 0;  // near-white pixels
  int blue = 0;   // badge blue
};

Ink inkIn(const DrawingContext& context, int x0, int y0, int x1, int y1) {
  Ink ink;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const Pixel p = context.pixel(x, y);
      if (p.red < 180 && p.green < 180 && p.blue < 180) ++ink.dark;
      if (p.red > 235 && p.green > 235 && p.blue > 235) ++ink.white;
      if (p.red < 60 && p.green > 90 && p.green < 140 && p.blue > 200) ++ink.blue;
    }
  }
  return ink;
}

class ThumbnailProviderTest : public ::testing::Test {
 protected:
  std::filesystem::path writeDocument(const std::string& text) {
    return folder_.write("belge.udf", testing::makeUdf(editorContent(text)));
  }

  // The reply the provider hands over, checked for the handler's contract.
  static QLThumbnailReply request(const std::filesystem::path& file, Size size) {
    std::optional<QLThumbnailReply> reply;
    int calls = 0;
    const bool accepted = ThumbnailProvider::provideThumbnail(
        QLFileThumbnailRequest{file, size, 2},
        [&](std::optional<QLThumbnailReply> r, std::optional<std::string> e) {
          ++calls;
          EXPECT_FALSE(e.has_value());
          reply = std::move(r);
        });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(reply.has_value());
    return *reply;
  }

  static DrawingContext draw(const std::filesystem::path& file, double side) {
    auto context = request(file, Size{side, side}).render();
    EXPECT_TRUE(context.has_value());
    return std::move(*context);
  }

  // Dark pixels inside the body text rectangle (16, 32, W - 32, H - 48).
  static int bodyInk(const DrawingContext& context, double w, double h) {
    return inkIn(context, 16, 32, static_cast<int>(w) - 16, static_cast<int>(h) - 16).dark;
  }

  testing::ScratchFolder folder_;
};

TEST_F(ThumbnailProviderTest, ForeignFileGetsSheetFrameAndBadgeOnly) {
  const int w = 256;
  const DrawingContext sheet = draw(folder_.write("notlar.udf", testing::bytes("düz metin, zip değil")), w);
  EXPECT_EQ(sheet.pixel(128, 200).red + sheet.pixel(128, 200).alpha, 2 * 255);

  // Frame: 1.5 wide, centred one point inside every edge.
  for (const auto& [x, y] : {std::pair{1, 128}, {254, 128}, {128, 1}, {128, 254}}) {
    const Pixel frame = sheet.pixel(x, y);
    EXPECT_EQ(frame.red, frame.blue);
    EXPECT_NEAR(frame.red, 0.82 * 255, 14) << x << "," << y;
  }

  // Badge (W - 52, 8, 44, 20) with white "UDF" from (W - 43, 11).
  const Pixel badge = sheet.pixel(w - 49, 18);
  EXPECT_NEAR(badge.red, 0.12 * 255, 2);
  EXPECT_NEAR(badge.green, 0.45 * 255, 2);
  EXPECT_NEAR(badge.blue, 0.88 * 255, 2);
  EXPECT_EQ(sheet.pixel(w - 52, 8).red, 255);  // rounded corner
  const Ink label = inkIn(sheet, w - 43, 11, w - 8, 28);
  EXPECT_TRUE(label.white > 20 && label.blue > 100);
  EXPECT_EQ(inkIn(sheet, 0, 0, w - 53, 30).blue, 0);

  EXPECT_EQ(bodyInk(sheet, w, w), 0);
}

TEST_F(ThumbnailProviderTest, DocumentTextIsDrawnInsideTheBodyRectangle) {
  const double w = 256;
  const DrawingContext sheet =
      draw(writeDocument("T.C.\nKURGU ASLİYE HUKUK MAHKEMESİ\n\nDAVACI\t: DENEME"), w);
  EXPECT_GT(bodyInk(sheet, w, w), 100);
  // Left margin, badge band and the band below the rectangle stay clean.
  EXPECT_EQ(inkIn(sheet, 3, 3, 15, 253).dark, 0);
  EXPECT_EQ(inkIn(sheet, 3, 3, 200, 31).dark, 0);
  EXPECT_EQ(inkIn(sheet, 3, 241, 253, 253).dark, 0);

  std::string lines;  // too long for the sheet: clipped at the rectangle
  for (int i = 0; i < 60; ++i) lines += "satır\n";
  const DrawingContext small = draw(writeDocument(lines), 160);
  EXPECT_GT(bodyInk(small, 160, 160), 0);
  EXPECT_EQ(inkIn(small, 3, 145, 157, 157).dark, 0);
}

TEST_F(ThumbnailProviderTest, FileIsReadOnlyWhenTheBlockRuns) {
  const auto path = folder_.path() / "sonra.udf";
  // Missing at request time, present when drawn: the text shows.
  const QLThumbnailReply late = request(path, Size{256, 256});
  writeDocument("Geç gelen belge");
  std::filesystem::rename(folder_.path() / "belge.udf", path);
  EXPECT_GT(bodyInk(*late.render(), 256, 256), 0);
}

// An empty text block, folders and devices (never read) leave the body empty.
TEST_F(ThumbnailProviderTest, NothingToDrawAndTheSizeIsKept) {
  const QLThumbnailReply reply = request(folder_.path() / "missing.udf", Size{300.5, 120});
  EXPECT_EQ(reply.contextSize().width, 300.5);
  EXPECT_EQ(reply.contextSize().height, 120);
  for (const std::filesystem::path& file :
       {writeDocument(""), folder_.path(), std::filesystem::path("/dev/zero")}) {
    const DrawingContext sheet = draw(file, 256);
    EXPECT_EQ(bodyInk(sheet, 256, 256), 0) << file;
    EXPECT_GT(inkIn(sheet, 204, 8, 248, 28).blue, 100) << file;
  }
}

TEST_F(ThumbnailProviderTest, OnlyTheFirst350CharactersAreDrawn) {
  std::string thousand;  // characters 349 and 350 are the visible letters "a" and "b"
  while (thousand.size() < 1000) thousand += "abcdefghi ";
  thousand = "ABCDEFGHI" + thousand.substr(0, 991);
  ASSERT_EQ(thousand.substr(349, 2), "ab");
  const double side = 600;  // tall enough for all 1,000 characters
  const auto all = draw(writeDocument(thousand), side).pngData();
  EXPECT_EQ(all, draw(writeDocument(thousand.substr(0, 350)), side).pngData());
  EXPECT_NE(all, draw(writeDocument(thousand.substr(0, 349)), side).pngData());
}

TEST(ThumbnailBodyFont, SizeFollowsTheWidthWithAFloorOf8) {
  EXPECT_NEAR(ThumbnailProvider::bodyFontSize(256), 10.6667, 1e-4);
  for (double width : {0.0, 160.0, 192.0}) EXPECT_EQ(ThumbnailProvider::bodyFontSize(width), 8) << width;
  EXPECT_EQ(ThumbnailProvider::bodyFontSize(480), 20);
}

// User-perceived characters, so "e" + combining acute counts once; a
// character of endless marks is bounded in bytes.
TEST(ThumbnailBodyText, CutsAt350CharactersWithoutAMark) {
  EXPECT_EQ(ThumbnailProvider::bodyText(std::string(1000, 'a')), std::string(350, 'a'));
  EXPECT_EQ(ThumbnailProvider::bodyText("kısa\nmetin"), "kısa\nmetin");
  EXPECT_EQ(ThumbnailProvider::bodyText(std::string(400, '\n')).size(), 350u);
  std::string accented;
  for (int i = 0; i < 1000; ++i) accented += "e\xCC\x81";
  EXPECT_EQ(ThumbnailProvider::bodyText(accented), accented.substr(0, 350 * 3));

  std::string bomb = "a";
  for (int i = 0; i < 100000; ++i) bomb += "\xCC\x81";
  const std::string cut = ThumbnailProvider::bodyText(bomb);
  EXPECT_LE(cut.size(), ThumbnailProvider::bodyTextByteLimit);
  EXPECT_GT(cut.size(), ThumbnailProvider::bodyTextByteLimit - 4);
  EXPECT_TRUE(text::isValidUTF8(std::string_view(cut)));
}

}  // namespace
}  // namespace maravel
