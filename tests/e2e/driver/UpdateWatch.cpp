// Watches a firmware update from outside: the progress bar Pr1 and the log's closing line.
#include "tests/e2e/driver/UpdateWatch.h"

#include <commctrl.h>

#include <cstdio>
#include <set>

#include "app/MainWindowDefinition.h"
#include "tests/e2e/driver/ExpectedTexts.h"
#include "tests/e2e/driver/LogList.h"
#include "tests/e2e/driver/ProgramWindow.h"

namespace zrflash::e2e {
namespace {

constexpr long kPages = 224;
// The settings backup leaves the bar at its last line until the first page is committed.
constexpr long kBackupEnd = 127;

std::wstring SuccessLine() { return Wide(*NamedText(L"success")); }

long Ask(HWND bar, UINT message, WPARAM wParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(bar, message, wParam, 0, SMTO_ABORTIFHUNG, 5000, &result)) return -1;
    return static_cast<long>(result);
}

}  // namespace

Progress ProgressOf(HWND mainWindow) {
    HWND bar = ControlWindow(mainWindow, app::MainWindowDefinition(), "Pr1");
    if (bar == nullptr) return {};
    return {Ask(bar, PBM_GETPOS, 0), Ask(bar, PBM_GETRANGE, FALSE)};
}

bool WaitForPage(HWND mainWindow, long page, int timeoutMs, Progress& seen) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    bool uploading = false;
    for (;;) {
        seen = ProgressOf(mainWindow);
        if (seen.maximum == kPages && seen.position > 0 && seen.position < kBackupEnd) uploading = true;
        if (uploading && seen.maximum == kPages && seen.position >= page) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(5);
    }
}

namespace {

// The backup moves the bar too (at the upload's maximum, once an upload has run); its end is told
// by its line in the log.
bool BackupReported(HWND mainWindow) {
    const std::wstring saved = Wide(*NamedText(L"settings-saved"));
    const std::wstring notSaved = Wide(*NamedText(L"settings-not-saved"));
    for (const auto& line : LogLines(mainWindow)) {
        if (line == saved || line == notSaved) return true;
    }
    return false;
}

}  // namespace

void WatchUpload(HWND mainWindow, int timeoutMs, Findings& findings) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    std::set<long> pagesSeen;
    long previous = -1;
    bool done = false;
    bool backupOver = false;
    while (!(done = LastLogLine(mainWindow) == SuccessLine()) && GetTickCount64() < deadline) {
        if (!backupOver) backupOver = BackupReported(mainWindow);
        const Progress progress = ProgressOf(mainWindow);
        const bool backupLeftOver = progress.position == kBackupEnd && pagesSeen.empty();
        if (backupOver && progress.maximum == kPages && !backupLeftOver) {
            if (progress.position < previous) {
                findings.Fail("the progress fell from " + std::to_string(previous) + " to " + std::to_string(progress.position));
            }
            previous = progress.position;
            if (progress.position > 0 && progress.position < kPages) pagesSeen.insert(progress.position);
        }
        Sleep(10);
    }
    if (!done) return findings.Fail("no success line within " + std::to_string(timeoutMs) + " ms");
    const Progress last = ProgressOf(mainWindow);
    std::printf("progress: %zu positions seen during the upload (%ld..%ld), %ld of %ld at the end\n", pagesSeen.size(),
                pagesSeen.empty() ? 0L : *pagesSeen.begin(), pagesSeen.empty() ? 0L : *pagesSeen.rbegin(), last.position,
                last.maximum);
    if (pagesSeen.size() < 3) findings.Fail("the progress bar hardly moved during the upload");
    findings.Equal("progress at the end", kPages, last.position);
    findings.Equal("progress maximum", kPages, last.maximum);
}

double TimeUpdate(HWND mainWindow, int timeoutMs) {
    HWND button = ControlWindow(mainWindow, app::MainWindowDefinition(), "B1");
    LARGE_INTEGER frequency{}, start{}, now{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    PostMessageW(button, BM_CLICK, 0, 0);
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (LastLogLine(mainWindow) != SuccessLine()) {
        if (GetTickCount64() >= deadline) return -1;
        Sleep(5);
    }
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace zrflash::e2e
