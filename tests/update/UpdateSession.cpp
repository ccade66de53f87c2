// Helpers for the update tests: a program with one instrument polled and ready, and readings of
// what the instrument received.
#include "tests/update/UpdateSession.h"

#include <algorithm>

#include "update/FirmwareImages.h"
#include "update/ImagePieces.h"

namespace zrflash::test {

UpdateSession::UpdateSession(const sim::InstrumentBuilder& builder) : instrument(program.Plug(builder)) {
    program.Start();
    program.RunFor(1100);
}

bool UpdateSession::RunUntilFinished() {
    return program.gui.RunUntil([&] { return LogHas(kSuccessLine) || LogHas(kNotCompletedLine); }, 60'000);
}

bool UpdateSession::RunUntilUploadSent() {
    return program.gui.RunUntil([&] { return program.Form().Timer3->Enabled(); }, 60'000);
}

bool UpdateSession::LogHas(std::u16string_view line) { return LogCount(line) > 0; }

int UpdateSession::LogCount(std::u16string_view line) {
    const auto lines = program.Log();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

platform::headless::HeadlessProgressBar& UpdateSession::Progress() {
    return dynamic_cast<platform::headless::HeadlessProgressBar&>(*program.Form().Pr1);
}

bool UpdateSession::AnyUpdateTimerOn() {
    auto& form = program.Form();
    return form.Timer1->Enabled() || form.Timer2->Enabled() || form.Timer3->Enabled();
}

std::vector<std::vector<std::uint8_t>> Requests(const sim::SimInstrument& instrument, std::uint8_t command) {
    std::vector<std::vector<std::uint8_t>> requests;
    for (const auto& transfer : instrument.Trace()) {
        if (transfer.direction == sim::TransferDirection::SetFeature && transfer.succeeded &&
            transfer.command == command) {
            requests.push_back(transfer.bytes);
        }
    }
    return requests;
}

std::vector<std::vector<std::uint8_t>> RequestsFrom(const sim::SimInstrument& instrument, std::size_t from) {
    std::vector<std::vector<std::uint8_t>> requests;
    const auto& trace = instrument.Trace();
    for (std::size_t i = from; i < trace.size(); ++i) {
        if (trace[i].direction == sim::TransferDirection::SetFeature && trace[i].succeeded) {
            requests.push_back(trace[i].bytes);
        }
    }
    return requests;
}

update::FirmwareImage SendingOrder(std::uint8_t modelCode) {
    update::FirmwareImage image{};
    update::RestoreAllPieces(*update::FirmwareImageOfModel(modelCode), image);
    return image;
}

}  // namespace zrflash::test
