// In-memory controls of the headless port: they keep what the program sets and let tests act as a user.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Gui.h"

namespace zrflash::platform::headless {

// Shared state of every headless control; the concrete kinds add their own.
class HeadlessControlState {
public:
    explicit HeadlessControlState(const ControlDefinition& definition)
        : definition_(definition), text_(definition.text), enabled_(definition.enabled) {}
    const ControlDefinition& Definition() const { return definition_; }

protected:
    ControlDefinition definition_;
    std::u16string text_;
    bool enabled_;
    std::function<void()> onClick_;
};

template <class Interface>
class HeadlessControlBase : public Interface, public HeadlessControlState {
public:
    using HeadlessControlState::HeadlessControlState;
    std::u16string Text() const override { return text_; }
    void SetText(std::u16string_view text) override { text_ = text; }
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
};

template <class Interface>
class HeadlessClickable : public HeadlessControlBase<Interface> {
public:
    using HeadlessControlBase<Interface>::HeadlessControlBase;
    void SetOnClick(std::function<void()> handler) override { this->onClick_ = std::move(handler); }
    void RaiseClick() {
        if (this->onClick_) this->onClick_();
    }
};

class HeadlessPushButton final : public HeadlessClickable<PushButton> {
public:
    using HeadlessClickable::HeadlessClickable;
};

class HeadlessGroupBox final : public HeadlessClickable<GroupBox> {
public:
    using HeadlessClickable::HeadlessClickable;
};

class HeadlessCheckBox final : public HeadlessClickable<CheckBox> {
public:
    explicit HeadlessCheckBox(const ControlDefinition& definition)
        : HeadlessClickable(definition), checked_(definition.checked) {}
    bool Checked() const override { return checked_; }
    void SetChecked(bool checked) override {
        if (checked == checked_) return;
        checked_ = checked;
        RaiseClick();
    }

private:
    bool checked_;
};

class HeadlessLabel final : public HeadlessControlBase<Label> {
public:
    using HeadlessControlBase::HeadlessControlBase;
};

class HeadlessEditBox final : public HeadlessControlBase<EditBox> {
public:
    using HeadlessControlBase::HeadlessControlBase;
};

class HeadlessProgressBar final : public HeadlessControlBase<ProgressBar> {
public:
    explicit HeadlessProgressBar(const ControlDefinition& definition)
        : HeadlessControlBase(definition),
          minimum_(definition.rangeMin),
          maximum_(definition.rangeMax),
          position_(definition.position) {}
    int Minimum() const override { return minimum_; }
    int Maximum() const override { return maximum_; }
    int Position() const override { return position_; }
    void SetMaximum(int maximum) override {
        maximum_ = maximum;
        if (position_ > maximum_) position_ = maximum_;
    }
    // Like the native control, the position is kept within the range.
    void SetPosition(int position) override {
        position_ = position < minimum_ ? minimum_ : (position > maximum_ ? maximum_ : position);
        history_.push_back(position_);
    }
    // Every position set so far, in order.
    const std::vector<int>& History() const { return history_; }

private:
    int minimum_;
    int maximum_;
    int position_;
    std::vector<int> history_;
};

class HeadlessListBox final : public HeadlessControlBase<ListBox> {
public:
    using HeadlessControlBase::HeadlessControlBase;
    void Add(std::u16string_view line) override { lines_.emplace_back(line); }
    void Clear() override { lines_.clear(); }
    int Count() const override { return static_cast<int>(lines_.size()); }
    std::u16string Line(int index) const override {
        return index >= 0 && index < Count() ? lines_[static_cast<std::size_t>(index)] : std::u16string();
    }
    const std::vector<std::u16string>& Lines() const { return lines_; }

private:
    std::vector<std::u16string> lines_;
};

}  // namespace zrflash::platform::headless
