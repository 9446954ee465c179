#include "tools/load/RecordPublisher.h"

#include <gtest/gtest.h>

#include <string>

#include "tools/load/RecordIdentity.h"

namespace brenvik::load {
namespace {

TEST(RecordPublisher, BrokerAddressGivesItsLoginHostPortAndTopic) {
  const struct {
    const char* url;
    const char* got;  // user|host|port|topic|name
  } cases[] = {
      {"mqtt://broker/line", "|broker|1883|line|mqtt://broker:1883"},
      {"mqtt://qa@10.0.0.5:8883/plant/line1", "qa|10.0.0.5|8883|plant/line1|mqtt://10.0.0.5:8883"},
      {"mqtt://a@b@broker:1/t", "a@b|broker|1|t|mqtt://broker:1"},
  };
  for (const auto& c : cases) {
    const Result<BrokerAddress> broker = ParseBrokerAddress(c.url);
    ASSERT_TRUE(broker) << c.url << ": " << broker.error();
    EXPECT_EQ(broker->user + "|" + broker->host + "|" + std::to_string(broker->port) + "|" +
                  broker->topic + "|" + broker->Name(),
              c.got);
  }
}

TEST(RecordPublisher, TopicNamesTheRecordsStationElseThisComputerAndThePortsShortName) {
  const std::string here = HostName();
  const struct {
    std::string line;
    std::string topic;
  } cases[] = {
      {R"({"port":"/dev/ttyUSB0","station":"st-2"})", "line/st-2/ttyUSB0"},
      {R"({"port":"COM3"})", "line/" + here + "/COM3"},
      {R"({"port":"\\\\.\\COM10","station":"a/b"})", "line/" + here + "/COM10"},
      {R"({"port":"/dev/ttyACM#"})", "line/" + here + "/unknown"},
      {"not json", "line/" + here + "/unknown"},
  };
  for (const auto& c : cases) EXPECT_EQ(TopicOf("line", c.line), c.topic) << c.line;
}

}  // namespace
}  // namespace brenvik::load
