// The operating-system services the program needs, on Windows (kernel32, shell32).
#pragma once

#include "platform/System.h"

namespace zrflash::platform::win32 {

class Win32System final : public System {
public:
    std::u16string ModulePath(std::size_t capacity) override;
    std::unique_ptr<Semaphore> OpenNamedSemaphore(std::u16string_view name) override;
    void StartHidden(std::u16string_view commandLine) override;
    void Sleep(int milliseconds) override;
    std::u16string DocumentsFolder() override;
    std::uint32_t MakeDirectory(std::u16string_view path) override;
    NewOutputFile CreateNewOutputFile(std::u16string_view path) override;
    bool RemoveFile(std::u16string_view path) override;
    LocalTime Now() override;
    char16_t PathSeparator() const override { return u'\\'; }
};

}  // namespace zrflash::platform::win32
