#include "converter/page_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
// Declared resolutions outside this range are taken for broken headers.
constexpr double kMinDpi = 1;
constexpr double kMaxDpi = 100000;

bool Plausible(double dpi) { return std::isfinite(dpi) && dpi >= kMinDpi && dpi <= kMaxDpi; }
}  // namespace

PageSize PageSizeFor(uint32_t width_px, uint32_t height_px, Resolution resolution) {
  double x_dpi = resolution.x_dpi, y_dpi = resolution.y_dpi;
  if (!Plausible(x_dpi) || !Plausible(y_dpi)) x_dpi = y_dpi = kDefaultDpi;
  PageSize page{width_px * 72.0 / x_dpi, height_px * 72.0 / y_dpi};
  if (page.width <= 0 || page.height <= 0) return PageSize{kMinPageSide, kMinPageSide};
  // The whole page scales, so the picture keeps its proportions; the upper limit wins
  // over the lower one for extreme shapes.
  const double smaller = std::min(page.width, page.height);
  if (smaller < kMinPageSide) {
    const double grow = kMinPageSide / smaller;
    page.width *= grow;
    page.height *= grow;
  }
  const double larger = std::max(page.width, page.height);
  if (larger > kMaxPageSide) {
    const double shrink = kMaxPageSide / larger;
    page.width *= shrink;
    page.height *= shrink;
  }
  return page;
}

std::string PdfNumber(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.4f", value);
  std::string number = text;
  while (!number.empty() && number.back() == '0') number.pop_back();
  if (!number.empty() && number.back() == '.') number.pop_back();
  if (number == "-0" || number.empty()) number = "0";
  return number;
}
