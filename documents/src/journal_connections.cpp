#include "journal_connections.hpp"

#include <algorithm>

namespace tavirel::documents {
namespace {
// Readers kept idle for the next read; more are closed after use.
constexpr std::size_t kIdleReaders = 4;
}  // namespace

JournalConnections::JournalConnections(const std::string& path, bool empty_is_new, bool grouped,
                                       const std::function<void(Database&)>& setup)
    : writer_(path, empty_is_new), grouped_(grouped) {
  setup(writer_);
}

JournalConnections::~JournalConnections() = default;

void JournalConnections::Write(bool durable, const std::function<void(Database&)>& work) {
  Work mine{&work, durable, nullptr};
  std::unique_lock lock(mutex_);
  queued_.push_back(&mine);
  while (!mine.done) {
    if (committing_) {
      committed_.wait(lock);
      continue;
    }
    // This thread commits the group: its work and all that queued meanwhile.
    std::vector<Work*> group;
    if (grouped_) {
      group.swap(queued_);
    } else {
      group.push_back(queued_.front());
      queued_.erase(queued_.begin());
    }
    committing_ = true;
    lock.unlock();
    Commit(group);
    lock.lock();
    for (Work* w : group) w->done = true;
    committing_ = false;
    committed_.notify_all();
  }
  lock.unlock();
  if (mine.error) std::rethrow_exception(mine.error);
}

void JournalConnections::Commit(const std::vector<Work*>& group) noexcept {
  const bool durable = std::any_of(group.begin(), group.end(), [](Work* w) { return w->durable; });
  try {
    Transaction t(writer_, durable);
    for (Work* w : group) {
      Query(writer_, "SAVEPOINT work").Run();
      try {
        (*w->run)(writer_);
        Query(writer_, "RELEASE work").Run();
      } catch (...) {
        w->error = std::current_exception();
        Query(writer_, "ROLLBACK TO work").Run();
        Query(writer_, "RELEASE work").Run();
      }
    }
    t.Commit();
  } catch (...) {
    // Nothing of the group was written: each work that had not failed by
    // itself fails with the commit.
    const std::exception_ptr error = std::current_exception();
    for (Work* w : group) {
      if (!w->error) w->error = error;
    }
  }
}

void JournalConnections::Read(const std::function<void(Database&)>& work) {
  std::unique_ptr<Database> reader;
  {
    std::lock_guard lock(mutex_);
    if (!idle_readers_.empty()) {
      reader = std::move(idle_readers_.back());
      idle_readers_.pop_back();
    }
  }
  // The writer made and checked the file: a reader takes it as it is.
  if (!reader) reader = std::make_unique<Database>(writer_.Path(), true);
  struct GiveBack {
    JournalConnections& self;
    std::unique_ptr<Database>& reader;
    ~GiveBack() {
      std::lock_guard lock(self.mutex_);
      if (self.idle_readers_.size() < kIdleReaders) self.idle_readers_.push_back(std::move(reader));
    }
  } give_back{*this, reader};
  work(*reader);
}

}  // namespace tavirel::documents
