#include "bench/LineModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "bench/BenchTable.h"
#include "download/DbDownload.h"
#include "serial/WireProtocol.h"

namespace brenvik::bench {
namespace {

// The command travels as the body's third hex pair, behind LEN and the marker.
constexpr std::size_t kCommandCharAt = 2 * kBodyCommandAt;

int HexDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

}  // namespace

ModelledLine::ModelledLine(const LineSetup& setup)
    : setup_(setup), byteMs_(10.0 * 1000.0 / setup.baud) {}

int ModelledLine::Write(const void* bytes, int n) {
  const auto* data = static_cast<const uint8_t*>(bytes);
  // The system takes the bytes at once; the wire carries them one after the
  // other, behind what is still queued.
  double onWireMs = std::max(wireFreeAtMs_, nowMs_);
  for (int i = 0; i < n; ++i) {
    onWireMs += byteMs_;
    if (data[i] == kStx) {
      inFrame_ = true;
      frame_.clear();
    } else if (data[i] == kEtx && inFrame_) {
      inFrame_ = false;
      EndOfFrame(onWireMs);
    } else if (inFrame_) {
      frame_.push_back(data[i]);
    }
  }
  wireFreeAtMs_ = onWireMs;
  return n;
}

void ModelledLine::EndOfFrame(double etxOnWireMs) {
  if (frame_.size() < kCommandCharAt + 2) return;
  const int command = HexDigit(frame_[kCommandCharAt]) * 16 + HexDigit(frame_[kCommandCharAt + 1]);
  if (command == kDbFirstCommand) return;
  // The answer byte crosses the wire to the adapter, which holds it to its
  // timer's next tick.
  const double atAdapterMs = etxOnWireMs + setup_.deviceMs + byteMs_;
  answers_.push_back({NextTick(atAdapterMs), kAck});
}

double ModelledLine::NextTick(double atMs) const {
  if (setup_.latencyMs <= 0) return atMs;
  const double period = setup_.latencyMs;
  return setup_.latencyPhaseMs + std::ceil((atMs - setup_.latencyPhaseMs) / period) * period;
}

int ModelledLine::Read(void* buffer, int n) {
  auto* out = static_cast<uint8_t*>(buffer);
  int count = 0;
  while (count < n && !answers_.empty() && answers_.front().readableAtMs <= nowMs_) {
    out[count++] = answers_.front().byte;
    answers_.pop_front();
  }
  return count;
}

void ModelledLine::Drain() {
  if (setup_.waitForWire) nowMs_ = std::max(nowMs_, wireFreeAtMs_);
}

void ModelledLine::DiscardInput() {
  while (!answers_.empty() && answers_.front().readableAtMs <= nowMs_) answers_.pop_front();
}

bool ModelledLine::Sleep(int ms, StopSignal& stop) {
  nowMs_ += ms;
  return !stop.Requested();
}

double ModelDbDownloadMs(const LineSetup& setup, int entries) {
  ModelledLine line(setup);
  auto ctx = std::make_unique<DownloadContext>();
  ctx->dbTable = *MakeBenchTable(entries);
  ctx->link.SetTrace(false);
  ctx->link.SetPort(&line);
  ctx->link.SetClock(line);
  DownloadDb(*ctx);
  return ctx->dbStatusText.Progress().Completed() ? line.NowMs() : -1;
}

}  // namespace brenvik::bench
