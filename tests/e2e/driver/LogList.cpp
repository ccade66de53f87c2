// The program's event log read from outside the process.
#include "tests/e2e/driver/LogList.h"

#include "app/MainWindowDefinition.h"
#include "tests/e2e/driver/ProgramWindow.h"

namespace zrflash::e2e {
namespace {

HWND LogWindow(HWND mainWindow) { return ControlWindow(mainWindow, app::MainWindowDefinition(), "LB"); }

std::wstring Line(HWND list, int index) {
    const auto length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return {};
    std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line.data()));
    line.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return line;
}

}  // namespace

std::vector<std::wstring> LogLines(HWND mainWindow) {
    HWND list = LogWindow(mainWindow);
    std::vector<std::wstring> lines;
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) lines.push_back(Line(list, index));
    return lines;
}

std::wstring LastLogLine(HWND mainWindow) {
    HWND list = LogWindow(mainWindow);
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    return count > 0 ? Line(list, count - 1) : std::wstring();
}

}  // namespace zrflash::e2e
