// The hint the program shows while the mouse rests on a control, seen from outside the process.
#include "tests/e2e/driver/HintCheck.h"

#include <commctrl.h>

#include "tests/e2e/driver/ProgramWindow.h"

namespace zrflash::e2e {
namespace {

// A mouse move as the hardware reports it: the system routes it to the window under the cursor.
void MoveMouse(POINT point) {
    const long long width = GetSystemMetrics(SM_CXSCREEN);
    const long long height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return;
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Absolute moves are in 65,536ths of the screen.
    input.mi.dx = static_cast<LONG>((point.x * 65536LL + width / 2) / width);
    input.mi.dy = static_cast<LONG>((point.y * 65536LL + height / 2) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

std::wstring VisibleTooltipText(HWND mainWindow) {
    HWND tooltip = nullptr;
    while ((tooltip = FindWindowExW(nullptr, tooltip, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
        if (GetWindow(tooltip, GW_OWNER) != mainWindow || !IsWindowVisible(tooltip)) continue;
        const std::wstring text = TextOf(tooltip);
        if (!text.empty()) return text;
    }
    return {};
}

}  // namespace

std::wstring HintShownFor(HWND mainWindow, HWND control, int timeoutMs) {
    RECT frame{};
    RECT area{};
    if (!GetWindowRect(mainWindow, &frame) || !GetWindowRect(control, &area)) return {};
    // Off the window first, so that the hint of the control the mouse was on before has gone.
    MoveMouse(POINT{frame.right + 40, frame.bottom + 40});
    Sleep(400);
    const POINT centre{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    // The hint comes after the mouse has rested for the tooltip's delay (each move starts it
    // again); a nudge now and then stands in for a hand that is never quite still.
    for (int step = 0;; ++step) {
        if (step % 20 == 0) MoveMouse(POINT{centre.x + step / 20 % 2, centre.y});
        const std::wstring text = VisibleTooltipText(mainWindow);
        if (!text.empty()) return text;
        if (GetTickCount64() >= deadline) return {};
        Sleep(100);
    }
}

}  // namespace zrflash::e2e
