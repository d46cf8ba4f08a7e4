// Programming documents on the simulated register: applied (the register's
// own tables then hold the document), applied again (nothing changes), refused
// on a day with activity, a lost reply judged by reading the entry back, the
// clock set only past its drift, and a crash loop over every request and reply.
#include "tavirel/documents/programming.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "document_rig.hpp"

namespace tavirel::documents::test {
namespace {

constexpr const char* kTables = R"({"type": "programming", "version": 7,
    "vat": [{"number": 1, "rate": "10"}],
    "departments": [{"number": 1, "description": "PANE", "prices": ["1.50", "0", "0"], "vat": 1,
                     "limit": "0", "item": 0, "print_group": 0, "super_group": 0, "unit": "00"},
                    {"number": 5, "description": "CAFFE'", "prices": [1.10], "vat": 2}],
    "operators": [{"number": 1, "name": "MARIO", "code": 1234, "percent": "0"}],
    "header": [{"number": 1, "text": "BAR DA MARIO"}, {"number": 2, "print_type": 2}],
    "cards": [{"number": 1, "description": "VISA"}],
    "tickets": [{"number": 1, "description": "BUONO PASTO", "value": "5.29"}],
    "flags": [{"number": 3, "value": 1}],
    "config": [{"number": 2, "value": 45}],
    "clock": {"max_drift_s": 60}})";

std::string Keyed(const std::string& key, const std::string& body = kTables) {
  return "{\"key\": \"" + key + "\", " + body.substr(body.find('{') + 1);
}

// What the register starts with (the simulated register's factory tables)
// against the document, field by field, in the order of the writes.
const std::vector<std::string> kChanges = {
    "vat 1 rate 22.00 -> 10.00",
    "departments 1 description REPARTO 01 -> PANE",
    "departments 1 prices[0] 0.00 -> 1.50",
    "departments 5 description  -> CAFFE'",
    "departments 5 prices[0] 0.00 -> 1.10",
    "departments 5 vat 0 -> 2",
    "operators 1 name OPERATORE 01 -> MARIO",
    "operators 1 code **** -> ****",
    "tickets 1 value 0.00 -> 5.29",
    "flags 3 value 0 -> 1",
    "config 2 value 0 -> 45",
    "header 2 print_type 0 -> 2",
};

std::vector<std::string> Lines(const std::vector<Change>& changes) {
  std::vector<std::string> lines;
  for (const Change& c : changes) {
    lines.push_back(c.table + (c.number ? " " + std::to_string(*c.number) : "") + " " + c.field +
                    " " + c.from.value_or("?") + " -> " + c.to);
  }
  return lines;
}

std::string Trim(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

int Count(const Outcome& o, std::string_view member) {
  return static_cast<int>(std::count_if(o.steps.begin(), o.steps.end(),
                                        [&](const StepRecord& s) { return s.member == member; }));
}

// The register's own tables, read from its state rather than through the
// driver's decoders.
void ExpectTablesHoldTheDocument(const sim::RegisterState& s) {
  const auto& t = s.tables;
  EXPECT_EQ(t.vat_rates[1].hundredths, 1000);
  EXPECT_EQ(Trim(t.departments[1].description), "PANE");
  EXPECT_EQ(t.departments[1].prices[0], 150);
  EXPECT_EQ(Trim(t.departments[5].description), "CAFFE'");
  EXPECT_EQ(t.departments[5].prices[0], 110);
  EXPECT_EQ(t.departments[5].vat, 2);
  EXPECT_EQ(Trim(t.operators[1].name), "MARIO");
  EXPECT_EQ(t.operators[1].secret, 1234);
  EXPECT_EQ(t.ticket_types[1].value, 529);
  EXPECT_EQ(t.flags[3], 1);
  EXPECT_EQ(t.conf[2], 45);
  EXPECT_EQ(Trim(t.header[1].text), "BAR DA MARIO");
  EXPECT_EQ(s.line_types[2], 2);
}

TEST(Programming, AppliedThenAppliedAgainUnderANewKeyChangesNothing) {
  DocumentRig rig;
  const Outcome first = rig.Run(Keyed("prog-7"));
  ASSERT_EQ(first.status, Status::Closed) << ToJson(first);
  EXPECT_EQ(first.version, 7);
  EXPECT_EQ(Lines(first.changes), kChanges);
  EXPECT_EQ(first.unchanged, 2);  // the card type and the clock
  EXPECT_EQ(Lines(first.written), std::vector<std::string>{"header 1 text ? -> BAR DA MARIO"});
  ExpectTablesHoldTheDocument(rig.line.reg->State());
  EXPECT_TRUE(rig.RegisterIdle());
  EXPECT_TRUE(rig.line.reg->JournalDocuments().empty()) << "programming printed something";
  // The secret code never shows, in the outcome or its steps' commands.
  const auto op = std::find_if(first.steps.begin(), first.steps.end(),
                               [](const StepRecord& s) { return s.member == "opProgOpr"; });
  ASSERT_NE(op, first.steps.end());
  EXPECT_EQ(op->command, "401301MARIO               ****0000");

  const Outcome again = rig.Run(Keyed("prog-8"));
  ASSERT_EQ(again.status, Status::Closed) << ToJson(again);
  EXPECT_TRUE(again.changes.empty()) << ToJson(again);
  EXPECT_EQ(again.unchanged, 10);
  EXPECT_EQ(again.written.size(), 1u);  // the header's text: no reading, written every time
  for (const StepRecord& s : again.steps) {
    EXPECT_TRUE(!s.member.starts_with("opProg") || s.member == "opProgRigaInt") << s.member;
  }
  ExpectTablesHoldTheDocument(rig.line.reg->State());

  const Outcome replayed = rig.Run(Keyed("prog-7"));
  EXPECT_TRUE(replayed.replayed);
  EXPECT_EQ(Lines(replayed.changes), kChanges);
}

TEST(Programming, ADayWithActivityRefusesItAndNothingChangesUntilTheClosure) {
  DocumentRig rig;
  ASSERT_EQ(rig.Run(R"({"key": "sale", "lines": [{"department": 1, "description": "PANE",
                        "price": "1.00"}], "payments": [{"type": "cash"}]})")
                .status,
            Status::Closed);
  const auto before = rig.line.reg->State().tables;
  const Outcome refused = rig.Run(Keyed("prog-7"));
  EXPECT_EQ(refused.status, Status::Failed) << ToJson(refused);
  ASSERT_TRUE(refused.failed_step);
  EXPECT_EQ(refused.failed_step->member, "opProgTassa");
  EXPECT_EQ(refused.failed_step->where, "vat[0]");
  EXPECT_EQ(refused.failed_step->kind, "closure-due");
  EXPECT_EQ(refused.failed_step->printer_error, 17);
  EXPECT_NE(refused.failed_step->reason.find("nothing was changed"), std::string::npos);
  EXPECT_TRUE(refused.changes.empty());
  EXPECT_EQ(rig.line.reg->State().tables, before);

  ASSERT_EQ(rig.Run(R"({"key": "z", "type": "report", "report": "fiscal-closure"})").status,
            Status::Closed);
  const Outcome applied = rig.Run(Keyed("prog-7"));  // a failed key runs again
  EXPECT_EQ(applied.status, Status::Closed) << ToJson(applied);
  EXPECT_EQ(Lines(applied.changes), kChanges);
  ExpectTablesHoldTheDocument(rig.line.reg->State());
}

// Arms `fault` for the first request whose command starts with `code`.
void ArmOnCommand(DocumentRig& rig, std::string code, std::string fault) {
  HostHooks hooks = rig.line.ctl->Hooks();
  auto armed = std::make_shared<bool>(false);
  hooks.trace = [&rig, code, fault, armed](TraceDirection d, std::string_view bytes, auto) {
    if (d == TraceDirection::Written && !*armed && bytes.size() > 8 && bytes[0] == '\x02' &&
        bytes.substr(4, code.size()) == code) {
      *armed = true;
      rig.Arm(fault);
    }
  };
  rig.line.ctl->SetHooks(hooks);
}

struct LostReply {
  const char* what;
  const char* code;    // the write whose reply is lost
  const char* member;  // its member
  int sent;            // how often it goes out
  const char* next;    // the request after it
};

TEST(Programming, ALostReplyIsJudgedByReadingTheEntryBackNeverByGuessing) {
  const LostReply rows[] = {
      // Carried out: the reading shows the document's values; it is not sent again.
      {"department", "4002", "opProgReparto", 1, "opReadReparto"},
      {"clock", "4001", "opProgDataOra", 1, "opReadDataOra"},
      // No reading tells: the same text once more is one write.
      {"header text", "3016", "opProgRigaInt", 2, "opProgRigaInt"},
  };
  for (const LostReply& row : rows) {
    SCOPED_TRACE(row.what);
    DocumentRig rig;
    rig.host_time = {2026, 12, 7, 10, 45, 0};  // the clock is 15 minutes off
    ArmOnCommand(rig, row.code, "no-reply");
    const Outcome o = rig.Run(Keyed("lost"));
    ASSERT_EQ(o.status, Status::Closed) << ToJson(o);
    const auto lost = std::find_if(o.steps.begin(), o.steps.end(),
                                   [&](const StepRecord& s) { return s.member == row.member; });
    ASSERT_NE(lost, o.steps.end());
    EXPECT_EQ(lost->result, OP_ERR_TIMEOUT);
    EXPECT_EQ(std::count_if(o.steps.begin(), o.steps.end(),
                            [&](const StepRecord& s) { return s.command == lost->command; }),
              row.sent);
    EXPECT_EQ((lost + 1)->member, row.next);
    EXPECT_EQ(o.changes.size(), kChanges.size() + 1);  // each change once, and the clock's
    EXPECT_EQ(o.written.size(), 1u);
    ExpectTablesHoldTheDocument(rig.line.reg->State());
  }
}

// The register falls silent as a write goes out: its reading back goes
// unanswered, the document is uncertain, and the next run reads the entry
// first: the write took, it is listed once and never sent again.
TEST(Programming, AWriteLeftUncertainIsSettledByTheNextRunsReading) {
  DocumentRig rig;
  ArmOnCommand(rig, "4002", "no-reply@1");
  const Outcome silent = rig.Run(Keyed("silent"));
  ASSERT_EQ(silent.status, Status::Uncertain) << ToJson(silent);
  ASSERT_TRUE(silent.failed_step);
  EXPECT_EQ(silent.failed_step->where, "departments[0]");
  EXPECT_EQ(silent.failed_step->member, "opProgReparto");
  EXPECT_EQ(Lines(silent.changes), std::vector<std::string>{kChanges[0]});
  rig.line.reg->ClearFaults();
  rig.line.ctl->SetHooks({});
  const Outcome o = rig.Run(Keyed("silent"));
  ASSERT_EQ(o.status, Status::Closed) << ToJson(o);
  EXPECT_FALSE(o.replayed);
  EXPECT_EQ(Lines(o.changes), kChanges);
  const std::string pane = "400201PANE";
  EXPECT_EQ(std::count_if(o.steps.begin(), o.steps.end(),
                          [&](const StepRecord& s) { return s.command.starts_with(pane); }),
            1);
  ExpectTablesHoldTheDocument(rig.line.reg->State());
}

struct ClockRow {
  DateParts host;
  const char* to;  // the register set to this minute; "" left as it is
};

// The register's clock (7 December 2026, 10:30, whole minutes) against the host's.
TEST(Programming, TheClockIsSetFromTheHostsOnlyPastItsDrift) {
  const ClockRow rows[] = {
      {{2026, 12, 7, 10, 30, 59}, ""},                   // within the minute shown
      {{2026, 12, 7, 10, 31, 59}, ""},                   // 60 s past it: the limit
      {{2026, 12, 7, 10, 29, 0}, ""},                    // 60 s before it
      {{2026, 12, 7, 10, 32, 0}, "2026-12-07T10:32"},    // 61 s past it
      {{2026, 12, 7, 10, 28, 40}, "2026-12-07T10:29"},   // 80 s before: the nearest minute
      {{2026, 12, 31, 23, 59, 45}, "2027-01-01T00:00"},  // and its carry into a new year
  };
  for (const ClockRow& row : rows) {
    SCOPED_TRACE(row.to);
    DocumentRig rig;
    rig.host_time = row.host;
    const Outcome o =
        rig.Run(R"({"key": "clock", "type": "programming", "clock": {"max_drift_s": 60}})");
    ASSERT_EQ(o.status, Status::Closed) << ToJson(o);
    if (*row.to == '\0') {
      EXPECT_TRUE(o.changes.empty()) << ToJson(o);
      EXPECT_EQ(o.unchanged, 1);
      EXPECT_EQ(Count(o, "opProgDataOra"), 0);
      continue;
    }
    EXPECT_EQ(Lines(o.changes), std::vector<std::string>{"clock date_time 2026-12-07T10:30 -> " +
                                                         std::string(row.to)});
    const sim::CivilTime now = rig.line.reg->Now();
    char shown[20];
    std::snprintf(shown, sizeof shown, "%04d-%02d-%02dT%02d:%02d", now.year, now.month, now.day,
                  now.hour, now.minute);
    EXPECT_EQ(std::string(shown), row.to);
  }
}

// The host stopped at every request and every reply, then the document run
// again with the same key: applied whole, each change reported once, with the
// values it had before the first run.
TEST(Programming, CrashLoopEveryRequestAndEveryReplyThenRunAgain) {
  const std::string doc = R"({"key": "crash", "type": "programming",
      "vat": [{"number": 2, "rate": "5"}],
      "departments": [{"number": 2, "description": "LATTE", "vat": 2}],
      "header": [{"number": 3, "text": "GRAZIE"}],
      "clock": {"max_drift_s": 120}})";
  const std::vector<std::string> expected = {
      "vat 2 rate 10.00 -> 5.00",
      "clock date_time 2026-12-07T10:30 -> 2026-12-07T11:00",
      "departments 2 description REPARTO 02 -> LATTE",
  };
  // 1 serial, 3 readings, then two writes each read back, the header's text.
  for (int frame = 2; frame <= 11; ++frame) {
    for (const bool after_reply : {false, true}) {
      SCOPED_TRACE("frame " + std::to_string(frame) + (after_reply ? " after its reply" : ""));
      DocumentRig rig;
      rig.host_time = {2026, 12, 7, 11, 0, 0};
      CrashAt(rig, frame, after_reply);
      EXPECT_THROW(rig.Run(doc), Crash);
      rig.line.ctl->SetHooks({});
      const Outcome o = rig.Run(doc);
      ASSERT_EQ(o.status, Status::Closed) << ToJson(o);
      EXPECT_EQ(Lines(o.changes), expected);
      EXPECT_EQ(Lines(o.written), std::vector<std::string>{"header 3 text ? -> GRAZIE"});
      const auto s = rig.line.reg->State();
      EXPECT_EQ(s.tables.vat_rates[2].hundredths, 500);
      EXPECT_EQ(Trim(s.tables.departments[2].description), "LATTE");
      EXPECT_EQ(Trim(s.tables.header[3].text), "GRAZIE");
      EXPECT_EQ(rig.line.reg->Now().hour, 11);
      EXPECT_TRUE(rig.RegisterIdle());
      EXPECT_TRUE(rig.Run(doc).replayed);
    }
  }
}

// Each table's widths, against the command the driver composes: they place
// the secret code's digits that the journal never keeps.
TEST(Programming, TheTablesWidthsAreTheDriversCommandLayout) {
  DocumentRig rig;
  for (const ProgramTable& table : ProgramTables()) {
    SCOPED_TRACE(std::string(table.program));
    std::vector<Variant> args{Variant(std::int16_t{1})};
    std::size_t width = 4 + static_cast<std::size_t>(table.number_width);
    for (const ProgramField& f : table.fields) {
      width += static_cast<std::size_t>(f.width);
      switch (f.kind) {
        case FieldKind::Text: args.emplace_back("A"); break;
        case FieldKind::Unit: args.emplace_back("00"); break;
        case FieldKind::Money: args.emplace_back(Currency::Parse("1.00")); break;
        case FieldKind::Percent: args.emplace_back(1.5f); break;
        case FieldKind::Secret: args.emplace_back(std::int16_t{4321}); break;
        case FieldKind::Whole: args.emplace_back(std::int16_t{1}); break;
      }
    }
    rig.line.ctl->RunOperation(table.program, args);
    const std::string command = rig.line.ctl->CurrentCommand();
    EXPECT_EQ(command.size(), width) << command;
    if (table.name == "operators") {
      EXPECT_EQ(command.substr(26, 4), "4321");
    }
  }
}

TEST(Reprint, PrintsOnceAndGivesItsNumberAndALostReplyIsNeverRepeated) {
  DocumentRig rig;
  const Outcome none = rig.Run(R"({"key": "r0", "type": "reprint"})");
  EXPECT_EQ(none.status, Status::Failed);  // no receipt yet to reprint
  ASSERT_TRUE(none.failed_step);
  EXPECT_EQ(none.failed_step->kind, "no-data");
  ASSERT_EQ(rig.Run(R"({"key": "sale", "lines": [{"department": 1, "description": "PANE",
                        "price": "1.00"}], "payments": [{"type": "cash"}]})")
                .status,
            Status::Closed);
  const auto reprints = [&rig] {
    const auto docs = rig.line.reg->JournalDocuments();
    return std::count_if(docs.begin(), docs.end(),
                         [](const auto& d) { return d.kind == sim::DocumentKind::Reprint; });
  };
  const Outcome printed = rig.Run(R"({"key": "r1", "type": "reprint"})");
  ASSERT_EQ(printed.status, Status::Closed) << ToJson(printed);
  EXPECT_EQ(printed.document_number, rig.line.reg->State().non_fiscal_number);
  EXPECT_TRUE(printed.date);
  EXPECT_EQ(reprints(), 1);

  rig.Arm("no-reply");
  const Outcome lost = rig.Run(R"({"key": "r2", "type": "reprint"})");
  EXPECT_EQ(lost.status, Status::NeedsAttention);
  EXPECT_FALSE(lost.holds_register);
  EXPECT_EQ(reprints(), 2);  // carried out, though its reply was lost
  EXPECT_TRUE(rig.Run(R"({"key": "r2", "type": "reprint"})").replayed);
  EXPECT_EQ(reprints(), 2);
}

}  // namespace
}  // namespace tavirel::documents::test
