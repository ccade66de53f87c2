// zrdriver: drives the running program from outside, as a user and an observer, for the Wine suite.
//
//   zrdriver wait-window <count> [timeout-ms]     exactly count main windows become visible
//   zrdriver check-window                         the window as the definition says
//   zrdriver check-tab-order                      Tab cycles through the focusable controls
//   zrdriver window-rect                          "left top width height" of the window on screen
//   zrdriver wait-messagebox <title> <text-name> [timeout-ms]
//                                                 a box with that title and text; presses OK.
//                                                 Exit code 3 when no box came.
//   zrdriver find-messagebox <title> <text-name> [timeout-ms]
//                                                 the same, but leaves the box open and prints its
//                                                 handle. Exit code 3 when no box came.
//   zrdriver press-ok <handle>                    presses OK on that box; it must go away
//   zrdriver click <control>                      a click on a control
//   zrdriver tab-press <control>                  Tab until the control has the focus, then Space
//   zrdriver text <control|caption>               the control's text (or the caption), UTF-8
//   zrdriver lines                                the log's lines, one a line (UTF-8)
//   zrdriver close                                closes every main window as its close button does
//   zrdriver wait-line <text-name> [timeout-ms]   a log line equal to that text appears
//   zrdriver wait-text <control|caption> <text-name> [timeout-ms]
//                                                 the control's text (or the caption) becomes that text
//   zrdriver last-line <text-name> [timeout-ms]   the log ends with that line
//   zrdriver wait-enabled <control> <0|1> [timeout-ms]
//   zrdriver progress                             "position maximum" of the progress bar Pr1
//   zrdriver wait-progress <page> [timeout-ms]    the upload has committed that many pages
//   zrdriver watch-upload [timeout-ms]            Pr1 climbs page by page until the success line
//   zrdriver watch-backup [timeout-ms]            clicks B1; the window stays alive and Pr1 climbs
//                                                 during the backup inside the click
//   zrdriver update-time [timeout-ms]             clicks B1; seconds until the success line
//   zrdriver documents-folder                     the shell's documents folder (CSIDL_PERSONAL)
//   zrdriver hint <control> [timeout-ms]          the mouse rests on the control; its hint shows,
//                                                 as the definition says
//   zrdriver checked <control>                    "1" or "0" for a check box
//   zrdriver wait-checked <control> <0|1> [timeout-ms]
//   zrdriver sim <word>...                        commands to the simulated devices, separated by a
//                                                 lone ";"; prints the reply lines
//   zrdriver sim-expect <command> <reply> [timeout-ms]
//                                                 repeats the command until it answers that reply
//   zrdriver hold <ms>                            does nothing for that long (keeps Wine's services up)
//
// Texts that the program shows are named (see ExpectedTexts.h), not spelled on the command line.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/MainWindowDefinition.h"
#include "tests/e2e/driver/BackupWatch.h"
#include "tests/e2e/driver/ExpectedTexts.h"
#include "tests/e2e/driver/Findings.h"
#include "tests/e2e/driver/HintCheck.h"
#include "tests/e2e/driver/Keyboard.h"
#include "tests/e2e/driver/LogList.h"
#include "tests/e2e/driver/MessageBoxes.h"
#include "tests/e2e/driver/ProgramWindow.h"
#include "tests/e2e/driver/SimControl.h"
#include "tests/e2e/driver/UpdateWatch.h"
#include "tests/e2e/driver/WindowCheck.h"

namespace zrflash::e2e {
namespace {

constexpr int kWaitMs = 20'000;

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

// The words from first on, a lone ";" starting a new command line.
std::string Joined(const std::vector<std::wstring>& arguments, std::size_t first) {
    std::string text;
    for (std::size_t index = first; index < arguments.size(); ++index) {
        if (arguments[index] == L";") {
            text += '\n';
            continue;
        }
        if (!text.empty() && text.back() != '\n') text += ' ';
        text += Utf8(arguments[index]);
    }
    return text;
}

bool EveryLineOk(const std::string& reply) {
    if (reply.empty()) return false;
    for (std::size_t start = 0; start < reply.size();) {
        if (reply.compare(start, 2, "ok") != 0) return false;
        const auto end = reply.find('\n', start);
        start = end == std::string::npos ? reply.size() : end + 1;
    }
    return true;
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

constexpr int kNoMessageBox = 3;

int WaitMessageBox(const std::wstring& title, const std::wstring& textName, int timeoutMs, bool press) {
    const auto text = NamedText(textName);
    if (!text) return Usage();
    HWND box = WaitForMessageBox(title, timeoutMs);
    if (box == nullptr) {
        std::printf("FAIL no message box titled \"%s\"\n", Utf8(title).c_str());
        return kNoMessageBox;
    }
    Findings findings;
    findings.Equal("message box text", Utf8(Wide(*text)), Utf8(MessageBoxText(box)));
    if (press) PressOk(box);
    else std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(box)));
    return findings.ExitCode();
}

int PressOkOn(const std::wstring& handle) {
    HWND box = reinterpret_cast<HWND>(static_cast<UINT_PTR>(_wcstoui64(handle.c_str(), nullptr, 10)));
    if (box == nullptr || !IsWindow(box)) {
        std::printf("FAIL no box %s\n", Utf8(handle).c_str());
        return 1;
    }
    PressOk(box);
    if (WaitFor(kWaitMs, [&] { return !IsWindow(box); })) return 0;
    std::printf("FAIL the box %s is still there\n", Utf8(handle).c_str());
    return 1;
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
    if (command == L"wait-messagebox" && arguments.size() >= 3) {
        return WaitMessageBox(arguments[1], arguments[2], Timeout(arguments, 3), true);
    }
    if (command == L"find-messagebox" && arguments.size() >= 3) {
        return WaitMessageBox(arguments[1], arguments[2], Timeout(arguments, 3), false);
    }
    if (command == L"press-ok" && arguments.size() == 2) return PressOkOn(arguments[1]);
    if (command == L"hold" && arguments.size() == 2) {
        Sleep(static_cast<DWORD>(_wtoi(arguments[1].c_str())));
        return 0;
    }
    if (command == L"sim" && arguments.size() >= 2) {
        const std::string reply = SimCommand(Joined(arguments, 1), 5000);
        std::printf("%s\n", reply.empty() ? "FAIL no reply" : reply.c_str());
        return EveryLineOk(reply) ? 0 : 1;
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
    if (command == L"documents-folder") {
        wchar_t folder[MAX_PATH] = {};
        if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PERSONAL, FALSE)) {
            std::printf("FAIL no documents folder\n");
            return 1;
        }
        std::printf("%s\n", Utf8(folder).c_str());
        return 0;
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
    } else if (command == L"tab-press" && arguments.size() == 2) {
        const std::string name = Utf8(arguments[1]);
        HWND control = ControlWindow(window, app::MainWindowDefinition(), name);
        std::string path;
        for (int presses = 0; presses < 16 && control != nullptr && FocusedWindow(window) != control; ++presses) {
            path += (path.empty() ? "" : " -> ") + ControlName(window, app::MainWindowDefinition(), PressTab(window));
        }
        std::printf("tab: %s\n", path.c_str());
        if (control == nullptr || FocusedWindow(window) != control) findings.Fail("Tab never reached " + name);
        else PressSpace(control);
    } else if (command == L"text" && arguments.size() == 2) {
        const std::string name = Utf8(arguments[1]);
        HWND target = name == "caption" ? window : ControlWindow(window, app::MainWindowDefinition(), name);
        if (target == nullptr) {
            findings.Fail("no control " + name);
        } else {
            std::printf("%s\n", Utf8(TextOf(target)).c_str());
            return 0;
        }
    } else if (command == L"progress") {
        const Progress progress = ProgressOf(window);
        std::printf("%ld %ld\n", progress.position, progress.maximum);
        return 0;
    } else if (command == L"wait-progress" && arguments.size() >= 2) {
        Progress progress;
        if (!WaitForPage(window, _wtol(arguments[1].c_str()), Timeout(arguments, 2), progress)) {
            findings.Fail("the upload did not reach page " + Utf8(arguments[1]) + ": the bar shows " +
                          std::to_string(progress.position) + " of " + std::to_string(progress.maximum));
        } else {
            std::printf("page %ld of %ld\n", progress.position, progress.maximum);
        }
    } else if (command == L"watch-upload") {
        WatchUpload(window, Timeout(arguments, 1), findings);
    } else if (command == L"watch-backup") {
        WatchBackup(window, Timeout(arguments, 1), findings);
    } else if (command == L"update-time") {
        const double seconds = TimeUpdate(window, Timeout(arguments, 1));
        if (seconds < 0) {
            findings.Fail("no success line");
        } else {
            std::printf("%.3f\n", seconds);
            return 0;
        }
    } else if (command == L"lines") {
        for (const auto& line : LogLines(window)) std::printf("%s\n", Utf8(line).c_str());
        return 0;
    } else if (command == L"last-line" && arguments.size() >= 2) {
        const auto text = NamedText(arguments[1]);
        if (!text) return Usage();
        const std::wstring wanted = Wide(*text);
        std::wstring last;
        if (!WaitFor(Timeout(arguments, 2), [&] { return (last = LastLogLine(window)) == wanted; })) {
            findings.Equal("last log line", Utf8(wanted), Utf8(last));
        }
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
    } else if (command == L"wait-checked" && arguments.size() >= 3) {
        const std::string name = Utf8(arguments[1]);
        const bool wanted = arguments[2] == L"1";
        HWND control = ControlWindow(window, app::MainWindowDefinition(), name);
        const auto checked = [&] { return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED; };
        if (control == nullptr) findings.Fail("no control " + name);
        else if (!WaitFor(Timeout(arguments, 3), [&] { return checked() == wanted; })) findings.Equal(name + " checked", wanted, !wanted);
    } else if (command == L"hint" && arguments.size() >= 2) {
        const std::string name = Utf8(arguments[1]);
        const auto& definition = app::MainWindowDefinition();
        const auto entry = std::find_if(definition.controls.begin(), definition.controls.end(),
                                        [&](const auto& control) { return control.name == name; });
        HWND control = ControlWindow(window, definition, name);
        if (control == nullptr || entry == definition.controls.end()) {
            findings.Fail("no control " + name);
        } else {
            const std::wstring shown = HintShownFor(window, control, Timeout(arguments, 2));
            findings.Equal(name + " hint (" + (IsWindowEnabled(control) ? "enabled" : "disabled") + ")",
                           Utf8(Wide(entry->hint)), Utf8(shown));
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
