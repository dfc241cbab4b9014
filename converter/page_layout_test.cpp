#include "converter/page_layout.h"

#include <gtest/gtest.h>

TEST(PageLayout, PageSizesFollowPixelsAndResolution) {
  struct Case {
    uint32_t width, height;
    Resolution resolution;
    double page_width, page_height;
  };
  const Case cases[] = {
      {96, 192, {}, 72, 144},                  // none declared: 96 dpi
      {800, 600, {72, 72}, 800, 600},
      {300, 600, {300, 300}, 72, 144},
      {1240, 1754, {150, 150}, 595.2, 841.92},  // A4 scan
      {100, 100, {100, 200}, 72, 36},          // different x and y resolution
      {100, 100, {0.5, 0.5}, 75, 75},          // nonsense resolution: 96 dpi
      {100, 100, {300, 0}, 75, 75},            // half a resolution: 96 dpi
      {1, 1, {}, 3, 3},                        // grown to the smallest page
      {2, 1, {}, 6, 3},                        // grown as a whole
      {40000, 20000, {}, 14400, 7200},         // shrunk to the largest page
      {100000, 1, {}, 14400, 0.144},           // the upper limit wins
  };
  for (const Case& c : cases) {
    const PageSize page = PageSizeFor(c.width, c.height, c.resolution);
    EXPECT_NEAR(page.width, c.page_width, 1e-9) << c.width << "x" << c.height;
    EXPECT_NEAR(page.height, c.page_height, 1e-9) << c.width << "x" << c.height;
  }
}

TEST(PageLayout, NumbersAreShortAndPlain) {
  const std::pair<double, const char*> cases[] = {
      {72, "72"}, {595.2, "595.2"}, {841.92, "841.92"}, {0.144, "0.144"}, {1.0 / 3, "0.3333"},
      {14400, "14400"}, {0, "0"}, {0.00001, "0"}, {2.5e6, "2500000"},
  };
  for (const auto& c : cases) EXPECT_EQ(PdfNumber(c.first), c.second);
}
