// The update start and the chunk upload as the user drives them: what the instrument receives,
// the progress bar, and how the upload stops when the instrument does not take a chunk or a page.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "tests/update/UpdateSession.h"

namespace zrflash::test {
namespace {

constexpr std::uint8_t kWriteByte = 20;
constexpr std::uint8_t kCommitPage = 22;
constexpr std::uint8_t kWriteChunk = 23;
constexpr int kPages = 224;
constexpr int kChunksPerPage = 16;

struct ModelCase {
    const char* name;
    bool model14;
    std::uint8_t modelCode;
    std::uint8_t modelByte;
    std::u16string_view version;
};

class FullUpload : public testing::TestWithParam<ModelCase> {};

TEST_P(FullUpload, EveryChunkInOrderWithAPageCommitAfterEverySixteenth) {
    const auto& c = GetParam();
    sim::InstrumentBuilder builder;
    if (c.model14) builder.Model14();
    UpdateSession session(builder);
    const auto traceStart = session.instrument->Trace().size();
    const auto positionsBefore = session.Progress().History().size();

    ASSERT_TRUE(session.ClickUpdate());
    ASSERT_TRUE(session.RunUntilUploadSent());

    const auto requests = RequestsFrom(*session.instrument, traceStart);
    const auto firstChunk = std::find_if(requests.begin(), requests.end(), [](auto& r) { return r[18] == kWriteChunk; });
    ASSERT_NE(firstChunk, requests.begin());
    // The firmware is marked as being updated right before the first chunk.
    EXPECT_EQ(*(firstChunk - 1), (std::vector<std::uint8_t>{0, 0x03, 0xFF, 0x88, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                              kWriteByte}));
    const std::vector<std::vector<std::uint8_t>> upload(firstChunk, requests.end());
    ASSERT_EQ(upload.size(), static_cast<std::size_t>(kPages * (kChunksPerPage + 1)));
    const auto image = SendingOrder(c.modelCode);
    std::size_t k = 0;
    for (int page = 0; page < kPages; ++page) {
        for (int chunk = 0; chunk < kChunksPerPage; ++chunk, ++k) {
            const auto& request = upload[k];
            const std::size_t offset = static_cast<std::size_t>(page * 256 + chunk * 16);
            ASSERT_EQ(request[18], kWriteChunk) << "page " << page << " chunk " << chunk;
            ASSERT_EQ(request[1], chunk * 16) << "page " << page << " chunk " << chunk;
            ASSERT_TRUE(std::equal(request.begin() + 2, request.begin() + 18, image.begin() + offset))
                << "page " << page << " chunk " << chunk;
        }
        const auto& commit = upload[k++];
        ASSERT_EQ(commit[18], kCommitPage) << "page " << page;
        ASSERT_EQ(commit[1], page);
        ASSERT_EQ(commit[2], c.modelByte);
        // Bytes 3..17 are left as the last chunk of the page set them.
        ASSERT_TRUE(std::equal(commit.begin() + 3, commit.begin() + 18, upload[k - 2].begin() + 3)) << "page " << page;
    }
    // The tick after the last commit only hands over to the finish timer.
    EXPECT_FALSE(session.program.Form().Timer2->Enabled());

    // The bar: one step per backup line, then one per committed page.
    const auto& history = session.Progress().History();
    ASSERT_EQ(history.size(), positionsBefore + 128 + kPages);
    for (int page = 1; page <= kPages; ++page) EXPECT_EQ(history[positionsBefore + 127 + page], page);
    EXPECT_EQ(session.Progress().Maximum(), kPages);

    ASSERT_TRUE(session.RunUntilFinished());
    EXPECT_TRUE(session.LogHas(kSuccessLine));
    const auto flash = session.instrument->Flash();
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + update::UploadEnd, flash.begin()));
    EXPECT_EQ(session.instrument->CommittedPages(), kPages);
    EXPECT_EQ(session.instrument->MemoryByte(0x3FF), 1);
    session.program.RunFor(1100);
    EXPECT_EQ(session.program.Form().Label1->Text(), std::u16string(u"Текущая версия прошивки ") + std::u16string(c.version));
    EXPECT_TRUE(session.program.Form().B1->Enabled());
    EXPECT_TRUE(session.program.Form().G6->Enabled());
}

INSTANTIATE_TEST_SUITE_P(Upload, FullUpload,
                         testing::Values(ModelCase{"Model12", false, 12, 45, u"C1.31"},
                                         ModelCase{"Model14", true, 14, 14, u"D1.14"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Another instrument of the other model attached after the poll has read the first one: the
// button is still enabled, and the upload must not mix pieces of the two images.
TEST(UploadStart, InstrumentSwappedBeforeItsFirstPollGetsOnlyItsOwnImage) {
    UpdateSession session(sim::InstrumentBuilder().Model12());
    session.program.Unplug(session.instrument);
    auto model14 = session.program.Plug(sim::InstrumentBuilder().Model14());
    auto& form = session.program.Form();
    ASSERT_TRUE(session.program.gui.RunUntil(
        [&] { return form.Instrument.ActiveDevice != nullptr && form.Instrument.ModelCode == 14; }, 500));
    // Until its first poll the new instrument is not identified, so the button waits for it...
    EXPECT_FALSE(form.B1->Enabled());
    // ...and even an update started from there sends nothing of the previous instrument's image.
    form.B1->SetEnabled(true);

    ASSERT_TRUE(session.ClickUpdate());
    ASSERT_TRUE(session.RunUntilUploadSent());

    const auto image = SendingOrder(14);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + update::UploadEnd, model14->Flash().begin()));
    EXPECT_TRUE(Requests(*session.instrument, kWriteChunk).empty());
}

struct FlagCase {
    const char* name;
    // Given the number of the instrument's next SetFeature when the button is pressed.
    std::function<void(sim::InstrumentFaults&, int nextSetFeature)> fault;
    int messageBoxDwellMs;
    std::uint8_t flagAfter;
    std::u16string_view statusAfterPoll;
};

class FlagNotWritten : public testing::TestWithParam<FlagCase> {};

// Without the mark an interrupted upload would later pass for good firmware, so nothing is sent;
// the box the failed write shows runs the loop, and still no chunk goes out.
TEST_P(FlagNotWritten, NoChunkIsSentAndThePollResumes) {
    const auto& c = GetParam();
    UpdateSession session(sim::InstrumentBuilder().Model12());
    session.program.gui.SetMessageBoxDwellMs(c.messageBoxDwellMs);
    c.fault(session.instrument->Faults(), session.instrument->SetFeatureCount() + 1);

    ASSERT_TRUE(session.ClickUpdate());

    std::string log;
    for (const auto& line : session.program.Log()) log += ToUtf8(line) + "\n";
    ASSERT_EQ(session.program.gui.MessageBoxes().size(), 1u) << log;
    EXPECT_EQ(session.program.gui.MessageBoxes()[0].text, u"Ошибка записи");
    auto& form = session.program.Form();
    EXPECT_FALSE(form.Timer2->Enabled());
    EXPECT_TRUE(form.Timer1->Enabled());
    session.program.RunFor(1100);
    EXPECT_TRUE(Requests(*session.instrument, kWriteChunk).empty());
    EXPECT_EQ(session.instrument->MemoryByte(0x3FF), c.flagAfter);
    EXPECT_EQ(form.Label1->Text(), c.statusAfterPoll);
    EXPECT_TRUE(form.B1->Enabled());
    EXPECT_EQ(session.program.system.Machine().files.size(), 1u);
    EXPECT_EQ(session.LogCount(u"Обновление прошивки не начато"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    UploadStart, FlagNotWritten,
    testing::Values(
        // Every send of the write is lost (the backup's 2,048 reads come first): the old flag stays.
        FlagCase{"WriteNeverArrives",
                 [](sim::InstrumentFaults& faults, int next) {
                     for (int i = 0; i < 8; ++i) faults.FailSetFeatureAt(next + 2048 + i);
                 },
                 0, 1, u"Текущая версия прошивки C1.28"},
        // The instrument takes the write but its echo is wrong every time; the box stays up a while.
        FlagCase{"EchoWrongWhileTheBoxIsUp",
                 [](sim::InstrumentFaults& faults, int) { faults.CorruptEcho(3, 4, kWriteByte); }, 500, 0x88,
                 u"Перезагрузите прошивку C1.28"}),
    [](const auto& info) { return std::string(info.param.name); });

struct StopCase {
    const char* name;
    int chunksBeforeFault;
    std::function<void(sim::InstrumentFaults&)> fault;
    int chunksSent;
    int commitsSent;
};

class UploadStops : public testing::TestWithParam<StopCase> {};

TEST_P(UploadStops, MessageBoxAndNothingRunsUntilTheInstrumentIsRemoved) {
    const auto& c = GetParam();
    UpdateSession session(sim::InstrumentBuilder().Model12());
    auto& form = session.program.Form();
    ASSERT_TRUE(session.ClickUpdate());
    ASSERT_TRUE(session.program.gui.RunUntil(
        [&] { return form.Update().UploadPos >= c.chunksBeforeFault * 16; }, 60'000));
    c.fault(session.instrument->Faults());

    session.program.RunFor(3000);

    const auto& boxes = session.program.gui.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kChunkRejectedBox);
    EXPECT_EQ(boxes[0].caption, u"");
    EXPECT_EQ(Requests(*session.instrument, kWriteChunk).size(), static_cast<std::size_t>(c.chunksSent));
    EXPECT_EQ(Requests(*session.instrument, kCommitPage).size(), static_cast<std::size_t>(c.commitsSent));
    EXPECT_FALSE(session.AnyUpdateTimerOn());
    EXPECT_FALSE(form.B1->Enabled());
    EXPECT_FALSE(form.G6->Enabled());
    EXPECT_EQ(form.Label1->Text(), kUpdatingText);
    EXPECT_EQ(session.instrument->MemoryByte(0x3FF), 0x88);
    EXPECT_FALSE(session.LogHas(kSuccessLine));
    // The box has gone; the log still says the only way out.
    EXPECT_EQ(session.program.Log().back(), u"Отключите и снова подключите прибор");

    // Only the instrument's removal brings the poll back.
    session.program.Unplug(session.instrument);
    session.program.RunFor(1100);
    EXPECT_TRUE(form.Timer1->Enabled());
    EXPECT_EQ(form.Label1->Text(), u"Подключите устройство ");
}

INSTANTIATE_TEST_SUITE_P(
    Upload, UploadStops,
    testing::Values(
        StopCase{"ChecksumLowByteOfTheFirstChunk", 0,
                 [](sim::InstrumentFaults& f) { f.CorruptChecksum(sim::ChecksumByte::Low, 1); }, 1, 0},
        StopCase{"ChecksumHighByteMidway", 1000,
                 [](sim::InstrumentFaults& f) { f.CorruptChecksum(sim::ChecksumByte::High, 1); }, 1001, 62},
        // Busy past the transaction's patience: the page was not taken.
        StopCase{"PageCommitNotDone", 0, [](sim::InstrumentFaults& f) { f.BusyAnswers(kCommitPage, 5, 1); }, 16, 1},
        StopCase{"PageCommitNotDoneMidway", 90, [](sim::InstrumentFaults& f) { f.BusyAnswers(kCommitPage, 5, 1); },
                 96, 6}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Upload, UnpluggedMidwayThenReplugged_SecondUpdateStartsAfreshAndCompletes) {
    UpdateSession session(sim::InstrumentBuilder().Model12());
    auto& form = session.program.Form();
    auto& instrument = *session.instrument;
    ASSERT_TRUE(session.ClickUpdate());
    ASSERT_TRUE(session.program.gui.RunUntil([&] { return form.Update().UploadPos >= 1600; }, 60'000));
    instrument.Faults().UnplugAt(instrument.ExchangeCount() + 1);

    session.program.RunFor(2000);

    EXPECT_FALSE(instrument.IsAttached());
    EXPECT_TRUE(session.LogHas(u"Пинцет ЖР-12 отключен"));
    EXPECT_TRUE(form.Timer1->Enabled());
    EXPECT_FALSE(form.Timer2->Enabled());
    EXPECT_FALSE(form.Timer3->Enabled());
    EXPECT_EQ(form.Pr1->Position(), 0);
    EXPECT_EQ(instrument.MemoryByte(0x3FF), 0x88);

    session.program.system.SetNow({2024, 2, 3, 14, 6, 0});
    session.program.bus.Plug(instrument);
    session.program.RunFor(1100);
    EXPECT_EQ(form.Label1->Text(), u"Перезагрузите прошивку C1.28");
    const auto traceStart = instrument.Trace().size();
    ASSERT_TRUE(session.ClickUpdate());
    ASSERT_TRUE(session.RunUntilFinished());

    EXPECT_TRUE(session.LogHas(kSuccessLine));
    const auto image = SendingOrder(12);
    const auto requests = RequestsFrom(instrument, traceStart);
    const auto firstChunk = std::find_if(requests.begin(), requests.end(), [](auto& r) { return r[18] == kWriteChunk; });
    ASSERT_NE(firstChunk, requests.end());
    EXPECT_EQ((*firstChunk)[1], 0);
    EXPECT_TRUE(std::equal(firstChunk->begin() + 2, firstChunk->begin() + 18, image.begin()));
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + update::UploadEnd, instrument.Flash().begin()));
    // A fresh backup, taken a minute later: the second file holds the flag of the broken update.
    const auto& files = session.program.system.Machine().files;
    ASSERT_EQ(files.size(), 2u);
    const auto second = std::find_if(files.begin(), files.end(), [](auto& f) { return f.first.ends_with(u"_1406_030224.hex"); });
    ASSERT_NE(second, files.end());
    EXPECT_EQ(second->second.substr(63 * 34 + 30, 2), "88");
}

}  // namespace
}  // namespace zrflash::test
