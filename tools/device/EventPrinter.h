#pragma once

#include <string>

#include "tools/device/AnsweringDevice.h"
#include "tools/device/DeviceFileWriter.h"
#include "tools/device/DeviceOptions.h"

namespace brenvik::device {

// brenvik-device's output while it answers: a line on standard output for
// each event (none with --quiet), and the files --db-out and --mmi-out ask
// for, written from what `device` has received when a database is complete
// or MMI settings have arrived. Set as the device's observer; both references
// must outlive the answering.
class EventPrinter {
 public:
  EventPrinter(const DeviceOptions& options, const AnsweringDevice& device)
      : options_(options), device_(device) {}

  void operator()(const DeviceEvent& event) const;

 private:
  void Say(const std::string& line) const;
  // "wrote PATH", or the cause on standard error.
  void Report(const Result<>& result, const std::string& path) const;

  const DeviceOptions& options_;
  const AnsweringDevice& device_;
};

}  // namespace brenvik::device
