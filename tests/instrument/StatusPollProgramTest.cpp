// The once-a-second poll as the user sees it: the status label, the update button, the options
// group, the identification, and the exact commands one tick sends.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/instrument/InstrumentTrace.h"
#include "tests/support/HeadlessProgram.h"

namespace zrflash::test {
namespace {

constexpr std::u16string_view kConnectPrompt = u"Подключите устройство ";
constexpr std::u16string_view kChargeBattery = u"Зарядите батарею";
constexpr std::u16string_view kVersionUnreadable = u"облом2";

// Makes every read of that command code fail: three busy answers exhaust the transaction.
void FailEveryCommand(sim::SimInstrument& instrument, std::uint8_t command) {
    instrument.Faults().BusyAnswers(command, 3);
}

// Makes the read of `address` with command 21 fail on the next tick, which repeats the tick
// the trace holds so far: the three status fetches of that read are refused.
// The number of the GetFeature that first answered a read of that address; 0 if none did.
int FirstStatusFetchOfRead(const sim::SimInstrument& instrument, std::uint16_t address) {
    int fetches = 0;
    bool found = false;
    for (const auto& transfer : instrument.Trace()) {
        if (transfer.direction == sim::TransferDirection::GetFeature) {
            ++fetches;
            if (found) return fetches;
        } else if (transfer.command == 21 && transfer.bytes.size() > 2 &&
                   (transfer.bytes[1] << 8 | transfer.bytes[2]) == address) {
            found = true;
        }
    }
    return 0;
}

// Every tick asks in the same order, so the read of the next tick has the same place in it.
void FailReadOnNextTick(sim::SimInstrument& instrument, std::uint16_t address) {
    const int fetch = FirstStatusFetchOfRead(instrument, address);
    ASSERT_NE(fetch, 0);
    const int next = fetch + instrument.GetFeatureCount();
    for (int i = 0; i < 3; ++i) instrument.Faults().FailGetFeatureAt(next + i);
}

TEST(StatusPoll, WithoutAnInstrumentEveryTickPromptsAndDisablesUpdateAndOptions) {
    HeadlessProgram program;
    ASSERT_TRUE(program.Start());
    auto& form = program.Form();
    ASSERT_TRUE(form.G6->Enabled());
    for (int tick = 1; tick <= 2; ++tick) {
        form.Label1->SetText(u"x");
        program.RunFor(1000);
        EXPECT_EQ(form.Label1->Text(), kConnectPrompt);
        EXPECT_FALSE(form.B1->Enabled());
        EXPECT_FALSE(form.G6->Enabled());
    }
    EXPECT_FALSE(program.Window().Click("B1"));
    EXPECT_FALSE(program.Window().Click("C1"));
}

struct VersionCase {
    const char* name;
    bool model14;
    std::uint8_t firmwareState;
    const char* version;
    std::u16string_view label;
    std::int32_t number;
};

TEST(StatusPoll, FirmwareStateAndVersionTextGiveTheLabelAndTheVersionNumber) {
    const VersionCase cases[] = {
        {"Current12", false, 1, "C1.31", u"Текущая версия прошивки C1.31", 131},
        {"Unfinished12", false, 0x88, "C1.31", u"Перезагрузите прошивку C1.31", 131},
        {"Current14", true, 1, "D1.14", u"Текущая версия прошивки D1.14", 114},
        {"StateZero14", true, 0, "D1.14", u"Перезагрузите прошивку D1.14", 114},
        {"OlderVersion", false, 1, "C1.05", u"Текущая версия прошивки C1.05", 105},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HeadlessProgram program;
        auto builder = sim::InstrumentBuilder();
        if (c.model14) builder.Model14();
        program.Plug(builder.Version(c.version).FirmwareState(c.firmwareState));
        ASSERT_TRUE(program.Start());
        program.RunFor(1100);
        auto& form = program.Form();
        const std::u16string version(c.version, c.version + 5);
        EXPECT_EQ(form.Label1->Text(), c.label);
        EXPECT_EQ(form.Instrument.FirmwareVersionNumber, c.number);
        ASSERT_EQ(form.Instrument.DeviceIdent.size(), 40u);
        EXPECT_EQ(form.Instrument.DeviceIdent.substr(35), version);
        EXPECT_TRUE(form.B1->Enabled());
        EXPECT_TRUE(form.G6->Enabled());
        EXPECT_TRUE(form.Instrument.OptionsLoaded);
    }
}

struct IdentCase {
    const char* name;
    std::vector<std::tuple<std::uint8_t, std::uint16_t, std::uint8_t>> bytes;  // space, address, value
    std::u16string_view ident;
};

TEST(StatusPoll, IdentificationIsBuiltFromTheListedBytesInOrder) {
    const IdentCase cases[] = {
        {"BuilderDefaults", {}, u"C123456789ABC0123456789ABCDEF103254D1.14"},
        {"ChosenBytes",
         {{29, 0x093, 0},    {24, 0x800, 0xFE},  {24, 0x900, 0x0A},  {24, 0xA00, 0xB0},  {24, 0xB00, 0x00},
          {24, 0xC00, 0xFF}, {24, 0xD00, 0x7F},  {24, 0x1000, 0xC3}, {24, 0x1100, 0xEE}, {24, 0x1200, 0x01},
          {24, 0x1300, 0x9D}, {24, 0x1400, 0x20}, {24, 0x1500, 0xE5}, {28, 0x000, 0x4B},  {28, 0x100, 0x66},
          {28, 0x200, 0xA0}, {28, 0x300, 0xDD},  {28, 0x400, 0x0F},  {28, 0x500, 0xF0},  {29, 0x1D0, 0xAB},
          {24, 0x000, 0x99}, {29, 0x800, 0x98}},
         u"AFE0AB000FF7FC3019D20E54B66A00FF0ABD1.14"},
        {"LetterPastZ", {{29, 0x093, 0xFF}}, u"\u0140123456789ABC0123456789ABCDEF103254D1.14"},
        {"LetterZ", {{29, 0x093, 25}}, u"Z123456789ABC0123456789ABCDEF103254D1.14"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HeadlessProgram program;
        auto builder = sim::InstrumentBuilder().Model14().Version("D1.14");
        for (const auto& [space, address, value] : c.bytes) builder.Ident(space, address, value);
        program.Plug(builder);
        ASSERT_TRUE(program.Start());
        program.RunFor(1100);
        EXPECT_EQ(program.Form().Instrument.DeviceIdent, c.ident);
    }
}

struct BatteryCase {
    const char* name;
    std::uint16_t raw;
    float scale;
    bool low;
};

// The warning is seen only on a tick that ends after the battery and before the version label:
// here an identification read fails. Such a tick keeps the update button and the identification.
TEST(StatusPoll, LowBatteryWarningStaysWhenTheIdentificationCannotBeRead) {
    const BatteryCase cases[] = {
        {"Charged", 24000, 1.0f, false},        {"ExactlyTheLimit", 22400, 1.0f, false},
        {"JustBelow", 22399, 1.0f, true},        {"RawZero", 0, 1.0f, true},
        {"ScaleZero", 24000, 0.0f, true},        {"ScaledUp", 12000, 2.0f, false},
        {"ScaledDown", 24000, 0.5f, true},      {"FullRange", 0xFFFF, 1.0f, false},
    };
    for (const auto& c : cases) {
        for (const bool earlierTickComplete : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (earlierTickComplete ? " after a complete tick" : " on the first tick"));
            HeadlessProgram program;
            auto instrument = program.Plug(sim::InstrumentBuilder().BatteryRaw(c.raw).BatteryScale(c.scale));
            ASSERT_TRUE(program.Start());
            auto& form = program.Form();
            if (earlierTickComplete) {
                program.RunFor(1100);
                ASSERT_TRUE(form.B1->Enabled());
            } else {
                program.RunFor(100);
            }
            const std::u16string labelBefore = form.Label1->Text();
            const std::u16string identBefore = form.Instrument.DeviceIdent;
            const bool updateBefore = form.B1->Enabled();

            FailEveryCommand(*instrument, 24);
            program.RunFor(1000);
            EXPECT_EQ(form.Label1->Text(), c.low ? kChargeBattery : labelBefore);
            EXPECT_EQ(form.B1->Enabled(), updateBefore);
            EXPECT_EQ(form.Instrument.DeviceIdent, identBefore);
        }
    }
}

TEST(StatusPoll, AVersionReadFailingLeavesTheIdentificationWithoutTheVersion) {
    HeadlessProgram program;
    auto instrument = program.Plug(sim::InstrumentBuilder().Version("C1.28"));
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);
    auto& form = program.Form();
    ASSERT_EQ(form.Instrument.DeviceIdent.size(), 40u);
    const std::u16string identification = form.Instrument.DeviceIdent.substr(0, 35);
    // Were the tick to go on, the label, the number and the first box would show these.
    instrument->SetMemoryByte(0x3FF, 0x88);
    instrument->SetMemoryByte(0x343, '9');
    instrument->SetMemoryByte(0x3B3, 1);
    form.B1->SetEnabled(false);

    FailReadOnNextTick(*instrument, 0x342);
    program.RunFor(1000);
    EXPECT_TRUE(form.B1->Enabled());
    EXPECT_EQ(form.Instrument.DeviceIdent, identification);
    EXPECT_EQ(form.Label1->Text(), u"Текущая версия прошивки C1.28");
    EXPECT_EQ(form.Instrument.FirmwareVersionNumber, 128);
    EXPECT_FALSE(form.C1->Checked());
}

// Characters 2, 4 and 5 of the version text must form a number; otherwise the tick stops after
// the identification, once per tick, and leaves the label, the options group and the boxes alone.
TEST(StatusPoll, AVersionTextThatIsNoNumberIsLoggedOncePerTick) {
    const char* versions[] = {"C1.3x", "CA.31", "C1. 1", "C1.3"};
    for (const char* version : versions) {
        SCOPED_TRACE(version);
        HeadlessProgram program;
        ASSERT_TRUE(program.Start());
        program.RunFor(1000);
        auto& form = program.Form();
        ASSERT_FALSE(form.G6->Enabled());
        program.Plug(sim::InstrumentBuilder().Version(version).Option(sim::InstrumentOption::MenuSwap, true));
        program.RunFor(2000);

        const auto log = program.Log();
        EXPECT_EQ(CountLines(log, kVersionUnreadable), 2);
        EXPECT_EQ(form.Label1->Text(), kConnectPrompt);
        EXPECT_FALSE(form.G6->Enabled());
        EXPECT_FALSE(form.C3->Checked());
        EXPECT_EQ(form.Instrument.FirmwareVersionNumber, 0);
        // No version of its own to choose the finalisation's cells by: it cannot be updated.
        EXPECT_FALSE(form.B1->Enabled());
        EXPECT_EQ(form.Instrument.DeviceIdent.size(), 40u);
    }
}

// The finalisation chooses the cells it writes by the version the instrument had: after a swap,
// the update button waits until the new instrument's own version has been read and parsed.
TEST(StatusPoll, AfterASwapTheUpdateButtonWaitsForTheNewInstrumentsVersion) {
    struct Case {
        const char* name;
        const char* version;
        bool versionReadFailsOnce;
        std::int32_t numberAtLast;  // 0: the button never comes on
    };
    const Case cases[] = {
        {"version read fails once", "C1.00", true, 100},
        {"version text no number", "C1.xx", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HeadlessProgram program;
        auto first = program.Plug(sim::InstrumentBuilder().Version("C1.31"));
        ASSERT_TRUE(program.Start());
        program.RunFor(1100);
        auto& form = program.Form();
        ASSERT_TRUE(form.B1->Enabled());
        const int versionFetch = FirstStatusFetchOfRead(*first, 0x342);
        ASSERT_NE(versionFetch, 0);

        program.Unplug(first);
        auto second = program.Plug(sim::InstrumentBuilder().Version(c.version));
        // Its first tick asks in the same order as the first instrument's first tick did.
        if (c.versionReadFailsOnce) {
            for (int i = 0; i < 3; ++i) second->Faults().FailGetFeatureAt(versionFetch + i);
        }
        program.RunFor(1010);
        ASSERT_EQ(form.Instrument.DeviceIdent.size(), c.versionReadFailsOnce ? 35u : 40u);
        EXPECT_FALSE(form.B1->Enabled());
        EXPECT_FALSE(program.Window().Click("B1"));

        program.RunFor(1000);
        EXPECT_EQ(form.B1->Enabled(), c.numberAtLast != 0);
        if (c.numberAtLast != 0) EXPECT_EQ(form.Instrument.FirmwareVersionNumber, c.numberAtLast);
    }
}

// A tick with an instrument stops the upload and the finalisation, whichever left them running.
TEST(StatusPoll, ATickWithAnInstrumentStopsTheUploadAndFinalisationTimers) {
    HeadlessProgram program;
    program.Plug(sim::InstrumentBuilder());
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);
    auto& form = program.Form();
    program.RunFor(800);
    // Long intervals, so that neither runs before the poll's next tick.
    for (auto* timer : {form.Timer2, form.Timer3}) {
        timer->SetInterval(5000);
        timer->SetEnabled(true);
    }
    program.RunFor(200);
    EXPECT_FALSE(form.Timer2->Enabled());
    EXPECT_FALSE(form.Timer3->Enabled());
    EXPECT_TRUE(form.Timer1->Enabled());
}

struct Expected {
    std::uint8_t command;
    std::uint16_t address;
};

TEST(StatusPoll, OneTickSendsThirtyThreeCommandsEachFollowedByTwoFetches) {
    HeadlessProgram program;
    auto instrument = program.Plug(sim::InstrumentBuilder());
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);

    std::vector<Expected> expected = {{21, 0x3FF}, {30, 0x1118}, {27, 0x2001}};
    for (std::uint16_t a = 0x3D0; a <= 0x3D3; ++a) expected.push_back({21, a});
    expected.push_back({29, 0x093});
    for (std::uint16_t a : {0x800, 0x900, 0xA00, 0xB00, 0xC00, 0xD00, 0x1000, 0x1200, 0x1300, 0x1400, 0x1500})
        expected.push_back({24, a});
    for (std::uint16_t a : {0x000, 0x100, 0x200, 0x400, 0x500}) expected.push_back({28, a});
    expected.push_back({29, 0x1D0});
    for (std::uint16_t a = 0x340; a <= 0x344; ++a) expected.push_back({21, a});
    for (std::uint16_t a : {0x3B3, 0x3CD, 0x3FE}) expected.push_back({21, a});

    for (int tick = 1; tick <= 2; ++tick) {
        SCOPED_TRACE(tick);
        const auto commands = CommandsOf(instrument->Trace());
        ASSERT_EQ(commands.size(), expected.size());
        EXPECT_EQ(instrument->SetFeatureCount(), 33 * tick);
        for (std::size_t i = 0; i < commands.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(commands[i].command, expected[i].command);
            EXPECT_EQ(commands[i].address, expected[i].address);
            // The status fetch, then the answer fetched once more: by the reads into their
            // value, by the battery measurement into its raw value.
            EXPECT_EQ(commands[i].fetches, 2);
        }
        EXPECT_EQ(commands[2].data, 0x02);
        instrument->ClearTrace();
        program.RunFor(1000);
    }
}

TEST(StatusPoll, MiddlePiecesAreRestoredOnATickThatGetsPastTheBattery) {
    HeadlessProgram program;
    sim::InstrumentFaults faults;
    faults.BusyAnswers(21, 3, 1);  // the first tick ends at the firmware-state read
    auto instrument = program.Plug(sim::InstrumentBuilder().Faults(faults));
    ASSERT_TRUE(program.Start());
    program.RunFor(1100);
    auto& form = program.Form();
    const update::FirmwareImage zero{};
    EXPECT_EQ(form.UploadImage, zero);

    FailEveryCommand(*instrument, 29);  // the next tick ends at the first identification read
    program.RunFor(1000);
    ASSERT_FALSE(form.B1->Enabled());
    const auto& stored = form.StoredImage;
    const auto& upload = form.UploadImage;
    for (const auto& [first, last] : {std::pair<std::size_t, std::size_t>{437, 8644}, {8645, 46547}}) {
        for (std::size_t k = first; k <= last; ++k) {
            ASSERT_EQ(upload[k], stored[first + last - k]) << k;
        }
    }
    EXPECT_TRUE(std::all_of(upload.begin(), upload.begin() + 437, [](auto b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(upload.begin() + 46548, upload.end(), [](auto b) { return b == 0; }));
}

}  // namespace
}  // namespace zrflash::test
