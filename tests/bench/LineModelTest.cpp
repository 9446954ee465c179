#include "bench/LineModel.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace brenvik::bench {
namespace {

// A two-entry DB at 9600 baud (1.0417 ms a byte): the paced first frame's
// ETX is written at 2 + 83 * 5 = 417 ms and is on the wire at 418.04; 500 ms
// later the entry frame's 168 bytes take 175 ms, its answer 1.04 ms more
// before the adapter's timer, and the download ends at the poll that reads it.
struct LineCase {
  const char* name;
  LineSetup setup;
  double expectedMs;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class LineModelTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineModelTest, DownloadEndsAtThePollThatReadsTheAnswer) {
  EXPECT_NEAR(ModelDbDownloadMs(GetParam().setup, 2), GetParam().expectedMs, 0.01);
}

// Wire works: the entry leaves at 918.04, is on the wire at 1093.04, the
// first poll falls at 1103.04. Ends at once: the drains take no time, the
// entry is written at 917 and on the wire at 1092, the polls fall at 927,
// 1027 and 1127.
INSTANTIATE_TEST_SUITE_P(
    TwoEntryDb, LineModelTest,
    ::testing::Values(
        // The ACK reaches the adapter at 1094.08, handed over at 1095.
        LineCase{"WireWorksLatency1AnsweredAtFirstPoll", {9600, true, 1, 0, 0}, 1103.04},
        // Ticks at 1088 and 1104: the first poll misses it by 1 ms.
        LineCase{"WireWorksLatency16PhaseZeroMissesFirstPoll", {9600, true, 16, 0, 0}, 1203.04},
        // Ticks at 8 + 16k: 1096 comes before the first poll.
        LineCase{"WireWorksLatency16PhaseEightMakesFirstPoll", {9600, true, 16, 8, 0}, 1103.04},
        // A device that takes 10 ms answers at 1104.08, after the first poll.
        LineCase{"WireWorksDevice10MissesFirstPoll", {9600, true, 1, 0, 10}, 1203.04},
        // The ACK is there at 1094, read at the third poll.
        LineCase{"WireEndsAtOnceReadAtThirdPoll", {9600, false, 1, 0, 0}, 1127},
        // 1092 + 20 + 1.04 = 1113.04, handed over at 1120: still the third poll.
        LineCase{"WireEndsAtOnceDevice20Latency16ReadAtThirdPoll", {9600, false, 16, 0, 20}, 1127},
        // 1092 + 40 + 1.04 = 1133.04, handed over at 1136: the fourth poll.
        LineCase{"WireEndsAtOnceDevice40ReadAtFourthPoll", {9600, false, 16, 0, 40}, 1227},
        // A pseudo-terminal: no wire time at all, the ACK is there at the first poll.
        LineCase{"NoWireNoLatencyIsTheFloor", {1000000000, true, 0, 0, 0}, 927}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace brenvik::bench
