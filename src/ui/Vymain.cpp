#include "ui/Vymain.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QSocketNotifier>

#include "audio/output/OzoDS.h"
#include "deck/VySystem.h"
#include "foundation/OzoError.h"
#include "foundation/OzoLog.h"
#include "platform/kernel/TerminationSignal.h"
#include "ui/MainBitmaps.h"
#include "ui_Vymain.h"

namespace {
constexpr int kExitFailure = 1;

void ShowError(const char* text) { ShowMessageBox(MB_OK | MB_ICONERROR, kAppTitle, "%s", text); }
}  // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::TMainForm>()) {
  ui_->setupUi(this);
  ApplyDesign();
  ConnectHandlers();
  TimerUpdate.setTimerType(Qt::PreciseTimer);
  TimerUpdate.setInterval(kTimerIntervalMs);
  QObject::connect(&TimerUpdate, &QTimer::timeout, this, [this] { TimerUpdateTimer(); });
}

TMainForm::~TMainForm() { FormClose(); }

// Stands in for writing the stored "Version" record, which comes with the stored preferences.
static void UpdateVersionRecord() {}

int TMainForm::FormCreate(const QStringList& files) {
  UpdateVersionRecord();
  // No system menu to edit on this desktop: the window's own menu carries the
  // deck's commands and is built when it opens (contextMenuEvent).
  if (!LoadBitmaps()) {
    ShowError(kResourcesMissingText);
    return kExitFailure;
  }
  if (int failure = CreateDeviceList()) return failure;
  deck_ = std::make_unique<TVySystemTAG>(reinterpret_cast<void*>(winId()));
  SetUpControlsFromDeck();
  ui_->Volume->SetImage(siVThumb, MainBitmap(bmpFaderVThumb));
  ui_->DownMix->SetImage(siHThumb, MainBitmap(bmpFaderHThumb));
  RefreshPitchDisplay();
  ApplyConfig(files);
  TimerUpdate.start();
  // The first tick now, not one interval later: the window then maps showing
  // the song that is already playing, not " Loading..." and an empty display.
  TimerUpdateTimer();
  InitKeyboard();
  HookApplicationEvents();
  WatchTerminationSignal();
  return 0;
}

int TMainForm::CreateDeviceList() {
  devices_ = std::make_unique<TStringList>();
  if (EnumerateDevices(*devices_) > 0) return 0;
  ShowError(kNoSoundcardText);
  FreeDeviceList(*devices_);
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

// Stands in for loading the stored configuration and the command-line
// options, which come with the stored preferences: until then the deck keeps
// its default preferences, the balance knob is shown, and every argument is a file.
void TMainForm::ApplyConfig(const QStringList& files) {
  RefreshDropAcceptance();
  ui_->DownMix->hide();
  ui_->Balance->show();
  if (files.isEmpty()) return;
  setWindowTitle(kLoadingCaption);
  deck_->OpenFiles(files.join('\n').toLocal8Bit().toStdString(), 0);
}

void TMainForm::HookApplicationEvents() {
  QObject::connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) FormActivate();
    if (state == Qt::ApplicationInactive) FormDeactivate();
  });
}

// A termination request closes the window by the same path as its close
// button, but without the "Secure close" question: a session that ends waits for no one.
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

// Stands in for writing the stored configuration, which comes with the stored preferences.
static void SaveConfig() {}

void TMainForm::FormClose() {
  if (closed_) return;
  closed_ = true;
  setAcceptDrops(false);
  TimerUpdate.stop();
  if (keyboardOpen_) InputStop();
  keyboardOpen_ = false;
  SaveConfig();
  FreeBitmaps();
  deck_.reset();
  if (devices_) FreeDeviceList(*devices_);
  devices_.reset();
  LogStop();
}
