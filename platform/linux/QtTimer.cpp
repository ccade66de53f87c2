// A message-loop timer on Qt: a precise QTimer, so 1 and 2 ms intervals tick at about that rate.
#include "platform/linux/QtTimer.h"

#include <algorithm>

namespace zrflash::platform::linux_port {

QtTimer::QtTimer() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(interval_);
    // Ticks that fall due while a handler runs collapse into one, as the loop delivers them.
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        if (handler_) handler_();
    });
}

// A running timer starts its period afresh (QTimer restarts on a new interval).
void QtTimer::SetInterval(int milliseconds) {
    interval_ = std::max(milliseconds, 1);
    timer_.setInterval(interval_);
    if (timer_.isActive()) timer_.start();
}

void QtTimer::SetEnabled(bool enabled) {
    if (enabled && !timer_.isActive()) {
        timer_.start();
    } else if (!enabled) {
        timer_.stop();
    }
}

}  // namespace zrflash::platform::linux_port
