// Saves the instrument's 2,048-byte settings memory as 128 lines of hex digits in the user's
// documents folder before anything is written to the instrument.
#include "update/SettingsBackup.h"

#include <string>

#include "protocol/AddressMap.h"
#include "update/UpdateTexts.h"

namespace zrflash::update {
namespace {

constexpr int kBytesPerLine = 16;
// The whole settings memory, 128 lines.
constexpr int kLines = (protocol::address::kSettingsLast - protocol::address::kSettingsFirst + 1) / kBytesPerLine;
// Backups of one instrument within one minute; beyond that something is wrong with the folder.
constexpr int kMaxCopiesPerMinute = 999;

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

std::u16string BackupFileName(std::u16string_view deviceIdent, const platform::LocalTime& now, int copy) {
    std::u16string name;
    for (char16_t c : deviceIdent) name += ForbiddenInFileName(c) ? u'_' : c;
    // The time of day is taken before the date; both are purely numeric, 24-hour.
    name += u'_';
    for (int part : {now.hour, now.minute}) name += TwoDigits(part);
    name += u'_';
    for (int part : {now.day, now.month, now.year % 100}) name += TwoDigits(part);
    if (copy > 1) {
        name += u'_';
        for (char digit : std::to_string(copy)) name += static_cast<char16_t>(digit);
    }
    return name + u".hex";
}

SettingsBackup::SettingsBackup(platform::Gui& gui, platform::System& system, protocol::MemoryAccess& memory,
                               Controls controls)
    : gui_(gui), system_(system), memory_(memory), controls_(controls) {}

bool SettingsBackup::Run(std::uint8_t modelCode, std::u16string_view deviceIdent) {
    const std::u16string folder = BackupFolder(system_.DocumentsFolder(), system_.PathSeparator(), modelCode);
    const std::uint32_t created = system_.MakeDirectory(folder);
    bool complete = false;
    std::u16string fileName;
    if (created == platform::kDirectoryCreated || created == platform::kAlreadyExists) {
        if (auto file = CreateFile(folder, deviceIdent, fileName)) {
            const bool written = WriteLines(*file);
            complete = file->Close() && written;
            // A cut-off file could later pass for a good backup. It is this run's own file: an
            // earlier one is never opened, so never lost.
            if (!complete) system_.RemoveFile(folder + system_.PathSeparator() + fileName);
        }
    }
    if (!complete) {
        controls_.log.Add(texts::kSettingsNotSaved);
        return false;
    }
    controls_.log.Add(texts::kSettingsSaved);
    controls_.log.Add(modelCode == 14 ? texts::kModel14Folder : texts::kModel12Folder);
    controls_.log.Add(std::u16string(texts::kBackupFilePrefix) + fileName);
    return true;
}

std::unique_ptr<platform::OutputFile> SettingsBackup::CreateFile(const std::u16string& folder,
                                                                 std::u16string_view deviceIdent,
                                                                 std::u16string& fileName) {
    const platform::LocalTime now = system_.Now();
    for (int copy = 1; copy <= kMaxCopiesPerMinute; ++copy) {
        fileName = BackupFileName(deviceIdent, now, copy);
        auto created = system_.CreateNewOutputFile(folder + system_.PathSeparator() + fileName);
        if (created.file) return std::move(created.file);
        if (!created.alreadyExists) return nullptr;
    }
    return nullptr;
}

// A read that failed after the transaction's own retries is tried once more; a byte still not
// delivered is not known, and a file with a guessed byte in it is not a backup. Without an
// instrument both reads fail at once, having sent nothing.
bool SettingsBackup::ReadSettingsByte(std::uint16_t address, std::uint8_t& value) {
    return memory_.ReadByte(address, value) || memory_.ReadByte(address, value);
}

bool SettingsBackup::WriteLines(platform::OutputFile& file) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (int line = 0; line < kLines; ++line) {
        std::string text;
        for (int i = 0; i < kBytesPerLine; ++i) {
            std::uint8_t value = 0;
            const auto address = static_cast<std::uint16_t>(protocol::address::kSettingsFirst + line * kBytesPerLine + i);
            if (!ReadSettingsByte(address, value)) return false;
            text += kDigits[value >> 4];
            text += kDigits[value & 0x0F];
        }
        text += "\r\n";
        if (!file.Write(text)) return false;
        controls_.progress.SetPosition(line);
        // The click runs for seconds; the system must not take the window for hung meanwhile.
        gui_.KeepResponsive();
    }
    return true;
}

}  // namespace zrflash::update
