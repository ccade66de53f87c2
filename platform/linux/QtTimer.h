// A message-loop timer on Qt: a precise QTimer, so 1 and 2 ms intervals tick at about that rate.
#pragma once

#include <QTimer>

#include <functional>

#include "platform/Gui.h"

namespace zrflash::platform::linux_port {

class QtTimer final : public Timer {
public:
    QtTimer();
    void SetInterval(int milliseconds) override;
    int Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return timer_.isActive(); }
    void SetOnTimer(std::function<void()> handler) override { handler_ = std::move(handler); }

private:
    QTimer timer_;
    int interval_ = 1000;
    std::function<void()> handler_;
};

}  // namespace zrflash::platform::linux_port
