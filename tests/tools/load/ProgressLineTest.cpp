// The loader's progress line and its estimate of the rate and the time left,
// on a clock that is only told the time.

#include "tools/load/ProgressLine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace brenvik::load {
namespace {

using namespace std::chrono_literals;

struct EstimateCase {
  const char* name;
  std::chrono::milliseconds period;  // from one entry to the next
  int sent;                          // of 3000, when the line is drawn
  const char* line;
};

// The progress shows 1 of 3000 when the first frame is out, then half a
// second passes, then one more entry every period.
TEST(ProgressLine, TimeLeftComesFromTheEntriesAfterTheFirstFrame) {
  const EstimateCase cases[] = {
      {"pseudo-terminal, after half a second: too early", 10ms, 50,
       "DB  [..................................]   1%    50/3000     --/s    --:-- left"},
      {"pseudo-terminal, a third done", 10ms, 1002,
       "DB  [###########.......................]  33%  1002/3000    100/s     0:20 left"},
      {"9600 baud, four entries on: too early", 186ms, 6,
       "DB  [..................................]   0%     6/3000     --/s    --:-- left"},
      {"9600 baud, a hundred entries on", 186ms, 102,
       "DB  [#.................................]   3%   102/3000    5.4/s     8:59 left"},
      {"a slow device: hours", 2000ms, 10,
       "DB  [..................................]   0%    10/3000    0.5/s  1:39:40 left"},
  };
  for (const EstimateCase& c : cases) {
    RateEstimator estimator;
    auto now = RateEstimator::Clock::time_point{};
    estimator.Observe(now, 1);
    now += 500ms;
    for (int sent = 2; sent <= c.sent; ++sent) {
      now += c.period;
      estimator.Observe(now, sent);
    }
    DownloadProgress shown;
    shown.phase = DownloadPhase::Writing;
    shown.sent = c.sent;
    shown.count = 3000;
    EXPECT_EQ(FormatProgressLine(shown, estimator.EstimateAt(now, 3000), 80), c.line) << c.name;
  }
}

// A line that fills the terminal's last column wraps on some terminals.
TEST(ProgressLine, NarrowerLinesLoseTheBarThenTheRateThenTheirEnd) {
  const struct {
    int columns;
    const char* label;
    const char* line;
  } cases[] = {
      {80, "", "DB  [###########.......................]  33%  1002/3000    100/s     0:20 left"},
      {60, "", "DB  [####..........]  33%  1002/3000    100/s     0:20 left"},
      {55, "", "DB   33%  1002/3000    100/s     0:20 left"},
      {45, "", "DB   33%  1002/3000    100/s     0:20 left"},
      {42, "", "DB   33%  1002/3000     0:20 left"},
      {35, "", "DB   33%  1002/3000     0:20 left"},
      {20, "", "DB   33%  1002/3000"},
      {0, "", ""},
      {80, "COM12",
       "COM12 DB  [#########...................]  33%  1002/3000    100/s     0:20 left"},
      {8, "ttyS\xC3\xA9", "ttyS\xC3\xA9 D"},
  };
  DownloadProgress shown;
  shown.phase = DownloadPhase::Writing;
  shown.sent = 1002;
  shown.count = 3000;
  for (const auto& c : cases) {
    EXPECT_EQ(FormatProgressLine(shown, Estimate{100, 20}, c.columns, c.label), c.line)
        << c.columns << " " << c.label;
  }
}

}  // namespace
}  // namespace brenvik::load
