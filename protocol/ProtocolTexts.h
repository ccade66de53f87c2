// Log lines and message box texts of the command transaction, exactly as the program shows them.
#pragma once

#include <string_view>

namespace zrflash::protocol::texts {

inline constexpr std::u16string_view kResendCommand = u"Повтор команды ";  // + command code
inline constexpr std::u16string_view kBusyTooLong = u"команда ";          // + command code
inline constexpr std::u16string_view kProtocolError = u"Ошибка протокола ";  // + command code
inline constexpr std::u16string_view kReadFailure = u"Сбой чтения";
inline constexpr std::u16string_view kWriteFailure = u"Сбой записи";
inline constexpr std::u16string_view kWriteRetry = u"Повтор записи";
inline constexpr std::u16string_view kWriteError = u"Ошибка записи";  // message box, empty caption

}  // namespace zrflash::protocol::texts
