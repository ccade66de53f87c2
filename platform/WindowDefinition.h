// The window as data: every port renders the same table of controls.
#pragma once

#include <string>
#include <vector>

namespace zrflash::platform {

enum class ControlKind { PushButton, ProgressBar, Label, ListBox, GroupBox, CheckBox, EditBox };

// Font heights are character heights in pixels at 96 dpi; nothing is scaled.
struct FontDefinition {
    std::u16string face;
    int heightPx = 11;
    bool bold = false;
};

struct ControlDefinition {
    std::string name;
    ControlKind kind = ControlKind::PushButton;
    std::string parent;  // empty: the window itself
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::u16string text;
    std::u16string hint;      // shown as a tooltip only when showHint is set
    bool showHint = false;
    FontDefinition font;      // already resolved: inherited fonts are spelled out
    bool enabled = true;
    bool checked = false;     // check boxes
    int rangeMin = 0;         // progress bar
    int rangeMax = 100;
    int position = 0;
    int itemHeightPx = 0;     // list box; 0 = the toolkit's default
    int tabOrder = -1;        // within the parent; -1 = not a tab stop
    std::string clickHandler; // name of the form's handler; empty = none
};

struct WindowDefinition {
    std::u16string caption;
    int clientWidth = 0;
    int clientHeight = 0;
    FontDefinition font;
    std::vector<ControlDefinition> controls;  // parents come before their children

    const ControlDefinition* Find(const std::string& name) const {
        for (const auto& control : controls) {
            if (control.name == name) return &control;
        }
        return nullptr;
    }
};

}  // namespace zrflash::platform
