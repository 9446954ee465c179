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

TEST(PortListLine, DriverAndLatencyTimerCloseTheLine) {
  PortInfo ftdi;
  ftdi.driver = "ftdi_sio";
  ftdi.latencyTimerMs = 16;
  PortInfo acm;
  acm.driver = "cdc_acm";
  EXPECT_EQ(DriverColumns(ftdi), "\tftdi_sio\t16 ms");
  EXPECT_EQ(DriverColumns(acm), "\tcdc_acm\t-");
  EXPECT_EQ(DriverColumns(PortInfo{}), "\t-\t-");
}

TEST(PortListLine, LatencyTimerAboveTwoMillisecondsIsPointedOut) {
  EXPECT_EQ(LatencyTimerWarning("/dev/ttyUSB0", std::nullopt), "");
  EXPECT_EQ(LatencyTimerWarning("/dev/ttyUSB0", 2), "");
#ifdef _WIN32
  EXPECT_EQ(LatencyTimerWarning("\\\\.\\COM5", 16),
            "COM5: the adapter's latency timer is 16 ms, so every answer may wait that long; "
            "set it to 1 ms in Device Manager: the port's Properties, Port Settings, Advanced, "
            "Latency Timer");
#else
  EXPECT_EQ(LatencyTimerWarning("/dev/ttyUSB0", 3),
            "/dev/ttyUSB0: the adapter's latency timer is 3 ms, so every answer may wait that "
            "long; set it to 1 ms as root: echo 1 > /sys/bus/usb-serial/devices/ttyUSB0/"
            "latency_timer");
#endif
}

}  // namespace
}  // namespace brenvik::load
