// Holds back the program's timer ticks, posted work, device notifications and the window's close
// while blocking work on the GUI thread keeps the window alive, and hands them to the loop after.
#include "platform/linux/QtDispatchGate.h"

namespace zrflash::platform::linux_port {

QtDispatchGate::Hold::Hold(QtDispatchGate& gate) : gate_(gate) { ++gate_.holds_; }

QtDispatchGate::Hold::~Hold() {
    --gate_.holds_;
    gate_.Released();
}

void QtDispatchGate::Defer(const QObject* owner, std::function<void()> work) {
    deferred_.push_back({owner != nullptr, QPointer<const QObject>(owner), std::move(work)});
}

// The flush is a posted event, so it runs only once the handler that held the gate has returned
// to a loop; a flush that a later hold dispatches finds the gate held and waits for that hold.
void QtDispatchGate::Released() {
    if (Holding() || deferred_.empty() || flushPosted_) return;
    flushPosted_ = true;
    QMetaObject::invokeMethod(&context_, [this] { Flush(); }, Qt::QueuedConnection);
}

void QtDispatchGate::Flush() {
    flushPosted_ = false;
    // One item at a time: an item may itself hold the gate, defer more, or open a nested loop.
    while (!Holding() && !deferred_.empty()) {
        Deferred next = std::move(deferred_.front());
        deferred_.pop_front();
        if (next.owned && next.owner.isNull()) continue;
        next.work();
    }
}

}  // namespace zrflash::platform::linux_port
