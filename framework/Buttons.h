// TSpeedButton: a windowless push button that shows a glyph (and an optional caption) on the
// classic raised face.
//
// Press and release, left button only:
//
//   state     event                          next      effect
//   up        press                          down      OnMouseDown first, then drawn down
//   down      pointer leaves the button      up*       drawn up, still tracking
//   up*       pointer comes back             down      drawn down
//   down/up*  release                        up        Click when the pointer is over it
//
// A right or middle press only reaches OnMouseDown / OnMouseUp.
#pragma once

#include <memory>

#include "framework/Bitmap.h"
#include "framework/Controls.h"

enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(TComponent* owner);
  ~TSpeedButton() override;
  const char* ClassName() const override { return "TSpeedButton"; }

  // The glyph bitmap holds NumGlyphs equal images side by side: up, disabled, down, exclusive.
  // Its bottom-left pixel's colour is transparent.
  TBitmap& Glyph() { return *m_glyph; }
  const TBitmap& Glyph() const { return *m_glyph; }
  void SetGlyph(const TBitmap& glyph);
  // Repaints after the glyph was changed in place.
  void GlyphChanged() { Invalidate(); }
  int NumGlyphs() const { return m_numGlyphs; }
  void SetNumGlyphs(int n);
  // How the button is drawn now.
  TButtonState State() const { return Enabled() ? m_state : bsDisabled; }
  void SetEnabled(bool v) override;
  bool GetPropertyText(std::string_view name, std::string& value) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  void SetState(TButtonState s);
  void DrawFace(TCanvas& canvas, const TRect& r, bool pushed);
  void DrawGlyph(TCanvas& canvas, int x, int y, TButtonState state);

  std::unique_ptr<TBitmap> m_glyph;
  int m_numGlyphs = 1;
  TButtonState m_state = bsUp;
  bool m_dragging = false;
};
