// The program's manifest as the system itself reads it from orvanta.exe (the path in ORVANTA_EXE):
// an activation context made from resource 1 declares awareness of each monitor's DPI, version 2
// first, and the older per-monitor setting for systems that know only that one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32Api.h"

namespace {

using platform::win32::Wide;

// A setting of the manifest's windowsSettings; empty when it has none.
std::wstring Setting(HANDLE context, const wchar_t* space, const wchar_t* name) {
  wchar_t value[128] = {};
  SIZE_T written = 0;
  if (!QueryActCtxSettingsW(0, context, space, name, value, std::size(value), &written)) return {};
  return value;
}

TEST(ProgramManifest, DeclaresAwarenessOfEachMonitorsDpi) {
  const char* exe = std::getenv("ORVANTA_EXE");
  ASSERT_NE(exe, nullptr) << "ORVANTA_EXE names the program";
  const std::wstring path = Wide(exe);
  ACTCTXW request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = path.c_str();
  request.lpResourceName = MAKEINTRESOURCEW(1);
  HANDLE context = CreateActCtxW(&request);
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << "no readable manifest in " << exe;
  EXPECT_EQ(Setting(context, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
            L"PerMonitorV2, PerMonitor");
  EXPECT_EQ(Setting(context, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"), L"true/pm");
  ReleaseActCtx(context);
}

}  // namespace
