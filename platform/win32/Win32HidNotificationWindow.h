// The hidden top-level window that receives the system's device-change broadcast.
#pragma once

#include <windows.h>

#include "hid/HidSystem.h"

namespace zrflash::platform::win32 {

// A zero-size, invisible tool window without parent. It must be top-level: the system
// broadcasts WM_DEVICECHANGE to top-level windows only, so a message-only window would hear
// nothing. DBT_DEVNODES_CHANGED goes to the callback; every message then goes to DefWindowProcW.
class Win32HidNotificationWindow {
public:
    explicit Win32HidNotificationWindow(hid::DeviceChangeCallback callback);
    ~Win32HidNotificationWindow();
    Win32HidNotificationWindow(const Win32HidNotificationWindow&) = delete;
    Win32HidNotificationWindow& operator=(const Win32HidNotificationWindow&) = delete;

    bool Created() const { return window_ != nullptr; }
    // Posts WM_DEVICECHANGE (DBT_DEVNODES_CHANGED, -1): the first pass reports a change even
    // when no device is present.
    bool PostFirstNotification();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Deliver(WPARAM wParam, LPARAM lParam);

    hid::DeviceChangeCallback callback_;
    HWND window_ = nullptr;
};

}  // namespace zrflash::platform::win32
