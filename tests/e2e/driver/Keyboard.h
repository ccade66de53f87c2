// Keys pressed into the program's window from outside, as the keyboard delivers them.
#pragma once

#include <windows.h>

namespace zrflash::e2e {

// Tab to the focused control (or the window); the control that has the focus afterwards.
HWND PressTab(HWND mainWindow);
// Space down and up on a control that has the focus: a push button clicks on the release.
void PressSpace(HWND control);

}  // namespace zrflash::e2e
