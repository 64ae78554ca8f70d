#include <gtest/gtest.h>

#include "model/udf_document.hpp"
#include "tests/support/model_values.hpp"

namespace maravel {
namespace {

TEST(PagePropertiesTest, OrientationAndMediaSizeChooseThePaper) {
  PageProperties page;
  // orientation, mediaSize -> width, height; unknown codes mean portrait A4.
  // clang-format off
  const struct {
    int orientation, mediaSize;
    double width, height;
  } cases[] = {
      {1, 1, 595.28, 841.89}, {0, 2, 595.28, 419.53}, {1, 2, 419.53, 595.28}, {0, 1, 841.89, 595.28},
      {7, 3, 595.28, 841.89}
  };
  // clang-format on
  for (const auto& c : cases) {
    page.orientation = c.orientation;
    page.mediaSize = c.mediaSize;
    EXPECT_EQ(page.pageWidth(), c.width) << c.orientation << c.mediaSize;
    EXPECT_EQ(page.pageHeight(), c.height) << c.orientation << c.mediaSize;
  }
}

TEST(ParagraphItemTest, FullTextJoinsRunsAndSkipsPictures) {
  ParagraphItem paragraph;
  EXPECT_EQ(paragraph.fullText(), "");

  TextRun picture = testing::textRun("");
  picture.image = InlineImage{"iVBORw0KGgo=", "image/png", 10, 10};
  paragraph.runs = {testing::textRun("ab"), picture, testing::textRun("c")};
  EXPECT_EQ(paragraph.fullText(), "abc");
}

TEST(TabStopListTest, CopiesShareTheStopsAndCompareByContent) {
  const TabStopList stops = std::vector<TabStop>{{36, 0}, {72, 1}};
  const TabStopList copy = stops;
  const TabStopList equal{{36, 0}, {72, 1}};
  EXPECT_EQ(copy.identity(), stops.identity());
  EXPECT_NE(equal.identity(), stops.identity());
  EXPECT_EQ(equal, stops);
  EXPECT_NE(equal, (TabStopList{{36, 0}}));
}

}  // namespace
}  // namespace maravel
