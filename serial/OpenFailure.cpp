#include "serial/OpenFailure.h"

namespace brenvik {

std::string SettingsRefusedCause(const std::string& path) {
  return path +
         ": the port refused the line settings (9600 baud, 8 data bits, no parity, 1 stop bit)";
}

}  // namespace brenvik
