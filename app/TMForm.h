// The main window's form: owns the controls, the timers, the HID controller and the program's
// state, and binds the handlers named in the window definition.
#pragma once

#include <array>
#include <memory>
#include <string_view>

#include "hid/THidDeviceController.h"
#include "instrument/InstrumentConnection.h"
#include "instrument/InstrumentOptions.h"
#include "instrument/InstrumentState.h"
#include "instrument/StatusPoll.h"
#include "platform/Gui.h"
#include "platform/System.h"
#include "protocol/CommandChannel.h"
#include "protocol/MemoryAccess.h"
#include "protocol/ProtocolHost.h"
#include "update/FirmwareImage.h"
#include "update/FirmwareUpdate.h"

namespace zrflash::app {

class TMForm final : private protocol::ProtocolHost {
public:
    TMForm(platform::Gui& gui, platform::System& system, hid::HidSystem& hidSystem);
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
    std::unique_ptr<hid::THidDeviceController> HID;
    platform::Timer* Timer1 = nullptr;
    platform::GroupBox* G6 = nullptr;
    platform::CheckBox* C1 = nullptr;
    platform::CheckBox* C2 = nullptr;
    platform::CheckBox* C3 = nullptr;
    platform::PushButton* Button1 = nullptr;
    platform::EditBox* E1 = nullptr;

    // Handlers, bound by name from the window definition.
    void FormCreate();
    void HIDDeviceChange(hid::THidDeviceController& Sender);
    bool HIDEnumerate(hid::THidDevice& HidDev, int Idx);
    void HIDRemoval(hid::THidDevice& HidDev);
    void Timer1Timer();
    void B1Click();
    void Timer2Timer();
    void Timer3Timer();
    void C2Click();
    void C3Click();
    void C1Click();
    void Button1Click();
    void HIDDeviceCreateError(hid::THidDeviceController& Controller, const hid::THidPnPInfo& PnPInfo,
                              bool& Handled, bool& RetryCreate);
    void HIDArrival(hid::THidDevice& HidDev);
    void FormClose();
    void G6Click();

    // The program's state, named as the program has always named it.
    instrument::InstrumentState Instrument;
    update::FirmwareImage StoredImage{};
    update::FirmwareImage UploadImage{};
    protocol::CommandChannel Channel{*this};
    protocol::MemoryAccess Memory{Channel};
    update::FirmwareUpdate& Update() { return *update_; }

private:
    using Handler = void (TMForm::*)();
    static Handler HandlerNamed(std::string_view name);
    void BindControls();
    void CreateTimers();
    void StartTimers();
    void CreateController(hid::HidSystem& hidSystem);
    void CreateLogic();
    platform::Timer*& TimerNamed(std::string_view name);

    // Commands reach the instrument through the form.
    hid::THidDevice* ActiveDevice() override { return Instrument.ActiveDevice; }
    void Log(std::u16string_view line) override { LB->Add(line); }
    void ShowMessageBox(std::u16string_view text, std::u16string_view caption) override;
    void Sleep(int milliseconds) override { system_.Sleep(milliseconds); }

    platform::Gui& gui_;
    platform::System& system_;
    hid::HidSystem& hidSystem_;
    std::unique_ptr<platform::Window> window_;
    std::array<std::unique_ptr<platform::Timer>, 3> timers_;
    std::unique_ptr<instrument::InstrumentConnection> connection_;
    std::unique_ptr<instrument::StatusPoll> poll_;
    std::unique_ptr<instrument::InstrumentOptions> options_;
    std::unique_ptr<update::FirmwareUpdate> update_;
};

}  // namespace zrflash::app
