#pragma once

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace brenvik::test {

// Where the child's standard output goes: a pipe, a raw pseudo-terminal
// (read here as the pipe is), or nowhere (descriptor 1 closed).
// Stalled: a pipe of one page that is never read, as `| less` left unscrolled.
enum class ChildOut { Pipe, Terminal, Closed, Stalled };
// Terminal: a pseudo-terminal standing in for the keyboard (TypeIn).
enum class ChildIn { Null, Terminal };

// A program run as a child process with its standard output and error caught.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv, ChildOut where = ChildOut::Pipe,
                        ChildIn in = ChildIn::Null) {
    int out[2] = {-1, -1};
    int err[2];
    int keyboard[2] = {-1, -1};
    if (where == ChildOut::Terminal ? !OpenRawTerminal(out) : ::pipe2(out, O_CLOEXEC) != 0) return;
    if (where == ChildOut::Stalled) (void)::fcntl(out[0], F_SETPIPE_SZ, 4096);
    if (::pipe2(err, O_CLOEXEC) != 0) return;
    if (in == ChildIn::Terminal && !OpenTerminal(keyboard)) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (where == ChildOut::Closed) {
      posix_spawn_file_actions_addclose(&actions, 1);
    } else {
      posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    }
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (in == ChildIn::Terminal) {
      posix_spawn_file_actions_adddup2(&actions, keyboard[1], 0);
    } else {
      posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    if (::posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (out[1] >= 0) ::close(out[1]);
    ::close(err[1]);
    if (keyboard[1] >= 0) ::close(keyboard[1]);
    (where == ChildOut::Stalled ? stalledFd_ : outFd_) = out[0];
    errFd_ = err[0];
    keyboardFd_ = keyboard[0];
  }
  ~ChildProcess() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    for (const int fd : {outFd_, errFd_, stalledFd_, keyboardFd_}) {
      if (fd >= 0) ::close(fd);
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  // Stops reading standard output, as a reader of a pipe that goes away.
  void DropOut() {
    if (outFd_ >= 0) ::close(outFd_);
    outFd_ = -1;
  }
  // Types `text` on the keyboard terminal (ChildIn::Terminal).
  void TypeIn(const std::string& text) const {
    (void)!::write(keyboardFd_, text.data(), text.size());
  }
  void Signal(int signal) const {
    if (pid_ > 0 && !exited_) ::kill(pid_, signal);
  }

  // Waits for the child to end, collecting its output; kills it after
  // `limit`. Returns its exit code, or -1 when it was killed or died by a signal.
  int Wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (!exited_) {
      Collect(10);
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        exited_ = true;
        break;
      }
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        exited_ = true;
        timedOut_ = true;
      }
    }
    while (Collect(0)) {
    }
    if (timedOut_ || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  // Collects output until standard output holds `text`; false when the child
  // ends or `limit` passes first.
  bool WaitForOut(const std::string& text, std::chrono::milliseconds limit) {
    return WaitFor(out_, text, limit);
  }
  bool WaitForErr(const std::string& text, std::chrono::milliseconds limit) {
    return WaitFor(err_, text, limit);
  }

  const std::string& Out() const { return out_; }
  const std::string& Err() const { return err_; }
  bool TimedOut() const { return timedOut_; }

  // The lines of standard output, without their newlines.
  std::vector<std::string> OutLines() const {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < out_.size()) {
      const std::size_t end = out_.find('\n', start);
      lines.push_back(out_.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    return lines;
  }

 private:
  bool WaitFor(const std::string& caught, const std::string& text,
               std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (caught.find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      Collect(10);
    }
    return true;
  }

  // A pseudo-terminal pair: [0] the end kept here, [1] the child's.
  static bool OpenTerminal(int (&ends)[2]) {
    ends[0] = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (ends[0] < 0 || ::grantpt(ends[0]) != 0 || ::unlockpt(ends[0]) != 0) return false;
    char name[64];
    if (::ptsname_r(ends[0], name, sizeof name) != 0) return false;
    ends[1] = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    return ends[1] >= 0;
  }

  // A pseudo-terminal pair as a pipe would be: [0] the end read here, [1] the
  // child's; raw, so that its bytes arrive as written.
  static bool OpenRawTerminal(int (&ends)[2]) {
    termios raw{};
    if (!OpenTerminal(ends) || ::tcgetattr(ends[1], &raw) != 0) return false;
    ::cfmakeraw(&raw);
    return ::tcsetattr(ends[1], TCSANOW, &raw) == 0;
  }

  // Reads what is there on both pipes; true when something was read.
  bool Collect(int timeoutMs) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0) return false;
    bool any = false;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
      if ((fds[i].revents & (POLLIN | POLLHUP)) == 0) continue;
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? out_ : err_).append(buffer, static_cast<std::size_t>(n));
        any = true;
      }
    }
    return any;
  }

  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  int stalledFd_ = -1;   // ChildOut::Stalled: never read
  int keyboardFd_ = -1;  // ChildIn::Terminal: what TypeIn writes to
  bool exited_ = false;
  bool timedOut_ = false;
  std::string out_;
  std::string err_;
};

}  // namespace brenvik::test
