// The controls of the window definition as native Windows controls (user32 and comctl32 classes).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/Gui.h"

namespace zrflash::platform::win32 {

// What every native control shares: its window, its definition and the notifications it handles.
class Win32ControlCore {
public:
    explicit Win32ControlCore(const ControlDefinition& definition) : definition_(definition) {}
    virtual ~Win32ControlCore() = default;
    Win32ControlCore(const Win32ControlCore&) = delete;
    Win32ControlCore& operator=(const Win32ControlCore&) = delete;

    // Takes the created window and its font, and applies the definition's initial state.
    virtual void Attach(HWND handle, HFONT font);
    HWND Handle() const { return handle_; }
    const ControlDefinition& Definition() const { return definition_; }
    // A WM_COMMAND notification code from the control (BN_CLICKED, ...).
    virtual void Notify(unsigned code) { (void)code; }

protected:
    ControlDefinition definition_;
    HWND handle_ = nullptr;
    HFONT font_ = nullptr;
};

std::u16string WindowText(HWND handle);

template <class Interface>
class Win32ControlBase : public Interface, public Win32ControlCore {
public:
    explicit Win32ControlBase(const ControlDefinition& definition)
        : Win32ControlCore(definition), enabled_(definition.enabled) {}
    std::u16string Text() const override { return WindowText(handle_); }
    void SetText(std::u16string_view text) override;
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override {
        enabled_ = enabled;
        if (handle_ != nullptr) EnableWindow(handle_, enabled ? TRUE : FALSE);
    }

protected:
    bool enabled_;
};

template <class Interface>
class Win32Clickable : public Win32ControlBase<Interface> {
public:
    using Win32ControlBase<Interface>::Win32ControlBase;
    void SetOnClick(std::function<void()> handler) override { onClick_ = std::move(handler); }
    void Notify(unsigned code) override {
        if (code == BN_CLICKED) RaiseClick();
    }
    void RaiseClick() {
        if (onClick_) onClick_();
    }

private:
    std::function<void()> onClick_;
};

class Win32PushButton final : public Win32Clickable<PushButton> {
public:
    using Win32Clickable::Win32Clickable;
};

// Group boxes send no notifications; the window raises their click itself (see Win32Window).
class Win32GroupBox final : public Win32Clickable<GroupBox> {
public:
    using Win32Clickable::Win32Clickable;
};

class Win32CheckBox final : public Win32Clickable<CheckBox> {
public:
    using Win32Clickable::Win32Clickable;
    void Attach(HWND handle, HFONT font) override;
    bool Checked() const override;
    void SetChecked(bool checked) override;
};

class Win32Label final : public Win32ControlBase<Label> {
public:
    using Win32ControlBase::Win32ControlBase;
    void Attach(HWND handle, HFONT font) override;
    void SetText(std::u16string_view text) override;

private:
    // Sizes the label to its text in its own font, as a self-sizing label does.
    void FitToText();
};

class Win32EditBox final : public Win32ControlBase<EditBox> {
public:
    using Win32ControlBase::Win32ControlBase;
};

class Win32ProgressBar final : public Win32ControlBase<ProgressBar> {
public:
    using Win32ControlBase::Win32ControlBase;
    void Attach(HWND handle, HFONT font) override;
    int Minimum() const override;
    int Maximum() const override;
    int Position() const override;
    void SetMaximum(int maximum) override;
    void SetPosition(int position) override;
};

class Win32ListBox final : public Win32ControlBase<ListBox> {
public:
    using Win32ControlBase::Win32ControlBase;
    void Attach(HWND handle, HFONT font) override;
    void Add(std::u16string_view line) override;
    void Clear() override;
    int Count() const override;
    std::u16string Line(int index) const override;
};

}  // namespace zrflash::platform::win32
