#include "download/JobFile.h"

#include <gtest/gtest.h>

#include <string>

#include "download/FileDigest.h"
#include "files/TempDir.h"

namespace brenvik {
namespace {

constexpr const char* kAbcSha256 =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

// A job names its files relative to its own folder, so that the folder can
// be copied to another station as it is.
TEST(JobFile, WrittenJobReadsBackWithItsFilesRelativeToItsFolder) {
  test::TempDir dir;
  const std::string db = dir.Write("db.csv", "abc");
  const std::string jobPath = dir.Path("line.job");
  const Job job{"line 4",
                "2026-12-08T14:00:00+01:00",
                "1.0.0",
                {ApprovedEntry(jobPath, DownloadKind::Db, db, kAbcSha256, 3, 1)},
                {}};
  ASSERT_EQ(WriteJob(jobPath, job).error(), "");
  const Result<Job> read = ReadJob(jobPath);
  ASSERT_TRUE(read) << read.error();
  EXPECT_EQ(JobText(*read), JobText(job));
  EXPECT_EQ(read->sha256, *DigestFile(jobPath));
  EXPECT_EQ(JobFilePath(jobPath, read->files[0]), db);
  EXPECT_EQ(DefaultJobName("jobs/line.job"), "line");
}

TEST(JobFile, FileThatIsNoJobIsRefusedNamingWhatIsWrong) {
  const std::string file = std::string(R"({"kind":"DB","file":"db.csv","size":3,"sha256":")") +
                           kAbcSha256 + R"(","entries":3,"warnings":0})";
  const std::string head = R"({"name":"n","made":"m","version":"v","files":)";
  const struct {
    std::string text;
    std::string error;  // behind "PATH: not a job file: "
  } cases[] = {
      {"{", "it is not JSON"},
      {"[]", "it holds no JSON object"},
      {R"({"made":"m"})", "the job has no name"},
      {head + "[]}", "the job's files is not a list of one or two files"},
      {head + "[" + file + "," + file + "]}", "the job names two files of one kind"},
      {head + R"([{"kind":"EXE"}]})", "file 1's kind is not DB or MMI"},
      {head + "[" + file.substr(0, file.find(R"("size")")) + R"("size":"3"}]})",
       "file 1's size has the wrong type"},
      {head + "[" + std::string(file).replace(file.find("ba78"), 4, "BA78") + "]}",
       "file 1's sha256 is not 64 hex digits"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    test::TempDir dir;
    const std::string path = dir.Write("line.job", c.text);
    EXPECT_EQ(ReadJob(path).error(), path + ": not a job file: " + c.error);
  }
}

TEST(JobFile, FileIsVerifiedByItsBytesAndAMismatchNamesBothHashes) {
  test::TempDir dir;
  const std::string jobPath = dir.Path("line.job");
  const JobEntry entry{DownloadKind::Db, "db.csv", 3, kAbcSha256, 3, 0};
  EXPECT_EQ(VerifyJobFile(jobPath, entry).error(), dir.Path("db.csv") +
                                                       ": No such file or directory; the job " +
                                                       jobPath + " wants SHA-256 ba7816bf8f01");
  dir.Write("db.csv", "abc");
  EXPECT_TRUE(VerifyJobFile(jobPath, entry));
  dir.Write("db.csv", "abd");
  EXPECT_EQ(VerifyJobFile(jobPath, entry).error(),
            dir.Path("db.csv") + " does not match the job " + jobPath +
                ": SHA-256 a52d159f262b, the job's ba7816bf8f01");
}

}  // namespace
}  // namespace brenvik
