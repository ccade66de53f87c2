// Start-up, the single-instance guard and shutdown, driven on the headless port.
#include <gtest/gtest.h>

#include "tests/support/HeadlessProgram.h"

namespace zrflash::test {
namespace {

using platform::headless::HeadlessMachine;
using platform::headless::HeadlessProgressBar;

TEST(Startup, WindowRightAfterStartShowsTheOpeningState) {
    HeadlessProgram program;
    ASSERT_TRUE(program.Start());
    auto& form = program.Form();

    EXPECT_TRUE(program.Window().Shown());
    EXPECT_EQ(program.Window().Caption(), u"Прошивка версии C1.31 для ЖР-12, D1.14 для ЖР-14");
    EXPECT_EQ(form.Label1->Text(), u"Пинцет ЖР");
    EXPECT_FALSE(form.B1->Enabled());
    EXPECT_EQ(form.LB->Count(), 0);
    EXPECT_EQ(form.Pr1->Minimum(), 0);
    EXPECT_EQ(form.Pr1->Maximum(), 127);
    EXPECT_EQ(form.Pr1->Position(), 0);
    EXPECT_FALSE(form.C2->Enabled());
    EXPECT_TRUE(form.G6->Enabled());
    EXPECT_TRUE(form.C1->Enabled());
    EXPECT_TRUE(form.C3->Enabled());
    EXPECT_FALSE(form.C1->Checked() || form.C2->Checked() || form.C3->Checked());
    EXPECT_EQ(form.E1->Text(), u"E1");
    EXPECT_TRUE(form.Timer1->Enabled());
    EXPECT_EQ(form.Timer1->Interval(), 1000);
    EXPECT_FALSE(form.Timer2->Enabled());
    EXPECT_EQ(form.Timer2->Interval(), 2);
    EXPECT_FALSE(form.Timer3->Enabled());
    EXPECT_EQ(form.Timer3->Interval(), 1);
}

TEST(Startup, CompanionViewersAreEndedInOrderWithHiddenCommands) {
    HeadlessProgram program;
    ASSERT_TRUE(program.Start());
    EXPECT_EQ(program.system.StartedCommands(),
              (std::vector<std::u16string>{u"TASKKILL /F /IM zrview11.exe", u"TASKKILL /F /IM zrview10.exe",
                                           u"TASKKILL /F /IM zrview12.exe", u"TASKKILL /F /IM zrview14.exe"}));
}

TEST(Startup, HiddenControlsAreReachedOnlyWithTheKeyboard) {
    HeadlessProgram program;
    ASSERT_TRUE(program.Start());
    auto& window = program.Window();
    // B1 is disabled at start, C2 always: Tab skips them.
    EXPECT_EQ(window.TabSequence(), (std::vector<std::string>{"LB", "C1", "C3", "Button1", "E1"}));
    EXPECT_FALSE(window.Click("Button1"));  // below the client area
    program.Form().B1->SetEnabled(true);
    EXPECT_EQ(window.TabSequence().front(), "B1");
}

constexpr char16_t kPath[] = u"C:\\Tools\\x.exe";

TEST(SingleInstance, SecondCopyOfTheSameFileIsRefused) {
    HeadlessMachine machine;
    HeadlessProgram first(&machine);
    first.system.SetModulePath(kPath);
    ASSERT_TRUE(first.Start());

    HeadlessProgram second(&machine);
    second.system.SetModulePath(kPath);
    EXPECT_FALSE(second.Start());
    ASSERT_EQ(second.gui.MessageBoxes().size(), 1u);
    EXPECT_EQ(second.gui.MessageBoxes()[0].text, u"Вы пытаетесь запустить программу повторно");
    EXPECT_EQ(second.gui.MessageBoxes()[0].caption, u"C:/Tools/x.exe");
    EXPECT_EQ(second.gui.MessageBoxes()[0].icon, platform::MessageBoxIcon::Error);
    EXPECT_EQ(second.gui.MainWindow(), nullptr);
    EXPECT_TRUE(second.system.StartedCommands().empty());
    EXPECT_EQ(second.Shutdown(), 0);

    // The refused copy took no unit and gave none back: the first still holds the lock.
    auto* state = machine.FindSemaphore(u"C:/Tools/x.exe");
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->count, 0);
    EXPECT_EQ(state->handles, 1);
}

TEST(SingleInstance, CopyFromAnotherPathRunsBesideTheFirst) {
    HeadlessMachine machine;
    HeadlessProgram first(&machine);
    first.system.SetModulePath(kPath);
    ASSERT_TRUE(first.Start());
    HeadlessProgram other(&machine);
    other.system.SetModulePath(u"D:\\Copy\\x.exe");
    EXPECT_TRUE(other.Start());
}

TEST(SingleInstance, NewCopyStartsAfterTheFirstHasExited) {
    HeadlessMachine machine;
    HeadlessProgram first(&machine);
    first.system.SetModulePath(kPath);
    ASSERT_TRUE(first.Start());
    HeadlessProgram waiting(&machine);  // keeps the semaphore object alive across the restart
    waiting.system.SetModulePath(kPath);
    EXPECT_FALSE(waiting.Start());

    first.Window().Close();
    EXPECT_EQ(first.Shutdown(), 0);
    EXPECT_EQ(machine.FindSemaphore(u"C:/Tools/x.exe")->count, 1);

    HeadlessProgram next(&machine);
    next.system.SetModulePath(kPath);
    EXPECT_TRUE(next.Start());
}

TEST(SingleInstance, SemaphoreThatCannotBeCreatedCountsAsAnotherCopy) {
    HeadlessProgram program;
    program.system.SetSemaphoreFails(true);
    EXPECT_FALSE(program.Start());
    EXPECT_EQ(program.gui.MessageBoxes().size(), 1u);
    EXPECT_EQ(program.Shutdown(), 0);
}

TEST(SingleInstance, LongPathIsCutTo255Characters) {
    HeadlessProgram program;
    std::u16string path = u"C:\\" + std::u16string(300, u'a') + u".exe";
    program.system.SetModulePath(path);
    ASSERT_TRUE(program.Start());
    std::u16string expected = u"C:/" + std::u16string(252, u'a');
    EXPECT_NE(program.machine.FindSemaphore(expected), nullptr);
}

}  // namespace
}  // namespace zrflash::test
