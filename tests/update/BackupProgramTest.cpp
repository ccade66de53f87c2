// The settings backup as the user gets it on pressing the update button: the file in the
// documents folder, its name and contents, the log, the progress bar, and what happens when the
// file cannot be written.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "tests/update/UpdateSession.h"

namespace zrflash::test {
namespace {

using platform::LocalTime;
using platform::headless::FileFaults;

constexpr std::u16string_view kSavedLine = u"Настройки прибора сохранены в";
constexpr std::u16string_view kNotSavedLine = u"Настройки прибора не сохранены";

// Where the instrument keeps the bytes its identification is built from: a letter, then 17 bytes
// shown as hex digits.
constexpr std::uint8_t kLetterSpace = 29;
constexpr std::uint16_t kLetterAddress = 0x093;
constexpr std::array<std::pair<std::uint8_t, std::uint16_t>, 17> kIdentBytes = {{
    {24, 0x0800}, {24, 0x0900}, {24, 0x0A00}, {24, 0x0B00}, {24, 0x0C00}, {24, 0x0D00},
    {24, 0x1000}, {24, 0x1200}, {24, 0x1300}, {24, 0x1400}, {24, 0x1500},
    {28, 0x0000}, {28, 0x0100}, {28, 0x0200}, {28, 0x0400}, {28, 0x0500}, {29, 0x01D0},
}};

// An instrument whose identification reads letter + hex of `bytes` + version.
sim::InstrumentBuilder Identified(sim::InstrumentBuilder builder, std::uint8_t letter,
                                  const std::array<std::uint8_t, 17>& bytes) {
    builder.Ident(kLetterSpace, kLetterAddress, letter);
    for (std::size_t i = 0; i < kIdentBytes.size(); ++i) builder.Ident(kIdentBytes[i].first, kIdentBytes[i].second, bytes[i]);
    // Values that must come out as two digits, upper case.
    builder.MemoryByte(0, 0x0A).MemoryByte(1, 0xFF).MemoryByte(0x7FF, 0xC3);
    return builder;
}

constexpr std::array<std::uint8_t, 17> kExampleBytes = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,
                                                        0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00};
constexpr std::array<std::uint8_t, 17> kZeroBytes{};
const std::u16string kExampleIdent = u"K00112233445566778899AABBCCDDEEFF00";

std::string HexLines(std::span<const std::uint8_t> memory) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < memory.size(); ++i) {
        text += kDigits[memory[i] >> 4];
        text += kDigits[memory[i] & 0x0F];
        if (i % 16 == 15) text += "\r\n";
    }
    return text;
}

struct SavedCase {
    const char* name;
    bool model14;
    std::u16string documents;  // empty: the documents folder cannot be determined
    bool folderExists;
    LocalTime now;
    std::u16string expectedPath;
    std::u16string_view folderLine;
};

class BackupSaved : public testing::TestWithParam<SavedCase> {};

TEST_P(BackupSaved, FileHoldsTheSettingsMemoryAndTheLogSaysWhere) {
    const auto& c = GetParam();
    sim::InstrumentBuilder builder;
    if (c.model14) builder.Model14();
    UpdateSession session(Identified(builder, 10, kExampleBytes));
    auto& system = session.program.system;
    system.SetDocumentsFolder(c.documents);
    system.SetNow(c.now);
    auto& machine = system.Machine();
    const auto folder = c.expectedPath.substr(0, c.expectedPath.rfind(u'\\'));
    if (c.folderExists) machine.directories.insert(folder);
    const std::array<std::uint8_t, 2048> before = [&] {
        std::array<std::uint8_t, 2048> copy{};
        std::copy(session.instrument->Memory().begin(), session.instrument->Memory().end(), copy.begin());
        return copy;
    }();
    const std::size_t positionsBefore = session.Progress().History().size();

    ASSERT_TRUE(session.ClickUpdate());

    ASSERT_EQ(machine.files.size(), 1u);
    ASSERT_EQ(machine.files.count(c.expectedPath), 1u) << ToUtf8(machine.files.begin()->first);
    const std::string& contents = machine.files.at(c.expectedPath);
    EXPECT_EQ(contents.size(), 4352u);
    EXPECT_EQ(contents, HexLines(before));
    EXPECT_EQ(contents.substr(0, 4), "0AFF");
    EXPECT_EQ(machine.directories.count(folder), 1u);
    const auto log = session.program.Log();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], c.model14 ? u"Пинцет ЖР-14 подключен" : u"Пинцет ЖР-12 подключен");
    EXPECT_EQ(log[1], kSavedLine);
    EXPECT_EQ(log[2], c.folderLine);
    EXPECT_EQ(log[3], u"файл " + c.expectedPath.substr(c.expectedPath.rfind(u'\\') + 1));

    // One step of the bar per line, 0 to 127, before the upload moves it.
    const auto& history = session.Progress().History();
    ASSERT_GE(history.size(), positionsBefore + 128);
    for (int line = 0; line < 128; ++line) EXPECT_EQ(history[positionsBefore + line], line);
    EXPECT_TRUE(session.program.Form().Timer2->Enabled());
}

const std::u16string kDocuments = u"C:\\Users\\owner\\Documents";

INSTANTIATE_TEST_SUITE_P(
    Backup, BackupSaved,
    testing::Values(
        SavedCase{"Model12", false, kDocuments, false, {2024, 2, 3, 14, 5, 0},
                  kDocuments + u"\\zr12_01\\" + kExampleIdent + u"C1.28_1405_030224.hex",
                  u"папку \"Мои документы/zr12_01\""},
        SavedCase{"Model14MorningDate", true, u"D:\\Мои документы", false, {2025, 3, 1, 9, 7, 0},
                  u"D:\\Мои документы\\zr14\\" + kExampleIdent + u"D1.13_0907_010325.hex",
                  u"папку \"Мои документы/zr14\""},
        SavedCase{"FolderAlreadyThere", false, kDocuments, true, {1999, 12, 31, 23, 59, 59},
                  kDocuments + u"\\zr12_01\\" + kExampleIdent + u"C1.28_2359_311299.hex",
                  u"папку \"Мои документы/zr12_01\""},
        SavedCase{"NoDocumentsFolder", false, u"", false, {2024, 2, 3, 0, 0, 0},
                  u"\\zr12_01\\" + kExampleIdent + u"C1.28_0000_030224.hex", u"папку \"Мои документы/zr12_01\""}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    std::function<void(FileFaults&)> fault;
};

class BackupFails : public testing::TestWithParam<FailureCase> {};

// Whatever goes wrong with the file, none of it is left behind, the log says so, and the update
// still marks the instrument and starts the upload.
TEST_P(BackupFails, NoFileIsLeftAndTheUpdateGoesOn) {
    UpdateSession session(sim::InstrumentBuilder().Model12());
    GetParam().fault(session.program.system.Faults());

    ASSERT_TRUE(session.ClickUpdate());

    EXPECT_TRUE(session.program.system.Machine().files.empty());
    const auto log = session.program.Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[1], kNotSavedLine);
    EXPECT_FALSE(session.LogHas(kSavedLine));
    EXPECT_EQ(session.instrument->MemoryByte(0x3FF), 0x88);
    EXPECT_EQ(session.program.Form().Label1->Text(), kUpdatingText);
    ASSERT_TRUE(session.program.gui.RunUntil([&] { return !Requests(*session.instrument, 23).empty(); }, 100));
    EXPECT_EQ(Requests(*session.instrument, 23).front()[1], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Backup, BackupFails,
    testing::Values(FailureCase{"FolderAccessDenied", [](FileFaults& f) { f.makeDirectoryResult = 5; }},
                    FailureCase{"FolderPathNotFound", [](FileFaults& f) { f.makeDirectoryResult = 3; }},
                    FailureCase{"FileNotCreated", [](FileFaults& f) { f.failCreate = true; }},
                    FailureCase{"DiskFullMidway", [](FileFaults& f) { f.failWriteAfterBytes = 1000; }},
                    FailureCase{"DiskFullAtOnce", [](FileFaults& f) { f.failWriteAfterBytes = 0; }},
                    FailureCase{"LastLineDoesNotFit", [](FileFaults& f) { f.failWriteAfterBytes = 4351; }},
                    FailureCase{"CloseFails", [](FileFaults& f) { f.failClose = true; }}),
    [](const auto& info) { return std::string(info.param.name); });

// Every byte of the file is one the instrument delivered: a read that fails is tried once more,
// and a byte that still does not come (the instrument pulled out during the backup, which no
// event can tell while the click runs) leaves no file that would pass for its settings.
TEST(Backup, HoldsOnlyBytesTheInstrumentDelivered) {
    struct Case {
        const char* name;
        // Given the instrument's next exchange; each byte read takes three (send, status, answer).
        std::function<void(sim::InstrumentFaults&, int nextExchange)> fault;
        bool saved;
    };
    const Case cases[] = {
        {"one read fails, its retry answers", [](auto& f, int next) { f.BusyStorm(next + 300, next + 302); }, true},
        {"one byte fails twice", [](auto& f, int next) { f.BusyStorm(next + 300, next + 310); }, false},
        {"pulled out midway", [](auto& f, int next) { f.UnplugAt(next + 600); }, false},
        {"pulled out at the last line", [](auto& f, int next) { f.UnplugAt(next + 3 * 0x7F0); }, false},
        {"pulled out at the last byte", [](auto& f, int next) { f.UnplugAt(next + 3 * 0x7FF); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateSession session(sim::InstrumentBuilder().Model12().MemoryByte(100, 0x5A));
        const std::string memory = HexLines(session.instrument->Memory());
        c.fault(session.instrument->Faults(), session.instrument->ExchangeCount() + 1);
        const auto startMs = session.program.clock.NowMs();

        ASSERT_TRUE(session.ClickUpdate());

        const auto& files = session.program.system.Machine().files;
        ASSERT_EQ(files.size(), c.saved ? 1u : 0u);
        if (c.saved) EXPECT_EQ(files.begin()->second, memory);
        EXPECT_EQ(session.LogHas(kSavedLine), c.saved);
        EXPECT_EQ(session.LogHas(kNotSavedLine), !c.saved);
        // Not a minute of failing reads before the program answers again.
        EXPECT_LT(session.program.clock.NowMs() - startMs, 10'000);
    }
}

// The backup runs inside the click for seconds (a millisecond a transfer here): line by line the
// window shows the system it is alive, and nothing else runs before the click has returned.
TEST(Backup, TheWindowStaysAliveForTheSystemWhileItRuns) {
    UpdateSession session(sim::InstrumentBuilder().Model12());
    session.instrument->Faults().Latency(1);
    auto& gui = session.program.gui;
    const auto startMs = session.program.clock.NowMs();
    const std::size_t traceAtClick = session.instrument->Trace().size();

    ASSERT_TRUE(session.ClickUpdate());

    const auto& alive = gui.KeptResponsiveAtMs();
    ASSERT_EQ(alive.size(), 128u);
    std::int64_t previous = startMs;
    for (const auto at : alive) {
        EXPECT_LE(at - previous, 100);
        previous = at;
    }
    EXPECT_GT(alive.back() - startMs, 5000);
    // From the click to the mark of the firmware, nothing but the backup's reads, in order.
    const auto requests = RequestsFrom(*session.instrument, traceAtClick);
    ASSERT_GT(requests.size(), 2048u);
    for (std::size_t i = 0; i < 2048; ++i) {
        ASSERT_EQ(requests[i][18], 21) << i;
        ASSERT_EQ(requests[i][1] << 8 | requests[i][2], static_cast<int>(i));
    }
    EXPECT_EQ(requests[2048][18], 20);
}

// A retry in the same minute (after a stopped upload, say) must not replace the backup taken
// before the first attempt: that one holds the settings as they were before anything was written.
TEST(Backup, ABackupOfTheSameMinuteGoesBesideTheEarlierOne) {
    // Already at the carried version, so the identification (and with it the name) stays the same.
    UpdateSession session(sim::InstrumentBuilder().Model12().Version("C1.31"));
    const std::string firstMemory = HexLines(session.instrument->Memory());
    ASSERT_TRUE(session.ClickUpdate());
    ASSERT_TRUE(session.RunUntilFinished());
    ASSERT_TRUE(session.LogHas(kSuccessLine));
    session.program.RunFor(1100);
    session.instrument->SetMemoryByte(0x100, static_cast<std::uint8_t>(~session.instrument->MemoryByte(0x100)));
    const std::string secondMemory = HexLines(session.instrument->Memory());
    ASSERT_TRUE(session.ClickUpdate());
    const auto name = session.program.Log().at(3).substr(5);
    auto& form = session.program.Form();
    ASSERT_TRUE(session.RunUntilFinished());
    session.program.RunFor(1100);
    // A third attempt in that minute that cannot read the instrument leaves the other two alone.
    session.instrument->Faults().UnplugAt(session.instrument->ExchangeCount() + 900);
    ASSERT_TRUE(session.ClickUpdate());

    const std::u16string folder = u"C:\\Users\\owner\\Documents\\zr12_01\\";
    const std::u16string stem = form.Instrument.DeviceIdent + u"_1405_030224";
    EXPECT_EQ(name, stem + u"_2.hex");
    const auto& files = session.program.system.Machine().files;
    ASSERT_EQ(files.size(), 2u);
    ASSERT_EQ(files.count(folder + stem + u".hex"), 1u);
    ASSERT_EQ(files.count(folder + stem + u"_2.hex"), 1u);
    EXPECT_EQ(files.at(folder + stem + u".hex"), firstMemory);
    EXPECT_EQ(files.at(folder + stem + u"_2.hex"), secondMemory);
    EXPECT_TRUE(session.LogHas(kNotSavedLine));
}

struct IdentCase {
    const char* name;
    std::uint8_t letter;  // the identification's first character is 'A' + letter
    std::string_view version;
    std::u16string deviceIdent;
    std::u16string fileName;
};

class BackupName : public testing::TestWithParam<IdentCase> {};

// The identification comes from the instrument; what a Windows file name cannot hold is replaced
// in the name, and only there.
TEST_P(BackupName, CharactersAFileNameCannotHoldBecomeUnderscores) {
    const auto& c = GetParam();
    UpdateSession session(Identified(sim::InstrumentBuilder().Model12().Version(c.version), c.letter, kZeroBytes));
    ASSERT_EQ(session.program.Form().Instrument.DeviceIdent, c.deviceIdent);

    ASSERT_TRUE(session.ClickUpdate());

    const auto& files = session.program.system.Machine().files;
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->first, kDocuments + u"\\zr12_01\\" + c.fileName + u"_1405_030224.hex");
    EXPECT_EQ(files.begin()->second.size(), 4352u);
    EXPECT_TRUE(session.LogHas(kSavedLine));
    EXPECT_EQ(session.program.Form().Instrument.DeviceIdent, c.deviceIdent);
}

const std::u16string kZeros(34, u'0');

INSTANTIATE_TEST_SUITE_P(
    Backup, BackupName,
    testing::Values(
        IdentCase{"Backslash", 0x1B, "C1.28", u"\\" + kZeros + u"C1.28", u"_" + kZeros + u"C1.28"},
        IdentCase{"Bar", 0x3B, "C1.28", u"|" + kZeros + u"C1.28", u"_" + kZeros + u"C1.28"},
        IdentCase{"Delete", 0x3E, "C1.28", u"\x7F" + kZeros + u"C1.28", u"_" + kZeros + u"C1.28"},
        // Characters 2, 4 and 5 of the version stay digits: only an instrument whose version reads
        // as a number can be updated.
        IdentCase{"ColonAndQuestion", 0, "?1:31", u"A" + kZeros + u"?1:31", u"A" + kZeros + u"_1_31"},
        IdentCase{"AngleBrackets", 0, "<1>31", u"A" + kZeros + u"<1>31", u"A" + kZeros + u"_1_31"},
        IdentCase{"StarSlash", 0, "*1/31", u"A" + kZeros + u"*1/31", u"A" + kZeros + u"_1_31"},
        IdentCase{"Quote", 0, "\"1.31", u"A" + kZeros + u"\"1.31", u"A" + kZeros + u"_1.31"},
        IdentCase{"ControlCharacters", 0, "\x01" "1\t31", u"A" + kZeros + u"\x01" u"1\t31", u"A" + kZeros + u"_1_31"},
        IdentCase{"AllowedPunctuation", 0, "C1 31", u"A" + kZeros + u"C1 31", u"A" + kZeros + u"C1 31"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zrflash::test
