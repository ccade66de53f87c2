// The control channel of the test-double HID.dll: command files in the folder named by
// ZRSIM_CONTROL_DIR, which the test harness sets for the program it starts.
//
//   startup.txt   commands run once when the bus is made, in place of the default devices
//                 (a model-12 instrument with version C1.28 and a keyboard)
//   command.txt   commands a driver puts there (written elsewhere, then renamed); a thread
//                 takes it within about 20 ms, runs it under the bus mutex and answers with
//   reply.txt     one line per command, "ok ..." or "error ...", renamed into place at the end
#pragma once

#include <string>

namespace zrflash::sim::windll {

class WindowsBus;

// True when a startup file was found and run.
bool RunStartupCommands(WindowsBus& bus);
void StartControlChannel(WindowsBus& bus);
// One command line; the reply line. See BusCommands.cpp for the commands.
std::string ExecuteCommand(WindowsBus& bus, const std::string& line);

}  // namespace zrflash::sim::windll
