// The journal in SQLite: one row per document, one per step sent. Every
// transition of journal.hpp's machine is one function below; the states are
// stored by name.
#include "tavirel/documents/journal.hpp"

#include <array>
#include <chrono>

#include "journal_connections.hpp"
#include "journal_schema.hpp"
#include "sqlite_db.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/support/user_folders.hpp"

namespace tavirel::documents {
namespace {

std::int64_t SystemMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

constexpr const char* kSelectEntry =
    "SELECT key, content, hash, register_name, serial, state, outcome, seq, progress, "
    "instruction FROM documents WHERE key = ?";
constexpr const char* kSelectUnfinished =
    "SELECT key, content, hash, register_name, serial, state, outcome, seq, progress, "
    "instruction FROM documents WHERE register_name = ? "
    "AND state IN ('queued', 'running', 'uncertain', 'needs-attention') ORDER BY seq";
constexpr const char* kSelectInFlight =
    "SELECT key, content, hash, register_name, serial, state, outcome, seq, progress, "
    "instruction FROM documents WHERE serial = ? AND state IN ('running', 'uncertain') ORDER BY "
    "seq";
constexpr const char* kSelectCanonical = "SELECT canonical FROM documents WHERE key = ?";
constexpr const char* kInsert =
    "INSERT INTO documents(key, content, canonical, hash, register_name, state) "
    "VALUES(?, ?, ?, ?, ?, 'queued')";
constexpr const char* kRequeue =
    "UPDATE documents SET state = 'queued', serial = NULL, outcome = NULL, progress = '', "
    "updated = datetime('now') WHERE key = ?";
constexpr const char* kDeleteSteps = "DELETE FROM steps WHERE key = ?";
constexpr const char* kSetRunning =
    "UPDATE documents SET state = 'running', serial = ?, updated = datetime('now') WHERE key = ?";
constexpr const char* kSetOutcome =
    "UPDATE documents SET state = ?, outcome = ?, instruction = NULL, updated = datetime('now') "
    "WHERE key = ?";
constexpr const char* kSetInstruction =
    "UPDATE documents SET state = 'uncertain', instruction = ?, updated = datetime('now') "
    "WHERE key = ?";
// A write that changes nothing but makes the commit flush all before it.
constexpr const char* kTouch = "UPDATE documents SET updated = updated WHERE key = ?";
constexpr const char* kSetProgress =
    "UPDATE documents SET progress = ?, updated = datetime('now') WHERE key = ?";
constexpr const char* kSelectSteps =
    "SELECT member, command, result, ending, in_flight FROM steps WHERE key = ? ORDER BY idx";
constexpr const char* kWriteStep =
    "INSERT OR REPLACE INTO steps(key, idx, member, command, result, ending, in_flight) "
    "VALUES(?, ?, ?, ?, ?, ?, ?)";

constexpr const char* kCancel =
    "UPDATE documents SET state = 'cancelled', outcome = ?, updated = datetime('now') "
    "WHERE key = ? AND state = 'queued'";
// The listing goes through documents_by_state or documents_listed_by_register
// (by seq, newest first): only the filters given are in the statement, so
// the planner takes the index of the first one. One text per combination of
// filters, made once: the database keeps its statements by their text's address.
const char* ListSql(const ListQuery& query) {
  enum : unsigned { kState = 1, kRegister = 2, kSince = 4, kBefore = 8 };
  static const std::array<std::string, 16> kTexts = [] {
    std::array<std::string, 16> texts;
    for (unsigned filters = 0; filters < texts.size(); ++filters) {
      std::string& sql = texts[filters];
      sql =
          "SELECT key, state, register_name, coalesce(json_extract(content, '$.type'), "
          "'receipt'), updated, seq FROM documents WHERE 1";
      if (filters & kState) sql += " AND state = :state";
      if (filters & kRegister) sql += " AND register_name = :register";
      if (filters & kSince) sql += " AND updated >= :since";
      if (filters & kBefore) sql += " AND seq < :before";
      sql += " ORDER BY seq DESC LIMIT :limit";
    }
    return texts;
  }();
  const unsigned filters = (query.status ? kState : 0U) |
                           (query.register_name.empty() ? 0U : kRegister) |
                           (query.since.empty() ? 0U : kSince) | (query.before ? kBefore : 0U);
  return kTexts[filters].c_str();
}

constexpr const char* kLastClosure =
    "SELECT seq, updated FROM documents WHERE register_name = ? AND state = 'closed' "
    "AND json_extract(content, '$.type') = 'report' "
    "AND json_extract(content, '$.report') = 'fiscal-closure' ORDER BY seq DESC LIMIT 1";
constexpr const char* kReceiptsAfter =
    "SELECT key, content, hash, register_name, serial, state, outcome, seq, progress, "
    "instruction FROM documents WHERE register_name = ? AND seq > ? "
    "AND state IN ('closed', 'voided') "
    "AND coalesce(json_extract(content, '$.type'), 'receipt') = 'receipt' ORDER BY seq";

struct Row {
  JournalEntry entry;
  std::string progress;
  std::optional<Settlement> instruction;
};

// An instruction is kept as a settlement alone in an outcome's JSON.
std::string InstructionJson(const std::string& key, const Settlement& s) {
  Outcome carrier;
  carrier.key = key;
  carrier.settlement = s;
  return ToJson(carrier);
}

// The journal's rows on one connection, inside the work it is given.
struct Rows {
  Database& db;

  [[noreturn]] void Damaged(std::string_view key, const std::string& problem) const {
    throw DamagedRowError("journal " + db.Path() + ": the row of key \"" + std::string(key) +
                          "\" does not read (" + problem + "); it is left as it is");
  }

  // One row of kSelect*; throws DamagedRowError when it does not read.
  Row ReadRow(const Query& q, bool with_steps) {
    Row row;
    JournalEntry& e = row.entry;
    e.key = q.Text(0);
    try {
      e.document = ParseDocument(q.Text(1));
      const auto status = StatusNamed(q.Text(5));
      if (!status) throw DocumentError("state", "unknown state \"" + q.Text(5) + "\"");
      e.status = *status;
      if (!q.IsNull(6)) e.outcome = ParseOutcome(q.Text(6));
    } catch (const DocumentError& error) {
      Damaged(e.key, error.what());
    }
    e.content_hash = q.Text(2);
    e.register_name = q.Text(3);
    if (const auto serial = q.OptionalInteger(4)) e.serial = static_cast<std::int32_t>(*serial);
    e.sequence = q.Integer(7);
    row.progress = q.Text(8);
    if (!q.IsNull(9)) {
      try {
        row.instruction = ParseOutcome(q.Text(9)).settlement;
      } catch (const DocumentError& error) {
        Damaged(e.key, error.what());
      }
    }
    if (with_steps && e.outcome) {
      bool in_flight = false;
      e.outcome->steps = Steps(e.key, in_flight);
    }
    return row;
  }

  std::optional<Row> Find(std::string_view key, bool with_steps) {
    Query q(db, kSelectEntry);
    q.Bind(1, key);
    if (!q.Step()) return std::nullopt;
    return ReadRow(q, with_steps);
  }

  // The rows of a query binding one value; damaged ones are set aside.
  template <typename Value>
  UnfinishedEntries Select(const char* sql, Value value) {
    Query q(db, sql);
    q.Bind(1, value);
    UnfinishedEntries result;
    while (q.Step()) {
      try {
        result.entries.push_back(ReadRow(q, false).entry);
      } catch (const DamagedRowError& e) {
        result.damaged.push_back({q.Text(0), e.what()});
      }
    }
    return result;
  }

  // I1: the content is compared after its amounts are normalised.
  void CheckContent(const JournalEntry& held, const Document& document) {
    Query q(db, kSelectCanonical);
    q.Bind(1, document.key);
    if (q.Step() && q.Text(0) != CanonicalContent(document)) {
      throw KeyConflictError("the key \"" + document.key +
                             "\" is already in the journal with other content (hash " +
                             held.content_hash + ")");
    }
  }

  // I2.
  static void CheckRegister(const JournalEntry& held, std::string_view register_name) {
    if (held.register_name == register_name) return;
    throw RegisterMismatchError("the key \"" + held.key + "\" was sent to register \"" +
                                held.register_name + "\", not \"" + std::string(register_name) +
                                "\"");
  }

  std::vector<StepRecord> Steps(std::string_view key, bool& last_in_flight) {
    Query q(db, kSelectSteps);
    q.Bind(1, key);
    std::vector<StepRecord> steps;
    last_in_flight = false;
    while (q.Step()) {
      std::optional<std::int16_t> result;
      if (const auto r = q.OptionalInteger(2)) result = static_cast<std::int16_t>(*r);
      const auto end = StepEndNamed(q.Text(3));
      if (!end) Damaged(key, "a step ends \"" + q.Text(3) + "\"");
      steps.push_back({q.Text(0), q.Text(1), result, *end});
      last_in_flight = q.Integer(4) != 0;
    }
    return steps;
  }

  void Write(std::string_view key, const StepUpdate& update) {
    for (std::size_t i = 0; i < update.steps.size(); ++i) {
      const StepRecord& step = update.steps[i];
      const bool in_flight = update.in_flight && i + 1 == update.steps.size();
      std::optional<std::int64_t> result;
      if (step.result) result = *step.result;
      Query q(db, kWriteStep);
      q.Bind(1, key).Bind(2, static_cast<std::int64_t>(update.from + i));
      q.Bind(3, step.member).Bind(4, step.command).Bind(5, result);
      q.Bind(6, StepEndName(step.end)).Bind(7, std::int64_t{in_flight ? 1 : 0}).Run();
    }
    if (!update.progress.empty())
      Query(db, kSetProgress).Bind(1, update.progress).Bind(2, key).Run();
  }

  // T3, T4, T5 (Journal::Start).
  void Start(const Document& document, std::int32_t serial, const StepUpdate& first,
             StartResult& result);
  // T8, T9 (Journal::Settle).
  JournalEntry Settle(std::string_view key, const Settlement& settlement);

  void Requeue(std::string_view key) {
    Query(db, kDeleteSteps).Bind(1, key).Run();
    Query(db, kRequeue).Bind(1, key).Run();
  }
};

void SetUp(Database& db) {
  CheckSchemaVersion(db);
  db.Exec("PRAGMA journal_mode=WAL");
  db.Exec("PRAGMA synchronous=FULL");
  BringUpToDate(db);
}

}  // namespace

struct Journal::Impl {
  Impl(const std::string& path, const JournalOptions& options)
      : connections(path, options.empty_is_new, options.group_commit, SetUp),
        now_ms(options.now_ms ? options.now_ms : SystemMs) {}
  JournalConnections connections;
  std::function<std::int64_t()> now_ms;
};

Journal::Journal(const std::string& path, JournalOptions options)
    : impl_(std::make_unique<Impl>(path, options)) {}
Journal::~Journal() = default;

const std::string& Journal::Path() const { return impl_->connections.Path(); }

Admitted Journal::Admit(const Document& document, std::string_view register_name, bool room) {
  Admitted result;
  // Not flushed here: the start flushes it with its first step (I3), and a
  // caller told "queued" before that flushes it (Flush).
  impl_->connections.Write(false, [&](Database& db) {
    Rows rows{db};
    auto row = rows.Find(document.key, true);
    if (row) {
      rows.CheckContent(row->entry, document);
      Rows::CheckRegister(row->entry, register_name);
      const Status status = row->entry.status;
      if (status != Status::Failed) {
        const bool pending =
            status == Status::Queued || status == Status::Running || status == Status::Uncertain;
        result.admission = pending ? Admission::Pending : Admission::Answered;
        result.entry = std::move(row->entry);
        return;
      }
    }
    if (!room) {
      result.admission = Admission::NoRoom;
      if (row) result.entry = std::move(row->entry);
      return;
    }
    if (row) {  // T2
      rows.Requeue(document.key);
    } else {  // T1
      Query q(db, kInsert);
      q.Bind(1, document.key).Bind(2, ToJson(document)).Bind(3, CanonicalContent(document));
      q.Bind(4, ContentHash(document)).Bind(5, register_name).Run();
    }
    row = rows.Find(document.key, false);
    result.admission = Admission::Queued;
    result.entry = std::move(row->entry);
  });
  return result;
}

void Journal::Flush(std::string_view key) {
  impl_->connections.Write(true, [&](Database& db) { Query(db, kTouch).Bind(1, key).Run(); });
}

std::optional<JournalEntry> Journal::Lookup(std::string_view key) {
  std::optional<JournalEntry> entry;
  impl_->connections.Read([&](Database& db) {
    if (auto row = Rows{db}.Find(key, true)) entry = std::move(row->entry);
  });
  return entry;
}

UnfinishedEntries Journal::Unfinished(std::string_view register_name) {
  UnfinishedEntries result;
  impl_->connections.Read(
      [&](Database& db) { result = Rows{db}.Select(kSelectUnfinished, register_name); });
  return result;
}

std::vector<JournalEntry> Journal::InFlight(std::int32_t serial) {
  // A damaged row cannot be resumed: Unfinished reports it; here it is passed over.
  std::vector<JournalEntry> result;
  impl_->connections.Read([&](Database& db) {
    result = Rows{db}.Select(kSelectInFlight, std::int64_t{serial}).entries;
  });
  return result;
}

StartResult Journal::Start(const Document& document, std::int32_t serial, const StepUpdate& first) {
  StartResult result;
  impl_->connections.Write(true,
                           [&](Database& db) { Rows{db}.Start(document, serial, first, result); });
  return result;
}

void Rows::Start(const Document& document, std::int32_t serial, const StepUpdate& first,
                 StartResult& result) {
  auto row = Find(document.key, true);
  if (!row) {
    throw JournalError("journal " + db.Path() + ": the key \"" + document.key +
                       "\" was not admitted before it was started");
  }
  CheckContent(row->entry, document);
  result.from = row->entry.status;
  result.instruction = row->instruction;
  switch (row->entry.status) {
    case Status::Queued:  // T3
      Query(db, kSetRunning).Bind(1, std::int64_t{serial}).Bind(2, document.key).Run();
      Write(document.key, first);
      result.kind = StartKind::Fresh;
      break;
    case Status::Running:
    case Status::Uncertain:  // T4, T5
      if (row->entry.serial && *row->entry.serial != serial) {
        throw RegisterMismatchError("the document \"" + document.key +
                                    "\" is in flight on the register with fiscal serial " +
                                    std::to_string(*row->entry.serial) +
                                    " and can be finished only there; this register's serial is " +
                                    std::to_string(serial));
      }
      Query(db, kSetRunning).Bind(1, std::int64_t{serial}).Bind(2, document.key).Run();
      result.steps = Steps(document.key, result.last_in_flight);
      result.progress = row->progress;
      result.kind = result.steps.empty() ? StartKind::Fresh : StartKind::Resume;
      break;
    case Status::NeedsAttention:
      throw JournalError("journal " + db.Path() + ": the document \"" + document.key +
                         "\" needs attention: it is not run again until it is settled");
    case Status::Closed:
    case Status::Voided:
    case Status::Failed:
    case Status::Expired:
    case Status::Cancelled:
      result.kind = StartKind::Ended;
      result.entry = std::move(row->entry);
      return;
  }
  result.entry = Find(document.key, false)->entry;
}

std::optional<Outcome> Journal::Expire(const Document& document) {
  const auto expires = ExpiresAtMs(document);
  if (!expires) return std::nullopt;
  if (impl_->now_ms() < *expires) return std::nullopt;
  std::optional<Outcome> expired;
  // Not flushed: like a finish, an expiry lost to a power loss is made again.
  impl_->connections.Write(false, [&](Database& db) {
    Rows rows{db};
    auto row = rows.Find(document.key, true);
    if (!row || row->entry.status != Status::Queued) return;
    rows.CheckContent(row->entry, document);
    Outcome outcome;
    outcome.key = document.key;
    outcome.status = Status::Expired;
    FailedStep why;
    why.kind = "expired";
    why.reason = "it expired at " + *document.expires_at + " before it started; nothing was sent";
    outcome.failed_step = std::move(why);
    Query(db, kSetOutcome)
        .Bind(1, StatusName(Status::Expired))
        .Bind(2, ToJson(outcome))
        .Bind(3, document.key)
        .Run();
    expired = std::move(outcome);
  });
  return expired;
}

void Journal::Record(std::string_view key, const StepUpdate& update) {
  impl_->connections.Write(true, [&](Database& db) { Rows{db}.Write(key, update); });
}

void Journal::Finish(std::string_view key, const Outcome& outcome, const StepUpdate& last) {
  impl_->connections.Write(false, [&](Database& db) {  // I7
    Rows rows{db};
    if (outcome.status == Status::Queued) {  // T7
      rows.Requeue(key);
      return;
    }
    // T6
    rows.Write(key, last);
    Outcome stored = outcome;
    stored.replayed = false;
    stored.steps.clear();  // I6: the steps are rows
    Query q(db, kSetOutcome);
    q.Bind(1, StatusName(outcome.status)).Bind(2, ToJson(stored)).Bind(3, key).Run();
  });
}

JournalEntry Journal::Settle(std::string_view key, const Settlement& settlement) {
  JournalEntry result;
  impl_->connections.Write(true, [&](Database& db) { result = Rows{db}.Settle(key, settlement); });
  return result;
}

JournalEntry Rows::Settle(std::string_view key, const Settlement& settlement) {
  auto row = Find(key, true);
  if (!row || row->entry.status != Status::NeedsAttention) {
    throw JournalError("journal " + db.Path() + ": the document \"" + std::string(key) +
                       "\" does not need attention");
  }
  if (settlement.action == Settlement::Action::MarkSettled) {  // T9
    const Status as = settlement.settled_as;
    if (as != Status::Closed && as != Status::Voided && as != Status::Failed) {
      throw DocumentError("settled_as", "a document is settled as closed, voided or failed");
    }
    Outcome settled = row->entry.outcome.value_or(Outcome{});
    settled.key = std::string(key);
    settled.status = settlement.settled_as;
    settled.holds_register = false;
    settled.settlement = settlement;
    settled.steps.clear();
    Query q(db, kSetOutcome);
    q.Bind(1, StatusName(settled.status)).Bind(2, ToJson(settled)).Bind(3, key).Run();
  } else {  // T8
    Query(db, kSetInstruction)
        .Bind(1, InstructionJson(std::string(key), settlement))
        .Bind(2, key)
        .Run();
  }
  row = Find(key, true);
  return std::move(row->entry);
}

JournalEntry Journal::Cancel(std::string_view key, std::string_view by) {
  JournalEntry entry;
  impl_->connections.Write(false, [&](Database& db) {  // T11
    Rows rows{db};
    if (!rows.Find(key, false)) {
      throw JournalError("journal " + db.Path() + ": no document with key \"" + std::string(key) +
                         "\"");
    }
    Outcome cancelled;
    cancelled.key = std::string(key);
    cancelled.status = Status::Cancelled;
    FailedStep why;
    why.kind = "cancelled";
    why.reason = "cancelled by " + std::string(by.empty() ? "an operator" : by) +
                 " before it started: nothing was sent";
    cancelled.failed_step = std::move(why);
    Query(db, kCancel).Bind(1, ToJson(cancelled)).Bind(2, key).Run();
    entry = std::move(rows.Find(key, true)->entry);
  });
  return entry;
}

ListPage Journal::List(const ListQuery& query) {
  ListPage page;
  impl_->connections.Read([&](Database& db) {
    Query q(db, ListSql(query));
    int index = 0;
    if (query.status) q.Bind(++index, StatusName(*query.status));
    if (!query.register_name.empty()) q.Bind(++index, query.register_name);
    if (!query.since.empty()) q.Bind(++index, query.since);
    if (query.before) q.Bind(++index, *query.before);
    // One more than asked: it tells whether a next page exists.
    q.Bind(++index, static_cast<std::int64_t>(query.limit + 1));
    while (q.Step()) {
      if (page.documents.size() == query.limit) {
        page.next = page.documents.back().sequence;
        break;
      }
      ListedDocument d;
      d.key = q.Text(0);
      d.status = StatusNamed(q.Text(1)).value_or(Status::Failed);
      d.register_name = q.Text(2);
      d.type = q.Text(3);
      d.updated = q.Text(4);
      d.sequence = q.Integer(5);
      page.documents.push_back(std::move(d));
    }
  });
  return page;
}

std::optional<ClosureMark> Journal::LastClosure(std::string_view register_name) {
  std::optional<ClosureMark> mark;
  impl_->connections.Read([&](Database& db) {
    Query q(db, kLastClosure);
    q.Bind(1, register_name);
    if (q.Step()) mark = ClosureMark{q.Integer(0), q.Text(1)};
  });
  return mark;
}

std::vector<JournalEntry> Journal::ReceiptsAfter(std::string_view register_name,
                                                 std::int64_t after_sequence) {
  std::vector<JournalEntry> entries;
  impl_->connections.Read([&](Database& db) {
    Query q(db, kReceiptsAfter);
    q.Bind(1, register_name).Bind(2, after_sequence);
    Rows rows{db};
    while (q.Step()) {
      try {
        entries.push_back(rows.ReadRow(q, false).entry);
      } catch (const DamagedRowError&) {  // Unfinished reports damaged rows; totals pass them over
      }
    }
  });
  return entries;
}

std::string DefaultJournalPath() {
  const auto state = support::UserFolderPath(support::UserFolder::State);
  if (!state) {
    throw JournalError("no place for the journal: " +
                       support::UserFolderMissing(support::UserFolder::State));
  }
  return *state + "/tavirel/journal.db";
}

}  // namespace tavirel::documents
