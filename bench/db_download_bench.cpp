// brenvik-bench: how close a database download comes to the floor that its
// fixed sleeps set, and what it costs in CPU and memory; also how long the
// reader takes for a full DB file. Prints figures, judges nothing.
//
// The download runs through the real SerialPort on a pseudo-terminal whose
// simulated device answers ACK at once, with the real clock: what is left over
// the floor is the program's own overhead (writes, drains, wake-ups).

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/BenchTable.h"
#include "bench/LineModel.h"
#include "download/DownloadRunner.h"
#include "download/StatusText.h"
#include "files/DbFileReader.h"
#include "files/FileWarnings.h"
#include "serial/SerialPort.h"
#include "tools/device/DeviceFileWriter.h"
#include "tools/device/PtyDevice.h"

namespace {

using Clock = std::chrono::steady_clock;

// CPU seconds of this process's thread named `name`, from /proc; -1 when none.
double ThreadCpuSeconds(const std::string& name) {
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::FILE* comm = std::fopen((task.path() / "comm").c_str(), "r");
    if (comm == nullptr) continue;
    char threadName[32] = {};
    const bool named = std::fgets(threadName, sizeof threadName, comm) != nullptr;
    std::fclose(comm);
    if (!named || std::string(threadName) != name + "\n") continue;
    std::FILE* stat = std::fopen((task.path() / "stat").c_str(), "r");
    if (stat == nullptr) return -1;
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, stat) != nullptr;
    std::fclose(stat);
    // Fields 14 and 15 (utime, stime) follow the ")" that closes the name.
    const char* rest = read ? std::strrchr(line, ')') : nullptr;
    unsigned long utime = 0;
    unsigned long stime = 0;
    if (rest == nullptr ||
        std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime,
                    &stime) != 2) {
      return -1;
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }
  return -1;
}

double CpuSeconds(const rusage& usage) {
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// How the simulated device behind the pseudo-terminal is set up.
struct DeviceSetup {
  const char* title = "device answering ACK at once";
  brenvik::device::LinePace pace;
  int delayMs = 0;
};

int BenchDownload(int entries, const DeviceSetup& setup = {}) {
  auto ctx = std::make_unique<brenvik::DownloadContext>();
  ctx->dbTable = *brenvik::bench::MakeBenchTable(entries);
  ctx->link.SetTrace(false);
  ctx->link.SetTxErrorHandler([](const char* text) { std::fprintf(stderr, "%s\n", text); });

  brenvik::device::DevicePolicy policy;
  policy.answerDelay = std::chrono::milliseconds(setup.delayMs);
  brenvik::device::PtyDevice device(policy, setup.pace);
  if (const brenvik::Result<> started = device.Start(); !started) {
    std::fprintf(stderr, "brenvik-bench: no pseudo-terminal: %s\n", started.error().c_str());
    return 1;
  }
  brenvik::SerialPort port;
  if (port.OpenPath(device.Path().c_str()) != 1) {
    std::fprintf(stderr, "brenvik-bench: cannot open %s\n", device.Path().c_str());
    return 1;
  }

  std::printf("DB download of %d entries over %s, %s\n", entries, device.Path().c_str(),
              setup.title);
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = Clock::now();
  brenvik::DownloadRunner runner;
  if (!runner.Start(*ctx, port, brenvik::DownloadKind::Db)) {
    std::fprintf(stderr, "brenvik-bench: the download did not start\n");
    return 1;
  }
  runner.Join();
  const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  const double deviceCpuMs = ThreadCpuSeconds("pty-device") * 1000;
  port.Close();
  device.Stop();

  const brenvik::DownloadProgress progress = ctx->dbStatusText.Progress();
  const std::string status = brenvik::StatusTextOf(progress);
  const double floorMs = brenvik::bench::DownloadFloorMs(entries);
  const double cpuMs = (CpuSeconds(after) - CpuSeconds(before)) * 1000;
  std::printf("  outcome           %s, %zu frames received, %zu stray bytes\n", status.c_str(),
              device.FrameCount(), device.StrayByteCount());
  std::printf("  wall time         %.3f s\n", wallMs / 1000);
  std::printf("  floor of sleeps   %.3f s (2 + 83*5 ms, 500 ms, %d * 10 ms)\n", floorMs / 1000,
              std::max(entries - 1, 0));
  std::printf("  over the floor    %.3f s = %.2f %% (%.3f ms per entry frame)\n",
              (wallMs - floorMs) / 1000, 100 * (wallMs - floorMs) / floorMs,
              entries > 1 ? (wallMs - floorMs) / (entries - 1) : 0.0);
  // The first frame and the 500 ms behind it take the floor's share.
  const double firstMs = brenvik::bench::DownloadFloorMs(1);
  std::printf("  per entry frame   %.1f ms\n",
              entries > 1 ? (wallMs - firstMs) / (entries - 1) : 0.0);
  std::printf("  CPU user+sys      %.3f s = %.2f %% of wall\n", cpuMs / 1000, 100 * cpuMs / wallMs);
  if (deviceCpuMs >= 0) {
    std::printf("    of it the device %.3f s, the loader %.3f s\n", deviceCpuMs / 1000,
                (cpuMs - deviceCpuMs) / 1000);
  }
  std::printf("  peak memory       %ld KB (ru_maxrss)\n", after.ru_maxrss);
  return progress.Completed() ? 0 : 1;
}

int BenchReader(int entries) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("brenvik-bench-" + std::to_string(::getpid()) + "-db.csv"))
                               .string();
  if (const auto written =
          brenvik::device::WriteDbFile(*brenvik::bench::MakeBenchTable(entries), path);
      !written) {
    std::fprintf(stderr, "brenvik-bench: %s\n", written.error().c_str());
    return 1;
  }
  std::error_code sizeError;
  const uintmax_t fileSize = std::filesystem::file_size(path, sizeError);
  auto table = std::make_unique<brenvik::DbTable>();
  constexpr int kRuns = 7;
  double bestMs = 1e9;
  bool ok = true;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    // The reader's console goes nowhere: its count line is not timed or printed.
    const brenvik::Result<brenvik::FileWarnings> result =
        brenvik::ReadDbFile(*table, path.c_str(), brenvik::SilentConsole());
    bestMs =
        std::min(bestMs, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (!result) {
      std::fprintf(stderr, "brenvik-bench: %s\n", result.error().c_str());
      ok = false;
      break;
    }
  }
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  std::printf("ReadDbFile of a %d-entry file (%ju bytes), best of %d: %.3f ms\n", entries, fileSize,
              kRuns, bestMs);
  return ok && table->count == entries ? 0 : 1;
}

// The minutes a DB of `entries` entries takes on the modelled 9600 baud line,
// for each adapter and device, at the best and the worst phase of the
// adapter's latency timer.
int BenchLine(int entries) {
  constexpr int kPhases = 16;
  const double wireMs = 168 * 10.0 * 1000 / 9600;
  std::printf("DB download of %d entries on a modelled 9600 baud line, device answering ACK\n",
              entries);
  std::printf("  wait for wire  latency  device   minutes best  worst\n");
  for (const bool waitForWire : {true, false}) {
    for (const int latencyMs : {1, 16}) {
      for (const int deviceMs : {0, 5, 20}) {
        double best = 1e18;
        double worst = 0;
        for (int phase = 0; phase < kPhases; ++phase) {
          const brenvik::bench::LineSetup setup{
              9600, waitForWire, latencyMs, latencyMs * phase / double{kPhases}, double(deviceMs)};
          const double ms = brenvik::bench::ModelDbDownloadMs(setup, entries);
          if (ms < 0) return 1;
          best = std::min(best, ms);
          worst = std::max(worst, ms);
        }
        std::printf("  %-13s  %2d ms    %2d ms    %12.2f  %5.2f\n",
                    waitForWire ? "works" : "ends at once", latencyMs, deviceMs, best / 60000,
                    worst / 60000);
      }
    }
  }
  const double floorMs =
      brenvik::bench::DownloadFloorMs(entries) + wireMs * std::max(entries - 1, 0);
  std::printf("  floor: the fixed sleeps and %.0f ms of wire an entry frame  %.2f\n", wireMs,
              floorMs / 60000);
  return 0;
}

// brenvik-device --line-rate 9600 --latency 1, then --latency 16 --delay 40:
// on a pseudo-terminal the answer comes 175 ms after the frame at the
// earliest, so an entry takes 210 and 310 ms.
int BenchPacedDevice() {
  constexpr int kEntries = 100;
  const DeviceSetup setups[] = {
      {"line rate 9600, latency 1 ms (expect about 210 ms an entry)", {9600, 1}, 0},
      {"line rate 9600, latency 16 ms, delay 40 ms (expect about 310 ms an entry)", {9600, 16}, 40},
  };
  int result = 0;
  for (const DeviceSetup& setup : setups) {
    if (const int run = BenchDownload(kEntries, setup); run != 0 && result == 0) result = run;
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  int entries = brenvik::kMaxDbEntries;
  bool line = false;
  bool paced = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--entries") == 0 && i + 1 < argc) {
      entries = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--line") == 0) {
      line = true;
    } else if (std::strcmp(argv[i], "--paced-device") == 0) {
      paced = true;
    } else {
      std::fprintf(stderr,
                   "Usage: brenvik-bench [--entries N] [--line | --paced-device]\n"
                   "Times a DB download of N entries (1 to 3000, default 3000) over a\n"
                   "pseudo-terminal and a read of an N-entry DB file; with --line, prints\n"
                   "instead what the download takes on a modelled 9600 baud line; with\n"
                   "--paced-device, times a 100-entry DB over the pseudo-terminal paced as\n"
                   "a 9600 baud line with latency 1 ms, then 16 ms and a 40 ms device.\n");
      return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
    }
  }
  if (entries < 1 || entries > brenvik::kMaxDbEntries) {
    std::fprintf(stderr, "brenvik-bench: --entries must be 1 to %d\n", brenvik::kMaxDbEntries);
    return 2;
  }
  if (line) return BenchLine(entries);
  if (paced) return BenchPacedDevice();
  const int reader = BenchReader(entries);
  const int download = BenchDownload(entries);
  return reader != 0 ? reader : download;
}
