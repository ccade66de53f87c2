// A device's strings: manufacturer, product, serial number, indexed strings, languages and the
// physical descriptor. Device-supplied texts are cut at their terminator or at the buffer end.
#include <array>
#include <cstdio>

#include "hid/THidDevice.h"

namespace zrflash::hid {

namespace {

// 508 bytes, as the platform's string functions are given.
constexpr std::size_t kStringCapacity = 254;
constexpr std::size_t kMaxPhysicalDescriptor = 2048;

std::u16string UpToTerminator(std::span<const char16_t> text) {
    std::u16string result;
    for (char16_t c : text) {
        if (c == 0) break;
        result.push_back(c);
    }
    return result;
}

std::u16string UnknownLocale(std::uint16_t id) {
    char text[32];
    std::snprintf(text, sizeof text, "Unknown Locale ID $%.4x", static_cast<unsigned>(id));
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

}  // namespace

bool THidDevice::ReadStringInto(HidStringKind kind, std::uint32_t index, std::u16string& text) {
    std::array<char16_t, kStringCapacity> buffer{};
    if (!FSystem.GetString(FHidFileHandle, kind, index, buffer)) return false;
    text = UpToTerminator(buffer);
    return true;
}

std::vector<std::uint16_t> THidDevice::LanguageIds() {
    std::array<char16_t, kStringCapacity> buffer;
    buffer.fill(0xFFFF);
    std::vector<std::uint16_t> ids;
    if (!FSystem.GetString(FHidFileHandle, HidStringKind::Indexed, 0, buffer)) return ids;
    // The list ends at its terminator or where the platform stopped writing.
    for (char16_t c : buffer) {
        if (c == 0 || c == 0xFFFF) break;
        ids.push_back(c);
    }
    return ids;
}

std::u16string THidDevice::VendorName() {
    if (FVendorName.empty() && OpenFile()) {
        ReadStringInto(HidStringKind::Manufacturer, 0, FVendorName);
        CloseFile();
    }
    return FVendorName;
}

std::u16string THidDevice::ProductName() {
    if (FProductName.empty() && OpenFile()) {
        ReadStringInto(HidStringKind::Product, 0, FProductName);
        CloseFile();
    }
    return FProductName;
}

std::u16string THidDevice::SerialNumber() {
    if (FSerialNumber.empty() && OpenFile()) {
        std::array<char16_t, kStringCapacity> buffer{};
        if (FSystem.GetString(FHidFileHandle, HidStringKind::SerialNumber, 0, buffer)) {
            // Some devices answer with their language list in place of a serial number.
            const std::vector<std::uint16_t> ids = LanguageIds();
            bool differs = false;
            for (std::size_t i = 0; i < ids.size(); ++i) differs = differs || buffer[i] != ids[i];
            if (differs) FSerialNumber = UpToTerminator(buffer);
        }
        CloseFile();
    }
    return FSerialNumber;
}

std::u16string THidDevice::GetDeviceString(std::uint8_t Idx) {
    std::u16string text;
    if (Idx == 0 || !OpenFile()) return text;
    ReadStringInto(HidStringKind::Indexed, Idx, text);
    return text;
}

const std::vector<std::u16string>& THidDevice::LanguageStrings() {
    if (FLanguageStrings.empty() && OpenFile()) {
        for (std::uint16_t id : LanguageIds()) {
            auto name = FSystem.LanguageName(id);
            FLanguageStrings.push_back(name ? *name : UnknownLocale(id));
        }
        CloseFile();
    }
    return FLanguageStrings;
}

const std::vector<std::uint16_t>& THidDevice::PhysicalDescriptor() {
    if (!FPhysicalDescriptorRead && OpenFile()) {
        FPhysicalDescriptorRead = true;
        for (std::size_t size = 1; size <= kMaxPhysicalDescriptor; ++size) {
            std::vector<std::uint16_t> descriptor(size);
            if (FSystem.GetPhysicalDescriptor(FHidFileHandle, descriptor)) {
                FPhysicalDescriptor = std::move(descriptor);
                break;
            }
            if (FSystem.LastError() != kErrorInsufficientBuffer) break;
        }
    }
    return FPhysicalDescriptor;
}

}  // namespace zrflash::hid
