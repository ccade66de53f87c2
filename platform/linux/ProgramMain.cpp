// Entry point of the Linux program: the Qt GUI and the POSIX system around the program's run.
#include <QApplication>

#include "app/Program.h"
#include "platform/linux/PosixSystem.h"
#include "platform/linux/ProgramHidSystem.h"
#include "platform/linux/QtGui.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    zrflash::platform::linux_port::QtGui gui;
    zrflash::platform::linux_port::PosixSystem system;
    auto hidSystem = zrflash::platform::linux_port::MakeProgramHidSystem(gui, system);
    return zrflash::app::RunProgram(gui, system, hidSystem->System());
}
