// The Win32 GUI: the main window, millisecond timers, posted work, message boxes and the loop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Gui.h"

namespace zrflash::platform::win32 {

class Win32Timer;
class Win32Window;

class Win32Gui final : public Gui {
public:
    explicit Win32Gui(HINSTANCE instance);
    ~Win32Gui() override;
    Win32Gui(const Win32Gui&) = delete;
    Win32Gui& operator=(const Win32Gui&) = delete;

    std::unique_ptr<Window> CreateMainWindow(const WindowDefinition& definition) override;
    std::unique_ptr<Timer> CreateTimer() override;
    void Post(std::function<void()> work) override;
    void ShowMessageBox(std::u16string_view text, std::u16string_view caption, MessageBoxIcon icon) override;
    void RunMessageLoop() override;
    void KeepResponsive() override;

    // True when the main window was asked for and could not be created.
    bool WindowFailed() const { return windowFailed_; }
    // A monotonic clock with sub-millisecond resolution.
    static std::int64_t NowMicroseconds();

    // Called by timers; not for the program.
    void Register(Win32Timer* timer);
    void Unregister(Win32Timer* timer);
    void TimersChanged();

private:
    static LRESULT CALLBACK MessageWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK GuardProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR self);
    // Puts the guard on the main window and its buttons once they exist.
    void GuardMainWindow();
    bool MainWindowOpen() const;
    // Dispatches what is queued now; false once WM_QUIT has been seen.
    bool PumpMessages();
    void RunDueTimers();
    void WaitForWork();
    void RunOnePosted();
    void LosePostedMessage();

    HINSTANCE instance_;
    HWND messageWindow_ = nullptr;
    HANDLE waitableTimer_ = nullptr;
    bool periodRaised_ = false;
    bool nestedLoopTimerOn_ = false;
    bool windowFailed_ = false;
    bool quit_ = false;
    bool keepingResponsive_ = false;
    std::vector<HWND> guarded_;
    Win32Window* mainWindow_ = nullptr;
    std::vector<Win32Timer*> timers_;
    std::mutex postedMutex_;  // Post may be called from a device's reader thread
    std::deque<std::function<void()>> posted_;
    std::size_t postedMessages_ = 0;
};

}  // namespace zrflash::platform::win32
