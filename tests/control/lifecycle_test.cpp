// The control object: defaults, persisted settings, sizing, version.
#include <gtest/gtest.h>

#include "support/scripted_printer.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;

std::unique_ptr<TavirelControl> NewControl() {
  auto [host, far] = MakeNullModemPair();
  auto control = std::make_unique<TavirelControl>(std::move(host), std::make_shared<ManualClock>());
  control->Initialize();
  control->InitProperties();
  return control;
}

TEST(Lifecycle, ANewInstanceHasTheDefaults) {
  auto control = NewControl();
  EXPECT_EQ(control->Settings(), "9600,n,8,1");
  EXPECT_EQ(control->COMPort(), 1);
  EXPECT_EQ(control->EuroSettings(), 0);
  EXPECT_FALSE(control->PortIsOpen());
  EXPECT_EQ(control->FrameCounter(), 0);
  EXPECT_EQ(control->CurrentCommand(), "");
  EXPECT_EQ(control->LastEERR(), -2);
}

TEST(Lifecycle, VersionIs1_00_0020) {
  auto control = NewControl();
  EXPECT_EQ(control->Major(), 1);
  EXPECT_EQ(control->Minor(), 0);
  EXPECT_EQ(control->Revision(), 20);
}

TEST(Lifecycle, DefaultsRoundTripThroughTheBagWithNothingStored) {
  auto control = NewControl();
  InMemoryPropertyBag bag;
  control->WriteProperties(bag);
  EXPECT_TRUE(bag.values().empty());  // every value equals its default
  auto loaded = NewControl();
  loaded->Settings("19200,e,7,2");
  loaded->ReadProperties(bag);
  EXPECT_EQ(loaded->Settings(), "9600,n,8,1");
  EXPECT_EQ(loaded->COMPort(), 1);
  EXPECT_EQ(loaded->EuroSettings(), 0);
}

TEST(Lifecycle, ChangedSettingsAreSavedByNameAndTypeAndLoadedThroughTheSetters) {
  auto control = NewControl();
  control->Settings("19200,e,7,2");
  control->COMPort(3);
  control->EuroSettings(2);
  InMemoryPropertyBag bag;
  control->WriteProperties(bag);
  EXPECT_EQ(bag.values().at("Settings"), Variant("19200,e,7,2"));
  EXPECT_EQ(bag.values().at("COMPort"), Variant(std::int16_t{3}));
  EXPECT_EQ(bag.values().at("EuroSettings"), Variant(std::int32_t{2}));

  auto loaded = NewControl();
  std::vector<std::string> changed;
  HostHooks hooks;
  hooks.property_changed = [&](std::string_view name) { changed.emplace_back(name); };
  loaded->SetHooks(hooks);
  loaded->ReadProperties(bag);
  EXPECT_EQ(loaded->Settings(), "19200,e,7,2");
  EXPECT_EQ(loaded->COMPort(), 3);
  EXPECT_EQ(loaded->EuroSettings(), 2);
  EXPECT_EQ(changed, (std::vector<std::string>{"Settings", "COMPort", "EuroSettings"}));
}

TEST(Lifecycle, ARefusedSavedSettingReachesTheCallerOfReadProperties) {
  auto control = NewControl();
  InMemoryPropertyBag bag;
  bag.Set("Settings", Variant("fast,x,9,3"));
  EXPECT_THROW(control->ReadProperties(bag), SettingsError);
  EXPECT_EQ(control->Settings(), "9600,n,8,1");
}

TEST(Lifecycle, EuroSettingsAcceptsAnyValueAndMarksItChanged) {
  auto control = NewControl();
  std::vector<std::string> changed;
  HostHooks hooks;
  hooks.property_changed = [&](std::string_view name) { changed.emplace_back(name); };
  control->SetHooks(hooks);
  control->EuroSettings(7);
  EXPECT_EQ(control->EuroSettings(), 7);
  EXPECT_EQ(changed, std::vector<std::string>{"EuroSettings"});
}

class FixedSite : public SizeSite {
 public:
  FixedSite(int max_height) : max_height_(max_height) {}
  void SetHeight(int twips) override { height_ = std::min(twips, max_height_); }
  void SetWidth(int twips) override { width_ = twips; }
  int Height() const override { return height_; }
  int Width() const override { return width_; }
  int height_ = 3000, width_ = 7000;
  int max_height_;
};

TEST(Lifecycle, ResizeAsksForHeight500AndTwiceTheGrantedHeightAsWidth) {
  auto control = NewControl();
  FixedSite honouring(100000);
  control->SetSizeSite(&honouring);
  control->Resize();
  EXPECT_EQ(honouring.Height(), 500);
  EXPECT_EQ(honouring.Width(), 1000);
  FixedSite grudging(300);  // a host that grants less
  control->SetSizeSite(&grudging);
  control->Resize();
  EXPECT_EQ(grudging.Height(), 300);
  EXPECT_EQ(grudging.Width(), 600);
}

// A port that reports its open state to the test, even after it is gone.
class WatchedPort : public SerialPort {
 public:
  WatchedPort(std::unique_ptr<SerialPort> inner, bool& open)
      : inner_(std::move(inner)), open_(open) {}
  ~WatchedPort() override { open_ = false; }
  void PortOpen(bool open) override {
    inner_->PortOpen(open);
    open_ = open;
  }
  bool PortOpen() const override { return inner_->PortOpen(); }
  bool CTSHolding() override { return inner_->CTSHolding(); }
  int InBufferCount() override { return inner_->InBufferCount(); }
  std::string Input() override { return inner_->Input(); }
  void Output(std::string_view bytes) override { inner_->Output(bytes); }
  void WaitForInput(std::chrono::milliseconds slice) override { inner_->WaitForInput(slice); }
  std::string Settings() const override { return inner_->Settings(); }
  void Settings(const std::string& text) override { inner_->Settings(text); }
  std::int16_t CommPort() const override { return inner_->CommPort(); }
  void CommPort(std::int16_t port) override { inner_->CommPort(port); }

 private:
  std::unique_ptr<SerialPort> inner_;
  bool& open_;
};

TEST(Lifecycle, DestroyingTheControlClosesItsPort) {
  auto [host, far] = MakeNullModemPair();
  bool open = false;
  {
    TavirelControl control(std::make_unique<WatchedPort>(std::move(host), open),
                           std::make_shared<ManualClock>());
    control.InitProperties();
    control.Port().PortOpen(true);
    ASSERT_TRUE(open);
  }
  EXPECT_FALSE(open);
}

TEST(Lifecycle, PortCloseClosesAndOperationsThenReportPortClosed) {
  ScriptedPrinter printer;
  auto control = printer.MakeControl();
  printer.AnswerPayload("42010612011200");
  control->PortOpen();
  control->PortClose();
  EXPECT_FALSE(control->PortIsOpen());
  EXPECT_EQ(control->opBloccoTastiera(1), OP_ERR_PORTCLOSE);
}

}  // namespace
}  // namespace tavirel

namespace tavirel {
namespace {

TEST(Lifecycle, AControlRestoredFromSavedPropertiesKeepsTheNotResetRecord) {
  auto [host, far] = MakeNullModemPair();
  TavirelControl control(std::move(host), std::make_shared<ManualClock>());
  InMemoryPropertyBag bag;
  control.ReadProperties(bag);
  EXPECT_EQ(control.LastEERR(), 0);
  EXPECT_EQ(control.LastCodProd(), "");
  EXPECT_EQ(control.LastDate().Parts(), (DateParts{1999, 11, 30, 0, 0, 0}));
}

}  // namespace
}  // namespace tavirel
