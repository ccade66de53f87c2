// The main window's form: owns the controls, the timers and (later) the HID controller, and binds
// the handlers named in the window definition.
#include "app/TMForm.h"

#include <array>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/AppTexts.h"
#include "app/MainWindowDefinition.h"

namespace zrflash::app {

TMForm::TMForm(platform::Gui& gui, platform::System& system) : gui_(gui), system_(system) {
    window_ = gui_.CreateMainWindow(MainWindowDefinition());
    BindControls();
    CreateTimers();
    window_->SetOnClose([this] { FormClose(); });
    // Creation ends with the form's own creation handler, once every control and component exists.
    FormCreate();
}

TMForm::~TMForm() = default;

TMForm::Handler TMForm::HandlerNamed(std::string_view name) {
    static const std::array<std::pair<std::string_view, Handler>, 9> handlers = {{
        {"B1Click", &TMForm::B1Click},
        {"C1Click", &TMForm::C1Click},
        {"C2Click", &TMForm::C2Click},
        {"C3Click", &TMForm::C3Click},
        {"G6Click", &TMForm::G6Click},
        {"Button1Click", &TMForm::Button1Click},
        {"Timer1Timer", &TMForm::Timer1Timer},
        {"Timer2Timer", &TMForm::Timer2Timer},
        {"Timer3Timer", &TMForm::Timer3Timer},
    }};
    for (const auto& [handlerName, handler] : handlers) {
        if (handlerName == name) return handler;
    }
    throw std::logic_error("the form has no handler " + std::string(name));
}

void TMForm::BindControls() {
    B1 = &window_->Get<platform::PushButton>("B1");
    Label1 = &window_->Get<platform::Label>("Label1");
    Pr1 = &window_->Get<platform::ProgressBar>("Pr1");
    LB = &window_->Get<platform::ListBox>("LB");
    G6 = &window_->Get<platform::GroupBox>("G6");
    C1 = &window_->Get<platform::CheckBox>("C1");
    C2 = &window_->Get<platform::CheckBox>("C2");
    C3 = &window_->Get<platform::CheckBox>("C3");
    Button1 = &window_->Get<platform::PushButton>("Button1");
    E1 = &window_->Get<platform::EditBox>("E1");
    for (const auto& control : MainWindowDefinition().controls) {
        if (control.clickHandler.empty()) continue;
        auto& clickable = window_->Get<platform::ClickableControl>(control.name);
        clickable.SetOnClick([this, handler = HandlerNamed(control.clickHandler)] { (this->*handler)(); });
    }
}

void TMForm::CreateTimers() {
    std::size_t index = 0;
    for (const auto& definition : MainWindowTimers()) {
        auto timer = gui_.CreateTimer();
        timer->SetInterval(definition.intervalMs);
        timer->SetOnTimer([this, handler = HandlerNamed(definition.handler)] { (this->*handler)(); });
        TimerNamed(definition.name) = timer.get();
        timers_.at(index++) = std::move(timer);
    }
    // Started last, so that no tick comes before every component exists.
    for (const auto& definition : MainWindowTimers()) {
        if (definition.enabled) TimerNamed(definition.name)->SetEnabled(true);
    }
}

platform::Timer*& TMForm::TimerNamed(std::string_view name) {
    if (name == "Timer1") return Timer1;
    if (name == "Timer2") return Timer2;
    if (name == "Timer3") return Timer3;
    throw std::logic_error("the form has no timer " + std::string(name));
}

void TMForm::FormCreate() {
    for (auto command : texts::kCompanionKillCommands) system_.StartHidden(command);
    std::u16string caption;
    for (auto piece : texts::kStartCaptionPieces) caption += piece;
    window_->SetCaption(caption);
}

void TMForm::FormClose() {}

void TMForm::Log(std::u16string_view line) { LB->Add(line); }

void TMForm::Timer1Timer() {}
void TMForm::B1Click() {}
void TMForm::Timer2Timer() {}
void TMForm::Timer3Timer() {}
void TMForm::C1Click() {}
void TMForm::C2Click() {}
void TMForm::C3Click() {}
void TMForm::Button1Click() {}
void TMForm::G6Click() {}

}  // namespace zrflash::app
