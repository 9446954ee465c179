#include "tools/load/HelpTexts.h"

namespace brenvik::load {

const HelpTexts& SystemHelpTexts() {
  static const HelpTexts texts{
      "PORT is COMn, the name Device Manager shows under \"Ports (COM & LPT)\"\n"
      "(COM3, COM12), or a device path such as \\\\.\\CNCA0; --list-ports prints\n"
      "the ports present.\n",
      "--port needs a port: COMn or a device path",
      "                         exit: COM name, friendly name, USB VID:PID,\n"
      "                         serial number, driver, the adapter's latency timer,\n"
      "                         separated by tabs, \"-\" where unknown\n",
      "Ctrl-C, Ctrl-Break and closing the console window stop the running\n"
      "downloads and release the ports.\n",
      "  A production line, with the USB adapter on COM5: both files into device\n"
      "  after device, each download logged:\n"
      "    brenvik-load -p COM5 -d db.csv -m mmi.csv --log loads.jsonl --repeat\n",
  };
  return texts;
}

}  // namespace brenvik::load
