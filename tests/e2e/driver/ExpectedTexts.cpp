// The program's texts as its user reads them, by name, for the driver's checks.
#include "tests/e2e/driver/ExpectedTexts.h"

#include <map>
#include <string_view>

namespace zrflash::e2e {
namespace {

const std::map<std::wstring, std::u16string_view> kFixedTexts = {
    {L"second-instance", u"Вы пытаетесь запустить программу повторно"},
    {L"start-caption", u"Прошивка версии C1.31 для ЖР-12, D1.14 для ЖР-14"},
    {L"prompt", u"Подключите устройство "},
    {L"updating", u"Обновление прошивки"},
    {L"success", u"Процесс завершен успешно !!"},
    {L"chunk-rejected", u"Сбой записи 1 "},
    {L"write-error", u"Ошибка записи"},
    {L"settings-saved", u"Настройки прибора сохранены в"},
    {L"settings-not-saved", u"Настройки прибора не сохранены"},
    {L"folder12", u"папку \"Мои документы/zr12_01\""},
    {L"folder14", u"папку \"Мои документы/zr14\""},
    {L"caption12", u"Прошивка версии C1.31 для пинцет ЖР-12"},
    {L"caption14", u"Прошивка версии D1.14 для пинцет ЖР-14"},
};

// "<prefix><rest>" → rest, as UTF-16 (the rest is ASCII: a model number or a version text).
std::optional<std::u16string> After(const std::wstring& name, std::wstring_view prefix) {
    if (name.rfind(prefix, 0) != 0) return std::nullopt;
    return std::u16string(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end());
}

}  // namespace

std::optional<std::u16string> NamedText(const std::wstring& name) {
    if (auto fixed = kFixedTexts.find(name); fixed != kFixedTexts.end()) return std::u16string(fixed->second);
    if (auto model = After(name, L"disconnected")) return u"Пинцет ЖР-" + *model + u" отключен";
    if (auto model = After(name, L"connected")) return u"Пинцет ЖР-" + *model + u" подключен";
    if (auto version = After(name, L"current-version:")) return u"Текущая версия прошивки " + *version;
    if (auto version = After(name, L"reload-version:")) return u"Перезагрузите прошивку " + *version;
    if (auto text = After(name, L"literal:")) return *text;
    return std::nullopt;
}

}  // namespace zrflash::e2e
