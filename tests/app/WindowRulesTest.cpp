// The window's control-state table, checked without a window.

#include "app/WindowRules.h"

#include <gtest/gtest.h>

#include <vector>

namespace brenvik::app {
namespace {

enum class Step { Open, Close, ChooseDb, ChooseMmi, StartDb, StartMmi, WorkerEnds };

void Apply(WindowRules& rules, Step step) {
  switch (step) {
    case Step::Open:
      return rules.PortOpened();
    case Step::Close:
      return rules.PortClosed();
    case Step::ChooseDb:
      return rules.FileChosen(DownloadKind::Db, true);
    case Step::ChooseMmi:
      return rules.FileChosen(DownloadKind::Mmi, true);
    case Step::StartDb:
      return rules.DownloadStarted(DownloadKind::Db);
    case Step::StartMmi:
      return rules.DownloadStarted(DownloadKind::Mmi);
    case Step::WorkerEnds:
      return rules.WorkerEnded();
  }
}

struct Row {
  const char* moment;
  std::vector<Step> steps;
  ControlState controls;
  bool mayStartDb;
  bool mayStartMmi;
};

TEST(WindowRules, ControlStatesFollowTheOperatorAndTheWorker) {
  using S = Step;
  const Row rows[] = {
      {"window shown", {}, {true, false, false, "Connect"}, false, false},
      {"connected, no file", {S::Open}, {false, true, true, "&Disconn..."}, false, false},
      {"connected, both files",
       {S::Open, S::ChooseDb, S::ChooseMmi},
       {false, true, true, "&Disconn..."},
       true,
       true},
      {"DB download running: both wait",
       {S::Open, S::ChooseDb, S::ChooseMmi, S::StartDb},
       {false, false, false, "&Disconn..."},
       false,
       false},
      {"DB download ended: only MMI again",
       {S::Open, S::ChooseDb, S::ChooseMmi, S::StartDb, S::WorkerEnds},
       {false, false, true, "&Disconn..."},
       false,
       true},
      {"MMI download ended: only DB again",
       {S::Open, S::ChooseDb, S::ChooseMmi, S::StartMmi, S::WorkerEnds},
       {false, true, false, "&Disconn..."},
       true,
       false},
      {"disconnected",
       {S::Open, S::ChooseDb, S::StartDb, S::Close},
       {true, false, false, "&Connect"},
       false,
       false},
      {"Disconnect and Connect release a download that ran",
       {S::Open, S::ChooseDb, S::StartDb, S::WorkerEnds, S::Close, S::Open},
       {false, true, true, "&Disconn..."},
       true,
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.moment);
    WindowRules rules;
    for (const Step step : row.steps) Apply(rules, step);
    const ControlState got = rules.Controls();
    EXPECT_EQ(got.portEnabled, row.controls.portEnabled);
    EXPECT_EQ(got.downloadDbEnabled, row.controls.downloadDbEnabled);
    EXPECT_EQ(got.downloadMmiEnabled, row.controls.downloadMmiEnabled);
    EXPECT_STREQ(got.connectCaption, row.controls.connectCaption);
    EXPECT_EQ(rules.MayStartDownload(DownloadKind::Db), row.mayStartDb);
    EXPECT_EQ(rules.MayStartDownload(DownloadKind::Mmi), row.mayStartMmi);
  }
}

}  // namespace
}  // namespace brenvik::app
