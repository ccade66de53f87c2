// What the program needs from a GUI toolkit: one fixed window of controls, timers, posted work,
// modal message boxes and the message loop. Everything runs on the one GUI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/WindowDefinition.h"

namespace zrflash::platform {

class Control {
public:
    virtual ~Control() = default;
    virtual std::u16string Text() const = 0;
    virtual void SetText(std::u16string_view text) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

// Push buttons, check boxes and the group box report clicks.
class ClickableControl : public Control {
public:
    virtual void SetOnClick(std::function<void()> handler) = 0;
};

class PushButton : public ClickableControl {};
class GroupBox : public ClickableControl {};
class EditBox : public Control {};
class Label : public Control {};  // widens itself to fit its text

class CheckBox : public ClickableControl {
public:
    virtual bool Checked() const = 0;
    // Changing the state raises the click handler, as a user's click does; setting the state
    // the box already has raises nothing.
    virtual void SetChecked(bool checked) = 0;
};

class ProgressBar : public Control {
public:
    virtual int Minimum() const = 0;
    virtual int Maximum() const = 0;
    virtual int Position() const = 0;
    virtual void SetMaximum(int maximum) = 0;
    virtual void SetPosition(int position) = 0;
};

class ListBox : public Control {
public:
    virtual void Add(std::u16string_view line) = 0;
    virtual void Clear() = 0;
    virtual int Count() const = 0;
    virtual std::u16string Line(int index) const = 0;
};

class Window {
public:
    virtual ~Window() = default;
    virtual std::u16string Caption() const = 0;
    virtual void SetCaption(std::u16string_view caption) = 0;
    // Called once when the user closes the window, before the message loop ends.
    virtual void SetOnClose(std::function<void()> handler) = 0;
    virtual void Show() = 0;
    // Returns the control of that name from the definition, or nullptr.
    virtual Control* Find(const std::string& name) = 0;

    template <class T>
    T& Get(const std::string& name) {
        auto* control = dynamic_cast<T*>(Find(name));
        if (control == nullptr) throw std::logic_error("no control " + name + " of that kind");
        return *control;
    }
};

// A message-loop timer: ticks on the GUI thread; a tick that falls due while a handler runs is
// delivered once when the loop is free. Enabling a stopped timer, or changing its interval,
// starts its period afresh.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void SetInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetOnTimer(std::function<void()> handler) = 0;
};

enum class MessageBoxIcon { None, Error };

class Gui {
public:
    virtual ~Gui() = default;
    virtual std::unique_ptr<Window> CreateMainWindow(const WindowDefinition& definition) = 0;
    virtual std::unique_ptr<Timer> CreateTimer() = 0;
    // Runs work later on the GUI thread, from the message loop (also from a nested one).
    virtual void Post(std::function<void()> work) = 0;
    // A modal box with an OK button and no owner window. While it is open the loop keeps
    // dispatching timers and posted work.
    virtual void ShowMessageBox(std::u16string_view text, std::u16string_view caption,
                                MessageBoxIcon icon) = 0;
    // Runs until the main window has been closed.
    virtual void RunMessageLoop() = 0;
    // Called now and then by long blocking work on the GUI thread (the settings backup inside the
    // click), so that the system keeps seeing a live window: the port repaints what changed and
    // answers the system's liveness probes, but runs no timer tick, no input, no posted work and
    // no device notification; those wait until the handler has returned to the loop.
    virtual void KeepResponsive() = 0;
};

}  // namespace zrflash::platform
