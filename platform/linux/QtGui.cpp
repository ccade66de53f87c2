// The GUI on Qt 6 widgets: the main window, precise timers, posted work, modal message boxes,
// the message loop, and descriptor watches for the HID port's hot-plug monitor.
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
    QtDescriptorWatch(int descriptor, std::function<void()> onReadable)
        : notifier_(descriptor, QSocketNotifier::Read), onReadable_(std::move(onReadable)) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, &notifier_, [this] {
            if (onReadable_) onReadable_();
        });
    }

private:
    QSocketNotifier notifier_;
    std::function<void()> onReadable_;
};

}  // namespace

QtGui::QtGui() : context_(std::make_unique<QObject>()) {
    // The loop ends when the main window closes, not when Qt thinks the last window went.
    QApplication::setQuitOnLastWindowClosed(false);
}

QtGui::~QtGui() = default;

std::unique_ptr<Window> QtGui::CreateMainWindow(const WindowDefinition& definition) {
    auto window = std::make_unique<QtWindow>(definition, [this] { MainWindowClosed(); });
    mainWindow_ = window.get();
    return window;
}

std::unique_ptr<Timer> QtGui::CreateTimer() { return std::make_unique<QtTimer>(); }

void QtGui::Post(std::function<void()> work) {
    QMetaObject::invokeMethod(context_.get(), std::move(work), Qt::QueuedConnection);
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

void QtGui::MainWindowClosed() {
    // Like the quit message on Windows, this also ends a message box's loop that is running.
    if (looping_) QCoreApplication::exit(0);
}

std::unique_ptr<DescriptorWatch> QtGui::WatchDescriptor(int descriptor, std::function<void()> onReadable) {
    return std::make_unique<QtDescriptorWatch>(descriptor, std::move(onReadable));
}

void EnsureQtApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 1;
    static char name[] = "zrflash";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);  // deliberately never destroyed: Qt must outlive every static
}

}  // namespace zrflash::platform::linux_port
