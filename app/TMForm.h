// The main window's form: owns the controls, the timers and (later) the HID controller, and binds
// the handlers named in the window definition.
#pragma once

#include <array>
#include <memory>
#include <string_view>

#include "platform/Gui.h"
#include "platform/System.h"

namespace zrflash::app {

class TMForm {
public:
    TMForm(platform::Gui& gui, platform::System& system);
    ~TMForm();
    TMForm(const TMForm&) = delete;
    TMForm& operator=(const TMForm&) = delete;

    platform::Window& Window() { return *window_; }
    void Show() { window_->Show(); }

    // Controls and components, named as in the window definition.
    platform::Timer* Timer2 = nullptr;
    platform::Timer* Timer3 = nullptr;
    platform::PushButton* B1 = nullptr;
    platform::Label* Label1 = nullptr;
    platform::ProgressBar* Pr1 = nullptr;
    platform::ListBox* LB = nullptr;
    platform::Timer* Timer1 = nullptr;
    platform::GroupBox* G6 = nullptr;
    platform::CheckBox* C1 = nullptr;
    platform::CheckBox* C2 = nullptr;
    platform::CheckBox* C3 = nullptr;
    platform::PushButton* Button1 = nullptr;
    platform::EditBox* E1 = nullptr;

    // Handlers, bound by name from the window definition.
    void FormCreate();
    void Timer1Timer();
    void B1Click();
    void Timer2Timer();
    void Timer3Timer();
    void C2Click();
    void C3Click();
    void C1Click();
    void Button1Click();
    void FormClose();
    void G6Click();

    void Log(std::u16string_view line);

private:
    using Handler = void (TMForm::*)();
    static Handler HandlerNamed(std::string_view name);
    void BindControls();
    void CreateTimers();
    platform::Timer*& TimerNamed(std::string_view name);

    platform::Gui& gui_;
    platform::System& system_;
    std::unique_ptr<platform::Window> window_;
    std::array<std::unique_ptr<platform::Timer>, 3> timers_;
};

}  // namespace zrflash::app
