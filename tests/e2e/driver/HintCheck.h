// The hint the program shows while the mouse rests on a control, seen from outside the process.
#pragma once

#include <windows.h>

#include <string>

namespace zrflash::e2e {

// Moves the mouse off the window, then onto the control's centre, and waits up to timeoutMs for
// a visible tooltip of the main window; its text, or empty when none showed.
std::wstring HintShownFor(HWND mainWindow, HWND control, int timeoutMs);

}  // namespace zrflash::e2e
