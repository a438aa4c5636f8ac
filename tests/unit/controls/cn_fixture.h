// A shown test form on a headless desktop, with typing, clicking and time, for the entry boxes.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/assets/BuiltInAssets.h"
#include "framework/Forms.h"
#include "platform/Keys.h"
#include "platform/headless/HeadlessPlatform.h"

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetPlatform(&desktop);
    app = std::make_unique<TApplication>();
    Application = app.get();
    Screen = &screen;
    RegisterBuiltInBitmaps();
    desktop.Observer.Beep = [this] { log.push_back("beep"); };
    desktop.Observer.MessageBoxShown = [this](const std::string&, const std::string& text) {
      log.push_back("box " + text);
      boxOpen = true;
    };
    desktop.Observer.MessageBoxClosed = [this] { boxOpen = false; };
    // A user who presses OK on every box as soon as it is open.
    desktop.OnIdle = [this] {
      if (!boxOpen) return false;
      desktop.Key(true, platform::VK_RETURN, 0);
      return true;
    };
    form = new TForm(app.get());
    form->SetBounds(100, 100, 300, 120);
  }
  void TearDown() override {
    app.reset();
    Application = nullptr;
    Screen = nullptr;
    platform::SetPlatform(nullptr);
  }
  template <class T>
  T* Add(const char* name, int left, int top, int width, int height) {
    T* c = new T(form);
    c->SetName(name);
    c->SetParent(form);
    c->SetBounds(left, top, width, height);
    return c;
  }
  void ShowForm() {
    form->Show();
    Pump();
  }
  void Pump() { app->ProcessMessages(); }
  // Each character as a keyboard types it (digits and letters with their key).
  void Type(const std::string& text) {
    for (char32_t ch : std::u32string(text.begin(), text.end())) {
      const int vk = ch >= 'a' && ch <= 'z' ? static_cast<int>(ch - 'a' + 'A') : static_cast<int>(ch);
      desktop.Key(true, vk, 0);
      desktop.Char(ch, 0);
      desktop.Key(false, vk, 0);
    }
    Pump();
  }
  void Key(int vk, platform::TShiftState shift = 0, char32_t ch = 0) {
    desktop.Key(true, vk, shift);
    if (ch) desktop.Char(ch, shift);
    desktop.Key(false, vk, shift);
    Pump();
  }
  void MoveTo(int x, int y) {
    desktop.MovePointer({form->Left() + x, form->Top() + y}, 0);
    Pump();
  }
  void Press(int x, int y, platform::TMouseButtonId b = platform::pbLeft) {
    MoveTo(x, y);
    desktop.Press(b, 0);
    Pump();
  }
  void Release(platform::TMouseButtonId b = platform::pbLeft) {
    desktop.Release(b, 0);
    Pump();
  }
  void Click(int x, int y) {
    Press(x, y);
    Release();
  }
  void Elapse(std::uint64_t ms) {
    desktop.Wait(ms);
    while (desktop.Waiting()) app->HandleMessage();
    Pump();
  }
  // The colour of a form pixel after pending paints.
  TColor PixelAt(int x, int y) {
    form->PaintPending();
    return ColorFromPixel(form->Surface().At(x, y));
  }

  platform::THeadlessPlatform desktop;
  std::unique_ptr<TApplication> app;
  TScreen screen;
  TForm* form = nullptr;
  std::vector<std::string> log;
  bool boxOpen = false;
};
