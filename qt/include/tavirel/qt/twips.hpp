#pragma once
// Twips are the unit the control's sizes and the page's layout are given in:
// 1440 per inch, so 15 per device-independent pixel at 96 dpi. Qt's logical
// pixels are 1/96 inch at any screen scale, so the factor is fixed.
namespace tavirel::qt {

inline constexpr int kTwipsPerPixel = 15;

/// Whole pixels for a length in twips, rounded to the nearest pixel (15 is
/// odd, so no whole number of twips lies half-way). Every length of the
/// property page divides exactly; the control's 500-twip height does not
/// (33.3 px) and becomes 33 px.
constexpr int TwipsToPixels(int twips) {
  const int magnitude = (twips < 0 ? -twips : twips);
  const int pixels = (magnitude + kTwipsPerPixel / 2) / kTwipsPerPixel;
  return twips < 0 ? -pixels : pixels;
}

/// Twips covered by whole pixels (exact).
constexpr int PixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }

}  // namespace tavirel::qt
