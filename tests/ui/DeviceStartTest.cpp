// The window starts on the device remembered from the last listing and
// lists the devices off its start: a device that is gone gives way to the
// designed choice, and the preferences show the list once it is made.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <future>

#include "MainFormFixture.h"
#include "audio/output/DeviceCatalog.h"
#include "platform/sound/DeviceIdentity.h"
#include "ui/Settings.h"

namespace {
// A device list that is made only once the test lets it.
class HeldListing {
 public:
  ~HeldListing() { Release(); }  // a window that ends waits for its listing
  std::vector<TDeviceEntry> List() {
    released_.wait();
    return ListSystemDevices();
  }
  void Release() {
    if (!done_.exchange(true)) gate_.set_value();
  }

 private:
  std::promise<void> gate_;
  std::shared_future<void> released_ = gate_.get_future().share();
  std::atomic<bool> done_{false};
};

// Remembers `entries` as the last listing, as a deck of an earlier run did.
void RememberListing(std::vector<TDeviceEntry> entries) {
  TDeviceCatalog([&] { return entries; }).WaitListed();
}

class DeviceStart : public WindowTest {
 protected:
  DeviceStart() { FollowDeck(player, [this] { return form->Deck(); }); }

  SteppedPlayer player{dir.File("capture.wav"), kRate};
  HeldListing listing;
  std::unique_ptr<TMainForm> form = std::make_unique<TMainForm>(
      [this](void*) { return MakeSteppedDeck(player); }, [this] { return listing.List(); });
};

TEST_F(DeviceStart, RememberedDeviceThatIsGonePlaysTheDeviceNowAtItsIndex) {
  RememberListing({{std::nullopt, "Primary Sound Driver"}, {DeviceIdentity("unplugged"), "Unplugged card"}});
  listing.Release();
  CaptureMessages();
  ASSERT_EQ(form->FormCreate({"-sc", "1", Song("song.wav", 5)}), 0);
  EXPECT_EQ(form->Deck()->State, dsPlaying) << LastMessage();
  EXPECT_TRUE(player.RunUntil([&] { return form->Deck()->Song.GetPosition() >= 500; }, TMainForm::kTimerIntervalMs))
      << "the capture, device 1 of the list now, is not heard";
  EXPECT_EQ(LastMessage(), "") << "the user need not hear of the device that went";
}

TEST_F(DeviceStart, PreferencesShowTheWholeListWhenItIsMadeAfterTheWindowIsUp) {
  RememberListing(ListSystemDevices());
  ASSERT_EQ(form->FormCreate({}), 0);
  form->show();
  QStringList shown;
  bool pendingShut = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = dynamic_cast<TPForm*>(QApplication::activeModalWidget());
    if (!dialog) return;
    pendingShut = !dialog->Devices->isEnabled();
    listing.Release();
    WaitUntil([&] {
      QApplication::processEvents();
      return dialog->Devices->isEnabled();
    });
    for (int i = 0; i < dialog->Devices->count(); ++i) shown << dialog->Devices->itemText(i);
    dialog->findChild<QPushButton*>("btnCancel")->click();
  });
  form->ShowPreferences();
  EXPECT_TRUE(pendingShut) << "a choice from an old list could name another device";
  EXPECT_EQ(shown, QStringList({"Primary Sound Driver", "WAV capture (" + QString::fromStdString(dir.File("capture.wav")) + ")"}));
}
}  // namespace
