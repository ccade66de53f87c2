// Texts of the application shell, exactly as the program shows or runs them.
#pragma once

#include <array>
#include <string_view>

namespace zrflash::app::texts {

inline constexpr std::u16string_view kSecondInstance = u"Вы пытаетесь запустить программу повторно";
inline constexpr std::u16string_view kCaptionAtCreation = u"Прошивка";

// The opening caption names the firmware carried for each model.
inline constexpr std::array<std::u16string_view, 6> kStartCaptionPieces = {
    u"Прошивка версии ", u"C1.31", u" для ЖР-12", u", ", u"D1.14", u" для ЖР-14"};

// The instrument's companion viewers hold the device open; they are ended before the program starts.
inline constexpr std::array<std::u16string_view, 4> kCompanionKillCommands = {
    u"TASKKILL /F /IM zrview11.exe", u"TASKKILL /F /IM zrview10.exe", u"TASKKILL /F /IM zrview12.exe",
    u"TASKKILL /F /IM zrview14.exe"};

}  // namespace zrflash::app::texts
