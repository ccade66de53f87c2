// The headless GUI with the timers a plain Windows SetTimer gives: every tick on the 15.625 ms
// system clock, however short the interval asked for. Only for the benchmark.
#pragma once

#include <memory>

#include "platform/Gui.h"
#include "platform/headless/HeadlessGui.h"
#include "platform/headless/VirtualClock.h"

namespace zrflash::bench {

class CoarseTimerGui final : public platform::Gui {
public:
    explicit CoarseTimerGui(platform::headless::HeadlessGui& inner) : inner_(inner) {}

    std::unique_ptr<platform::Window> CreateMainWindow(const platform::WindowDefinition& definition) override {
        return inner_.CreateMainWindow(definition);
    }
    std::unique_ptr<platform::Timer> CreateTimer() override;
    void Post(std::function<void()> work) override { inner_.Post(std::move(work)); }
    void ShowMessageBox(std::u16string_view text, std::u16string_view caption,
                        platform::MessageBoxIcon icon) override {
        inner_.ShowMessageBox(text, caption, icon);
    }
    void RunMessageLoop() override { inner_.RunMessageLoop(); }
    void KeepResponsive() override { inner_.KeepResponsive(); }

private:
    platform::headless::HeadlessGui& inner_;
};

}  // namespace zrflash::bench
