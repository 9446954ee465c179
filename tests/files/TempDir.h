#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik::test {

// A fresh directory under the system's temp dir, removed with everything in
// it when the object goes.
class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "brenvik-files-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      ADD_FAILURE() << "mkdtemp failed for " << pattern;
    }
    m_path = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Writes `content` byte for byte into `name` and returns the file's path.
  std::string Write(const std::string& name, std::string_view content) const {
    std::string path = (m_path / name).string();
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    EXPECT_TRUE(out.good()) << "could not write " << path;
    return path;
  }

  std::string Path(const std::string& name) const { return (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

// The folder of the sample files shipped with the tests.
inline std::string TestDataDir() {
  if (const char* dir = std::getenv("BRENVIK_TEST_DATA")) {
    return std::string(dir) + "/files/";
  }
  return std::string(BRENVIK_TEST_DATA_DIR) + "/files/";
}

// Checks a read's warnings, each given behind the file's path, in the result,
// and that the reader printed none of them on standard error: printing them
// is its caller's business.
inline void ExpectWarnings(const std::vector<std::string>& got, const std::string& printed,
                           const std::string& path, const std::vector<std::string>& warnings) {
  std::vector<std::string> expected;
  expected.reserve(warnings.size());
  for (const std::string& warning : warnings) expected.push_back(path + warning);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(printed, "");
}

}  // namespace brenvik::test
