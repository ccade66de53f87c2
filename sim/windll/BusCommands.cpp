// The commands of the control channel, one a line, words separated by blanks; numbers in
// decimal or 0x-hexadecimal.
//
//   plug-instrument [model=12|14] [version=C1.28] [product=0xF541] [state=1] [autosave=0|1]
//                   [rcld=0|1] [menu=0|1] [battery=24000] [latency=ms] [flash=FILE]
//                                     a new instrument (the current one leaves the bus first);
//                                     FILE holds its flash from address 0 on
//   unplug-instrument | replug-instrument | plug-keyboard | unplug-keyboard
//   other-device                      a device node without a HID interface came or went
//   enumeration-fails 0|1             the set of present devices cannot be had
//   fail-set N | fail-get N           the next N SetFeature / GetFeature calls fail
//   busy COMMAND ANSWERS [COMMANDS]   busy answers after a command code
//   busy-storm FIRST LAST             busy answers for those exchange numbers
//   corrupt-echo BYTE TIMES [COMMAND] | corrupt-checksum low|high TIMES | lose-commits N
//   unplug-after N                    the instrument leaves the bus at its N-th exchange from now
//   latency MS                        every transfer takes that long
//   identified VENDOR                 "ok <count>" of the HidD_GetAttributes calls on that vendor's devices
//   peek ADDRESS                      "ok <byte>" of the settings memory
//   peek-space SPACE ADDRESS          "ok <byte>" of an identification space (24, 28, 29, 30)
//   sent COMMAND                      "ok <count>" of the requests with that command code it took
//   state                             "ok plugged=.. model=.. version=.. set=.. get=.. pages=.. checksum=.."
//   dump FOLDER                       FOLDER\memory.bin (2,048 bytes) and FOLDER\flash.bin (65,536)
//   trace FILE                        every transfer the instrument took, one a line:
//                                     "<exchange> set|get <command> ok|failed <bytes in hex>"
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "sim/InstrumentBuilder.h"
#include "sim/windll/ControlChannel.h"
#include "sim/windll/WholeFile.h"
#include "sim/windll/WindowsBus.h"

namespace zrflash::sim::windll {
namespace {

bool Number(const std::string& text, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return end != nullptr && *end == 0;
}

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// The control commands name files in the harness's ASCII paths.
bool ReadBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::string contents;
    if (!ReadWholeFile(std::wstring(path.begin(), path.end()), contents)) return false;
    bytes.assign(contents.begin(), contents.end());
    return true;
}

bool WriteBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    return WriteWholeFile(std::wstring(path.begin(), path.end()),
                          std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string PlugInstrument(WindowsBus& bus, const std::vector<std::string>& words) {
    std::map<std::string, std::string> options;
    for (std::size_t index = 1; index < words.size(); ++index) {
        const auto equals = words[index].find('=');
        if (equals == std::string::npos) return "error option without value: " + words[index];
        options[words[index].substr(0, equals)] = words[index].substr(equals + 1);
    }
    InstrumentBuilder builder;
    long value = 0;
    if (options.count("model") != 0) {
        if (options["model"] == "14") builder.Model14();
        else if (options["model"] == "12") builder.Model12();
        else return "error model " + options["model"];
    }
    if (options.count("product") != 0) {
        if (!Number(options["product"], value)) return "error product";
        builder.ProductId(static_cast<std::uint16_t>(value));
    }
    if (options.count("version") != 0) builder.Version(options["version"]);
    const std::pair<const char*, InstrumentOption> switches[] = {
        {"autosave", InstrumentOption::AutoSave}, {"rcld", InstrumentOption::RcldSwap}, {"menu", InstrumentOption::MenuSwap}};
    for (const auto& [name, option] : switches) {
        if (options.count(name) == 0) continue;
        if (!Number(options[name], value)) return std::string("error ") + name;
        builder.Option(option, value != 0);
    }
    if (options.count("state") != 0) {
        if (!Number(options["state"], value)) return "error state";
        builder.FirmwareState(static_cast<std::uint8_t>(value));
    }
    if (options.count("battery") != 0) {
        if (!Number(options["battery"], value)) return "error battery";
        builder.BatteryRaw(static_cast<std::uint16_t>(value));
    }
    if (options.count("latency") != 0) {
        if (!Number(options["latency"], value)) return "error latency";
        builder.LatencyMilliseconds(static_cast<int>(value));
    }
    if (options.count("flash") != 0) {
        std::vector<std::uint8_t> flash;
        if (!ReadBytes(options["flash"], flash)) return "error cannot read " + options["flash"];
        builder.Flash(flash);
    }
    bus.PlugInstrument(builder.Build());
    return "ok";
}

bool WriteTrace(const std::string& path, const SimInstrument& instrument) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const InstrumentTransfer& transfer : instrument.Trace()) {
        text += std::to_string(transfer.exchange);
        text += transfer.direction == TransferDirection::SetFeature ? " set " : " get ";
        text += std::to_string(transfer.command);
        text += transfer.succeeded ? " ok " : " failed ";
        for (std::uint8_t byte : transfer.bytes) {
            text += kDigits[byte >> 4];
            text += kDigits[byte & 0x0F];
        }
        text += '\n';
    }
    return WriteWholeFile(std::wstring(path.begin(), path.end()), text);
}

std::string State(WindowsBus& bus) {
    auto instrument = bus.Instrument();
    if (!instrument) return "ok plugged=0";
    std::string version;
    for (std::uint16_t address = 0x340; address < 0x345; ++address) {
        const auto byte = instrument->MemoryByte(address);
        if (byte != 0) version.push_back(static_cast<char>(byte));
    }
    std::ostringstream text;
    text << "ok plugged=" << (bus.Bus().IsPlugged(*instrument) ? 1 : 0) << " model=" << instrument->ModelCode()
         << " version=" << version << " set=" << instrument->SetFeatureCount()
         << " get=" << instrument->GetFeatureCount() << " pages=" << instrument->CommittedPages()
         << " checksum=" << Hex(instrument->FirmwareChecksum()) << " state=" << Hex(instrument->MemoryByte(0x3FF));
    return text.str();
}

}  // namespace

std::string ExecuteCommand(WindowsBus& bus, const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) words.push_back(word);
    if (words.empty()) return "error empty";
    const std::string& command = words[0];
    const auto argument = [&](std::size_t index, long& value) { return index < words.size() && Number(words[index], value); };
    long first = 0;
    long second = 0;
    long third = 0;

    if (command == "plug-instrument") return PlugInstrument(bus, words);
    if (command == "unplug-instrument") return bus.UnplugInstrument() ? "ok" : "error not plugged";
    if (command == "replug-instrument") return bus.ReplugInstrument() ? "ok" : "error no unplugged instrument";
    if (command == "plug-keyboard") return bus.PlugKeyboard() ? "ok" : "error already plugged";
    if (command == "unplug-keyboard") return bus.UnplugKeyboard() ? "ok" : "error not plugged";
    if (command == "other-device") {
        bus.Bus().ChangeOtherDevice();
        return "ok";
    }
    if (command == "enumeration-fails" && argument(1, first)) {
        bus.SetEnumerationFails(first != 0);
        return "ok";
    }

    if (command == "identified" && argument(1, first)) {
        return "ok " + std::to_string(bus.Identifications(static_cast<std::uint16_t>(first)));
    }

    auto instrument = bus.Instrument();
    if (!instrument) return "error no instrument";
    InstrumentFaults& faults = instrument->Faults();
    if (command == "fail-set" && argument(1, first)) faults.FailNextSetFeatures(static_cast<int>(first));
    else if (command == "fail-get" && argument(1, first)) faults.FailNextGetFeatures(static_cast<int>(first));
    else if (command == "busy" && argument(1, first) && argument(2, second)) {
        if (!argument(3, third)) third = InstrumentFaults::kEveryCommand;
        faults.BusyAnswers(static_cast<std::uint8_t>(first), static_cast<int>(second), static_cast<int>(third));
    } else if (command == "busy-storm" && argument(1, first) && argument(2, second)) {
        faults.BusyStorm(static_cast<int>(first), static_cast<int>(second));
    } else if (command == "corrupt-echo" && argument(1, first) && argument(2, second)) {
        if (!argument(3, third)) third = InstrumentFaults::kAnyCommand;
        faults.CorruptEcho(static_cast<int>(first), static_cast<int>(second), static_cast<std::uint8_t>(third));
    } else if (command == "corrupt-checksum" && words.size() == 3 && argument(2, second)) {
        if (words[1] != "low" && words[1] != "high") return "error checksum byte " + words[1];
        faults.CorruptChecksum(words[1] == "low" ? ChecksumByte::Low : ChecksumByte::High, static_cast<int>(second));
    } else if (command == "lose-commits" && argument(1, first)) faults.LoseCommits(static_cast<int>(first));
    else if (command == "unplug-after" && argument(1, first)) faults.UnplugAt(instrument->ExchangeCount() + static_cast<int>(first));
    else if (command == "latency" && argument(1, first)) faults.Latency(static_cast<int>(first));
    else if (command == "peek" && argument(1, first)) {
        if (first < 0 || first >= static_cast<long>(kSettingsMemorySize)) return "error address";
        return "ok " + Hex(instrument->MemoryByte(static_cast<std::uint16_t>(first)));
    } else if (command == "peek-space" && argument(1, first) && argument(2, second)) {
        return "ok " + Hex(instrument->SpaceByte(static_cast<std::uint8_t>(first), static_cast<std::uint16_t>(second)));
    } else if (command == "sent" && argument(1, first)) {
        const auto& trace = instrument->Trace();
        const auto count = std::count_if(trace.begin(), trace.end(), [&](const InstrumentTransfer& transfer) {
            return transfer.direction == TransferDirection::SetFeature && transfer.succeeded && transfer.command == first;
        });
        return "ok " + std::to_string(count);
    } else if (command == "state") return State(bus);
    else if (command == "dump" && words.size() == 2) {
        const bool done = WriteBytes(words[1] + "\\memory.bin", instrument->Memory()) &&
                          WriteBytes(words[1] + "\\flash.bin", instrument->Flash());
        return done ? "ok" : "error cannot write " + words[1];
    } else if (command == "trace" && words.size() == 2) {
        return WriteTrace(words[1], *instrument) ? "ok " + std::to_string(instrument->Trace().size())
                                                 : "error cannot write " + words[1];
    } else return "error unknown command: " + line;
    return "ok";
}

}  // namespace zrflash::sim::windll
