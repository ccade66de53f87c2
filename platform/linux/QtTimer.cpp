// A message-loop timer on Qt: a precise QTimer, so 1 and 2 ms intervals tick at about that rate.
#include "platform/linux/QtTimer.h"

#include <algorithm>

namespace zrflash::platform::linux_port {

QtTimer::QtTimer(std::shared_ptr<QtDispatchGate> gate) : gate_(std::move(gate)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(interval_);
    // Ticks that fall due while a handler runs collapse into one, as the loop delivers them.
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Tick(); });
}

void QtTimer::Tick() {
    if (gate_ != nullptr && gate_->Holding()) {
        // However many periods pass while held, one tick is owed.
        if (tickHeld_) return;
        tickHeld_ = true;
        gate_->Defer(&timer_, [this] {
            if (!tickHeld_) return;
            tickHeld_ = false;
            if (timer_.isActive() && handler_) handler_();
        });
        return;
    }
    tickHeld_ = false;
    if (handler_) handler_();
}

// A running timer starts its period afresh (QTimer restarts on a new interval).
void QtTimer::SetInterval(int milliseconds) {
    interval_ = std::max(milliseconds, 1);
    timer_.setInterval(interval_);
    tickHeld_ = false;
    if (timer_.isActive()) timer_.start();
}

void QtTimer::SetEnabled(bool enabled) {
    if (enabled && !timer_.isActive()) {
        timer_.start();
    } else if (!enabled) {
        // A stopped timer owes no tick.
        tickHeld_ = false;
        timer_.stop();
    }
}

}  // namespace zrflash::platform::linux_port
