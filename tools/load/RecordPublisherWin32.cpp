// The publisher on Windows: this build has no MQTT client, so --publish is
// refused at the start rather than quietly sending nothing.
#include "tools/load/RecordPublisher.h"

namespace brenvik::load {

struct RecordPublisher::Sender {};

std::string PublishUnavailableReason() {
  return "--publish is not available in this Windows build: it has no MQTT client library; "
         "publish from a Linux station, or collect the --log files";
}

RecordPublisher::RecordPublisher(BrokerAddress broker, std::string password,
                                 std::function<void(const std::string&)> warn)
    : broker_(std::move(broker)), password_(std::move(password)), warn_(std::move(warn)) {}

RecordPublisher::~RecordPublisher() = default;

Result<> RecordPublisher::Start(const std::string&) { return Error{PublishUnavailableReason()}; }

std::size_t RecordPublisher::Finish(std::chrono::milliseconds) { return 0; }

}  // namespace brenvik::load
