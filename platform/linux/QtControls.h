// The definition's controls as Qt widgets behind the program's control interfaces.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include <functional>
#include <memory>

#include "platform/Gui.h"

namespace zrflash::platform::linux_port {

// The widget's own enabled state, as the program set it (a disabled parent does not change it).
bool OwnEnabled(const QWidget& widget);

template <class Interface, class Widget>
class QtControl : public Interface {
public:
    explicit QtControl(Widget* widget) : widget_(widget) {}
    bool Enabled() const override { return OwnEnabled(*widget_); }
    void SetEnabled(bool enabled) override { widget_->setEnabled(enabled); }
    Widget* Native() const { return widget_; }

protected:
    Widget* widget_;  // owned by the window
};

class QtPushButton final : public QtControl<PushButton, QPushButton> {
public:
    explicit QtPushButton(QPushButton* button);
    std::u16string Text() const override;
    void SetText(std::u16string_view text) override;
    void SetOnClick(std::function<void()> handler) override { onClick_ = std::move(handler); }

private:
    std::function<void()> onClick_;
};

// Every change of state raises the click handler, whether the user or the program made it.
class QtCheckBox final : public QtControl<CheckBox, QCheckBox> {
public:
    explicit QtCheckBox(QCheckBox* box);
    std::u16string Text() const override;
    void SetText(std::u16string_view text) override;
    void SetOnClick(std::function<void()> handler) override { onClick_ = std::move(handler); }
    bool Checked() const override { return widget_->isChecked(); }
    void SetChecked(bool checked) override { widget_->setChecked(checked); }

private:
    std::function<void()> onClick_;
};

// A click anywhere on the frame raises the handler, as with a Windows group box.
class QtGroupBox final : public QtControl<GroupBox, QGroupBox> {
public:
    explicit QtGroupBox(QGroupBox* box);
    ~QtGroupBox() override;
    std::u16string Text() const override;
    void SetText(std::u16string_view text) override;
    void SetOnClick(std::function<void()> handler) override { onClick_ = std::move(handler); }

private:
    class ClickFilter;
    std::unique_ptr<ClickFilter> filter_;
    std::function<void()> onClick_;
};

class QtLabel final : public QtControl<Label, QLabel> {
public:
    using QtControl::QtControl;
    std::u16string Text() const override;
    // The label widens (or narrows) to its new text.
    void SetText(std::u16string_view text) override;
};

class QtEditBox final : public QtControl<EditBox, QLineEdit> {
public:
    using QtControl::QtControl;
    std::u16string Text() const override;
    void SetText(std::u16string_view text) override;
};

// Keeps range and position itself: Qt resets a bar whose range no longer holds its value,
// where the Windows control keeps the position within the range.
class QtProgressBar final : public QtControl<ProgressBar, QProgressBar> {
public:
    QtProgressBar(QProgressBar* bar, int minimum, int maximum, int position);
    std::u16string Text() const override { return {}; }
    void SetText(std::u16string_view) override {}
    int Minimum() const override { return minimum_; }
    int Maximum() const override { return maximum_; }
    int Position() const override { return position_; }
    void SetMaximum(int maximum) override;
    void SetPosition(int position) override;

private:
    void Apply();
    int minimum_;
    int maximum_;
    int position_;
};

class QtListBox final : public QtControl<ListBox, QListWidget> {
public:
    // itemHeight 0 keeps the style's own item height.
    QtListBox(QListWidget* list, int itemHeight);
    std::u16string Text() const override { return {}; }
    void SetText(std::u16string_view) override {}
    void Add(std::u16string_view line) override;
    void Clear() override { widget_->clear(); }
    int Count() const override { return widget_->count(); }
    std::u16string Line(int index) const override;
};

}  // namespace zrflash::platform::linux_port
