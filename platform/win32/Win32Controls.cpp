// The controls of the window definition as native Windows controls (user32 and comctl32 classes).
#include "platform/win32/Win32Controls.h"

#include <commctrl.h>

#include "platform/win32/WideText.h"

namespace zrflash::platform::win32 {

std::u16string WindowText(HWND handle) {
    if (handle == nullptr) return {};
    const int length = GetWindowTextLengthW(handle);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(handle, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return Utf16(text);
}

void Win32ControlCore::Attach(HWND handle, HFONT font) {
    handle_ = handle;
    font_ = font;
    if (font_ != nullptr) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

template <class Interface>
void Win32ControlBase<Interface>::SetText(std::u16string_view text) {
    if (handle_ != nullptr) SetWindowTextW(handle_, Wide(text).c_str());
}

template class Win32ControlBase<PushButton>;
template class Win32ControlBase<GroupBox>;
template class Win32ControlBase<CheckBox>;
template class Win32ControlBase<Label>;
template class Win32ControlBase<EditBox>;
template class Win32ControlBase<ProgressBar>;
template class Win32ControlBase<ListBox>;

void Win32CheckBox::Attach(HWND handle, HFONT font) {
    Win32ControlCore::Attach(handle, font);
    SendMessageW(handle_, BM_SETCHECK, definition_.checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32CheckBox::Checked() const {
    return handle_ != nullptr && SendMessageW(handle_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// BM_SETCHECK notifies nobody, but the program expects a changed state to raise the click
// handler as a user's click does.
void Win32CheckBox::SetChecked(bool checked) {
    if (handle_ == nullptr || checked == Checked()) return;
    SendMessageW(handle_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    RaiseClick();
}

void Win32Label::Attach(HWND handle, HFONT font) {
    Win32ControlCore::Attach(handle, font);
    FitToText();
}

void Win32Label::SetText(std::u16string_view text) {
    Win32ControlBase::SetText(text);
    FitToText();
}

void Win32Label::FitToText() {
    if (handle_ == nullptr) return;
    HDC context = GetDC(handle_);
    if (context == nullptr) return;
    HGDIOBJ previous = font_ != nullptr ? SelectObject(context, font_) : nullptr;
    const std::wstring text = Wide(Text());
    SIZE extent{};
    TEXTMETRICW metrics{};
    const bool measured = GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &extent) &&
                          GetTextMetricsW(context, &metrics);
    if (previous != nullptr) SelectObject(context, previous);
    ReleaseDC(handle_, context);
    if (!measured) return;
    SetWindowPos(handle_, nullptr, 0, 0, extent.cx, metrics.tmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ProgressBar::Attach(HWND handle, HFONT font) {
    Win32ControlCore::Attach(handle, font);
    SendMessageW(handle_, PBM_SETRANGE32, static_cast<WPARAM>(definition_.rangeMin), definition_.rangeMax);
    SendMessageW(handle_, PBM_SETPOS, static_cast<WPARAM>(definition_.position), 0);
}

int Win32ProgressBar::Minimum() const {
    return handle_ == nullptr ? definition_.rangeMin : static_cast<int>(SendMessageW(handle_, PBM_GETRANGE, TRUE, 0));
}

int Win32ProgressBar::Maximum() const {
    return handle_ == nullptr ? definition_.rangeMax : static_cast<int>(SendMessageW(handle_, PBM_GETRANGE, FALSE, 0));
}

int Win32ProgressBar::Position() const {
    return handle_ == nullptr ? 0 : static_cast<int>(SendMessageW(handle_, PBM_GETPOS, 0, 0));
}

void Win32ProgressBar::SetMaximum(int maximum) {
    if (handle_ == nullptr) return;
    const int position = Position();
    SendMessageW(handle_, PBM_SETRANGE32, static_cast<WPARAM>(Minimum()), maximum);
    // Like the other ports, the position stays within the new range.
    if (position > maximum) SendMessageW(handle_, PBM_SETPOS, static_cast<WPARAM>(maximum), 0);
}

void Win32ProgressBar::SetPosition(int position) {
    if (handle_ != nullptr) SendMessageW(handle_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32ListBox::Attach(HWND handle, HFONT font) {
    Win32ControlCore::Attach(handle, font);
    if (definition_.itemHeightPx > 0) SendMessageW(handle_, LB_SETITEMHEIGHT, 0, definition_.itemHeightPx);
}

// LB_ADDSTRING appends (the list is not sorted) and leaves the scroll position alone.
void Win32ListBox::Add(std::u16string_view line) {
    if (handle_ == nullptr) return;
    const std::wstring text = Wide(line);
    SendMessageW(handle_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32ListBox::Clear() {
    if (handle_ != nullptr) SendMessageW(handle_, LB_RESETCONTENT, 0, 0);
}

int Win32ListBox::Count() const {
    if (handle_ == nullptr) return 0;
    const LRESULT count = SendMessageW(handle_, LB_GETCOUNT, 0, 0);
    return count == LB_ERR ? 0 : static_cast<int>(count);
}

std::u16string Win32ListBox::Line(int index) const {
    if (handle_ == nullptr || index < 0 || index >= Count()) return {};
    const LRESULT length = SendMessageW(handle_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length < 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(handle_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR || copied < 0 ? 0 : static_cast<std::size_t>(copied));
    return Utf16(text);
}

}  // namespace zrflash::platform::win32
