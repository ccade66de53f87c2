// Libraries and programs of the system directory, bound and started by their full path only.
//
// Only KnownDLLs are imported statically: any other DLL the executable names would be looked up
// beside the program first, before any of its code could narrow the search. The rest is bound
// here at run time, and a command the program starts is run from the system directory, never
// found in the program's folder or the current one.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace zrflash::platform::win32 {

// "<system directory>\<fileName>"; empty when the system directory cannot be had.
std::wstring SystemFilePath(std::wstring_view fileName);

// Loads a DLL from the system directory only, with the "file not found" dialog suppressed;
// nullptr on failure.
HMODULE LoadSystemLibrary(const wchar_t* fileName);
// The same by the DLL's full path, its dependencies from the system directory too: what
// LoadSystemLibrary falls back on where the system refuses LOAD_LIBRARY_SEARCH_SYSTEM32.
HMODULE LoadByFullSystemPath(const wchar_t* fileName);

// A system library held for the life of the object.
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* fileName) : module_(LoadSystemLibrary(fileName)) {}
    ~SystemLibrary() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    // The function of that exact name, or nullptr.
    template <class Function>
    Function Find(const char* name) const {
        if (module_ == nullptr) return nullptr;
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

// WINMM's timeBeginPeriod(1) / timeEndPeriod(1), bound at run time. Raise returns true when the
// system timer now ticks every millisecond for this process; each successful Raise is paired with
// one Lower.
bool RaiseTimerResolution();
void LowerTimerResolution();

}  // namespace zrflash::platform::win32
