#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik::test {

// A fresh directory under the system's temp dir, removed with everything in
// it when the object goes.
class TempDir {
 public:
  TempDir() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      m_path =
          std::filesystem::temp_directory_path() / ("brenvik-files-" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(m_path, error)) return;
    }
    ADD_FAILURE() << "could not make a directory like " << m_path.string();
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Writes `content` byte for byte into `name` and returns the file's path.
  // `name` and the path are UTF-8 on both platforms.
  std::string Write(const std::string& name, std::string_view content) const {
    const std::filesystem::path file = m_path / FromUtf8(name);
    std::string path = Utf8(file);
    std::ofstream out(file, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    EXPECT_TRUE(out.good()) << "could not write " << path;
    return path;
  }

  std::string Path(const std::string& name) const { return Utf8(m_path / FromUtf8(name)); }

 private:
  static std::filesystem::path FromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
  }
  static std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  }

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
