// Saves the instrument's 2,048-byte settings memory as 128 lines of hex digits in the user's
// documents folder before anything is written to the instrument.
#include "update/SettingsBackup.h"

#include "protocol/AddressMap.h"
#include "update/UpdateTexts.h"

namespace zrflash::update {
namespace {

constexpr int kBytesPerLine = 16;
// The whole settings memory, 128 lines.
constexpr int kLines = (protocol::address::kSettingsLast - protocol::address::kSettingsFirst + 1) / kBytesPerLine;

std::u16string TwoDigits(int value) {
    return {static_cast<char16_t>(u'0' + value / 10 % 10), static_cast<char16_t>(u'0' + value % 10)};
}

// The identification comes from the instrument: untrusted for a file name.
bool ForbiddenInFileName(char16_t c) {
    return c < 0x20 || c == 0x7F || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos;
}

}  // namespace

std::u16string BackupFolder(std::u16string_view documents, char16_t separator, std::uint8_t modelCode) {
    return std::u16string(documents) + separator + (modelCode == 14 ? u"zr14" : u"zr12_01");
}

std::u16string BackupFileName(std::u16string_view deviceIdent, const platform::LocalTime& now) {
    std::u16string name;
    for (char16_t c : deviceIdent) name += ForbiddenInFileName(c) ? u'_' : c;
    // The time of day is taken before the date; both are purely numeric, 24-hour.
    name += u"_" + TwoDigits(now.hour) + TwoDigits(now.minute);
    name += u"_" + TwoDigits(now.day) + TwoDigits(now.month) + TwoDigits(now.year % 100) + u".hex";
    return name;
}

SettingsBackup::SettingsBackup(platform::System& system, protocol::MemoryAccess& memory,
                               protocol::CommandChannel& channel, Controls controls)
    : system_(system), memory_(memory), channel_(channel), controls_(controls) {}

bool SettingsBackup::Run(std::uint8_t modelCode, std::u16string_view deviceIdent) {
    const std::u16string folder = BackupFolder(system_.DocumentsFolder(), system_.PathSeparator(), modelCode);
    const std::uint32_t created = system_.MakeDirectory(folder);
    bool complete = false;
    if (created == platform::kDirectoryCreated || created == platform::kAlreadyExists) {
        const std::u16string path = folder + system_.PathSeparator() + BackupFileName(deviceIdent, system_.Now());
        if (auto file = system_.CreateOutputFile(path)) {
            const bool written = WriteLines(*file);
            complete = file->Close() && written;
            // A cut-off file could later pass for a good backup.
            if (!complete) system_.RemoveFile(path);
        }
    }
    if (!complete) {
        controls_.log.Add(texts::kSettingsNotSaved);
        return false;
    }
    controls_.log.Add(texts::kSettingsSaved);
    controls_.log.Add(modelCode == 14 ? texts::kModel14Folder : texts::kModel12Folder);
    return true;
}

bool SettingsBackup::WriteLines(platform::OutputFile& file) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    int failedInARow = 0;
    for (int line = 0; line < kLines; ++line) {
        std::string text;
        for (int i = 0; i < kBytesPerLine; ++i) {
            // A failed read still gives the byte the read delivered; but without an instrument,
            // or once a whole line's worth of reads in a row has failed (it was pulled out, and
            // the loop that would learn of it does not run during the backup), there is nothing
            // left to save: the file would pass for a backup of settings it does not hold.
            if (!channel_.HasInstrument() || failedInARow == kBytesPerLine) return false;
            std::uint8_t value = 0;
            const bool read = memory_.ReadByte(static_cast<std::uint16_t>(protocol::address::kSettingsFirst + line * kBytesPerLine + i), value);
            failedInARow = read ? 0 : failedInARow + 1;
            text += kDigits[value >> 4];
            text += kDigits[value & 0x0F];
        }
        text += "\r\n";
        if (!file.Write(text)) return false;
        controls_.progress.SetPosition(line);
    }
    return true;
}

}  // namespace zrflash::update
