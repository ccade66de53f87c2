// A box of one update left open while the user unplugs, plugs in another instrument and starts
// its update: when the old box is closed, the handler it suspended must leave the new update be.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tests/update/UpdateSession.h"
#include "update/FirmwareImages.h"

namespace zrflash::test {
namespace {

constexpr std::uint8_t kWriteByte = 20;
constexpr std::uint8_t kWriteChunk = 23;
constexpr std::uint8_t kCheckFirmware = 25;

using ByteWrites = std::vector<std::pair<std::uint16_t, std::uint8_t>>;

ByteWrites WritesReceived(const sim::SimInstrument& instrument) {
    ByteWrites writes;
    for (const auto& request : Requests(instrument, kWriteByte)) {
        writes.emplace_back(static_cast<std::uint16_t>(request[1] << 8 | request[2]), request[3]);
    }
    return writes;
}

// What a clean update writes into an instrument already at the carried version: the mark, the
// version text (model 12 with its terminating 0), the mark of valid firmware.
ByteWrites CleanUpdateWrites(std::uint8_t modelCode) {
    ByteWrites writes{{0x3FF, 0x88}};
    const std::string_view version = update::CarriedFirmwareVersion(modelCode);
    for (std::size_t i = 0; i < version.size(); ++i) {
        writes.emplace_back(static_cast<std::uint16_t>(0x340 + i), static_cast<std::uint8_t>(version[i]));
    }
    if (modelCode == 12) writes.emplace_back(0x345, 0);
    writes.emplace_back(0x3FF, 1);
    return writes;
}

enum class BoxDuring { FlagWrite, Upload, Finalisation };

struct ReentryCase {
    const char* name;
    bool firstIsModel14;
    BoxDuring boxDuring;
    bool secondIsModel14;
};

class BoxLeftOpen : public testing::TestWithParam<ReentryCase> {};

TEST_P(BoxLeftOpen, TheNewUpdateCompletesAndTheOldOneWritesNothingMore) {
    const auto& c = GetParam();
    sim::InstrumentBuilder firstBuilder;
    if (c.firstIsModel14) firstBuilder.Model14().Version("D0.99");
    else firstBuilder.Model12().Version("C1.00");
    UpdateSession session(firstBuilder);
    auto& program = session.program;
    auto& gui = program.gui;
    auto& form = program.Form();
    auto first = session.instrument;

    // The write that brings up the box "Ошибка записи": its echo is wrong four times in a row.
    if (c.boxDuring == BoxDuring::FlagWrite) first->Faults().CorruptEcho(3, 4, kWriteByte);
    ASSERT_TRUE(session.ClickUpdate());
    if (c.boxDuring == BoxDuring::Upload) {
        ASSERT_TRUE(gui.RunUntil([&] { return form.Update().UploadPos >= 1000; }, 60'000));
        first->Faults().CorruptEcho(5, 4, kWriteChunk);
    }
    if (c.boxDuring == BoxDuring::Finalisation) {
        ASSERT_TRUE(session.RunUntilUploadSent());
        first->Faults().CorruptEcho(3, 4, kWriteByte);
    }

    // The user, with the box still open: cable out, the other instrument in, its update started
    // once the poll has identified it. The box is closed four seconds after it came up, about a
    // thousand chunks into the new upload.
    std::shared_ptr<sim::SimInstrument> second;
    std::size_t firstTraceAtUnplug = 0;
    bool secondStarted = false;
    auto user = gui.CreateTimer();
    user->SetInterval(1);
    user->SetOnTimer([&] {
        if (gui.MessageBoxes().empty()) return;
        if (!second) {
            program.Unplug(first);
            firstTraceAtUnplug = first->Trace().size();
            sim::InstrumentBuilder secondBuilder;
            if (c.secondIsModel14) secondBuilder.Model14().Version("D1.14");
            else secondBuilder.Model12().Version("C1.31");
            second = program.Plug(secondBuilder);
        } else if (form.B1->Enabled()) {
            user->SetEnabled(false);
            secondStarted = program.Window().Click("B1");
        }
    });
    user->SetEnabled(true);
    gui.SetMessageBoxDwellMs(4000);

    ASSERT_TRUE(gui.RunUntil([&] { return gui.MessageBoxes().size() == 1 && secondStarted; }, 20'000));
    gui.SetMessageBoxDwellMs(0);
    ASSERT_TRUE(session.RunUntilFinished());
    program.RunFor(1100);

    ASSERT_EQ(gui.MessageBoxes().size(), 1u);
    EXPECT_EQ(gui.MessageBoxes()[0].text, u"Ошибка записи");
    EXPECT_EQ(program.Log().back(), kSuccessLine);
    EXPECT_EQ(session.LogCount(kSuccessLine), 1);
    const std::uint8_t secondModel = c.secondIsModel14 ? 14 : 12;
    EXPECT_EQ(WritesReceived(*second), CleanUpdateWrites(secondModel));
    EXPECT_EQ(Requests(*second, kCheckFirmware).size(), c.secondIsModel14 ? 1u : 0u);
    EXPECT_EQ(Requests(*second, kWriteChunk).size(), static_cast<std::size_t>(update::UploadEnd / 16));
    const auto image = SendingOrder(secondModel);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + update::UploadEnd, second->Flash().begin()));
    EXPECT_EQ(second->MemoryByte(0x3FF), 1);
    EXPECT_TRUE(RequestsFrom(*first, firstTraceAtUnplug).empty());
    EXPECT_EQ(form.Update().Phase(), update::UpdatePhase::Idle);
    EXPECT_EQ(form.Label1->Text(), u"Текущая версия прошивки " +
                                       std::u16string(c.secondIsModel14 ? u"D1.14" : u"C1.31"));
}

INSTANTIATE_TEST_SUITE_P(
    Update, BoxLeftOpen,
    testing::Values(ReentryCase{"Model12FinalisationThenModel14", false, BoxDuring::Finalisation, true},
                    ReentryCase{"Model14FinalisationThenModel12", true, BoxDuring::Finalisation, false},
                    ReentryCase{"UploadTick", false, BoxDuring::Upload, false},
                    ReentryCase{"FlagWriteOfTheStart", false, BoxDuring::FlagWrite, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Tab and Space on the hidden button between two chunks would send the firmware check into the
// middle of the upload.
TEST(Update, TheChecksumButtonDoesNothingWhileAnUpdateRuns) {
    UpdateSession session(sim::InstrumentBuilder().Model14());
    auto& form = session.program.Form();
    auto& window = session.program.Window();
    ASSERT_TRUE(session.ClickUpdate());
    ASSERT_TRUE(session.program.gui.RunUntil([&] { return form.Update().UploadPos >= 1000; }, 60'000));
    form.E1->SetText(u"E1");

    for (int i = 0; i < 10 && window.PressTab() != "Button1"; ++i) {
    }
    ASSERT_EQ(window.FocusedControl(), "Button1");
    window.PressSpace();
    ASSERT_TRUE(session.RunUntilFinished());

    EXPECT_EQ(form.E1->Text(), u"E1");
    EXPECT_EQ(Requests(*session.instrument, kCheckFirmware).size(), 1u);
    EXPECT_EQ(session.program.Log().back(), kSuccessLine);

    // Once the update is over the button answers again.
    window.PressSpace();
    EXPECT_NE(form.E1->Text(), u"E1");
}

}  // namespace
}  // namespace zrflash::test
