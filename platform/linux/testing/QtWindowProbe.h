// What tests need to see of the Qt window and do to it, without including Qt themselves.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/QtWindow.h"

namespace zrflash::platform::linux_port::testing {

struct WidgetFacts {
    int left = 0;  // within the parent, as laid out
    int top = 0;
    int width = 0;
    int height = 0;
    std::u16string text;          // caption, title or contents
    std::u16string toolTip;
    std::string requestedFamily;  // the first face asked for
    std::string renderedFamily;   // the face the font system chose
    int pixelSize = 0;
    bool bold = false;
    bool enabled = false;         // the widget's own state
    bool textFits = false;        // the text fits the widget's width in its font
};

class QtWindowProbe {
public:
    explicit QtWindowProbe(QtWindow& window) : window_(window) {}

    std::optional<WidgetFacts> Facts(const std::string& name) const;
    int ClientWidth() const;
    int ClientHeight() const;
    bool FixedSize() const;
    // The controls Tab visits from the first one, in order, once round.
    std::vector<std::string> TabChain() const;
    // The row height of a list box's first item (it needs one).
    int ListRowHeight(const std::string& name) const;
    // A user's click on a button or check box; false when it is disabled.
    bool Click(const std::string& name);
    // Focus to the named control, then Space as the keyboard presses it.
    bool PressSpaceOn(const std::string& name);
    // The frame's close button.
    void Close();
    // The frame's close button, pressed after the delay from whichever loop runs then (also
    // from inside a handler that keeps the window responsive), as the window manager would.
    void CloseAfter(int milliseconds);
    // Renders the window into a PNG file.
    bool Grab(const std::string& path) const;

private:
    QtWindow& window_;
};

// Counts what a control paints, from its creation until it is destroyed.
class PaintRecorder {
public:
    PaintRecorder(QtWindow& window, const std::string& name);
    ~PaintRecorder();
    PaintRecorder(const PaintRecorder&) = delete;
    PaintRecorder& operator=(const PaintRecorder&) = delete;

    int Paints() const;
    // The value a progress bar showed when it was last painted, or -1.
    int LastPaintedValue() const;

private:
    class Filter;
    std::unique_ptr<Filter> filter_;
};

// Runs the Qt loop until the condition holds or the time is up; whether it holds.
bool RunLoopUntil(const std::function<bool()>& condition, int timeoutMs);
// Runs the Qt loop for that long.
void RunLoopFor(int milliseconds);
// After the delay, presses OK on the message box that is then open and keeps its text and title.
struct SeenMessageBox {
    bool seen = false;
    std::u16string text;
    std::u16string caption;
    bool errorIcon = false;
};
void PressOkOnMessageBoxAfter(int milliseconds, SeenMessageBox& seen);

}  // namespace zrflash::platform::linux_port::testing
