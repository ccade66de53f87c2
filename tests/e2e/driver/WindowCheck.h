// Checks of the main window against the window definition the program was built from.
#pragma once

#include <windows.h>

#include "tests/e2e/driver/Findings.h"

namespace zrflash::e2e {

// Frame, caption, client size, centring, and every control's class, place, size, text, state,
// fonts that show in its size, and hints.
void CheckWindow(HWND mainWindow, Findings& findings);
// Tab visits the focusable, enabled controls in tab order (through the group box) and wraps.
void CheckTabOrder(HWND mainWindow, Findings& findings);

}  // namespace zrflash::e2e
