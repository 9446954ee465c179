#include "files/ConsoleChannel.h"

namespace brenvik {
namespace {

class Silent final : public ConsoleChannel {
 public:
  void Print(std::string_view /*text*/) override {}
  void TraceFrame(std::span<const uint8_t> /*frame*/) override {}
  void Report(std::string_view /*line*/) override {}
};

}  // namespace

ConsoleChannel& SilentConsole() {
  // Holds no state, so one instance serves every thread.
  static Silent silent;
  return silent;
}

}  // namespace brenvik
