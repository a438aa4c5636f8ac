// TPNGGraphic: a 32-bit bitmap whose fourth byte per pixel is a straight (not premultiplied)
// alpha, drawn by blending over what the canvas already holds.
#pragma once

#include "framework/Bitmap.h"

class TPNGGraphic : public TBitmap {
 public:
  const char* ClassName() const override { return "TPNGGraphic"; }
  // 32 bits per pixel: every pixel blended with d = ((s - d) x a + d x 256) >> 8 (resampled
  // first when the rectangle differs from the bitmap's size); otherwise the bitmap's drawing.
  void Draw(TCanvas& canvas, const TRect& rect) override;
  // Reads a PNG datastream and keeps it as a 32-bit bitmap with its alpha.
  void LoadFromStream(TStream& stream) override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TPNGGraphic>(*this); }
};
