// Message boxes of the program, found by title from outside the process.
#include "tests/e2e/driver/MessageBoxes.h"

#include "tests/e2e/driver/ProgramWindow.h"

namespace zrflash::e2e {
namespace {

constexpr wchar_t kDialogClass[] = L"#32770";

BOOL CALLBACK CollectText(HWND child, LPARAM parameter) {
    if (ClassOf(child) == L"Static") {
        const std::wstring text = TextOf(child);
        auto* collected = reinterpret_cast<std::wstring*>(parameter);
        if (!text.empty()) *collected += text;
    }
    return TRUE;
}

}  // namespace

HWND WaitForMessageBox(const std::wstring& title, int timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        HWND box = nullptr;
        while ((box = FindWindowExW(nullptr, box, kDialogClass, nullptr)) != nullptr) {
            if (IsWindowVisible(box) && TextOf(box) == title) return box;
        }
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(20);
    }
}

std::wstring MessageBoxText(HWND box) {
    std::wstring text;
    EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&text));
    return text;
}

void PressOk(HWND box) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

}  // namespace zrflash::e2e
