#pragma once
#include <cstdint>
#include <string>

// Resolution a picture declares (JFIF density, PNG pHYs); 0 when it declares none.
struct Resolution {
  double x_dpi = 0;
  double y_dpi = 0;
};

constexpr double kDefaultDpi = 96;
// PDF viewers refuse pages outside these sides (points).
constexpr double kMinPageSide = 3;
constexpr double kMaxPageSide = 14400;

struct PageSize {
  double width = 0;   // points
  double height = 0;  // points
};

// The page a picture fills: its pixel size at its declared resolution (96 dpi when it
// declares none or nonsense), then scaled as a whole into the sides PDF allows.
PageSize PageSizeFor(uint32_t width_px, uint32_t height_px, Resolution resolution);

// A number as it goes into the PDF: at most 4 decimals, no trailing zeros, no exponent.
std::string PdfNumber(double value);
