// UTF-8 (what Linux paths and device strings are) to and from the program's UTF-16 texts.
#pragma once

#include <string>
#include <string_view>

namespace zrflash::platform::linux_port {

// Invalid or truncated sequences (device strings are untrusted) become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace zrflash::platform::linux_port
