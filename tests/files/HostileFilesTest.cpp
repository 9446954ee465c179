// Files an operator should never pick, and some that are merely odd, fed to
// both readers: each is either read within the table or block, or rejected
// with the exact cause, and a rejected file changes nothing the reader was
// given. The files are in tests/data/hostile; the ones that cannot be kept in
// the repository (a directory, a file that is gone, a 1 MB line) are made here.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include "RecordingConsole.h"
#include "TempDir.h"
#include "files/DbFileReader.h"
#include "files/MmiFileReader.h"

namespace brenvik {
namespace {

enum class Reader { kDb, kMmi };

enum class Source {
  kFile,          // tests/data/hostile/<file>
  kDirectory,     // the hostile folder itself, given as the file
  kVanished,      // chosen, then deleted before the read
  kMegabyteLine,  // a good start, then a line of 1 MB where an entry or text belongs
};

struct Outcome {
  bool ok = false;
  std::string error;     // what follows the path in the error of a rejected file
  std::string out;       // all of standard output
  std::string err;       // all of standard error
  int32_t count = 0;     // DB: the count of an accepted file
  std::string lastText;  // DB: tailText of the last entry read; MMI: shortText2
};

Outcome Rejected(std::string error, std::string out = "", std::string err = "") {
  Outcome outcome;
  outcome.error = std::move(error);
  outcome.out = std::move(out);
  outcome.err = std::move(err);
  return outcome;
}

// The count line is shown once it is accepted.
Outcome AcceptedDb(int32_t count, std::string lastText) {
  Outcome outcome;
  outcome.ok = true;
  outcome.out = "Number of Entries = " + std::to_string(count) + "\n";
  outcome.count = count;
  outcome.lastText = std::move(lastText);
  return outcome;
}

Outcome AcceptedMmi(std::string shortText2) {
  Outcome outcome;
  outcome.ok = true;
  outcome.lastText = std::move(shortText2);
  return outcome;
}

struct HostileCase {
  const char* name;
  Reader reader;
  Source source;
  const char* file;  // for Source::kFile
  Outcome expected;
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

const char* const kNotOpened = ": Error opening file: No such file or directory";
const char* const kNotOpenedReport = "Error opening file: No such file or directory\n";
const char* const kNotRegular = ": not a regular file";

const HostileCase kCases[] = {
    // Binary files: the NUL of an executable header, the CR LF and the control
    // bytes of an image signature, high bytes without a line end.
    {"db_binary_elf", Reader::kDb, Source::kFile, "binary-elf.bin",
     Rejected(":1: NUL byte in line")},
    {"mmi_binary_elf", Reader::kMmi, Source::kFile, "binary-elf.bin",
     Rejected(":1: NUL byte in line")},
    {"db_binary_png", Reader::kDb, Source::kFile, "binary-png.bin",
     Rejected(":1: count line has no number")},
    {"mmi_binary_png", Reader::kMmi, Source::kFile, "binary-png.bin",
     Rejected(":1: line has no value field")},
    {"db_binary_high_bytes", Reader::kDb, Source::kFile, "binary-high-bytes.bin",
     Rejected(":1: line longer than 199 characters")},
    {"mmi_binary_high_bytes", Reader::kMmi, Source::kFile, "binary-high-bytes.bin",
     Rejected(":1: line longer than 99 characters")},

    // A NUL inside an otherwise good line; the DB count line was already shown.
    {"db_nul_in_line", Reader::kDb, Source::kFile, "db-nul-in-line.csv",
     Rejected(":4: NUL byte in line", "Number of Entries = 2\n")},
    {"mmi_nul_in_line", Reader::kMmi, Source::kFile, "mmi-nul-in-line.csv",
     Rejected(":7: NUL byte in line")},

    // A 1 MB line is refused at its 200th or 100th character.
    {"db_megabyte_line", Reader::kDb, Source::kMegabyteLine, nullptr,
     Rejected(":3: line longer than 199 characters", "Number of Entries = 1\n")},
    {"mmi_megabyte_line", Reader::kMmi, Source::kMegabyteLine, nullptr,
     Rejected(":6: line longer than 99 characters")},

    // The extremes of a 32-bit count: both are refused before they are shown.
    {"db_count_int_max", Reader::kDb, Source::kFile, "db-count-int-max.csv",
     Rejected(":1: count 2147483647 is above 3000")},
    {"db_count_int_min", Reader::kDb, Source::kFile, "db-count-int-min.csv",
     Rejected(":1: count -2147483648 is below 0")},

    // The last line without its newline keeps all of its last value.
    {"db_no_final_newline", Reader::kDb, Source::kFile, "db-no-final-newline.csv",
     AcceptedDb(2, "TAIL")},
    {"mmi_no_final_newline", Reader::kMmi, Source::kFile, "mmi-no-final-newline.csv",
     AcceptedMmi("THIRD TEXT")},

    // CR alone ends no line: the whole file is one line.
    {"db_cr_only", Reader::kDb, Source::kFile, "db-cr-only.csv",
     Rejected(":2: file ends after the count line", "Number of Entries = 2\n")},
    {"mmi_cr_only", Reader::kMmi, Source::kFile, "mmi-cr-only.csv",
     Rejected(":2: file ends after 1 of 8 lines")},

    {"db_empty", Reader::kDb, Source::kFile, "empty.csv",
     Rejected(": file is empty, no count line")},
    {"mmi_empty", Reader::kMmi, Source::kFile, "empty.csv",
     Rejected(":1: file ends after 0 of 8 lines")},

    // A directory opens for reading on Linux; it is refused before any read.
    {"db_directory", Reader::kDb, Source::kDirectory, nullptr, Rejected(kNotRegular)},
    {"mmi_directory", Reader::kMmi, Source::kDirectory, nullptr, Rejected(kNotRegular)},

    {"db_vanished", Reader::kDb, Source::kVanished, nullptr,
     Rejected(kNotOpened, "", kNotOpenedReport)},
    {"mmi_vanished", Reader::kMmi, Source::kVanished, nullptr,
     Rejected(kNotOpened, "", kNotOpenedReport)},
};

std::string HostileDir() {
  if (const char* dir = std::getenv("BRENVIK_TEST_DATA")) {
    return std::string(dir) + "/hostile";
  }
  return std::string(BRENVIK_TEST_DATA_DIR) + "/hostile";
}

// A 1 MB tail text in entry 1, or a 1 MB long text.
std::string MegabyteLineFile(Reader reader) {
  const std::string megabyte(std::size_t{1} << 20, 'x');
  if (reader == Reader::kDb) {
    return "1\nheading\n1,A100,1,0,LABEL," + megabyte + "\n";
  }
  return "s1,1\ns2,0\ns3,5\ns4,2\ns5,9\nt1," + megabyte + "\nt2,B,\nt3,C,\n";
}

// Both images start filled with a pattern no reader writes, so that any byte a
// read touches shows.
constexpr uint8_t kPattern = 0x5A;

class HostileFilesTest : public testing::TestWithParam<HostileCase> {
 protected:
  HostileFilesTest() {
    std::memset(static_cast<void*>(table.get()), kPattern, sizeof(DbTable));
    std::memset(static_cast<void*>(&block), kPattern, sizeof block);
    *tableBefore = *table;
    blockBefore = block;
  }

  std::string PathFor(const HostileCase& c) {
    switch (c.source) {
      case Source::kFile:
        return HostileDir() + "/" + c.file;
      case Source::kDirectory:
        return HostileDir();
      case Source::kVanished: {
        std::string path = dir.Write("chosen.csv", "2\nheading\n");
        std::filesystem::remove(path);
        return path;
      }
      case Source::kMegabyteLine:
        return dir.Write("megabyte-line.csv", MegabyteLineFile(c.reader));
    }
    return {};
  }

  std::unique_ptr<DbTable> table = std::make_unique<DbTable>();
  std::unique_ptr<DbTable> tableBefore = std::make_unique<DbTable>();
  MmiBlock block;
  MmiBlock blockBefore;
  test::TempDir dir;
};

TEST_P(HostileFilesTest, IsReadWithinItsImageOrRejectedWithItsCauseChangingNothing) {
  const HostileCase& c = GetParam();
  const Outcome& expected = c.expected;
  const std::string path = PathFor(c);

  test::RecordingConsole console;
  const Result<FileWarnings> result = c.reader == Reader::kDb
                                          ? ReadDbFile(*table, path.c_str(), console)
                                          : ReadMmiFile(block, path.c_str(), console);
  const std::string err = console.err;
  const std::string out = console.out;

  EXPECT_EQ(out, expected.out);
  EXPECT_EQ(err, expected.err);
  if (!expected.ok) {
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error(), path + expected.error);
    EXPECT_EQ(std::memcmp(table.get(), tableBefore.get(), sizeof(DbTable)), 0);
    EXPECT_EQ(std::memcmp(&block, &blockBefore, sizeof block), 0);
    return;
  }
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_TRUE(result->empty());
  if (c.reader == Reader::kMmi) {
    EXPECT_STREQ(block.shortText2, expected.lastText.c_str());
    EXPECT_EQ(std::memcmp(table.get(), tableBefore.get(), sizeof(DbTable)), 0);
    return;
  }
  EXPECT_EQ(table->count, expected.count);
  const int32_t read = expected.count > 0 ? expected.count : 0;
  if (read > 0) {
    EXPECT_STREQ(table->records[read - 1].tailText, expected.lastText.c_str());
  }
  EXPECT_EQ(std::memcmp(&table->records[read], &tableBefore->records[read],
                        sizeof(DbRecord) * static_cast<std::size_t>(kMaxDbEntries - read)),
            0)
      << "records behind the count keep what they held";
  EXPECT_EQ(std::memcmp(&block, &blockBefore, sizeof block), 0);
}

INSTANTIATE_TEST_SUITE_P(Files, HostileFilesTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<HostileCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace brenvik
