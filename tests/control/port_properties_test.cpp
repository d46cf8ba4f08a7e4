// The port members of the control: a port number is checked when it is set,
// and opening an open port is the serial component's error.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "support/scripted_printer.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;

struct PortKind {
  const char* name;
  std::function<std::unique_ptr<SerialPort>()> make;
};

const PortKind kKinds[] = {
    {"NullModem", [] { return std::move(MakeNullModemPair().first); }},
    {"PosixByNumber", [] { return std::make_unique<PosixSerialPort>(); }},
    {"PosixOnADevice", [] { return PosixSerialPort::ForDevice("/dev/pts/0"); }},
};

class PortNumber : public ::testing::TestWithParam<PortKind> {};

TEST_P(PortNumber, BelowOneIsRefusedWhenSetAndLeavesTheNumberAsItWas) {
  TavirelControl control(GetParam().make(), std::make_shared<ManualClock>());
  control.InitProperties();
  std::vector<std::string> changed;
  HostHooks hooks;
  hooks.property_changed = [&](std::string_view name) { changed.emplace_back(name); };
  control.SetHooks(hooks);
  control.COMPort(4);
  for (std::int16_t number : {0, -1, -32768}) {
    try {
      control.COMPort(number);
      ADD_FAILURE() << "port number " << number << " was taken";
    } catch (const SerialError& e) {
      EXPECT_NE(std::string(e.what()).find(std::to_string(number)), std::string::npos) << e.what();
    }
    EXPECT_EQ(control.COMPort(), 4);

    InMemoryPropertyBag bag;
    bag.Set("COMPort", Variant(number));
    EXPECT_THROW(control.ReadProperties(bag), SerialError);
    EXPECT_EQ(control.COMPort(), 4);
  }
  EXPECT_EQ(std::count(changed.begin(), changed.end(), "COMPort"), 1)
      << "a refused number was notified as changed";
}

INSTANTIATE_TEST_SUITE_P(Ports, PortNumber, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PortOpen, OnAnOpenPortIsTheComponentsErrorWithoutASecondProbe) {
  ScriptedPrinter printer;
  auto control = printer.MakeControl();
  printer.AnswerPayload("42010612011200");
  control->PortOpen();
  ASSERT_EQ(control->FrameCounter(), 2);
  const std::string written = printer.Written();
  printer.AnswerPayload("42010612011200");  // would answer a second probe
  try {
    control->PortOpen();
    ADD_FAILURE() << "a second PortOpen was taken";
  } catch (const SerialError& e) {
    EXPECT_NE(std::string(e.what()).find("already open"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(control->PortIsOpen());
  EXPECT_EQ(control->FrameCounter(), 2);
  EXPECT_EQ(printer.Written(), written);
  EXPECT_FALSE(control->Busy());
}

}  // namespace
}  // namespace tavirel
