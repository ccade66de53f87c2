// The headless GUI: a deterministic message loop over virtual time, for tests and scripted runs.
#include "platform/headless/HeadlessGui.h"

#include <algorithm>
#include <stdexcept>

namespace zrflash::platform::headless {

HeadlessGui::HeadlessGui(VirtualClock& clock) : clock_(clock) {}
HeadlessGui::~HeadlessGui() = default;

std::unique_ptr<Window> HeadlessGui::CreateMainWindow(const WindowDefinition& definition) {
    auto window = std::make_unique<HeadlessWindow>(definition);
    mainWindow_ = window.get();
    return window;
}

std::unique_ptr<Timer> HeadlessGui::CreateTimer() { return std::make_unique<HeadlessTimer>(*this, clock_); }

void HeadlessGui::Post(std::function<void()> work) { posted_.push_back(std::move(work)); }

void HeadlessGui::ShowMessageBox(std::u16string_view text, std::u16string_view caption, MessageBoxIcon icon) {
    messageBoxes_.push_back({std::u16string(text), std::u16string(caption), icon, clock_.NowMs()});
    RunFor(messageBoxDwellMs_);
}

void HeadlessGui::RunMessageLoop() {
    while (mainWindow_ != nullptr && !mainWindow_->Closed()) {
        const bool anyTimer = std::any_of(timers_.begin(), timers_.end(), [](auto* t) { return t->Enabled(); });
        if (posted_.empty() && !anyTimer) throw std::logic_error("the message loop would wait forever");
        DispatchOne(clock_.NowMs() + 60'000);
    }
}

void HeadlessGui::RunFor(std::int64_t milliseconds) {
    const std::int64_t deadline = clock_.NowMs() + std::max<std::int64_t>(milliseconds, 0);
    while (DispatchOne(deadline)) {
    }
}

bool HeadlessGui::RunUntil(const std::function<bool()>& condition, std::int64_t limitMs) {
    const std::int64_t deadline = clock_.NowMs() + limitMs;
    while (!condition()) {
        if (!DispatchOne(deadline)) return condition();
    }
    return true;
}

bool HeadlessGui::DispatchOne(std::int64_t deadlineMs) {
    if (!posted_.empty()) {
        auto work = std::move(posted_.front());
        posted_.pop_front();
        work();
        return true;
    }
    HeadlessTimer* next = nullptr;
    for (auto* timer : timers_) {
        if (timer->Enabled() && (next == nullptr || timer->DueAtMs() < next->DueAtMs())) next = timer;
    }
    if (next == nullptr || next->DueAtMs() > deadlineMs) {
        clock_.AdvanceTo(deadlineMs);
        return false;
    }
    clock_.AdvanceTo(next->DueAtMs());
    next->Fire();
    return true;
}

void HeadlessGui::Register(HeadlessTimer* timer) { timers_.push_back(timer); }

void HeadlessGui::Unregister(HeadlessTimer* timer) {
    timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
}

HeadlessTimer::HeadlessTimer(HeadlessGui& gui, VirtualClock& clock) : gui_(gui), clock_(clock) {
    gui_.Register(this);
}

HeadlessTimer::~HeadlessTimer() { gui_.Unregister(this); }

void HeadlessTimer::SetInterval(int milliseconds) {
    interval_ = std::max(milliseconds, 1);
    dueAtMs_ = clock_.NowMs() + interval_;
}

void HeadlessTimer::SetEnabled(bool enabled) {
    if (enabled && !enabled_) dueAtMs_ = clock_.NowMs() + interval_;
    enabled_ = enabled;
}

void HeadlessTimer::Fire() {
    const std::int64_t now = clock_.NowMs();
    while (dueAtMs_ <= now) dueAtMs_ += interval_;
    ++ticks_;
    if (handler_) handler_();
}

}  // namespace zrflash::platform::headless
