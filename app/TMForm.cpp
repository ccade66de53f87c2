// The main window's form: owns the controls, the timers, the HID controller and the program's
// state, and binds the handlers named in the window definition.
#include "app/TMForm.h"

#include <array>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/AppTexts.h"
#include "app/MainWindowDefinition.h"
#include "protocol/ChecksumReadout.h"
#include "update/FirmwareImages.h"
#include "update/ImagePieces.h"

namespace zrflash::app {

TMForm::TMForm(platform::Gui& gui, platform::System& system, hid::HidSystem& hidSystem)
    : gui_(gui), system_(system), hidSystem_(hidSystem) {
    window_ = gui_.CreateMainWindow(MainWindowDefinition());
    BindControls();
    CreateTimers();
    CreateLogic();
    CreateController(hidSystem);
    window_->SetOnClose([this] { FormClose(); });
    // No tick comes before every component exists; creation ends with the form's own handler.
    StartTimers();
    FormCreate();
}

TMForm::~TMForm() { hidSystem_.SetNoticeHandler(nullptr); }

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
}

void TMForm::StartTimers() {
    for (const auto& definition : MainWindowTimers()) {
        if (definition.enabled) TimerNamed(definition.name)->SetEnabled(true);
    }
}

// The controller's first pass comes from the loop, after the form exists.
void TMForm::CreateController(hid::HidSystem& hidSystem) {
    hid::THidControllerProperties properties;
    properties.OnEnumerate = [this](hid::THidDevice& device, int index) { return HIDEnumerate(device, index); };
    properties.OnDeviceChange = [this](hid::THidDeviceController& sender) { HIDDeviceChange(sender); };
    properties.OnDeviceCreateError = [this](hid::THidDeviceController& controller, const hid::THidPnPInfo& info,
                                            bool& handled, bool& retry) {
        HIDDeviceCreateError(controller, info, handled, retry);
    };
    properties.OnRemoval = [this](hid::THidDevice& device) { HIDRemoval(device); };
    HID = std::make_unique<hid::THidDeviceController>(hidSystem, std::move(properties));
    // What the bus cannot tell through device events (an instrument that may not be opened).
    hidSystem.SetNoticeHandler([this](std::u16string_view notice) { LB->Add(notice); });
}

void TMForm::CreateLogic() {
    connection_ = std::make_unique<instrument::InstrumentConnection>(
        Instrument,
        instrument::InstrumentConnection::Controls{*window_, *LB, *Pr1, *B1},
        [this](std::uint8_t modelCode) {
            if (const auto* image = update::FirmwareImageOfModel(modelCode)) StoredImage = *image;
        });
    poll_ = std::make_unique<instrument::StatusPoll>(
        Instrument, Memory, Channel,
        instrument::StatusPoll::Controls{*Label1, *B1, *G6, *C1, *C2, *C3, *LB, *Timer2, *Timer3},
        [this] { update::RestoreMiddlePieces(StoredImage, UploadImage); });
    options_ = std::make_unique<instrument::InstrumentOptions>(Instrument, Memory);
    update_ = std::make_unique<update::FirmwareUpdate>(
        gui_, system_, Channel, Memory,
        update::FirmwareUpdate::Controls{*LB, *B1, *G6, *Label1, *Pr1, *Timer1, *Timer2, *Timer3}, StoredImage,
        UploadImage);
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

// The instrument is only dropped; the controller disposes of it when the form goes. A handler
// that a message box suspended must not carry on with an update once the window has gone.
void TMForm::FormClose() {
    Instrument.ActiveDevice = nullptr;
    update_->WindowClosed();
}

void TMForm::ShowMessageBox(std::u16string_view text, std::u16string_view caption) {
    gui_.ShowMessageBox(text, caption, platform::MessageBoxIcon::None);
}

void TMForm::HIDDeviceChange(hid::THidDeviceController& Sender) { connection_->DeviceChange(Sender); }
bool TMForm::HIDEnumerate(hid::THidDevice& HidDev, int) { return connection_->Enumerate(HidDev); }
void TMForm::HIDRemoval(hid::THidDevice& HidDev) {
    if (connection_->Removal(HidDev)) update_->InstrumentRemoved();
}
void TMForm::HIDDeviceCreateError(hid::THidDeviceController&, const hid::THidPnPInfo&, bool& Handled, bool&) {
    instrument::InstrumentConnection::CreateError(Handled);
}
void TMForm::HIDArrival(hid::THidDevice&) {}

void TMForm::Timer1Timer() { poll_->Tick(); }

void TMForm::B1Click() {
    update_->Start({Instrument.ModelCode, Instrument.ModelSuffix, Instrument.DeviceIdent});
}

void TMForm::Timer2Timer() { update_->UploadTick(); }
void TMForm::Timer3Timer() { update_->FinishTick(Instrument.FirmwareVersionNumber); }

void TMForm::C1Click() { options_->AutoSaveClicked(C1->Checked()); }
void TMForm::C2Click() { options_->RcldSwapClicked(C2->Checked()); }
void TMForm::C3Click() { options_->MenuSwapClicked(C3->Checked()); }

// Nothing to show without an instrument. In the middle of an update the instrument is busy with
// the firmware: a check between two chunks has no business there.
void TMForm::Button1Click() {
    if (update_->InProgress()) return;
    if (const auto checksum = protocol::ReadFirmwareChecksum(Channel)) {
        const std::string digits = std::to_string(*checksum);
        E1->SetText(std::u16string(digits.begin(), digits.end()));
    }
}

void TMForm::G6Click() {}

}  // namespace zrflash::app
