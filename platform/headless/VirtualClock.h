// Virtual time shared by the headless GUI loop and the headless system: nothing waits for real.
#pragma once

#include <cstdint>

namespace zrflash::platform::headless {

class VirtualClock {
public:
    std::int64_t NowMs() const { return nowMs_; }
    void Advance(std::int64_t milliseconds) {
        if (milliseconds > 0) nowMs_ += milliseconds;
    }
    void AdvanceTo(std::int64_t milliseconds) {
        if (milliseconds > nowMs_) nowMs_ = milliseconds;
    }

private:
    std::int64_t nowMs_ = 0;
};

}  // namespace zrflash::platform::headless
