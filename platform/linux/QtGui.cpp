// The GUI on Qt 6 widgets: the main window, precise timers, posted work, modal message boxes,
// the message loop, keeping the window alive in long handlers, and descriptor watches for the HID
// port's hot-plug monitor.
//
// KeepResponsive: GNOME offers to kill a window that leaves the window manager's ping unanswered
// for a few seconds. processEvents answers it, but it would also run timers and posted events,
// which Qt cannot exclude by flag, and excluding socket notifiers would starve the xcb connection
// too; the program's timers, posted work, descriptor watches and the window's close therefore
// check a gate and, while it is held, leave what they would run for the loop.
#include "platform/linux/QtGui.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include "platform/linux/QtText.h"
#include "platform/linux/QtTimer.h"
#include "platform/linux/QtWindow.h"

namespace zrflash::platform::linux_port {
namespace {

class QtDescriptorWatch final : public DescriptorWatch {
public:
    QtDescriptorWatch(int descriptor, std::function<void()> onReadable, std::shared_ptr<QtDispatchGate> gate)
        : gate_(std::move(gate)), notifier_(descriptor, QSocketNotifier::Read), onReadable_(std::move(onReadable)) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, &notifier_, [this] { Readable(); });
    }

private:
    // The descriptor stays readable until it is read, so a held notification only pauses the
    // notifier; once it is on again the loop reports the descriptor afresh.
    void Readable() {
        if (gate_->Holding()) {
            notifier_.setEnabled(false);
            gate_->Defer(&notifier_, [this] { notifier_.setEnabled(true); });
            return;
        }
        if (onReadable_) onReadable_();
    }

    std::shared_ptr<QtDispatchGate> gate_;
    QSocketNotifier notifier_;
    std::function<void()> onReadable_;
};

}  // namespace

QtGui::QtGui() : gate_(std::make_shared<QtDispatchGate>()), context_(std::make_unique<QObject>()) {
    // The loop ends when the main window closes, not when Qt thinks the last window went.
    QApplication::setQuitOnLastWindowClosed(false);
}

QtGui::~QtGui() = default;

std::unique_ptr<Window> QtGui::CreateMainWindow(const WindowDefinition& definition) {
    auto window = std::make_unique<QtWindow>(definition, [this] { MainWindowClosed(); }, gate_);
    mainWindow_ = window.get();
    return window;
}

std::unique_ptr<Timer> QtGui::CreateTimer() { return std::make_unique<QtTimer>(gate_); }

void QtGui::Post(std::function<void()> work) {
    // The gate is looked at on the GUI thread, when the work comes up.
    QtDispatchGate* gate = gate_.get();
    QMetaObject::invokeMethod(
        context_.get(),
        [gate, work = std::move(work)]() mutable {
            if (gate->Holding()) {
                gate->Defer(nullptr, std::move(work));
            } else {
                work();
            }
        },
        Qt::QueuedConnection);
}

void QtGui::ShowMessageBox(std::u16string_view text, std::u16string_view caption, MessageBoxIcon icon) {
    QMessageBox box(icon == MessageBoxIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon, ToQString(caption),
                    ToQString(text), QMessageBox::Ok);
    box.exec();
}

void QtGui::RunMessageLoop() {
    if (mainWindow_ == nullptr || mainWindow_->Closed()) return;
    looping_ = true;
    QApplication::exec();
    looping_ = false;
}

void QtGui::KeepResponsive() {
    if (gate_->Holding()) return;
    QtDispatchGate::Hold hold(*gate_);
    // Not ExcludeSocketNotifiers: on xcb it also leaves the window manager's messages unread, the
    // ping among them. The hot-plug monitor's notifier is held back by the gate instead.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // A widget's update is a request that the loop may not have come to yet: paint now.
    if (mainWindow_ != nullptr && !mainWindow_->Closed() && mainWindow_->Widget()->isVisible()) {
        mainWindow_->Widget()->repaint();
    }
}

void QtGui::MainWindowClosed() {
    // Like the quit message on Windows, this also ends a message box's loop that is running.
    if (looping_) QCoreApplication::exit(0);
}

std::unique_ptr<DescriptorWatch> QtGui::WatchDescriptor(int descriptor, std::function<void()> onReadable) {
    return std::make_unique<QtDescriptorWatch>(descriptor, std::move(onReadable), gate_);
}

void EnsureQtApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 1;
    static char name[] = "zrflash";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);  // deliberately never destroyed: Qt must outlive every static
}

}  // namespace zrflash::platform::linux_port
