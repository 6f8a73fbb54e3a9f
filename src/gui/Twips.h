#pragma once
// Form geometry is kept in twips; the screen has 15 twips to a pixel.

namespace gui {

constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

}  // namespace gui
