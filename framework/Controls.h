// Controls: windowless (TGraphicControl) and windowed (TWinControl, TCustomControl).
//
//   TControl        bounds, parent, visibility, enabled state, font, colour, cursor, mouse,
//                   the replaceable WindowProc, painting hooks, invalidation
//   TWinControl     children, focus, tab order, keys, non-client border, alignment of children
//   TGraphicControl a windowless control painted on its parent's surface with its own Canvas
//   TCustomControl  a windowed control with a Canvas and a Paint() step
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/Messages.h"
#include "platform/Keys.h"
#include "platform/Platform.h"

class TWinControl;
class TCustomForm;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64
};
using TShiftState = unsigned;
enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
enum TBorderStyle { bsNone = 0, bsSingle = 1, bsSizeable = 2, bsDialog = 3, bsToolWindow = 4 };

// Cursor numbers of the application's cursor list.
using TCursor = int;
enum : int {
  crDefault = 0,
  crNone = -1,
  crArrow = -2,
  crCross = -3,
  crIBeam = -4,
  crSizeNESW = -6,
  crSizeNS = -7,
  crSizeNWSE = -8,
  crSizeWE = -9,
  crUpArrow = -10,
  crHourGlass = -11,
  crDrag = -12,
  crNoDrop = -13,
  crNo = -18,
  crHandPoint = -21,
  crSizeAll = -22
};

using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, int& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char32_t& key)>;

enum TControlStateFlag : unsigned { csLButtonDown = 1, csClicked = 2, csFocusing = 4 };
enum TControlStyleFlag : unsigned {
  csCaptureMouse = 1,
  csClickEvents = 2,
  csDoubleClicks = 4,
  csOpaque = 8,
  csAcceptsControls = 16,
  csSetCaption = 32
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  const char* ClassName() const override { return "TControl"; }

  // --- messages ---------------------------------------------------------------------------
  // Every message to the control goes through WindowProc, which starts as the virtual WndProc.
  // A replacement keeps the previous value and passes messages on to it.
  std::function<void(TMessage&)> WindowProc;
  std::intptr_t Perform(std::uint32_t msg, std::intptr_t wparam = 0, std::intptr_t lparam = 0);
  virtual void WndProc(TMessage& message);
  virtual bool IsWindowed() const { return false; }
  // The form this control is, if it is one: what painting and the caret ask many times a paint,
  // answered without a run-time type lookup.
  virtual const TCustomForm* AsForm() const { return nullptr; }

  // --- place --------------------------------------------------------------------------------
  TWinControl* Parent() const { return m_parent; }
  virtual void SetParent(TWinControl* parent);
  int Left() const { return m_left; }
  int Top() const { return m_top; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  void SetLeft(int v) { SetBounds(v, m_top, m_width, m_height); }
  void SetTop(int v) { SetBounds(m_left, v, m_width, m_height); }
  void SetWidth(int v) { SetBounds(m_left, m_top, v, m_height); }
  void SetHeight(int v) { SetBounds(m_left, m_top, m_width, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(m_left, m_top, m_width, m_height); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  virtual int ClientWidth() const { return m_width; }
  virtual int ClientHeight() const { return m_height; }
  void SetClientWidth(int w);
  void SetClientHeight(int h);
  TRect ClientRect() const { return {0, 0, ClientWidth(), ClientHeight()}; }
  // Screen position of client (0, 0).
  virtual TPoint ClientOrigin() const;
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;
  TAlign Align() const { return m_align; }
  void SetAlign(TAlign align);

  // --- state --------------------------------------------------------------------------------
  bool Visible() const { return m_visible; }
  void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible together with every parent up to a shown form.
  bool Showing() const;
  bool Enabled() const { return m_enabled; }
  virtual void SetEnabled(bool v);
  // Enabled together with every parent.
  bool EnabledChain() const;
  unsigned ControlState() const { return m_controlState; }
  void SetControlState(unsigned s) { m_controlState = s; }
  unsigned ControlStyle() const { return m_controlStyle; }
  void SetControlStyle(unsigned s) { m_controlStyle = s; }
  bool MouseCapture() const;
  void SetMouseCapture(bool capture);

  // --- looks --------------------------------------------------------------------------------
  TFont& Font() { return m_font; }
  const TFont& Font() const { return m_font; }
  bool ParentFont() const { return m_parentFont; }
  void SetParentFont(bool v);
  TColor Color() const { return m_color; }
  void SetColor(TColor c);
  bool ParentColor() const { return m_parentColor; }
  void SetParentColor(bool v);
  TCursor Cursor() const { return m_cursor; }
  void SetCursor(TCursor c);
  const std::string& Hint() const { return m_hint; }
  void SetHint(const std::string& h) { m_hint = h; }
  bool ShowHint() const { return m_showHint; }
  void SetShowHint(bool v) { m_showHint = v; }
  // Caption and Text are the same string.
  const std::string& Caption() const { return m_text; }
  void SetCaption(const std::string& t) { SetText(t); }
  virtual const std::string& Text() const { return m_text; }
  virtual void SetText(const std::string& t);

  // --- painting -----------------------------------------------------------------------------
  // Marks the control's area for the next paint of its form.
  void Invalidate();
  void InvalidateRect(const TRect& clientRect);
  // Draws on the form's surface now, outside a paint, and shows the result: `draw` gets a canvas
  // over the control's client area clipped to `clientRect` as a paint of the form would clip it.
  // Only where that leaves the screen as a repaint would: the form is shown with nothing pending
  // there, and no control that paints after this one covers it. False, with nothing drawn,
  // otherwise. For changes that are their own inverse, such as a caret's blink.
  bool DrawNow(const TRect& clientRect, const std::function<void(TCanvas&)>& draw);
  // Paints the form now if anything is pending.
  void Update();
  void Repaint() {
    Invalidate();
    Update();
  }
  // Paints the control (and its children) into the form's surface; `origin` is the surface
  // position of the control's top-left corner, `clip` the surface area that may change.
  virtual void PaintTo(TSurface& surface, TPoint origin, const TRect& clip) = 0;

  // --- events -------------------------------------------------------------------------------
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  virtual void Click();

  TCustomForm* GetParentForm() const;
  // Follows the parent's font or colour while ParentFont / ParentColor hold.
  void ParentFontChanged();
  void ParentColorChanged();
  bool GetPropertyText(std::string_view name, std::string& value) override;

 protected:
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // Called after the bounds changed.
  virtual void Resize() {}
  virtual void FontChanged();
  virtual void TextChanged() { Invalidate(); }
  virtual void ColorChanged() { Invalidate(); }
  virtual void VisibleChanging() {}
  // The rectangle of the control in its form's surface coordinates.
  TRect FormRect() const;
  // Where the control's client area starts, in the same coordinates.
  TPoint ClientFormOrigin() const;
  // The part of the form that painting the client area reaches: the client area clipped by
  // every parent's.
  TRect ClientPaintClip() const;
  // Whether a control painted after this one (a child, a later sibling or a later sibling of a
  // parent) shows within `formRect`.
  bool PaintedOverIn(const TRect& formRect) const;

  std::string m_text;
  unsigned m_controlState = 0;
  unsigned m_controlStyle = csCaptureMouse | csClickEvents | csDoubleClicks | csSetCaption;

 private:
  void HandleMouseMessage(TMessage& m);

  TWinControl* m_parent = nullptr;
  int m_left = 0, m_top = 0, m_width = 0, m_height = 0;
  TAlign m_align = alNone;
  bool m_visible = true;
  bool m_enabled = true;
  TFont m_font;
  bool m_parentFont = true;
  bool m_fontFromParent = false;
  TColor m_color = clBtnFace;
  bool m_parentColor = false;
  TCursor m_cursor = crDefault;
  std::string m_hint;
  bool m_showHint = false;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  const char* ClassName() const override { return "TWinControl"; }
  bool IsWindowed() const override { return true; }
  void WndProc(TMessage& message) override;

  // Children in z-order, bottom first (windowless and windowed together).
  const std::vector<TControl*>& Controls() const { return m_children; }
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);
  // The deepest visible control under a client point (enabled ones unless allowDisabled).
  TControl* ControlAtPos(TPoint clientPoint, bool allowDisabled, bool recurse);

  // --- window --------------------------------------------------------------------------------
  // Child controls have a "window" once their form's platform window exists.
  bool HandleAllocated() const { return m_handleAllocated; }
  void HandleNeeded();

  // --- focus and tab order ------------------------------------------------------------------
  int TabOrder() const;
  void SetTabOrder(int order);
  bool TabStop() const { return m_tabStop; }
  void SetTabStop(bool v) { m_tabStop = v; }
  bool Focused() const;
  virtual bool CanFocus() const;
  virtual void SetFocus();
  // Windowed descendants in tab order (depth first).
  void GetTabOrderList(std::vector<TWinControl*>& list);
  TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop);
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
  // True when the focused control of `form` is this control or one of its children.
  bool ContainsFocus(const TCustomForm& form) const;
  // Called when this control can no longer hold the focus: moves it on in tab order.
  void PassFocusOn();

  // --- keys ----------------------------------------------------------------------------------
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  // Non-client border width on each side (a one-pixel frame for single borders).
  virtual int BorderWidth() const { return 0; }
  int ClientWidth() const override { return Width() - 2 * BorderWidth(); }
  int ClientHeight() const override { return Height() - 2 * BorderWidth(); }
  TPoint ClientOrigin() const override;

  void PaintTo(TSurface& surface, TPoint origin, const TRect& clip) override;
  void AlignControls();

  // Focus notifications sent by the form when the focus moves.
  virtual void DoEnter();
  virtual void DoExit();

 protected:
  // Runs once when the control gets its window (after its parent's).
  virtual void CreateWnd() {}
  // Gives this control and its windowed children their windows.
  void CreateHandleTree();
  // Paints the non-client border.
  virtual void PaintNonClient(TCanvas& canvas);
  // Paints the client area; the canvas origin is the client (0, 0). The default fills it with
  // the control's colour.
  virtual void PaintWindow(TCanvas& canvas);
  // The cursor shown where neither a child nor the control sets one.
  virtual TCursor DefaultCursor() const { return crArrow; }
  // Key steps, in order: the form's key preview, the control's own step (these virtuals), the
  // OnKeyDown / OnKeyPress handler, then DefaultKeyHandler unless the key was cleared.
  virtual void KeyDown(int& key, TShiftState shift);
  virtual void KeyUp(int& key, TShiftState shift);
  virtual void KeyPress(char32_t& key);
  virtual void DefaultKeyHandler(TMessage& message) { (void)message; }
  // Handles a message the control itself does not act on (the platform control's default).
  virtual void DefaultHandler(TMessage& message) { (void)message; }
  void Resize() override;
  // The focused control of a form that changed size: what of it the form shows may have changed.
  virtual void FormAreaChanged() {}
  void FontChanged() override;
  void ColorChanged() override;
  bool DoKeyDown(TMessage& m);
  bool DoKeyPress(TMessage& m);

  TCanvas m_paintCanvas;

 private:
  friend class TControl;

  std::vector<TControl*> m_children;
  std::vector<TWinControl*> m_tabList;
  bool m_tabStop = false;
  bool m_handleAllocated = false;
  bool m_aligning = false;
};

// A windowless control painted on its parent's surface.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner);
  const char* ClassName() const override { return "TGraphicControl"; }
  TCanvas& Canvas() { return m_canvas; }
  void PaintTo(TSurface& surface, TPoint origin, const TRect& clip) override;

 protected:
  virtual void Paint() {}

 private:
  TCanvas m_canvas;
};

// A windowed control that paints itself through its Canvas.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* owner);
  const char* ClassName() const override { return "TCustomControl"; }
  TCanvas& Canvas() { return m_canvas; }

 protected:
  virtual void Paint() {}
  void PaintWindow(TCanvas& canvas) override;

 private:
  TCanvas m_canvas;
};

// Mouse button bookkeeping shared by the dispatcher.
TShiftState KeysToShiftState(std::intptr_t keys);
