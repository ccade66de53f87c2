// Finds the program's windows from outside the process and reads their controls.
#include "tests/e2e/driver/ProgramWindow.h"

#include "platform/win32/Win32Names.h"

namespace zrflash::e2e {

std::vector<HWND> MainWindows() {
    std::vector<HWND> windows;
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, platform::win32::kMainWindowClass, nullptr)) != nullptr) {
        if (IsWindowVisible(window)) windows.push_back(window);
    }
    return windows;
}

HWND WaitForMainWindows(std::size_t count, int timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        const auto windows = MainWindows();
        if (windows.size() == count) return count == 0 ? GetDesktopWindow() : windows.front();
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(10);
    }
}

namespace {

struct Search {
    int id;
    HWND found;
};

BOOL CALLBACK MatchId(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    if (GetDlgCtrlID(window) != search->id) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND ControlWindow(HWND mainWindow, const platform::WindowDefinition& definition, const std::string& name) {
    for (std::size_t index = 0; index < definition.controls.size(); ++index) {
        if (definition.controls[index].name != name) continue;
        Search search{platform::win32::ControlId(index), nullptr};
        EnumChildWindows(mainWindow, MatchId, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    return nullptr;
}

std::string ControlName(HWND mainWindow, const platform::WindowDefinition& definition, HWND control) {
    if (control == nullptr) return "(none)";
    if (control == mainWindow) return "(window)";
    const int index = GetDlgCtrlID(control) - platform::win32::kFirstControlId;
    if (index < 0 || static_cast<std::size_t>(index) >= definition.controls.size()) return "(unknown)";
    return definition.controls[static_cast<std::size_t>(index)].name;
}

std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return L"";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             2000, &copied)) {
        return L"";
    }
    text.resize(copied);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    const int length = GetClassNameW(window, name, 64);
    return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

RECT RectIn(HWND mainWindow, HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, mainWindow, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HWND FocusedWindow(HWND mainWindow) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(mainWindow, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

std::string Utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
    std::string result(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring Wide(std::u16string_view text) {
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

}  // namespace zrflash::e2e
