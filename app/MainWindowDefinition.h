// The main window as data: every control with its place, text, font, state, tab order and handler.
#pragma once

#include <string>
#include <vector>

#include "platform/WindowDefinition.h"

namespace zrflash::app {

// The window's non-visual timers, bound like the controls.
struct TimerDefinition {
    std::string name;
    int intervalMs = 0;
    bool enabled = false;
    std::string handler;
};

const platform::WindowDefinition& MainWindowDefinition();
const std::vector<TimerDefinition>& MainWindowTimers();

}  // namespace zrflash::app
