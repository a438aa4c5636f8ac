// The flat controls: a title bar that stands in for the system caption of a borderless form,
// and a flat speed button.
//
//   TDefineTitlebar / TFlatTitlebar   fill, centred caption in the active or inactive colour,
//                                     moves its form while dragged with the left button
//   TDefineSpeed / TFlatSpeedButton   flat push button with glyph strip, caption, hot look,
//                                     groups and accelerator
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "controls/FlatUtils.h"
#include "framework/Bitmap.h"

class TCustomForm;
class TPopupMenu;

// =============================================================================================
// Title bar
// =============================================================================================

class TDefineTitlebar : public TVersionControl {
 public:
  explicit TDefineTitlebar(TComponent* owner);
  ~TDefineTitlebar() override;
  const char* ClassName() const override { return "TDefineTitlebar"; }

  TColor ActiveTextColor() const { return m_activeTextColor; }
  void SetActiveTextColor(TColor c);
  TColor InactiveTextColor() const { return m_inactiveTextColor; }
  void SetInactiveTextColor(TColor c);
  TColor TitlebarColor() const { return m_titlebarColor; }
  void SetTitlebarColor(TColor c);

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

  // Only a form (or nothing) can be the parent: anything else raises EInvalidOperation and
  // leaves the parent as it was.
  void SetParent(TWinControl* parent) override;

  // Whether the form is the active window, as the activation hook last saw it.
  bool IsActive() const { return m_active; }
  bool Dragging() const { return m_dragging; }
  bool HookInstalled() const { return m_hookInstalled; }

  bool GetPropertyText(std::string_view name, std::string& value) override;

 protected:
  void Loaded() override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  void InstallHook();
  // Runs first for every message of the hooked form.
  void HookWndProc(TMessage& message);
  TCustomForm* MovedForm() const;

  TCustomForm* m_form = nullptr;
  TColor m_activeTextColor = clWhite;
  TColor m_inactiveTextColor = 0x00829AA2;
  TColor m_titlebarColor = clBlack;
  bool m_active = false;
  bool m_dragging = false;
  TPoint m_pressPoint;
  bool m_hookInstalled = false;
  std::function<void(TMessage&)> m_previousWndProc;
  // Cleared when the title bar goes; the hook then only passes messages on.
  std::shared_ptr<bool> m_alive;
};

class TFlatTitlebar : public TDefineTitlebar {
 public:
  explicit TFlatTitlebar(TComponent* owner) : TDefineTitlebar(owner) {}
  const char* ClassName() const override { return "TFlatTitlebar"; }
};

// =============================================================================================
// Speed button
// =============================================================================================

// Where the layout puts the glyph and the caption, in client pixels.
struct TFlatButtonLayout {
  TPoint GlyphPos;
  TRect TextRect;
};

// The layout of a glyph (gw x gh, 0 x 0 when empty) and a caption (tw x th, 0 x 0 when empty) in
// a client area of cw x ch, moved by the press offset.
TFlatButtonLayout CalcFlatButtonLayout(TPoint clientSize, TPoint offset, TPoint glyphSize, TPoint textSize,
                                       FlatUtils::TButtonLayout layout, int margin, int spacing);

class TDefineSpeed : public TVersionGraphic {
 public:
  // The button's look and input state (hot is a separate flag).
  enum TFlatButtonState : std::uint8_t { fbUp, fbDisabled, fbPressed, fbLatched };

  explicit TDefineSpeed(TComponent* owner);
  ~TDefineSpeed() override;
  const char* ClassName() const override { return "TDefineSpeed"; }
  void WndProc(TMessage& message) override;
  void Click() override;

  // --- properties --------------------------------------------------------------------------
  FlatUtils::TTransparentMode Transparent() const { return m_transparent; }
  void SetTransparent(FlatUtils::TTransparentMode mode);
  bool TransBorder() const { return m_transBorder; }
  void SetTransBorder(bool v);
  bool AllowAllUp() const { return m_allowAllUp; }
  void SetAllowAllUp(bool v);
  int GroupIndex() const { return m_groupIndex; }
  void SetGroupIndex(int v);
  bool Down() const { return m_down; }
  void SetDown(bool v);

  // The colour setters repaint on every call, also with an unchanged value.
  TColor ColorFocused() const { return m_colorFocused; }
  void SetColorFocused(TColor c);
  TColor ColorDown() const { return m_colorDown; }
  void SetColorDown(TColor c);
  TColor ColorBorder() const { return m_colorBorder; }
  void SetColorBorder(TColor c);
  TColor ColorShadow() const { return m_colorShadow; }
  void SetColorShadow(TColor c);
  TColor ColorFlat() const { return m_colorFlat; }
  void SetColorFlat(TColor c);
  TColor FoisColor() const { return m_foisColor; }
  void SetFoisColor(TColor c);

  bool FoisChange() const { return m_foisChange; }
  void SetFoisChange(bool v);
  TFontStyles FoisStyle() const { return m_foisStyle; }
  void SetFoisStyle(TFontStyles s);

  // The owned glyph strip. Writing through the reference changes the picture without a repaint
  // and keeps NumGlyphs (as a stored glyph is read); SetGlyph copies, derives NumGlyphs and
  // repaints.
  TBitmap& Glyph() { return *m_glyph; }
  void SetGlyph(const TBitmap& glyph);
  FlatUtils::TButtonLayout Layout() const { return m_layout; }
  void SetLayout(FlatUtils::TButtonLayout layout);
  int Margin() const { return m_margin; }
  void SetMargin(int v);  // values below -1 are ignored
  FlatUtils::TNumGlyphs NumGlyphs() const { return m_numGlyphs; }
  void SetNumGlyphs(FlatUtils::TNumGlyphs n);  // 1 to 4
  int Spacing() const { return m_spacing; }
  void SetSpacing(int v);
  int ModalResult() const { return m_modalResult; }
  void SetModalResult(int v) { m_modalResult = v; }
  TPopupMenu* PopupMenu() const { return m_popupMenu; }
  void SetPopupMenu(TPopupMenu* menu) { m_popupMenu = menu; }

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  // --- state, for tests and the driver ------------------------------------------------------
  TFlatButtonState State() const { return m_state; }
  bool Hot() const { return m_hot; }
  bool Tracking() const { return m_tracking; }
  // Where the last paint laid out glyph and caption.
  TPoint GlyphPos() const { return m_glyphPos; }
  TRect TextRect() const { return m_textRect; }

  bool GetPropertyText(std::string_view name, std::string& value) override;

 protected:
  void Loaded() override;
  void Paint() override;
  void DblClick() override {}
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Notification(TComponent* component, bool removing) override;

 private:
  bool Inside(int x, int y) const { return x >= 0 && x < Width() && y >= 0 && y <= Height(); }
  void MouseEntered();
  void MouseLeft();
  void EnabledChanged();
  // hot := the control under the cursor is this button (disabled controls included).
  void RederiveHot();
  void NotifyGroup();
  void GroupButtonPressed(int groupIndex, TDefineSpeed* sender);
  bool IsAccelerator(char32_t ch) const;
  void PaintGlyph(TCanvas& canvas, TColor transparentColor);

  FlatUtils::TTransparentMode m_transparent = FlatUtils::tmNone;
  bool m_transBorder = false;
  bool m_allowAllUp = false;
  int m_groupIndex = 0;
  bool m_down = false;
  TColor m_colorFocused = 0x00FBBE99;
  TColor m_colorDown = 0x00C5D6D9;
  TColor m_colorBorder = 0x0061A588;
  TColor m_colorShadow = 0x00C6C600;
  TColor m_colorFlat = 0x00E1EAEB;
  bool m_foisChange = true;
  TColor m_foisColor = 0x00E10000;
  TFontStyles m_foisStyle = fsBold;
  std::unique_ptr<TBitmap> m_glyph;
  FlatUtils::TButtonLayout m_layout = FlatUtils::blGlyphTop;
  int m_margin = -1;
  FlatUtils::TNumGlyphs m_numGlyphs = 1;
  int m_spacing = 4;
  int m_modalResult = 0;
  TPopupMenu* m_popupMenu = nullptr;

  TFlatButtonState m_state = fbUp;
  bool m_hot = false;
  bool m_tracking = false;
  TPoint m_glyphPos;
  TRect m_textRect;
};

class TFlatSpeedButton : public TDefineSpeed {
 public:
  explicit TFlatSpeedButton(TComponent* owner) : TDefineSpeed(owner) {}
  const char* ClassName() const override { return "TFlatSpeedButton"; }
};

// A one-image glyph as a disabled button shows it: the background colour everywhere, and where
// the image has the conversion colour, the highlight colour one pixel right and down (when
// `highlight` is on) under the shadow colour in place.
TSurface CreateDisabledGlyph(const TSurface& image, TColor conversionColor, TColor background, bool highlight,
                             TColor shadowColor, TColor highlightColor);
