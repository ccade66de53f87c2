// The command transaction: one command sent in a feature report, the instrument's status polled
// until it is done, the echo of written data verified, with retries, log lines and a message box.
#include "protocol/CommandChannel.h"

#include <string>

#include "hid/THidDevice.h"
#include "protocol/ProtocolTexts.h"

namespace zrflash::protocol {
namespace {

constexpr int kRetryPauseMs = 10;
constexpr int kMaxSends = 4;
// Ends the attempt loop after a good answer; any other way out leaves the counter at kMaxSends.
constexpr int kDone = 40;
constexpr int kMaxBusyCount = 2;
constexpr std::size_t kFirstEchoByte = 3;
constexpr std::size_t kLastEchoByte = 17;

std::u16string Decimal(std::uint8_t value) {
    std::u16string text;
    for (char digit : std::to_string(value)) text += static_cast<char16_t>(digit);
    return text;
}

// A device that reports reports longer than the buffers is refused rather than overrun.
bool Transfer(hid::THidDevice& device, Report& report, bool send) {
    const int length = device.Caps().FeatureReportByteLength;
    if (length > static_cast<int>(report.size())) return false;
    return send ? device.SetFeature(report, length) : device.GetFeature(report, length);
}

}  // namespace

bool CommandChannel::Send() {
    hid::THidDevice* device = host_.ActiveDevice();
    LastTransferOk = device != nullptr && Transfer(*device, OutReport, true);
    return LastTransferOk;
}

bool CommandChannel::Fetch(Report& report) {
    hid::THidDevice* device = host_.ActiveDevice();
    LastTransferOk = device != nullptr && Transfer(*device, report, false);
    return LastTransferOk;
}

bool CommandChannel::FetchIntoOutReport() { return Fetch(OutReport); }

// Three reads at most. The status byte is preset before each, so that a report too short to
// carry a status counts as busy.
bool CommandChannel::ReadStatus() {
    InReport[kStatusByte] = 2;
    if (Fetch(InReport)) return true;
    host_.Sleep(kRetryPauseMs);
    InReport[kStatusByte] = 1;
    if (Fetch(InReport)) return true;
    host_.Sleep(kRetryPauseMs);
    InReport[kStatusByte] = 3;
    const bool ok = Fetch(InReport);
    host_.Log(texts::kReadFailure);
    return ok;
}

bool CommandChannel::EchoMatches() {
    bool equal = true;
    for (std::size_t i = kFirstEchoByte; i <= kLastEchoByte; ++i) equal = equal && InReport[i] == OutReport[i];
    return equal;
}

CommandOutcome CommandChannel::Transact(std::uint8_t command, bool verify) {
    if (!HasInstrument()) return CommandOutcome::NoInstrument;
    const std::u16string code = Decimal(command);
    // Busy answers and echo mismatches share one counter.
    int counter = 0;
    while (counter < kMaxSends) {
        OutReport[0] = 0;
        OutReport[kCommandByte] = command;
        bool delivered = Send();
        if (!delivered) {
            host_.Sleep(kRetryPauseMs);
            delivered = Send();
            host_.Log(std::u16string(texts::kResendCommand) + code);
        }
        for (;;) {
            if (!ReadStatus()) {
                host_.Log(std::u16string(texts::kProtocolError) + code);
                return CommandOutcome::Failed;
            }
            if (InReport[kStatusByte] == 0) break;
            // Busy: wait and ask again; the command itself is not sent again.
            host_.Sleep(kRetryPauseMs);
            if (++counter > kMaxBusyCount) {
                host_.Log(std::u16string(texts::kBusyTooLong) + code);
                return CommandOutcome::Failed;
            }
        }
        // The status 0 of a command that never reached the instrument is the one before's: a read
        // would deliver a stale byte, and a write is sent again as if its echo had differed.
        if (!verify && !delivered) {
            host_.Log(std::u16string(texts::kProtocolError) + code);
            return CommandOutcome::Failed;
        }
        if (!verify) {
            counter = kDone;
            break;
        }
        EchoMismatch = !delivered || !EchoMatches();
        if (!EchoMismatch) {
            counter = kDone;
            break;
        }
        host_.Log(texts::kWriteFailure);
        host_.Log(texts::kWriteRetry);
        ++counter;
    }
    if (counter == kMaxSends) {
        host_.ShowMessageBox(texts::kWriteError, u"");
        return CommandOutcome::Failed;
    }
    return CommandOutcome::Done;
}

}  // namespace zrflash::protocol
