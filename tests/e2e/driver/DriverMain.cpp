// zrdriver: drives the running program from outside, as a user and an observer, for the Wine suite.
//
//   zrdriver wait-window <count> [timeout-ms]     exactly count main windows become visible
//   zrdriver check-window                         the window as the definition says
//   zrdriver check-tab-order                      Tab cycles through the focusable controls
//   zrdriver window-rect                          "left top width height" of the window on screen
//   zrdriver wait-messagebox <title> <text-name>  a box with that title and text; presses OK
//   zrdriver click <control>                      a click on a control
//   zrdriver lines                                the log's lines, one a line (UTF-8)
//   zrdriver close                                closes every main window as its close button does
//
// Texts that the program shows are named (second-instance), not spelled on the command line,
// so the suite does not depend on the locale's code page.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/AppTexts.h"
#include "app/MainWindowDefinition.h"
#include "tests/e2e/driver/Findings.h"
#include "tests/e2e/driver/MessageBoxes.h"
#include "tests/e2e/driver/ProgramWindow.h"
#include "tests/e2e/driver/WindowCheck.h"

namespace zrflash::e2e {
namespace {

constexpr int kWaitMs = 20'000;

const std::map<std::wstring, std::u16string_view> kNamedTexts = {
    {L"second-instance", app::texts::kSecondInstance},
};

int Usage() {
    std::fprintf(stderr, "usage: zrdriver <command> [arguments]; see DriverMain.cpp\n");
    return 2;
}

HWND RequireWindow() {
    HWND window = WaitForMainWindows(1, kWaitMs);
    if (window == nullptr) std::printf("FAIL no single main window within %d ms\n", kWaitMs);
    return window;
}

int WaitMessageBox(const std::wstring& title, const std::wstring& textName) {
    auto text = kNamedTexts.find(textName);
    if (text == kNamedTexts.end()) return Usage();
    HWND box = WaitForMessageBox(title, kWaitMs);
    if (box == nullptr) {
        std::printf("FAIL no message box titled \"%s\"\n", Utf8(title).c_str());
        return 1;
    }
    Findings findings;
    findings.Equal("message box text", Utf8(Wide(text->second)), Utf8(MessageBoxText(box)));
    PressOk(box);
    return findings.ExitCode();
}

int Run(const std::vector<std::wstring>& arguments) {
    if (arguments.empty()) return Usage();
    const std::wstring& command = arguments[0];
    if (command == L"wait-window" && arguments.size() >= 2) {
        const int timeout = arguments.size() >= 3 ? _wtoi(arguments[2].c_str()) : kWaitMs;
        const auto count = static_cast<std::size_t>(_wtoi(arguments[1].c_str()));
        if (WaitForMainWindows(count, timeout) != nullptr) return 0;
        std::printf("FAIL %zu main windows expected, %zu visible\n", count, MainWindows().size());
        return 1;
    }
    if (command == L"wait-messagebox" && arguments.size() == 3) return WaitMessageBox(arguments[1], arguments[2]);
    if (command == L"close") {
        for (HWND window : MainWindows()) PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    HWND window = RequireWindow();
    if (window == nullptr) return 1;
    Findings findings;
    if (command == L"check-window") {
        CheckWindow(window, findings);
    } else if (command == L"check-tab-order") {
        CheckTabOrder(window, findings);
    } else if (command == L"window-rect") {
        RECT rect{};
        GetWindowRect(window, &rect);
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    } else if (command == L"click" && arguments.size() == 2) {
        const std::string name = Utf8(arguments[1]);
        HWND control = ControlWindow(window, app::MainWindowDefinition(), name);
        if (control == nullptr) findings.Fail("no control " + name);
        else PostMessageW(control, BM_CLICK, 0, 0);
    } else if (command == L"lines") {
        HWND list = ControlWindow(window, app::MainWindowDefinition(), "LB");
        const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        for (int index = 0; index < count; ++index) {
            const auto length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
            std::wstring line(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
            const auto copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line.data()));
            line.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
            std::printf("%s\n", Utf8(line).c_str());
        }
    } else {
        return Usage();
    }
    if (findings.ExitCode() == 0) std::printf("ok\n");
    return findings.ExitCode();
}

}  // namespace
}  // namespace zrflash::e2e

int wmain(int count, wchar_t** values) {
    std::vector<std::wstring> arguments(values + 1, values + count);
    return zrflash::e2e::Run(arguments);
}
