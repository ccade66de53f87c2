// The headless main window: its controls by name, and the user's mouse and keyboard as test actions.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Gui.h"
#include "platform/headless/HeadlessControls.h"

namespace zrflash::platform::headless {

class HeadlessWindow final : public Window {
public:
    explicit HeadlessWindow(const WindowDefinition& definition);

    std::u16string Caption() const override { return caption_; }
    void SetCaption(std::u16string_view caption) override { caption_ = caption; }
    void SetOnClose(std::function<void()> handler) override { onClose_ = std::move(handler); }
    void Show() override { shown_ = true; }
    Control* Find(const std::string& name) override;

    const WindowDefinition& Definition() const { return definition_; }
    bool Shown() const { return shown_; }
    bool Closed() const { return closed_; }

    // A mouse click: acts only on a control the user can reach (inside the client area,
    // enabled, with an enabled parent). Returns whether the click reached the control.
    bool Click(const std::string& name);
    // The close button of the frame.
    void Close();
    // Tab moves the focus to the next focusable control in tab order; returns its name.
    std::string PressTab();
    // Space on the focused push button or check box acts like a click.
    void PressSpace();
    const std::string& FocusedControl() const { return focused_; }
    // Focusable controls in tab order, as Tab visits them now.
    std::vector<std::string> TabSequence() const;

private:
    bool Reachable(const ControlDefinition& control) const;
    bool EnabledWithParents(const ControlDefinition& control) const;
    void Activate(const std::string& name);

    WindowDefinition definition_;
    std::u16string caption_;
    std::map<std::string, std::unique_ptr<Control>> controls_;
    std::function<void()> onClose_;
    std::string focused_;
    bool shown_ = false;
    bool closed_ = false;
};

}  // namespace zrflash::platform::headless
