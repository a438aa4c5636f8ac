// Ordinary components: timer, shape, panel, image, label and push button.
#pragma once

#include <memory>
#include <string>

#include "framework/Controls.h"

class TPicture;

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  const char* ClassName() const override { return "TTimer"; }
  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool v);
  // Setting the interval restarts the countdown.
  int Interval() const { return m_interval; }
  void SetInterval(int ms);
  TNotifyEvent OnTimer;
  void SetOnTimer(TNotifyEvent handler);
  // Called by the message loop when the timer is due.
  void Tick();
  bool GetPropertyText(std::string_view name, std::string& value) override;

 private:
  void Restart();
  bool m_enabled = true;
  int m_interval = 1000;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
class TShape : public TGraphicControl {
 public:
  explicit TShape(TComponent* owner);
  const char* ClassName() const override { return "TShape"; }
  TBrush& Brush() { return m_brush; }
  TPen& Pen() { return m_pen; }
  void SetShape(TShapeType s) {
    m_shape = s;
    Invalidate();
  }

 protected:
  void Paint() override;

 private:
  TBrush m_brush;
  TPen m_pen;
  TShapeType m_shape = stRectangle;
};

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
class TPanel : public TCustomControl {
 public:
  explicit TPanel(TComponent* owner);
  const char* ClassName() const override { return "TPanel"; }
  TBevelCut BevelOuter() const { return m_bevelOuter; }
  void SetBevelOuter(TBevelCut b) {
    m_bevelOuter = b;
    Invalidate();
  }
  TBorderStyle BorderStyle() const { return m_borderStyle; }
  void SetBorderStyle(TBorderStyle b) {
    m_borderStyle = b;
    Invalidate();
  }
  bool Ctl3D() const { return m_ctl3D; }
  void SetCtl3D(bool v) {
    m_ctl3D = v;
    Invalidate();
  }
  int BorderWidth() const override { return m_borderStyle == bsSingle ? (m_ctl3D ? 2 : 1) : 0; }

 protected:
  void Paint() override;
  void PaintNonClient(TCanvas& canvas) override;

 private:
  TBevelCut m_bevelOuter = bvRaised;
  TBorderStyle m_borderStyle = bsNone;
  bool m_ctl3D = true;
};

class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;
  const char* ClassName() const override { return "TImage"; }
  TPicture& Picture() { return *m_picture; }
  bool AutoSize() const { return m_autoSize; }
  void SetAutoSize(bool v);
  bool Stretch() const { return m_stretch; }
  void SetStretch(bool v) {
    m_stretch = v;
    Invalidate();
  }
  // Takes the picture's size when AutoSize is on.
  void PictureChanged();

 protected:
  void Paint() override;

 private:
  std::unique_ptr<TPicture> m_picture;
  bool m_autoSize = false;
  bool m_stretch = false;
};

enum TTextLayout { tlTop, tlCenter, tlBottom };
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);
  const char* ClassName() const override { return "TLabel"; }
  bool Transparent() const { return m_transparent; }
  void SetTransparent(bool v);
  TAlignment Alignment() const { return m_alignment; }
  void SetAlignment(TAlignment a);
  bool AutoSize() const { return m_autoSize; }
  void SetAutoSize(bool v);
  bool GetPropertyText(std::string_view name, std::string& value) override;

 protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  void Loaded() override;

 private:
  void AdjustBounds();
  bool m_transparent = false;
  TAlignment m_alignment = taLeftJustify;
  bool m_autoSize = true;
};

// A classic push button (used by the message box).
class TButton : public TCustomControl {
 public:
  explicit TButton(TComponent* owner);
  const char* ClassName() const override { return "TButton"; }
  int ModalResult() const { return m_modalResult; }
  void SetModalResult(int r) { m_modalResult = r; }
  void Click() override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;

 private:
  int m_modalResult = 0;
  bool m_pressed = false;
};
