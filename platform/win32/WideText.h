// UTF-16 texts of the program as the wide strings of the Windows API (wchar_t is 16 bits there).
#pragma once

#include <string>
#include <string_view>

namespace zrflash::platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows API's wide characters are UTF-16");

inline std::wstring Wide(std::u16string_view text) {
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

inline std::u16string Utf16(std::wstring_view text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

}  // namespace zrflash::platform::win32
