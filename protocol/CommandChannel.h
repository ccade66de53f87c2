// The command transaction: one command sent in a feature report, the instrument's status polled
// until it is done, the echo of written data verified, with retries, log lines and a message box.
#pragma once

#include <cstdint>

#include "protocol/Commands.h"
#include "protocol/ProtocolHost.h"

namespace zrflash::protocol {

enum class CommandOutcome {
    Done,          // the instrument reported the command done (and, verified, echoed the data)
    Failed,        // reported in the log (and for a write, in a message box)
    NoInstrument,  // no checked-out instrument: nothing was sent or logged
};

class CommandChannel {
public:
    explicit CommandChannel(ProtocolHost& host) : host_(host) {}

    // The two report buffers shared by every operation. Callers set OutReport bytes 1..17; the
    // transaction sets bytes 0 and 18. Bytes a caller does not set keep what the last exchange
    // left there.
    Report OutReport{};
    Report InReport{};
    bool LastTransferOk = false;
    bool EchoMismatch = false;

    bool ExecuteCommand(std::uint8_t command, bool verify) {
        return Transact(command, verify) == CommandOutcome::Done;
    }
    CommandOutcome Transact(std::uint8_t command, bool verify);
    // One more report fetched into OutReport (where memory reads find their answer). False
    // without an instrument or when the transfer fails.
    bool FetchIntoOutReport();

    bool HasInstrument() { return host_.ActiveDevice() != nullptr; }
    ProtocolHost& Host() { return host_; }

private:
    bool Send();
    bool Fetch(Report& report);
    bool ReadStatus();
    bool EchoMatches();

    ProtocolHost& host_;
};

}  // namespace zrflash::protocol
