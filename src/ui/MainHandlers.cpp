// The window's controls wired to the deck: each handler sends one command
// with exact arguments and keeps the few flags the timer and other handlers
// consult. Keys reach the same handlers, so a key and its button behave the same.
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>

#include "audio/decoders/SoundFormats.h"
#include "deck/KeylockStore.h"
#include "deck/SyncStore.h"
#include "deck/VySystem.h"
#include "foundation/OzoLog.h"
#include "platform/keyboard/AsyncKeyState.h"
#include "ui/DisplayRefresh.h"
#include "ui/MainKeyboard.h"
#include "ui/MainMidi.h"
#include "ui/Vymain.h"
#include "ui_Vymain.h"

namespace {
constexpr int kWheelNotch = 120;  // eighths of a degree per notch

// "*.[mM][pP]3" for ".MP3": a music folder on this desktop may hold both
// "song.mp3" and "SONG.MP3", and a filter matches letter case as given.
QString AnyCasePattern(const char* extension) {
  QString pattern = "*";
  for (const QChar c : QString(extension))
    pattern += c.isLetter() ? QString("[%1%2]").arg(c.toLower(), c.toUpper()) : QString(c);
  return pattern;
}

// Each group as "Label (*.A;*.B) (patterns)": the dialog shows the label and
// the designed list of extensions, and matches by the patterns.
QString OpenFilters() {
  QStringList all, groups;
  for (const TSoundFormatGroup& group : SoundFormatGroups()) {
    QStringList shown, patterns;
    for (const char* extension : group.extensions) {
      shown << QString("*") + extension;
      patterns << AnyCasePattern(extension);
    }
    all << patterns;
    groups << QString("%1 (%2) (%3)").arg(group.label, shown.join(';'), patterns.join(' '));
  }
  return QString("All supported types (%1);;").arg(all.join(' ')) + groups.join(";;") + ";;All files (*.*) (*)";
}

// Qt hands a wheel turned with Alt held over as a sideways one; the deck
// ignores Alt, so that turn counts as the wheel's own.
int WheelTurn(const QWheelEvent& event) {
  const QPoint delta = event.angleDelta();
  if (delta.y() != 0 || !(event.modifiers() & Qt::AltModifier)) return delta.y();
  return delta.x();
}
}  // namespace

// Buttons that act on the press and the release of any mouse button, as the
// deck's transport keys do; the other buttons act on a completed click.
void TMainForm::ConnectHandlers() {
  pressHandlers_ = {
      {ui_->btnPlay, {&TMainForm::btnPlayMouseDown, nullptr}},
      {ui_->btnCUE, {&TMainForm::btnCUEMouseDown, &TMainForm::btnCUEMouseUp}},
      {ui_->btnTime, {&TMainForm::btnTimeMouseDown, nullptr}},
      {ui_->btnFast, {&TMainForm::btnFastMouseDown, &TMainForm::btnFastMouseUp}},
      {ui_->btnSlow, {&TMainForm::btnSlowMouseDown, &TMainForm::btnSlowMouseUp}},
      {ui_->btnFF, {&TMainForm::btnFFMouseDown, &TMainForm::btnFFMouseUp}},
      {ui_->btnRW, {&TMainForm::btnRWMouseDown, &TMainForm::btnRWMouseUp}},
      {ui_->btnMute, {&TMainForm::btnMuteMouseDown, &TMainForm::btnMuteMouseUp}},
  };
  for (QObject* button : pressHandlers_.keys()) button->installEventFilter(this);
  const struct {
    QToolButton* button;
    THandler click;
  } clicks[] = {
      {ui_->btnPitch, &TMainForm::btnPitchClick},   {ui_->btnNext, &TMainForm::btnNextClick},
      {ui_->btnPrev, &TMainForm::btnPrevClick},     {ui_->btnOpen, &TMainForm::btnOpenClick},
      {ui_->btnPrefs, &TMainForm::ShowPreferences},
  };
  for (const auto& c : clicks) QObject::connect(c.button, &QToolButton::clicked, this, c.click);
  ui_->Volume->OnChange = [this](QObject*) { VolumeChange(); };
  ui_->Balance->OnChange = [this](QObject*) { BalanceChange(); };
  ui_->DownMix->OnChange = [this](QObject*) { DownMixChange(); };
  ui_->Position->OnChange = [this](QObject*) { PositionChange(); };
  TSlider& pitch = *ui_->Pitch;
  pitch.OnChange = [this](QObject*) { PitchChange(); };
  pitch.OnMouseDown = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int y) { PitchMouseDown(y); };
  pitch.OnMouseMove = [this](QObject*, Qt::MouseButtons, Qt::KeyboardModifiers, int, int y) { PitchMouseMove(y); };
  pitch.OnMouseUp = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { PitchMouseUp(); };
}

// A double-click's second press is a press too: two quick taps on Play pause
// and play again.
bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  const bool down = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
  const auto press = pressHandlers_.constFind(watched);
  if (deck_ && press != pressHandlers_.cend() && (down || type == QEvent::MouseButtonRelease)) {
    const THandler handler = down ? press->down : press->up;
    if (handler) (this->*handler)();
  }
  return QWidget::eventFilter(watched, event);
}

// Shift 1, Ctrl 2, Alt 4, from the keyboard module's view of the modifiers
// (also for mouse clicks), as the deck's bend and search commands read it.
int TMainForm::ModifierMask() const {
  const uint8_t held = keyboard_->Modifiers();
  return ((held & kShiftState) ? 1 : 0) | ((held & kCtrlState) ? 2 : 0) | ((held & kAltState) ? 4 : 0);
}

void TMainForm::KeyAction(TDeckKeyAction action, bool pressed) {
  auto hold = [&](THandler down, THandler up) { (this->*(pressed ? down : up))(); };
  auto press = [&](THandler down) {
    if (pressed) (this->*down)();
  };
  // The key table reads as a table.
  // clang-format off
  switch (action) {
    case kaOpen: press(&TMainForm::btnOpenClick); break;
    case kaPlay: press(&TMainForm::btnPlayMouseDown); break;
    case kaCue: hold(&TMainForm::btnCUEMouseDown, &TMainForm::btnCUEMouseUp); break;
    case kaPlayCue: if (pressed) deck_->PlayCueKey(); break;
    case kaBendFaster: hold(&TMainForm::btnFastMouseDown, &TMainForm::btnFastMouseUp); break;
    case kaBendSlower: hold(&TMainForm::btnSlowMouseDown, &TMainForm::btnSlowMouseUp); break;
    case kaSearchForward: hold(&TMainForm::btnFFMouseDown, &TMainForm::btnFFMouseUp); break;
    case kaSearchBackward: hold(&TMainForm::btnRWMouseDown, &TMainForm::btnRWMouseUp); break;
    case kaPreviousTrack: press(&TMainForm::btnPrevClick); break;
    case kaNextTrack: press(&TMainForm::btnNextClick); break;
    case kaTimeMode: press(&TMainForm::btnTimeMouseDown); break;
    case kaMute: hold(&TMainForm::btnMuteMouseDown, &TMainForm::btnMuteMouseUp); break;
    case kaBpmDisplay: if (pressed) deck_->ToggleBpmDisplay(), RefreshPitchDisplay(); break;
    case kaKeylock: press(&TMainForm::KeylockToggle); break;
    case kaLink: press(&TMainForm::LinkToggle); break;
    case kaSync: press(&TMainForm::SyncToggle); break;
    default: break;  // idle; the keyboard keeps the modifiers and the volume ramp
  }
  // clang-format on
}

// A controller acts through the keys' handlers and moves the faders as a hand would.
// The deck's number in the map (deck=N) is its hot key's, F<N>.
void TMainForm::StartMidi() {
  TMainMidi::THandlers handlers;
  handlers.key = [this](TDeckKeyAction action, bool pressed) { KeyAction(action, pressed); };
  handlers.pitchFader = [this](int value) {
    deck_->SetPitchFader(value);
    RefreshPitchDisplay();
  };
  handlers.volume = [this](int volume) {
    ui_->Volume->SetValue(volume);
    VolumeChange();
  };
  midi_ = std::make_unique<TMainMidi>(*deck_, hotKeyIndex_, std::move(handlers), *this);
}

void TMainForm::FormActivate() { keyboard_->Activate(); }
void TMainForm::FormDeactivate() { keyboard_->Deactivate(); }

bool TMainForm::event(QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    keyboard_->KeyEvent(*key);
    if (key->type() == QEvent::KeyPress && key->matches(QKeySequence::Quit)) close();
    return true;
  }
  if (event->type() == QEvent::WindowStateChange && !isMinimized()) FormActivate();
  return QWidget::event(event);
}

void TMainForm::btnPlayMouseDown() { deck_->PlayPause(); }
void TMainForm::btnCUEMouseDown() { deck_->CueDown(); }
void TMainForm::btnCUEMouseUp() { deck_->CueUp(); }
void TMainForm::btnTimeMouseDown() { deck_->ToggleTimeMode(); }
void TMainForm::btnMuteMouseDown() { deck_->MuteDown(); }
void TMainForm::btnMuteMouseUp() { deck_->MuteUp(); }

// Each deck keeps its own keylock, stored at once for its output device.
void TMainForm::KeylockToggle() {
  if (!deck_) return;
  deck_->SetKeylock(!deck_->Keylock());
  KeylockStore::SetOn(deviceIndex_, deck_->Keylock());
  RefreshPitchDisplay();
}

// Link is the user's choice for every deck; sync each deck's own, stored
// for its output device. A refused sync says why in the title.
void TMainForm::LinkToggle() {
  if (!deck_) return;
  deck_->SetLink(!deck_->Link());
  SyncStore::SetLinkOn(deck_->Link());
  display_->RefreshSync();
}

void TMainForm::SyncToggle() {
  if (!deck_) return;
  if (deck_->SetSync(!deck_->Synced()).empty()) SyncStore::SetOn(deviceIndex_, deck_->Synced());
  display_->RefreshSync();
}

void TMainForm::btnPitchClick() {
  if (!deck_) return;
  deck_->TogglePitch();
  RefreshPitchDisplay();
}

void TMainForm::btnFastMouseDown() {
  deck_->BendFastDown(ModifierMask());
  display_->SetBending(true);
}

void TMainForm::btnFastMouseUp() {
  deck_->BendFastUp();
  display_->SetBending(false);
  RefreshPitchDisplay();
}

void TMainForm::btnSlowMouseDown() {
  deck_->BendSlowDown(ModifierMask());
  display_->SetBending(true);
}

void TMainForm::btnSlowMouseUp() {
  deck_->BendSlowUp();
  display_->SetBending(false);
  RefreshPitchDisplay();
}

void TMainForm::btnFFMouseDown() {
  searching_ = true;
  deck_->ForwardDown(ModifierMask());
}

void TMainForm::btnFFMouseUp() {
  deck_->ForwardUp();
  searching_ = false;
}

void TMainForm::btnRWMouseDown() {
  searching_ = true;
  deck_->RewindDown(ModifierMask());
}

void TMainForm::btnRWMouseUp() {
  deck_->RewindUp();
  searching_ = false;
}

void TMainForm::btnNextClick() { ChangeTrack(&TVySystemTAG::NextTrack); }
void TMainForm::btnPrevClick() { ChangeTrack(&TVySystemTAG::PrevTrack); }

// Ctrl is read from the keyboard as it is at the click, not as last polled.
void TMainForm::ChangeTrack(int (TVySystemTAG::*move)(unsigned)) {
  if (!deck_) return;
  const unsigned flags = (GetAsyncKeyState(VK_CONTROL) & kAsyncKeyDown) ? kTrackCtrl : 0;
  if (deck_->TrackChangeRefused()) return;
  const QString caption = windowTitle();
  setWindowTitle(kLoadingCaption);
  (deck_.get()->*move)(flags);
  if (!deck_->SongInfoChanged) setWindowTitle(caption);
}

// Off its drag, the fader is an ordinary slider for the pitch.
void TMainForm::PitchChange() {
  if (!deck_ || pitchDrag_) return;
  deck_->SetPitchFader(ui_->Pitch->Value());
  RefreshPitchDisplay();
}

// The drag maps the fader's height onto its range plus 200 at each end, top
// highest, so that both ends are reached a little inside the control.
int TMainForm::PitchDragValue(int y) const {
  const TSlider& pitch = *ui_->Pitch;
  const int h = pitch.height();
  return (h / 2 - y) * (pitch.MaxValue() - pitch.MinValue() + 400) / h;
}

void TMainForm::PitchMouseDown(int y) {
  if (!deck_ || !(keyboard_->Modifiers() & kCtrlState)) return;
  pitchDrag_ = true;
  pitchDragSaved_ = ui_->Pitch->Value();
  deck_->SetPitchFader(PitchDragValue(y));
  RefreshPitchDisplay();
}

void TMainForm::PitchMouseMove(int y) {
  if (!pitchDrag_) return;
  deck_->SetPitchFader(PitchDragValue(std::clamp(y, 0, ui_->Pitch->height())));
  RefreshPitchDisplay();
}

void TMainForm::PitchMouseUp() {
  if (!pitchDrag_) return;
  deck_->SetPitchFader(pitchDragSaved_);
  RefreshPitchDisplay();
  pitchDrag_ = false;
}

// Shift 1, Ctrl 10, both 100 hundredths of a per cent a notch; forward lowers
// the pitch, as pushing a fader away does. Without a modifier the wheel is idle.
void TMainForm::wheelEvent(QWheelEvent* event) {
  event->accept();
  static constexpr int kSteps[] = {0, 1, 10, 100};
  const int step =
      kSteps[((keyboard_->Modifiers() & kShiftState) ? 1 : 0) | ((keyboard_->Modifiers() & kCtrlState) ? 2 : 0)];
  if (!deck_ || step == 0) return;
  wheelTurn_ += WheelTurn(*event);
  bool turned = false;
  for (; wheelTurn_ >= kWheelNotch; wheelTurn_ -= kWheelNotch, turned = true) deck_->NudgePitch(-step);
  for (; wheelTurn_ <= -kWheelNotch; wheelTurn_ += kWheelNotch, turned = true) deck_->NudgePitch(step);
  if (turned) RefreshPitchDisplay();
}

void TMainForm::VolumeChange() {
  if (deck_) deck_->SetVolume(ui_->Volume->Value());
}

void TMainForm::BalanceChange() {
  if (deck_) deck_->SetBalance(ui_->Balance->Value(), false);
}

// The down-mix slider only picks a side: full left, both, or full right.
void TMainForm::DownMixChange() {
  if (!deck_ || !downmixControl_) return;
  const int value = ui_->DownMix->Value();
  deck_->SetBalance(value > 0 ? 100 : value < 0 ? -100 : 0, true);
}

// While a search runs, the timer moves the slider to the moving cue point.
void TMainForm::PositionChange() {
  if (deck_ && !searching_) deck_->Seek(unsigned(std::max(0, ui_->Position->Value())));
}

void TMainForm::btnOpenClick() {
  if (!deck_) return;
  FormDeactivate();
  QFileDialog dialog(this, "Open file(s)");
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails |
                    QFileDialog::DontResolveSymlinks | QFileDialog::ReadOnly);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setDefaultSuffix("MP3");
  dialog.setNameFilter(OpenFilters());
  if (!openDialogFolder_.isEmpty())
    dialog.setDirectory(openDialogFolder_);
  else if (!openDialogFile_.isEmpty())
    dialog.setDirectory(QFileInfo(openDialogFile_).absolutePath());
  // The window may have closed under the dialog (a termination request).
  if (dialog.exec() == QDialog::Accepted && deck_ && !dialog.selectedFiles().isEmpty()) {
    openDialogFile_ = dialog.selectedFiles().first();
    std::vector<std::string> files;
    for (const QString& file : dialog.selectedFiles()) files.push_back(QFile::encodeName(file).toStdString());
    if (OpenChosenFiles(std::move(files), "> Open %i file(s)") == 0) openDialogFolder_.clear();
  }
  FormActivate();
}

// The deck reverses the lists it gets from the open dialog and from drops
// (other desktops report a selection last-first); ours report it in the
// user's order, so the list goes in reversed and the playlist keeps that order.
int TMainForm::OpenChosenFiles(std::vector<std::string> files, const char* logFormat) {
  LogPrintf(logFormat, int(files.size()));
  setWindowTitle(kLoadingCaption);
  std::reverse(files.begin(), files.end());
  std::string list;
  for (const std::string& file : files) list += file + '\n';
  list.pop_back();
  return deck_->OpenFiles(list, 1);
}
