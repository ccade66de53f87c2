// Libraries and programs of the system directory, bound and started by their full path only.
#include "platform/win32/Win32SystemFiles.h"

namespace zrflash::platform::win32 {
namespace {

using TimePeriodFunction = UINT(WINAPI*)(UINT);
constexpr UINT kTimerNoError = 0;  // TIMERR_NOERROR

// WINMM stays loaded while the raised resolution is in force; Lower releases it.
HMODULE timerLibrary = nullptr;

TimePeriodFunction TimePeriod(HMODULE module, const char* name) {
    return reinterpret_cast<TimePeriodFunction>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::wstring SystemFilePath(std::wstring_view fileName) {
    std::wstring folder(MAX_PATH, L'\0');
    UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length >= folder.size()) {
        // Too small: the answer is the size needed, the terminating zero included.
        folder.assign(length, L'\0');
        length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
        if (length >= folder.size()) return {};
    }
    if (length == 0) return {};
    folder.resize(length);
    if (folder.back() != L'\\') folder += L'\\';
    return folder.append(fileName);
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    const UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Windows 7 without KB2533623 knows no LOAD_LIBRARY_SEARCH_* flag and refuses the call.
    const bool flagRefused = module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER;
    SetErrorMode(previous);
    return flagRefused ? LoadByFullSystemPath(fileName) : module;
}

// The full path names the same file as the flag; the altered search path takes the library's own
// dependencies from its folder, the system directory, instead of the program's.
HMODULE LoadByFullSystemPath(const wchar_t* fileName) {
    const std::wstring path = SystemFilePath(fileName);
    if (path.empty()) return nullptr;
    const UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    SetErrorMode(previous);
    return module;
}

bool RaiseTimerResolution() {
    if (timerLibrary != nullptr) return false;
    HMODULE module = LoadSystemLibrary(L"winmm.dll");
    if (module == nullptr) return false;
    const TimePeriodFunction begin = TimePeriod(module, "timeBeginPeriod");
    if (begin == nullptr || begin(1) != kTimerNoError) {
        FreeLibrary(module);
        return false;
    }
    timerLibrary = module;
    return true;
}

void LowerTimerResolution() {
    if (timerLibrary == nullptr) return;
    const TimePeriodFunction end = TimePeriod(timerLibrary, "timeEndPeriod");
    if (end != nullptr) end(1);
    FreeLibrary(timerLibrary);
    timerLibrary = nullptr;
}

}  // namespace zrflash::platform::win32
