// The spin edit: a one-line entry box for a whole number with a pair of arrow buttons at its right
// edge (TCnSpinEdit), the arrow pair (TCnSpinButton) and one repeating arrow (TTimerSpeedButton).
//
// Arrow press and hold (left button), with the pointer on the arrow:
//
//   time after the press   what happens
//   0                      the arrow goes down, the repeat timer starts with 400 ms
//   400                    the interval becomes 100 ms; one step
//   500, 600, ...          one step per tick (none while the pointer is off the arrow)
//   release                one step if the pointer is over the arrow; the timer stops
#pragma once

#include <cstdint>

#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"

class TCnSpinButton;

enum TRepeatFlag : unsigned { rfFocusRect = 1, rfAutoRepeat = 2 };
using TRepeatFlags = unsigned;

constexpr int InitialRepeatDelay = 400;
constexpr int RepeatInterval = 100;

// One arrow: a speed button that repeats its click while it is held down.
class TTimerSpeedButton : public TSpeedButton {
 public:
  explicit TTimerSpeedButton(TComponent* owner);
  ~TTimerSpeedButton() override;
  const char* ClassName() const override { return "TTimerSpeedButton"; }
  TRepeatFlags RepeatFlags() const { return m_repeatFlags; }
  void SetRepeatFlags(TRepeatFlags flags);
  // Null until the first press.
  TTimer* RepeatTimer() const { return m_repeatTimer; }
  void RepeatTick(TObject* sender);

 protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Paint() override;

 private:
  TTimer* m_repeatTimer = nullptr;  // owned
  TRepeatFlags m_repeatFlags = 0;
};

// The arrow pair: two arrows stacked, the lower overlapping the upper by one pixel.
class TCnSpinButton : public TWinControl {
 public:
  explicit TCnSpinButton(TComponent* owner);
  ~TCnSpinButton() override;
  const char* ClassName() const override { return "TCnSpinButton"; }
  void WndProc(TMessage& message) override;

  TTimerSpeedButton* UpArrow() const { return m_upArrow; }
  TTimerSpeedButton* DownArrow() const { return m_downArrow; }
  TTimerSpeedButton* FocusedArrow() const { return m_focusedArrow; }
  // Takes the keyboard focus when an arrow is pressed (held weakly).
  TWinControl* FocusControl() const { return m_focusControl; }
  void SetFocusControl(TWinControl* c) { m_focusControl = c; }
  TNotifyEvent OnUpClick;
  TNotifyEvent OnDownClick;

  // The arrows' glyphs; null restores the program's bitmap resources CNSPINEDITUP /
  // CNSPINEDITDOWN (registered at start-up from the built-in assets).
  TBitmap* UpGlyph() const;
  void SetUpGlyph(const TBitmap* glyph);
  TBitmap* DownGlyph() const;
  void SetDownGlyph(const TBitmap* glyph);
  int UpNumGlyphs() const;
  void SetUpNumGlyphs(int n);
  int DownNumGlyphs() const;
  void SetDownNumGlyphs(int n);

  void SetBounds(int left, int top, int width, int height) override;
  // The size rule: width at least 15, the upper arrow half the height, the lower the rest plus the
  // overlapping pixel. Does nothing before the arrows exist or while loading.
  void FitArrows(int& width, int& height);
  void FocusArrow(TTimerSpeedButton* arrow);
  void ArrowMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void ArrowClick(TObject* sender);

  void DoEnter() override;
  void DoExit() override;

 protected:
  void Resize() override;
  void Loaded() override;
  void Notification(TComponent* component, bool removing) override;
  void KeyDown(int& key, TShiftState shift) override;

 private:
  void ApplyFit();

  TTimerSpeedButton* m_upArrow = nullptr;    // owned
  TTimerSpeedButton* m_downArrow = nullptr;  // owned
  TTimerSpeedButton* m_focusedArrow = nullptr;
  TWinControl* m_focusControl = nullptr;
};

class TCnSpinEdit : public TCustomEdit {
 public:
  explicit TCnSpinEdit(TComponent* owner);
  ~TCnSpinEdit() override;
  const char* ClassName() const override { return "TCnSpinEdit"; }
  void WndProc(TMessage& message) override;

  // The bounds apply while they differ; equal bounds (0 and 0 by default) leave the value free.
  // Writing them only stores them.
  std::int32_t MinValue() const { return m_minValue; }
  void SetMinValue(std::int32_t v) { m_minValue = v; }
  std::int32_t MaxValue() const { return m_maxValue; }
  void SetMaxValue(std::int32_t v) { m_maxValue = v; }
  std::int32_t Increment() const { return m_increment; }
  void SetIncrement(std::int32_t v) { m_increment = v; }
  bool EditorEnabled() const { return m_editorEnabled; }
  void SetEditorEnabled(bool v) { m_editorEnabled = v; }
  TCnSpinButton* ArrowPair() const { return m_arrowPair; }

  // The text as an integer, MinValue when it is none; never clamped.
  std::int32_t Value() const;
  // Writes the clamped value's decimal form into the text.
  void SetValue(std::int32_t v);
  std::int32_t ClampValue(std::int32_t v) const;

  virtual bool IsAcceptedChar(char32_t key) const;
  virtual void StepUp(TObject* sender = nullptr);
  virtual void StepDown(TObject* sender = nullptr);

  int MinEditHeight() const;
  void UpdateEditRect();

  void DoEnter() override;
  void DoExit() override;
  bool GetPropertyText(std::string_view name, std::string& value) override;

 protected:
  void CreateWnd() override;
  void Resize() override;
  void KeyDown(int& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;

 private:
  void SizeChanged();

  std::int32_t m_minValue = 0;
  std::int32_t m_maxValue = 0;
  std::int32_t m_increment = 1;
  TCnSpinButton* m_arrowPair = nullptr;  // owned
  bool m_editorEnabled = true;
};
