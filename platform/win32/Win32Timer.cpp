// A message-loop timer of the Win32 port: the loop keeps the due times, to about a millisecond.
#include "platform/win32/Win32Timer.h"

#include <algorithm>

#include "platform/win32/Win32Gui.h"

namespace zrflash::platform::win32 {

Win32Timer::Win32Timer(Win32Gui& gui) : gui_(gui) { gui_.Register(this); }

Win32Timer::~Win32Timer() { gui_.Unregister(this); }

void Win32Timer::SetInterval(int milliseconds) {
    interval_ = std::max(milliseconds, 1);
    dueAt_ = Win32Gui::NowMicroseconds() + std::int64_t{interval_} * 1000;
    gui_.TimersChanged();
}

void Win32Timer::SetEnabled(bool enabled) {
    if (enabled && !enabled_) dueAt_ = Win32Gui::NowMicroseconds() + std::int64_t{interval_} * 1000;
    enabled_ = enabled;
    gui_.TimersChanged();
}

void Win32Timer::Fire(std::int64_t nowMicroseconds) {
    const std::int64_t period = std::int64_t{interval_} * 1000;
    if (dueAt_ <= nowMicroseconds) dueAt_ += ((nowMicroseconds - dueAt_) / period + 1) * period;
    if (handler_) handler_();
}

}  // namespace zrflash::platform::win32
