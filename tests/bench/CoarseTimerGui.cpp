// The headless GUI with the timers a plain Windows SetTimer gives: every tick on the 15.625 ms
// system clock, however short the interval asked for. Only for the benchmark.
#include "tests/bench/CoarseTimerGui.h"

namespace zrflash::bench {
namespace {

constexpr std::int64_t kSystemTickMicroseconds = 15625;

// Whenever it is started, the first tick waits for the first system clock tick at or after the
// interval; the upload timer is restarted on every tick, so each of its ticks is paced so.
class CoarseTimer final : public platform::Timer {
public:
    CoarseTimer(std::unique_ptr<platform::Timer> inner, platform::headless::VirtualClock& clock)
        : inner_(std::move(inner)), clock_(clock) {}

    void SetInterval(int milliseconds) override {
        interval_ = milliseconds;
        inner_->SetInterval(DelayToSystemTick());
    }
    int Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override {
        if (enabled && !inner_->Enabled()) inner_->SetInterval(DelayToSystemTick());
        inner_->SetEnabled(enabled);
    }
    bool Enabled() const override { return inner_->Enabled(); }
    void SetOnTimer(std::function<void()> handler) override { inner_->SetOnTimer(std::move(handler)); }

private:
    // Whole milliseconds, rounded up, as the virtual clock counts them.
    int DelayToSystemTick() const {
        const std::int64_t now = clock_.NowMs() * 1000;
        const std::int64_t earliest = now + std::int64_t{interval_} * 1000;
        const std::int64_t tick = (earliest + kSystemTickMicroseconds - 1) / kSystemTickMicroseconds * kSystemTickMicroseconds;
        return static_cast<int>((tick - now + 999) / 1000);
    }

    std::unique_ptr<platform::Timer> inner_;
    platform::headless::VirtualClock& clock_;
    int interval_ = 1000;
};

}  // namespace

std::unique_ptr<platform::Timer> CoarseTimerGui::CreateTimer() {
    return std::make_unique<CoarseTimer>(inner_.CreateTimer(), inner_.Clock());
}

}  // namespace zrflash::bench
