// Clear To Send through RFC 2217: a scripted COM-port server of the test's
// own puts the simulated register behind a TCP port and reports its CTS line
// in modem-state notifications (a pseudo-terminal behind ser2net has none).
// The register switched off is OP_ERR_NOCOLL with nothing written, as on a
// local line.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "script_server.hpp"
#include "tavirel/port_factory.hpp"
#include "tavirel/sim/simulated_register.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::ComPort;
using SteadyNow = std::chrono::steady_clock;

// The register behind a minimal RFC 2217 server: it agrees to the client's
// offers, answers each line setting with the value asked for, reports CTS
// whenever the register's power changes, and carries data with IAC doubled.
class ComPortRegister {
 public:
  explicit ComPortRegister(sim::SimulatedRegister& reg) : reg_(reg) {
    reg_.SetCtsListener([this](bool cts) { SendModemState(cts, true); });
    thread_ = std::thread([this] { Serve(); });
  }
  ~ComPortRegister() {
    stop_ = true;
    thread_.join();
    reg_.SetCtsListener({});
  }
  [[nodiscard]] std::string Url() const { return server_.Url("rfc2217"); }
  [[nodiscard]] int MaskAskedFor() const { return mask_; }

 private:
  void Send(const std::string& bytes) {
    std::lock_guard lock(send_mutex_);
    if (conn_) conn_->Send(bytes);
  }
  void SendModemState(bool cts, bool changed) {
    Send(ComPort({107, (cts ? 0x10 : 0) | (changed ? 0x01 : 0)}));
  }

  void OnCommand(const std::string& sb) {
    if (sb.size() < 2 || static_cast<unsigned char>(sb[0]) != 44) return;
    const int code = static_cast<unsigned char>(sb[1]);
    if (code >= 1 && code <= 4) {
      Send(Bytes({255, 250, 44, code + 100}) + sb.substr(2) + Bytes({255, 240}));
    } else if (code == 11 && sb.size() == 3) {
      mask_ = static_cast<unsigned char>(sb[2]);
    }
  }

  // Takes the Telnet layer off what the client sent; returns the data.
  std::string Decode(const std::string& wire) {
    std::string data;
    for (char ch : wire) {
      const auto b = static_cast<unsigned char>(ch);
      switch (state_) {
        case 0: b == 255 ? state_ = 1 : (data.push_back(ch), 0); break;
        case 1:
          if (b == 255)
            data.push_back(ch), state_ = 0;
          else if (b == 250)
            sb_.clear(), state_ = 3;
          else
            state_ = b >= 251 ? 2 : 0;
          break;
        case 2: state_ = 0; break;  // the option of WILL/WONT/DO/DONT
        case 3: b == 255 ? state_ = 4 : (sb_.push_back(ch), 0); break;
        case 4:
          if (b == 255)
            sb_.push_back(ch), state_ = 3;
          else
            OnCommand(sb_), state_ = 0;
          break;
      }
    }
    return data;
  }

  void Serve() {
    {
      auto accepted = std::make_unique<test::ScriptConnection>(server_.Accept(5s));
      std::lock_guard lock(send_mutex_);
      conn_ = std::move(accepted);
    }
    Send(test::kServerAgrees);
    SendModemState(reg_.CtsAsserted(SteadyNow::now()), false);
    while (!stop_) {
      const std::string wire = conn_->Read(4096, 5ms);
      const std::string data = Decode(wire);
      if (!data.empty()) reg_.OnBytes(data, SteadyNow::now());
      std::string out = reg_.TakeDue(SteadyNow::now());
      std::string escaped;
      for (char c : out) escaped += c == '\xff' ? std::string(2, c) : std::string(1, c);
      if (!escaped.empty()) Send(escaped);
    }
  }

  sim::SimulatedRegister& reg_;
  test::ScriptServer server_;
  std::mutex send_mutex_;
  std::unique_ptr<test::ScriptConnection> conn_;
  std::atomic<bool> stop_{false};
  std::atomic<int> mask_{-1};
  int state_ = 0;
  std::string sb_;
  std::thread thread_;
};

bool CtsBecomes(SerialPort& port, bool level) {
  const auto end = SteadyNow::now() + 1s;
  while (port.CTSHolding() != level) {
    if (SteadyNow::now() > end) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

TEST(Rfc2217Cts, RegisterSwitchedOffIsNoCollWithNothingWritten) {
  sim::SimulatedRegister reg;
  ComPortRegister server(reg);
  auto made = MakePort(server.Url());
  SerialPort& port = *made;
  TavirelControl c(std::move(made));
  std::vector<std::pair<std::int16_t, std::int32_t>> events;
  HostHooks hooks;
  hooks.fp_error = [&events](std::int16_t& l, std::int32_t& e) { events.emplace_back(l, e); };
  c.SetHooks(hooks);
  c.Initialize();
  c.InitProperties();
  c.EuroSettings(TVL_EUROSETTINGS_EURO);
  c.PortOpen();
  EXPECT_EQ(server.MaskAskedFor(), 0x11);  // CTS and its change, nothing else
  ASSERT_EQ(c.opReadDataOra(), OP_OK);

  reg.SetPower(false);
  ASSERT_TRUE(CtsBecomes(port, false));
  const int frames = reg.Stats().frames;
  const std::int16_t counter = c.FrameCounter();
  EXPECT_EQ(c.opApriCassetto(1), OP_ERR_NOCOLL);
  EXPECT_EQ(events, (std::vector<std::pair<std::int16_t, std::int32_t>>{{OP_ERR_NOCOLL, 0}}));
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(reg.Stats().frames, frames);
  EXPECT_EQ(c.FrameCounter(), counter);

  reg.SetPower(true);
  ASSERT_TRUE(CtsBecomes(port, true));
  EXPECT_EQ(c.opApriCassetto(1), OP_OK);
  EXPECT_EQ(reg.Stats().frames, frames + 1);
}

}  // namespace
}  // namespace tavirel
