#pragma once

#include <gtest/gtest.h>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "download/DownloadRunner.h"
#include "serial/SerialPort.h"
#include "tools/device/FrameDecoder.h"
#include "tools/device/PtyDevice.h"

namespace brenvik::test {

// A fresh directory under the system's temp dir, removed with its contents.
class ToolsTempDir {
 public:
  ToolsTempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "brenvik-tools-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed for " << pattern;
    path_ = pattern;
  }
  ~ToolsTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ToolsTempDir(const ToolsTempDir&) = delete;
  ToolsTempDir& operator=(const ToolsTempDir&) = delete;

  std::string Path(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, std::string_view content) const {
    std::string path = Path(name);
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    EXPECT_TRUE(out.good()) << "could not write " << path;
    return path;
  }

 private:
  std::filesystem::path path_;
};

// Texts put together by appending: GCC 12 at -O3 warns falsely about
// "literal" + std::string, which inserts at the front.
inline std::string Join(std::initializer_list<std::string_view> parts) {
  std::string joined;
  for (std::string_view part : parts) joined.append(part);
  return joined;
}

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A body with LEN, 0xFF, command and payload; the checksum is added by FrameOnLine.
inline std::vector<uint8_t> Body(uint8_t len, uint8_t command, std::vector<uint8_t> payload) {
  std::vector<uint8_t> body(len, 0);
  body[0] = len;
  body[1] = 0xFF;
  body[2] = command;
  for (std::size_t i = 0; i < payload.size() && 3 + i < body.size(); ++i) body[3 + i] = payload[i];
  return body;
}

// A database frame body: count or index, then the 77-byte record image.
inline std::vector<uint8_t> DbBody(uint8_t command, uint16_t indexOrCount,
                                   std::vector<uint8_t> image = {}) {
  image.resize(77, 0);
  std::vector<uint8_t> payload = {static_cast<uint8_t>(indexOrCount & 0xFF),
                                  static_cast<uint8_t>(indexOrCount >> 8)};
  payload.insert(payload.end(), image.begin(), image.end());
  return Body(0x52, command, payload);
}

inline uint8_t Checksum(const std::vector<uint8_t>& body) {
  uint8_t sum = 0;
  for (uint8_t b : body) sum = static_cast<uint8_t>(sum + b);
  return sum;
}

// The hex text of a body with its checksum appended, as the sender writes it.
inline std::string HexText(const std::vector<uint8_t>& body) {
  std::string text;
  char pair[3];
  for (uint8_t b : body) {
    std::snprintf(pair, sizeof pair, "%02X", b);
    text += pair;
  }
  std::snprintf(pair, sizeof pair, "%02X", Checksum(body));
  return text + pair;
}

// STX, the hex text, ETX: the frame exactly as it appears on the line.
inline std::string FrameOnLine(const std::vector<uint8_t>& body) {
  return Join({"\x02", HexText(body), "\x03"});
}

// A frame on the line that carries `checksum` instead of the right one.
inline std::string FrameWithChecksum(const std::vector<uint8_t>& body, uint8_t checksum) {
  const std::string text = HexText(body);
  char pair[3];
  std::snprintf(pair, sizeof pair, "%02X", checksum);
  return Join({"\x02", std::string_view(text).substr(0, text.size() - 2), pair, "\x03"});
}

// The index (or, for the first frame, the count) each frame carried.
inline std::vector<unsigned> IndexesOf(const std::vector<device::ReceivedFrame>& frames) {
  std::vector<unsigned> indexes;
  indexes.reserve(frames.size());
  for (const device::ReceivedFrame& frame : frames) indexes.push_back(frame.indexOrCount);
  return indexes;
}

// The first byte the device answered to each frame, -1 for none.
inline std::vector<int> AnswersOf(const std::vector<device::ReceivedFrame>& frames) {
  std::vector<int> answers;
  answers.reserve(frames.size());
  for (const device::ReceivedFrame& frame : frames) {
    answers.push_back(frame.answered ? frame.answer : -1);
  }
  return answers;
}

// The simulated device on a pty, the loader's port opened on it, and the
// loader's context: a whole download through the real serial port code.
class PtyLine {
 public:
  explicit PtyLine(device::DevicePolicy policy = {}) : device(std::move(policy)) {
    ctx->link.SetTrace(false);
    ctx->link.SetTxErrorHandler([this](const char* text) { txErrors.emplace_back(text); });
  }

  // Starts the device and opens the port on it.
  ::testing::AssertionResult Connect() {
    if (const Result<> started = device.Start(); !started) {
      return ::testing::AssertionFailure() << started.error();
    }
    if (port.OpenPath(device.Path().c_str()) != 1) {
      return ::testing::AssertionFailure() << "cannot open " << device.Path();
    }
    return ::testing::AssertionSuccess();
  }

  bool Start(DownloadKind kind) { return runner.Start(*ctx, port, kind); }
  std::string Finish(DownloadKind kind) {
    runner.Join();
    return Status(kind);
  }
  // Runs a download to its end and returns its final status text.
  std::string Run(DownloadKind kind) { return Start(kind) ? Finish(kind) : "(not started)"; }
  std::string Status(DownloadKind kind) const {
    return (kind == DownloadKind::Db ? ctx->dbStatusText : ctx->mmiStatusText).Text();
  }

  // Whatever the device sent that no answer wait has read, collected for up to `limit`.
  std::vector<uint8_t> Leftover(std::size_t expected, std::chrono::milliseconds limit) {
    std::vector<uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (bytes.size() < expected && std::chrono::steady_clock::now() < deadline) {
      uint8_t buffer[16];
      const int n = port.Read(buffer, sizeof buffer);
      if (n > 0) {
        bytes.insert(bytes.end(), buffer, buffer + n);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    return bytes;
  }

  device::PtyDevice device;
  SerialPort port;
  std::unique_ptr<DownloadContext> ctx = std::make_unique<DownloadContext>();
  DownloadRunner runner;  // declared after what its worker uses, so it is joined first
  std::vector<std::string> txErrors;
};

}  // namespace brenvik::test
