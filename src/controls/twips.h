#pragma once
// Sizes are designed in twips; the screen has 15 twips to a pixel (96 dots per inch; Qt scales
// for denser screens). Every conversion goes through here so that all windows round alike.
constexpr int kTwipsPerPixel = 15;

// To the nearest whole pixel (a half rounds away from zero).
constexpr int twipsToPixels(int twips) {
  return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                    : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}
constexpr int pixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }
