// The Win32 backend through the platform interface, with the system's own calls to look at what
// it did and to send it what the system would: window search, the no-taskbar style on the
// application window, stay-on-top, typed characters outside the basic plane, close requests,
// settings changes, monitors of another DPI, deadlines and the clipboard.
#include <gtest/gtest.h>

#include "platform/Desktop.h"
#include "platform/win32/Win32Api.h"

namespace {

using namespace platform;

class Win32PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_platform = CreateDesktopPlatform();
    TWindowParams app;
    app.ClassName = "TApplicationTest";
    app.Borderless = true;
    m_app = m_platform->CreateWindow(app);
    TWindowParams main;
    main.ClassName = "TFormTest";
    main.Caption = "Orvanta Test";
    main.Bounds = Bounds(100, 100, 540, 247);
    main.Borderless = true;
    main.Owner = m_app;
    m_main = m_platform->CreateWindow(main);
  }
  HWND MainHandle() const { return FindWindowW(L"TFormTest", L"Orvanta Test"); }
  // The next event that is not an expose or a bounds report, within a second.
  std::optional<TEvent> NextEvent() {
    TEvent e;
    const std::uint64_t deadline = m_platform->NowMs() + 1000;
    while (m_platform->WaitEvent(e, deadline)) {
      if (e.Kind != evExpose && e.Kind != evBoundsChange && e.Kind != evActivate && e.Kind != evDeactivate) return e;
    }
    return std::nullopt;
  }

  std::unique_ptr<TPlatform> m_platform;
  TWindowId m_app = NoWindow;
  TWindowId m_main = NoWindow;
};

TEST_F(Win32PlatformTest, HiddenWindowsAreFoundByClassAndCaptionInAnyLetterCase) {
  EXPECT_TRUE(m_platform->FindWindow("TFormTest", "Orvanta Test"));
  EXPECT_TRUE(m_platform->FindWindow("tformtest", "ORVANTA TEST"));
  EXPECT_FALSE(m_platform->FindWindow("TFormTest", "Orvanta"));
  EXPECT_FALSE(m_platform->FindWindow("TForm", "Orvanta Test"));
}

TEST_F(Win32PlatformTest, NoTaskbarMarksTheApplicationWindowAndStayOnTopTheWindowItself) {
  m_platform->SetWindowStates(m_main, true, true);
  HWND main = MainHandle();
  HWND app = GetWindow(main, GW_OWNER);
  ASSERT_NE(app, nullptr);
  EXPECT_TRUE(GetWindowLongW(app, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetWindowLongW(main, GWL_STYLE) & WS_CAPTION, 0);
  m_platform->SetWindowOpacity(m_main, 80);
  BYTE alpha = 0;
  DWORD flags = 0;
  EXPECT_TRUE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_LAYERED);
  ASSERT_TRUE(GetLayeredWindowAttributes(main, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 80);
}

TEST_F(Win32PlatformTest, TypedSurrogatePairsArriveAsOneCodePoint) {
  PostMessageW(MainHandle(), WM_CHAR, 0xD83D, 0);
  PostMessageW(MainHandle(), WM_CHAR, 0xDE00, 0);
  PostMessageW(MainHandle(), WM_CHAR, 'x', 0);
  auto first = NextEvent();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Kind, evChar);
  EXPECT_EQ(first->Char, 0x1F600u);
  EXPECT_EQ(first->Window, m_main);
  auto second = NextEvent();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Char, static_cast<std::uint32_t>('x'));
}

TEST_F(Win32PlatformTest, CloseRequestsAndSettingsChangesBecomeEventsAndTheWindowStays) {
  PostMessageW(MainHandle(), WM_CLOSE, 0, 0);
  auto close = NextEvent();
  ASSERT_TRUE(close);
  EXPECT_EQ(close->Kind, evClose);
  EXPECT_NE(MainHandle(), nullptr);
  SendMessageW(MainHandle(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl"));
  auto settings = NextEvent();
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->Kind, evSettingsChange);
}

// The system tells a window that it now stands on a monitor of 192 DPI and suggests a place and
// size for it: the program hears the new scale and the suggested client area, and the window
// stays as it was until the program resizes it. ORVANTA_SCALE overrides the monitor's DPI.
TEST_F(Win32PlatformTest, AMonitorOfAnotherDpiIsAScaleChangeThatLeavesTheWindowToTheProgram) {
  _putenv("ORVANTA_SCALE=");
  RECT before{};
  GetWindowRect(MainHandle(), &before);
  RECT suggested{200, 150, 200 + 1080, 150 + 494};
  SendMessageW(MainHandle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  auto change = NextEvent();
  ASSERT_TRUE(change);
  EXPECT_EQ(change->Kind, evScaleChange);
  EXPECT_EQ(change->Window, m_main);
  EXPECT_DOUBLE_EQ(change->Scale, 2.0);
  EXPECT_EQ(change->Bounds, Bounds(200, 150, 1080, 494));  // borderless: the client area is the window
  RECT after{};
  GetWindowRect(MainHandle(), &after);
  EXPECT_TRUE(EqualRect(&before, &after));

  _putenv("ORVANTA_SCALE=1");
  SendMessageW(MainHandle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  auto overridden = NextEvent();
  ASSERT_TRUE(overridden);
  EXPECT_DOUBLE_EQ(overridden->Scale, 1.0);
  EXPECT_DOUBLE_EQ(m_platform->DesktopScale(m_main), 1.0);
  _putenv("ORVANTA_SCALE=2.5");
  EXPECT_DOUBLE_EQ(m_platform->DesktopScale(NoWindow), 2.5);
  _putenv("ORVANTA_SCALE=");
}

TEST_F(Win32PlatformTest, WaitingEndsAtTheDeadlineWhenNothingHappens) {
  TEvent e;
  while (m_platform->WaitEvent(e, m_platform->NowMs())) {
  }
  const std::uint64_t start = m_platform->NowMs();
  EXPECT_FALSE(m_platform->WaitEvent(e, start + 120));
  EXPECT_GE(m_platform->NowMs(), start + 120);
}

TEST_F(Win32PlatformTest, ClipboardTextKeepsCharactersOutsideTheBasicPlane) {
  m_platform->SetClipboardText("2500 \xE9\xBB\x91 \xF0\x9F\x98\x80");
  EXPECT_EQ(m_platform->ClipboardText(), std::optional<std::string>("2500 \xE9\xBB\x91 \xF0\x9F\x98\x80"));
}

}  // namespace
