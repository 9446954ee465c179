#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedDevice.h"
#include "download/DownloadContext.h"

namespace brenvik::test {

// A download context wired to a scripted device and a counting clock, with
// the message box and the status texts recorded. Status texts are sampled at
// every sleep; consecutive repeats are kept once.
struct Harness {
  std::unique_ptr<DownloadContext> ctx = std::make_unique<DownloadContext>();
  CountingClock clock;
  ScriptedDevice device{&clock};
  std::vector<std::string> boxes;
  std::vector<std::string> dbTexts;
  std::vector<std::string> mmiTexts;

  Harness() {
    ctx->link.SetPort(&device);
    ctx->link.SetClock(clock);
    ctx->link.SetTrace(false);
    ctx->link.SetTxErrorHandler([this](const char* text) { boxes.emplace_back(text); });
    clock.OnEachSleep([this] { Sample(); });
  }
  Harness(const Harness&) = delete;
  Harness& operator=(const Harness&) = delete;

  static std::string Text(const StatusText& status) { return status.Text(); }
  std::string DbText() const { return Text(ctx->dbStatusText); }
  std::string MmiText() const { return Text(ctx->mmiStatusText); }

  void Sample() {
    Keep(dbTexts, DbText());
    Keep(mmiTexts, MmiText());
  }
  // Samples once more after the download, so the final text is last.
  std::vector<std::string> DbSequence() {
    Sample();
    return dbTexts;
  }

 private:
  static void Keep(std::vector<std::string>& texts, const std::string& text) {
    if (!text.empty() && (texts.empty() || texts.back() != text)) texts.push_back(text);
  }
};

// Body offsets 3 and 4 of a database frame: the count or the index.
inline unsigned Field(const std::vector<uint8_t>& body) {
  return body.size() > 4 ? static_cast<unsigned>(body[3] | (body[4] << 8)) : 0xDEADu;
}

// The bytes of a text, for comparing frame contents.
inline std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace brenvik::test
