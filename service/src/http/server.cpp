#include "server.hpp"

#include <algorithm>
#include <mutex>
#include <vector>

#include "allocator.hpp"
#include "bounded_pool.hpp"
#include "response_text.hpp"

namespace tavirel::service::http {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t kReadBytes = 64 * 1024;
constexpr int kReadsPerPass = 4;  // then the others' turn
constexpr int kAcceptsPerPass = 64;
constexpr auto kLongestPoll = 1000ms;
constexpr auto kAcceptPause = 50ms;   // accept failed (no descriptors): try again soon
constexpr auto kStreamSlice = 200ms;  // a streamed write's wait, between looks at the stop
constexpr std::size_t kLargeRequest = 64 * 1024;  // after one, freed memory goes back

// A streamed body written straight to the socket by the handler's thread.
class SocketSink final : public StreamSink {
 public:
  SocketSink(const Socket& socket, const HttpLimits& limits, const std::atomic<bool>& stopping)
      : socket_(socket), limits_(limits), stopping_(stopping) {}

  bool Write(std::string_view data) override {
    return data.empty() ? Open() : Open() && SendAll(Chunk(data));
  }

  bool Open() override {
    if (gone_ || stopping_) return false;
    std::vector<PollItem> item{{&socket_, true, false}};
    Poll(item, 0ms);
    if (item[0].readable) {
      char scratch[512];  // nothing is asked after a stream: what comes is dropped
      const IoResult got = Receive(socket_, scratch, sizeof scratch);
      gone_ = got.status == Io::Ended || got.status == Io::Failed;
    }
    return !gone_;
  }

  bool SendAll(std::string_view text) {
    const auto deadline = Clock::now() + limits_.io_time;
    while (!text.empty() && !gone_ && !stopping_) {
      const IoResult sent = Send(socket_, text.data(), text.size());
      if (sent.status == Io::Done) {
        text.remove_prefix(sent.bytes);
        continue;
      }
      if (sent.status != Io::WouldBlock || Clock::now() >= deadline) {
        gone_ = true;
        break;
      }
      std::vector<PollItem> item{{&socket_, false, true}};
      Poll(item, kStreamSlice);
    }
    return text.empty();
  }

 private:
  const Socket& socket_;
  const HttpLimits& limits_;
  const std::atomic<bool>& stopping_;
  bool gone_ = false;
};

// Which connection goes first to make room: one still reading its head
// (most likely a slow or silent client), then one between requests, then
// one reading its body; the one that has waited longest within each.
int EvictionRank(Connection::Phase phase) {
  switch (phase) {
    case Connection::Phase::Head: return 0;
    case Connection::Phase::Idle: return 1;
    case Connection::Phase::Body: return 2;
    default: return -1;  // has a whole request: never
  }
}

}  // namespace

struct Server::Slot {
  Slot(Socket s, const ConnectionPolicy& policy, std::string peer, Clock::time_point now)
      : socket(std::move(s)), connection(policy, std::move(peer), now) {}
  Socket socket;
  Connection connection;
  bool large = false;  // its last request was large (written by its handler)
};

class Server::Loop {
 public:
  Loop(Server& server, BoundedPool& pool) : server_(server), pool_(pool), buffer_(kReadBytes) {}

  void Run() {
    while (true) {
      auto now = Clock::now();
      if (server_.stopping_ && accepting_) StopAccepting(now);
      TakeHandled(now);
      Dispatch();
      std::erase_if(
          slots_, [](const auto& s) { return s->connection.phase() == Connection::Phase::Closed; });
      server_.open_ = slots_.size();
      if (!accepting_ && slots_.empty() && busy_ == 0) return;
      PollOnce(now);
      now = Clock::now();
      Serve(now);
      Expire(now);
      if (listening_) AcceptSome(now);
    }
  }

 private:
  void StopAccepting(Clock::time_point now) {
    accepting_ = false;
    listening_ = false;
    server_.listener_.Close();
    for (const auto& slot : slots_) slot->connection.Stop(now);
  }

  void TakeHandled(Clock::time_point now) {
    std::vector<std::pair<Slot*, bool>> handled;
    {
      std::lock_guard lock(mutex_);
      handled.swap(handled_);
    }
    bool large = false;
    for (const auto& [slot, streamed] : handled) {
      --busy_;
      slot->connection.Handled(streamed, now);
      large = large || slot->large;
      Write(*slot, now);
    }
    // Once the answer is made and the handler's memory all freed.
    if (large) ReleaseFreeMemory();
  }

  void Dispatch() {
    std::vector<Slot*> ready;
    for (const auto& slot : slots_) {
      if (slot->connection.Dispatchable()) ready.push_back(slot.get());
    }
    std::sort(ready.begin(), ready.end(), [](const Slot* a, const Slot* b) {
      return a->connection.Since() < b->connection.Since();
    });
    for (Slot* slot : ready) {
      if (busy_ >= server_.policy_.limits.handlers) return;
      ++busy_;
      slot->connection.BeginHandling();
      pool_.Enqueue([this, slot] { Handle(*slot); });
    }
  }

  // On a handler's thread.
  void Handle(Slot& slot) {
    Request& request = slot.connection.request();
    Response& response = slot.connection.response();
    const ServerHooks& hooks = server_.hooks_;
    try {
      if (const auto refusal = server_.router_.Route(request, response)) {
        hooks.refuse(request, response, *refusal);
      }
    } catch (...) {
      response.stream = nullptr;
      try {
        hooks.failed(request, response, std::current_exception());
      } catch (...) {
        response.status = 500;  // the answer to the failure failed too: a plain one
        response.SetContent("internal error\n", "text/plain");
      }
    }
    bool streamed = false;
    if (response.stream && request.method != "HEAD") {
      if (hooks.answered) hooks.answered(request, response);
      SocketSink sink(slot.socket, server_.policy_.limits, server_.stopping_);
      if (sink.SendAll(StreamHead(response))) {
        response.stream(sink);
        sink.SendAll(Chunk(""));
      }
      streamed = true;
    }
    response.stream = nullptr;
    slot.large = request.body.size() >= kLargeRequest;
    std::string().swap(request.body);  // answered: not needed any more
    {
      std::lock_guard lock(mutex_);
      handled_.emplace_back(&slot, streamed);
    }
    server_.waker_.Notify();
  }

  void PollOnce(Clock::time_point now) {
    items_.clear();
    polled_.clear();
    items_.push_back({&server_.waker_.Readable(), true, false});
    listening_ =
        accepting_ && now >= accept_pause_ && (slots_.size() < Capacity() || Victim() != nullptr);
    if (listening_) items_.push_back({&server_.listener_, true, false});
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(kLongestPoll);
    for (const auto& slot : slots_) {
      const Connection& c = slot->connection;
      if (c.phase() == Connection::Phase::Handling) continue;
      if (const auto deadline = c.Deadline()) {
        wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(*deadline - now));
      }
      const bool write = !c.Output().empty();
      if (!c.WantsInput() && !write) continue;
      items_.push_back({&slot->socket, c.WantsInput(), write});
      polled_.push_back(slot.get());
    }
    Poll(items_, std::max(wait, std::chrono::milliseconds(0)));
    if (items_[0].readable) server_.waker_.Drain();
    listening_ = listening_ && items_[1].readable;
  }

  void Serve(Clock::time_point now) {
    const std::size_t first = items_.size() - polled_.size();
    for (std::size_t i = 0; i < polled_.size(); ++i) {
      Slot& slot = *polled_[i];
      if (items_[first + i].writable) Write(slot, now);
      if (items_[first + i].readable) Read(slot, now);
    }
  }

  void Read(Slot& slot, Clock::time_point now) {
    Connection& c = slot.connection;
    for (int round = 0; round < kReadsPerPass && c.WantsInput(); ++round) {
      const IoResult got = Receive(slot.socket, buffer_.data(), buffer_.size());
      if (got.status == Io::WouldBlock) break;
      if (got.status != Io::Done) {
        c.Ended();
        return;
      }
      c.Received(std::string_view(buffer_.data(), got.bytes), now);
    }
    Write(slot, now);  // a refusal, or "100 Continue", goes at once
  }

  void Write(Slot& slot, Clock::time_point now) {
    Connection& c = slot.connection;
    while (!c.Output().empty() && c.phase() != Connection::Phase::Closed) {
      const IoResult sent = Send(slot.socket, c.Output().data(), c.Output().size());
      if (sent.status == Io::WouldBlock) break;
      if (sent.status != Io::Done) {
        c.Ended();
        return;
      }
      c.Sent(sent.bytes, now);
    }
    if (c.TakeShutdown()) ShutdownWrite(slot.socket);
  }

  void Expire(Clock::time_point now) {
    for (const auto& slot : slots_) {
      const auto deadline = slot->connection.Deadline();
      if (!deadline || now < *deadline) continue;
      slot->connection.Expire(now);
      Write(*slot, now);
    }
  }

  [[nodiscard]] std::size_t Capacity() const {
    const HttpLimits& limits = server_.policy_.limits;
    return limits.handlers + limits.waiting_connections;
  }

  [[nodiscard]] Slot* Victim() const {
    Slot* victim = nullptr;
    for (const auto& slot : slots_) {
      const int rank = EvictionRank(slot->connection.phase());
      if (rank < 0) continue;
      if (victim == nullptr) {
        victim = slot.get();
        continue;
      }
      const int best = EvictionRank(victim->connection.phase());
      if (rank < best || (rank == best && slot->connection.Since() < victim->connection.Since())) {
        victim = slot.get();
      }
    }
    return victim;
  }

  void AcceptSome(Clock::time_point now) {
    for (int i = 0; i < kAcceptsPerPass; ++i) {
      if (slots_.size() >= Capacity()) {
        Slot* victim = Victim();
        if (victim == nullptr) return;
        std::erase_if(slots_, [victim](const auto& s) { return s.get() == victim; });
      }
      std::string peer;
      Socket socket = Accept(server_.listener_, peer);
      if (!socket.Valid()) {
        if (i == 0) accept_pause_ = now + kAcceptPause;
        return;
      }
      slots_.push_back(
          std::make_unique<Slot>(std::move(socket), server_.policy_, std::move(peer), now));
    }
  }

  Server& server_;
  BoundedPool& pool_;
  std::vector<char> buffer_;
  std::vector<std::unique_ptr<Slot>> slots_;
  std::vector<PollItem> items_;
  std::vector<Slot*> polled_;
  std::size_t busy_ = 0;
  bool accepting_ = true;
  bool listening_ = false;
  Clock::time_point accept_pause_{};
  std::mutex mutex_;
  std::vector<std::pair<Slot*, bool>> handled_;  // by the handler threads, for the loop
};

Server::Server(HttpLimits limits, const Router& router, ServerHooks hooks)
    : router_(router), hooks_(std::move(hooks)) {
  if (!hooks_.refuse) {
    hooks_.refuse = [](const Request&, Response& response, const Refusal& refusal) {
      response.status = refusal.status;
      response.SetContent(refusal.message + "\n", "text/plain");
    };
  }
  if (!hooks_.failed) {
    hooks_.failed = [](const Request&, Response& response, const std::exception_ptr&) {
      response.status = 500;
      response.SetContent("internal error\n", "text/plain");
    };
  }
  policy_.limits = limits;
  policy_.gate = hooks_.gate;
  policy_.refuse = hooks_.refuse;
  policy_.answered = hooks_.answered;
}

Server::~Server() = default;

int Server::Bind(const std::string& host, int port) {
  const HttpLimits& limits = policy_.limits;
  int bound = 0;
  listener_ =
      Listen(host, port, static_cast<int>(limits.handlers + limits.waiting_connections), bound);
  return bound;
}

void Server::Serve() {
  if (stopping_ || !listener_.Valid()) return;
  KeepLargeBlocksApart();
  BoundedPool pool(policy_.limits.handlers, policy_.limits.handlers);
  Loop loop(*this, pool);
  loop.Run();
  pool.Shutdown();
}

void Server::Stop() {
  stopping_ = true;
  waker_.Notify();
}

}  // namespace tavirel::service::http
