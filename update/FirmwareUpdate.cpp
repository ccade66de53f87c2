// The firmware update: its start on a click of the update button, one chunk per tick of the upload
// timer with a page commit every 256 bytes, and the finalisation in one tick of the finish timer.
#include "update/FirmwareUpdate.h"

#include <array>

#include "instrument/ModelTable.h"
#include "protocol/AddressMap.h"
#include "protocol/ChecksumReadout.h"
#include "protocol/Commands.h"
#include "protocol/NumberFormat.h"
#include "update/FirmwareChecksum.h"
#include "update/FirmwareImages.h"
#include "update/ImagePieces.h"
#include "update/UpdateTexts.h"

namespace zrflash::update {
namespace {

namespace address = protocol::address;
namespace command = protocol::command;

constexpr int kChunkLength = 16;
constexpr int kPageLength = 256;
constexpr int kCommitPauseMs = 10;
constexpr int kFinishPauseMs = 20;
constexpr int kCheckPauseMs = 10;

std::uint8_t ModelByte(std::uint8_t modelCode) { return modelCode == 14 ? 14 : 45; }

constexpr std::uint16_t At(std::uint16_t first, int offset) { return static_cast<std::uint16_t>(first + offset); }

// Settings that model-12 firmware older than 1.12 lacks, in the order they are written.
constexpr std::array<protocol::DeviceByteWrite, 9> kModel12CellsBefore112 = {{
    {At(address::kModel12Settings398, 0), 10},  {At(address::kModel12Settings398, 1), 0},
    {At(address::kModel12Settings398, 4), 0},   {At(address::kModel12Settings398, 2), 244},
    {At(address::kModel12Settings398, 3), 1},   {At(address::kModel12Settings490, 0), 160},
    {At(address::kModel12Settings490, 1), 134}, {At(address::kModel12Settings490, 2), 1},
    {At(address::kModel12Settings490, 3), 0},
}};

// Calibration numbers that model-12 firmware up to 1.00 lacks.
constexpr std::array<double, 8> kModel12CalibrationBefore101 = {0.902, -0.0115, 0.7581, -0.0051,
                                                                0,     0.40577, 0.0197, 0.052};

}  // namespace

FirmwareUpdate::FirmwareUpdate(platform::Gui& gui, platform::System& system, protocol::CommandChannel& channel,
                               protocol::MemoryAccess& memory, Controls controls, const FirmwareImage& storedImage,
                               FirmwareImage& uploadImage)
    : gui_(gui),
      system_(system),
      channel_(channel),
      memory_(memory),
      controls_(controls),
      backup_(gui, system, memory, {controls.progress, controls.log}),
      storedImage_(storedImage),
      uploadImage_(uploadImage) {}

bool FirmwareUpdate::InProgress() const {
    return phase_ == UpdatePhase::Preparing || phase_ == UpdatePhase::Uploading ||
           phase_ == UpdatePhase::Finalising;
}

void FirmwareUpdate::EnterPhase(UpdatePhase phase) {
    phase_ = phase;
    const bool polling = phase == UpdatePhase::Idle || phase == UpdatePhase::Abandoned;
    controls_.pollTimer.SetEnabled(polling);
    controls_.uploadTimer.SetEnabled(phase == UpdatePhase::Uploading);
    controls_.finishTimer.SetEnabled(phase == UpdatePhase::Finalising);
}

void FirmwareUpdate::Stop(bool withBox) {
    EnterPhase(UpdatePhase::Stopped);
    controls_.log.Add(texts::kReconnectInstrument);
    if (withBox) gui_.ShowMessageBox(texts::kChunkRejected, u"", platform::MessageBoxIcon::None);
}

void FirmwareUpdate::InstrumentRemoved() {
    EnterPhase(InProgress() ? UpdatePhase::Abandoned : UpdatePhase::Idle);
}

void FirmwareUpdate::WindowClosed() {
    phase_ = UpdatePhase::Abandoned;
    controls_.pollTimer.SetEnabled(false);
    controls_.uploadTimer.SetEnabled(false);
    controls_.finishTimer.SetEnabled(false);
}

void FirmwareUpdate::Start(const UpdateTarget& target) {
    ++generation_;
    EnterPhase(UpdatePhase::Preparing);
    const Ticket ticket = Current();
    target_ = target;
    controls_.log.Clear();
    controls_.log.Add(instrument::ConnectedLine(target_.modelSuffix));
    UploadPos = 0;
    controls_.update.SetEnabled(false);
    controls_.options.SetEnabled(false);
    backup_.Run(target_.modelCode, target_.deviceIdent);
    if (!StillCurrent(ticket)) return;
    // Without this mark an interrupted upload would later pass for current firmware.
    const bool marked = memory_.WriteByte(address::kFirmwareState, address::kFirmwareUpdating);
    // A box of the write ran the loop: the instrument may have gone, another update begun.
    if (!StillCurrent(ticket)) return;
    if (!marked) {
        controls_.log.Add(texts::kNotStarted);
        EnterPhase(UpdatePhase::Idle);
        return;
    }
    // All four pieces, from the active instrument's image only.
    if (target_.modelCode == 12 || target_.modelCode == 14) RestoreAllPieces(storedImage_, uploadImage_);
    controls_.status.SetText(texts::kUpdating);
    EnterPhase(UpdatePhase::Uploading);
}

void FirmwareUpdate::UploadTick() {
    controls_.uploadTimer.SetEnabled(false);
    if (phase_ != UpdatePhase::Uploading) return;
    const Ticket ticket = Current();
    constexpr auto kEnd = static_cast<std::int32_t>(UploadEnd);
    controls_.progress.SetMaximum(kEnd / kPageLength);
    if (UploadPos >= kEnd) {
        EnterPhase(UpdatePhase::Finalising);
        return;
    }
    auto& out = channel_.OutReport;
    out[1] = static_cast<std::uint8_t>(UploadPos % kPageLength);
    std::uint16_t checksum = out[1];
    for (int k = 0; k < kChunkLength; ++k) {
        out[2 + k] = uploadImage_[static_cast<std::size_t>(UploadPos)];
        checksum = static_cast<std::uint16_t>(checksum + out[2 + k]);
        ++UploadPos;
    }
    const auto chunk = channel_.Transact(command::kWriteChunk, true);
    if (!StillCurrent(ticket)) return;
    // Without an instrument nothing was sent; otherwise the checksum alone decides.
    if (chunk == protocol::CommandOutcome::NoInstrument) {
        Stop(false);
        return;
    }
    const auto& in = channel_.InReport;
    if (static_cast<std::uint16_t>(in[1] + 256 * in[2]) != checksum) {
        Stop(true);
        return;
    }
    if (UploadPos % kPageLength == 0) {
        const int page = UploadPos / kPageLength;
        controls_.progress.SetPosition(page);
        out[1] = static_cast<std::uint8_t>(page - 1);
        out[2] = ModelByte(target_.modelCode);
        const auto commit = channel_.Transact(command::kCommitPage, false);
        if (!StillCurrent(ticket)) return;
        if (commit != protocol::CommandOutcome::NoInstrument) system_.Sleep(kCommitPauseMs);
        // A page the instrument did not take would leave a hole in its firmware.
        if (commit != protocol::CommandOutcome::Done) {
            Stop(commit == protocol::CommandOutcome::Failed);
            return;
        }
    }
    controls_.uploadTimer.SetEnabled(true);
}

bool FirmwareUpdate::WriteCell(const Ticket& ticket, std::uint16_t address, std::uint8_t value) {
    return StillCurrent(ticket) && memory_.WriteByte(address, value);
}

void FirmwareUpdate::Pause(const Ticket& ticket, int milliseconds) {
    if (StillCurrent(ticket)) system_.Sleep(milliseconds);
}

// Byte by byte, so that a removal between the bytes of a number stops it too.
bool FirmwareUpdate::WriteNumber(const Ticket& ticket, std::uint16_t address, double value) {
    const auto writes = protocol::DeviceFloatWrites(address, value);
    if (!writes) return false;
    bool verified = true;
    for (const auto& write : *writes) verified = WriteCell(ticket, write.address, write.value) && verified;
    return verified;
}

bool FirmwareUpdate::WriteVersionText(const Ticket& ticket, std::u16string_view text, bool terminate) {
    bool verified = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto target = static_cast<std::uint16_t>(address::kVersionText + i);
        verified = WriteCell(ticket, target, static_cast<std::uint8_t>(text[i])) && verified;
        if (i + 1 < text.size() || terminate) Pause(ticket, kFinishPauseMs);
    }
    if (terminate) verified = WriteCell(ticket, address::kVersionTextEnd, 0) && verified;
    return verified;
}

bool FirmwareUpdate::WriteModel12Cells(const Ticket& ticket, std::int32_t firmwareVersionNumber) {
    bool verified = true;
    if (firmwareVersionNumber < 115) verified = WriteCell(ticket, address::kModel12Setting34E, 0) && verified;
    if (firmwareVersionNumber < 112) {
        for (const auto& cell : kModel12CellsBefore112) {
            verified = WriteCell(ticket, cell.address, cell.value) && verified;
        }
    }
    if (firmwareVersionNumber < 101) {
        for (std::size_t i = 0; i < kModel12CalibrationBefore101.size(); ++i) {
            const auto target = static_cast<std::uint16_t>(address::kCalibrationNumbers + 4 * i);
            verified = WriteNumber(ticket, target, kModel12CalibrationBefore101[i]) && verified;
            Pause(ticket, kFinishPauseMs);
        }
    }
    return verified;
}

// The instrument sums the firmware it now holds; it must be the image this program carries. Only
// a check that was sent can fail: without an instrument (or once the update is no longer this
// one) nothing is said about it.
bool FirmwareUpdate::CheckFirmware(const Ticket& ticket) {
    if (!StillCurrent(ticket)) return false;
    const auto outcome = channel_.Transact(command::kCheckFirmware, false);
    if (!StillCurrent(ticket) || outcome == protocol::CommandOutcome::NoInstrument) return false;
    if (outcome == protocol::CommandOutcome::Done) {
        system_.Sleep(kCheckPauseMs);
        if (protocol::ChecksumInReport(channel_.InReport) == Model14FirmwareChecksum) return true;
    }
    controls_.log.Add(texts::kCheckFailed);
    return false;
}

void FirmwareUpdate::FinishTick(std::int32_t firmwareVersionNumber) {
    // Off first: a message box inside a write runs the loop, which must not start this again.
    controls_.finishTimer.SetEnabled(false);
    if (phase_ != UpdatePhase::Finalising) return;
    const Ticket ticket = Current();
    bool complete = false;
    std::u16string version;
    for (char c : CarriedFirmwareVersion(target_.modelCode)) version += static_cast<char16_t>(c);
    if (target_.modelCode == 14) {
        complete = WriteVersionText(ticket, version, false);
        complete = CheckFirmware(ticket) && complete;
    } else {
        complete = WriteModel12Cells(ticket, firmwareVersionNumber);
        complete = WriteVersionText(ticket, version, true) && complete;
    }
    complete = complete && WriteCell(ticket, address::kFirmwareState, address::kFirmwareValid);
    // Abandoned meanwhile: the removal has brought the poll back, and whatever is attached now
    // (perhaps with an update of its own) is none of this finalisation's business.
    if (!StillCurrent(ticket)) return;
    EnterPhase(UpdatePhase::Idle);
    controls_.log.Add(complete ? texts::kSucceeded : texts::kNotCompleted);
}

}  // namespace zrflash::update
