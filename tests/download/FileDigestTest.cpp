#include "download/FileDigest.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "files/TempDir.h"

namespace brenvik {
namespace {

constexpr const char* kAbcSha256 =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

// The log names a file by the hash of the bytes the reader took: a file still
// being written while it is read is refused rather than logged under a hash
// of other bytes.
TEST(DigestOfRead, NamesTheBytesReadOrSaysWhyNot) {
  struct Case {
    const char* name;
    std::function<Result<>(const std::string& path)> read;
    std::string result;  // the hash, or the error behind "PATH"
  };
  const Case cases[] = {
      {"file left alone", [](const std::string&) { return Result<>{}; }, kAbcSha256},
      {"file rewritten during the read",
       [](const std::string& path) {
         std::ofstream(path, std::ios::app) << "d";
         return Result<>{};
       },
       ": the file changed while it was read; load it once it is written completely"},
      {"reader refuses the file",
       [](const std::string& path) {
         return Result<>{Error{path + ":1: count line has no number"}};
       },
       ":1: count line has no number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const std::string path = dir.Write("db.csv", "abc");
    const Result<std::string> got = DigestOfRead(path, [&] { return c.read(path); });
    EXPECT_EQ(got ? *got : got.error(), c.result == kAbcSha256 ? c.result : path + c.result);
  }
}

}  // namespace
}  // namespace brenvik
