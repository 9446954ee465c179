// The texts of the main window's boxes, the same in both windows.

#include "app/WindowTexts.h"

#include <gtest/gtest.h>

#include <string>

namespace brenvik::app {
namespace {

FileWarnings NumberedWarnings(const std::string& path, int count) {
  FileWarnings warnings;
  for (int line = 3; line < 3 + count; ++line) {
    warnings.push_back(path + ":" + std::to_string(line) + ": field 6 (tailText) is long");
  }
  return warnings;
}

struct WarningsCase {
  const char* what;
  FileWarnings warnings;
  std::string box;
};

// "\nline 3: ..." up to the given line, as the box shows numbered warnings.
std::string LineTexts(int lastLine) {
  std::string text;
  for (int line = 3; line <= lastLine; ++line) {
    text += "\nline " + std::to_string(line) + ": field 6 (tailText) is long";
  }
  return text;
}

TEST(WindowTextsTest, WarningsBoxNamesTheFileOnceAndShowsTheFirstTwentyByLine) {
  const std::string path = "C:/data/Ωmega-db.csv";
  const WarningsCase cases[] = {
      {"none: no box", {}, ""},
      {"one", NumberedWarnings(path, 1),
       path + " was read with 1 warning:\nline 3: field 6 (tailText) is long"},
      {"one that names another file stays whole",
       {"other.csv:1: field 2 (setting 1) is odd"},
       path + " was read with 1 warning:\nother.csv:1: field 2 (setting 1) is odd"},
      {"one of the whole file",
       {path + ": 40 of 60 text fields start with a double quote"},
       path + " was read with 1 warning:\n40 of 60 text fields start with a double quote"},
      {"twenty: all of them", NumberedWarnings(path, 20),
       path + " was read with 20 warnings:" + LineTexts(22)},
      {"twenty-two: two left out", NumberedWarnings(path, 22),
       path + " was read with 22 warnings:" + LineTexts(22) + "\nand 2 more"},
  };
  for (const WarningsCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(WarningsBoxText(path, c.warnings), c.box);
  }
}

TEST(WindowTextsTest, BoxTextsAndFileFilters) {
  EXPECT_EQ(ConnectFailedText("COM0 is not a port"),
            "Failed connecting to COM port.\nCOM0 is not a port");
  EXPECT_EQ(PortWentAwayText("COM5 hung up"), "The port went away: COM5 hung up");
  EXPECT_STREQ(FileFilterFor(DownloadKind::Db).name, "DB files");
  EXPECT_STREQ(FileFilterFor(DownloadKind::Db).pattern, "*db*.csv");
  EXPECT_STREQ(FileFilterFor(DownloadKind::Mmi).name, "MMI files");
  EXPECT_STREQ(FileFilterFor(DownloadKind::Mmi).pattern, "*mmi*.csv");
}

}  // namespace
}  // namespace brenvik::app
