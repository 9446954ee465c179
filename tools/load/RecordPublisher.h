#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "base/Result.h"

namespace brenvik::load {

// Where --publish sends the records: mqtt://[USER@]HOST[:PORT]/TOPIC.
struct BrokerAddress {
  std::string user;  // empty: no login
  std::string host;
  int port = 1883;
  std::string topic;  // the records go to TOPIC/STATION/PORT
  // "mqtt://HOST:PORT", as the warnings name the broker.
  std::string Name() const;
};

// The address, or why it is not one ("--publish needs mqtt://[USER@]HOST[:PORT]/TOPIC").
Result<BrokerAddress> ParseBrokerAddress(const std::string& url);

// The password in `path`: its first line, without the line end.
Result<std::string> ReadPasswordFile(const std::string& path);

// Why this build cannot publish; empty when it can.
std::string PublishUnavailableReason();

// The port's short name for the topic: "ttyUSB0" for /dev/ttyUSB0, "COM3"
// for COM3 or \\.\COM3.
std::string TopicPortName(const std::string& port);

// The topic of a log line: TOPIC/STATION/PORT, the station and the port
// taken from the record itself, so that the records of other loaders
// sharing the log go under their own names.
std::string TopicOf(const std::string& topic, const std::string& line);

// Sends the records of a log to an MQTT broker with QoS 1 on a thread of its
// own, following the log as records are appended to it; what the broker has
// not acknowledged waits on disk (WaitingList). A broker that is not there,
// refuses the login, does not acknowledge or goes away costs one warning and
// never holds up the downloads; the records go out, in order, once it is back.
class RecordPublisher {
 public:
  // `warn` gets the warnings, on the publisher's thread.
  RecordPublisher(BrokerAddress broker, std::string password,
                  std::function<void(const std::string&)> warn);
  ~RecordPublisher();
  RecordPublisher(const RecordPublisher&) = delete;
  RecordPublisher& operator=(const RecordPublisher&) = delete;

  // Opens the waiting list beside `logPath` and starts sending; fails when
  // the log cannot be read back or this build has no MQTT client.
  Result<> Start(const std::string& logPath);
  // Waits at most `limit` for the waiting records to be acknowledged, then
  // stops; how many still wait.
  std::size_t Finish(std::chrono::milliseconds limit);

 private:
  struct Sender;
  BrokerAddress broker_;
  std::string password_;
  std::function<void(const std::string&)> warn_;
  std::unique_ptr<Sender> sender_;
};

}  // namespace brenvik::load
