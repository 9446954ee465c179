#include "tools/load/RecordPublisher.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tools/load/RecordIdentity.h"

namespace brenvik::load {
namespace {

constexpr const char* kForm = "--publish needs mqtt://[USER@]HOST[:PORT]/TOPIC";

// What MQTT keeps out of a topic level: its separator and its wildcards.
bool IsTopicLevel(const std::string& text) {
  return !text.empty() && text.find_first_of("/+#") == std::string::npos;
}

}  // namespace

std::string BrokerAddress::Name() const { return "mqtt://" + host + ":" + std::to_string(port); }

Result<BrokerAddress> ParseBrokerAddress(const std::string& url) {
  constexpr std::string_view kScheme = "mqtt://";
  if (url.rfind(kScheme, 0) != 0) return Error{kForm};
  const std::string rest = url.substr(kScheme.size());
  const std::size_t slash = rest.find('/');
  if (slash == std::string::npos || slash + 1 == rest.size()) return Error{kForm};
  BrokerAddress broker;
  broker.topic = rest.substr(slash + 1);
  if (broker.topic.find_first_of("+#") != std::string::npos || broker.topic.back() == '/') {
    return Error{"--publish: the topic " + broker.topic + " cannot hold + or # or end in /"};
  }
  std::string server = rest.substr(0, slash);
  if (const std::size_t at = server.rfind('@'); at != std::string::npos) {
    broker.user = server.substr(0, at);
    server.erase(0, at + 1);
    if (broker.user.find(':') != std::string::npos) {
      return Error{"--publish takes no password in the address: give --publish-password-file"};
    }
  }
  if (const std::size_t colon = server.rfind(':'); colon != std::string::npos) {
    const std::string port = server.substr(colon + 1);
    char* end = nullptr;
    const long number = std::strtol(port.c_str(), &end, 10);
    if (port.empty() || *end != '\0' || number < 1 || number > 65535) {
      return Error{"--publish: " + port + " is not a port number (1 to 65535)"};
    }
    broker.port = static_cast<int>(number);
    server.erase(colon);
  }
  if (server.empty()) return Error{kForm};
  broker.host = server;
  return broker;
}

Result<std::string> ReadPasswordFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return SystemError("cannot read the password file " + path, errno);
  std::string password;
  std::getline(in, password);
  if (!password.empty() && password.back() == '\r') password.pop_back();
  return password;
}

std::string TopicPortName(const std::string& port) {
  const std::size_t last = port.find_last_of("/\\");
  const std::string name = last == std::string::npos ? port : port.substr(last + 1);
  return IsTopicLevel(name) ? name : "unknown";
}

std::string TopicOf(const std::string& topic, const std::string& line) {
  const nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
  // A record of an older log names no station: it is this computer's.
  std::string station = HostName();
  if (!IsTopicLevel(station)) station = "localhost";
  std::string port;
  if (record.is_object()) {
    if (const auto found = record.find("station");
        found != record.end() && found->is_string() && IsTopicLevel(found->get<std::string>())) {
      station = found->get<std::string>();
    }
    if (const auto found = record.find("port"); found != record.end() && found->is_string()) {
      port = found->get<std::string>();
    }
  }
  return topic + "/" + station + "/" + TopicPortName(port);
}

}  // namespace brenvik::load
