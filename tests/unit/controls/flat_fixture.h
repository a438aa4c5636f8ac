// A headless desktop with an application object and one shown form, for the flat controls.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "framework/Forms.h"
#include "platform/headless/HeadlessPlatform.h"
#include "tests/unit/framework/framework_fixture.h"

class FlatTest : public FrameworkTest {
 protected:
  // A plain form at (100, 100), 200 x 100, shown and active.
  TForm* ShownForm() {
    auto* form = new TForm(m_app.get());
    form->SetBorderStyle(bsNone);
    form->SetBounds(100, 100, 200, 100);
    form->Show();
    Pump();
    return form;
  }
  // Delivers everything queued and paints.
  void Pump() { m_app->ProcessMessages(); }
  void MoveTo(TCustomForm* f, int x, int y) {
    m_desktop.MovePointer({f->Left() + x, f->Top() + y}, 0);
    Pump();
  }
  void Press(platform::TMouseButtonId b = platform::pbLeft) {
    m_desktop.Press(b, 0);
    Pump();
  }
  void Release(platform::TMouseButtonId b = platform::pbLeft) {
    m_desktop.Release(b, 0);
    Pump();
  }
  void Click(TCustomForm* f, int x, int y) {
    MoveTo(f, x, y);
    Press();
    Release();
  }
  // Lets the double-click time pass so the next press is a single one.
  void Pause() {
    m_desktop.Wait(600);
    while (m_desktop.Waiting()) m_app->HandleMessage();
    Pump();
  }
  // RGB of a client pixel of the form after pending paints.
  TColor PixelAt(TCustomForm* f, int x, int y) {
    f->PaintPending();
    return ColorFromPixel(f->Surface().At(x, y));
  }
};
