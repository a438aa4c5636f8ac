// TPNGButton: a windowless button made of three pictures and three captions, one set each for
// rest, pointer over it and mouse button held on it. The pictures are alpha pictures, so the
// button shows its parent's background where they are transparent.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "framework/Controls.h"

class TPicture;

// Where the caption or the picture sits: column, then row.
enum TObjectAlignment {
  tp_Left_Top,
  tp_Left_Middle,
  tp_Left_Bottom,
  tp_Center_Top,
  tp_Center_Middle,
  tp_Center_Bottom,
  tp_Right_Top,
  tp_Right_Middle,
  tp_Right_Bottom
};

enum TVisualState { vsNormal, vsHot, vsPressed };

class TPNGButton : public TGraphicControl {
 public:
  explicit TPNGButton(TComponent* owner);
  ~TPNGButton() override;
  const char* ClassName() const override { return "TPNGButton"; }
  void WndProc(TMessage& message) override;

  bool Stretch() const { return m_stretch; }
  void SetStretch(bool v);
  bool AutoSize() const { return m_autoSize; }
  void SetAutoSize(bool v);
  bool Transparent() const { return m_transparent; }
  void SetTransparent(bool v);
  TObjectAlignment CaptionAlignment() const { return m_captionAlignment; }
  void SetCaptionAlignment(TObjectAlignment a);
  TObjectAlignment PictureAlignment() const { return m_pictureAlignment; }
  void SetPictureAlignment(TObjectAlignment a);

  // The owned picture holders; the setters copy the given picture in.
  TPicture& PictureDefault() { return *m_pictureDefault; }
  TPicture& PictureHot() { return *m_pictureHot; }
  TPicture& PicturePress() { return *m_picturePress; }
  void SetPictureDefault(const TPicture& p);
  void SetPictureHot(const TPicture& p);
  void SetPicturePress(const TPicture& p);

  const std::string& CaptionDefault() const { return m_captionDefault; }
  void SetCaptionDefault(const std::string& s);
  const std::string& CaptionHot() const { return m_captionHot; }
  void SetCaptionHot(const std::string& s);
  const std::string& CaptionPress() const { return m_captionPress; }
  void SetCaptionPress(const std::string& s);

  // Owned fonts, changed in place; only a change of FontDefault repaints.
  TFont& FontDefault() { return m_fontDefault; }
  TFont& FontHot() { return m_fontHot; }
  TFont& FontPress() { return m_fontPress; }

  // A fixed information text; writing it (also from a stored description) changes nothing.
  const std::string& Info() const { return m_info; }
  void SetInfo(const std::string& value) { (void)value; }

  TVisualState VisualState() const { return m_state; }

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  bool GetPropertyText(std::string_view name, std::string& value) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  void SetState(TVisualState s) { m_state = s; }
  void SizeToPicture();

  bool m_stretch = false;
  bool m_autoSize = false;
  bool m_transparent = false;
  TObjectAlignment m_captionAlignment = tp_Left_Top;
  TObjectAlignment m_pictureAlignment = tp_Left_Top;
  std::unique_ptr<TPicture> m_pictureDefault, m_pictureHot, m_picturePress;
  std::string m_captionDefault, m_captionHot, m_captionPress;
  TFont m_fontDefault, m_fontHot, m_fontPress;
  std::string m_info;
  TVisualState m_state = vsNormal;
};

// Text names of the enumerations, as the driver prints them.
const char* ObjectAlignmentName(TObjectAlignment a);
const char* VisualStateName(TVisualState s);
