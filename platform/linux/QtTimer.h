// A message-loop timer on Qt: a precise QTimer, so 1 and 2 ms intervals tick at about that rate.
#pragma once

#include <QTimer>

#include <functional>
#include <memory>

#include "platform/Gui.h"
#include "platform/linux/QtDispatchGate.h"

namespace zrflash::platform::linux_port {

class QtTimer final : public Timer {
public:
    // A tick that falls due while the gate is held is delivered once the gate lets go.
    explicit QtTimer(std::shared_ptr<QtDispatchGate> gate = nullptr);
    void SetInterval(int milliseconds) override;
    int Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return timer_.isActive(); }
    void SetOnTimer(std::function<void()> handler) override { handler_ = std::move(handler); }

private:
    void Tick();

    std::shared_ptr<QtDispatchGate> gate_;
    bool tickHeld_ = false;
    QTimer timer_;
    int interval_ = 1000;
    std::function<void()> handler_;
};

}  // namespace zrflash::platform::linux_port
