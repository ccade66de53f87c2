// Texts the Linux program shows beyond the program's own, exactly as shown.
#pragma once

#include <string_view>

namespace zrflash::platform::linux_port::texts {

// Shown once when the instrument is plugged in but its hidraw node may not be opened; the
// device node's path follows the first piece.
inline constexpr std::u16string_view kNoAccessToInstrument = u"Нет доступа к прибору ";
inline constexpr std::u16string_view kNoAccessAdvice =
    u". Установите правило udev 70-zrflash.rules и переподключите прибор.";

}  // namespace zrflash::platform::linux_port::texts
