// The Win32 GUI: the main window, millisecond timers, posted work, message boxes and the loop.
//
// Timers: the loop keeps every timer's due time itself and sleeps in MsgWaitForMultipleObjectsEx
// on a high-resolution waitable timer armed for the earliest one, so a 2 ms timer ticks every
// 2 ms instead of at the 10-16 ms floor of SetTimer. Loops that are not ours (a modal message box,
// moving the window, the system menu) never look at the waitable timer; for them a plain SetTimer
// on the message window runs the due timers from WM_TIMER at the platform's own minimum period
// (about 10 ms) while any timer is enabled. The timers thus keep ticking inside a message box,
// which the program relies on, only coarser. A message-filter hook would not help: it sees the
// modal loop's messages but cannot wake it.
//
// KeepResponsive: the system calls a window hung when its thread has not looked at its queue for
// 5 s, ghosts it and stops showing its progress. A long blocking handler therefore peeks for paint
// messages only. Any peek also delivers what other threads and processes SEND (the system's
// probes, a reader of the progress bar), and among those may be clicks and a close: a guard on the
// main window and its buttons drops clicks and input while the handler runs and hands a close to
// the loop, so no program handler starts inside another.
#include "platform/win32/Win32Gui.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/Win32Names.h"
#include "platform/win32/Win32SystemFiles.h"
#include "platform/win32/Win32Timer.h"
#include "platform/win32/Win32Window.h"
#include "platform/win32/WideText.h"

namespace zrflash::platform::win32 {
namespace {

constexpr UINT kPostedWorkMessage = WM_APP + 1;
constexpr UINT_PTR kNestedLoopTimerId = 1;
constexpr UINT_PTR kGuardSubclassId = 0x7A72;
// Missing from older headers; Windows 10 1803 and later know it, Wine and older Windows refuse it.
constexpr DWORD kHighResolutionTimerFlag = 0x00000002;
// How many queued messages one turn of the loop handles before it looks at the timers again.
constexpr int kMessagesPerTurn = 64;

// What reaches a guarded window while a handler keeps the window responsive, and must not run.
bool Withheld(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) return lParam != 0 && (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == BN_DOUBLECLICKED);
    return message == BM_CLICK || message == WM_SYSCOMMAND || message == WM_CLOSE ||
           (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

}  // namespace

Win32Gui::Win32Gui(HINSTANCE instance) : instance_(instance) {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW messageClass{};
    messageClass.cbSize = sizeof(messageClass);
    messageClass.lpfnWndProc = &Win32Gui::MessageWindowProcedure;
    messageClass.hInstance = instance_;
    messageClass.lpszClassName = kMessageWindowClass;
    if (RegisterClassExW(&messageClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
        messageWindow_ = CreateWindowExW(0, kMessageWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         instance_, nullptr);
        if (messageWindow_ != nullptr) SetWindowLongPtrW(messageWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    waitableTimer_ = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimerFlag, TIMER_ALL_ACCESS);
    if (waitableTimer_ == nullptr) waitableTimer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    // Where the high-resolution flag is refused the plain timer follows the system tick; one
    // millisecond makes it fine enough, and the program's short pauses (Sleep) with it.
    periodRaised_ = RaiseTimerResolution();
}

Win32Gui::~Win32Gui() {
    for (HWND window : guarded_) {
        if (IsWindow(window)) RemoveWindowSubclass(window, &Win32Gui::GuardProcedure, kGuardSubclassId);
    }
    if (messageWindow_ != nullptr) {
        KillTimer(messageWindow_, kNestedLoopTimerId);
        SetWindowLongPtrW(messageWindow_, GWLP_USERDATA, 0);
        DestroyWindow(messageWindow_);
    }
    if (waitableTimer_ != nullptr) CloseHandle(waitableTimer_);
    if (periodRaised_) LowerTimerResolution();
}

std::int64_t Win32Gui::NowMicroseconds() {
    static const std::int64_t frequency = [] {
        LARGE_INTEGER value{};
        return QueryPerformanceFrequency(&value) && value.QuadPart > 0 ? value.QuadPart : 1;
    }();
    LARGE_INTEGER counter{};
    if (!QueryPerformanceCounter(&counter)) return static_cast<std::int64_t>(GetTickCount64()) * 1000;
    return counter.QuadPart / frequency * 1'000'000 + counter.QuadPart % frequency * 1'000'000 / frequency;
}

std::unique_ptr<Window> Win32Gui::CreateMainWindow(const WindowDefinition& definition) {
    auto window = std::make_unique<Win32Window>(definition, instance_, [this] { mainWindow_ = nullptr; });
    windowFailed_ = !window->Created();
    mainWindow_ = window.get();
    GuardMainWindow();
    return window;
}

// The frame takes the buttons' click notifications and the close; the buttons themselves take a
// sent BM_CLICK, which would otherwise tick a check box before its notification is dropped.
void Win32Gui::GuardMainWindow() {
    if (mainWindow_ == nullptr || mainWindow_->Handle() == nullptr) return;
    std::vector<HWND> windows{mainWindow_->Handle()};
    EnumChildWindows(mainWindow_->Handle(), &CollectChild, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        if (std::find(guarded_.begin(), guarded_.end(), window) != guarded_.end()) continue;
        if (SetWindowSubclass(window, &Win32Gui::GuardProcedure, kGuardSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
            guarded_.push_back(window);
        }
    }
}

LRESULT CALLBACK Win32Gui::GuardProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR data) {
    auto* self = reinterpret_cast<Win32Gui*>(data);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &Win32Gui::GuardProcedure, id);
        self->guarded_.erase(std::remove(self->guarded_.begin(), self->guarded_.end(), window), self->guarded_.end());
    } else if (self->keepingResponsive_ && Withheld(message, wParam, lParam)) {
        // Clicks and input are dropped; a close is only put off. Should the repost fail the close
        // goes through now rather than be lost.
        if (message != WM_CLOSE || PostMessageW(window, WM_CLOSE, wParam, lParam)) return 0;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void Win32Gui::KeepResponsive() {
    if (keepingResponsive_ || quit_) return;
    keepingResponsive_ = true;
    MSG message{};
    for (int handled = 0; handled < kMessagesPerTurn && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT);
         ++handled) {
        if (message.message == WM_QUIT) {
            // Left for the loop, which ends on it.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        DispatchMessageW(&message);
    }
    // The peek hands out one window's paint at a time; what is still invalid is painted now.
    if (MainWindowOpen()) RedrawWindow(mainWindow_->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    keepingResponsive_ = false;
}

std::unique_ptr<Timer> Win32Gui::CreateTimer() { return std::make_unique<Win32Timer>(*this); }

// One private message per work item, handled by the message window: any loop dispatches it, the
// message boxes' included.
void Win32Gui::Post(std::function<void()> work) {
    std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(work));
    if (messageWindow_ != nullptr && PostMessageW(messageWindow_, kPostedWorkMessage, 0, 0)) ++postedMessages_;
}

void Win32Gui::RunOnePosted() {
    std::function<void()> work;
    {
        std::lock_guard lock(postedMutex_);
        if (postedMessages_ > 0) --postedMessages_;
        if (posted_.empty()) return;
        work = std::move(posted_.front());
        posted_.pop_front();
        // A message lost to a full queue is made up for here, so no work stays behind.
        if (posted_.size() > postedMessages_ && PostMessageW(messageWindow_, kPostedWorkMessage, 0, 0)) {
            ++postedMessages_;
        }
    }
    work();
}

// The next work item's turn makes up for a message that could not be posted again.
void Win32Gui::LosePostedMessage() {
    std::lock_guard lock(postedMutex_);
    if (postedMessages_ > 0) --postedMessages_;
}

void Win32Gui::ShowMessageBox(std::u16string_view text, std::u16string_view caption, MessageBoxIcon icon) {
    const std::wstring wideText = Wide(text);
    const std::wstring wideCaption = Wide(caption);
    const UINT style = MB_OK | (icon == MessageBoxIcon::Error ? MB_ICONERROR : 0);
    // A handler that resumes after its box was ended by the window's close shows no further box.
    if (mainWindow_ != nullptr && mainWindow_->Closed()) return;
    MessageBoxW(nullptr, wideText.c_str(), wideCaption.c_str(), style);
}

bool Win32Gui::MainWindowOpen() const { return mainWindow_ != nullptr && mainWindow_->Created() && !mainWindow_->Closed(); }

void Win32Gui::RunMessageLoop() {
    while (!quit_ && MainWindowOpen()) {
        if (!PumpMessages() || !MainWindowOpen()) break;
        RunDueTimers();
        if (!MainWindowOpen()) break;
        WaitForWork();
    }
}

bool Win32Gui::PumpMessages() {
    MSG message{};
    for (int handled = 0; handled < kMessagesPerTurn && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++handled) {
        if (message.message == WM_QUIT) {
            quit_ = true;
            return false;
        }
        if (mainWindow_ == nullptr || !mainWindow_->TranslateDialogMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!MainWindowOpen()) break;
    }
    return true;
}

// Each timer that is due gets at most one tick per call, earliest first, so that a timer whose
// handler outlasts its period cannot shut out the window's messages.
void Win32Gui::RunDueTimers() {
    std::vector<Win32Timer*> due;
    const std::int64_t now = NowMicroseconds();
    for (auto* timer : timers_) {
        if (timer->Enabled() && timer->DueAtMicroseconds() <= now) due.push_back(timer);
    }
    std::stable_sort(due.begin(), due.end(),
                     [](auto* a, auto* b) { return a->DueAtMicroseconds() < b->DueAtMicroseconds(); });
    for (auto* timer : due) {
        // A handler may have stopped, restarted or destroyed a timer that was due.
        if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) continue;
        const std::int64_t current = NowMicroseconds();
        if (!timer->Enabled() || timer->DueAtMicroseconds() > current) continue;
        timer->Fire(current);
    }
}

void Win32Gui::WaitForWork() {
    const Win32Timer* next = nullptr;
    for (auto* timer : timers_) {
        if (timer->Enabled() && (next == nullptr || timer->DueAtMicroseconds() < next->DueAtMicroseconds())) next = timer;
    }
    DWORD timeout = INFINITE;
    DWORD handles = 0;
    if (next != nullptr) {
        const std::int64_t delay = next->DueAtMicroseconds() - NowMicroseconds();
        if (delay <= 0) return;
        // The time-out is only the backstop should the waitable timer fail.
        timeout = static_cast<DWORD>(delay / 1000 + 2);
        if (waitableTimer_ != nullptr) {
            LARGE_INTEGER dueTime{};
            dueTime.QuadPart = -delay * 10;  // relative, in 100 ns units
            if (SetWaitableTimer(waitableTimer_, &dueTime, 0, nullptr, nullptr, FALSE)) handles = 1;
        }
    }
    const DWORD result = MsgWaitForMultipleObjectsEx(handles, handles != 0 ? &waitableTimer_ : nullptr, timeout,
                                                     QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (result == WAIT_FAILED) ::Sleep(1);
}

void Win32Gui::Register(Win32Timer* timer) { timers_.push_back(timer); }

void Win32Gui::Unregister(Win32Timer* timer) {
    timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
    TimersChanged();
}

void Win32Gui::TimersChanged() {
    if (messageWindow_ == nullptr) return;
    const bool anyEnabled = std::any_of(timers_.begin(), timers_.end(), [](auto* timer) { return timer->Enabled(); });
    if (anyEnabled && !nestedLoopTimerOn_) {
        nestedLoopTimerOn_ = SetTimer(messageWindow_, kNestedLoopTimerId, USER_TIMER_MINIMUM, nullptr) != 0;
    } else if (!anyEnabled && nestedLoopTimerOn_) {
        KillTimer(messageWindow_, kNestedLoopTimerId);
        nestedLoopTimerOn_ = false;
    }
}

LRESULT CALLBACK Win32Gui::MessageWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32Gui*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
        // After the main window's close nothing of the program runs any more, neither from a
        // message box's loop that is still ending on the close's WM_QUIT.
        const bool closed = self->mainWindow_ != nullptr && self->mainWindow_->Closed();
        if (closed && (message == kPostedWorkMessage || (message == WM_TIMER && wParam == kNestedLoopTimerId))) return 0;
        if (message == kPostedWorkMessage) {
            // Work that a handler's KeepResponsive came across waits for the loop.
            if (!self->keepingResponsive_) self->RunOnePosted();
            else if (!PostMessageW(window, kPostedWorkMessage, 0, 0)) self->LosePostedMessage();
            return 0;
        }
        if (message == WM_TIMER && wParam == kNestedLoopTimerId) {
            if (!self->keepingResponsive_) self->RunDueTimers();
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace zrflash::platform::win32
