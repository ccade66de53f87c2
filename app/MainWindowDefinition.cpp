// The main window as data: every control with its place, text, font, state, tab order and handler.
#include "app/MainWindowDefinition.h"

#include "app/AppTexts.h"

namespace zrflash::app {
namespace {

using platform::ControlDefinition;
using platform::ControlKind;
using platform::FontDefinition;

const FontDefinition kWindowFont{u"Tahoma", 11, false};
const FontDefinition kOptionFont{u"Tahoma", 13, false};

platform::WindowDefinition Build() {
    platform::WindowDefinition window;
    window.caption = std::u16string(texts::kCaptionAtCreation);
    window.clientWidth = 587;
    window.clientHeight = 211;
    window.font = kWindowFont;

    ControlDefinition b1{.name = "B1", .kind = ControlKind::PushButton, .left = 8, .top = 8, .width = 369,
                         .height = 42, .text = u"Обновить прошивку", .hint = u"Жмем для обновления прошивки",
                         .font = {u"MS Sans Serif", 13, true}, .enabled = false, .tabOrder = 0,
                         .clickHandler = "B1Click"};
    ControlDefinition pr1{.name = "Pr1", .kind = ControlKind::ProgressBar, .left = 8, .top = 56, .width = 369,
                          .height = 16, .font = kWindowFont, .rangeMin = 0, .rangeMax = 127, .position = 0,
                          .tabOrder = 1};
    ControlDefinition label1{.name = "Label1", .kind = ControlKind::Label, .left = 16, .top = 80, .width = 94,
                             .height = 20, .text = u"Пинцет ЖР", .font = {u"MS Sans Serif", 16, true}};
    ControlDefinition lb{.name = "LB", .kind = ControlKind::ListBox, .left = 383, .top = 8, .width = 202,
                         .height = 201, .font = {u"Tahoma", 12, false}, .itemHeightPx = 14, .tabOrder = 2};
    ControlDefinition g6{.name = "G6", .kind = ControlKind::GroupBox, .left = 8, .top = 112, .width = 369,
                         .height = 97, .text = u"Дополнительно",
                         .hint = u"Рокировка длительного и короткого поворота по часовой в RLC режиме",
                         .font = kOptionFont, .tabOrder = 3, .clickHandler = "G6Click"};
    ControlDefinition c2{.name = "C2", .kind = ControlKind::CheckBox, .parent = "G6", .left = 15, .top = 24,
                         .width = 322, .height = 17, .text = u"Рокир. действий в RCLD режиме (RLC-калибровка)",
                         .hint = u"Рокировка длительного(2 пика) и короткого (1пик) поворота по часовой",
                         .showHint = true, .font = kOptionFont, .enabled = false, .tabOrder = 1,
                         .clickHandler = "C2Click"};
    ControlDefinition c3{.name = "C3", .kind = ControlKind::CheckBox, .parent = "G6", .left = 15, .top = 47,
                         .width = 194, .height = 17, .text = u"Рокировка действий в меню",
                         .hint = u"Рокировка  поворота  по часовой  и против часовой", .showHint = true,
                         .font = kOptionFont, .tabOrder = 2, .clickHandler = "C3Click"};
    // The first letter of this caption is the Latin capital A.
    ControlDefinition c1{.name = "C1", .kind = ControlKind::CheckBox, .parent = "G6", .left = 15, .top = 70,
                         .width = 258, .height = 17, .text = u"Aвто сохранение последнего режима",
                         .hint = u"Авто сохранение последнего режима при выключении", .showHint = true,
                         .font = kOptionFont, .tabOrder = 0, .clickHandler = "C1Click"};
    // Button1 and E1 lie below the client area: reachable only with the keyboard.
    ControlDefinition button1{.name = "Button1", .kind = ControlKind::PushButton, .left = 16, .top = 232,
                              .width = 75, .height = 25, .text = u"Button1", .font = kWindowFont, .tabOrder = 4,
                              .clickHandler = "Button1Click"};
    ControlDefinition e1{.name = "E1", .kind = ControlKind::EditBox, .left = 104, .top = 234, .width = 121,
                         .height = 21, .text = u"E1", .font = kWindowFont, .tabOrder = 5};

    window.controls = {b1, pr1, label1, lb, g6, c2, c3, c1, button1, e1};
    return window;
}

}  // namespace

const platform::WindowDefinition& MainWindowDefinition() {
    static const platform::WindowDefinition definition = Build();
    return definition;
}

const std::vector<TimerDefinition>& MainWindowTimers() {
    static const std::vector<TimerDefinition> timers = {
        {"Timer2", 2, false, "Timer2Timer"},
        {"Timer3", 1, false, "Timer3Timer"},
        {"Timer1", 1000, true, "Timer1Timer"},
    };
    return timers;
}

}  // namespace zrflash::app
