// Log lines, status text and message box text of the settings backup and the firmware update.
#pragma once

#include <string_view>

namespace zrflash::update::texts {

inline constexpr std::u16string_view kSettingsSaved = u"Настройки прибора сохранены в";
inline constexpr std::u16string_view kModel12Folder = u"папку \"Мои документы/zr12_01\"";
inline constexpr std::u16string_view kModel14Folder = u"папку \"Мои документы/zr14\"";
inline constexpr std::u16string_view kSettingsNotSaved = u"Настройки прибора не сохранены";
// Which file the backup went to: beside an earlier backup of the same minute it is a numbered one.
inline constexpr std::u16string_view kBackupFilePrefix = u"файл ";

inline constexpr std::u16string_view kUpdating = u"Обновление прошивки";
inline constexpr std::u16string_view kChunkRejected = u"Сбой записи 1 ";  // message box, empty caption
inline constexpr std::u16string_view kCheckFailed = u"Ошибка проверки CRC";
inline constexpr std::u16string_view kSucceeded = u"Процесс завершен успешно !!";
inline constexpr std::u16string_view kNotCompleted = u"Обновление прошивки не завершено";
// The firmware could not be marked as being updated, so nothing was uploaded.
inline constexpr std::u16string_view kNotStarted = u"Обновление прошивки не начато";
// After the instrument refused the upload: only reconnecting it brings the poll back.
inline constexpr std::u16string_view kReconnectInstrument = u"Отключите и снова подключите прибор";

}  // namespace zrflash::update::texts
