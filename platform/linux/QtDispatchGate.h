// Holds back the program's timer ticks, posted work, device notifications and the window's close
// while blocking work on the GUI thread keeps the window alive, and hands them to the loop after.
#pragma once

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>

namespace zrflash::platform::linux_port {

class QtDispatchGate {
public:
    QtDispatchGate() = default;
    QtDispatchGate(const QtDispatchGate&) = delete;
    QtDispatchGate& operator=(const QtDispatchGate&) = delete;

    // While a Hold lives, what the loop dispatches for the program is deferred.
    class Hold {
    public:
        explicit Hold(QtDispatchGate& gate);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        QtDispatchGate& gate_;
    };

    bool Holding() const { return holds_ > 0; }
    // Runs the work from the loop once no Hold lives, in the order it was deferred. Work tied to an
    // owner is dropped if the owner has gone by then.
    void Defer(const QObject* owner, std::function<void()> work);

private:
    struct Deferred {
        bool owned;
        QPointer<const QObject> owner;
        std::function<void()> work;
    };

    void Released();
    void Flush();

    int holds_ = 0;
    bool flushPosted_ = false;
    std::deque<Deferred> deferred_;
    QObject context_;  // a posted flush dies with the gate
};

}  // namespace zrflash::platform::linux_port
