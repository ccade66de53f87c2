// Helpers for the update tests: a program with one instrument polled and ready, and readings of
// what the instrument received.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/HeadlessControls.h"
#include "sim/InstrumentBuilder.h"
#include "tests/support/HeadlessProgram.h"
#include "update/FirmwareImage.h"

namespace zrflash::test {

inline constexpr std::u16string_view kSuccessLine = u"Процесс завершен успешно !!";
inline constexpr std::u16string_view kNotCompletedLine = u"Обновление прошивки не завершено";
inline constexpr std::u16string_view kCheckFailedLine = u"Ошибка проверки CRC";
inline constexpr std::u16string_view kUpdatingText = u"Обновление прошивки";
inline constexpr std::u16string_view kChunkRejectedBox = u"Сбой записи 1 ";

// One program with one instrument plugged in and identified by a poll tick, so that B1 is enabled.
class UpdateSession {
public:
    explicit UpdateSession(const sim::InstrumentBuilder& builder);

    HeadlessProgram program;
    std::shared_ptr<sim::SimInstrument> instrument;

    // Presses B1 like a user; false when the button could not be reached.
    bool ClickUpdate() { return program.Window().Click("B1"); }
    // Runs until the finalisation has logged its last line (success or not), at most a minute.
    bool RunUntilFinished();
    // Runs until the finish timer takes over from the upload.
    bool RunUntilUploadSent();
    bool LogHas(std::u16string_view line);
    int LogCount(std::u16string_view line);
    platform::headless::HeadlessProgressBar& Progress();
    bool AnyUpdateTimerOn();
};

// The requests the instrument took for one command, in order (SetFeature transfers that reached it).
std::vector<std::vector<std::uint8_t>> Requests(const sim::SimInstrument& instrument, std::uint8_t command);
// Every successful request from the transfer with index `from` of the trace on, whatever its command.
std::vector<std::vector<std::uint8_t>> RequestsFrom(const sim::SimInstrument& instrument, std::size_t from);
// The carried image of a model in the order it is sent.
update::FirmwareImage SendingOrder(std::uint8_t modelCode);

}  // namespace zrflash::test
