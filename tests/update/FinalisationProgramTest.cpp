// The finalisation after the upload: which cells are written in which order with which pauses,
// the firmware check of model 14, and when the firmware is marked valid.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "tests/update/UpdateSession.h"

namespace zrflash::test {
namespace {

constexpr std::uint8_t kWriteByte = 20;
constexpr std::uint8_t kCheckFirmware = 25;

// One request of the finalisation and the pauses that follow it.
struct Step {
    std::uint8_t command;
    std::uint16_t address;
    std::uint8_t value;
    std::vector<int> pauses;

    bool operator==(const Step&) const = default;
};

Step Write(std::uint16_t address, std::uint8_t value, bool thenPause20 = false) {
    return thenPause20 ? Step{kWriteByte, address, value, {5, 20}} : Step{kWriteByte, address, value, {5}};
}

using Steps = std::vector<Step>;

Steps operator+(Steps a, const Steps& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Steps kModel12Version = {Write(0x340, 'C', true), Write(0x341, '1', true), Write(0x342, '.', true),
                               Write(0x343, '3', true), Write(0x344, '1', true), Write(0x345, 0)};
const Steps kModel14Version = {Write(0x340, 'D', true), Write(0x341, '1', true), Write(0x342, '.', true),
                               Write(0x343, '1', true), Write(0x344, '4')};
const Steps kFlagValid = {Write(0x3FF, 1)};
const Steps kCheck = {Step{kCheckFirmware, 0, 0, {10}}};
const Steps kBefore115 = {Write(0x34E, 0)};
const Steps kBefore112 = {Write(0x398, 10), Write(0x399, 0),   Write(0x39C, 0),   Write(0x39A, 244), Write(0x39B, 1),
                          Write(0x490, 160), Write(0x491, 134), Write(0x492, 1), Write(0x493, 0)};

// A number goes in sign-and-exponent first, then the fraction bytes, and a 20 ms pause follows it.
Steps Number(std::uint16_t address, std::array<std::uint8_t, 4> bytes) {
    return {Write(address + 3, bytes[3]), Write(address, bytes[0]), Write(address + 1, bytes[1]),
            Write(address + 2, bytes[2], true)};
}

const Steps kBefore101 = Number(0x308, {0x79, 0xE9, 0x66, 0x3F}) + Number(0x30C, {0x7F, 0x6A, 0x3C, 0xBC}) +
                         Number(0x310, {0xD7, 0x12, 0x42, 0x3F}) + Number(0x314, {0xE7, 0x1D, 0xA7, 0xBB}) +
                         Number(0x318, {0x00, 0x00, 0x00, 0x00}) + Number(0x31C, {0x16, 0xC1, 0xCF, 0x3E}) +
                         Number(0x320, {0xE5, 0x61, 0xA1, 0x3C}) + Number(0x324, {0xF4, 0xFD, 0x54, 0x3D});

struct Request {
    std::uint8_t command;
    std::uint16_t address;
    std::uint8_t value;

    bool operator==(const Request&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Request& r) {
    return out << "{" << int(r.command) << ", 0x" << std::hex << r.address << ", " << std::dec << int(r.value) << "}";
}

std::vector<Request> RequestsOf(const Steps& steps) {
    std::vector<Request> requests;
    for (const auto& step : steps) requests.push_back({step.command, step.address, step.value});
    return requests;
}

std::vector<int> PausesOf(const Steps& steps) {
    std::vector<int> pauses;
    for (const auto& step : steps) pauses.insert(pauses.end(), step.pauses.begin(), step.pauses.end());
    return pauses;
}

// What the instrument received from the trace index `from` on.
std::vector<Request> Received(const sim::SimInstrument& instrument, std::size_t from) {
    std::vector<Request> requests;
    for (const auto& request : RequestsFrom(instrument, from)) {
        const bool write = request[18] == kWriteByte;
        requests.push_back({request[18], static_cast<std::uint16_t>(write ? request[1] << 8 | request[2] : 0),
                            static_cast<std::uint8_t>(write ? request[3] : 0)});
    }
    return requests;
}

std::vector<int> PausesFrom(const std::vector<int>& pauses, std::size_t from) {
    return {pauses.begin() + static_cast<std::ptrdiff_t>(from), pauses.end()};
}

struct FinishCase {
    const char* name;
    bool model14;
    std::string_view versionBefore;
    Steps expected;
};

class Finalisation : public testing::TestWithParam<FinishCase> {};

TEST_P(Finalisation, WritesExactlyTheCellsTheOldFirmwareCallsForThenMarksItValid) {
    const auto& c = GetParam();
    sim::InstrumentBuilder builder;
    if (c.model14) builder.Model14();
    UpdateSession session(builder.Version(c.versionBefore));
    ASSERT_TRUE(session.ClickUpdate());
    ASSERT_TRUE(session.RunUntilUploadSent());
    const auto traceStart = session.instrument->Trace().size();
    const auto pausesStart = session.program.system.Sleeps().size();

    ASSERT_TRUE(session.RunUntilFinished());

    EXPECT_EQ(Received(*session.instrument, traceStart), RequestsOf(c.expected));
    EXPECT_EQ(PausesFrom(session.program.system.Sleeps(), pausesStart), PausesOf(c.expected));
    EXPECT_EQ(session.program.Log().back(), kSuccessLine);
    EXPECT_EQ(session.instrument->MemoryByte(0x3FF), 1);
    auto& form = session.program.Form();
    EXPECT_TRUE(form.Timer1->Enabled());
    EXPECT_FALSE(form.Timer3->Enabled());
}

INSTANTIATE_TEST_SUITE_P(
    Update, Finalisation,
    testing::Values(FinishCase{"Model12From131", false, "C1.31", kModel12Version + kFlagValid},
                    FinishCase{"Model12From114", false, "C1.14", kBefore115 + kModel12Version + kFlagValid},
                    FinishCase{"Model12From111", false, "C1.11", kBefore115 + kBefore112 + kModel12Version + kFlagValid},
                    FinishCase{"Model12From101", false, "C1.01", kBefore115 + kBefore112 + kModel12Version + kFlagValid},
                    FinishCase{"Model12From100", false, "C1.00",
                               kBefore115 + kBefore112 + kBefore101 + kModel12Version + kFlagValid},
                    // Version 0.00: everything is written.
                    FinishCase{"Model12FromVersion0", false, "C0.00",
                               kBefore115 + kBefore112 + kBefore101 + kModel12Version + kFlagValid},
                    FinishCase{"Model14", true, "D1.13", kModel14Version + kCheck + kFlagValid},
                    FinishCase{"Model14FromOldVersion", true, "D1.00", kModel14Version + kCheck + kFlagValid}),
    [](const auto& info) { return std::string(info.param.name); });

struct FaultCase {
    const char* name;
    bool model14;
    // Set up on the instrument before the update button is pressed.
    std::function<void(sim::InstrumentFaults&)> beforeClick;
    // Set up when the upload has been sent; given the number of the instrument's next SetFeature.
    std::function<void(sim::InstrumentFaults&, int nextSetFeature)> beforeFinish;
    int messageBoxDwellMs;
    bool unplugWhileTheBoxIsUp;
    std::vector<std::u16string> logEnd;
    int checksumRequests;
};

class FinalisationFails : public testing::TestWithParam<FaultCase> {};

// The firmware is marked valid only when everything of the finalisation went through; the poll
// comes back in every case, and the finalisation runs once even when a box runs the loop inside it.
TEST_P(FinalisationFails, FirmwareStaysMarkedAsBeingUpdatedAndThePollResumes) {
    const auto& c = GetParam();
    sim::InstrumentBuilder builder;
    if (c.model14) builder.Model14();
    UpdateSession session(builder);
    auto& instrument = *session.instrument;
    auto& gui = session.program.gui;
    if (c.beforeClick) c.beforeClick(instrument.Faults());
    ASSERT_TRUE(session.ClickUpdate());
    ASSERT_TRUE(session.RunUntilUploadSent());
    ASSERT_TRUE(gui.MessageBoxes().empty());
    gui.SetMessageBoxDwellMs(c.messageBoxDwellMs);
    if (c.beforeFinish) c.beforeFinish(instrument.Faults(), instrument.SetFeatureCount() + 1);
    // The user pulls the cable while a box of the finalisation is up.
    auto unplugger = gui.CreateTimer();
    unplugger->SetInterval(1);
    unplugger->SetOnTimer([&] {
        if (gui.MessageBoxes().empty()) return;
        unplugger->SetEnabled(false);
        session.program.Unplug(session.instrument);
    });
    unplugger->SetEnabled(c.unplugWhileTheBoxIsUp);

    session.program.RunFor(500);

    const auto log = session.program.Log();
    ASSERT_GE(log.size(), c.logEnd.size());
    EXPECT_EQ(std::vector<std::u16string>(log.end() - static_cast<std::ptrdiff_t>(c.logEnd.size()), log.end()), c.logEnd);
    // Pulled out while the box was up: the finalisation was abandoned with the instrument and
    // says nothing more; the removal has said what happened.
    EXPECT_EQ(session.LogCount(kNotCompletedLine), c.unplugWhileTheBoxIsUp ? 0 : 1);
    EXPECT_EQ(session.LogCount(kSuccessLine), 0);
    EXPECT_EQ(Requests(instrument, kCheckFirmware).size(), static_cast<std::size_t>(c.checksumRequests));
    EXPECT_EQ(instrument.MemoryByte(0x3FF), 0x88);
    auto& form = session.program.Form();
    EXPECT_TRUE(form.Timer1->Enabled());
    EXPECT_FALSE(form.Timer2->Enabled());
    EXPECT_FALSE(form.Timer3->Enabled());
    if (!c.unplugWhileTheBoxIsUp) {
        session.program.RunFor(1000);
        EXPECT_EQ(form.Label1->Text(), c.model14 ? u"Перезагрузите прошивку D1.14" : u"Перезагрузите прошивку C1.31");
    }
}

const std::u16string kCheckFailed(kCheckFailedLine);
const std::u16string kNotCompleted(kNotCompletedLine);

INSTANTIATE_TEST_SUITE_P(
    Update, FinalisationFails,
    testing::Values(
        // A page the instrument dropped: its own sum differs from the image's.
        FaultCase{"Model14ChecksumDiffers", true, [](sim::InstrumentFaults& f) { f.LoseCommits(1); }, nullptr, 0,
                  false, {kCheckFailed, kNotCompleted}, 1},
        FaultCase{"Model14CheckNotDone", true, nullptr,
                  [](sim::InstrumentFaults& f, int) { f.BusyAnswers(kCheckFirmware, 5, 1); }, 0, false,
                  {u"команда 25", kCheckFailed, kNotCompleted}, 1},
        // The first version write fails with a box; the instrument goes while it is up: no further
        // write, no check (and so no word of a failed one), no verdict.
        FaultCase{"Model14GoneDuringTheFinalisation", true, nullptr,
                  [](sim::InstrumentFaults& f, int) { f.CorruptEcho(3, 4, kWriteByte); }, 50, true,
                  {u"Повтор записи", u"Пинцет ЖР-14 отключен"}, 0},
        // The box of the failed first write stays up long enough for many ticks of the finish timer.
        FaultCase{"Model12VersionWriteNotVerified", false, nullptr,
                  [](sim::InstrumentFaults& f, int) { f.CorruptEcho(3, 4, kWriteByte); }, 100, false,
                  {u"Повтор записи", kNotCompleted}, 0},
        // From version 1.28 the finalisation makes six writes before the flag; every send of the flag
        // write is lost.
        FaultCase{"Model12FlagNeverArrives", false, nullptr,
                  [](sim::InstrumentFaults& f, int next) {
                      for (int i = 0; i < 8; ++i) f.FailSetFeatureAt(next + 6 + i);
                  },
                  0, false, {u"Повтор записи", kNotCompleted}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zrflash::test
