// Captions, log lines and status texts of the instrument connection and poll, exactly as shown.
#pragma once

#include <string_view>

namespace zrflash::instrument::texts {

inline constexpr std::u16string_view kModel12Caption = u"Прошивка версии C1.31 для пинцет ЖР-";  // + suffix
inline constexpr std::u16string_view kModel14Caption = u"Прошивка версии D1.14 для пинцет ЖР-";  // + suffix
inline constexpr std::u16string_view kInstrument = u"Пинцет ЖР-";                               // + suffix
inline constexpr std::u16string_view kConnected = u" подключен";
inline constexpr std::u16string_view kDisconnected = u" отключен";

inline constexpr std::u16string_view kConnectPrompt = u"Подключите устройство ";
inline constexpr std::u16string_view kChargeBattery = u"Зарядите батарею";
inline constexpr std::u16string_view kCurrentVersion = u"Текущая версия прошивки ";  // + version text
inline constexpr std::u16string_view kReloadFirmware = u"Перезагрузите прошивку ";   // + version text
inline constexpr std::u16string_view kVersionUnreadable = u"облом2";

}  // namespace zrflash::instrument::texts
