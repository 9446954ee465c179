#include "tools/load/LoadLog.h"

#include <gtest/gtest.h>

#include <array>
#include <ctime>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>

#include "res/Version.h"
#include "tools/load/RecordIdentity.h"

namespace brenvik::load {
namespace {

TEST(LoadLog, TimeCarriesTheZonesOffsetInHoursAndMinutes) {
  struct Case {
    long offsetSeconds;
    const char* text;
  };
  const Case cases[] = {
      {0, "2026-12-07T14:50:03+00:00"},      {3600, "2026-12-07T14:50:03+01:00"},
      {-12600, "2026-12-07T14:50:03-03:30"}, {20700, "2026-12-07T14:50:03+05:45"},
      {-36000, "2026-12-07T14:50:03-10:00"},
  };
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 7;
  local.tm_hour = 14;
  local.tm_min = 50;
  local.tm_sec = 3;
  for (const Case& c : cases) EXPECT_EQ(FormatIso8601(local, c.offsetSeconds), c.text);
}

// The local time less its offset is UTC, whatever the zone the test runs in.
TEST(LoadLog, LocalTimeLessItsOffsetIsUtc) {
  const std::time_t when = 1796655003;  // 2026-12-07T14:50:03Z
  const std::string local = LocalTimeIso8601(when);
  ASSERT_EQ(local.size(), 25u) << local;
  std::tm fields{};
  fields.tm_year = std::stoi(local.substr(0, 4)) - 1900;
  fields.tm_mon = std::stoi(local.substr(5, 2)) - 1;
  fields.tm_mday = std::stoi(local.substr(8, 2));
  fields.tm_hour = std::stoi(local.substr(11, 2));
  fields.tm_min = std::stoi(local.substr(14, 2));
  fields.tm_sec = std::stoi(local.substr(17, 2));
  const int sign = local[19] == '-' ? -1 : 1;
  const long offset =
      sign * (std::stol(local.substr(20, 2)) * 3600 + std::stol(local.substr(23, 2)) * 60);
  // Days since the epoch of the civil date, without the zone-bound mktime.
  const long y = fields.tm_year + 1900 - (fields.tm_mon < 2 ? 1 : 0);
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy =
      (153 * (fields.tm_mon + (fields.tm_mon < 2 ? 10 : -2)) + 2) / 5 + fields.tm_mday - 1;
  const long days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
  const long seconds =
      days * 86400 + long{fields.tm_hour} * 3600 + long{fields.tm_min} * 60 + fields.tm_sec;
  EXPECT_EQ(seconds - offset, static_cast<long>(when)) << local;
}

// A name that is not UTF-8 keeps its exact bytes in file_hex; others get none.
TEST(LoadLog, FileNameThatIsNotUtf8IsAlsoLoggedAsHex) {
  struct Case {
    std::string file;
    std::string logged;
    std::string hex;  // empty: no file_hex
  };
  const Case cases[] = {
      {"/data/db.csv", "/data/db.csv", ""},
      {"/data/caf\xc3\xa9.csv", "/data/caf\xc3\xa9.csv", ""},
      {"caf\xe9.csv", "caf\xef\xbf\xbd.csv", "636166e92e637376"},
      {"\xce.csv", "\xef\xbf\xbd.csv", "ce2e637376"},
  };
  for (const Case& c : cases) {
    LoadRecord record;
    record.file = c.file;
    const std::string line = RecordLine(record);
    ASSERT_EQ(line.back(), '\n');
    const nlohmann::json json = nlohmann::json::parse(line);
    EXPECT_EQ(json["file"], c.logged) << line;
    EXPECT_EQ(json.contains("file_hex"), !c.hex.empty()) << line;
    EXPECT_EQ(json.value("file_hex", ""), c.hex) << line;
  }
}

// Where a record came from: null stands for what the run does not know.
TEST(LoadLog, RecordNamesItsRunStationOperatorJobDeviceAndAdapter) {
  const std::string head = R"("status":"","exit_code":0,"seconds":0.0,"version":")" +
                           std::string(kVersion) + R"(","id":"i","run":"r","station":"s",)";
  struct Case {
    std::string operatorName, jobName, adapterSerial;
    std::string tail;
  };
  const Case cases[] = {
      {"", "", "", R"("operator":null,"job":null,"device":2,"adapter_serial":null})"},
      {"ana", "line 4", "A10K3XYZ",
       R"("operator":"ana","job":{"name":"line 4","sha256":"ab"},"device":2,)"
       R"("adapter_serial":"A10K3XYZ"})"},
  };
  for (const Case& c : cases) {
    LoadRecord record;
    record.id = "i";
    record.run = "r";
    record.station = "s";
    record.device = 2;
    record.operatorName = c.operatorName;
    record.jobName = c.jobName;
    record.jobSha256 = "ab";
    record.adapterSerial = c.adapterSerial;
    const std::string line = RecordLine(record);
    EXPECT_EQ(line.substr(line.find(R"("status")")), head + c.tail + "\n");
  }
}

TEST(RecordIdentity, UuidIsVersionFourWithItsVariantAndNewEachTime) {
  std::array<unsigned char, 16> bytes{};
  bytes.fill(0xff);
  EXPECT_EQ(UuidV4Text(bytes), "ffffffff-ffff-4fff-bfff-ffffffffffff");
  bytes.fill(0x00);
  EXPECT_EQ(UuidV4Text(bytes), "00000000-0000-4000-8000-000000000000");
  const std::string first = RandomUuid();
  EXPECT_TRUE(std::regex_match(
      first, std::regex("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")))
      << first;
  EXPECT_NE(RandomUuid(), first);
}

}  // namespace
}  // namespace brenvik::load
