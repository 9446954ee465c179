// brenvik-device: a simulated device for trying the window and the loader
// without hardware. It answers each frame the way the real device does (ACK,
// no answer to the first DB frame) or as told, prints a line per frame and can
// write what it received back out as DB and MMI files. tools/device/ holds
// its parts.

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/StandardDescriptors.h"
#include "serial/SerialPort.h"
#include "tools/StopSignalHandler.h"
#include "tools/device/AnsweringDevice.h"
#include "tools/device/DeviceOptions.h"
#include "tools/device/EventPrinter.h"
#include "tools/device/PortLine.h"
#include "tools/device/PtyDevice.h"
#include "tools/device/PtyLink.h"

namespace {

using brenvik::device::AnsweringDevice;
using brenvik::device::DeviceOptions;
using brenvik::device::EventPrinter;
using brenvik::device::MakePtyLink;
using brenvik::device::RemovePtyLink;

void WaitForStopRequest() {
  while (!brenvik::tools::g_stopRequested)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

void SayStopped(const DeviceOptions& options, const AnsweringDevice& device) {
  if (!options.quiet) std::printf("stopped after %zu frame(s)\n", device.FrameCount());
}

int RunOnPty(const DeviceOptions& options) {
  brenvik::device::PtyDevice device(options.policy, options.pace);
  device.SetObserver(EventPrinter(options, device));
  if (const brenvik::Result<> started = device.Start(); !started) {
    std::fprintf(stderr, "brenvik-device: no pseudo-terminal: %s\n", started.error().c_str());
    return 1;
  }
  const bool linked = !options.linkPath.empty();
  if (linked) {
    if (const brenvik::Result<> made = MakePtyLink(options.linkPath, device.Path()); !made) {
      std::fprintf(stderr, "brenvik-device: %s\n", made.error().c_str());
      return 1;
    }
  }
  std::printf("Device on %s\n", device.Path().c_str());
  WaitForStopRequest();
  // The link goes first: a loader waiting for the port must not open a
  // device that is stopping.
  if (linked) RemovePtyLink(options.linkPath, device.Path());
  device.Stop();
  SayStopped(options, device);
  return 0;
}

int RunOnSerialPort(const DeviceOptions& options) {
  brenvik::SerialPort port;
  // The cause names the device: missing, permission denied, in use by whom.
  if (const brenvik::Result<> opened = port.OpenDevice(options.devicePath); !opened) {
    std::fprintf(stderr, "brenvik-device: %s\n", opened.error().c_str());
    return 1;
  }
  brenvik::device::PortLine line(port);
  AnsweringDevice device(options.policy);
  device.SetObserver(EventPrinter(options, device));
  std::printf("Device on %s\n", options.devicePath.c_str());
  device.StartAnswering(line, "port-device");
  WaitForStopRequest();
  device.Stop();
  port.Close();
  SayStopped(options, device);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!brenvik::GuardStandardDescriptors()) return 1;
  // One line at a time, also into a pipe: scripts wait for the first line.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const brenvik::device::ParsedDeviceOptions parsed =
      brenvik::device::ParseDeviceOptions(argc, argv);
  if (parsed.exitCode) {
    std::fputs(parsed.text.c_str(), *parsed.exitCode == 0 ? stdout : stderr);
    return *parsed.exitCode;
  }
  brenvik::tools::InstallStopHandlers();
  return parsed.options.devicePath.empty() ? RunOnPty(parsed.options)
                                           : RunOnSerialPort(parsed.options);
}
