// The diagnostic checksum read-out as a user reaches it: Tab to the hidden Button1, press Space,
// read E1.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "sim/InstrumentState.h"
#include "sim/SimInstrument.h"
#include "tests/support/HeadlessProgram.h"

namespace zrflash::test {
namespace {

// Flash whose checked part sums to the given value (the instrument's firmware check).
std::vector<std::uint8_t> FlashSumming(std::uint32_t sum) {
    std::vector<std::uint8_t> flash(sim::kCheckedFlashSize, 0);
    std::size_t index = 0;
    for (; sum >= 0xFF; sum -= 0xFF) flash.at(index++) = 0xFF;
    flash.at(index) = static_cast<std::uint8_t>(sum);
    return flash;
}

bool PressButton1(HeadlessProgram& program) {
    for (int presses = 0; presses < 20; ++presses) {
        if (program.Window().PressTab() == "Button1") {
            program.Window().PressSpace();
            return true;
        }
    }
    return false;
}

struct ReadoutCase {
    const char* name;
    std::uint32_t flashSum;
    std::function<void(sim::InstrumentFaults&)> faults;
    std::u16string shown;
};

TEST(ChecksumReadout, Button1ShowsTheInstrumentsChecksum) {
    const std::vector<ReadoutCase> cases = {
        {"bytes 01 02 03", 0x030201, [](auto&) {}, u"197121"},
        {"zero", 0, [](auto&) {}, u"0"},
        // The flash cannot sum that high; the answer's top byte is turned from 00 to FF.
        {"all ones", 0x00FFFF, [](auto& f) { f.CorruptEcho(3, 1, 25); }, u"16777215"},
        {"byte 4 does not count", 0x030201, [](auto& f) { f.CorruptEcho(4, 1, 25); }, u"197121"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        HeadlessProgram program;
        auto instrument = program.Plug(sim::InstrumentBuilder().Model12().Flash(FlashSumming(row.flashSum)));
        ASSERT_TRUE(program.Start());
        program.RunFor(1100);
        row.faults(instrument->Faults());
        const auto logBefore = program.Log();
        const auto sleepsBefore = program.system.Sleeps().size();
        instrument->ClearTrace();

        ASSERT_TRUE(PressButton1(program));

        EXPECT_EQ(program.Form().E1->Text(), row.shown);
        EXPECT_EQ(program.Log(), logBefore);
        ASSERT_FALSE(instrument->Trace().empty());
        EXPECT_EQ(instrument->Trace().front().bytes.at(18), 25);
        EXPECT_EQ(instrument->Trace().size(), 2u);
        EXPECT_EQ(std::vector<int>(program.system.Sleeps().begin() + static_cast<long>(sleepsBefore),
                                   program.system.Sleeps().end()),
                  std::vector<int>{10});
    }
}

// A failed transaction still shows a number: whatever InReport holds afterwards.
TEST(ChecksumReadout, FailedCheckStillShowsANumber) {
    HeadlessProgram program;
    auto instrument = program.Plug(sim::InstrumentBuilder().Model12().Flash(FlashSumming(0x030201)));
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);
    instrument->Faults().BusyAnswers(25, 3, 1);
    ASSERT_TRUE(PressButton1(program));
    EXPECT_EQ(program.Log().back(), u"команда 25");
    EXPECT_EQ(program.Form().E1->Text(), u"0");  // the busy answer's bytes
}

TEST(ChecksumReadout, WithoutAnInstrumentE1KeepsItsText) {
    HeadlessProgram program;
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);
    const auto logBefore = program.Log();
    const auto sleepsBefore = program.system.Sleeps().size();
    ASSERT_TRUE(PressButton1(program));
    EXPECT_EQ(program.Form().E1->Text(), u"E1");
    EXPECT_EQ(program.Log(), logBefore);
    EXPECT_EQ(program.system.Sleeps().size(), sleepsBefore);
}

}  // namespace
}  // namespace zrflash::test
