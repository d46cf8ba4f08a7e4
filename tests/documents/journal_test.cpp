// The journal: replay without touching the register, other content refused,
// a document in flight bound to its register, state that survives reopening,
// and one journal shared by several threads.
#include <gtest/gtest.h>

#include <thread>

#include "document_rig.hpp"

namespace tavirel::documents::test {
namespace {

constexpr const char* kReceipt = R"({"key": "j1", "lines": [
    {"department": 1, "description": "PANE", "price": "1.50"}],
    "payments": [{"type": "cash", "amount": "2.00"}]})";

TEST(Journal, AFinishedKeyIsReplayedWithoutTouchingTheRegister) {
  DocumentRig rig;
  const Outcome first = rig.Run(kReceipt);
  ASSERT_EQ(first.status, Status::Closed);
  EXPECT_FALSE(first.replayed);
  const int frames = rig.line.reg->Stats().frames;
  Outcome again = rig.Run(kReceipt);
  EXPECT_TRUE(again.replayed);
  EXPECT_EQ(rig.line.reg->Stats().frames, frames);
  again.replayed = false;
  EXPECT_EQ(again, first);
  EXPECT_EQ(rig.Paper().size(), 1u);
  // A fresh runner on a reopened journal replays it too.
  Journal reopened(rig.dir.File("journal.db"));
  Runner other(*rig.line.ctl, reopened);
  EXPECT_TRUE(other.Run(ParseDocument(kReceipt)).replayed);
  EXPECT_EQ(rig.line.reg->Stats().frames, frames);
}

TEST(Journal, TheSameKeyWithOtherContentIsRefused) {
  DocumentRig rig;
  ASSERT_EQ(rig.Run(kReceipt).status, Status::Closed);
  const int frames = rig.line.reg->Stats().frames;
  std::string changed = kReceipt;
  changed.replace(changed.find("1.50"), 4, "1.60");
  EXPECT_THROW(rig.Run(changed), KeyConflictError);
  EXPECT_THROW(rig.journal.Enqueue(ParseDocument(changed), "till"), KeyConflictError);
  EXPECT_EQ(rig.line.reg->Stats().frames, frames);
  EXPECT_EQ(rig.Paper().size(), 1u);
}

TEST(Journal, ADocumentInFlightIsFinishedOnlyOnItsOwnRegister) {
  DocumentRig rig;
  const Document d = ParseDocument(kReceipt);
  // Another register (serial 654321) started it and stopped with a line in flight.
  rig.journal.Start(d, "", 654321);
  rig.journal.Record(d.key, {std::nullopt, std::nullopt,
                             StepRecord{"opReparto", "", std::nullopt, "interrupted"}, ""});
  const int frames = rig.line.reg->Stats().frames;
  EXPECT_THROW(rig.Run(kReceipt), RegisterMismatchError);
  EXPECT_EQ(rig.line.reg->Stats().frames, frames + 1);  // the serial reading only
  EXPECT_TRUE(rig.Paper().empty());
  const auto entry = rig.journal.Lookup(d.key);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->state, EntryState::Running);
  EXPECT_EQ(entry->serial, 654321);
}

TEST(Journal, QueuedDocumentsSurviveReopeningInOrderPerRegister) {
  TempDir dir;
  const std::string path = dir.File("j.db");
  {
    Journal journal(path);
    for (const char* key : {"a", "b", "c"}) {
      Document d = ParseDocument(kReceipt);
      d.key = key;
      journal.Enqueue(d, key == std::string("b") ? "till-2" : "till-1");
    }
    Document d = ParseDocument(kReceipt);
    d.key = "a";
    EXPECT_EQ(journal.Enqueue(d, "till-1").state, EntryState::Queued);  // the same: unchanged
  }
  Journal journal(path);
  std::vector<std::string> keys;
  for (const JournalEntry& e : journal.Unfinished("till-1")) keys.push_back(e.key);
  EXPECT_EQ(keys, (std::vector<std::string>{"a", "c"}));
  ASSERT_TRUE(journal.Lookup("b"));
  EXPECT_EQ(journal.Lookup("b")->state, EntryState::Queued);
  EXPECT_EQ(journal.Lookup("b")->document.lines[0].price, "1.50");
  EXPECT_FALSE(journal.Lookup("zz"));
  EXPECT_THROW(Journal(dir.File("no/such/folder/j.db")), JournalError);
}

TEST(Journal, AFailedDocumentMayRunAgain) {
  DocumentRig rig;
  rig.Run(R"({"key": "warm-up", "type": "report", "report": "x-financial-daily"})");  // serial read
  rig.line.reg->SetPower(false);
  const Outcome off = rig.Run(kReceipt);
  EXPECT_EQ(off.status, Status::Failed);
  EXPECT_EQ(rig.journal.Lookup("j1")->state, EntryState::Finished);
  rig.line.reg->SetPower(true);
  const Outcome on = rig.Run(kReceipt);
  EXPECT_EQ(on.status, Status::Closed);
  EXPECT_FALSE(on.replayed);
  EXPECT_EQ(rig.Paper().size(), 1u);
}

TEST(Journal, OneJournalForSeveralThreads) {
  TempDir dir;
  Journal journal(dir.File("shared.db"));
  constexpr int kThreads = 4, kDocuments = 10;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&journal, t] {
      for (int i = 0; i < kDocuments; ++i) {
        Document d = ParseDocument(kReceipt);
        d.key = "t" + std::to_string(t) + "-" + std::to_string(i);
        journal.Enqueue(d, "till-" + std::to_string(t));
        journal.Start(d, "till-" + std::to_string(t), 100000 + t);
        journal.Record(d.key,
                       {std::nullopt, std::nullopt, StepRecord{"opReparto", "", {}, ""}, "{}"});
        journal.Record(d.key, {0, StepRecord{"opReparto", "1003", 0, "OP_OK"}, std::nullopt, "{}"});
        Outcome o;
        o.key = d.key;
        o.status = Status::Closed;
        journal.Finish(d.key, o, true);
      }
    });
  }
  for (auto& t : threads) t.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_TRUE(journal.Unfinished("till-" + std::to_string(t)).empty());
    for (int i = 0; i < kDocuments; ++i) {
      const auto e = journal.Lookup("t" + std::to_string(t) + "-" + std::to_string(i));
      ASSERT_TRUE(e);
      EXPECT_EQ(e->state, EntryState::Finished);
      EXPECT_EQ(e->serial, 100000 + t);
    }
  }
}

TEST(Journal, DefaultPathFollowsXdgStateHome) {
  const char* old_state = std::getenv("XDG_STATE_HOME");
  const std::string saved = old_state ? old_state : "";
  ::setenv("XDG_STATE_HOME", "/somewhere/state", 1);
  EXPECT_EQ(DefaultJournalPath(), "/somewhere/state/tavirel/journal.db");
  ::setenv("XDG_STATE_HOME", "", 1);
  EXPECT_EQ(DefaultJournalPath(),
            std::string(std::getenv("HOME")) + "/.local/state/tavirel/journal.db");
  if (old_state) {
    ::setenv("XDG_STATE_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_STATE_HOME");
  }
}

}  // namespace
}  // namespace tavirel::documents::test
