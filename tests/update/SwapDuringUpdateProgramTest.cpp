// An instrument pulled out while a box of the update is up, and another one plugged in before the
// box is closed: the update was abandoned with the first, and the second must receive none of it.
#include <gtest/gtest.h>

#include <string>

#include "tests/update/UpdateSession.h"

namespace zrflash::test {
namespace {

struct SwapCase {
    const char* name;
    // Where the box comes up: a chunk, or the first write of the finalisation.
    std::uint8_t failingCommand;
    bool duringFinalisation;
};

class SwapWhileABoxIsUp : public testing::TestWithParam<SwapCase> {};

TEST_P(SwapWhileABoxIsUp, TheNewInstrumentReceivesNothingOfTheUpdate) {
    const auto& c = GetParam();
    UpdateSession session(sim::InstrumentBuilder().Model12().Version("C1.00"));
    auto& gui = session.program.gui;
    auto& form = session.program.Form();
    ASSERT_TRUE(session.ClickUpdate());
    if (c.duringFinalisation) {
        ASSERT_TRUE(session.RunUntilUploadSent());
    } else {
        ASSERT_TRUE(gui.RunUntil([&] { return form.Update().UploadPos >= 1000; }, 60'000));
    }
    gui.SetMessageBoxDwellMs(200);
    session.instrument->Faults().CorruptEcho(5, 4, c.failingCommand);
    std::shared_ptr<sim::SimInstrument> second;
    auto swapper = gui.CreateTimer();
    swapper->SetInterval(1);
    swapper->SetOnTimer([&] {
        if (gui.MessageBoxes().empty()) return;
        swapper->SetEnabled(false);
        session.program.Unplug(session.instrument);
        second = session.program.Plug(sim::InstrumentBuilder().Model12().Version("C1.00"));
    });
    swapper->SetEnabled(true);

    session.program.RunFor(3000);

    ASSERT_NE(second, nullptr);
    ASSERT_EQ(gui.MessageBoxes().size(), 1u);
    for (std::uint8_t command : {20, 22, 23, 25}) {
        EXPECT_TRUE(Requests(*second, command).empty()) << "command " << int(command);
    }
    EXPECT_EQ(second->MemoryByte(0x3FF), 1);
    EXPECT_EQ(session.LogCount(kSuccessLine), 0);
    EXPECT_EQ(form.Label1->Text(), u"Текущая версия прошивки C1.00");
    EXPECT_TRUE(form.B1->Enabled());
}

INSTANTIATE_TEST_SUITE_P(Update, SwapWhileABoxIsUp,
                         testing::Values(SwapCase{"DuringTheUpload", 23, false},
                                         SwapCase{"DuringTheFinalisation", 20, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zrflash::test
