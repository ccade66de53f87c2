// Which controls of a window definition take the keyboard focus, and the order Tab visits them in.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/WindowDefinition.h"

namespace zrflash::platform {

inline bool Focusable(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::ListBox || kind == ControlKind::CheckBox ||
           kind == ControlKind::EditBox;
}

// The focusable controls in the order Tab visits them: by tab order within each parent, a group
// box's children in the group box's place. A control that `included` refuses is passed over, a
// group box with all its children.
inline std::vector<const ControlDefinition*> TabSequence(
    const WindowDefinition& window, const std::function<bool(const ControlDefinition&)>& included = {}) {
    std::vector<const ControlDefinition*> sequence;
    std::function<void(const std::string&)> visit = [&](const std::string& parent) {
        std::vector<const ControlDefinition*> children;
        for (const auto& control : window.controls) {
            if (control.parent == parent && control.tabOrder >= 0) children.push_back(&control);
        }
        std::stable_sort(children.begin(), children.end(),
                         [](const auto* a, const auto* b) { return a->tabOrder < b->tabOrder; });
        for (const auto* child : children) {
            if (included && !included(*child)) continue;
            if (child->kind == ControlKind::GroupBox) {
                visit(child->name);
            } else if (Focusable(child->kind)) {
                sequence.push_back(child);
            }
        }
    };
    visit("");
    return sequence;
}

}  // namespace zrflash::platform
