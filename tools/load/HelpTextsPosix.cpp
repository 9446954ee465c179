#include "tools/load/HelpTexts.h"

namespace brenvik::load {

const HelpTexts& SystemHelpTexts() {
  static const HelpTexts texts{
      "PORT is COMn (COM1 is /dev/ttyS0, COM3 is /dev/ttyS2), the path of a\n"
      "serial device (/dev/ttyUSB0, or the pseudo-terminal that brenvik-device\n"
      "prints), or an adapter's stable name from /dev/serial/by-id, as a full\n"
      "path or the bare name (usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0); that\n"
      "name stays the same when the adapter comes back as another ttyUSB.\n",
      "--port needs a port: COMn, a device path or a by-id name",
      "                         exit: path, by-id name, description, USB VID:PID,\n"
      "                         serial number, driver, the adapter's latency timer,\n"
      "                         separated by tabs, \"-\" where unknown\n",
      "Ctrl-C (SIGINT), SIGTERM, SIGHUP and SIGQUIT (Ctrl-\\) stop the running\n"
      "downloads and release the ports.\n",
      "  A production line, with PORT an adapter's /dev/serial/by-id name: both\n"
      "  files into device after device, each download logged:\n"
      "    brenvik-load -p \"$PORT\" -d db.csv -m mmi.csv --log loads.jsonl --repeat\n",
  };
  return texts;
}

}  // namespace brenvik::load
