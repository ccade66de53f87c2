// The headless main window: its controls by name, and the user's mouse and keyboard as test actions.
#include "platform/headless/HeadlessWindow.h"

#include "platform/TabOrder.h"

#include <algorithm>
#include <stdexcept>

namespace zrflash::platform::headless {
namespace {

std::unique_ptr<Control> MakeControl(const ControlDefinition& definition) {
    switch (definition.kind) {
        case ControlKind::PushButton: return std::make_unique<HeadlessPushButton>(definition);
        case ControlKind::ProgressBar: return std::make_unique<HeadlessProgressBar>(definition);
        case ControlKind::Label: return std::make_unique<HeadlessLabel>(definition);
        case ControlKind::ListBox: return std::make_unique<HeadlessListBox>(definition);
        case ControlKind::GroupBox: return std::make_unique<HeadlessGroupBox>(definition);
        case ControlKind::CheckBox: return std::make_unique<HeadlessCheckBox>(definition);
        case ControlKind::EditBox: return std::make_unique<HeadlessEditBox>(definition);
    }
    throw std::logic_error("unknown control kind");
}

}  // namespace

HeadlessWindow::HeadlessWindow(const WindowDefinition& definition)
    : definition_(definition), caption_(definition.caption) {
    for (const auto& control : definition.controls) controls_[control.name] = MakeControl(control);
}

Control* HeadlessWindow::Find(const std::string& name) {
    auto found = controls_.find(name);
    return found == controls_.end() ? nullptr : found->second.get();
}

bool HeadlessWindow::EnabledWithParents(const ControlDefinition& control) const {
    for (const ControlDefinition* current = &control; current != nullptr;
         current = current->parent.empty() ? nullptr : definition_.Find(current->parent)) {
        if (!controls_.at(current->name)->Enabled()) return false;
    }
    return true;
}

// A control is under the mouse only where it lies inside the client area.
bool HeadlessWindow::Reachable(const ControlDefinition& control) const {
    int left = control.left;
    int top = control.top;
    for (const ControlDefinition* parent = definition_.Find(control.parent); parent != nullptr;
         parent = definition_.Find(parent->parent)) {
        left += parent->left;
        top += parent->top;
    }
    return left >= 0 && top >= 0 && left + control.width <= definition_.clientWidth &&
           top + control.height <= definition_.clientHeight && EnabledWithParents(control);
}

void HeadlessWindow::Activate(const std::string& name) {
    Control* control = Find(name);
    if (auto* box = dynamic_cast<HeadlessCheckBox*>(control)) {
        box->SetChecked(!box->Checked());
    } else if (auto* button = dynamic_cast<HeadlessPushButton*>(control)) {
        button->RaiseClick();
    } else if (auto* group = dynamic_cast<HeadlessGroupBox*>(control)) {
        group->RaiseClick();
    }
}

bool HeadlessWindow::Click(const std::string& name) {
    const ControlDefinition* control = definition_.Find(name);
    if (control == nullptr) throw std::logic_error("no control " + name);
    if (closed_ || !Reachable(*control)) return false;
    if (Focusable(control->kind)) focused_ = name;
    Activate(name);
    return true;
}

void HeadlessWindow::Close() {
    if (closed_) return;
    if (onClose_) onClose_();
    closed_ = true;
}

std::vector<std::string> HeadlessWindow::TabSequence() const {
    std::vector<std::string> names;
    const auto enabled = [this](const ControlDefinition& control) { return controls_.at(control.name)->Enabled(); };
    for (const auto* control : platform::TabSequence(definition_, enabled)) names.push_back(control->name);
    return names;
}

std::string HeadlessWindow::PressTab() {
    const auto sequence = TabSequence();
    if (sequence.empty()) return focused_ = "";
    auto current = std::find(sequence.begin(), sequence.end(), focused_);
    focused_ = (current == sequence.end() || current + 1 == sequence.end()) ? sequence.front() : *(current + 1);
    return focused_;
}

void HeadlessWindow::PressSpace() {
    const ControlDefinition* control = definition_.Find(focused_);
    if (control == nullptr || !EnabledWithParents(*control)) return;
    if (control->kind == ControlKind::PushButton || control->kind == ControlKind::CheckBox) Activate(focused_);
}

}  // namespace zrflash::platform::headless
