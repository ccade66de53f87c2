// The headless GUI: a deterministic message loop over virtual time, for tests and scripted runs.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Gui.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/headless/VirtualClock.h"

namespace zrflash::platform::headless {

class HeadlessTimer;

struct ShownMessageBox {
    std::u16string text;
    std::u16string caption;
    MessageBoxIcon icon = MessageBoxIcon::None;
    std::int64_t openedAtMs = 0;
};

class HeadlessGui final : public Gui {
public:
    explicit HeadlessGui(VirtualClock& clock);
    ~HeadlessGui() override;

    std::unique_ptr<Window> CreateMainWindow(const WindowDefinition& definition) override;
    std::unique_ptr<Timer> CreateTimer() override;
    void Post(std::function<void()> work) override;
    void ShowMessageBox(std::u16string_view text, std::u16string_view caption, MessageBoxIcon icon) override;
    // Runs until the main window is closed; fails rather than spin when nothing could ever happen.
    void RunMessageLoop() override;
    // Records when it was called; there is no system to answer and nothing is dispatched.
    void KeepResponsive() override { keptResponsiveAtMs_.push_back(clock_.NowMs()); }

    // Runs the loop for that much virtual time: posted work first, then timers as they fall due.
    void RunFor(std::int64_t milliseconds);
    // Runs until the condition holds (checked after every dispatch) or the time limit passes.
    bool RunUntil(const std::function<bool()>& condition, std::int64_t limitMs);

    // How long a message box stays open before the scripted user presses OK; meanwhile the nested
    // loop dispatches timers and posted work, as a real modal box does.
    void SetMessageBoxDwellMs(std::int64_t milliseconds) { messageBoxDwellMs_ = milliseconds; }
    const std::vector<ShownMessageBox>& MessageBoxes() const { return messageBoxes_; }
    HeadlessWindow* MainWindow() const { return mainWindow_; }
    VirtualClock& Clock() { return clock_; }
    // The virtual times at which blocking work let the system see the window alive.
    const std::vector<std::int64_t>& KeptResponsiveAtMs() const { return keptResponsiveAtMs_; }

    // Called by timers; not for tests.
    void Register(HeadlessTimer* timer);
    void Unregister(HeadlessTimer* timer);

private:
    // Dispatches one event due by the deadline; false when there is none (time is then at the deadline).
    bool DispatchOne(std::int64_t deadlineMs);

    VirtualClock& clock_;
    std::vector<HeadlessTimer*> timers_;
    std::deque<std::function<void()>> posted_;
    std::vector<ShownMessageBox> messageBoxes_;
    std::int64_t messageBoxDwellMs_ = 0;
    std::vector<std::int64_t> keptResponsiveAtMs_;
    HeadlessWindow* mainWindow_ = nullptr;
};

class HeadlessTimer final : public Timer {
public:
    HeadlessTimer(HeadlessGui& gui, VirtualClock& clock);
    ~HeadlessTimer() override;
    void SetInterval(int milliseconds) override;
    int Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return enabled_; }
    void SetOnTimer(std::function<void()> handler) override { handler_ = std::move(handler); }

    std::int64_t DueAtMs() const { return dueAtMs_; }
    int Ticks() const { return ticks_; }
    // Delivers one tick now and schedules the next period after the current time, so ticks that
    // fell due while the loop was busy collapse into this one.
    void Fire();

private:
    HeadlessGui& gui_;
    VirtualClock& clock_;
    int interval_ = 1000;
    bool enabled_ = false;
    std::int64_t dueAtMs_ = 0;
    int ticks_ = 0;
    std::function<void()> handler_;
};

}  // namespace zrflash::platform::headless
