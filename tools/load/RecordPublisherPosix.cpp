// The publisher's sender on Linux: libmosquitto's client, driven by the
// sender's own thread with mosquitto_loop, so that its callbacks and the
// waiting list are only ever touched from that thread.
#include <mosquitto.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "tools/load/RecordPublisher.h"
#include "tools/load/WaitingList.h"

namespace brenvik::load {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How long one turn of the loop may wait on the broker's socket: also how
// soon a record appended to the log goes out.
constexpr int kLoopMs = 20;
// Records sent ahead of their acknowledgements.
constexpr std::size_t kWindow = 16;
// A broker that has not answered the login or a record in this time is
// said to be down; the records wait.
constexpr auto kAnswerLimit = 3s;
// Between one failed connection and the next try.
constexpr auto kRetry = 1s;
constexpr int kKeepAliveSeconds = 30;

std::string Lowered(std::string text) {
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

// Why a libmosquitto call failed, in words for the warning.
std::string CauseOf(int rc, int errnum) {
  if (rc == MOSQ_ERR_ERRNO) return Lowered(std::generic_category().message(errnum));
  if (rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_NO_CONN) return "connection lost";
  return Lowered(mosquitto_strerror(rc));
}

struct Sent {
  int mid;
  std::uint64_t end;
  Clock::time_point at;
  bool acked = false;
};

}  // namespace

std::string PublishUnavailableReason() { return {}; }

struct RecordPublisher::Sender {
  Sender(const BrokerAddress& broker, const std::string& password,
         const std::function<void(const std::string&)>& warn)
      : broker(broker), password(password), warn(warn) {}
  ~Sender() {
    {
      std::lock_guard guard(lock);
      finishing = true;
      deadline = Clock::now();
    }
    wake.notify_all();
    if (thread.joinable()) thread.join();
    Drop();
  }

  void Run() {
    for (;;) {
      {
        std::unique_lock guard(lock);
        if (finishing && (Clock::now() >= deadline || Waiting() == 0)) break;
        if (!list.TryLock() || (client == nullptr && Clock::now() < nextTry)) {
          wake.wait_for(guard, 100ms);
          continue;
        }
      }
      if (client == nullptr) Connect();
      if (client == nullptr) continue;
      const int rc = mosquitto_loop(client, kLoopMs, 1);
      const int errnum = errno;
      if (!lostCause.empty()) {
        Fail(lostCause);
      } else if (rc != MOSQ_ERR_SUCCESS) {
        Fail(connected ? "connection lost" : CauseOf(rc, errnum));
      } else if (!connected && Clock::now() - connectStarted > kAnswerLimit) {
        Fail("no answer to the login");
      } else if (connected) {
        SendMore();
        if (!inFlight.empty() && !inFlight.front().acked &&
            Clock::now() - inFlight.front().at > kAnswerLimit) {
          Warn("no acknowledgement");
        }
      }
    }
  }

  // Records still waiting: past this sender's acknowledged offset, or past
  // the offset of the loader that sends them.
  std::size_t Waiting() const { return list.CountFrom(list.Sent()); }

  void Connect() {
    client = mosquitto_new(nullptr, true, this);
    if (client == nullptr) {
      Fail("cannot make an MQTT client");
      return;
    }
    mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    if (!broker.user.empty()) {
      mosquitto_username_pw_set(client, broker.user.c_str(),
                                password.empty() ? nullptr : password.c_str());
    }
    mosquitto_connect_callback_set(
        client, [](mosquitto*, void* self, int rc) { static_cast<Sender*>(self)->Connected(rc); });
    mosquitto_disconnect_callback_set(client, [](mosquitto*, void* self, int) {
      auto* sender = static_cast<Sender*>(self);
      if (sender->lostCause.empty()) sender->lostCause = "connection lost";
    });
    mosquitto_publish_callback_set(client, [](mosquitto*, void* self, int mid) {
      static_cast<Sender*>(self)->Acknowledged(mid);
    });
    connected = false;
    lostCause.clear();
    connectStarted = Clock::now();
    const int rc =
        mosquitto_connect_async(client, broker.host.c_str(), broker.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) Fail(CauseOf(rc, errno));
  }

  void Connected(int rc) {
    if (rc == 0) {
      connected = true;
      next = list.Sent();
      return;
    }
    lostCause = rc == 4 || rc == 5 ? "login refused" : Lowered(mosquitto_connack_string(rc));
  }

  void Acknowledged(int mid) {
    for (Sent& sent : inFlight) {
      if (sent.mid == mid) sent.acked = true;
    }
    std::uint64_t end = 0;
    while (!inFlight.empty() && inFlight.front().acked) {
      end = inFlight.front().end;
      inFlight.pop_front();
    }
    if (end != 0) {
      (void)list.MarkSent(end);
      warned = false;  // it is back: a later outage is worth a warning again
    }
  }

  void SendMore() {
    while (inFlight.size() < kWindow) {
      if (pending.empty()) {
        for (WaitingRecord& record : list.ReadFrom(next)) pending.push_back(std::move(record));
        if (pending.empty()) return;
      }
      const WaitingRecord& record = pending.front();
      int mid = 0;
      const std::string topic = TopicOf(broker.topic, record.line);
      const int rc =
          mosquitto_publish(client, &mid, topic.c_str(), static_cast<int>(record.line.size()),
                            record.line.data(), 1, false);
      if (rc != MOSQ_ERR_SUCCESS) {
        Fail(CauseOf(rc, errno));
        return;
      }
      inFlight.push_back({mid, record.end, Clock::now()});
      next = record.end;
      pending.pop_front();
    }
  }

  // Once an outage: the broker's name, why, and what waits.
  void Warn(const std::string& cause) {
    if (warned) return;
    warned = true;
    const std::size_t waiting = Waiting();
    warn(broker.Name() + ": " + cause + "; " + std::to_string(waiting) +
         (waiting == 1 ? " record" : " records") + " waiting, sent when it is back");
  }

  // Drops the connection; the unacknowledged records go again from the
  // waiting list's offset on the next one.
  void Fail(const std::string& cause) {
    Warn(cause);
    Drop();
    nextTry = Clock::now() + kRetry;
  }

  void Drop() {
    if (client != nullptr) mosquitto_destroy(client);
    client = nullptr;
    connected = false;
    inFlight.clear();
    pending.clear();
  }

  const BrokerAddress& broker;
  const std::string& password;
  const std::function<void(const std::string&)>& warn;
  WaitingList list;
  // Read by the thread, set by Finish and the destructor.
  std::mutex lock;
  std::condition_variable wake;
  bool finishing = false;
  Clock::time_point deadline;
  // The thread's own.
  mosquitto* client = nullptr;
  bool connected = false;
  std::string lostCause;  // set by a callback: the connection is to be dropped
  bool warned = false;
  Clock::time_point connectStarted;
  Clock::time_point nextTry;
  std::uint64_t next = 0;  // the log offset of the next record to send
  std::deque<WaitingRecord> pending;
  std::deque<Sent> inFlight;
  std::thread thread;  // last: joined before what it uses goes
};

RecordPublisher::RecordPublisher(BrokerAddress broker, std::string password,
                                 std::function<void(const std::string&)> warn)
    : broker_(std::move(broker)), password_(std::move(password)), warn_(std::move(warn)) {}

RecordPublisher::~RecordPublisher() = default;

Result<> RecordPublisher::Start(const std::string& logPath) {
  static std::once_flag initialized;
  std::call_once(initialized, [] { mosquitto_lib_init(); });
  auto sender = std::make_unique<Sender>(broker_, password_, warn_);
  if (Result<> opened = sender->list.Open(logPath); !opened) return opened;
  sender->thread = std::thread([&sender = *sender] { sender.Run(); });
  sender_ = std::move(sender);
  return {};
}

std::size_t RecordPublisher::Finish(std::chrono::milliseconds limit) {
  if (!sender_) return 0;
  {
    std::lock_guard guard(sender_->lock);
    sender_->finishing = true;
    sender_->deadline = Clock::now() + limit;
  }
  sender_->wake.notify_all();
  sender_->thread.join();
  const std::size_t waiting = sender_->Waiting();
  sender_.reset();
  return waiting;
}

}  // namespace brenvik::load
