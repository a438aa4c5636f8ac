// TCnEdit: an edit box that restricts what may be typed or pasted by its TextType, can make Enter
// move on to the next control, repairs its text when the focus leaves, gives its text back as a
// typed Value, paints its text itself (aligned while it has no focus) and can show a small link
// button at its right edge.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "framework/StdCtrls.h"

enum TTextType { NormalText = 0, IntegerText = 1, FloatText = 2, IdentText = 3 };
enum TLinkStyle { lsNone = 0, lsEllipsis = 1, lsDropDown = 2 };

// An integer (IntegerText), a floating-point number (FloatText) or the text (the others).
using TCnEditValue = std::variant<std::int32_t, double, std::string>;

class TCnEdit : public TEdit {
 public:
  explicit TCnEdit(TComponent* owner);
  ~TCnEdit() override;
  const char* ClassName() const override { return "TCnEdit"; }
  void WndProc(TMessage& message) override;

  // The text as a value of the TextType; EConvertError when an IntegerText or FloatText text is
  // not a number. Never changes the text.
  TCnEditValue Value() const;

  TLinkStyle LinkStyle() const { return m_linkStyle; }
  void SetLinkStyle(TLinkStyle v);
  TCursor ButtonCursor() const { return m_buttonCursor; }
  void SetButtonCursor(TCursor v);
  TAlignment Alignment() const { return m_alignment; }
  void SetAlignment(TAlignment v) { m_alignment = v; }
  TTextType TextType() const { return m_textType; }
  void SetTextType(TTextType v) { m_textType = v; }
  bool EnterAsTab() const { return m_enterAsTab; }
  void SetEnterAsTab(bool v) { m_enterAsTab = v; }
  bool AcceptNegative() const { return m_acceptNegative; }
  void SetAcceptNegative(bool v) { m_acceptNegative = v; }
  // When not empty, the only characters that may be typed (NormalText, IdentText).
  const std::string& AcceptCharList() const { return m_acceptCharList; }
  void SetAcceptCharList(const std::string& v) { m_acceptCharList = v; }
  int ButtonWidth() const { return m_buttonWidth; }
  bool ButtonPressed() const { return m_buttonPressed; }
  bool ButtonTracking() const { return m_buttonTracking; }
  TNotifyEvent OnButtonClick;

  // Hands the edit a formatting rectangle that leaves room for the link button.
  void UpdateEditRect();
  // Where the text starts when the control paints it: (left, top).
  TPoint TextMargins() const;
  void TrackButton(int x, int y);
  void StopTracking();
  void ButtonClick();

  // Identifier characters: a letter or "_", and after the first position also a digit.
  static bool IsIdentChar(char32_t c, bool first);

  bool GetPropertyText(std::string_view name, std::string& value) override;

 protected:
  void CreateParams(TEditCreateParams& params) override;
  void DoEnter() override;
  void DoExit() override;
  void KeyDown(int& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void PaintClient(TCanvas& canvas) override;
  int LineX(int line) const override;
  int FirstLineY() const override;

 private:
  bool Accepts(char32_t key) const;
  bool InCharList(char32_t key) const;
  // The button's rectangle in client coordinates.
  TRect ButtonRect() const;
  void PasteFiltered();
  void CorrectOnExit();
  int AlignedX(int line) const;

  int m_buttonWidth = 0;
  std::unique_ptr<TCanvas> m_textCanvas;  // created at the first paint
  TLinkStyle m_linkStyle = lsNone;
  TAlignment m_alignment = taLeftJustify;
  bool m_buttonPressed = false;
  bool m_buttonTracking = false;
  TTextType m_textType = NormalText;
  bool m_enterAsTab = false;
  bool m_acceptNegative = true;
  std::string m_acceptCharList;
  TCursor m_buttonCursor = crDefault;
};
