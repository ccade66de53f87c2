// The GUI on Qt 6 widgets: the main window, precise timers, posted work, modal message boxes,
// the message loop, keeping the window alive in long handlers, and descriptor watches for the HID
// port's hot-plug monitor.
#pragma once

#include <QObject>

#include <memory>

#include "platform/Gui.h"
#include "platform/linux/DescriptorWatch.h"
#include "platform/linux/QtDispatchGate.h"

namespace zrflash::platform::linux_port {

class QtWindow;

// Needs a QApplication that outlives it.
class QtGui final : public Gui {
public:
    QtGui();
    ~QtGui() override;

    std::unique_ptr<Window> CreateMainWindow(const WindowDefinition& definition) override;
    std::unique_ptr<Timer> CreateTimer() override;
    // Callable from any thread: the work runs on the GUI thread, from the loop.
    void Post(std::function<void()> work) override;
    // A modal box without owner; its own loop keeps timers and posted work going.
    void ShowMessageBox(std::u16string_view text, std::u16string_view caption, MessageBoxIcon icon) override;
    // Runs until the main window has been closed (at once if it already has been).
    void RunMessageLoop() override;
    // Paints and lets Qt answer the window manager (its ping among them); the program's timers,
    // posted work, device notifications and the window's close wait for the loop, and so does
    // user input, which Qt keeps queued.
    void KeepResponsive() override;

    std::unique_ptr<DescriptorWatch> WatchDescriptor(int descriptor, std::function<void()> onReadable);
    QtWindow* MainWindow() const { return mainWindow_; }

private:
    void MainWindowClosed();

    std::shared_ptr<QtDispatchGate> gate_;  // timers may outlive the GUI
    std::unique_ptr<QObject> context_;      // posted work dies with the GUI, before the gate
    QtWindow* mainWindow_ = nullptr;
    bool looping_ = false;
};

// Creates the process's QApplication if there is none yet (for programs and tests that need
// one without a main of their own); it lives until the process ends.
void EnsureQtApplication();

}  // namespace zrflash::platform::linux_port
