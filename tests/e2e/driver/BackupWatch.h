// Watches the settings backup that runs inside the update button's click, from outside the process.
#pragma once

#include <windows.h>

#include "tests/e2e/driver/Findings.h"

namespace zrflash::e2e {

// Clicks B1 and samples the window until the status line says the upload has begun: the window
// must never count as hung, must answer a probe within a second every time, and Pr1 must climb
// line by line while the click is still running.
void WatchBackup(HWND mainWindow, int timeoutMs, Findings& findings);

}  // namespace zrflash::e2e
