// Watches a firmware update from outside: the progress bar Pr1 and the log's closing line.
#pragma once

#include <windows.h>

#include <string>

#include "tests/e2e/driver/Findings.h"

namespace zrflash::e2e {

struct Progress {
    long position = -1;  // -1: the bar did not answer
    long maximum = -1;
};

Progress ProgressOf(HWND mainWindow);

// Waits until the upload has committed at least that many pages (past the bar's left-over
// from the settings backup); false on time-out.
bool WaitForPage(HWND mainWindow, long page, int timeoutMs, Progress& seen);

// Samples Pr1 until the log ends with the success line: while the upload runs (the bar's
// maximum is the page count) the position must climb through several pages, never fall back,
// and end on the last page.
void WatchUpload(HWND mainWindow, int timeoutMs, Findings& findings);

// Clicks B1 and measures the time until the log ends with the success line; seconds, or a
// negative value on time-out.
double TimeUpdate(HWND mainWindow, int timeoutMs);

}  // namespace zrflash::e2e
