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
//   zrdriver wait-line <text-name> [timeout-ms]   a log line equal to that text appears
//   zrdriver wait-text <control|caption> <text-name> [timeout-ms]
//                                                 the control's text (or the caption) becomes that text
//   zrdriver wait-enabled <control> <0|1> [timeout-ms]
//   zrdriver checked <control>                    "1" or "0" for a check box
//   zrdriver sim <word>...                        one command to the simulated devices; prints the reply
//   zrdriver sim-expect <command> <reply> [timeout-ms]
//                                                 repeats the command until it answers that reply
//   zrdriver hold <ms>                            does nothing for that long (keeps Wine's services up)
//
// Text names: second-instance, prompt, connected<model>, disconnected<model>, caption<model>,
// current-version:<version>.
//
// Texts that the program shows are named (second-instance), not spelled on the command line,
// so the suite does not depend on the locale's code page.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/AppTexts.h"
#include "app/MainWindowDefinition.h"
#include "instrument/InstrumentTexts.h"
#include "tests/e2e/driver/Findings.h"
#include "tests/e2e/driver/MessageBoxes.h"
#include "tests/e2e/driver/ProgramWindow.h"
#include "tests/e2e/driver/SimControl.h"
#include "tests/e2e/driver/WindowCheck.h"

namespace zrflash::e2e {
namespace {

constexpr int kWaitMs = 20'000;

const std::map<std::wstring, std::u16string_view> kNamedTexts = {
    {L"second-instance", app::texts::kSecondInstance},
};

std::optional<std::u16string> NamedText(const std::wstring& name) {
    namespace texts = instrument::texts;
    if (auto fixed = kNamedTexts.find(name); fixed != kNamedTexts.end()) return std::u16string(fixed->second);
    if (name == L"prompt") return std::u16string(texts::kConnectPrompt);
    const auto suffix = [&](std::wstring_view prefix) -> std::optional<std::u16string> {
        if (name.rfind(prefix, 0) != 0) return std::nullopt;
        return std::u16string(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end());
    };
    if (auto model = suffix(L"disconnected")) return std::u16string(texts::kInstrument) + *model + std::u16string(texts::kDisconnected);
    if (auto model = suffix(L"connected")) return std::u16string(texts::kInstrument) + *model + std::u16string(texts::kConnected);
    if (auto model = suffix(L"caption")) {
        return std::u16string(*model == u"14" ? texts::kModel14Caption : texts::kModel12Caption) + *model;
    }
    if (auto version = suffix(L"current-version:")) return std::u16string(texts::kCurrentVersion) + *version;
    return std::nullopt;
}

std::vector<std::wstring> LogLines(HWND window) {
    std::vector<std::wstring> lines;
    HWND list = ControlWindow(window, app::MainWindowDefinition(), "LB");
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        const auto length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        std::wstring line(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        const auto copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
        lines.push_back(line);
    }
    return lines;
}

// Polls until the check holds; false on time-out.
template <class Check>
bool WaitFor(int timeoutMs, Check check) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        if (check()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
}

int Timeout(const std::vector<std::wstring>& arguments, std::size_t index) {
    return arguments.size() > index ? _wtoi(arguments[index].c_str()) : kWaitMs;
}

std::string Joined(const std::vector<std::wstring>& arguments, std::size_t first) {
    std::string text;
    for (std::size_t index = first; index < arguments.size(); ++index) {
        if (!text.empty()) text += ' ';
        text += Utf8(arguments[index]);
    }
    return text;
}

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
    if (command == L"hold" && arguments.size() == 2) {
        Sleep(static_cast<DWORD>(_wtoi(arguments[1].c_str())));
        return 0;
    }
    if (command == L"sim" && arguments.size() >= 2) {
        const std::string reply = SimCommand(Joined(arguments, 1), 5000);
        std::printf("%s\n", reply.empty() ? "FAIL no reply" : reply.c_str());
        return reply.rfind("ok", 0) == 0 ? 0 : 1;
    }
    if (command == L"sim-expect" && arguments.size() >= 3) {
        const std::string expected = Utf8(arguments[2]);
        std::string reply;
        if (WaitFor(Timeout(arguments, 3), [&] { return (reply = SimCommand(Utf8(arguments[1]), 5000)) == expected; })) {
            std::printf("ok %s\n", reply.c_str());
            return 0;
        }
        std::printf("FAIL %s: expected \"%s\", got \"%s\"\n", Utf8(arguments[1]).c_str(), expected.c_str(), reply.c_str());
        return 1;
    }
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
        for (const auto& line : LogLines(window)) std::printf("%s\n", Utf8(line).c_str());
        return 0;
    } else if (command == L"wait-line" && arguments.size() >= 2) {
        const auto text = NamedText(arguments[1]);
        if (!text) return Usage();
        const std::wstring wanted = Wide(*text);
        const bool seen = WaitFor(Timeout(arguments, 2), [&] {
            const auto lines = LogLines(window);
            return std::find(lines.begin(), lines.end(), wanted) != lines.end();
        });
        if (!seen) findings.Fail("no log line \"" + Utf8(wanted) + "\"");
    } else if (command == L"wait-text" && arguments.size() >= 3) {
        const auto text = NamedText(arguments[2]);
        if (!text) return Usage();
        const std::wstring wanted = Wide(*text);
        const std::string name = Utf8(arguments[1]);
        HWND target = name == "caption" ? window : ControlWindow(window, app::MainWindowDefinition(), name);
        std::wstring seen;
        if (target == nullptr) findings.Fail("no control " + name);
        else if (!WaitFor(Timeout(arguments, 3), [&] { return (seen = TextOf(target)) == wanted; })) {
            findings.Equal(name + " text", Utf8(wanted), Utf8(seen));
        }
    } else if (command == L"wait-enabled" && arguments.size() >= 3) {
        const std::string name = Utf8(arguments[1]);
        const bool wanted = arguments[2] == L"1";
        HWND control = ControlWindow(window, app::MainWindowDefinition(), name);
        if (control == nullptr) findings.Fail("no control " + name);
        else if (!WaitFor(Timeout(arguments, 3), [&] { return (IsWindowEnabled(control) != FALSE) == wanted; })) {
            findings.Equal(name + " enabled", wanted, !wanted);
        }
    } else if (command == L"checked" && arguments.size() == 2) {
        HWND control = ControlWindow(window, app::MainWindowDefinition(), Utf8(arguments[1]));
        if (control == nullptr) {
            findings.Fail("no control " + Utf8(arguments[1]));
        } else {
            std::printf("%d\n", SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
            return 0;
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
