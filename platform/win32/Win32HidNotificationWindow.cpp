// The hidden top-level window that receives the system's device-change broadcast.
#include "platform/win32/Win32HidNotificationWindow.h"

#include <dbt.h>

#include <exception>
#include <string>

namespace zrflash::platform::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"zrflash.HidNotification";

std::wstring WideFromNarrow(const char* text) {
    std::wstring result;
    for (; *text != 0; ++text) result.push_back(static_cast<unsigned char>(*text));
    return result;
}

}  // namespace

Win32HidNotificationWindow::Win32HidNotificationWindow(hid::DeviceChangeCallback callback)
    : callback_(std::move(callback)) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &Win32HidNotificationWindow::Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                              nullptr);
    if (window_ != nullptr) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32HidNotificationWindow::~Win32HidNotificationWindow() {
    if (window_ == nullptr) return;
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

bool Win32HidNotificationWindow::PostFirstNotification() {
    return window_ != nullptr && PostMessageW(window_, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, static_cast<LPARAM>(-1));
}

LRESULT CALLBACK Win32HidNotificationWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32HidNotificationWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_DEVICECHANGE && wParam == DBT_DEVNODES_CHANGED) self->Deliver(wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

// An error must not unwind through the system's dispatch frames. One that no handler took (a
// device that could not be created) is shown the way the message loop shows any error that
// reaches it, and the loop goes on.
void Win32HidNotificationWindow::Deliver(WPARAM wParam, LPARAM lParam) {
    try {
        callback_(static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam));
    } catch (const std::exception& error) {
        const std::wstring text = WideFromNarrow(error.what());
        MessageBoxW(nullptr, text.c_str(), L"", MB_OK | MB_ICONERROR);
    }
}

}  // namespace zrflash::platform::win32
