// The program's event log read from outside the process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zrflash::e2e {

// Every line of the log list LB, in order.
std::vector<std::wstring> LogLines(HWND mainWindow);
// The last line only (two messages, however long the log has grown); empty when there is none.
std::wstring LastLogLine(HWND mainWindow);

}  // namespace zrflash::e2e
