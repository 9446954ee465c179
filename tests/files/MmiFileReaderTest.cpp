#include "files/MmiFileReader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "RecordingConsole.h"
#include "TempDir.h"

namespace brenvik {
namespace {

using BlockBytes = std::array<uint8_t, sizeof(MmiBlock)>;

BlockBytes BytesOf(const MmiBlock& block) {
  BlockBytes bytes;
  std::memcpy(bytes.data(), &block, sizeof block);
  return bytes;
}

// An expected block image put together at the offsets the MMI frame carries.
BlockBytes Image(std::array<uint8_t, 5> settings, std::string_view longText,
                 std::string_view shortText1, std::string_view shortText2) {
  BlockBytes bytes{};
  std::memcpy(bytes.data() + 1, settings.data(), settings.size());
  std::memcpy(bytes.data() + 6, longText.data(), longText.size());
  std::memcpy(bytes.data() + 87, shortText1.data(), shortText1.size());
  std::memcpy(bytes.data() + 108, shortText2.data(), shortText2.size());
  return bytes;
}

const std::string kSettingLines = "s1,1\ns2,0\ns3,5\ns4,2\ns5,9\n";

class MmiFileReader : public testing::Test {
 protected:
  void FillWithPattern() { std::memset(static_cast<void*>(&block), 0x5A, sizeof block); }

  Result<FileWarnings> ReadContent(std::string_view content, std::string* path = nullptr) {
    const std::string file = dir.Write("test-mmi.csv", content);
    if (path != nullptr) {
      *path = file;
    }
    return Read(file);
  }

  // The console keeps what this read said.
  Result<FileWarnings> Read(const std::string& path) {
    console.Clear();
    return ReadMmiFile(block, path.c_str(), console);
  }

  MmiBlock block;
  test::RecordingConsole console;
  test::TempDir dir;
};

TEST_F(MmiFileReader, ExampleFileReadsToTheExactBlockImage) {
  FillWithPattern();
  const std::string path = test::TestDataDir() + "example-mmi.csv";
  const Result<FileWarnings> result = Read(path);
  EXPECT_EQ(console.err, "");
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_TRUE(result->empty());
  EXPECT_EQ(BytesOf(block), Image({1, 0, 5, 2, 9}, "FIRST TEXT", "SECOND TEXT", "THIRD TEXT"));
}

TEST_F(MmiFileReader, SampleFileReadsWithoutWarningsAndWithoutNewlinesInItsTexts) {
  const std::string path = test::TestDataDir() + "sample-mmi.csv";
  const Result<FileWarnings> result = ReadMmiFile(block, path.c_str());
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_TRUE(result->empty());
  EXPECT_EQ(block.reserved, 0);
  for (uint8_t setting : block.settings) {
    EXPECT_LE(setting, 9);
  }
  EXPECT_EQ(std::strchr(block.longText, '\n'), nullptr);
  EXPECT_EQ(std::strchr(block.shortText1, '\n'), nullptr);
  EXPECT_EQ(std::strchr(block.shortText2, '\n'), nullptr);
  EXPECT_GT(std::strlen(block.shortText2), 0u);
}

TEST_F(MmiFileReader, SettingIsTheFirstCharacterOfItsValueMinusDigitZero) {
  struct Case {
    const char* line;
    uint8_t setting;
  };
  const Case cases[] = {
      {"s1,7\n", 7},   {"s1,12\n", 1},      {"s1,A\n", 17},         {"s1, 5\n", 240},
      {"s1,\n", 218},  {"s1,\r\n", 218},    {"s1,,,3,4\n", 3},      {",s1,4\n", 4},
      {"s1,0,9\n", 0}, {"s1,\"5\"\n", 242}, {"s1,\xC3\xA9\n", 147}, {"s1,0\n", 0},
      {"s1,9\n", 9},   {"s1,/\n", 255},     {"s1,:\n", 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const Result<FileWarnings> result =
        ReadContent(std::string(c.line) + "s2,0\ns3,0\ns4,0\ns5,0\nt1,A,\nt2,B,\nt3,C,\n");
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(block.settings[0], c.setting);
  }
}

TEST_F(MmiFileReader, TextsAreStoredByteForByte) {
  struct Case {
    const char* name;
    std::string textLines;
    BlockBytes expected;
  };
  const std::array<uint8_t, 5> settings = {1, 0, 5, 2, 9};
  const Case cases[] = {
      {"a value that ends its line keeps the newline", "t1,ABC\nt2,DEF\nt3,GHI\n",
       Image(settings, "ABC\n", "DEF\n", "GHI\n")},
      {"CR LF stores no carriage return", "t1,ABC\r\nt2,DEF,\r\nt3,GHI\r\n",
       Image(settings, "ABC\n", "DEF", "GHI\n")},
      {"last line without newline", "t1,A,\nt2,B,\nt3,C", Image(settings, "A", "B", "C")},
      {"label, comma, newline stores the newline alone", "t1,\nt2,\nt3,\n",
       Image(settings, "\n", "\n", "\n")},
      {"quotes and blanks are kept, a quoted comma separates", "t1, \"A, B\" ,\nt2,x\"y,\nt3,z,\n",
       Image(settings, " \"A", "x\"y", "z")},
      {"texts filling their fields exactly",
       "t1," + std::string(80, 'L') + ",\nt2," + std::string(20, 'S') + ",\nt3," +
           std::string(22, 'T') + ",\n",
       Image(settings, std::string(80, 'L'), std::string(20, 'S'), std::string(22, 'T'))},
      {"lines after the eighth are not read",
       "t1,A,\nt2,B,\nt3,C,\n" + std::string(300, 'x') + "\n" + std::string("n\0l,1\n", 6),
       Image(settings, "A", "B", "C")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FillWithPattern();
    const Result<FileWarnings> result = ReadContent(kSettingLines + c.textLines);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(BytesOf(block), c.expected);
  }
}

TEST_F(MmiFileReader, SecondReadClearsEveryByteTheFirstSet) {
  ASSERT_TRUE(ReadContent("a,9\nb,9\nc,9\nd,9\ne,9\nt1," + std::string(80, 'L') + ",\nt2," +
                          std::string(20, 'S') + ",\nt3," + std::string(22, 'T') + ",\n")
                  .ok());
  const Result<FileWarnings> result = ReadContent("a,1\nb,2\nc,3\nd,4\ne,5\nt1,x,\nt2,y,\nt3,z,\n");
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_EQ(BytesOf(block), Image({1, 2, 3, 4, 5}, "x", "y", "z"));
}

TEST_F(MmiFileReader, WarningsSayWhereTheDeviceGetsOtherThanTheFileHolds) {
  struct Case {
    std::string content;
    BlockBytes expected;
    std::vector<std::string> warnings;  // behind the path
  };
  const std::array<uint8_t, 5> settings = {1, 0, 5, 2, 9};
  const std::string t20(20, 'T');
  const auto shortText2 = [&](const std::string& value) {
    return kSettingLines + "t1,A,\nt2,B,\nt3," + value + ",\n";
  };
  const auto firstSetting = [](const std::string& value) {
    return "s1," + value + "\ns2,0\ns3,5\ns4,2\ns5,9\nt1,A,\nt2,B,\nt3,C,\n";
  };
  const Case cases[] = {
      {kSettingLines + "t1," + std::string(85, 'L') + ",\nt2,B,\nt3,C,\n",
       Image(settings, std::string(80, 'L'), "B", "C"),
       {":6: field 2 (longText) has 85 characters, cut to 80: the device gets \"" +
        std::string(80, 'L') + "\""}},
      {kSettingLines + "t1," + std::string(80, 'L') + ",\nt2,B,\nt3,C,\n",
       Image(settings, std::string(80, 'L'), "B", "C"),
       {}},
      {kSettingLines + "t1," + std::string(81, 'L') + ",\nt2,B,\nt3,C,\n",
       Image(settings, std::string(80, 'L'), "B", "C"),
       {":6: field 2 (longText) has 81 characters, cut to 80: the device gets \"" +
        std::string(80, 'L') + "\""}},
      {kSettingLines + "t1,A,\nt2," + std::string(20, 'S') + ",\nt3,C,\n",
       Image(settings, "A", std::string(20, 'S'), "C"),
       {}},
      {kSettingLines + "t1,A,\nt2," + std::string(21, 'S') + ",\nt3,C,\n",
       Image(settings, "A", std::string(20, 'S'), "C"),
       {":7: field 2 (shortText1) has 21 characters, cut to 20: the device gets \"" +
        std::string(20, 'S') + "\""}},
      {shortText2(t20), Image(settings, "A", "B", t20), {}},
      {shortText2(t20 + "U"),
       Image(settings, "A", "B", t20 + "U"),
       {":8: field 2 (shortText2) has 21 characters, more than the 20 that reach the device "
        "whole: it gets \"" +
        t20 + "U\" without its terminating zero"}},
      {shortText2(t20 + "UV"),
       Image(settings, "A", "B", t20 + "UV"),
       {":8: field 2 (shortText2) has 22 characters, more than the 20 that reach the device "
        "whole: it gets \"" +
        t20 + "U\" without its terminating zero"}},
      {shortText2(t20 + "UVW"),
       Image(settings, "A", "B", t20 + "UV"),
       {":8: field 2 (shortText2) has 23 characters, more than the 20 that reach the device "
        "whole: it gets \"" +
        t20 + "U\" without its terminating zero"}},
      {kSettingLines + "t1,ABC\nt2,\"B, C\",\nt3,C,\n",
       Image(settings, "ABC\n", "\"B", "C"),
       {":6: field 2 (longText) is the last field of its line and keeps the line end: the device "
        "gets \"ABC\\n\"",
        ":7: field 2 (shortText1) is the start of the cell \"B, C\" as the spreadsheet wrote it, "
        "quoted for its comma; quotes are ordinary characters here, so the cell was split at its "
        "comma: the device gets \"\"B\" and the rest is not read"}},
      {kSettingLines + "t1,\"A\",\nt2,\"B\",\nt3,C,\n",
       Image(settings, "\"A\"", "\"B\"", "C"),
       {": 2 of 3 text fields start with a double quote: the file was saved with every text "
        "quoted, and the quotes reach the device as part of each text; save it again without "
        "quoting text cells"}},
      {kSettingLines + "t1,1.00E+05,\nt2,2026-04-03,\nt3,C,\n",
       Image(settings, "1.00E+05", "2026-04-03", "C"),
       {":6: field 2 (longText) is \"1.00E+05\", a number as a spreadsheet writes it: the "
        "spreadsheet turned the cell into a number; format the column as Text before typing, or "
        "start the cell with an apostrophe",
        ":7: field 2 (shortText1) is \"2026-04-03\", a date as a spreadsheet writes it, in a field "
        "that holds no date on most other lines: the spreadsheet turned the cell into a date; "
        "format the column as Text before typing, or start the cell with an apostrophe"}},
      {firstSetting("12"),
       Image({1, 0, 5, 2, 9}, "A", "B", "C"),
       {":1: field 2 (setting 1) \"12\" is not a single digit: the device gets 1"}},
      {firstSetting("A"),
       Image({17, 0, 5, 2, 9}, "A", "B", "C"),
       {":1: field 2 (setting 1) \"A\" is not a single digit: the device gets 17"}},
      {firstSetting("/"),
       Image({255, 0, 5, 2, 9}, "A", "B", "C"),
       {":1: field 2 (setting 1) \"/\" is not a single digit: the device gets 255"}},
      {firstSetting(":"),
       Image({10, 0, 5, 2, 9}, "A", "B", "C"),
       {":1: field 2 (setting 1) \":\" is not a single digit: the device gets 10"}},
      {firstSetting(""),
       Image({218, 0, 5, 2, 9}, "A", "B", "C"),
       {":1: field 2 (setting 1) is empty: the device gets 218"}},
      {"\xEF\xBB\xBF" + kSettingLines + "t1,A,\nt2,B,\nt3,C,\n",
       Image(settings, "A", "B", "C"),
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    FillWithPattern();
    std::string path;
    const Result<FileWarnings> result = ReadContent(c.content, &path);
    const std::string err = console.err;
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(BytesOf(block), c.expected);
    test::ExpectWarnings(*result, err, path, c.warnings);
  }
}

TEST_F(MmiFileReader, RejectedFileLeavesTheBlockUntouched) {
  const std::string texts = "t1,A,\nt2,B,\nt3,C,\n";
  struct Case {
    const char* name;
    std::string content;
    std::string error;  // after the path
  };
  const Case cases[] = {
      {"empty file", "", ":1: file ends after 0 of 8 lines"},
      {"seven lines", kSettingLines + "t1,A,\nt2,B,\n", ":8: file ends after 7 of 8 lines"},
      {"setting line without a comma", "s1\n" + kSettingLines.substr(5) + texts,
       ":1: line has no value field"},
      {"last line of commas after its label", kSettingLines + "t1,A,\nt2,B,\nt3,,,",
       ":8: line has no value field"},
      {"blank line", kSettingLines + "\nt2,B,\nt3,C,\n", ":6: line has no value field"},
      {"last line ends in its comma without newline", kSettingLines + "t1,A,\nt2,B,\nt3,",
       ":8: line has no value field"},
      {"line of 100 characters", kSettingLines + "t1," + std::string(96, 'x') + "\nt2,B,\nt3,C,\n",
       ":6: line longer than 99 characters"},
      {"CR alone ends no line", "s1,1\rs2,0\rs3,5\rs4,2\rs5,9\rt1," + std::string(80, 'x') + "\r",
       ":1: line longer than 99 characters"},
      {"NUL byte in a line", kSettingLines + std::string("t1,A\0B,\n", 8) + "t2,B,\nt3,C,\n",
       ":6: NUL byte in line"},
      {"good lines, then a bad text with a cut one before it",
       kSettingLines + "t1," + std::string(90, 'L') + ",\nt2,B,\nt3\n",
       ":8: line has no value field"},
      {"saved with semicolons", "contrast;4\n",
       ":1: line has no value field: the file is "
       "separated by semicolons, not commas; save it as CSV with the comma as field delimiter"},
      {"saved as UTF-16",
       std::string("\xFF\xFE"
                   "c\0,\0",
                   6),
       ":1: the file is UTF-16 (it starts with FF FE): save it again as CSV in UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FillWithPattern();
    const MmiBlock before = block;
    std::string path;
    const Result<FileWarnings> result = ReadContent(c.content, &path);
    const std::string err = console.err;
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error(), path + c.error);
    EXPECT_EQ(err, "");
    EXPECT_EQ(std::memcmp(&block, &before, sizeof block), 0);
  }
}

TEST_F(MmiFileReader, LineOf99CharactersWithItsNewlineIsAccepted) {
  const std::string line = "s1,7" + std::string(94, 'x') + "\r\n";  // 99 once the CR is dropped
  const Result<FileWarnings> result =
      ReadContent(line + kSettingLines.substr(5) + "t1,A,\nt2,B,\nt3,C,\n");
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_EQ(block.settings[0], 7);
}

TEST_F(MmiFileReader, MissingFileIsReportedPerrorStyleAndLeavesTheBlockUntouched) {
  FillWithPattern();
  const MmiBlock before = block;
  const std::string path = dir.Path("no-such-mmi.csv");
  const Result<FileWarnings> result = Read(path);
  EXPECT_EQ(console.err, "Error opening file: No such file or directory\n");
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.error(), path + ": Error opening file: No such file or directory");
  EXPECT_EQ(std::memcmp(&block, &before, sizeof block), 0);
}

TEST_F(MmiFileReader, DirectoryIsNotARegularFile) {
  FillWithPattern();
  const MmiBlock before = block;
  const std::string path = dir.Path("");
  const Result<FileWarnings> result = ReadMmiFile(block, path.c_str());
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.error(), path + ": not a regular file");
  EXPECT_EQ(std::memcmp(&block, &before, sizeof block), 0);
}

}  // namespace
}  // namespace brenvik
