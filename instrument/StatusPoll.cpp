// The once-a-second poll: firmware state, battery, identification, version text and options of
// the active instrument, shown in the window.
#include "instrument/StatusPoll.h"

#include <array>

#include "instrument/InstrumentTexts.h"
#include "protocol/AddressMap.h"
#include "protocol/Commands.h"

namespace zrflash::instrument {
namespace {

namespace address = protocol::address;

struct SpaceAddress {
    std::uint8_t space;
    std::uint16_t address;
};

// After the first character (space 29 at 0x093), each of these bytes adds two hex digits.
constexpr std::array<SpaceAddress, 17> kIdentificationBytes = {{
    {24, 0x0800}, {24, 0x0900}, {24, 0x0A00}, {24, 0x0B00}, {24, 0x0C00}, {24, 0x0D00},
    {24, 0x1000}, {24, 0x1200}, {24, 0x1300}, {24, 0x1400}, {24, 0x1500},
    {28, 0x0000}, {28, 0x0100}, {28, 0x0200}, {28, 0x0400}, {28, 0x0500},
    {29, 0x01D0},
}};
constexpr SpaceAddress kIdentificationLetter{29, 0x0093};
constexpr SpaceAddress kIdentificationPreamble{30, 0x1118};
constexpr std::size_t kVersionTextLength = 5;
constexpr double kBatteryDivisor = 16000.0;
constexpr double kLowBattery = 1.4;

void AppendHex(std::u16string& text, std::uint8_t value) {
    constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    text += kDigits[value >> 4];
    text += kDigits[value & 0x0F];
}

}  // namespace

std::optional<std::int32_t> FirmwareVersionNumberOf(std::u16string_view versionText) {
    if (versionText.size() < kVersionTextLength) return std::nullopt;
    const std::u16string digits{versionText[1], versionText[3], versionText[4]};
    std::size_t first = 0;
    bool negative = false;
    if (digits[0] == u'+' || digits[0] == u'-') {
        negative = digits[0] == u'-';
        first = 1;
    }
    std::int32_t value = 0;
    for (std::size_t i = first; i < digits.size(); ++i) {
        if (digits[i] < u'0' || digits[i] > u'9') return std::nullopt;
        value = value * 10 + (digits[i] - u'0');
    }
    return negative ? -value : value;
}

StatusPoll::StatusPoll(InstrumentState& state, protocol::MemoryAccess& memory, protocol::CommandChannel& channel,
                       Controls controls, std::function<void()> restoreMiddlePieces)
    : state_(state),
      memory_(memory),
      channel_(channel),
      controls_(controls),
      restoreMiddlePieces_(std::move(restoreMiddlePieces)) {}

void StatusPoll::Tick() {
    if (state_.ActiveDevice == nullptr) {
        controls_.status.SetText(texts::kConnectPrompt);
        controls_.update.SetEnabled(false);
        controls_.options.SetEnabled(false);
        return;
    }
    controls_.uploadTimer.SetEnabled(false);
    controls_.finishTimer.SetEnabled(false);

    std::uint8_t firmwareState = 0;
    if (!memory_.ReadByte(address::kFirmwareState, firmwareState)) return;
    std::uint8_t unused = 0;
    memory_.ReadSpaceByte(kIdentificationPreamble.space, kIdentificationPreamble.address, unused);
    MeasureBattery();
    restoreMiddlePieces_();
    if (!ReadIdentification()) return;
    const auto version = ReadVersionText();
    if (!version) return;
    state_.DeviceIdent += *version;

    const auto number = FirmwareVersionNumberOf(*version);
    if (!number) {
        controls_.log.Add(texts::kVersionUnreadable);
        return;
    }
    state_.FirmwareVersionNumber = *number;
    state_.FirmwareVersionKnown = true;
    controls_.update.SetEnabled(true);
    const auto prefix = firmwareState == address::kFirmwareValid ? texts::kCurrentVersion : texts::kReloadFirmware;
    controls_.status.SetText(std::u16string(prefix) + *version);
    controls_.options.SetEnabled(true);
    ReadOptionsBack();
}

void StatusPoll::MeasureBattery() {
    channel_.OutReport[1] = 0x20;
    channel_.OutReport[2] = 0x01;
    channel_.OutReport[3] = 0x02;
    channel_.ExecuteCommand(protocol::command::kMeasureBattery, false);
    channel_.FetchIntoOutReport();
    // Taken before the scale is read, which reuses the buffer.
    const unsigned raw = channel_.OutReport[1] * 256u + channel_.OutReport[2];
    const double scale = memory_.ReadDeviceFloat(address::kBatteryScale);
    if (raw * scale / kBatteryDivisor < kLowBattery) controls_.status.SetText(texts::kChargeBattery);
}

bool StatusPoll::ReadIdentification() {
    std::uint8_t value = 0;
    if (!memory_.ReadSpaceByte(kIdentificationLetter.space, kIdentificationLetter.address, value)) return false;
    std::u16string ident(1, static_cast<char16_t>(0x41 + value));
    for (const auto& byte : kIdentificationBytes) {
        if (!memory_.ReadSpaceByte(byte.space, byte.address, value)) return false;
        AppendHex(ident, value);
    }
    state_.DeviceIdent = ident;
    // Before this instrument's version is known the button waits for it (below).
    if (state_.FirmwareVersionKnown) controls_.update.SetEnabled(true);
    return true;
}

std::optional<std::u16string> StatusPoll::ReadVersionText() {
    std::u16string text;
    for (std::uint16_t i = 0; i < kVersionTextLength; ++i) {
        std::uint8_t value = 0;
        if (!memory_.ReadByte(static_cast<std::uint16_t>(address::kVersionText + i), value)) return std::nullopt;
        text += static_cast<char16_t>(value);
    }
    return text;
}

void StatusPoll::ReadOptionsBack() {
    // The boxes raise their click handlers when they change; the guard keeps those from writing.
    state_.OptionsLoaded = false;
    std::uint8_t value = 0;
    memory_.ReadByte(address::kAutoSaveOption, value);
    controls_.autoSave.SetChecked(value == 1);
    memory_.ReadByte(address::kRcldSwapOption, value);
    controls_.rcldSwap.SetChecked(value != 1);
    memory_.ReadByte(address::kMenuSwapOption, value);
    controls_.menuSwap.SetChecked(value != 0);
    state_.OptionsLoaded = true;
}

}  // namespace zrflash::instrument
