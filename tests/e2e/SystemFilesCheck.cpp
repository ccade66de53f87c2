// zrsystemfiles: run under Wine from a folder that holds planted copies of system files, it checks
// that the Win32 port's system-directory loading takes the system's copies, the fallback for
// Windows 7 without the search flags included. Prints one line a check; exit code 0 when all held.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/Win32SystemFiles.h"

namespace {

using namespace zrflash::platform::win32;

int failures = 0;

void Check(const char* what, bool held, const std::wstring& detail) {
    if (!held) ++failures;
    std::printf("%s %s: %ls\n", held ? "ok" : "FAIL", what, detail.c_str());
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(folder, length);
}

std::wstring ModuleFolder(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring text(path, length < MAX_PATH ? length : 0);
    const auto slash = text.find_last_of(L'\\');
    return slash == std::wstring::npos ? text : text.substr(0, slash);
}

void CheckLoad(const char* what, HMODULE (*load)(const wchar_t*), const std::wstring& system) {
    HMODULE module = load(L"winmm.dll");
    if (module == nullptr) return Check(what, false, L"not loaded");
    const std::wstring folder = ModuleFolder(module);
    Check(what, lstrcmpiW(folder.c_str(), system.c_str()) == 0, folder);
    const bool bound = GetProcAddress(module, "timeBeginPeriod") != nullptr;
    Check("timeBeginPeriod found", bound, L"");
    FreeLibrary(module);
}

}  // namespace

int main() {
    const std::wstring system = SystemFolder();
    if (system.empty()) {
        std::printf("FAIL no system directory\n");
        return 1;
    }
    const std::wstring path = SystemFilePath(L"taskkill.exe");
    Check("SystemFilePath", path == system + L"\\taskkill.exe", path);
    CheckLoad("LoadSystemLibrary takes system32's winmm.dll", &LoadSystemLibrary, system);
    CheckLoad("LoadByFullSystemPath takes system32's winmm.dll", &LoadByFullSystemPath, system);
    return failures == 0 ? 0 : 1;
}
