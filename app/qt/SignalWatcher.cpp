#include "app/qt/SignalWatcher.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace brenvik::app {
namespace {

constexpr int kSignals[3] = {SIGTERM, SIGHUP, SIGINT};

// The handler's only way out: the socket end it writes to. Lock-free, so the
// handler may read it whatever it interrupted.
std::atomic<int> g_signalSocket{-1};
static_assert(std::atomic<int>::is_always_lock_free);

void WriteSignal(int signal) {
  const int saved = errno;
  const int fd = g_signalSocket.load();
  if (fd >= 0) {
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
  }
  errno = saved;
}

}  // namespace

SignalWatcher::SignalWatcher(OnSignal onSignal) : m_onSignal(std::move(onSignal)) {
  int sockets[2] = {-1, -1};
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, sockets) != 0) return;
  m_readEnd.Reset(sockets[0]);
  m_writeEnd.Reset(sockets[1]);
  g_signalSocket = m_writeEnd.Get();
  struct sigaction action {};
  action.sa_handler = WriteSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &m_previous[i]);
  m_notifier = std::make_unique<QSocketNotifier>(m_readEnd.Get(), QSocketNotifier::Read);
  connect(m_notifier.get(), &QSocketNotifier::activated, this, &SignalWatcher::ReadSignals);
}

SignalWatcher::~SignalWatcher() {
  if (m_notifier) {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &m_previous[i], nullptr);
  }
  g_signalSocket = -1;
  m_notifier.reset();
}

void SignalWatcher::ReadSignals() {
  unsigned char received[16];
  for (;;) {
    const ssize_t n = ::read(m_readEnd.Get(), received, sizeof received);
    if (n <= 0) return;
    for (ssize_t i = 0; i < n; ++i) {
      if (m_onSignal) m_onSignal(received[i]);
    }
  }
}

}  // namespace brenvik::app
