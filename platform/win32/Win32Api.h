// The Win32 API for the backend's own files. Include it after every header of the project:
// <windows.h> defines names the project uses (CreateWindow, FindWindow, RGB, GetRValue, the
// VK_ and WM_ constants) as macros, and the two that are also method names of the platform
// interface are taken back here.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>

#undef CreateWindow
#undef FindWindow
#undef RGB
#undef GetRValue
#undef GetGValue
#undef GetBValue
