// A device that hung up and came back under the same path (a USB adapter
// plugged in again, its stable link now pointing at the new device): the
// control sees its port closed, and the next PortOpen opens it again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "port/pty.hpp"
#include "support/scripted_printer.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel {
namespace {

using testing::Pty;

// A folder of its own, removed with what it holds.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    pattern += "/tavirel-port-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    ::unlink(Link().c_str());
    ::rmdir(path_.c_str());
  }
  [[nodiscard]] std::string Link() const { return path_ + "/register"; }
  void PointAt(const std::string& device) const {
    ::unlink(Link().c_str());
    if (::symlink(device.c_str(), Link().c_str()) != 0) throw std::runtime_error("symlink failed");
  }

 private:
  std::string path_;
};

TEST(ReopenAfterHangUp, ThePortReadsClosedAndOpensAgainWhenTheDeviceIsBack) {
  const std::string answer = std::string(1, testing::ACK) + testing::ReplyFrame("105501");
  TempDir dir;
  auto first = std::make_unique<Pty>();
  dir.PointAt(first->SlavePath());
  first->AnswerEachRequest(answer);

  TavirelControl control(PosixSerialPort::ForDevice(dir.Link()));
  control.InitProperties();
  control.EuroSettings(TVL_EUROSETTINGS_EURO);
  control.PortOpen();
  ASSERT_EQ(control.opBloccoTastiera(1), OP_OK);

  first.reset();  // unplugged
  try {
    control.opBloccoTastiera(1);
    ADD_FAILURE() << "a call on a device that hung up went through";
  } catch (const SerialError& e) {
    EXPECT_NE(std::string(e.what()).find("hung up"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(control.PortIsOpen());
  EXPECT_EQ(control.opBloccoTastiera(1), OP_ERR_PORTCLOSE);

  ::unlink(dir.Link().c_str());  // not back yet
  EXPECT_THROW(control.PortOpen(), SerialError);
  EXPECT_FALSE(control.PortIsOpen());

  Pty second;  // plugged in again
  dir.PointAt(second.SlavePath());
  second.AnswerEachRequest(answer);
  control.PortOpen();
  EXPECT_TRUE(control.PortIsOpen());
  EXPECT_EQ(control.FrameCounter(), 2) << "the probe went out and was answered";
  EXPECT_EQ(control.opBloccoTastiera(1), OP_OK);
}

}  // namespace
}  // namespace tavirel
