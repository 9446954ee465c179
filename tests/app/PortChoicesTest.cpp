// The port list of the main window and what Connect opens from it.

#include "app/PortChoices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brenvik::app {
namespace {

TEST(PortChoicesTest, ComNamesRunFromCom1ToCom48) {
  EXPECT_EQ(kComPortCount, 48);
  EXPECT_EQ(ComPortName(0), "COM1");
  EXPECT_EQ(ComPortName(2), "COM3");
  EXPECT_EQ(ComPortName(47), "COM48");
}

struct OpenCase {
  const char* what;
  int index;
  std::string text;
  std::string opened;
};

TEST(PortChoicesTest, ConnectOpensAListedPortsPathElseTheTextAsGiven) {
  PortInfo adapter;
  adapter.path = "/dev/ttyUSB0";
  adapter.product = "FT232R USB UART";
  adapter.serialNumber = "A10K3XYZ";
  PortInfo plain;
  plain.path = "/dev/ttyS4";
  const std::vector<PortChoice> present = PresentPortChoices({adapter, plain});
  ASSERT_EQ(present.size(), 2u);
  EXPECT_EQ(present[0], (PortChoice{PortLabel(adapter), "/dev/ttyUSB0"}));
  EXPECT_EQ(present[1], (PortChoice{PortLabel(plain), "/dev/ttyS4"}));
  // A port given to the window (--port) is listed last unless it is already.
  EXPECT_EQ(PresentPortChoices({plain}, "/dev/pts/3").back(),
            (PortChoice{"/dev/pts/3", "/dev/pts/3"}));
  EXPECT_EQ(PresentPortChoices({plain}, "COM48").size(), 1u);

  const OpenCase cases[] = {
      {"a COM name", 2, "COM3", "COM3"},
      {"the first port present", 48, present[0].label, "/dev/ttyUSB0"},
      {"the second port present", 49, present[1].label, "/dev/ttyS4"},
      {"a listed port's text edited", 48, present[0].label + "x", present[0].label + "x"},
      {"typed, nothing chosen", -1, "/dev/pts/3", "/dev/pts/3"},
      {"an index past the list", 50, present[1].label, present[1].label},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PortToOpen(c.index, c.text, present), c.opened);
  }
}

}  // namespace
}  // namespace brenvik::app
