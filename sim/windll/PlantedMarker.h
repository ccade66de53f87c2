// What a planted DLL or program does if it is ever loaded or run: it leaves "<its own path>.marker".
#pragma once

#include <windows.h>

namespace zrflash::sim::windll {

inline void LeaveMarker(HMODULE module) {
    wchar_t path[MAX_PATH + 8] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    lstrcatW(path, L".marker");
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

}  // namespace zrflash::sim::windll
