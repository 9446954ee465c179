#include "files/DbFileReader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "NonRegularFiles.h"
#include "RecordingConsole.h"
#include "TempDir.h"

namespace brenvik {
namespace {

using RecordBytes = std::array<uint8_t, sizeof(DbRecord)>;

RecordBytes BytesOf(const DbRecord& record) {
  RecordBytes bytes;
  std::memcpy(bytes.data(), &record, sizeof record);
  return bytes;
}

// An expected record image put together at the offsets the download cuts the
// record at; numbers are little-endian.
struct ImageBuilder {
  RecordBytes bytes{};
  ImageBuilder& Text(std::size_t offset, std::string_view text) {
    std::memcpy(bytes.data() + offset, text.data(), text.size());
    return *this;
  }
  ImageBuilder& Byte(std::size_t offset, uint8_t value) {
    bytes[offset] = value;
    return *this;
  }
  ImageBuilder& Int32(std::size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
      bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    return *this;
  }
};

// The record that a line holding these values should produce.
DbRecord Entry(std::string_view code, uint8_t attribute, std::string_view label,
               std::vector<std::pair<int32_t, std::string_view>> subs, std::string_view tail) {
  DbRecord record{};
  std::memcpy(record.code, code.data(), code.size());
  record.attribute = attribute;
  record.subEntryCount = static_cast<uint8_t>(subs.size());
  std::memcpy(record.label, label.data(), label.size());
  for (std::size_t k = 0; k < subs.size(); ++k) {
    record.subEntries[k].value = subs[k].first;
    std::memcpy(record.subEntries[k].text, subs[k].second.data(), subs[k].second.size());
  }
  std::memcpy(record.tailText, tail.data(), tail.size());
  return record;
}

class DbFileReader : public testing::Test {
 protected:
  // A table that an earlier file filled with something recognisable.
  void FillWithPattern() {
    std::memset(static_cast<void*>(table.get()), 0x5A, sizeof(DbTable));
    table->count = 7;
  }

  // Reads `content` from a temp file; the console keeps what this read said.
  Result<FileWarnings> ReadContent(std::string_view content, std::string* path = nullptr) {
    const std::string file = dir.Write("test-db.csv", content);
    if (path != nullptr) {
      *path = file;
    }
    return Read(file);
  }

  Result<FileWarnings> Read(const std::string& path) {
    console.Clear();
    return ReadDbFile(*table, path.c_str(), console);
  }

  std::unique_ptr<DbTable> table = std::make_unique<DbTable>();
  test::RecordingConsole console;
  test::TempDir dir;
};

TEST_F(DbFileReader, ExampleFileReadsToExactRecordImages) {
  FillWithPattern();
  const std::string path = test::TestDataDir() + "example-db.csv";
  const Result<FileWarnings> result = Read(path);
  const std::string out = console.out;
  const std::string err = console.err;

  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_TRUE(result->empty());
  EXPECT_EQ(out, "Number of Entries = 2\n");
  EXPECT_EQ(err, "");
  EXPECT_EQ(table->count, 2);
  const RecordBytes first = ImageBuilder{}
                                .Text(0, "A100")
                                .Byte(11, 1)
                                .Byte(12, 2)
                                .Text(13, "FIRST ENTRY")
                                .Int32(32, 1)
                                .Text(36, "T1")
                                .Int32(52, 2)
                                .Text(56, "T2")
                                .Text(92, "X1")
                                .bytes;
  const RecordBytes second =
      ImageBuilder{}.Text(0, "B200").Text(13, "SECOND ENTRY").Text(92, "Y2").bytes;
  EXPECT_EQ(BytesOf(table->records[0]), first);
  EXPECT_EQ(BytesOf(table->records[1]), second);
  // Slot 2 keeps what was there before.
  RecordBytes pattern;
  pattern.fill(0x5A);
  EXPECT_EQ(BytesOf(table->records[2]), pattern);
}

TEST_F(DbFileReader, SampleFileHoldsTwentyEntriesWithinTheFieldLimits) {
  const std::string path = test::TestDataDir() + "sample-db.csv";
  const Result<FileWarnings> result = Read(path);
  EXPECT_EQ(console.out, "Number of Entries = 20\n");
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_TRUE(result->empty());
  ASSERT_EQ(table->count, 20);
  bool seenSubEntryCount[kMaxSubEntries + 1] = {};
  for (int i = 0; i < table->count; ++i) {
    const DbRecord& record = table->records[i];
    SCOPED_TRACE("record " + std::to_string(i));
    ASSERT_LE(record.subEntryCount, kMaxSubEntries);
    seenSubEntryCount[record.subEntryCount] = true;
    EXPECT_GT(std::strlen(record.code), 0u);
    EXPECT_LE(std::strlen(record.code), 10u);
    EXPECT_LE(std::strlen(record.label), 16u);
    EXPECT_LE(std::strlen(record.tailText), 4u);
    EXPECT_EQ(std::strchr(record.tailText, '\n'), nullptr);
    for (int k = 0; k < record.subEntryCount; ++k) {
      EXPECT_GE(record.subEntries[k].value, 0);
      EXPECT_LE(record.subEntries[k].value, 255);
      EXPECT_LE(std::strlen(record.subEntries[k].text), 12u);
    }
  }
  for (bool seen : seenSubEntryCount) {
    EXPECT_TRUE(seen) << "the sample should mix 0 to 3 sub-entries";
  }
}

TEST_F(DbFileReader, EntryLineFieldsAreStoredAsTheFileHoldsThem) {
  struct Case {
    const char* name;
    std::string line;
    DbRecord expected;
  };
  const Case cases[] = {
      {"attribute 300 keeps the low 8 bits",  //
       "1,A100,300,0,L,T,0,0\n", Entry("A100", 44, "L", {}, "T")},
      {"attribute -1 keeps the low 8 bits",  //
       "1,A100,-1,0,L,T,0,0\n", Entry("A100", 255, "L", {}, "T")},
      {"attribute 2^31-1, the largest number, keeps the low 8 bits",  //
       "1,A100,2147483647,0,L,T,0,0\n", Entry("A100", 255, "L", {}, "T")},
      {"attribute -2^31, the smallest number, keeps the low 8 bits",  //
       "1,A100,-2147483648,0,L,T,0,0\n", Entry("A100", 0, "L", {}, "T")},
      {"attribute 7x reads 7",  //
       "1,A100,7x,0,L,T,0,0\n", Entry("A100", 7, "L", {}, "T")},
      {"attribute that is a word reads 0",  //
       "1,A100,word,0,L,T,0,0\n", Entry("A100", 0, "L", {}, "T")},
      {"number in quotation marks reads 0",  //
       "1,A100,\"5\",0,L,T,0,0\n", Entry("A100", 0, "L", {}, "T")},
      {"leading blanks and a sign are taken",  //
       "1,A100, +9,0,L,T,0,0\n", Entry("A100", 9, "L", {}, "T")},
      {"empty fields do not count",  //
       "1,,A100,,,1,0,L,T,0,0\n", Entry("A100", 1, "L", {}, "T")},
      {"no sub-entries: tail from field 6",  //
       "1,B200,0,0,SECOND ENTRY,Y2,0,0\n", Entry("B200", 0, "SECOND ENTRY", {}, "Y2")},
      {"two sub-entries: fields 6 to 9, tail from field 10",
       "1,A100,1,2,FIRST ENTRY,1,T1,2,T2,X1,0,0\n",
       Entry("A100", 1, "FIRST ENTRY", {{1, "T1"}, {2, "T2"}}, "X1")},
      {"three sub-entries: tail from field 12", "1,C,2,3,L,10,A,-20,B,70000,C,Z,0,0\n",
       Entry("C", 2, "L", {{10, "A"}, {-20, "B"}, {70000, "C"}}, "Z")},
      {"subEntryCount 259 keeps the low 8 bits, 3", "1,C,2,259,L,1,A,2,B,3,C,Z,0,0\n",
       Entry("C", 2, "L", {{1, "A"}, {2, "B"}, {3, "C"}}, "Z")},
      {"sub-entry value that is a word reads 0",  //
       "1,C,2,1,L,x,A,Z,0,0\n", Entry("C", 2, "L", {{0, "A"}}, "Z")},
      {"sub-entry values at the ends of 32 bits", "1,C,2,2,L,2147483647,A,-2147483648,B,Z,0,0\n",
       Entry("C", 2, "L", {{2147483647, "A"}, {-2147483647 - 1, "B"}}, "Z")},
      {"subEntryCount 256 keeps the low 8 bits, 0",  //
       "1,C,2,256,L,Z,0,0\n", Entry("C", 2, "L", {}, "Z")},
      {"tail that ends its line keeps the newline",  //
       "1,B200,0,0,L,Y2\n", Entry("B200", 0, "L", {}, "Y2\n")},
      {"CR LF stores no carriage return",  //
       "1,B200,0,0,L,Y2\r\n", Entry("B200", 0, "L", {}, "Y2\n")},
      {"last line without newline",  //
       "1,B200,0,0,L,Y2", Entry("B200", 0, "L", {}, "Y2")},
      {"quotation marks are ordinary characters", "1,\"A1\",0,0,\"MY, LABEL\",T\n",
       Entry("\"A1\"", 0, "\"MY", {}, " LABEL\"")},
      {"blanks are kept",  //
       "1, A1 ,0,0, L ,T \n", Entry(" A1 ", 0, " L ", {}, "T \n")},
      {"line of 199 characters once the CR is dropped",
       "1,A,0,0,L,T,0," + std::string(199 - 15, '0') + "\r\n", Entry("A", 0, "L", {}, "T")},
      {"texts filling their fields exactly",
       "1,0123456789,0,1,ABCDEFGHIJKLMNOPQR,5,ABCDEFGHIJKLMNO,1234567,0,0\n",
       Entry("0123456789", 0, "ABCDEFGHIJKLMNOPQR", {{5, "ABCDEFGHIJKLMNO"}}, "1234567")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FillWithPattern();
    const Result<FileWarnings> result = ReadContent("1\nheading\n" + c.line);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(table->count, 1);
    EXPECT_EQ(BytesOf(table->records[0]), BytesOf(c.expected));
  }
}

TEST_F(DbFileReader, CountIsTheFirstFieldOfTheFirstLine) {
  const char* countLines[] = {"2\n", "2,junk\n", ",,2\n", "  2 entries\n", "+2\r\n", "02,1\n"};
  for (const char* countLine : countLines) {
    SCOPED_TRACE(countLine);
    const Result<FileWarnings> result =
        ReadContent(std::string(countLine) + "h\n1,A,0,0,L,T,0,0\n2,B,0,0,L,T,0,0\n");
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(table->count, 2);
  }
}

TEST_F(DbFileReader, CountOfZeroReadsNoEntriesAndIsAccepted) {
  struct Case {
    const char* content;
    int32_t count;
    const char* printed;
  };
  const Case cases[] = {
      {"0\n", 0, "Number of Entries = 0\n"},
      {"0", 0, "Number of Entries = 0\n"},
      {"-0\n", 0, "Number of Entries = 0\n"},
      {"0\nheading\n1,A100,1,0,L,T,0,0\n", 0, "Number of Entries = 0\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    FillWithPattern();
    const std::unique_ptr<DbTable> before = std::make_unique<DbTable>(*table);
    const std::string path = dir.Write("test-db.csv", c.content);
    const Result<FileWarnings> result = Read(path);
    EXPECT_EQ(console.out, c.printed);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(table->count, c.count);
    EXPECT_EQ(std::memcmp(table->records, before->records, sizeof table->records), 0);
  }
}

TEST_F(DbFileReader, SecondLineIsSkippedEvenWhenItLooksLikeAnEntry) {
  const Result<FileWarnings> result = ReadContent("1\n1,SKIP,9,0,SKIPPED,S\n1,A100,1,0,L,T,0,0\n");
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_EQ(BytesOf(table->records[0]), BytesOf(Entry("A100", 1, "L", {}, "T")));
}

TEST_F(DbFileReader, LinesAfterTheLastCountedEntryAreNotRead) {
  FillWithPattern();
  const std::unique_ptr<DbTable> before = std::make_unique<DbTable>(*table);
  std::string content = "1\nh\n1,A100,1,0,L,T,0,0\n2,B200,2,0,L,T,0,0\n";
  content += std::string(500, 'x') + "\n";
  content += std::string("bad\0line\n", 9);
  const Result<FileWarnings> result = ReadContent(content);
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_EQ(table->count, 1);
  EXPECT_EQ(BytesOf(table->records[0]), BytesOf(Entry("A100", 1, "L", {}, "T")));
  EXPECT_EQ(std::memcmp(&table->records[1], &before->records[1], sizeof(DbRecord) * 2999), 0);
}

TEST_F(DbFileReader, ShorterFileAfterLongerOneKeepsTheRecordsBehindTheNewCount) {
  ASSERT_TRUE(ReadContent("3\nh\n1,A,1,0,LA,T\n2,B,2,1,LB,7,S,T\n3,C,3,0,LC,T\n").ok());
  const DbRecord secondOfLonger = table->records[1];
  const DbRecord thirdOfLonger = table->records[2];

  const Result<FileWarnings> result = ReadContent("1\nh\n1,N,9,0,NEW,T,0,0\n");
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_EQ(table->count, 1);
  EXPECT_EQ(BytesOf(table->records[0]), BytesOf(Entry("N", 9, "NEW", {}, "T")));
  EXPECT_EQ(BytesOf(table->records[1]), BytesOf(secondOfLonger));
  EXPECT_EQ(BytesOf(table->records[2]), BytesOf(thirdOfLonger));
}

TEST_F(DbFileReader, RecordIsClearedBeforeItIsRefilled) {
  ASSERT_TRUE(ReadContent("1\nh\n1,LONGCODE,1,3,LONG LABEL,1,AAAA,2,BBBB,3,CCCC,TAIL,0,0\n").ok());
  ASSERT_TRUE(ReadContent("1\nh\n1,S,2,1,SL,4,D,T,0,0\n").ok());
  EXPECT_EQ(BytesOf(table->records[0]), BytesOf(Entry("S", 2, "SL", {{4, "D"}}, "T")));
}

// ":3: field F (name) has N characters, more than the W that reach the device whole: ..."
std::string NotWhole(int field, const char* name, int has, int whole, const char* gets) {
  return ":3: field " + std::to_string(field) + " (" + name + ") has " + std::to_string(has) +
         " characters, more than the " + std::to_string(whole) +
         " that reach the device whole: it gets \"" + gets + "\" without its terminating zero";
}

TEST_F(DbFileReader, WarningsSayWhereTheDeviceGetsOtherThanTheFileHolds) {
  const std::string label16 = "ABCDEFGHIJKLMNOP";
  struct Case {
    std::string content;  // behind the count and heading lines
    DbRecord expected;
    std::vector<std::string> warnings;  // behind the path
  };
  const Case cases[] = {
      {"1,ABCDEFGHIJKL,1,0,L,T,0,0\n",
       Entry("ABCDEFGHIJ", 1, "L", {}, "T"),
       {":3: field 2 (code) has 12 characters, cut to 10: the device gets \"ABCDEFGHIJ\""}},
      {"1,ABCDEFGHIJ,1,0,L,T,0,0\n", Entry("ABCDEFGHIJ", 1, "L", {}, "T"), {}},
      {"1,ABCDEFGHIJK,1,0,L,T,0,0\n",
       Entry("ABCDEFGHIJ", 1, "L", {}, "T"),
       {":3: field 2 (code) has 11 characters, cut to 10: the device gets \"ABCDEFGHIJ\""}},
      {"1,C,1,0,ABCDEFGHIJKLMNOPQR,T,0,0\n",
       Entry("C", 1, "ABCDEFGHIJKLMNOPQR", {}, "T"),
       {NotWhole(5, "label", 18, 16, "ABCDEFGHIJKLMNOPQ")}},
      {"1,C,1,0,ABCDEFGHIJKLMNOPQRS,T,0,0\n",
       Entry("C", 1, "ABCDEFGHIJKLMNOPQR", {}, "T"),
       {NotWhole(5, "label", 19, 16, "ABCDEFGHIJKLMNOPQ")}},
      {"1,C,1,1,L,1,ABCDEFGHIJKLMNO,T,0,0\n",
       Entry("C", 1, "L", {{1, "ABCDEFGHIJKLMNO"}}, "T"),
       {NotWhole(7, "sub-entry 1 text", 15, 12, "ABCDEFGHIJKLM")}},
      {"1,C,1,1,L,1,ABCDEFGHIJKLMNOP,T,0,0\n",
       Entry("C", 1, "L", {{1, "ABCDEFGHIJKLMNO"}}, "T"),
       {NotWhole(7, "sub-entry 1 text", 16, 12, "ABCDEFGHIJKLM")}},
      {"1,C,1,0,L,1234567,0,0\n",
       Entry("C", 1, "L", {}, "1234567"),
       {NotWhole(6, "tailText", 7, 4, "12345")}},
      {"1,C,1,0,L,12345678,0,0\n",
       Entry("C", 1, "L", {}, "1234567"),
       {NotWhole(6, "tailText", 8, 4, "12345")}},
      {"1,C,1,0," + label16 + ",T,0,0\n", Entry("C", 1, label16, {}, "T"), {}},
      {"1,C,1,0," + label16 + "Q,T,0,0\n",
       Entry("C", 1, label16 + "Q", {}, "T"),
       {NotWhole(5, "label", 17, 16, "ABCDEFGHIJKLMNOPQ")}},
      {"1,C,1,0,ABCDEFGHIJKLMNOPQRSTUVWXYZ,T,0,0\n",
       Entry("C", 1, "ABCDEFGHIJKLMNOPQR", {}, "T"),
       {NotWhole(5, "label", 26, 16, "ABCDEFGHIJKLMNOPQ")}},
      {"1,C,1,1,L,1,ABCDEFGHIJKL,T,0,0\n", Entry("C", 1, "L", {{1, "ABCDEFGHIJKL"}}, "T"), {}},
      {"1,C,1,1,L,1,ABCDEFGHIJKLM,T,0,0\n",
       Entry("C", 1, "L", {{1, "ABCDEFGHIJKLM"}}, "T"),
       {NotWhole(7, "sub-entry 1 text", 13, 12, "ABCDEFGHIJKLM")}},
      {"1,C,1,2,L,1,S,2,ABCDEFGHIJKLMNOPQ,T,0,0\n",
       Entry("C", 1, "L", {{1, "S"}, {2, "ABCDEFGHIJKLMNO"}}, "T"),
       {NotWhole(9, "sub-entry 2 text", 17, 12, "ABCDEFGHIJKLM")}},
      {"1,C,1,0,L,ABCD,0,0\n", Entry("C", 1, "L", {}, "ABCD"), {}},
      {"1,C,1,0,L,ABCDE,0,0\n",
       Entry("C", 1, "L", {}, "ABCDE"),
       {NotWhole(6, "tailText", 5, 4, "ABCDE")}},
      {"1,C,1,0,L,1234567\n",
       Entry("C", 1, "L", {}, "1234567"),
       {NotWhole(6, "tailText", 8, 4, "12345")}},
      {"1,C,1,0,L,Y2\n",
       Entry("C", 1, "L", {}, "Y2\n"),
       {":3: field 6 (tailText) is the last field of its line and keeps the line end: the device "
        "gets \"Y2\\n\""}},
      {"1,A1,\"5\",0,\"PUMP 1, NORTH\",T\n",
       Entry("A1", 0, "\"PUMP 1", {}, " NORTH\""),
       {":3: field 3 (attribute) starts with a double quote: a quoted number reads as 0",
        ":3: field 5 (label) is the start of the cell \"PUMP 1, NORTH\" as the spreadsheet wrote "
        "it, quoted for its comma; quotes are ordinary characters here, so the cell was split at "
        "its comma: every field from field 6 on moved one place",
        ":3: field 6 (tailText) has 7 characters, more than the 4 that reach the device whole: it "
        "gets \" NORT\" without its terminating zero"}},
      {"1,\"A1\",1,0,L,T,0,0\n",
       Entry("\"A1\"", 1, "L", {}, "T"),
       {":3: field 2 (code) starts with a double quote: the quotes stay part of the text, and a "
        "comma inside them still splits the field"}},
      {"1,1.23456789012346E+016,1,0,L,T,0,0\n",
       Entry("1.23456789", 1, "L", {}, "T"),
       {":3: field 2 (code) is \"1.23456789012346E+016\", a number as a spreadsheet writes it: "
        "the spreadsheet turned the cell into a number; format the column as Text before typing, "
        "or start the cell with an apostrophe",
        ":3: field 2 (code) has 21 characters, cut to 10: the device gets \"1.23456789\""}},
      {"1,C,1,0,03/04/26,T,0,0\n",
       Entry("C", 1, "03/04/26", {}, "T"),
       {":3: field 5 (label) is \"03/04/26\", a date as a spreadsheet writes it, in a field that "
        "holds no date on most other lines: the spreadsheet turned the cell into a date; format "
        "the column as Text before typing, or start the cell with an apostrophe"}},
      {"1,,A100,,,1,0,L,T,0,0\n",
       Entry("A100", 1, "L", {}, "T"),
       {":3: empty cells (\",,\") do not count as fields: every field behind them moves one place "
        "to the left"}},
      {"1,A100,1,0,L,T,,,\n", Entry("A100", 1, "L", {}, "T"), {}},
      {"1,C,1,0," + label16 + "\xC3\xA9,T,0,0\n",
       Entry("C", 1, label16 + "\xC3\xA9", {}, "T"),
       {NotWhole(5, "label", 18, 16, "ABCDEFGHIJKLMNOP\\xC3"),
        ":3: field 5 (label) is cut in the middle of a UTF-8 character"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    FillWithPattern();
    std::string path;
    const Result<FileWarnings> result = ReadContent("1\nh\n" + c.content, &path);
    const std::string err = console.err;
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(BytesOf(table->records[0]), BytesOf(c.expected));
    test::ExpectWarnings(*result, err, path, c.warnings);
  }
}

TEST_F(DbFileReader, ByteOrderMarkOfASpreadsheetIsSkipped) {
  const Result<FileWarnings> result = ReadContent(
      "\xEF\xBB\xBF"
      "1\nh\n1,A100,1,0,L,T,0,0\n");
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_TRUE(result->empty());
  EXPECT_EQ(BytesOf(table->records[0]), BytesOf(Entry("A100", 1, "L", {}, "T")));
}

TEST_F(DbFileReader, RejectedFileLeavesTheTableUntouched) {
  const std::string good = "1,A100,1,0,LABEL,TT,0,0\n";
  std::string longLine = "1,A100,1,0,LABEL,";
  longLine += std::string(200 - 1 - longLine.size(), 'x') + "\n";
  ASSERT_EQ(longLine.size(), 200u);
  std::string crOnly = "30\rheading\r";
  for (int i = 0; i < 30; ++i) {
    crOnly += "1,A100,1,0,LABEL,TT,0,0\r";
  }
  struct Case {
    const char* name;
    std::string content;
    std::string error;  // after the path
  };
  const Case cases[] = {
      {"empty file", "", ": file is empty, no count line"},
      {"count line without a number", "x\nh\n" + good, ":1: count line has no number"},
      {"blank count line", "\nh\n" + good, ":1: count line has no number"},
      {"count line of commas", ",,,\nh\n" + good, ":1: count line has no number"},
      {"count above 3000", "3001\nh\n" + good, ":1: count 3001 is above 3000"},
      {"count of 3000 taken: the entries then fall short", "3000\nh\n" + good,
       ":4: file ends after 1 of 3000 entries"},
      {"count just below 0", "-1\nh\n" + good, ":1: count -1 is below 0"},
      {"negative count", "-3\nh\n" + good, ":1: count -3 is below 0"},
      {"count of -2^31", "-2147483648\n", ":1: count -2147483648 is below 0"},
      {"count outside 32 bits", "2147483648\nh\n" + good,
       ":1: field 1 (count) is outside the 32-bit range"},
      {"count below 32 bits", "-2147483649\nh\n" + good,
       ":1: field 1 (count) is outside the 32-bit range"},
      {"file ends after the count line", "1\n", ":2: file ends after the count line"},
      {"count line without newline", "1", ":2: file ends after the count line"},
      {"fewer entry lines than the count", "3\nh\n" + good + good,
       ":5: file ends after 2 of 3 entries"},
      {"no entry lines", "2\nh\n", ":3: file ends after 0 of 2 entries"},
      {"subEntryCount 4", "1\nh\n1,A,1,4,L,1,a,2,b,3,c,4,d,T\n",
       ":3: field 4 (subEntryCount) is 4, above 3"},
      {"subEntryCount 300", "1\nh\n1,A,1,300,L,T\n",
       ":3: field 4 (subEntryCount) is 300 (low 8 bits 44), above 3"},
      {"subEntryCount -1", "1\nh\n1,A,1,-1,L,T\n",
       ":3: field 4 (subEntryCount) is -1 (low 8 bits 255), above 3"},
      {"entry of five fields", "1\nh\n1,A,1,0,L\n", ":3: entry has 5 fields, needs at least 6"},
      {"blank entry line", "1\nh\n\n", ":3: entry has 1 field, needs at least 6"},
      {"empty fields do not make up the count", "1\nh\n1,,A,,1,,0,,L\n",
       ":3: entry has 5 fields, needs at least 6"},
      {"entry missing its tail", "1\nh\n1,A,1,2,L,1,a,2,b\n",
       ":3: entry has 9 fields, needs 10 for 2 sub-entries"},
      {"entry missing a sub-entry", "1\nh\n1,A,1,3,L,1,a,2,b,T\n",
       ":3: entry has 10 fields, needs 12 for 3 sub-entries"},
      {"attribute outside 32 bits", "1\nh\n1,A,99999999999,0,L,T\n",
       ":3: field 3 (attribute) is outside the 32-bit range"},
      {"attribute one above 32 bits", "1\nh\n1,A,2147483648,0,L,T\n",
       ":3: field 3 (attribute) is outside the 32-bit range"},
      {"attribute one below 32 bits", "1\nh\n1,A,-2147483649,0,L,T\n",
       ":3: field 3 (attribute) is outside the 32-bit range"},
      {"subEntryCount outside 32 bits", "1\nh\n1,A,1,-4294967296,L,T\n",
       ":3: field 4 (subEntryCount) is outside the 32-bit range"},
      {"sub-entry value outside 32 bits", "1\nh\n1,A,1,2,L,1,a,2147483648,b,T\n",
       ":3: field 8 (sub-entry 2 value) is outside the 32-bit range"},
      {"sub-entry value below 32 bits", "1\nh\n1,A,1,1,L,-2147483649,a,T\n",
       ":3: field 6 (sub-entry 1 value) is outside the 32-bit range"},
      {"entry line of 200 characters", "1\nh\n" + longLine, ":3: line longer than 199 characters"},
      {"count line of 200 characters", "1," + std::string(197, 'x') + "\nh\n" + good,
       ":1: line longer than 199 characters"},
      {"skipped line of 200 characters", "1\n" + longLine + good,
       ":2: line longer than 199 characters"},
      {"line ends of CR alone", crOnly, ":1: line longer than 199 characters"},
      {"NUL byte in an entry", "1\nh\n" + std::string("1,A\0,1,0,L,T\n", 13),
       ":3: NUL byte in line"},
      {"NUL byte in the count line", std::string("1\0\nh\n", 5) + good, ":1: NUL byte in line"},
      {"bad second entry after a good first with a cut text",
       "2\nh\n1,ABCDEFGHIJKLMNOP,1,0,L,T\n1,A,1,0,L\n", ":4: entry has 5 fields, needs at least 6"},
      {"good entries, then a short one", "3\nh\n" + good + good + "1,A\n",
       ":5: entry has 2 fields, needs at least 6"},
      {"saved with semicolons", "1;;;\nh\n1;A;1;0;\"L, M\";T;0;0\n",
       ":3: entry has 2 fields, needs at least 6: the file is separated by semicolons, not commas; "
       "save it as CSV with the comma as field delimiter"},
      {"saved with tabs", "1\nh\n1\tA\t1\t0\tL\tT\t0\t0\n",
       ":3: entry has 1 field, needs at least 6: the file is separated by tabs, not commas; save "
       "it as CSV with the comma as field delimiter"},
      {"saved as UTF-16",
       std::string("\xFF\xFE"
                   "1\0\n\0",
                   6),
       ":1: the file is UTF-16 (it starts with FF FE): save it again as CSV in UTF-8"},
      {"saved as UTF-16, big-endian",
       std::string("\xFE\xFF\0"
                   "1\0\n",
                   6),
       ":1: the file is UTF-16 (it starts with FE FF): save it again as CSV in UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FillWithPattern();
    const std::unique_ptr<DbTable> before = std::make_unique<DbTable>(*table);
    std::string path;
    const Result<FileWarnings> result = ReadContent(c.content, &path);
    const std::string err = console.err;
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error(), path + c.error);
    EXPECT_EQ(err, "") << "a failed read cuts nothing and so warns of nothing";
    EXPECT_EQ(std::memcmp(table.get(), before.get(), sizeof(DbTable)), 0);
  }
}

// One cause on every line of a file is said once: the sample saved with
// every text quoted, and with the spare cells behind each tail text gone.
TEST_F(DbFileReader, OneCauseOnMostLinesIsOneWarning) {
  std::ifstream sample(test::TestDataDir() + "sample-db.csv");
  std::string quoted;
  std::string bare;
  for (std::string line; std::getline(sample, line);) {
    std::string field;
    for (std::istringstream fields(line); std::getline(fields, field, ',');) {
      const bool text = field.find_first_not_of("0123456789") != std::string::npos;
      quoted += (text ? "\"" + field + "\"" : field) + ",";
    }
    quoted.back() = '\n';
    bare += (line.ends_with(",0,0") ? line.substr(0, line.size() - 4) : line) + "\n";
  }
  std::string path;
  Result<FileWarnings> result = ReadContent(quoted, &path);
  ASSERT_TRUE(result.ok()) << result.error();
  test::ExpectWarnings(*result, console.err, path,
                       {": 91 of 91 text fields start with a double quote: the file was saved "
                        "with every text quoted, and the quotes reach the device as part of each "
                        "text; save it again without quoting text cells"});
  result = ReadContent(bare, &path);
  ASSERT_TRUE(result.ok()) << result.error();
  test::ExpectWarnings(*result, console.err, path,
                       {":3: field 10 (tailText) is the last field of its line and keeps the line "
                        "end: the device gets \"P1\\n\"; the same on 19 more lines, 20 of the "
                        "file's 20 entry lines"});
}

TEST_F(DbFileReader, MissingFileIsReportedPerrorStyleAndLeavesTheTableUntouched) {
  FillWithPattern();
  const std::unique_ptr<DbTable> before = std::make_unique<DbTable>(*table);
  const std::string path = dir.Path("no-such-db.csv");
  const Result<FileWarnings> result = Read(path);
  const std::string err = console.err;
  const std::string out = console.out;
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.error(), path + ": Error opening file: No such file or directory");
  EXPECT_EQ(err, "Error opening file: No such file or directory\n");
  EXPECT_EQ(out, "");
  EXPECT_EQ(std::memcmp(table.get(), before.get(), sizeof(DbTable)), 0);
}

TEST_F(DbFileReader, AnythingButARegularFileIsRefusedWithoutWaiting) {
  for (const std::string& path : test::NonRegularFiles(dir.Path(""))) {
    SCOPED_TRACE(path);
    FillWithPattern();
    const std::unique_ptr<DbTable> before = std::make_unique<DbTable>(*table);
    const Result<FileWarnings> result = ReadDbFile(*table, path.c_str());
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error(), path + ": not a regular file");
    EXPECT_EQ(std::memcmp(table.get(), before.get(), sizeof(DbTable)), 0);
  }
}

TEST_F(DbFileReader, FullTableOf3000EntriesIsRead) {
  std::string content = "3000\nh\n";
  for (int i = 0; i < 3000; ++i) {
    content += std::to_string(i) + ",C" + std::to_string(i) + "," + std::to_string(i % 256) +
               ",1,L," + std::to_string(i) + ",S,T,0,0\n";
  }
  const Result<FileWarnings> result = ReadContent(content);
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_EQ(table->count, 3000);
  EXPECT_EQ(BytesOf(table->records[2999]),
            BytesOf(Entry("C2999", 2999 % 256, "L", {{2999, "S"}}, "T")));
}

}  // namespace
}  // namespace brenvik
