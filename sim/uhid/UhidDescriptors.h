// The report descriptors the simulated devices give the kernel.
#pragma once

#include <cstdint>
#include <vector>

namespace zrflash::sim::uhid {

// The instrument: one vendor-defined collection (page 0xFF00) with an 18-byte feature report and
// no report IDs, so hidraw's feature transfers are 19 bytes with the report number 0 first.
const std::vector<std::uint8_t>& InstrumentReportDescriptor();
// A boot-protocol keyboard: an 8-byte input report and a 1-byte LED output report, no IDs.
const std::vector<std::uint8_t>& KeyboardReportDescriptor();

}  // namespace zrflash::sim::uhid
