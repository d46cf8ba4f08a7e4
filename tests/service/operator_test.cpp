// The register as its operator sees it, end to end through the service on
// the built-in simulated register: the status, the paper, the decisions for
// a document that needs attention, the totals, the paper of a document,
// cancelling, listing, and the read-only token.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <thread>

#include "service_rig.hpp"
#include "tavirel/decimal.hpp"

namespace tavirel::service::testing {
namespace {

using namespace std::chrono_literals;

// A fresh register for every test: the totals and the paper are its own.
class Operator : public ::testing::Test {
 protected:
  void SetUp() override {
    ServiceConfig config;
    config.registers = {ParseRegisterOption("sim=sim"),
                        ParseRegisterOption("off=/nonexistent/ttyUSB9")};
    config.read_token_file = dir_ / "read-token";
    ServiceParts parts;
    parts.wall = [this] { return std::chrono::system_clock::now() + wall_ahead_; };
    rig_ = std::make_unique<ServiceRig>(config, std::move(parts));
    ASSERT_TRUE(rig_->AllOpenBut("off"));
  }

  // Waits, bounded, until `predicate` holds of the register's status object.
  template <typename Predicate>
  Json StatusWhen(const std::string& name, Predicate predicate) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    Json status;
    while (std::chrono::steady_clock::now() < deadline) {
      const auto res = rig_->Client()->Get(("/v1/registers/" + name).c_str());
      if (res && res->status == 200) {
        status = Json::parse(res->body)["status"];
        if (predicate(status)) return status;
      }
      std::this_thread::sleep_for(20ms);
    }
    ADD_FAILURE() << "the status of " << name << " stayed " << status.dump();
    return status;
  }
  Json StatusIs(const std::string& summary) {
    return StatusWhen("sim", [&](const Json& s) { return s["summary"] == summary; });
  }

  httplib::Result Post(const std::string& path, const Json& body) {
    return rig_->Client()->Post(path.c_str(), body.dump(), "application/json");
  }
  Json Submit(const Json& document, int wait = 60) {
    const auto res = Post("/v1/registers/sim/documents?wait=" + std::to_string(wait), document);
    EXPECT_TRUE(res);
    return res ? Json::parse(res->body) : Json();
  }
  Json Lookup(const std::string& key, int wait = 0) {
    const auto res =
        rig_->Client()->Get(("/v1/documents/" + key + "?wait=" + std::to_string(wait)).c_str());
    return res ? Json::parse(res->body) : Json();
  }
  Json Switch(const Json& body) {
    const auto res = Post("/v1/registers/sim/sim", body);
    EXPECT_EQ(res->status, 200) << res->body;
    return Json::parse(res->body);
  }
  // The kept papers of a kind, by the sim's state line.
  std::string PaperOf(const std::string& key) {
    const auto res = rig_->Client()->Get(("/v1/documents/" + key + "/paper").c_str());
    EXPECT_TRUE(res);
    return res && res->status == 200 ? res->body : "";
  }

  static Json Receipt(const std::string& key, const std::vector<Json>& lines,
                      const std::vector<Json>& payments) {
    return Json{
        {"key", key}, {"type", "receipt"}, {"lines", Json(lines)}, {"payments", Json(payments)}};
  }
  static Json Line(const std::string& price, const std::string& what = "PANE") {
    return Json{{"department", 1}, {"description", what}, {"price", price}};
  }

  TempDir dir_;
  std::chrono::hours wall_ahead_{0};
  std::unique_ptr<ServiceRig> rig_;
};

// Paper out, on the payment or on the first line: the queue stops, the status says paper-out, and
// one refill goes on where it stopped, printing one receipt.
TEST_F(Operator, PaperOutStopsTheQueueUntilOneRefillPrintsOneReceipt) {
  struct Case {
    const char* name;
    Json before;
  };
  const std::vector<Case> cases = {
      {"mid-receipt", Json{{"fault", "paper-end:1036"}}},
      {"on-the-first-line", Json{{"fault", "paper-end:1003"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string key = std::string("paper-") + c.name;
    Switch(c.before);
    const Json stopped =
        Submit(Receipt(key, {Line("2.00"), Line("3.00", "LATTE")}, {Json{{"type", "cash"}}}));
    EXPECT_EQ(stopped["status"], "needs-attention") << stopped.dump();
    EXPECT_EQ(stopped["failed_step"]["kind"], "paper-out");
    const Json status = StatusIs("paper-out");
    EXPECT_EQ(status["paper"], (Json{{"which", "receipt"}, {"document", key}}));
    EXPECT_EQ(status["attention"]["key"], key);
    EXPECT_EQ(status["attention"]["error"]["kind"], "paper-out");

    // Queued behind it: waits, and says why.
    const auto behind = Post("/v1/registers/sim/documents?wait=0",
                             Receipt(key + "-next", {Line("1.00")}, {Json{{"type", "cash"}}}));
    ASSERT_EQ(behind->status, 202) << behind->body;
    const std::string waiting = Json::parse(behind->body).value("waiting", "");
    EXPECT_NE(waiting.find("out of paper"), std::string::npos) << behind->body;
    EXPECT_EQ(Lookup(key + "-next")["status"], "queued");

    const auto refilled = Post("/v1/registers/sim/paper-refilled", Json{{"by", "anna"}});
    ASSERT_EQ(refilled->status, 202) << refilled->body;
    // Exactly once: a second refill finds nothing stopped on paper.
    EXPECT_EQ(Post("/v1/registers/sim/paper-refilled", Json::object())->status, 409);

    const Json closed = Lookup(key, 60);
    EXPECT_EQ(closed["status"], "closed") << closed.dump();
    EXPECT_EQ(closed["total"], "5.00");
    EXPECT_EQ(closed["settlement"]["by"], "anna");
    EXPECT_EQ(Lookup(key + "-next", 60)["status"], "closed");
    StatusIs("ready");
    const std::string paper = PaperOf(key);
    EXPECT_NE(paper.find("LATTE"), std::string::npos) << paper;
    const Json sim = Json::parse(rig_->Client()->Get("/v1/registers/sim/sim")->body);
    EXPECT_EQ(sim["paper_out"], false) << sim.dump();
  }
  // The paper switch itself.
  EXPECT_EQ(Switch(Json{{"paper", "out"}})["paper_out"], true);
  EXPECT_EQ(Switch(Json{{"paper", "in"}, {"which", "receipt"}})["paper_out"], false);
  EXPECT_EQ(Post("/v1/registers/sim/sim", Json{{"paper", "out"}, {"which", "journal"}})->status,
            400);
  // Not out of paper: refused, naming why.
  const auto idle = Post("/v1/registers/sim/paper-refilled", Json::object());
  EXPECT_EQ(idle->status, 409);
  EXPECT_NE(idle->body.find("not stopped on a paper end"), std::string::npos);
}

// The operator's decisions, each on a document that needs attention: a
// refusal after a partial payment paid by the rest, and one settled by
// hand; each journaled with who and how, and the register's paper holding
// what the register printed.
TEST_F(Operator, DecisionsForADocumentThatNeedsAttention) {
  struct Case {
    const char* name;
    Json decision;
    const char* ends;
  };
  const std::vector<Case> cases = {
      {"pay-rest", Json{{"action", "pay-rest"}, {"payment", {{"type", "cash"}}}, {"by", "marco"}},
       "closed"},
      {"mark-settled",
       Json{{"action", "mark-settled"},
            {"settled_as", "voided"},
            {"note", "voided on the keyboard"},
            {"by", "giulia"}},
       "voided"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string key = std::string("attention-") + c.name;
    Switch(Json{{"fault", "error=13:1044"}});  // the cheque after the cash is refused
    const Json stopped =
        Submit(Receipt(key, {Line("4.00")},
                       {Json{{"type", "cash"}, {"amount", "1.00"}}, Json{{"type", "cheque"}}}));
    ASSERT_EQ(stopped["status"], "needs-attention") << stopped.dump();
    const Json status = StatusIs("needs-attention");
    EXPECT_EQ(status["attention"]["key"], key);
    EXPECT_EQ(status["attention"]["paid"], "1.00");
    EXPECT_EQ(status["attention"]["left"], "3.00");
    EXPECT_EQ(status["attention"]["error"]["code"], 13);

    // Bad bodies name their field; a document that does not need attention is 409.
    for (const auto& [body, field] : std::vector<std::pair<Json, std::string>>{
             {Json{{"action", "shout"}}, "action"},
             {Json{{"action", "mark-settled"}, {"settled_as", "cancelled"}, {"note", "x"}},
              "settled_as"},
             {Json{{"action", "mark-settled"}, {"settled_as", "closed"}}, "note"},
             {Json{{"action", "pay-rest"}, {"payment", {{"type", "gold"}}}}, "payment.type"},
             {Json{{"action", "retry"}, {"colour", "red"}}, "colour"}}) {
      const auto bad = Post("/v1/documents/" + key + "/settle", body);
      EXPECT_EQ(bad->status, 400) << body.dump();
      EXPECT_EQ(Json::parse(bad->body)["field"], field) << bad->body;
    }
    const auto settled = Post("/v1/documents/" + key + "/settle?wait=60", c.decision);
    ASSERT_EQ(settled->status, 200) << settled->body;
    const Json outcome = Json::parse(settled->body);
    EXPECT_EQ(outcome["status"], c.ends) << outcome.dump();
    EXPECT_EQ(outcome["settlement"]["action"], c.decision["action"]);
    EXPECT_EQ(outcome["settlement"]["by"], c.decision["by"]);
    EXPECT_EQ(Post("/v1/documents/" + key + "/settle", c.decision)->status, 409);
    StatusIs("ready");
  }
  // Paid by the rest: closed once, its receipt on the paper once.
  const Json paid = Lookup("attention-pay-rest");
  EXPECT_EQ(paid["total"], "4.00");
  const std::string paper = PaperOf("attention-pay-rest");
  EXPECT_NE(paper.find("4,00"), std::string::npos) << paper;
  // Settled by hand: the register was not touched; the note is kept.
  EXPECT_EQ(Lookup("attention-mark-settled")["settlement"]["note"], "voided on the keyboard");
}

// A report whose reply is lost cannot be told printed or not: it needs an
// operator, who settles it by hand with a note.
TEST_F(Operator, AReportWhoseReplyIsLostIsSettledByHand) {
  Switch(Json{{"fault", "no-reply:2001"}});
  const Json stopped =
      Submit(Json{{"key", "lost-x"}, {"type", "report"}, {"report", "x-financial-daily"}}, 120);
  ASSERT_EQ(stopped["status"], "needs-attention") << stopped.dump();
  const auto settled =
      Post("/v1/documents/lost-x/settle", Json{{"action", "mark-settled"},
                                               {"settled_as", "closed"},
                                               {"note", "the report came out of the printer"},
                                               {"by", "paolo"}});
  ASSERT_EQ(settled->status, 200) << settled->body;
  const Json outcome = Json::parse(settled->body);
  EXPECT_EQ(outcome["status"], "closed");
  EXPECT_EQ(outcome["settlement"]["by"], "paolo");
  EXPECT_EQ(outcome["settlement"]["note"], "the report came out of the printer");
  const Json again = Lookup("lost-x");
  EXPECT_EQ(again["settlement"]["action"], "mark-settled");
}

// The totals since the closure are the sum of the receipts' outcomes; a
// reprint is on the paper; the hours since the closure run on the wall clock.
TEST_F(Operator, TotalsSinceTheClosureAreTheSumOfTheOutcomes) {
  const Json before = Json::parse(rig_->Client()->Get("/v1/registers/sim/totals")->body);
  EXPECT_TRUE(before["last_receipt"].is_null());
  EXPECT_EQ(before["prints"], true);
  EXPECT_TRUE(before["register_reading"].is_null());
  EXPECT_TRUE(before["since_closure"]["from"].is_null());
  EXPECT_TRUE(StatusIs("ready")["closure"]["hours_since_last"].is_null());

  const Json closure =
      Submit(Json{{"key", "z-1"}, {"type", "report"}, {"report", "fiscal-closure"}});
  ASSERT_EQ(closure["status"], "closed") << closure.dump();
  const std::vector<Json> receipts = {
      Receipt("t-1", {Line("1.50")}, {Json{{"type", "cash"}, {"amount", "5.00"}}}),
      Receipt("t-2", {Line("2.25"), Line("0.80", "LATTE")}, {Json{{"type", "card"}, {"card", 1}}}),
      Receipt("t-3", {Line("10.00")},
              {Json{{"type", "cash"}, {"amount", "4.00"}}, Json{{"type", "cheque"}}}),
  };
  std::int64_t sum = 0;
  Json last;
  for (const Json& receipt : receipts) {
    last = Submit(receipt);
    ASSERT_EQ(last["status"], "closed") << last.dump();
    sum += *decimal::ScaleExact(*decimal::Parse(last["total"].get<std::string>()), 2);
  }
  const Json totals = Json::parse(rig_->Client()->Get("/v1/registers/sim/totals")->body);
  const Json& since = totals["since_closure"];
  EXPECT_EQ(since["receipts"], 3);
  EXPECT_EQ(*decimal::ScaleExact(*decimal::Parse(since["total"].get<std::string>()), 2), sum);
  EXPECT_EQ(since["total"], "14.55");
  EXPECT_EQ(since["payments"], (Json{{"cash", "5.50"}, {"card", "3.05"}, {"cheque", "6.00"}}));
  EXPECT_FALSE(since["from"].is_null());
  EXPECT_EQ(totals["last_receipt"]["number"], last["receipt_number"]);
  EXPECT_EQ(totals["serial"],
            Json::parse(rig_->Client()->Get("/v1/registers/sim")->body)["serial"]);

  // The closure is known: the hours since it follow the wall clock.
  wall_ahead_ = std::chrono::hours(5);
  const Json closure_status = StatusIs("ready")["closure"];
  EXPECT_FALSE(closure_status["due"]);
  EXPECT_NEAR(closure_status["hours_since_last"].get<double>(), 5.0, 0.1);

  // A reprint of the last receipt is on the paper, a copy of it.
  const Json reprint = Submit(Json{{"key", "again-1"}, {"type", "reprint"}});
  ASSERT_EQ(reprint["status"], "closed") << reprint.dump();
  const std::string copy = PaperOf("again-1");
  EXPECT_NE(copy.find("10,00"), std::string::npos) << copy;
  const auto json_paper =
      rig_->Client()->Get("/v1/documents/again-1/paper", {{"Accept", "application/json"}});
  EXPECT_EQ(Json::parse(json_paper->body)["paper"], copy);
  EXPECT_EQ(rig_->Client()->Get("/v1/documents/nobody/paper")->status, 404);
}

// Documents waiting on a register out of reach: they say why, are listed
// page by page, and a queued one is cancelled, for good.
TEST_F(Operator, QueuedDocumentsAreListedPagedAndCancelled) {
  std::vector<std::string> keys;
  for (int i = 0; i < 5; ++i) {
    keys.push_back("off-" + std::to_string(i));
    const auto res = rig_->Client()->Post(
        "/v1/registers/off/documents?wait=0",
        Receipt(keys.back(), {Line("1.00")}, {Json{{"type", "cash"}}}).dump(), "application/json");
    ASSERT_EQ(res->status, 202) << res->body;
  }
  const Json waiting = Lookup("off-0");
  EXPECT_EQ(waiting["status"], "queued");
  EXPECT_NE(waiting.value("waiting", "").find("the register is unavailable: "), std::string::npos)
      << waiting.dump();

  // Pages of two, newest first, until "next" is null; no key twice.
  std::vector<std::string> listed;
  std::string cursor;
  for (int page = 0; page < 5; ++page) {
    const std::string path = "/v1/documents?register=off&status=queued&limit=2" +
                             (cursor.empty() ? "" : "&after=" + cursor);
    const auto res = rig_->Client()->Get(path.c_str());
    ASSERT_EQ(res->status, 200) << res->body;
    const Json body = Json::parse(res->body);
    for (const Json& d : body["documents"]) {
      EXPECT_EQ(d["register"], "off");
      EXPECT_EQ(d["type"], "receipt");
      listed.push_back(d["key"]);
    }
    if (body["next"].is_null()) break;
    cursor = body["next"];
  }
  EXPECT_EQ(listed, (std::vector<std::string>{"off-4", "off-3", "off-2", "off-1", "off-0"}));
  const Json since =
      Json::parse(rig_->Client()->Get("/v1/documents?since=2999-01-01T00:00:00Z")->body);
  EXPECT_TRUE(since["documents"].empty());
  for (const char* bad : {"limit=0", "limit=501", "status=lost", "after=x", "since=yesterday"}) {
    EXPECT_EQ(rig_->Client()->Get((std::string("/v1/documents?") + bad).c_str())->status, 400)
        << bad;
  }

  const auto cancelled = rig_->Client()->Delete("/v1/documents/off-2");
  ASSERT_EQ(cancelled->status, 200) << cancelled->body;
  EXPECT_EQ(Json::parse(cancelled->body)["status"], "cancelled");
  // Sent again: answered with the cancellation, never queued anew.
  const auto again = rig_->Client()->Post(
      "/v1/registers/off/documents?wait=0",
      Receipt("off-2", {Line("1.00")}, {Json{{"type", "cash"}}}).dump(), "application/json");
  EXPECT_EQ(again->status, 200);
  EXPECT_EQ(Json::parse(again->body)["status"], "cancelled");
  EXPECT_EQ(rig_->Client()->Delete("/v1/documents/off-2")->status, 409);
  EXPECT_EQ(Json::parse(rig_->Client()->Get("/v1/registers/off")->body)["status"]["waiting"], 4);

  // One that ran is not cancelled: the answer names its state.
  ASSERT_EQ(Submit(Receipt("ran", {Line("1.00")}, {Json{{"type", "cash"}}}))["status"], "closed");
  const auto ran = rig_->Client()->Delete("/v1/documents/ran");
  EXPECT_EQ(ran->status, 409);
  EXPECT_NE(ran->body.find("is closed"), std::string::npos) << ran->body;
  EXPECT_EQ(rig_->Client()->Delete("/v1/documents/never-sent")->status, 404);
}

// The read-only token reads everything and changes nothing.
TEST_F(Operator, TheReadOnlyTokenMayOnlyRead) {
  std::ifstream file(dir_ / "read-token");
  std::string read_token;
  std::getline(file, read_token);
  ASSERT_GE(read_token.size(), 16U);
  auto reader = rig_->Anonymous();
  reader->set_bearer_token_auth(read_token.c_str());
  for (const char* path : {"/v1/registers", "/v1/registers/sim", "/v1/registers/sim/totals",
                           "/v1/documents", "/v1/registers/sim/sim"}) {
    EXPECT_EQ(reader->Get(path)->status, 200) << path;
  }
  const std::string receipt = Receipt("ro-1", {Line("1.00")}, {Json{{"type", "cash"}}}).dump();
  for (const auto& [method, path] : std::vector<std::pair<std::string, std::string>>{
           {"POST", "/v1/registers/sim/documents"},
           {"POST", "/v1/registers/sim/paper-refilled"},
           {"POST", "/v1/registers/sim/sim"},
           {"POST", "/v1/documents/ro-1/settle"},
           {"DELETE", "/v1/documents/ro-1"}}) {
    const auto res = method == "POST" ? reader->Post(path.c_str(), receipt, "application/json")
                                      : reader->Delete(path.c_str());
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, 403) << method << " " << path;
    EXPECT_EQ(Json::parse(res->body)["error"], "this token may only read");
  }
  EXPECT_EQ(Lookup("ro-1").value("error", ""), "no document with key \"ro-1\"");
  bool logged = false;
  for (const auto& line : rig_->LogLines()) {
    logged = logged || line.find("read-only-token") != std::string::npos;
  }
  EXPECT_TRUE(logged);
}

}  // namespace
}  // namespace tavirel::service::testing
