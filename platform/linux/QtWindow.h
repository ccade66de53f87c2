// The main window on Qt: a fixed-size top-level widget laid out in pixels from the definition.
#pragma once

#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Gui.h"
#include "platform/linux/QtDispatchGate.h"

namespace zrflash::platform::linux_port {

class QtMainWidget;

class QtWindow final : public Window {
public:
    // onClosed runs after the window's own close handler, when the user has closed it. A close
    // that comes while the gate is held is carried out once it lets go.
    QtWindow(const WindowDefinition& definition, std::function<void()> onClosed,
             std::shared_ptr<QtDispatchGate> gate = nullptr);
    ~QtWindow() override;

    std::u16string Caption() const override;
    void SetCaption(std::u16string_view caption) override;
    void SetOnClose(std::function<void()> handler) override { onClose_ = std::move(handler); }
    // Shows the window centred on the screen.
    void Show() override;
    Control* Find(const std::string& name) override;

    bool Closed() const { return closed_; }
    QWidget* Widget() const;
    // The widget of a control of the definition, or nullptr.
    QWidget* WidgetNamed(const std::string& name) const;
    const WindowDefinition& Definition() const { return definition_; }

private:
    friend class QtMainWidget;
    void Build();
    QWidget* CreateControl(const ControlDefinition& control, QWidget* parent);
    void SetTabOrder();
    // False when the close has to wait for the gate.
    bool HandleClose();

    WindowDefinition definition_;
    std::function<void()> onClosed_;
    std::shared_ptr<QtDispatchGate> gate_;
    std::function<void()> onClose_;
    bool closed_ = false;
    std::unique_ptr<QtMainWidget> widget_;
    std::map<std::string, QWidget*> widgets_;
    std::map<std::string, std::unique_ptr<Control>> controls_;  // go before the widgets they wrap
};

}  // namespace zrflash::platform::linux_port
