// A message-loop timer of the Win32 port: the loop keeps the due times, to about a millisecond.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/Gui.h"

namespace zrflash::platform::win32 {

class Win32Gui;

class Win32Timer final : public Timer {
public:
    explicit Win32Timer(Win32Gui& gui);
    ~Win32Timer() override;
    Win32Timer(const Win32Timer&) = delete;
    Win32Timer& operator=(const Win32Timer&) = delete;

    void SetInterval(int milliseconds) override;
    int Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return enabled_; }
    void SetOnTimer(std::function<void()> handler) override { handler_ = std::move(handler); }

    std::int64_t DueAtMicroseconds() const { return dueAt_; }
    // Delivers one tick and schedules the next period after nowMicroseconds, so ticks that fell
    // due while the loop was busy collapse into this one.
    void Fire(std::int64_t nowMicroseconds);

private:
    Win32Gui& gui_;
    int interval_ = 1000;
    bool enabled_ = false;
    std::int64_t dueAt_ = 0;
    std::function<void()> handler_;
};

}  // namespace zrflash::platform::win32
