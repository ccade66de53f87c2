// Watches the settings backup that runs inside the update button's click, from outside the process.
#include "tests/e2e/driver/BackupWatch.h"

#include <commctrl.h>

#include <cstdio>
#include <set>
#include <string>

#include "app/MainWindowDefinition.h"
#include "tests/e2e/driver/ExpectedTexts.h"
#include "tests/e2e/driver/ProgramWindow.h"

namespace zrflash::e2e {
namespace {

// Under Wine the backup's 128 lines take about 10 s; the system calls a window hung after 5 s
// without a look at its queue, so a click shorter than this shows nothing either way.
constexpr ULONGLONG kShortestTellingBackupMs = 3000;
constexpr UINT kProbeTimeoutMs = 1000;
constexpr DWORD kSamplePeriodMs = 100;
constexpr long kBackupLines = 128;
constexpr std::size_t kFewestPositions = 5;

struct Answer {
    bool answered = false;
    LRESULT value = 0;
    ULONGLONG milliseconds = 0;
};

// SMTO_ABORTIFHUNG: a window the system already takes for hung is not waited for at all.
Answer Probe(HWND window, UINT message) {
    Answer answer;
    const ULONGLONG start = GetTickCount64();
    DWORD_PTR result = 0;
    answer.answered = SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, kProbeTimeoutMs, &result) != 0;
    answer.value = static_cast<LRESULT>(result);
    answer.milliseconds = GetTickCount64() - start;
    return answer;
}

}  // namespace

void WatchBackup(HWND mainWindow, int timeoutMs, Findings& findings) {
    const auto& definition = app::MainWindowDefinition();
    HWND button = ControlWindow(mainWindow, definition, "B1");
    HWND bar = ControlWindow(mainWindow, definition, "Pr1");
    HWND status = ControlWindow(mainWindow, definition, "Label1");
    if (button == nullptr || bar == nullptr || status == nullptr) return findings.Fail("no B1, Pr1 or Label1");
    const std::wstring updating = Wide(*NamedText(L"updating"));
    if (!PostMessageW(button, BM_CLICK, 0, 0)) return findings.Fail("B1 could not be clicked");
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG deadline = start + static_cast<ULONGLONG>(timeoutMs);
    int samples = 0, hung = 0, unanswered = 0, fell = 0;
    ULONGLONG slowest = 0;
    long previous = -1;
    std::set<long> positions;
    while (TextOf(status) != updating) {
        if (GetTickCount64() >= deadline) return findings.Fail("the upload did not begin within " + std::to_string(timeoutMs) + " ms");
        ++samples;
        if (IsHungAppWindow(mainWindow)) ++hung;
        const Answer probe = Probe(mainWindow, WM_NULL);
        if (!probe.answered) ++unanswered;
        if (probe.milliseconds > slowest) slowest = probe.milliseconds;
        const Answer position = Probe(bar, PBM_GETPOS);
        if (position.answered && TextOf(status) != updating) {
            if (position.value < previous) ++fell;
            previous = static_cast<long>(position.value);
            if (previous > 0 && previous < kBackupLines - 1) positions.insert(previous);
        }
        Sleep(kSamplePeriodMs);
    }
    const ULONGLONG duration = GetTickCount64() - start;
    std::printf("backup: %.1f s, %d samples, hung %d times, %d probes unanswered within %u ms (slowest %llu ms), "
                "%zu positions of Pr1 seen (%ld..%ld)\n",
                static_cast<double>(duration) / 1000.0, samples, hung, unanswered, kProbeTimeoutMs, slowest,
                positions.size(), positions.empty() ? 0L : *positions.begin(), positions.empty() ? 0L : *positions.rbegin());
    if (duration < kShortestTellingBackupMs) findings.Fail("the backup was over too soon to tell anything");
    findings.Equal("samples that found the window hung", 0, hung);
    findings.Equal("probes not answered within a second", 0, unanswered);
    findings.Equal("times Pr1 went back", 0, fell);
    if (positions.size() < kFewestPositions) findings.Fail("Pr1 hardly moved during the backup");
}

}  // namespace zrflash::e2e
