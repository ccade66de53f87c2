// Which HID device becomes the instrument, and what the program does when devices come and go.
#include <gtest/gtest.h>

#include "hid/THidDevice.h"
#include "sim/SimKeyboard.h"
#include "sim/SimMouse.h"
#include "tests/instrument/InstrumentTrace.h"
#include "tests/support/HeadlessProgram.h"
#include "update/FirmwareImages.h"

namespace zrflash::test {
namespace {

constexpr std::u16string_view kConnected12 = u"Пинцет ЖР-12 подключен";
constexpr std::u16string_view kConnected14 = u"Пинцет ЖР-14 подключен";
constexpr std::u16string_view kDisconnected12 = u"Пинцет ЖР-12 отключен";
constexpr std::u16string_view kCaption12 = u"Прошивка версии C1.31 для пинцет ЖР-12";
constexpr std::u16string_view kCaption14 = u"Прошивка версии D1.14 для пинцет ЖР-14";
constexpr std::u16string_view kConnectPrompt = u"Подключите устройство ";
constexpr std::u16string_view kUpdateDone = u"Процесс завершен успешно !!";

bool Mentions(const std::vector<std::u16string>& log, std::u16string_view word) {
    for (const auto& line : log) {
        if (line.find(word) != std::u16string::npos) return true;
    }
    return false;
}

struct ModelCase {
    const char* name;
    std::uint16_t vendorId;
    std::uint16_t productId;
    int modelCode;  // 0: not an instrument
    std::u16string_view caption;
    std::u16string_view line;
};

TEST(Connection, VendorAndProductDecideTheModel) {
    const ModelCase cases[] = {
        {"Model12", 0xFF4D, 0xF542, 12, kCaption12, kConnected12},
        {"Model12OtherProduct", 0xFF4D, 0xF541, 12, kCaption12, kConnected12},
        {"Model14", 0xFF4D, 0xF538, 14, kCaption14, kConnected14},
        {"SameVendorOtherProduct", 0xFF4D, 0xF540, 0, {}, {}},
        {"SameVendorProductBytesSwapped", 0xFF4D, 0x42F5, 0, {}, {}},
        {"OtherVendor", 0xFF4C, 0xF542, 0, {}, {}},
        {"VendorBytesSwapped", 0x4DFF, 0xF538, 0, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HeadlessProgram program;
        program.Plug(sim::InstrumentBuilder().VendorId(c.vendorId).ProductId(c.productId));
        ASSERT_TRUE(program.Start());
        const std::u16string startCaption = program.Window().Caption();
        program.RunFor(100);

        const auto& instrument = program.Form().Instrument;
        if (c.modelCode == 0) {
            EXPECT_TRUE(program.Log().empty());
            EXPECT_EQ(program.Window().Caption(), startCaption);
            EXPECT_EQ(instrument.ActiveDevice, nullptr);
            EXPECT_EQ(instrument.ModelCode, 0);
            continue;
        }
        EXPECT_EQ(program.Log(), std::vector<std::u16string>{std::u16string(c.line)});
        EXPECT_EQ(program.Window().Caption(), c.caption);
        ASSERT_NE(instrument.ActiveDevice, nullptr);
        EXPECT_EQ(instrument.ActiveDevice->Attributes().ProductID, c.productId);
        EXPECT_TRUE(instrument.ActiveDevice->IsCheckedOut());
        EXPECT_EQ(instrument.ModelCode, c.modelCode);
        EXPECT_EQ(program.Form().StoredImage, *update::FirmwareImageOfModel(static_cast<std::uint8_t>(c.modelCode)));
    }
}

TEST(Connection, TwoInstrumentsAreBothTakenAndTheLastEnumeratedIsActive) {
    HeadlessProgram program;
    auto first = program.Plug(sim::InstrumentBuilder().Model12(sim::kModel12OtherProductId));
    auto second = program.Plug(sim::InstrumentBuilder().Model14());
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);

    EXPECT_EQ(program.Log(), (std::vector<std::u16string>{std::u16string(kConnected12), std::u16string(kConnected14)}));
    auto& controller = *program.Form().HID;
    ASSERT_EQ(controller.Count(), 2u);
    EXPECT_TRUE(controller.Device(0).IsCheckedOut());
    EXPECT_TRUE(controller.Device(1).IsCheckedOut());
    EXPECT_EQ(program.Form().Instrument.ActiveDevice, &controller.Device(1));
    EXPECT_EQ(program.Form().Instrument.ModelCode, 14);
    EXPECT_EQ(program.Form().StoredImage, *update::FirmwareImageOfModel(14));
    EXPECT_EQ(program.Window().Caption(), kCaption14);
    EXPECT_EQ(first->SetFeatureCount(), 0) << "only the active instrument is polled";
    EXPECT_GT(second->SetFeatureCount(), 0);
}

// Devices the system will not open, or whose identifiers cannot be read, are passed over.
TEST(Connection, DevicesThatCannotBeOpenedOrIdentifiedAreSkippedSilently) {
    HeadlessProgram program;
    auto unopenable = program.Plug(sim::InstrumentBuilder().Model12());
    auto unidentifiable = program.Plug(sim::InstrumentBuilder().Model12());
    auto good = program.Plug(sim::InstrumentBuilder().Model14());
    ASSERT_TRUE(program.bus.SetOpenMode(*unopenable, sim::OpenMode::Never));
    ASSERT_TRUE(program.bus.SetAttributesReadable(*unidentifiable, false));
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);

    EXPECT_EQ(program.Log(), std::vector<std::u16string>{std::u16string(kConnected14)});
    EXPECT_TRUE(program.gui.MessageBoxes().empty());
    EXPECT_EQ(program.Form().HID->Count(), 1u);
    EXPECT_EQ(program.Form().Instrument.ModelCode, 14);
    EXPECT_EQ(unopenable->SetFeatureCount() + unidentifiable->SetFeatureCount(), 0);
}

// A keyboard unplugged in the middle of an update neither stops it nor is taken for the instrument.
TEST(Connection, AnotherDeviceGoingLeavesAnUpdateRunning) {
    sim::SimKeyboard keyboard;
    HeadlessProgram program;
    program.Plug(sim::InstrumentBuilder().Model12());
    program.bus.Plug(keyboard, sim::SimKeyboard::BusOptions());
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);
    ASSERT_TRUE(program.Window().Click("B1"));
    program.RunFor(40);
    auto& form = program.Form();
    ASSERT_TRUE(form.Timer2->Enabled());
    const auto before = program.Log();
    const int positionBefore = form.Pr1->Position();

    program.bus.Unplug(keyboard);
    program.RunFor(4);

    EXPECT_FALSE(Mentions(program.Log(), u"отключен"));
    // The pass re-announces the instrument, as every change of the device list does.
    auto expected = before;
    expected.emplace_back(kConnected12);
    EXPECT_EQ(program.Log(), expected);
    EXPECT_TRUE(form.Timer2->Enabled());
    EXPECT_FALSE(form.Timer1->Enabled());
    EXPECT_GE(form.Pr1->Position(), positionBefore);
    EXPECT_NE(form.Instrument.ActiveDevice, nullptr);
    ASSERT_TRUE(program.gui.RunUntil([&] { return !program.Log().empty() && program.Log().back() == kUpdateDone; },
                                     120'000));
}

TEST(Connection, UnpluggingStopsTheUpdateAndPluggingBackResumesPolling) {
    sim::SimKeyboard keyboard;
    HeadlessProgram program;
    auto instrument = program.Plug(sim::InstrumentBuilder().Model12());
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);
    auto& form = program.Form();
    ASSERT_TRUE(program.Window().Click("B1"));
    ASSERT_TRUE(program.gui.RunUntil([&] { return form.Pr1->Position() > 0; }, 10'000));

    program.Unplug(instrument);
    ASSERT_TRUE(program.gui.RunUntil([&] { return form.Instrument.ActiveDevice == nullptr; }, 100));
    EXPECT_EQ(CountLines(program.Log(), kDisconnected12), 1);
    EXPECT_FALSE(form.Timer2->Enabled());
    EXPECT_FALSE(form.Timer3->Enabled());
    EXPECT_TRUE(form.Timer1->Enabled());
    EXPECT_EQ(form.Pr1->Position(), 0);

    program.RunFor(1000);
    EXPECT_EQ(form.Label1->Text(), kConnectPrompt);
    EXPECT_FALSE(form.B1->Enabled());
    EXPECT_FALSE(form.G6->Enabled());

    const int connectsBefore = CountLines(program.Log(), kConnected12);
    program.bus.Plug(*instrument);
    program.RunFor(10);
    EXPECT_EQ(CountLines(program.Log(), kConnected12), connectsBefore + 1);
    ASSERT_NE(form.Instrument.ActiveDevice, nullptr);
    EXPECT_EQ(form.HID->NumUnpluggedDevices(), 0) << "the unplugged object was given back";
    program.RunFor(1000);
    // The update never finished, so the instrument asks for its firmware again.
    EXPECT_EQ(form.Label1->Text(), u"Перезагрузите прошивку C1.28");

    // Later passes that have nothing to do with the instrument report no removal of it.
    program.bus.Plug(keyboard, sim::SimKeyboard::BusOptions());
    program.RunFor(10);
    program.bus.Unplug(keyboard);
    program.RunFor(1000);
    EXPECT_EQ(CountLines(program.Log(), kDisconnected12), 1);
    EXPECT_EQ(CountLines(program.Log(), kConnected12), connectsBefore + 3);
    EXPECT_NE(form.Instrument.ActiveDevice, nullptr);
    EXPECT_EQ(form.Label1->Text(), u"Перезагрузите прошивку C1.28");
}

TEST(Connection, AnInstrumentThatIsNotActiveGoesQuietlyAndIsGivenBack) {
    HeadlessProgram program;
    auto first = program.Plug(sim::InstrumentBuilder().Model12());
    program.Plug(sim::InstrumentBuilder().Model14());
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);
    ASSERT_EQ(program.Form().Instrument.ModelCode, 14);

    program.Unplug(first);
    program.RunFor(10);
    EXPECT_FALSE(Mentions(program.Log(), u"отключен"));
    EXPECT_EQ(program.Form().HID->Count(), 1u);
    EXPECT_EQ(program.Form().HID->NumUnpluggedDevices(), 0);
    ASSERT_NE(program.Form().Instrument.ActiveDevice, nullptr);
    EXPECT_EQ(program.Form().Instrument.ActiveDevice->Attributes().ProductID, sim::kModel14ProductId);
}

TEST(Connection, WhenTheActiveOfTwoInstrumentsGoesTheOtherTakesOver) {
    HeadlessProgram program;
    auto first = program.Plug(sim::InstrumentBuilder().Model12());
    auto second = program.Plug(sim::InstrumentBuilder().Model14());
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);
    program.Form().LB->Clear();

    program.Unplug(second);
    program.RunFor(1000);
    auto& form = program.Form();
    EXPECT_EQ(program.Log(), (std::vector<std::u16string>{u"Пинцет ЖР-14 отключен", std::u16string(kConnected12)}));
    EXPECT_EQ(form.HID->Count(), 1u);
    EXPECT_EQ(form.Instrument.ModelCode, 12);
    EXPECT_EQ(form.StoredImage, *update::FirmwareImageOfModel(12));
    EXPECT_EQ(form.Window().Caption(), kCaption12);
    EXPECT_EQ(form.Label1->Text(), u"Текущая версия прошивки C1.28");
    EXPECT_EQ(first->SetFeatureCount(), 33);
}

// An update needs the active instrument's own identification and firmware version, which only the
// poll reads: when another instrument takes over, the button waits for it.
TEST(Connection, UpdateButtonWaitsForTheNextInstrumentsPoll) {
    HeadlessProgram program;
    auto first = program.Plug(sim::InstrumentBuilder().Model12());
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);
    auto& form = program.Form();
    ASSERT_TRUE(form.B1->Enabled());

    // A device change that leaves the same instrument active changes nothing for the button.
    auto keyboard = std::make_shared<sim::SimKeyboard>();
    program.bus.Plug(*keyboard);
    program.RunFor(10);
    EXPECT_TRUE(form.B1->Enabled());
    program.bus.Unplug(*keyboard);

    program.Plug(sim::InstrumentBuilder().Model14());
    program.RunFor(10);
    EXPECT_EQ(form.Instrument.ModelCode, 14);
    EXPECT_FALSE(form.B1->Enabled());
    EXPECT_FALSE(program.Window().Click("B1"));
    program.RunFor(1000);
    EXPECT_TRUE(form.B1->Enabled());
    EXPECT_EQ(form.Instrument.DeviceIdent.substr(35), u"D1.13");
}

TEST(Connection, ClosingTheWindowDropsTheInstrumentWithoutADisconnectLine) {
    HeadlessProgram program;
    program.Plug(sim::InstrumentBuilder().Model12());
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);
    ASSERT_NE(program.Form().Instrument.ActiveDevice, nullptr);

    program.Window().Close();
    EXPECT_EQ(program.Form().Instrument.ActiveDevice, nullptr);
    EXPECT_FALSE(Mentions(program.Log(), u"отключен"));
    EXPECT_EQ(program.Shutdown(), 0);
}

}  // namespace
}  // namespace zrflash::test
