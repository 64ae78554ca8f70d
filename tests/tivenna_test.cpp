// The tivenna command against the freedesktop thumbnailer contract:
// tivenna -s SIZE INPUT OUTPUT, with INPUT a path or a file:// URI.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/drawing/drawing_context.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

using drawing::DrawingContext;
using drawing::Pixel;

int darkPixels(const DrawingContext& sheet, int x0, int y0, int x1, int y1) {
  int dark = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const Pixel p = sheet.pixel(x, y);
      if (p.red < 180 && p.green < 180 && p.blue < 180) ++dark;
    }
  }
  return dark;
}

bool hasBadge(const DrawingContext& sheet) {
  const Pixel p = sheet.pixel(sheet.pixelWidth() - 49, 18);
  return p.red < 40 && p.green > 100 && p.green < 130 && p.blue > 210;
}

class TivennaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto udf = testing::makeUdf(R"(<?xml version="1.0" encoding="UTF-8" ?>
<template format_id="1.8" ><content><![CDATA[T.C.
KURGU ASLİYE HUKUK MAHKEMESİ
DOSYA NO	: 2026/101 Esas]]></content><elements resolver="hvl-default">
<paragraph Alignment="1"><content resolver="edf_1700000000001" bold="true" startOffset="0" length="4" /></paragraph>
</elements></template>)");
    document_ = folder_.write("karar dosyası.udf", udf);
  }

  // Runs tivenna with the arguments; the exit status, stderr kept in error_.
  int run(const std::vector<std::string>& arguments) {
    testing::CommandResult result = testing::runCommand(TIVENNA_PATH, arguments);
    error_ = std::move(result.err);
    return result.status;
  }

  testing::ScratchFolder folder_;
  std::filesystem::path document_;
  std::string error_;
};

// Paths and file:// URIs (with percent escapes, any case, localhost) of the
// document give its text; inputs that are no document give frame and badge.
TEST_F(TivennaTest, WritesASquarePNGOfTheRequestedSize) {
  folder_.writeText("notlar.txt", "düz metin");
  const std::string uri = "file://" + folder_.path().string() + "/karar%20dosyas";
  const struct {
    std::string input;
    int size;
    bool text;
  } cases[] = {{document_.string(), 128, true},
               {document_.string(), 512, true},
               {uri + "%C4%B1.udf", 256, true},
               {"file://localhost" + folder_.path().string() + "/karar%20dosyas%c4%b1.udf", 256, true},
               {(folder_.path() / "notlar.txt").string(), 128, false},
               {(folder_.path() / "yok.udf").string(), 128, false},
               {"file://" + folder_.path().string() + "/karar%2", 128, false},       // broken escape
               {"file://" + folder_.path().string() + "/karar%00.udf", 128, false},  // escaped NUL
               {"file://uzak-sunucu" + document_.string(), 128, false},              // another host
               {"smb://sunucu/karar.udf", 128, false}};
  for (const auto& c : cases) {
    const auto out = folder_.path() / "thumb.png";
    ASSERT_EQ(run({"-s", std::to_string(c.size), c.input, out.string()}), 0) << c.input << ": " << error_;
    EXPECT_EQ(error_, "");
    const auto sheet = DrawingContext::readPNG(out);
    ASSERT_TRUE(sheet.has_value()) << c.input;
    EXPECT_EQ(std::pair(sheet->pixelWidth(), sheet->pixelHeight()), std::pair(c.size, c.size));
    EXPECT_TRUE(hasBadge(*sheet)) << c.input;
    const int dark = darkPixels(*sheet, 16, 32, c.size - 16, c.size - 16);
    EXPECT_TRUE(c.text ? dark > 50 : dark == 0) << c.input << ": " << dark << " dark pixels";
  }
}

}  // namespace
}  // namespace maravel
