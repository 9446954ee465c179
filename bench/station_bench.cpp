// brenvik-station-bench: one loader feeding several devices at once, as a
// production station with one adapter per socket does. For each number of
// ports it starts that many simulated devices, each on a pseudo-terminal of
// its own, and times ONE brenvik-load run over all of them with the same DB
// file. Prints the wall time against the one-port run and against the floor
// that the protocol's fixed sleeps set, the loader's CPU time as a share of
// one core, and its peak memory, each as the least and the median of three
// runs (--runs). Prints figures, judges nothing.

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/FileDescriptor.h"
#include "bench/BenchTable.h"
#include "tools/device/DeviceFileWriter.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using brenvik::FileDescriptor;

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Starts `argv` with standard input from /dev/null, standard output to
// `out` and standard error inherited; -1 when it cannot be started.
pid_t Spawn(const std::vector<std::string>& argv, int out) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out, 1);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// One brenvik-device process on a pseudo-terminal of its own, quiet but for
// its first line, which names the terminal.
class DeviceProcess {
 public:
  DeviceProcess() = default;
  DeviceProcess(const DeviceProcess&) = delete;
  DeviceProcess& operator=(const DeviceProcess&) = delete;
  ~DeviceProcess() { Stop(); }

  // Starts it and waits up to 5 s for "Device on PATH"; false when it does not come.
  bool Start(const std::string& program) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return false;
    out_ = FileDescriptor(ends[0]);
    pid_ = Spawn({program, "--quiet"}, ends[1]);
    ::close(ends[1]);
    if (pid_ < 0) return false;
    std::string line;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (line.find('\n') == std::string::npos && Clock::now() < deadline) {
      pollfd ready{out_.Get(), POLLIN, 0};
      if (::poll(&ready, 1, 100) <= 0) continue;
      char buffer[256];
      const ssize_t got = ::read(out_.Get(), buffer, sizeof buffer);
      if (got <= 0) return false;
      line.append(buffer, static_cast<std::size_t>(got));
    }
    const std::string prefix = "Device on ";
    if (line.rfind(prefix, 0) != 0 || line.find('\n') == std::string::npos) return false;
    path_ = line.substr(prefix.size(), line.find('\n') - prefix.size());
    return true;
  }

  // Ends it with SIGTERM (SIGKILL after 3 s) and returns its CPU seconds.
  double Stop() {
    if (pid_ <= 0) return 0;
    ::kill(pid_, SIGTERM);
    rusage usage{};
    int status = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (::wait4(pid_, &status, WNOHANG, &usage) == 0) {
      if (Clock::now() > deadline) ::kill(pid_, SIGKILL);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  }

  const std::string& Path() const { return path_; }

 private:
  pid_t pid_ = -1;
  FileDescriptor out_;
  std::string path_;
};

struct RunFigures {
  int ports = 0;
  bool started = false;
  int exitCode = -1;
  int completed = 0;  // "Completed!" lines in the loader's output
  double wallSeconds = 0;
  double loaderCpuSeconds = 0;
  long loaderPeakKb = 0;
  double devicesCpuSeconds = 0;
};

int CountOf(const std::string& text, const std::string& what) {
  int count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

// The least, or the median, of one figure over the runs.
template <typename Figure>
double Pick(const std::vector<RunFigures>& runs, bool median, Figure figure) {
  std::vector<double> values;
  values.reserve(runs.size());
  for (const RunFigures& run : runs) values.push_back(figure(run));
  std::sort(values.begin(), values.end());
  return median ? values[values.size() / 2] : values.front();
}

RunFigures RunStation(int ports, const std::string& tools, const std::string& db,
                      const std::string& outPath) {
  RunFigures figures;
  figures.ports = ports;
  std::vector<DeviceProcess> devices(static_cast<std::size_t>(ports));
  std::vector<std::string> argv = {tools + "/brenvik-load", "--progress=none"};
  for (DeviceProcess& device : devices) {
    if (!device.Start(tools + "/brenvik-device")) {
      std::fprintf(stderr, "brenvik-station-bench: %s/brenvik-device did not start\n",
                   tools.c_str());
      return figures;
    }
    argv.emplace_back("-p");
    argv.push_back(device.Path());
  }
  argv.emplace_back("-d");
  argv.push_back(db);

  const FileDescriptor out(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  const auto start = Clock::now();
  const pid_t loader = out.IsOpen() ? Spawn(argv, out.Get()) : -1;
  if (loader < 0) {
    std::fprintf(stderr, "brenvik-station-bench: %s did not start\n", argv[0].c_str());
    return figures;
  }
  rusage usage{};
  int status = 0;
  while (::wait4(loader, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  figures.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  figures.started = true;
  figures.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  figures.loaderCpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  figures.loaderPeakKb = usage.ru_maxrss;
  for (DeviceProcess& device : devices) figures.devicesCpuSeconds += device.Stop();
  std::ifstream in(outPath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  figures.completed = CountOf(text.str(), "Completed!");
  return figures;
}

// The folder of this program's sibling tools in the same build: ../tools.
std::string DefaultToolsDir() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? "tools" : (self.parent_path().parent_path() / "tools").string();
}

int Usage(int code) {
  std::fprintf(
      code == 0 ? stdout : stderr,
      "Usage: brenvik-station-bench [--ports N[,N...]] [--entries N] [--runs N] [--tools DIR]\n"
      "Times one brenvik-load over N simulated devices at once (default 1,4,16)\n"
      "with an N-entry DB (default 3000), --runs times each (default 3), and prints\n"
      "the least and the median of each figure; DIR holds brenvik-load and\n"
      "brenvik-device (default: ../tools beside this program).\n");
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> portCounts = {1, 4, 16};
  int entries = brenvik::kMaxDbEntries;
  int runCount = 3;
  std::string tools = DefaultToolsDir();
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help") return Usage(0);
    if (i + 1 >= argc) return Usage(2);
    const std::string value = argv[++i];
    if (option == "--entries") {
      entries = std::atoi(value.c_str());
    } else if (option == "--runs") {
      runCount = std::atoi(value.c_str());
    } else if (option == "--tools") {
      tools = value;
    } else if (option == "--ports") {
      portCounts.clear();
      std::istringstream list(value);
      for (std::string count; std::getline(list, count, ',');) {
        portCounts.push_back(std::atoi(count.c_str()));
        if (portCounts.back() < 1) return Usage(2);
      }
    } else {
      return Usage(2);
    }
  }
  if (entries < 1 || entries > brenvik::kMaxDbEntries || portCounts.empty() || runCount < 1) {
    return Usage(2);
  }

  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("brenvik-station-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string db = (dir / "db.csv").string();
  if (const auto written =
          brenvik::device::WriteDbFile(*brenvik::bench::MakeBenchTable(entries), db);
      !written) {
    std::fprintf(stderr, "brenvik-station-bench: %s\n", written.error().c_str());
    return 1;
  }
  const double floorSeconds = brenvik::bench::DownloadFloorMs(entries) / 1000;
  std::printf(
      "One brenvik-load, --progress=none, a %d-entry DB (%llu bytes) to each of N\n"
      "simulated devices on pseudo-terminals answering ACK at once.\n"
      "Floor of the fixed sleeps: %.3f s (2 + 83*5 ms, 500 ms, %d * 10 ms).\n\n",
      entries, static_cast<unsigned long long>(std::filesystem::file_size(db)), floorSeconds,
      entries - 1);
  std::printf("%5s %6s %9s %10s %11s %11s %10s %11s %5s %9s\n", "ports", "of", "wall s",
              "vs 1 port", "over floor", "loader CPU", "of 1 core", "peak RSS", "exit",
              "completed");
  std::fflush(stdout);

  bool allCompleted = true;
  double singleWall[2] = {0, 0};  // the one-port run's minimum and median
  for (const int ports : portCounts) {
    std::vector<RunFigures> runs;
    for (int i = 0; i < runCount; ++i) {
      runs.push_back(RunStation(ports, tools, db, (dir / "loader.out").string()));
      if (!runs.back().started) return 1;
      allCompleted = allCompleted && runs.back().exitCode == 0 && runs.back().completed == ports;
    }
    for (const int stat : {0, 1}) {
      const bool median = stat == 1;
      const double wall = Pick(runs, median, [](const RunFigures& r) { return r.wallSeconds; });
      if (ports == 1) singleWall[stat] = wall;
      char versusSingle[32] = "-";
      if (singleWall[stat] > 0) {
        std::snprintf(versusSingle, sizeof versusSingle, "%+.2f %%",
                      100 * (wall - singleWall[stat]) / singleWall[stat]);
      }
      const RunFigures& last = runs.back();
      std::printf(
          "%5d %6s %9.3f %10s %9.2f %% %9.3f s %8.2f %% %7.1f MiB %5d %6d/%d\n", ports,
          median ? "median" : "min", wall, versusSingle, 100 * (wall - floorSeconds) / floorSeconds,
          Pick(runs, median, [](const RunFigures& r) { return r.loaderCpuSeconds; }),
          100 * Pick(runs, median,
                     [](const RunFigures& r) { return r.loaderCpuSeconds / r.wallSeconds; }),
          Pick(runs, median,
               [](const RunFigures& r) { return static_cast<double>(r.loaderPeakKb) / 1024; }),
          last.exitCode, last.completed, ports);
    }
    std::printf("      (the %d device%s took %.3f s CPU in all, median)\n", ports,
                ports == 1 ? "" : "s",
                Pick(runs, true, [](const RunFigures& r) { return r.devicesCpuSeconds; }));
    std::fflush(stdout);
  }
  std::printf(
      "\nAims: 16 ports at most 3 %% longer than 1; the loader at most 8 %% of one core\n"
      "and under 64 MiB.\n");
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return allCompleted ? 0 : 1;
}
