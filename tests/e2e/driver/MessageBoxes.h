// Message boxes of the program, found by title from outside the process.
#pragma once

#include <windows.h>

#include <string>

namespace zrflash::e2e {

// The dialog window of a message box with exactly that title, waiting up to timeoutMs; nullptr if none.
HWND WaitForMessageBox(const std::wstring& title, int timeoutMs);
// The box's message: the text of its static controls that carry one (the icon's has none).
std::wstring MessageBoxText(HWND box);
// Presses OK as the user does; the box closes and its caller goes on.
void PressOk(HWND box);

}  // namespace zrflash::e2e
