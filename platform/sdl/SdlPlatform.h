// The desktop backend: SDL2 on X11, with the few Xlib calls SDL does not offer (window class,
// window states after every show, the search for other programs' windows, the bell).
#pragma once

#include <memory>

#include "platform/Platform.h"

// Initialises SDL's video subsystem on the X11 display named by DISPLAY; throws
// std::runtime_error when there is no X11 display to talk to.
std::unique_ptr<platform::TPlatform> CreateSdlPlatform();
