// Whole files read and written with the Win32 API, for the test-double DLLs and their driver.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace zrflash::sim::windll {

// Shared for reading and deleting, so the other side may replace the file meanwhile.
inline bool ReadWholeFile(const std::wstring& path, std::string& contents) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    contents.clear();
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0) contents.append(buffer, count);
    CloseHandle(file);
    return true;
}

inline bool WriteWholeFile(const std::wstring& path, std::string_view contents) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool done = WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
                      written == contents.size();
    CloseHandle(file);
    return done;
}

}  // namespace zrflash::sim::windll
