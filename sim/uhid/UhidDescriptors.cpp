// The report descriptors the simulated devices give the kernel.
#include "sim/uhid/UhidDescriptors.h"

namespace zrflash::sim::uhid {

const std::vector<std::uint8_t>& InstrumentReportDescriptor() {
    static const std::vector<std::uint8_t> descriptor = {
        0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
        0x09, 0x01,        // Usage (1)
        0xA1, 0x01,        // Collection (Application)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x12,        //   Report Count (18)
        0x09, 0x01,        //   Usage (1)
        0xB1, 0x02,        //   Feature (Data, Variable, Absolute)
        0xC0,              // End Collection
    };
    return descriptor;
}

const std::vector<std::uint8_t>& KeyboardReportDescriptor() {
    static const std::vector<std::uint8_t> descriptor = {
        0x05, 0x01,  // Usage Page (Generic Desktop)
        0x09, 0x06,  // Usage (Keyboard)
        0xA1, 0x01,  // Collection (Application)
        0x05, 0x07,  //   Usage Page (Keyboard)
        0x19, 0xE0,  //   Usage Minimum (Left Control)
        0x29, 0xE7,  //   Usage Maximum (Right GUI)
        0x15, 0x00,  //   Logical Minimum (0)
        0x25, 0x01,  //   Logical Maximum (1)
        0x75, 0x01,  //   Report Size (1)
        0x95, 0x08,  //   Report Count (8)
        0x81, 0x02,  //   Input (Data, Variable, Absolute): modifiers
        0x95, 0x01,  //   Report Count (1)
        0x75, 0x08,  //   Report Size (8)
        0x81, 0x01,  //   Input (Constant): reserved byte
        0x95, 0x05,  //   Report Count (5)
        0x75, 0x01,  //   Report Size (1)
        0x05, 0x08,  //   Usage Page (LEDs)
        0x19, 0x01,  //   Usage Minimum (Num Lock)
        0x29, 0x05,  //   Usage Maximum (Kana)
        0x91, 0x02,  //   Output (Data, Variable, Absolute)
        0x95, 0x01,  //   Report Count (1)
        0x75, 0x03,  //   Report Size (3)
        0x91, 0x01,  //   Output (Constant): padding
        0x95, 0x06,  //   Report Count (6)
        0x75, 0x08,  //   Report Size (8)
        0x15, 0x00,  //   Logical Minimum (0)
        0x25, 0x65,  //   Logical Maximum (101)
        0x05, 0x07,  //   Usage Page (Keyboard)
        0x19, 0x00,  //   Usage Minimum (0)
        0x29, 0x65,  //   Usage Maximum (101)
        0x81, 0x00,  //   Input (Data, Array): the keys
        0xC0,        // End Collection
    };
    return descriptor;
}

}  // namespace zrflash::sim::uhid
