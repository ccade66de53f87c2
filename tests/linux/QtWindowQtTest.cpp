// The Qt port offscreen: the window as the definition draws it, the controls' behaviour the
// program relies on, timers, posted work, the message box's own loop and the end of the loop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/MainWindowDefinition.h"
#include "platform/linux/QtGui.h"
#include "platform/linux/QtWindow.h"
#include "platform/linux/testing/QtWindowProbe.h"
#include "platform/linux/Utf.h"

namespace zrflash::test {
namespace {

using namespace platform::linux_port;
using platform::linux_port::testing::QtWindowProbe;
using platform::linux_port::testing::RunLoopFor;
using platform::linux_port::testing::RunLoopUntil;

class QtWindowTest : public ::testing::Test {
protected:
    QtWindowTest() {
        EnsureQtApplication();
        gui = std::make_unique<QtGui>();
        window = gui->CreateMainWindow(app::MainWindowDefinition());
        qtWindow = static_cast<QtWindow*>(window.get());
        probe = std::make_unique<QtWindowProbe>(*qtWindow);
    }
    std::unique_ptr<QtGui> gui;
    std::unique_ptr<platform::Window> window;
    QtWindow* qtWindow = nullptr;
    std::unique_ptr<QtWindowProbe> probe;
};

TEST_F(QtWindowTest, DrawsEveryControlAsTheDefinitionSays) {
    const auto& definition = app::MainWindowDefinition();
    EXPECT_EQ(probe->ClientWidth(), 587);
    EXPECT_EQ(probe->ClientHeight(), 211);
    EXPECT_TRUE(probe->FixedSize());
    EXPECT_EQ(window->Caption(), definition.caption);
    for (const auto& control : definition.controls) {
        SCOPED_TRACE(control.name);
        const auto facts = probe->Facts(control.name);
        ASSERT_TRUE(facts);
        EXPECT_EQ(facts->left, control.left);
        EXPECT_EQ(facts->top, control.top);
        if (control.kind == platform::ControlKind::Label) {
            EXPECT_TRUE(facts->textFits);  // it sizes itself to its text
        } else {
            EXPECT_EQ(facts->width, control.width);
            EXPECT_EQ(facts->height, control.height);
        }
        if (control.kind != platform::ControlKind::ProgressBar && control.kind != platform::ControlKind::ListBox) {
            EXPECT_EQ(facts->text, control.text);
        }
        EXPECT_EQ(facts->requestedFamily, Utf16ToUtf8(control.font.face));
        EXPECT_EQ(facts->pixelSize, control.font.heightPx);
        EXPECT_EQ(facts->bold, control.font.bold);
        EXPECT_EQ(facts->enabled, control.enabled);
        EXPECT_EQ(facts->toolTip, control.showHint ? control.hint : u"");
    }
    // Only the check boxes show hints; the button's and the frame's texts stay unseen.
    EXPECT_EQ(probe->Facts("B1")->toolTip, u"");
    EXPECT_EQ(probe->Facts("C3")->toolTip, u"Рокировка  поворота  по часовой  и против часовой");
}

TEST_F(QtWindowTest, FindsASansFaceWithCyrillicWhereTheWindowsOnesAreMissing) {
    for (const char* name : {"B1", "Label1", "LB", "C1"}) {
        SCOPED_TRACE(name);
        const auto facts = probe->Facts(name);
        EXPECT_FALSE(facts->renderedFamily.empty());
        EXPECT_EQ(facts->renderedFamily.find("Mono"), std::string::npos);
        EXPECT_EQ(facts->renderedFamily.find("Serif") == std::string::npos ||
                      facts->renderedFamily.find("Sans") != std::string::npos,
                  true);
    }
}

TEST_F(QtWindowTest, TabVisitsTheEnabledControlsInOrderIncludingTheHiddenOnes) {
    EXPECT_EQ(probe->TabChain(), (std::vector<std::string>{"LB", "C1", "C3", "Button1", "E1"}));
    window->Get<platform::PushButton>("B1").SetEnabled(true);
    EXPECT_EQ(probe->TabChain(), (std::vector<std::string>{"B1", "LB", "C1", "C3", "Button1", "E1"}));
    window->Get<platform::GroupBox>("G6").SetEnabled(false);
    EXPECT_EQ(probe->TabChain(), (std::vector<std::string>{"B1", "LB", "Button1", "E1"}));
    // The group box keeps its children's own states: C3 is still enabled, only unreachable.
    EXPECT_TRUE(window->Get<platform::CheckBox>("C3").Enabled());
    EXPECT_FALSE(probe->Click("C3"));
}

TEST_F(QtWindowTest, SpaceOnTheHiddenButtonRunsItsHandler) {
    int clicks = 0;
    window->Get<platform::PushButton>("Button1").SetOnClick([&] { ++clicks; });
    window->Show();
    ASSERT_TRUE(probe->PressSpaceOn("Button1"));
    EXPECT_EQ(clicks, 1);
}

TEST_F(QtWindowTest, CheckBoxesRaiseTheirClickOnEveryChangeOfState) {
    auto& box = window->Get<platform::CheckBox>("C1");
    int clicks = 0;
    box.SetOnClick([&] { ++clicks; });
    box.SetChecked(true);
    EXPECT_EQ(clicks, 1);
    box.SetChecked(true);  // no change, no click
    EXPECT_EQ(clicks, 1);
    ASSERT_TRUE(probe->Click("C1"));  // the user unticks it
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(box.Checked());
    EXPECT_FALSE(probe->Click("C2"));  // disabled
}

TEST_F(QtWindowTest, TheLabelWidensToItsTextAndTheListHasFourteenPixelRows) {
    auto& label = window->Get<platform::Label>("Label1");
    const int before = probe->Facts("Label1")->width;
    label.SetText(u"Текущая версия прошивки C1.28");
    const auto facts = probe->Facts("Label1");
    EXPECT_GT(facts->width, before);
    EXPECT_TRUE(facts->textFits);
    EXPECT_EQ(facts->left, 16);

    auto& list = window->Get<platform::ListBox>("LB");
    for (int i = 0; i < 20; ++i) list.Add(u"Пинцет ЖР-12 подключен");
    EXPECT_EQ(list.Count(), 20);
    EXPECT_EQ(list.Line(19), u"Пинцет ЖР-12 подключен");
    EXPECT_EQ(probe->ListRowHeight("LB"), 14);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(QtWindowTest, TheProgressBarKeepsItsPositionWithinTheRange) {
    auto& bar = window->Get<platform::ProgressBar>("Pr1");
    EXPECT_EQ(bar.Maximum(), 127);
    bar.SetPosition(127);
    bar.SetMaximum(224);
    EXPECT_EQ(bar.Position(), 127);
    bar.SetPosition(300);
    EXPECT_EQ(bar.Position(), 224);
    bar.SetMaximum(100);
    EXPECT_EQ(bar.Position(), 100);
    bar.SetPosition(-5);
    EXPECT_EQ(bar.Position(), 0);
}

TEST_F(QtWindowTest, TimersTickAtAboutTheirIntervalAndRestartTheirPeriod) {
    auto fast = gui->CreateTimer();
    int ticks = 0;
    fast->SetOnTimer([&] { ++ticks; });
    fast->SetInterval(2);
    fast->SetEnabled(true);
    RunLoopFor(500);
    fast->SetEnabled(false);
    // About 250 at 2 ms; a coarse 10-16 ms timer would give 30 to 50. The machine is shared.
    EXPECT_GT(ticks, 120);

    auto slow = gui->CreateTimer();
    int slowTicks = 0;
    slow->SetOnTimer([&] { ++slowTicks; });
    slow->SetInterval(400);
    slow->SetEnabled(true);
    RunLoopFor(250);
    slow->SetInterval(400);  // the period starts again: no tick at 400 ms
    RunLoopFor(250);
    EXPECT_EQ(slowTicks, 0);
    RunLoopFor(250);
    EXPECT_EQ(slowTicks, 1);
}

TEST_F(QtWindowTest, PostedWorkRunsLaterOnTheGuiThreadFromAnyThread) {
    const auto guiThread = std::this_thread::get_id();
    bool ran = false;
    gui->Post([&] { ran = true; });
    EXPECT_FALSE(ran);
    std::atomic<bool> onGuiThread{false};
    std::thread other([&] { gui->Post([&] { onGuiThread = std::this_thread::get_id() == guiThread; }); });
    other.join();
    EXPECT_TRUE(RunLoopUntil([&] { return ran && onGuiThread.load(); }, 1000));
}

TEST_F(QtWindowTest, TheMessageBoxsLoopKeepsTimersAndPostedWorkGoing) {
    auto timer = gui->CreateTimer();
    int ticks = 0;
    timer->SetOnTimer([&] { ++ticks; });
    timer->SetInterval(10);
    timer->SetEnabled(true);
    bool posted = false;
    gui->Post([&] { posted = true; });
    platform::linux_port::testing::SeenMessageBox seen;
    platform::linux_port::testing::PressOkOnMessageBoxAfter(300, seen);
    gui->ShowMessageBox(u"Ошибка записи", u"", platform::MessageBoxIcon::None);
    EXPECT_TRUE(seen.seen);
    EXPECT_EQ(seen.text, u"Ошибка записи");
    EXPECT_FALSE(seen.errorIcon);
    EXPECT_TRUE(posted);
    EXPECT_GT(ticks, 5);
}

TEST_F(QtWindowTest, TheLoopEndsWhenTheWindowIsClosedAfterItsCloseHandler) {
    int closes = 0;
    window->SetOnClose([&] { ++closes; });
    window->Show();
    gui->Post([&] { probe->Close(); });
    gui->RunMessageLoop();
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(qtWindow->Closed());
    gui->RunMessageLoop();  // already closed: returns at once
}

}  // namespace
}  // namespace zrflash::test
