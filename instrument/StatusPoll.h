// The once-a-second poll: firmware state, battery, identification, version text and options of
// the active instrument, shown in the window.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "instrument/InstrumentState.h"
#include "platform/Gui.h"
#include "protocol/MemoryAccess.h"

namespace zrflash::instrument {

class StatusPoll {
public:
    struct Controls {
        platform::Label& status;          // Label1
        platform::PushButton& update;     // B1
        platform::GroupBox& options;      // G6
        platform::CheckBox& autoSave;     // C1
        platform::CheckBox& rcldSwap;     // C2
        platform::CheckBox& menuSwap;     // C3
        platform::ListBox& log;
        platform::Timer& uploadTimer;     // Timer2
        platform::Timer& finishTimer;     // Timer3
    };

    StatusPoll(InstrumentState& state, protocol::MemoryAccess& memory, protocol::CommandChannel& channel,
               Controls controls, std::function<void()> restoreMiddlePieces);

    // One tick of Timer1.
    void Tick();

private:
    // The reads that must succeed; a failure ends the tick. Nothing of the tick is undone.
    bool ReadIdentification();
    std::optional<std::u16string> ReadVersionText();
    void MeasureBattery();
    void ReadOptionsBack();

    InstrumentState& state_;
    protocol::MemoryAccess& memory_;
    protocol::CommandChannel& channel_;
    Controls controls_;
    std::function<void()> restoreMiddlePieces_;
};

// "C1.31" gives 131: characters 2, 4 and 5 read as a decimal integer; nothing when they are not one.
std::optional<std::int32_t> FirmwareVersionNumberOf(std::u16string_view versionText);

}  // namespace zrflash::instrument
