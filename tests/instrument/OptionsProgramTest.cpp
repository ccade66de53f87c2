// The three option boxes: a user's click writes the instrument's cells at once, the poll reads
// them back without writing.
#include <gtest/gtest.h>

#include "tests/instrument/InstrumentTrace.h"
#include "tests/support/HeadlessProgram.h"

namespace zrflash::test {
namespace {

using Writes = std::vector<std::pair<std::uint16_t, std::uint8_t>>;

struct Polled {
    HeadlessProgram program;
    std::shared_ptr<sim::SimInstrument> instrument;

    // An instrument with every option off, after one complete poll tick.
    Polled() {
        instrument = program.Plug(sim::InstrumentBuilder());
        EXPECT_TRUE(program.Start());
        program.RunFor(1100);
        EXPECT_TRUE(program.Form().Instrument.OptionsLoaded);
        instrument->ClearTrace();
    }
    app::TMForm& Form() { return program.Form(); }
    Writes TakeWrites() {
        Writes writes = WritesOf(instrument->Trace());
        instrument->ClearTrace();
        return writes;
    }
};

struct ClickCase {
    const char* box;
    std::uint16_t address;
};

TEST(Options, TickingAndUntickingABoxWritesItsCell) {
    for (const ClickCase c : {ClickCase{"C1", 0x3B3}, ClickCase{"C3", 0x3FE}}) {
        SCOPED_TRACE(c.box);
        Polled polled;
        auto& box = polled.program.Window().Get<platform::CheckBox>(c.box);
        ASSERT_FALSE(box.Checked());

        ASSERT_TRUE(polled.program.Window().Click(c.box));
        EXPECT_TRUE(box.Checked());
        EXPECT_EQ(polled.TakeWrites(), (Writes{{c.address, 1}}));
        EXPECT_EQ(polled.instrument->MemoryByte(c.address), 1);

        ASSERT_TRUE(polled.program.Window().Click(c.box));
        EXPECT_FALSE(box.Checked());
        EXPECT_EQ(polled.TakeWrites(), (Writes{{c.address, 0}}));
        EXPECT_EQ(polled.instrument->MemoryByte(c.address), 0);
    }
}

// The user cannot change the second box; when its state changes with the options loaded, its
// handler writes the pair of action codes, first cell first.
TEST(Options, TheSecondBoxCannotBeClickedAndItsHandlerWritesThePairInOrder) {
    Polled polled;
    auto& form = polled.Form();
    EXPECT_FALSE(polled.program.Window().Click("C2"));
    EXPECT_FALSE(form.C2->Checked());
    EXPECT_TRUE(polled.TakeWrites().empty());

    form.C2->SetChecked(true);  // raises the click handler
    EXPECT_EQ(polled.TakeWrites(), (Writes{{0x3CD, 4}, {0x3CE, 1}}));
    form.C2Click();
    EXPECT_EQ(polled.TakeWrites(), (Writes{{0x3CD, 4}, {0x3CE, 1}}));
    EXPECT_EQ(polled.instrument->MemoryByte(0x3CD), 4);
    EXPECT_EQ(polled.instrument->MemoryByte(0x3CE), 1);

    form.C2->SetChecked(false);
    EXPECT_EQ(polled.TakeWrites(), (Writes{{0x3CD, 1}, {0x3CE, 4}}));
    EXPECT_EQ(polled.instrument->MemoryByte(0x3CD), 1);
    EXPECT_EQ(polled.instrument->MemoryByte(0x3CE), 4);
}

struct ReadBackCase {
    std::uint16_t address;
    std::uint8_t value;
    const char* box;
    bool checked;
};

// Applied in order on one instrument, so that boxes change both ways; no change writes anything.
TEST(Options, ThePollSetsTheBoxesFromTheCellsWithoutWriting) {
    const ReadBackCase cases[] = {
        {0x3B3, 1, "C1", true},     {0x3B3, 2, "C1", false},  {0x3B3, 1, "C1", true},   {0x3B3, 0, "C1", false},
        {0x3CD, 0, "C2", true},     {0x3CD, 1, "C2", false},  {0x3CD, 0xFF, "C2", true}, {0x3CD, 1, "C2", false},
        {0x3CD, 4, "C2", true},     {0x3FE, 2, "C3", true},   {0x3FE, 0, "C3", false},   {0x3FE, 1, "C3", true},
        {0x3FE, 0xFF, "C3", true},  {0x3FE, 0, "C3", false},
    };
    Polled polled;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.box) + " " + std::to_string(c.value));
        polled.instrument->SetMemoryByte(c.address, c.value);
        polled.program.RunFor(1000);
        EXPECT_EQ(polled.program.Window().Get<platform::CheckBox>(c.box).Checked(), c.checked);
        EXPECT_TRUE(polled.TakeWrites().empty());
        EXPECT_EQ(polled.instrument->MemoryByte(c.address), c.value);
    }
}

// The group is enabled from the start, so the boxes can be ticked before the first poll; nothing
// is written, and the poll then shows what the instrument holds.
TEST(Options, AClickBeforeTheFirstCompleteTickWritesNothing) {
    HeadlessProgram program;
    auto instrument = program.Plug(sim::InstrumentBuilder());
    ASSERT_TRUE(program.Start());
    program.RunFor(100);
    ASSERT_NE(program.Form().Instrument.ActiveDevice, nullptr);

    ASSERT_TRUE(program.Window().Click("C1"));
    ASSERT_TRUE(program.Window().Click("C3"));
    EXPECT_TRUE(program.Form().C1->Checked());
    EXPECT_TRUE(WritesOf(instrument->Trace()).empty());

    program.RunFor(1000);
    EXPECT_FALSE(program.Form().C1->Checked());
    EXPECT_FALSE(program.Form().C3->Checked());
    EXPECT_TRUE(WritesOf(instrument->Trace()).empty());
    EXPECT_EQ(instrument->MemoryByte(0x3B3), 0);
    EXPECT_EQ(instrument->MemoryByte(0x3FE), 0);
}

// Between the instrument's removal and the next tick the group is still enabled: a click reaches
// the handler, which has nothing to write to and says nothing; the box keeps the user's state.
TEST(Options, AClickAfterTheInstrumentWentKeepsTheBoxAndSaysNothing) {
    Polled polled;
    polled.program.Unplug(polled.instrument);
    polled.program.RunFor(10);
    ASSERT_EQ(polled.Form().Instrument.ActiveDevice, nullptr);
    const auto log = polled.program.Log();

    ASSERT_TRUE(polled.program.Window().Click("C1"));
    EXPECT_TRUE(polled.Form().C1->Checked());
    EXPECT_EQ(polled.program.Log(), log);
    EXPECT_TRUE(polled.program.gui.MessageBoxes().empty());
    EXPECT_EQ(polled.instrument->SetFeatureCount(), 33);
}

}  // namespace
}  // namespace zrflash::test
