// The main window on Windows: a fixed-size frame whose client area holds the defined controls.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Gui.h"
#include "platform/win32/Win32Controls.h"

namespace zrflash::platform::win32 {

class Win32Window final : public Window {
public:
    // Check Created() afterwards: a window that could not be made counts as closed.
    Win32Window(const WindowDefinition& definition, HINSTANCE instance, std::function<void()> onGone);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    std::u16string Caption() const override;
    void SetCaption(std::u16string_view caption) override;
    void SetOnClose(std::function<void()> handler) override { onClose_ = std::move(handler); }
    void Show() override;
    Control* Find(const std::string& name) override;

    bool Created() const { return handle_ != nullptr; }
    bool Closed() const { return closed_; }
    HWND Handle() const { return handle_; }
    // Keyboard navigation between the controls (Tab, Space on buttons); true when it took the message.
    bool TranslateDialogMessage(MSG& message);

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateFrame(HINSTANCE instance);
    void CreateChildren(const std::string& parent, HWND parentHandle, HINSTANCE instance);
    HWND CreateControl(const ControlDefinition& definition, std::size_t index, HWND parentHandle,
                       HINSTANCE instance);
    void AddHints(HINSTANCE instance);
    static LRESULT CALLBACK HintRelaySubclass(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                              DWORD_PTR self);
    static LRESULT CALLBACK TooltipSubclass(HWND tooltip, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR self);
    HFONT FontFor(const FontDefinition& font);
    void Close();
    void MoveFocus(WPARAM wParam, LPARAM lParam);
    void ClickGroupAt(POINT point);
    Win32ControlCore* Core(const std::string& name);

    WindowDefinition definition_;
    std::function<void()> onGone_;
    std::function<void()> onClose_;
    HWND handle_ = nullptr;
    HWND tooltip_ = nullptr;
    std::vector<RECT> hintAreas_;  // the hints' rectangles in the main window's client area
    HWND focusBeforeDeactivation_ = nullptr;
    bool closed_ = false;
    std::map<std::string, std::unique_ptr<Control>> controls_;
    std::map<int, Win32ControlCore*> byId_;
    std::vector<std::pair<FontDefinition, HFONT>> fonts_;
};

}  // namespace zrflash::platform::win32
