// Finds the program's windows from outside the process and reads their controls.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/WindowDefinition.h"

namespace zrflash::e2e {

// Every visible main window of the program (any running copy).
std::vector<HWND> MainWindows();
// Waits until exactly count main windows are visible (count 0: the desktop window); nullptr on time-out.
HWND WaitForMainWindows(std::size_t count, int timeoutMs);

// The control of that definition entry, found by its identifier anywhere below the window.
HWND ControlWindow(HWND mainWindow, const platform::WindowDefinition& definition, const std::string& name);
std::string ControlName(HWND mainWindow, const platform::WindowDefinition& definition, HWND control);

// Texts of windows in other processes: WM_GETTEXT, which the system carries across.
std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);
// The window's rectangle in the client coordinates of mainWindow.
RECT RectIn(HWND mainWindow, HWND window);
// The window that has the keyboard focus in the thread that owns mainWindow.
HWND FocusedWindow(HWND mainWindow);

std::string Utf8(std::wstring_view text);
std::wstring Wide(std::u16string_view text);

}  // namespace zrflash::e2e
