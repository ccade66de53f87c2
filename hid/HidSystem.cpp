// The report queries a port leaves out answer "not implemented".
#include "hid/HidSystem.h"

namespace zrflash::hid {

HidpStatus HidSystem::GetSpecificButtonCaps(PreparsedDataHandle, const HidpParameters&, std::span<HidpButtonCaps>,
                                            std::uint16_t&) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::GetSpecificValueCaps(PreparsedDataHandle, const HidpParameters&, std::span<HidpValueCaps>,
                                           std::uint16_t&) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::GetLinkCollectionNodes(PreparsedDataHandle, std::span<HidpLinkCollectionNode>,
                                             std::uint32_t&) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::GetData(PreparsedDataHandle, std::uint32_t, std::span<HidpData>, std::uint32_t&,
                              std::span<std::uint8_t>) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::SetData(PreparsedDataHandle, std::uint32_t, std::span<HidpData>, std::uint32_t&,
                              std::span<std::uint8_t>) {
    return kHidpStatusNotImplemented;
}
std::uint32_t HidSystem::MaxDataListLength(PreparsedDataHandle, std::uint32_t) { return 0; }
std::uint32_t HidSystem::MaxUsageListLength(PreparsedDataHandle, std::uint32_t, std::uint16_t) { return 0; }
HidpStatus HidSystem::GetUsages(PreparsedDataHandle, const HidpParameters&, std::span<std::uint16_t>,
                                std::uint32_t&, std::span<std::uint8_t>) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::GetUsagesEx(PreparsedDataHandle, const HidpParameters&, std::span<HidpUsageAndPage>,
                                  std::uint32_t&, std::span<std::uint8_t>) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::SetUsages(PreparsedDataHandle, const HidpParameters&, std::span<std::uint16_t>,
                                std::uint32_t&, std::span<std::uint8_t>) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::UnsetUsages(PreparsedDataHandle, const HidpParameters&, std::span<std::uint16_t>,
                                  std::uint32_t&, std::span<std::uint8_t>) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::GetUsageValue(PreparsedDataHandle, const HidpParameters&, std::uint32_t&,
                                    std::span<std::uint8_t>) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::GetScaledUsageValue(PreparsedDataHandle, const HidpParameters&, std::int32_t&,
                                          std::span<std::uint8_t>) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::SetUsageValue(PreparsedDataHandle, const HidpParameters&, std::uint32_t,
                                    std::span<std::uint8_t>) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::SetScaledUsageValue(PreparsedDataHandle, const HidpParameters&, std::int32_t,
                                          std::span<std::uint8_t>) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::GetUsageValueArray(PreparsedDataHandle, const HidpParameters&, std::span<std::uint8_t>,
                                         std::span<std::uint8_t>) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::SetUsageValueArray(PreparsedDataHandle, const HidpParameters&, std::span<std::uint8_t>,
                                         std::span<std::uint8_t>) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::GetExtendedAttributes(PreparsedDataHandle, std::uint32_t, std::uint16_t,
                                            std::span<std::uint8_t>, std::uint32_t&) {
    return kHidpStatusNotImplemented;
}
HidpStatus HidSystem::InitializeReportForID(PreparsedDataHandle, std::uint32_t, std::uint8_t,
                                            std::span<std::uint8_t>) {
    return kHidpStatusNotImplemented;
}

}  // namespace zrflash::hid
