#include <gtest/gtest.h>

#include "model/udf_document.hpp"

namespace maravel {
namespace {

// A paragraph's joined text and the sharing of tab stop lists show in the
// paged footers and the golden dumps.
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

}  // namespace
}  // namespace maravel
