// The main window on Windows: a fixed-size frame whose client area holds the defined controls.
#include "platform/win32/Win32Window.h"

#include "platform/TabOrder.h"

#include <commctrl.h>

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "platform/win32/Win32Names.h"
#include "platform/win32/WideText.h"

namespace zrflash::platform::win32 {
namespace {

// A single border, caption, system menu and minimise box: no resizing, no maximising.
constexpr DWORD kFrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// Lets the dialog navigation of IsDialogMessage step into the group box's check boxes.
constexpr DWORD kFrameExStyle = WS_EX_CONTROLPARENT;
constexpr UINT_PTR kGroupSubclassId = 1;
constexpr UINT_PTR kHintSubclassId = 2;

std::unique_ptr<Control> MakeControl(const ControlDefinition& definition) {
    switch (definition.kind) {
        case ControlKind::PushButton: return std::make_unique<Win32PushButton>(definition);
        case ControlKind::ProgressBar: return std::make_unique<Win32ProgressBar>(definition);
        case ControlKind::Label: return std::make_unique<Win32Label>(definition);
        case ControlKind::ListBox: return std::make_unique<Win32ListBox>(definition);
        case ControlKind::GroupBox: return std::make_unique<Win32GroupBox>(definition);
        case ControlKind::CheckBox: return std::make_unique<Win32CheckBox>(definition);
        case ControlKind::EditBox: return std::make_unique<Win32EditBox>(definition);
    }
    throw std::logic_error("unknown control kind");
}

struct NativeClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

NativeClass NativeClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton: return {WC_BUTTONW, BS_PUSHBUTTON, 0};
        case ControlKind::CheckBox: return {WC_BUTTONW, BS_AUTOCHECKBOX, 0};
        // The group box is the real parent of its check boxes, as in the definition.
        case ControlKind::GroupBox: return {WC_BUTTONW, BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
        case ControlKind::ProgressBar: return {PROGRESS_CLASSW, 0, 0};
        case ControlKind::Label: return {WC_STATICW, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
        case ControlKind::ListBox:
            return {WC_LISTBOXW, LBS_NOINTEGRALHEIGHT | WS_VSCROLL, WS_EX_CLIENTEDGE};
        case ControlKind::EditBox: return {WC_EDITW, ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    }
    return {WC_STATICW, 0, 0};
}

// A button-class group box keeps its children's notifications to itself; they belong to the window.
LRESULT CALLBACK GroupSubclass(HWND group, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR frame) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: return SendMessageW(reinterpret_cast<HWND>(frame), message, wParam, lParam);
        case WM_ERASEBKGND: {
            // The frame clips its children, so nobody else paints the inside of the group.
            RECT area{};
            GetClientRect(group, &area);
            FillRect(reinterpret_cast<HDC>(wParam), &area, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        default: break;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(group, GroupSubclass, kGroupSubclassId);
    return DefSubclassProc(group, message, wParam, lParam);
}

bool RegisterFrameClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    if (GetClassInfoExW(instance, kMainWindowClass, &windowClass)) return true;
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (windowClass.hIcon == nullptr) windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassExW(&windowClass) != 0;
}

}  // namespace

Win32Window::Win32Window(const WindowDefinition& definition, HINSTANCE instance, std::function<void()> onGone)
    : definition_(definition), onGone_(std::move(onGone)) {
    for (const auto& control : definition_.controls) controls_[control.name] = MakeControl(control);
    if (!RegisterFrameClass(instance, &Win32Window::WindowProcedure)) return;
    CreateFrame(instance);
    if (handle_ == nullptr) return;
    CreateChildren("", handle_, instance);
    AddHints(instance);
}

Win32Window::~Win32Window() {
    if (handle_ != nullptr && IsWindow(handle_)) {
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
    for (auto& [font, handle] : fonts_) DeleteObject(handle);
    if (onGone_) onGone_();
}

void Win32Window::CreateFrame(HINSTANCE instance) {
    RECT frame{0, 0, definition_.clientWidth, definition_.clientHeight};
    if (!AdjustWindowRectEx(&frame, kFrameStyle, FALSE, kFrameExStyle)) return;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    // Centred on the screen when first shown.
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    const std::wstring caption = Wide(definition_.caption);
    handle_ = CreateWindowExW(kFrameExStyle, kMainWindowClass, caption.c_str(), kFrameStyle, left, top, width,
                              height, nullptr, nullptr, instance, nullptr);
    if (handle_ == nullptr) return;
    SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // The frame's metrics may differ from what AdjustWindowRectEx assumed (menus, themes): the client
    // area is what must come out exact.
    RECT client{};
    if (GetClientRect(handle_, &client)) {
        const int extraWidth = definition_.clientWidth - client.right;
        const int extraHeight = definition_.clientHeight - client.bottom;
        if (extraWidth != 0 || extraHeight != 0) {
            SetWindowPos(handle_, nullptr, left - extraWidth / 2, top - extraHeight / 2, width + extraWidth,
                         height + extraHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

// Children are created in tab order, so the z-order is the order Tab visits them in; controls
// that are no tab stop come last.
void Win32Window::CreateChildren(const std::string& parent, HWND parentHandle, HINSTANCE instance) {
    std::vector<std::size_t> children;
    for (std::size_t index = 0; index < definition_.controls.size(); ++index) {
        if (definition_.controls[index].parent == parent) children.push_back(index);
    }
    auto rank = [&](std::size_t index) {
        const int order = definition_.controls[index].tabOrder;
        return order < 0 ? std::numeric_limits<int>::max() : order;
    };
    std::stable_sort(children.begin(), children.end(), [&](auto a, auto b) { return rank(a) < rank(b); });
    for (std::size_t index : children) {
        const ControlDefinition& control = definition_.controls[index];
        HWND child = CreateControl(control, index, parentHandle, instance);
        if (child != nullptr && control.kind == ControlKind::GroupBox) CreateChildren(control.name, child, instance);
    }
}

HWND Win32Window::CreateControl(const ControlDefinition& definition, std::size_t index, HWND parentHandle,
                                HINSTANCE instance) {
    const NativeClass native = NativeClassOf(definition.kind);
    DWORD style = WS_CHILD | WS_VISIBLE | native.style;
    if (Focusable(definition.kind) && definition.tabOrder >= 0) style |= WS_TABSTOP;
    if (!definition.enabled) style |= WS_DISABLED;
    const std::wstring text = Wide(definition.text);
    const int id = ControlId(index);
    HWND child = CreateWindowExW(native.exStyle, native.name, text.c_str(), style, definition.left, definition.top,
                                 definition.width, definition.height, parentHandle,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (child == nullptr) return nullptr;
    if (definition.kind == ControlKind::GroupBox) {
        SetWindowSubclass(child, GroupSubclass, kGroupSubclassId, reinterpret_cast<DWORD_PTR>(handle_));
    }
    Win32ControlCore* core = Core(definition.name);
    core->Attach(child, FontFor(definition.font));
    byId_[id] = core;
    return child;
}

// Hints are off for the window and on only for the controls that ask for them. A tooltip attached
// to a control gets no mouse messages while the control (or its group box) is disabled, and C2 is
// disabled for the whole run. Each hint is therefore a rectangle of the main window, which stays
// enabled: the control's own rectangle mapped into it. The main window's mouse messages (those
// over a disabled control fall through to it) reach the tooltip by its subclass; an enabled
// control relays its own, mapped the same way; and the tooltip is told that a point inside a hint
// lies in the main window, so it keeps the hint up over an enabled control too.
void Win32Window::AddHints(HINSTANCE instance) {
    for (std::size_t index = 0; index < definition_.controls.size(); ++index) {
        const ControlDefinition& control = definition_.controls[index];
        if (!control.showHint || control.hint.empty()) continue;
        HWND target = Core(control.name)->Handle();
        if (target == nullptr) continue;
        if (tooltip_ == nullptr) {
            tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle_, nullptr,
                                       instance, nullptr);
            if (tooltip_ == nullptr) return;
            SetWindowSubclass(tooltip_, &Win32Window::TooltipSubclass, kHintSubclassId,
                              reinterpret_cast<DWORD_PTR>(this));
        }
        RECT area{};
        if (!GetClientRect(target, &area)) continue;
        SetLastError(0);
        if (MapWindowPoints(target, handle_, reinterpret_cast<POINT*>(&area), 2) == 0 && GetLastError() != 0) continue;
        std::wstring hint = Wide(control.hint);
        TOOLINFOW tool{};
        // The version 2 layout is understood by every comctl32, with or without the v6 manifest.
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = handle_;
        tool.uId = static_cast<UINT_PTR>(ControlId(index));
        tool.rect = area;
        tool.lpszText = hint.data();
        if (!SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool))) continue;
        hintAreas_.push_back(area);
        SetWindowSubclass(target, &Win32Window::HintRelaySubclass, kHintSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
}

// A mouse message of an enabled control with a hint, passed on as the main window's.
LRESULT CALLBACK Win32Window::HintRelaySubclass(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                                DWORD_PTR data) {
    auto* self = reinterpret_cast<Win32Window*>(data);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, &Win32Window::HintRelaySubclass, id);
    } else if (self->tooltip_ != nullptr && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST &&
               message != WM_MOUSEWHEEL && message != WM_MOUSEHWHEEL) {
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        SetLastError(0);
        if (MapWindowPoints(control, self->handle_, &point, 1) != 0 || GetLastError() == 0) {
            MSG relayed{};
            relayed.hwnd = self->handle_;
            relayed.message = message;
            relayed.wParam = wParam;
            relayed.lParam = MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y));
            relayed.time = static_cast<DWORD>(GetMessageTime());
            GetCursorPos(&relayed.pt);
            SendMessageW(self->tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
        }
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

// The tooltip asks which window lies under the cursor to decide whether its hint still applies.
LRESULT CALLBACK Win32Window::TooltipSubclass(HWND tooltip, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                              DWORD_PTR data) {
    auto* self = reinterpret_cast<Win32Window*>(data);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(tooltip, &Win32Window::TooltipSubclass, id);
    } else if (message == TTM_WINDOWFROMPOINT && lParam != 0 && !self->closed_) {
        POINT point = *reinterpret_cast<const POINT*>(lParam);
        if (ScreenToClient(self->handle_, &point)) {
            for (const RECT& area : self->hintAreas_) {
                if (PtInRect(&area, point)) return reinterpret_cast<LRESULT>(self->handle_);
            }
        }
    }
    return DefSubclassProc(tooltip, message, wParam, lParam);
}

HFONT Win32Window::FontFor(const FontDefinition& font) {
    for (const auto& [known, handle] : fonts_) {
        if (known.face == font.face && known.heightPx == font.heightPx && known.bold == font.bold) return handle;
    }
    // A negative height asks for the character height in pixels; nothing is scaled.
    const std::wstring face = Wide(font.face);
    HFONT handle = CreateFontW(-font.heightPx, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    if (handle != nullptr) fonts_.emplace_back(font, handle);
    return handle;
}

std::u16string Win32Window::Caption() const { return WindowText(handle_); }

void Win32Window::SetCaption(std::u16string_view caption) {
    if (handle_ != nullptr) SetWindowTextW(handle_, Wide(caption).c_str());
}

void Win32Window::Show() {
    if (handle_ == nullptr || closed_) return;
    ShowWindow(handle_, SW_SHOW);
    UpdateWindow(handle_);
    SetForegroundWindow(handle_);
    if (GetFocus() == nullptr || !IsChild(handle_, GetFocus())) {
        HWND first = GetNextDlgTabItem(handle_, nullptr, FALSE);
        if (first != nullptr) SetFocus(first);
    }
}

Control* Win32Window::Find(const std::string& name) {
    auto found = controls_.find(name);
    return found == controls_.end() ? nullptr : found->second.get();
}

Win32ControlCore* Win32Window::Core(const std::string& name) { return dynamic_cast<Win32ControlCore*>(Find(name)); }

bool Win32Window::TranslateDialogMessage(MSG& message) {
    if (handle_ == nullptr || closed_) return false;
    return IsDialogMessageW(handle_, &message) != FALSE;
}

LRESULT CALLBACK Win32Window::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT Win32Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            auto found = byId_.find(LOWORD(wParam));
            if (found != byId_.end() && lParam != 0) found->second->Notify(HIWORD(wParam));
            return 0;
        }
        case WM_CLOSE:
            Close();
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            // Labels and check boxes sit on the button face, inside the group box too.
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        case WM_ACTIVATE:
            // Keyboard focus goes back to the control that had it, as in a dialog.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus != nullptr && IsChild(handle_, focus)) focusBeforeDeactivation_ = focus;
            } else {
                HWND target = focusBeforeDeactivation_ != nullptr && IsWindow(focusBeforeDeactivation_)
                                  ? focusBeforeDeactivation_
                                  : GetNextDlgTabItem(handle_, nullptr, FALSE);
                if (target != nullptr) SetFocus(target);
            }
            return 0;
        case WM_NEXTDLGCTL:
            MoveFocus(wParam, lParam);
            return 0;
        case WM_LBUTTONUP:
            ClickGroupAt(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            return 0;
        default: return DefWindowProcW(handle_, message, wParam, lParam);
    }
}

// IsDialogMessage asks the window to move the focus; only a dialog's own procedure knows how.
void Win32Window::MoveFocus(WPARAM wParam, LPARAM lParam) {
    HWND target = LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam)
                                      : GetNextDlgTabItem(handle_, GetFocus(), wParam != 0 ? TRUE : FALSE);
    if (target == nullptr) return;
    SetFocus(target);
    wchar_t className[16] = {};
    if (GetClassNameW(target, className, 16) > 0 && lstrcmpiW(className, WC_EDITW) == 0) {
        SendMessageW(target, EM_SETSEL, 0, -1);
    }
}

// A group box lets the mouse through to the window beneath, so its click arrives here.
void Win32Window::ClickGroupAt(POINT point) {
    for (const auto& control : definition_.controls) {
        if (control.kind != ControlKind::GroupBox || !control.parent.empty()) continue;
        RECT area{control.left, control.top, control.left + control.width, control.top + control.height};
        auto* group = dynamic_cast<Win32GroupBox*>(Find(control.name));
        if (group != nullptr && group->Enabled() && PtInRect(&area, point)) group->RaiseClick();
    }
}

void Win32Window::Close() {
    if (closed_) return;
    closed_ = true;
    if (onClose_) onClose_();
    // The window disappears now; its handles go when the form releases it, so the program may
    // still read its controls during shutdown.
    if (handle_ != nullptr) ShowWindow(handle_, SW_HIDE);
    // A close that comes while a message box is open ends the box too: its modal loop ends on
    // WM_QUIT and posts it again, so every box open at the time ends, and the program's loop after them.
    PostQuitMessage(0);
}

}  // namespace zrflash::platform::win32
