// A headless desktop with an application object, for tests of the class library.
#pragma once

#include <gtest/gtest.h>

#include "framework/Forms.h"
#include "platform/Keys.h"
#include "platform/headless/HeadlessPlatform.h"

class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetPlatform(&m_desktop);
    m_app = std::make_unique<TApplication>();
    Application = m_app.get();
    Screen = &m_screen;
    m_app->SetTitle("tester");
    m_desktop.Observer.MessageBoxShown = [this](const std::string& caption, const std::string& text) {
      m_boxes.push_back(caption + " | " + text);
      m_boxOpen = true;
    };
    m_desktop.Observer.MessageBoxClosed = [this] { m_boxOpen = false; };
    // A user who presses OK on every box as soon as it is open.
    m_desktop.OnIdle = [this] {
      if (!m_boxOpen) return false;
      m_desktop.Key(true, platform::VK_RETURN, 0);
      return true;
    };
  }
  void TearDown() override {
    m_app.reset();
    Application = nullptr;
    Screen = nullptr;
    platform::SetPlatform(nullptr);
  }
  // Delivers everything queued and the timers due now.
  void Pump() { m_app->ProcessMessages(); }
  TPoint ScreenOf(TCustomForm* f, int x, int y) { return {f->Left() + x, f->Top() + y}; }
  void Click(TCustomForm* f, int x, int y, platform::TMouseButtonId b = platform::pbLeft) {
    m_desktop.MovePointer(ScreenOf(f, x, y), 0);
    m_desktop.Press(b, 0);
    m_desktop.Release(b, 0);
    Pump();
  }
  void Elapse(std::uint64_t ms) {
    m_desktop.Wait(ms);
    while (m_desktop.Waiting()) m_app->HandleMessage();
    Pump();
  }

  platform::THeadlessPlatform m_desktop;
  std::unique_ptr<TApplication> m_app;
  TScreen m_screen;
  std::vector<std::string> m_boxes;
  bool m_boxOpen = false;
};
