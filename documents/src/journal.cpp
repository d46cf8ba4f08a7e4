// The journal in SQLite: one row per document, one per step sent. Every
// transition of journal.hpp's machine is one function below; the states are
// stored by name.
#include "tavirel/documents/journal.hpp"

#include <array>
#include <mutex>

#include "journal_schema.hpp"
#include "sqlite_db.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/support/user_folders.hpp"

namespace tavirel::documents {
namespace {

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

}  // namespace

struct Journal::Impl {
  Impl(const std::string& path, const JournalOptions& options) : db(path, options.empty_is_new) {
    CheckSchemaVersion(db);
    db.Exec("PRAGMA journal_mode=WAL");
    db.Exec("PRAGMA synchronous=FULL");
    BringUpToDate(db);
  }

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

  void Requeue(std::string_view key) {
    Query(db, kDeleteSteps).Bind(1, key).Run();
    Query(db, kRequeue).Bind(1, key).Run();
  }

  std::mutex mutex;
  Database db;
};

Journal::Journal(const std::string& path, JournalOptions options)
    : impl_(std::make_unique<Impl>(path, options)) {}
Journal::~Journal() = default;

const std::string& Journal::Path() const { return impl_->db.Path(); }

Admitted Journal::Admit(const Document& document, std::string_view register_name, bool room) {
  std::lock_guard lock(impl_->mutex);
  Admitted result;
  auto row = impl_->Find(document.key, true);
  if (row) {
    impl_->CheckContent(row->entry, document);
    Impl::CheckRegister(row->entry, register_name);
    const Status status = row->entry.status;
    if (status != Status::Failed) {
      const bool pending =
          status == Status::Queued || status == Status::Running || status == Status::Uncertain;
      result.admission = pending ? Admission::Pending : Admission::Answered;
      result.entry = std::move(row->entry);
      return result;
    }
  }
  if (!room) {
    result.admission = Admission::NoRoom;
    if (row) result.entry = std::move(row->entry);
    return result;
  }
  Transaction t(impl_->db);
  if (row) {  // T2
    impl_->Requeue(document.key);
  } else {  // T1
    Query q(impl_->db, kInsert);
    q.Bind(1, document.key).Bind(2, ToJson(document)).Bind(3, CanonicalContent(document));
    q.Bind(4, ContentHash(document)).Bind(5, register_name).Run();
  }
  row = impl_->Find(document.key, false);
  t.Commit();
  result.admission = Admission::Queued;
  result.entry = std::move(row->entry);
  return result;
}

std::optional<JournalEntry> Journal::Lookup(std::string_view key) {
  std::lock_guard lock(impl_->mutex);
  auto row = impl_->Find(key, true);
  if (!row) return std::nullopt;
  return std::move(row->entry);
}

UnfinishedEntries Journal::Unfinished(std::string_view register_name) {
  std::lock_guard lock(impl_->mutex);
  return impl_->Select(kSelectUnfinished, register_name);
}

std::vector<JournalEntry> Journal::InFlight(std::int32_t serial) {
  std::lock_guard lock(impl_->mutex);
  // A damaged row cannot be resumed: Unfinished reports it; here it is passed over.
  return impl_->Select(kSelectInFlight, std::int64_t{serial}).entries;
}

StartResult Journal::Start(const Document& document, std::int32_t serial, const StepUpdate& first) {
  std::lock_guard lock(impl_->mutex);
  Transaction t(impl_->db);
  StartResult result;
  auto row = impl_->Find(document.key, true);
  if (!row) {
    throw JournalError("journal " + Path() + ": the key \"" + document.key +
                       "\" was not admitted before it was started");
  }
  impl_->CheckContent(row->entry, document);
  result.from = row->entry.status;
  result.instruction = row->instruction;
  switch (row->entry.status) {
    case Status::Queued:  // T3
      Query(impl_->db, kSetRunning).Bind(1, std::int64_t{serial}).Bind(2, document.key).Run();
      impl_->Write(document.key, first);
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
      Query(impl_->db, kSetRunning).Bind(1, std::int64_t{serial}).Bind(2, document.key).Run();
      result.steps = impl_->Steps(document.key, result.last_in_flight);
      result.progress = row->progress;
      result.kind = result.steps.empty() ? StartKind::Fresh : StartKind::Resume;
      break;
    case Status::NeedsAttention:
      throw JournalError("journal " + Path() + ": the document \"" + document.key +
                         "\" needs attention: it is not run again until it is settled");
    case Status::Closed:
    case Status::Voided:
    case Status::Failed:
    case Status::Cancelled:
      result.kind = StartKind::Ended;
      result.entry = std::move(row->entry);
      return result;
  }
  result.entry = impl_->Find(document.key, false)->entry;
  t.Commit();
  return result;
}

void Journal::Record(std::string_view key, const StepUpdate& update) {
  std::lock_guard lock(impl_->mutex);
  Transaction t(impl_->db);
  impl_->Write(key, update);
  t.Commit();
}

void Journal::Finish(std::string_view key, const Outcome& outcome, const StepUpdate& last) {
  std::lock_guard lock(impl_->mutex);
  Transaction t(impl_->db, false);         // I7
  if (outcome.status == Status::Queued) {  // T7
    impl_->Requeue(key);
  } else {  // T6
    impl_->Write(key, last);
    Outcome stored = outcome;
    stored.replayed = false;
    stored.steps.clear();  // I6: the steps are rows
    Query q(impl_->db, kSetOutcome);
    q.Bind(1, StatusName(outcome.status)).Bind(2, ToJson(stored)).Bind(3, key).Run();
  }
  t.Commit();
}

JournalEntry Journal::Settle(std::string_view key, const Settlement& settlement) {
  std::lock_guard lock(impl_->mutex);
  Transaction t(impl_->db);
  auto row = impl_->Find(key, true);
  if (!row || row->entry.status != Status::NeedsAttention) {
    throw JournalError("journal " + Path() + ": the document \"" + std::string(key) +
                       "\" does not need attention");
  }
  if (settlement.action == Settlement::Action::MarkSettled) {  // T9
    if (!IsFinal(settlement.settled_as) || settlement.settled_as == Status::Cancelled) {
      throw DocumentError("settled_as", "a document is settled as closed, voided or failed");
    }
    Outcome settled = row->entry.outcome.value_or(Outcome{});
    settled.key = std::string(key);
    settled.status = settlement.settled_as;
    settled.holds_register = false;
    settled.settlement = settlement;
    settled.steps.clear();
    Query q(impl_->db, kSetOutcome);
    q.Bind(1, StatusName(settled.status)).Bind(2, ToJson(settled)).Bind(3, key).Run();
  } else {  // T8
    Query(impl_->db, kSetInstruction)
        .Bind(1, InstructionJson(std::string(key), settlement))
        .Bind(2, key)
        .Run();
  }
  row = impl_->Find(key, true);
  t.Commit();
  return std::move(row->entry);
}

JournalEntry Journal::Cancel(std::string_view key, std::string_view by) {
  std::lock_guard lock(impl_->mutex);
  Transaction t(impl_->db);
  if (!impl_->Find(key, false)) {
    throw JournalError("journal " + Path() + ": no document with key \"" + std::string(key) + "\"");
  }
  Outcome cancelled;
  cancelled.key = std::string(key);
  cancelled.status = Status::Cancelled;
  FailedStep why;
  why.kind = "cancelled";
  why.reason = "cancelled by " + std::string(by.empty() ? "an operator" : by) +
               " before it started: nothing was sent";
  cancelled.failed_step = std::move(why);
  Query(impl_->db, kCancel).Bind(1, ToJson(cancelled)).Bind(2, key).Run();
  auto row = impl_->Find(key, true);
  t.Commit();
  return std::move(row->entry);
}

ListPage Journal::List(const ListQuery& query) {
  std::lock_guard lock(impl_->mutex);
  Query q(impl_->db, ListSql(query));
  int index = 0;
  if (query.status) q.Bind(++index, StatusName(*query.status));
  if (!query.register_name.empty()) q.Bind(++index, query.register_name);
  if (!query.since.empty()) q.Bind(++index, query.since);
  if (query.before) q.Bind(++index, *query.before);
  // One more than asked: it tells whether a next page exists.
  q.Bind(++index, static_cast<std::int64_t>(query.limit + 1));
  ListPage page;
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
  return page;
}

std::optional<ClosureMark> Journal::LastClosure(std::string_view register_name) {
  std::lock_guard lock(impl_->mutex);
  Query q(impl_->db, kLastClosure);
  q.Bind(1, register_name);
  if (!q.Step()) return std::nullopt;
  return ClosureMark{q.Integer(0), q.Text(1)};
}

std::vector<JournalEntry> Journal::ReceiptsAfter(std::string_view register_name,
                                                 std::int64_t after_sequence) {
  std::lock_guard lock(impl_->mutex);
  Query q(impl_->db, kReceiptsAfter);
  q.Bind(1, register_name).Bind(2, after_sequence);
  std::vector<JournalEntry> entries;
  while (q.Step()) {
    try {
      entries.push_back(impl_->ReadRow(q, false).entry);
    } catch (const DamagedRowError&) {  // Unfinished reports damaged rows; totals pass them over
    }
  }
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
