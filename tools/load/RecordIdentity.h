#pragma once

#include <array>
#include <string>
#include <vector>

#include "serial/PortList.h"

namespace brenvik::load {

// A random UUID (version 4) from the system's random source (Linux:
// getrandom; Windows: BCryptGenRandom), in lowercase: a record's `id`, a
// run's `run`.
std::string RandomUuid();

// The 16 bytes as a version 4 UUID: the version and variant bits set,
// "xxxxxxxx-xxxx-4xxx-[89ab]xxx-xxxxxxxxxxxx".
std::string UuidV4Text(std::array<unsigned char, 16> bytes);

// This machine's name, the default station; UTF-8, empty when unknown.
std::string HostName();

// The serial number of the USB adapter behind the port the log names
// `logName` ("/dev/ttyUSB0", "COM3"), as the port list has it (Linux: the
// sysfs `serial` attribute of the USB device above the tty); empty when the
// system does not know it.
std::string AdapterSerial(const std::vector<PortInfo>& ports, const std::string& logName);

}  // namespace brenvik::load
