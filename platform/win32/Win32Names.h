// Window classes and control identifiers of the Win32 port, shared with the end-to-end driver.
#pragma once

#include <cstddef>

namespace zrflash::platform::win32 {

inline constexpr wchar_t kMainWindowClass[] = L"TMForm";
inline constexpr wchar_t kMessageWindowClass[] = L"zrflash.MessageWindow";

// A control's identifier is its index in the window definition after this base, so a driver
// that links the same definition finds every control by name.
inline constexpr int kFirstControlId = 1000;
constexpr int ControlId(std::size_t index) { return kFirstControlId + static_cast<int>(index); }

}  // namespace zrflash::platform::win32
