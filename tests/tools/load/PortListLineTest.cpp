#include "tools/load/PortListLine.h"

#include <gtest/gtest.h>

namespace brenvik::load {
namespace {

TEST(PortListLine, UsbIdsAreFourHexDigitsEachOrADash) {
  PortInfo usb;
  usb.usbVendorId = 0x0403;
  usb.usbProductId = 0x6001;
  PortInfo vendorOnly;
  vendorOnly.usbVendorId = 0x10c4;
  EXPECT_EQ(UsbIdsColumn(usb), "0403:6001");
  EXPECT_EQ(UsbIdsColumn(vendorOnly), "-");
  EXPECT_EQ(UsbIdsColumn(PortInfo{}), "-");
}

TEST(PortListLine, AColumnNotKnownIsADash) {
  EXPECT_EQ(OrDash(""), "-");
  EXPECT_EQ(OrDash("FT232R USB UART"), "FT232R USB UART");
}

}  // namespace
}  // namespace brenvik::load
