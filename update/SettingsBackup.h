// Saves the instrument's 2,048-byte settings memory as 128 lines of hex digits in the user's
// documents folder before anything is written to the instrument.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Gui.h"
#include "platform/System.h"
#include "protocol/MemoryAccess.h"

namespace zrflash::update {

class SettingsBackup {
public:
    struct Controls {
        platform::ProgressBar& progress;  // Pr1: one step per line
        platform::ListBox& log;
    };

    SettingsBackup(platform::Gui& gui, platform::System& system, protocol::MemoryAccess& memory, Controls controls);

    // Writes the whole file or none: a file that could not be completed, or that would hold a
    // byte the instrument did not deliver, is removed and the log says the settings were not
    // saved. An earlier backup is never touched: a name already taken gets a numbered sibling.
    // True when the file is complete.
    bool Run(std::uint8_t modelCode, std::u16string_view deviceIdent);

private:
    // The new file under the first free name; the name chosen goes to fileName.
    std::unique_ptr<platform::OutputFile> CreateFile(const std::u16string& folder, std::u16string_view deviceIdent,
                                                     std::u16string& fileName);
    bool WriteLines(platform::OutputFile& file);
    bool ReadSettingsByte(std::uint16_t address, std::uint8_t& value);

    platform::Gui& gui_;
    platform::System& system_;
    protocol::MemoryAccess& memory_;
    Controls controls_;
};

// The backup folder of a model below the documents folder ("zr12_01" or "zr14").
std::u16string BackupFolder(std::u16string_view documents, char16_t separator, std::uint8_t modelCode);
// DeviceIdent_hhmm_ddmmyy.hex, or DeviceIdent_hhmm_ddmmyy_N.hex for copy N >= 2 of the same
// minute; characters a Windows file name cannot hold become "_".
std::u16string BackupFileName(std::u16string_view deviceIdent, const platform::LocalTime& now, int copy = 1);

}  // namespace zrflash::update
