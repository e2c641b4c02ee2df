#include "ui/Vymain.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <utility>

#include "audio/output/OzoDS.h"
#include "controls/Vumetter.h"
#include "deck/KeylockStore.h"
#include "deck/SyncStore.h"
#include "deck/VySystem.h"
#include "foundation/OzoError.h"
#include "foundation/OzoLog.h"
#include "platform/kernel/TerminationSignal.h"
#include "platform/sound/DirectSound.h"
#include "platform/keyboard/KeyboardQtGlue.h"
#include "ui/DisplayRefresh.h"
#include "ui/MainBitmaps.h"
#include "ui/MainKeyboard.h"
#include "ui/MainMidi.h"
#include "ui/OnExposed.h"
#include "ui/VyConfig.h"
#include "ui_Vymain.h"

namespace {
constexpr int kExitFailure = 1;

void ShowError(const char* text) { ShowMessageBox(MB_OK | MB_ICONERROR, kAppTitle, "%s", text); }
}  // namespace

TDeckFactory SystemDecks() {
  return [](void* ownerWindow) {
    auto deck = std::make_unique<TVySystemTAG>(ownerWindow);
    deck->Analysis().Use(AnalyseTrack);
    deck->LoadAutoGainPreferences();
    return deck;
  };
}

TMainForm::TMainForm(TDeckFactory makeDeck, TDeviceLister listDevices, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::TMainForm>()),
      makeDeck_(std::move(makeDeck)),
      listDevices_(std::move(listDevices)) {
  ui_->setupUi(this);
  ApplyDesign();
  ConnectHandlers();
  display_ = std::make_unique<TDisplayRefresh>(*this, *ui_, deck_, kTimerIntervalMs, [this] { TimerUpdateTimer(); });
  keyboard_ = std::make_unique<TMainKeyboard>(
      *this, [this](TDeckKeyAction action, bool pressed) { KeyAction(action, pressed); });
}

TMainForm::~TMainForm() { FormClose(); }

int TMainForm::FormCreate(const std::vector<std::string>& arguments, TStartFiles startFiles) {
  UpdateVersionRecord();
  // No system menu to edit on this desktop: the window's own menu carries the
  // deck's commands and is built when it opens (contextMenuEvent).
  if (!LoadBitmaps()) {
    ShowError(kResourcesMissingText);
    return kExitFailure;
  }
  if (int failure = CreateDeviceList()) return failure;
  deck_ = makeDeck_(reinterpret_cast<void*>(winId()));
  deck_->Song.SetDeviceFallback([this](std::optional<TGuid>& device) { return FallBackFromGoneDevice(device); });
  SetUpControlsFromDeck();
  ui_->Volume->SetImage(siVThumb, MainBitmap(bmpFaderVThumb));
  ui_->DownMix->SetImage(siHThumb, MainBitmap(bmpFaderHThumb));
  RefreshPitchDisplay();
  startFiles_ = ApplyConfig(arguments, startFiles == TStartFiles::kBeforeShow);
  if (startFiles_.empty()) {
    DiscardPreparedOutput();  // prepared for a device the window did not choose
  } else {
    new TOnExposed(windowHandle(), [this] { OpenStartFiles(); }, true);
    // A window that starts minimized, or on a desktop that never shows it, plays all the same.
    QTimer::singleShot(kStartFilesLatestMs, this, [this] { OpenStartFiles(); });
  }
  QTimer::singleShot(kListingDelayMs, this, [this] { ListDevices(); });
  display_->Start();
  // Back on the screen, the display shows the deck's state at once: it
  // skipped the time display while nobody could see it.
  new TOnExposed(windowHandle(), [this] { TimerUpdateTimer(); }, false);
  // The first tick now, not one interval later: the window then maps showing
  // the song that is already playing, not " Loading..." and an empty display.
  TimerUpdateTimer();
  keyboard_->Open();
  StartMidi();
  HookApplicationEvents();
  WatchTerminationSignal();
  return 0;
}

void TMainForm::TimerUpdateTimer() {
  display_->Refresh();
  if (const int step = keyboard_->VolumeRampStep()) StepVolume(step);
  if (midi_) midi_->Tick();
}

void TMainForm::StepVolume(int step) {
  ui_->Volume->SetValue(ui_->Volume->Value() + step);
  VolumeChange();
}

void TMainForm::RefreshPitchDisplay() { display_->RefreshPitchDisplay(); }

const QTimer& TMainForm::UpdateTimer() const { return display_->Timer(); }

// The stored block, then the command line over it.
std::string TMainForm::ApplyConfig(const std::vector<std::string>& arguments, bool openFiles) {
  // Before the listing the number of devices is not known: a stored index
  // is kept as it is until the list tells (DevicesListed).
  const uint32_t deviceCount = devices_->Listed() ? uint32_t(devices_->Entries().size()) : UINT32_MAX;
  TVyConfigBlock block = config_.Load(*deck_, deviceCount);
  const TCommandLine line = ParseCommandLine(arguments);
  ApplyCommandLine(line, block);
  SetLogPath(DefaultLogFile());
  if (block.WindowFlags & wfLog) LogStart();
  deck_->SetPreferences(ConfigPreferences(block));
  SelectDevice(block.DeviceIndex);
  deck_->SetKeylockEngine(KeylockStore::Engine());
  deck_->SetKeylock(KeylockStore::On(deviceIndex_));
  deck_->SetLink(SyncStore::LinkOn());
  if (deck_->Link() && SyncStore::On(deviceIndex_)) deck_->SetSync(true);
  UpdatePitchFader();
  if (block.Left != -1 || block.Top != -1) PlaceWindow(block.Left, block.Top);
  if (block.HotKey != 0) SetHotKeyIndex(block.HotKey);
  block.Folder[kFolderBytes - 1] = 0;  // a stored folder may lack its end
  openDialogFolder_ = QFile::decodeName(block.Folder);
  ui_->VMetter->SetPeaks((block.WindowFlags & wfVUPeaks) ? pkMedium : pkNone);
  display_->RefreshDropAcceptance();
  ShowDownmixControl(block.WindowFlags & wfDownmix);
  if (downmixControl_) deck_->SetBalance(0, true);
  if (line.files.empty()) return {};
  setWindowTitle(kLoadingCaption);
  std::string list;
  for (const std::string& file : line.files) list += file + '\n';
  list.pop_back();
  if (!openFiles) return list;
  deck_->OpenFiles(list, 0);
  return {};
}

void TMainForm::OpenStartFiles() {
  if (closed_ || !deck_ || startFiles_.empty()) return;
  deck_->OpenFiles(std::exchange(startFiles_, {}), 0);
  DiscardPreparedOutput();
  TimerUpdateTimer();
}

void TMainForm::SaveConfigAtClose() {
  config_.Save(*deck_, ui_->VMetter->Peaks() != pkNone, downmixControl_,
               openDialogFile_.isEmpty() ? openDialogFolder_ : QFileInfo(openDialogFile_).path() + '/');
}

// The identities remembered from the last listing let the start skip it;
// a deck that never listed lists now, and ends without any output.
int TMainForm::CreateDeviceList() {
  devices_ = std::make_unique<TDeviceCatalog>(listDevices_);
  if (devices_->Entries().empty()) devices_->WaitListed();
  if (!devices_->Entries().empty()) return 0;
  ShowError(kNoSoundcardText);
  devices_.reset();
  return kExitFailure;
}

void TMainForm::SetUpControlsFromDeck() {
  const TVyDeckInfo& info = deck_->DeckInfo;
  TSlider& pitch = *ui_->Pitch;
  pitch.SetMinValue(info.Fader.Minimum);
  pitch.SetMaxValue(info.Fader.Maximum);
  pitch.SetIncrement(info.Fader.Increment);
  pitch.SetValue(info.Fader.Initial);
  ui_->Volume->SetMinValue(info.VolumeMinimum);
  ui_->Volume->SetMaxValue(info.VolumeMaximum);
  ui_->Volume->SetValue(info.InitialVolume);
  ui_->Balance->SetMinValue(info.BalanceMinimum);
  ui_->Balance->SetMaxValue(info.BalanceMaximum);
  ui_->Balance->SetValue(info.InitialBalance);
  ui_->VMetter->SetMinValue(info.VuMinimum);
  ui_->VMetter->SetMaxValue(info.VuMaximum);
}

void TMainForm::ShowDownmixControl(bool on) {
  downmixControl_ = on;
  ui_->DownMix->setVisible(on);
  ui_->Balance->setVisible(!on);
}

// The pitch range may have changed: the fader takes the deck's new block.
void TMainForm::UpdatePitchFader() {
  deck_->UpdateFaderInfo();
  const TVyFaderBlock& fader = deck_->DeckInfo.Fader;
  TSlider& pitch = *ui_->Pitch;
  pitch.SetMinValue(fader.Minimum);
  pitch.SetMaxValue(fader.Maximum);
  pitch.SetIncrement(fader.Increment);
  pitch.SetValue(fader.Initial);
  RefreshPitchDisplay();
}

// A refused key is not kept: the dialog would show a key that does nothing.
void TMainForm::SetHotKeyIndex(int index) {
  const bool set = keyboard_->SetHotKey(index ? uint16_t(VK_F1 + index - 1) : 0);
  hotKeyIndex_ = set ? index : 0;
  if (!set) ShowMessageBox(MB_OK | MB_ICONWARNING, kAppTitle, kHotKeyRefusedText, index);
}

void TMainForm::HookApplicationEvents() {
  QObject::connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) FormActivate();
    if (state == Qt::ApplicationInactive) FormDeactivate();
  });
}

// A termination request closes the window by the same path as its close
// button, but past the "Secure close" refusal: a session that ends waits for no one.
void TMainForm::WatchTerminationSignal() {
  const int fd = TerminationSignalFd();
  if (fd < 0) return;
  termination_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  QObject::connect(termination_.get(), &QSocketNotifier::activated, this, [this] {
    DrainTerminationSignal();
    FormClose();
    close();
  });
}

bool TMainForm::FormCloseQuery() const {
  return !deck_ || !(deck_->Preferences.Flags & pfSecureClose) || deck_->State != dsPlaying || deck_->Volume == 0;
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!closed_ && !FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TMainForm::FormClose() {
  if (closed_) return;
  closed_ = true;
  setAcceptDrops(false);
  display_->Stop();
  keyboard_->Close();
  midi_.reset();
  if (deck_) SaveConfigAtClose();
  FreeBitmaps();
  deck_.reset();
  devices_.reset();
  LogStop();
}
