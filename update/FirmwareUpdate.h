// The firmware update: its start on a click of the update button, one chunk per tick of the upload
// timer with a page commit every 256 bytes, and the finalisation in one tick of the finish timer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Gui.h"
#include "platform/System.h"
#include "protocol/MemoryAccess.h"
#include "update/FirmwareImage.h"
#include "update/SettingsBackup.h"

namespace zrflash::update {

// What the update needs to know of the instrument, taken when the update starts.
struct UpdateTarget {
    std::uint8_t modelCode = 0;
    std::u16string modelSuffix;
    std::u16string deviceIdent;
};

class FirmwareUpdate {
public:
    struct Controls {
        platform::ListBox& log;
        platform::PushButton& update;    // B1
        platform::GroupBox& options;     // G6
        platform::Label& status;         // Label1
        platform::ProgressBar& progress; // Pr1
        platform::Timer& pollTimer;      // Timer1
        platform::Timer& uploadTimer;    // Timer2
        platform::Timer& finishTimer;    // Timer3
    };

    FirmwareUpdate(platform::Gui& gui, platform::System& system, protocol::CommandChannel& channel,
                   protocol::MemoryAccess& memory, Controls controls, const FirmwareImage& storedImage,
                   FirmwareImage& uploadImage);

    // B1Click: backup, firmware marked as being updated, the image completed in sending order;
    // the upload timer starts last, so no chunk goes out before all that is done.
    void Start(const UpdateTarget& target);
    // Timer2Timer.
    void UploadTick();
    // Timer3Timer. firmwareVersionNumber is the version the instrument had before the update.
    void FinishTick(std::int32_t firmwareVersionNumber);

    // The offset of the next chunk.
    std::int32_t UploadPos = 0;

private:
    // Both finish the update with the message box and leave every timer off (Stopped).
    void StopWithMessage();
    bool Abandoned() const;
    // WriteByte, unless the update has been abandoned. True when written and verified.
    bool WriteCell(std::uint16_t address, std::uint8_t value);
    bool WriteNumber(std::uint16_t address, double value);
    bool WriteModel12Cells(std::int32_t firmwareVersionNumber);
    bool WriteVersionText(std::u16string_view text, bool terminate);
    bool CheckFirmware();

    platform::Gui& gui_;
    platform::System& system_;
    protocol::CommandChannel& channel_;
    protocol::MemoryAccess& memory_;
    Controls controls_;
    SettingsBackup backup_;
    const FirmwareImage& storedImage_;
    FirmwareImage& uploadImage_;
    UpdateTarget target_;
};

}  // namespace zrflash::update
