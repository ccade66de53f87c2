// Checks of the main window against the window definition the program was built from.
#include "tests/e2e/driver/WindowCheck.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/AppTexts.h"
#include "app/MainWindowDefinition.h"
#include "instrument/InstrumentTexts.h"
#include "platform/TabOrder.h"
#include "tests/e2e/driver/Keyboard.h"
#include "tests/e2e/driver/ProgramWindow.h"

namespace zrflash::e2e {
namespace {

using platform::ControlDefinition;
using platform::ControlKind;

const wchar_t* ClassFor(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::CheckBox:
        case ControlKind::GroupBox: return L"Button";
        case ControlKind::ProgressBar: return L"msctls_progress32";
        case ControlKind::Label: return L"Static";
        case ControlKind::ListBox: return L"ListBox";
        case ControlKind::EditBox: return L"Edit";
    }
    return L"";
}

POINT OffsetOf(const platform::WindowDefinition& definition, const ControlDefinition& control) {
    POINT offset{control.left, control.top};
    for (auto* parent = definition.Find(control.parent); parent != nullptr; parent = definition.Find(parent->parent)) {
        offset.x += parent->left;
        offset.y += parent->top;
    }
    return offset;
}

// The size a self-sizing label must have: its text measured in the font the definition gives.
SIZE LabelSize(const ControlDefinition& control, const std::wstring& text) {
    const std::wstring face = Wide(control.font.face);
    HFONT font = CreateFontW(-control.font.heightPx, 0, 0, 0, control.font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                             FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    HDC context = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(context, font);
    SIZE extent{};
    TEXTMETRICW metrics{};
    GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &extent);
    GetTextMetricsW(context, &metrics);
    SelectObject(context, previous);
    ReleaseDC(nullptr, context);
    DeleteObject(font);
    return {extent.cx, metrics.tmHeight};
}

int ToolCount(HWND mainWindow) {
    int count = 0;
    HWND tooltip = nullptr;
    while ((tooltip = FindWindowExW(nullptr, tooltip, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
        if (GetWindow(tooltip, GW_OWNER) == mainWindow) count += static_cast<int>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    }
    return count;
}

void CheckFrame(HWND mainWindow, Findings& findings) {
    const auto& definition = app::MainWindowDefinition();
    std::u16string caption;
    for (auto piece : app::texts::kStartCaptionPieces) caption += piece;
    findings.Equal("caption", Utf8(Wide(caption)), Utf8(TextOf(mainWindow)));
    RECT client{};
    GetClientRect(mainWindow, &client);
    findings.Equal("client width", definition.clientWidth, static_cast<int>(client.right));
    findings.Equal("client height", definition.clientHeight, static_cast<int>(client.bottom));
    const LONG_PTR style = GetWindowLongPtrW(mainWindow, GWL_STYLE);
    findings.Equal("resizable frame", false, (style & WS_THICKFRAME) != 0);
    findings.Equal("maximise box", false, (style & WS_MAXIMIZEBOX) != 0);
    findings.Equal("minimise box", true, (style & WS_MINIMIZEBOX) != 0);
    findings.Equal("system menu", true, (style & WS_SYSMENU) != 0);
    RECT frame{};
    GetWindowRect(mainWindow, &frame);
    const int offCentreX = (frame.left + frame.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2;
    const int offCentreY = (frame.top + frame.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2;
    findings.Equal("centred horizontally", true, offCentreX >= -1 && offCentreX <= 1);
    findings.Equal("centred vertically", true, offCentreY >= -1 && offCentreY <= 1);
    const int hints = static_cast<int>(std::count_if(definition.controls.begin(), definition.controls.end(),
                                                     [](const auto& control) { return control.showHint; }));
    findings.Equal("controls with a hint", hints, ToolCount(mainWindow));
}

void CheckControl(HWND mainWindow, const ControlDefinition& control, Findings& findings) {
    const auto& definition = app::MainWindowDefinition();
    HWND window = ControlWindow(mainWindow, definition, control.name);
    if (window == nullptr) return findings.Fail(control.name + ": no such control");
    const std::string name = control.name + " ";
    findings.Equal(name + "class", Utf8(ClassFor(control.kind)), Utf8(ClassOf(window)));
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    if (control.kind == ControlKind::CheckBox) findings.Equal(name + "auto check box", long{BS_AUTOCHECKBOX}, long(style & BS_TYPEMASK));
    if (control.kind == ControlKind::GroupBox) findings.Equal(name + "group box", long{BS_GROUPBOX}, long(style & BS_TYPEMASK));
    const std::wstring text = TextOf(window);
    findings.Equal(name + "text", Utf8(Wide(control.text)), Utf8(text));
    findings.Equal(name + "enabled", control.enabled, IsWindowEnabled(window) != FALSE);
    findings.Equal(name + "tab stop", platform::Focusable(control.kind) && control.tabOrder >= 0, (style & WS_TABSTOP) != 0);
    const RECT rect = RectIn(mainWindow, window);
    const POINT offset = OffsetOf(definition, control);
    findings.Equal(name + "left", static_cast<int>(offset.x), static_cast<int>(rect.left));
    findings.Equal(name + "top", static_cast<int>(offset.y), static_cast<int>(rect.top));
    SIZE size{control.width, control.height};
    if (control.kind == ControlKind::Label) size = LabelSize(control, text);
    findings.Equal(name + "width", static_cast<int>(size.cx), static_cast<int>(rect.right - rect.left));
    findings.Equal(name + "height", static_cast<int>(size.cy), static_cast<int>(rect.bottom - rect.top));
    switch (control.kind) {
        case ControlKind::ProgressBar:
            findings.Equal(name + "minimum", control.rangeMin, static_cast<int>(SendMessageW(window, PBM_GETRANGE, TRUE, 0)));
            findings.Equal(name + "maximum", control.rangeMax, static_cast<int>(SendMessageW(window, PBM_GETRANGE, FALSE, 0)));
            findings.Equal(name + "position", control.position, static_cast<int>(SendMessageW(window, PBM_GETPOS, 0, 0)));
            break;
        case ControlKind::ListBox:
            findings.Equal(name + "item height", control.itemHeightPx, static_cast<int>(SendMessageW(window, LB_GETITEMHEIGHT, 0, 0)));
            findings.Equal(name + "lines", 0, static_cast<int>(SendMessageW(window, LB_GETCOUNT, 0, 0)));
            break;
        case ControlKind::CheckBox:
            findings.Equal(name + "checked", control.checked, SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED);
            break;
        default: break;
    }
}

// The focusable controls Tab visits now, in order: a group box's children take its place.
std::vector<std::string> ExpectedTabCycle(HWND mainWindow) {
    const auto& definition = app::MainWindowDefinition();
    const auto enabled = [&](const ControlDefinition& control) {
        return IsWindowEnabled(ControlWindow(mainWindow, definition, control.name)) != FALSE;
    };
    std::vector<std::string> cycle;
    for (const auto* control : platform::TabSequence(definition, enabled)) cycle.push_back(control->name);
    return cycle;
}

// The window as defined, after the first poll has found no instrument: its prompt in the status
// line, the update button and the options disabled. The poll runs about a second after the window
// appears, so the check waits for it rather than race it; the state before it is the headless
// suite's to check.
platform::WindowDefinition ExpectedNow(HWND mainWindow) {
    platform::WindowDefinition expected = app::MainWindowDefinition();
    HWND status = ControlWindow(mainWindow, expected, "Label1");
    for (int waited = 0; waited < 5000; waited += 20) {
        if (status != nullptr && TextOf(status) == Wide(instrument::texts::kConnectPrompt)) break;
        Sleep(20);
    }
    if (status == nullptr || TextOf(status) != Wide(instrument::texts::kConnectPrompt)) return expected;
    std::printf("the first poll has run: no instrument\n");
    for (auto& control : expected.controls) {
        if (control.name == "Label1") control.text = instrument::texts::kConnectPrompt;
        if (control.name == "B1" || control.name == "G6") control.enabled = false;
    }
    return expected;
}

}  // namespace

void CheckWindow(HWND mainWindow, Findings& findings) {
    CheckFrame(mainWindow, findings);
    for (const auto& control : ExpectedNow(mainWindow).controls) CheckControl(mainWindow, control, findings);
}

void CheckTabOrder(HWND mainWindow, Findings& findings) {
    const auto& definition = app::MainWindowDefinition();
    const auto cycle = ExpectedTabCycle(mainWindow);
    if (cycle.empty()) return findings.Fail("nothing to focus");
    std::string previous = ControlName(mainWindow, definition, PressTab(mainWindow));
    std::printf("tab: %s", previous.c_str());
    for (std::size_t step = 0; step < cycle.size(); ++step) {
        const std::string current = ControlName(mainWindow, definition, PressTab(mainWindow));
        std::printf(" -> %s", current.c_str());
        auto at = std::find(cycle.begin(), cycle.end(), previous);
        const std::string expected = at == cycle.end() ? cycle.front() : *(at + 1 == cycle.end() ? cycle.begin() : at + 1);
        if (current != expected) {
            std::printf("\n");
            return findings.Fail("Tab from " + previous + ": expected " + expected + ", got " + current);
        }
        previous = current;
    }
    std::printf("\n");
}

}  // namespace zrflash::e2e
