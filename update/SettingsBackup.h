// Saves the instrument's 2,048-byte settings memory as 128 lines of hex digits in the user's
// documents folder before anything is written to the instrument.
#pragma once

#include <cstdint>
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

    SettingsBackup(platform::System& system, protocol::MemoryAccess& memory, protocol::CommandChannel& channel,
                   Controls controls);

    // Writes the whole file or none: a file that could not be completed is removed and the log
    // says the settings were not saved. True when the file is complete.
    bool Run(std::uint8_t modelCode, std::u16string_view deviceIdent);

private:
    bool WriteLines(platform::OutputFile& file);

    platform::System& system_;
    protocol::MemoryAccess& memory_;
    protocol::CommandChannel& channel_;
    Controls controls_;
};

// The backup folder of a model below the documents folder ("zr12_01" or "zr14").
std::u16string BackupFolder(std::u16string_view documents, char16_t separator, std::uint8_t modelCode);
// DeviceIdent_hhmm_ddmmyy.hex; characters a Windows file name cannot hold become "_".
std::u16string BackupFileName(std::u16string_view deviceIdent, const platform::LocalTime& now);

}  // namespace zrflash::update
