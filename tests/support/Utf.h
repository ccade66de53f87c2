// UTF-16 texts as UTF-8, for messages and file names in tests.
#pragma once

#include <string>
#include <string_view>

namespace zrflash::test {

std::string ToUtf8(std::u16string_view text);

}  // namespace zrflash::test

