// Keys pressed into the program's window from outside, as the keyboard delivers them.
#include "tests/e2e/driver/Keyboard.h"

#include "tests/e2e/driver/ProgramWindow.h"

namespace zrflash::e2e {
namespace {

// Repeat count 1 and the key's scan code in the low word and bits 16..23; bits 30 and 31 on a release.
constexpr LPARAM kTabDown = 0x000F0001;
constexpr LPARAM kTabUp = static_cast<LPARAM>(0xC00F0001);
constexpr LPARAM kSpaceDown = 0x00390001;
constexpr LPARAM kSpaceUp = static_cast<LPARAM>(0xC0390001);

}  // namespace

HWND PressTab(HWND mainWindow) {
    HWND before = FocusedWindow(mainWindow);
    HWND target = before != nullptr ? before : mainWindow;
    PostMessageW(target, WM_KEYDOWN, VK_TAB, kTabDown);
    PostMessageW(target, WM_KEYUP, VK_TAB, kTabUp);
    for (int waited = 0; waited < 1000; waited += 10) {
        HWND now = FocusedWindow(mainWindow);
        if (now != before) return now;
        Sleep(10);
    }
    return FocusedWindow(mainWindow);
}

void PressSpace(HWND control) {
    PostMessageW(control, WM_KEYDOWN, VK_SPACE, kSpaceDown);
    PostMessageW(control, WM_CHAR, L' ', kSpaceDown);
    PostMessageW(control, WM_KEYUP, VK_SPACE, kSpaceUp);
}

}  // namespace zrflash::e2e
