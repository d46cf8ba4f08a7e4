// The journal: its admission table, replay without touching the register,
// other content refused (amounts compared by value), a document in flight
// bound to its register, state that survives reopening, one journal shared
// by several threads, the file's guards, a journal of the first schema
// brought up to date, and a damaged row reported and left as it is.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "document_rig.hpp"
#include "shim_vfs.hpp"

namespace tavirel::documents::test {
namespace {

constexpr const char* kReceipt = R"({"key": "j1", "lines": [
    {"department": 1, "description": "PANE", "price": "1.50"}],
    "payments": [{"type": "cash", "amount": "2.00"}]})";

Document WithKey(std::string key, const char* text = kReceipt) {
  Document d = ParseDocument(text);
  d.key = std::move(key);
  return d;
}

Outcome Ended(const std::string& key, Status status) {
  Outcome o;
  o.key = key;
  o.status = status;
  return o;
}

void Sql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

TEST(Journal, AdmissionTable) {
  TempDir dir;
  Journal journal(dir.File("j.db"));
  Document cheaper = WithKey("k");
  cheaper.lines[0].price = "1.40";
  Document respelled = WithKey("k");
  respelled.lines[0].price = "1.500";  // the same amount
  Document decimal_quantity = WithKey("q");
  decimal_quantity.lines[0].quantity = "1.0";  // another operation than "1"
  Document whole_quantity = WithKey("q");
  whole_quantity.lines[0].quantity = "1";
  struct Row {
    const char* what;
    std::function<void()> before;
    Document document;
    std::string register_name;
    bool room;
    std::optional<Admission> admission;  // empty: refused with `error`
    std::string error;
    Status status;
  };
  const std::vector<Row> rows = {
      {"new", {}, WithKey("k"), "till", true, Admission::Queued, "", Status::Queued},
      {"again", {}, WithKey("k"), "till", true, Admission::Pending, "", Status::Queued},
      {"amount respelled", {}, respelled, "till", true, Admission::Pending, "", Status::Queued},
      {"other amount", {}, cheaper, "till", true, std::nullopt, "other content", Status::Queued},
      {"other register",
       {},
       WithKey("k"),
       "cash-2",
       true,
       std::nullopt,
       "sent to register",
       Status::Queued},
      {"no room", {}, WithKey("n"), "till", false, Admission::NoRoom, "", Status::Queued},
      {"running", [&] { journal.Start(WithKey("k"), 111111); }, WithKey("k"), "till", false,
       Admission::Pending, "", Status::Running},
      {"closed", [&] { journal.Finish("k", Ended("k", Status::Closed)); }, WithKey("k"), "till",
       false, Admission::Answered, "", Status::Closed},
      {"failed runs again",
       [&] {
         journal.Admit(WithKey("f"), "till");
         journal.Start(WithKey("f"), 111111);
         journal.Finish("f", Ended("f", Status::Failed));
       },
       WithKey("f"), "till", true, Admission::Queued, "", Status::Queued},
      {"needs attention is answered",
       [&] {
         journal.Admit(WithKey("a"), "till");
         journal.Start(WithKey("a"), 111111);
         journal.Finish("a", Ended("a", Status::NeedsAttention));
       },
       WithKey("a"), "till", true, Admission::Answered, "", Status::NeedsAttention},
      {"quantity with a point",
       {},
       decimal_quantity,
       "till",
       true,
       Admission::Queued,
       "",
       Status::Queued},
      {"quantity without",
       {},
       whole_quantity,
       "till",
       true,
       std::nullopt,
       "other content",
       Status::Queued},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    if (row.before) row.before();
    try {
      const Admitted got = journal.Admit(row.document, row.register_name, row.room);
      ASSERT_TRUE(row.admission) << "admitted";
      EXPECT_EQ(got.admission, *row.admission);
      if (got.admission != Admission::NoRoom) {
        EXPECT_EQ(got.entry.status, row.status);
      }
    } catch (const std::exception& e) {
      EXPECT_FALSE(row.admission) << e.what();
      EXPECT_NE(std::string(e.what()).find(row.error), std::string::npos) << e.what();
    }
  }
  EXPECT_FALSE(journal.Lookup("n")) << "no room: nothing written";
}

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
  // A fresh runner on a reopened journal replays it too, and so does the
  // same receipt with its price written another way.
  Journal reopened(rig.dir.File("journal.db"));
  Runner other(*rig.line.ctl, reopened);
  EXPECT_TRUE(other.Run(ParseDocument(kReceipt)).replayed);
  std::string respelled = kReceipt;
  respelled.replace(respelled.find("\"1.50\""), 6, "1.5");
  EXPECT_TRUE(other.Run(ParseDocument(respelled)).replayed);
  EXPECT_EQ(rig.line.reg->Stats().frames, frames);
}

TEST(Journal, ADocumentInFlightIsFinishedOnlyOnItsOwnRegister) {
  DocumentRig rig;
  const Document d = ParseDocument(kReceipt);
  // Another register (serial 654321) started it and stopped with a line in flight.
  rig.journal.Admit(d, "");
  StepUpdate first;
  first.steps = {StepRecord{"opReparto", "", std::nullopt, StepEnd::Interrupted}};
  first.in_flight = true;
  rig.journal.Start(d, 654321, first);
  const int frames = rig.line.reg->Stats().frames;
  EXPECT_THROW(rig.Run(kReceipt), RegisterMismatchError);
  EXPECT_EQ(rig.line.reg->Stats().frames, frames + 1);  // the serial reading only
  EXPECT_TRUE(rig.Paper().empty());
  const auto entry = rig.journal.Lookup(d.key);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->status, Status::Running);
  EXPECT_EQ(entry->serial, 654321);
}

TEST(Journal, QueuedDocumentsSurviveReopeningInOrderPerRegister) {
  TempDir dir;
  const std::string path = dir.File("j.db");
  {
    Journal journal(path);
    for (const char* key : {"a", "b", "c"}) {
      journal.Admit(WithKey(key), key == std::string("b") ? "till-2" : "till-1");
    }
  }
  Journal journal(path);
  std::vector<std::string> keys;
  for (const JournalEntry& e : journal.Unfinished("till-1").entries) keys.push_back(e.key);
  EXPECT_EQ(keys, (std::vector<std::string>{"a", "c"}));
  ASSERT_TRUE(journal.Lookup("b"));
  EXPECT_EQ(journal.Lookup("b")->status, Status::Queued);
  EXPECT_EQ(journal.Lookup("b")->document.lines[0].price, "1.50");
  EXPECT_FALSE(journal.Lookup("zz"));
  EXPECT_THROW(Journal(dir.File("no/such/folder/j.db")), JournalError);
}

TEST(Journal, ADocumentTheRegisterCouldNotTakeStaysQueued) {
  DocumentRig rig;
  rig.Run(R"({"key": "warm-up", "type": "report", "report": "x-financial-daily"})");  // serial read
  rig.line.reg->SetPower(false);
  const Outcome off = rig.Run(kReceipt);
  EXPECT_EQ(off.status, Status::Queued);
  EXPECT_EQ(rig.journal.Lookup("j1")->status, Status::Queued);
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
        const Document d = WithKey("t" + std::to_string(t) + "-" + std::to_string(i));
        journal.Admit(d, "till-" + std::to_string(t));
        StepUpdate sending;
        sending.steps = {StepRecord{"opReparto", "", {}, StepEnd::Interrupted}};
        sending.in_flight = true;
        sending.progress = "{}";
        journal.Start(d, 100000 + t, sending);
        StepUpdate replied;
        replied.steps = {StepRecord{"opReparto", "1003", 0, StepEnd::Answered}};
        journal.Finish(d.key, Ended(d.key, Status::Closed), replied);
      }
    });
  }
  for (auto& t : threads) t.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_TRUE(journal.Unfinished("till-" + std::to_string(t)).entries.empty());
    for (int i = 0; i < kDocuments; ++i) {
      const auto e = journal.Lookup("t" + std::to_string(t) + "-" + std::to_string(i));
      ASSERT_TRUE(e);
      EXPECT_EQ(e->status, Status::Closed);
      EXPECT_EQ(e->serial, 100000 + t);
      ASSERT_EQ(e->outcome->steps.size(), 1u);
      EXPECT_EQ(e->outcome->steps[0].result, 0);
    }
  }
}

TEST(Journal, TheFileIsGuarded) {
  TempDir dir;
  { Journal made(dir.File("new.db")); }
  struct stat info {};
  ASSERT_EQ(::stat(dir.File("new.db").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u) << "owner-only";

  std::ofstream(dir.File("empty.db")).close();
  ASSERT_EQ(::symlink(dir.File("elsewhere.db").c_str(), dir.File("link.db").c_str()), 0);
  Sql(dir.File("newer.db"), "PRAGMA user_version = 99");
  std::ofstream(dir.File("text.db")) << "not a database at all, but long enough to be read";
  const std::pair<const char*, const char*> refused[] = {
      {"empty.db", "--new-journal"},
      {"link.db", "symbolic link"},
      {"newer.db", "schema version 99"},
      {"text.db", "not a journal"},
  };
  for (const auto& [file, message] : refused) {
    try {
      Journal journal(dir.File(file));
      ADD_FAILURE() << file << " opened";
    } catch (const JournalError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(dir.File(file)), std::string::npos) << e.what();
    }
  }
  EXPECT_NE(::access(dir.File("elsewhere.db").c_str(), F_OK), 0) << "the link's target was made";
  JournalOptions fresh;
  fresh.empty_is_new = true;
  Journal asked(dir.File("empty.db"), fresh);
  EXPECT_EQ(asked.Admit(WithKey("e"), "").admission, Admission::Queued);
}

// A journal written by the first schema: states queued/running/finished, the
// outcome whole with its steps, each step's end in its result name.
TEST(Journal, AJournalOfTheFirstSchemaIsBroughtUpToDate) {
  TempDir dir;
  const std::string path = dir.File("old.db");
  const std::string content = ToJson(WithKey("closed"));
  Sql(path, R"(
CREATE TABLE documents(seq INTEGER PRIMARY KEY AUTOINCREMENT, key TEXT NOT NULL UNIQUE,
  content TEXT NOT NULL, canonical TEXT NOT NULL, hash TEXT NOT NULL, register_name TEXT NOT NULL,
  serial INTEGER, state TEXT NOT NULL, outcome TEXT, progress TEXT NOT NULL DEFAULT '',
  updated TEXT NOT NULL DEFAULT (datetime('now')));
CREATE TABLE steps(key TEXT NOT NULL, idx INTEGER NOT NULL, member TEXT NOT NULL,
  command TEXT NOT NULL, result INTEGER, result_name TEXT NOT NULL, in_flight INTEGER NOT NULL,
  PRIMARY KEY(key, idx));
CREATE INDEX documents_by_register ON documents(register_name, state);
INSERT INTO documents(key, content, canonical, hash, register_name, serial, state, outcome)
  VALUES('closed', ')" +
                content + R"(', 'old form', 'x', 'till', 123456, 'finished',
         '{"key":"closed","status":"closed","receipt_number":7,"date":null,"total":"1.50","paid":"2.00","change":"0.50","failed_step":null,"steps":[{"member":"opReparto","command":"1003","result":0,"result_name":"OP_OK"}],"replayed":false}'),
        ('report', '{"key":"report","type":"report","operator":1,"report":"fiscal-closure"}',
         'x', 'x', 'till', 123456, 'finished',
         '{"key":"report","status":"uncertain","receipt_number":null,"date":null,"total":null,"paid":null,"change":null,"failed_step":null,"steps":[],"replayed":false}'),
        ('stalled', ')" +
                ToJson(WithKey("stalled")) + R"(', 'x', 'x', 'till', 123456, 'running',
         '{"key":"stalled","status":"uncertain","receipt_number":null,"date":null,"total":null,"paid":null,"change":null,"failed_step":null,"steps":[],"replayed":false}'),
        ('waiting', ')" +
                ToJson(WithKey("waiting")) + R"(', 'x', 'x', 'till', NULL, 'queued', NULL);
INSERT INTO steps VALUES('closed', 0, 'opReparto', '1003', 0, 'OP_OK', 0),
                        ('stalled', 0, 'opReparto', '1003', NULL, 'hang-up', 0);
)");
  Journal journal(path);
  const std::pair<const char*, Status> states[] = {{"closed", Status::Closed},
                                                   {"report", Status::NeedsAttention},
                                                   {"stalled", Status::Uncertain},
                                                   {"waiting", Status::Queued}};
  for (const auto& [key, status] : states) {
    const auto entry = journal.Lookup(key);
    ASSERT_TRUE(entry) << key;
    EXPECT_EQ(entry->status, status) << key;
  }
  const auto closed = journal.Lookup("closed");
  EXPECT_EQ(closed->outcome->receipt_number, 7);
  ASSERT_EQ(closed->outcome->steps.size(), 1u);
  EXPECT_EQ(closed->outcome->steps[0].end, StepEnd::Answered);
  const auto stalled = journal.Start(WithKey("stalled"), 123456);
  EXPECT_EQ(stalled.kind, StartKind::Resume);
  ASSERT_EQ(stalled.steps.size(), 1u);
  EXPECT_EQ(stalled.steps[0].end, StepEnd::HangUp);
  // The content is compared in its new canonical form: the same receipt is
  // answered, not refused as other content.
  EXPECT_EQ(journal.Admit(WithKey("closed"), "till").admission, Admission::Answered);
  Sql(path, "SELECT 1");  // still a readable database
  // The listing's indexes came with it: listing a state goes through one.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  sqlite3_stmt* plan = nullptr;
  ASSERT_EQ(
      sqlite3_prepare_v2(db,
                         "EXPLAIN QUERY PLAN SELECT key FROM documents WHERE state = 'queued' "
                         "AND seq < 9 ORDER BY seq DESC LIMIT 3",
                         -1, &plan, nullptr),
      SQLITE_OK);
  std::string steps;
  while (sqlite3_step(plan) == SQLITE_ROW) {
    steps += reinterpret_cast<const char*>(sqlite3_column_text(plan, 3));
  }
  sqlite3_finalize(plan);
  sqlite3_close(db);
  EXPECT_NE(steps.find("documents_by_state"), std::string::npos) << steps;
}

// T11 and the listing: only a queued key is cancelled, for good; pages
// follow the admission order backwards whatever is admitted meanwhile.
TEST(Journal, CancelledForGoodAndListedPageByPage) {
  TempDir dir;
  Journal journal(dir.File("j.db"));
  for (int i = 0; i < 5; ++i) {
    journal.Admit(WithKey("q" + std::to_string(i)), i % 2 == 0 ? "till" : "bar");
  }
  journal.Start(WithKey("q0"), 123456);

  struct Case {
    const char* key;
    Status after;
  };
  for (const Case& c : {Case{"q0", Status::Running}, Case{"q2", Status::Cancelled},
                        Case{"q2", Status::Cancelled}}) {
    EXPECT_EQ(journal.Cancel(c.key, "anna").status, c.after) << c.key;
  }
  EXPECT_THROW(journal.Cancel("nobody", "anna"), JournalError);
  const Admitted again = journal.Admit(WithKey("q2"), "till");
  EXPECT_EQ(again.admission, Admission::Answered);
  ASSERT_TRUE(again.entry.outcome);
  EXPECT_NE(again.entry.outcome->failed_step->reason.find("anna"), std::string::npos);
  EXPECT_EQ(journal.Start(WithKey("q2"), 123456).kind, StartKind::Ended);
  for (const auto& entry : journal.Unfinished("till").entries) EXPECT_NE(entry.key, "q2");

  const auto keys = [](const ListPage& page) {
    std::vector<std::string> listed;
    for (const auto& d : page.documents) listed.push_back(d.key);
    return listed;
  };
  struct Query {
    ListQuery query;
    std::vector<std::string> keys;
    bool more;
  };
  const std::vector<Query> queries = {
      {{std::nullopt, "", "", std::nullopt, 2}, {"q4", "q3"}, true},
      {{std::nullopt, "", "", 4, 2}, {"q2", "q1"}, true},  // the cursor: admitted before seq 4
      {{std::nullopt, "", "", 2, 2}, {"q0"}, false},
      {{Status::Queued, "till", "", std::nullopt, 10}, {"q4"}, false},
      {{Status::Cancelled, "", "", std::nullopt, 10}, {"q2"}, false},
      {{std::nullopt, "bar", "", std::nullopt, 10}, {"q3", "q1"}, false},
      {{std::nullopt, "", "2999-01-01 00:00:00", std::nullopt, 10}, {}, false},
  };
  for (const Query& q : queries) {
    const ListPage page = journal.List(q.query);
    EXPECT_EQ(keys(page), q.keys);
    EXPECT_EQ(page.next.has_value(), q.more);
    if (q.more) {
      EXPECT_EQ(*page.next, page.documents.back().sequence);
    }
  }
}

TEST(Journal, ADamagedRowIsReportedWithTheJournalAndTheKeyAndLeftAsItIs) {
  TempDir dir;
  const std::string path = dir.File("j.db");
  {
    Journal journal(path);
    journal.Admit(WithKey("good-1"), "till");
    journal.Admit(WithKey("broken"), "till");
    journal.Admit(WithKey("good-2"), "till");
  }
  Sql(path, "UPDATE documents SET content = '{\"key\": ' WHERE key = 'broken'");
  Journal journal(path);
  const auto unfinished = journal.Unfinished("till");
  ASSERT_EQ(unfinished.entries.size(), 2u);
  EXPECT_EQ(unfinished.entries[0].key, "good-1");
  EXPECT_EQ(unfinished.entries[1].key, "good-2");
  ASSERT_EQ(unfinished.damaged.size(), 1u);
  EXPECT_EQ(unfinished.damaged[0].key, "broken");
  try {
    journal.Lookup("broken");
    ADD_FAILURE() << "read a damaged row";
  } catch (const DamagedRowError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("\"broken\""), std::string::npos) << e.what();
  }
  EXPECT_THROW(journal.Admit(WithKey("broken"), "till"), DamagedRowError);
  Journal reopened(path);  // left as it was: still there, still damaged
  EXPECT_THROW(reopened.Lookup("broken"), DamagedRowError);
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

namespace tavirel::documents::test {
namespace {

TEST(Journal, AFullDiskIsSaidSoWithTheJournalsPath) {
  TempDir dir;
  ShimVfs vfs;
  Journal journal(dir.File("j.db"));
  journal.Admit(WithKey("before"), "till");
  vfs.FillTheDisk();
  try {
    journal.Admit(WithKey("after"), "till");
    ADD_FAILURE() << "written on a full disk";
  } catch (const JournalError& e) {
    EXPECT_NE(std::string(e.what()).find("the disk is full"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(dir.File("j.db")), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace tavirel::documents::test
