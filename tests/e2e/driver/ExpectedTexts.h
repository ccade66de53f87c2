// The program's texts as its user reads them, by name, for the driver's checks.
#pragma once

#include <optional>
#include <string>

namespace zrflash::e2e {

// Names: second-instance, start-caption, prompt, updating, success, chunk-rejected, settings-saved,
// folder<model>, connected<model>, disconnected<model>, caption<model>,
// current-version:<version>, reload-version:<version>, literal:<ASCII text>.
// Spelled out here rather than taken from the program's headers, so a wrong letter there shows;
// named rather than given on the command line, so the suite does not hang on the locale's code page.
std::optional<std::u16string> NamedText(const std::wstring& name);

}  // namespace zrflash::e2e
