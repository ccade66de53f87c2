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

// Where an update stands. The timers follow from it: the poll runs in Idle and Abandoned, the
// upload timer in Uploading, the finish timer in Finalising, none in Preparing and Stopped.
enum class UpdatePhase {
    Idle,        // no update: the poll runs
    Preparing,   // inside the click: backup, firmware marked as being updated
    Uploading,   // one chunk per tick
    Finalising,  // the one tick that writes the version and marks the firmware valid
    Stopped,     // the instrument refused the upload; only reconnecting it gets out of here
    Abandoned,   // the instrument went (or the window closed) while the update ran
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
    // The active instrument went: an update in progress is abandoned and the poll comes back.
    void InstrumentRemoved();
    // The window is closing: nothing of an update may go on, not even from a handler that a
    // message box had suspended.
    void WindowClosed();

    UpdatePhase Phase() const { return phase_; }
    // Preparing, uploading or finalising: the instrument is in the middle of an update.
    bool InProgress() const;

    // The offset of the next chunk.
    std::int32_t UploadPos = 0;

private:
    // Which update a handler works for, and in which phase it started. A message box inside a
    // transaction runs the loop, where the instrument may be swapped and another update started;
    // a handler resumed after that must find its ticket no longer current and leave everything be.
    struct Ticket {
        std::uint64_t generation;
        UpdatePhase phase;
    };
    Ticket Current() const { return {generation_, phase_}; }
    bool StillCurrent(const Ticket& ticket) const {
        return ticket.generation == generation_ && ticket.phase == phase_;
    }
    void EnterPhase(UpdatePhase phase);
    // Stopped, with the line that says how to get out of it; the box, if any, comes last, since
    // its loop may start anything.
    void Stop(bool withBox);

    // WriteByte while the ticket is current. True when written and verified.
    bool WriteCell(const Ticket& ticket, std::uint16_t address, std::uint8_t value);
    bool WriteNumber(const Ticket& ticket, std::uint16_t address, double value);
    bool WriteModel12Cells(const Ticket& ticket, std::int32_t firmwareVersionNumber);
    bool WriteVersionText(const Ticket& ticket, std::u16string_view text, bool terminate);
    bool CheckFirmware(const Ticket& ticket);
    void Pause(const Ticket& ticket, int milliseconds);

    platform::Gui& gui_;
    platform::System& system_;
    protocol::CommandChannel& channel_;
    protocol::MemoryAccess& memory_;
    Controls controls_;
    SettingsBackup backup_;
    const FirmwareImage& storedImage_;
    FirmwareImage& uploadImage_;
    UpdateTarget target_;
    UpdatePhase phase_ = UpdatePhase::Idle;
    std::uint64_t generation_ = 0;
};

}  // namespace zrflash::update
