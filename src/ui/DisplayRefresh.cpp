// The display timer: every tick copies the deck's snapshots into the
// controls. Captions and bars are set on every tick (the controls ignore an
// equal value); the sliders only when they differ, so that a drag in
// progress is not fought over.
#include "ui/DisplayRefresh.h"

#include <QProgressBar>
#include <QToolButton>
#include <QWindow>
#include <algorithm>

#include "deck/VySystem.h"
#include "ui/MainBitmaps.h"
#include "ui/Vymain.h"
#include "ui_Vymain.h"

namespace {
// Wide enough for any song, so that the new maximum and increment are
// accepted in either order (the slider refuses a maximum below min + increment).
constexpr int kPositionWideMaximum = 1000000;
constexpr int kMsPerProgressStep = 100;
constexpr int kBytesPerBufferStep = 100;

const QColor kPitchZero(0, 255, 0);
const QColor kPitchMoved(0, 128, 0);
// With keylock on, the same lamp in blue: the key stays wherever the fader is.
const QColor kKeylockZero(0, 200, 255);
const QColor kKeylockMoved(0, 100, 160);
// Synced, the lamp turns orange: the fader now sets the session's tempo.
const QColor kSyncZero(255, 150, 0);
const QColor kSyncMoved(170, 95, 0);
const QColor kLinkOn(255, 230, 60);
// The lamp has room for one digit.
constexpr int kMostPeersShown = 9;

// A bar with an empty range would turn into Qt's busy animation; an empty
// song shows an empty bar instead.
void SetBarRange(QProgressBar* bar, uint32_t maximum) {
  bar->setValue(0);
  bar->setMinimum(0);
  bar->setMaximum(std::max<int>(1, int(maximum)));
}

struct TTransportGlyphs {
  TMainBitmap play, cue;
};
// By deck state: empty, paused, playing, cued, searching.
constexpr TTransportGlyphs kTransportGlyphs[] = {
    {bmpLedPlayDisabled, bmpLedCueOff}, {bmpLedPlayOff, bmpLedCueOff},      {bmpLedPlay, bmpLedCueOff},
    {bmpLedPlayDisabled, bmpLedCue},    {bmpLedPlayDisabled, bmpLedCueOff},
};

// The tempo right-aligned as the pitch is, unlit digits filling the
// hundreds; unlit digits and point while the tempo is unknown.
std::string BpmCaption(const std::string& bpm) {
  constexpr size_t kWidth = 5;  // "128.0"
  if (bpm.empty()) return "bbbcb";
  return std::string(kWidth > bpm.size() ? kWidth - bpm.size() : 0, 'b') + bpm;
}

void SetButtonGlyph(QWidget* widget, int bitmapIndex) {
  auto* button = static_cast<QToolButton*>(widget);
  const QImage* bitmap = MainBitmap(bitmapIndex);
  if (!bitmap) return;
  button->setIcon(QIcon(QPixmap::fromImage(*bitmap)));
  button->setIconSize(bitmap->size());
}
}  // namespace

TDisplayRefresh::TDisplayRefresh(QWidget& window, Ui::TMainForm& ui, const std::unique_ptr<TVySystemTAG>& deck,
                                 int intervalMs, std::function<void()> onTick)
    : window_(window), ui_(ui), deck_(deck) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(intervalMs);
  QObject::connect(&timer_, &QTimer::timeout, &window, std::move(onTick));
  ui_.Position->OnDrawRuler = [this](TSlider* slider, QPainter& canvas) { overview_.Draw(*slider, canvas); };
}

void TDisplayRefresh::Refresh() {
  deck_->CheckEndOfTrack();
  if (deck_->SongInfoChanged) RefreshSongDisplay();
  if (deck_->OutputLost() != outputLostShown_ || deck_->TitleChanged) deck_->TitleChanged = 0, RefreshTitle();
  const int stateChanged = deck_->StateChanged;
  deck_->StateChanged = 0;
  if (stateChanged) RefreshTransportLeds();
  if (deck_->AnalysisChanged) RefreshAnalysis();
  RefreshSync();
  if (!OnScreen()) return;
  RefreshTimeDisplay();
  if (bending_) RefreshPitchDisplay();
}

// Minimized, or shown but not mapped (another desktop). A window never shown
// counts as on the screen: what is set on it is what it will show.
bool TDisplayRefresh::OnScreen() const {
  const QWindow* handle = window_.windowHandle();
  return !window_.isMinimized() && !(handle && window_.isVisible() && !handle->isExposed());
}

void TDisplayRefresh::RefreshSongDisplay() {
  deck_->SongInfoChanged = 0;
  const TVySongInfo& song = deck_->DeckInfo.SongInfo;
  TSlider& position = *ui_.Position;
  position.SetValue(0);
  position.SetMinValue(0);
  position.SetMaxValue(kPositionWideMaximum);
  position.SetIncrement(1);
  position.SetMaxValue(int(song.Length));
  position.SetIncrement(int(song.PosIncrement));
  SetBarRange(ui_.Progress, song.Length / kMsPerProgressStep);
  SetBarRange(ui_.Buffer, song.BufferSize / kBytesPerBufferStep);
  ui_.LabelTrack->SetCaption(song.TrackText);
  RefreshTitle();
}

// On the desktop the window's title is also its task-bar text, so a deck
// that has lost its output says so wherever the DJ looks for it.
void TDisplayRefresh::RefreshTitle() {
  outputLostShown_ = deck_->OutputLost();
  const char* title = outputLostShown_ ? kAudioErrorTitle : deck_->DeckInfo.SongInfo.Title;
  window_.setWindowTitle(QString(kSongCaptionPrefix) + QString::fromLocal8Bit(title));
}

void TDisplayRefresh::RefreshTransportLeds() {
  const TTransportGlyphs& glyphs = kTransportGlyphs[deck_->State];
  SetButtonGlyph(ui_.btnPlay, glyphs.play);
  SetButtonGlyph(ui_.btnCUE, glyphs.cue);
  RefreshDropAcceptance();
}

void TDisplayRefresh::RefreshDropAcceptance() {
  const bool refused = (deck_->Preferences.Flags & pfSecureDrop) && deck_->State == dsPlaying && deck_->Volume != 0;
  window_.setAcceptDrops(!refused);
}

void TDisplayRefresh::RefreshTimeDisplay() {
  TVyPlayInfo info{};
  deck_->GetPlayInfo(info);
  ui_.LabelTimeMMSS->SetCaption(info.Time.TimeText);
  ui_.LabelTimeCS->SetCaption(info.Time.HundredthsText);
  ui_.Progress->setValue(int(info.Time.Position / kMsPerProgressStep));
  // The buffer's fill changes every tick; a hidden bar would only spend the
  // style's sums on it.
  if (!ui_.Buffer->isHidden())
    ui_.Buffer->setValue(ui_.Buffer->maximum() - int(info.Time.FreeBytes / kBytesPerBufferStep));
  if (deck_->State == dsPlaying || deck_->State == dsSearching) ui_.VMetter->SetLevels(info.LevelLeft, info.LevelRight);
  const uint32_t length = deck_->DeckInfo.SongInfo.Length;
  if (overview_.SetPlayed(length ? double(info.Time.Position) / length : 0.0, *ui_.Position)) ui_.Position->update();
  if (info.Time.CueChanged && ui_.Position->Value() != int(info.Time.CuePoint))
    ui_.Position->SetValue(int(info.Time.CuePoint));
}

void TDisplayRefresh::RefreshAnalysis() {
  deck_->AnalysisChanged = 0;
  std::vector<TOverviewColumn> columns;
  const size_t known = deck_->Analysis().Overview(&columns);
  overview_.SetColumns(std::move(columns), known);
  ui_.Position->update();
  if (deck_->ShowBpm()) RefreshPitchDisplay();
}

void TDisplayRefresh::RefreshPitchDisplay() {
  TVyPitchInfo info{};
  deck_->GetPitchInfo(info);
  ui_.LabelPitch->SetCaption(deck_->ShowBpm() ? BpmCaption(deck_->EffectiveBpmText()) : info.PitchText);
  QPalette led = ui_.LedPitch->palette();
  const bool keylock = deck_->Keylock(), synced = deck_->Synced();
  led.setColor(QPalette::Window, !info.PitchOn     ? window_.palette().color(QPalette::Button)
                                 : info.Pitch == 0 ? (synced ? kSyncZero : keylock ? kKeylockZero : kPitchZero)
                                                   : (synced ? kSyncMoved : keylock ? kKeylockMoved : kPitchMoved));
  ui_.LedPitch->setPalette(led);
  if (ui_.Pitch->Value() != info.FaderValue) ui_.Pitch->SetValue(info.FaderValue);
}

void TDisplayRefresh::RefreshSync() {
  const int link = deck_->Link() ? 1 + std::min<int>(int(deck_->BeatSync().Peers()), kMostPeersShown) : 0;
  if (link != linkShown_) {
    linkShown_ = link;
    QPalette lamp = ui_.LedLink->palette();
    lamp.setColor(QPalette::Window, link ? kLinkOn : window_.palette().color(QPalette::Button));
    ui_.LedLink->setPalette(lamp);
    ui_.LedLink->setText(link ? QString::number(link - 1) : QString());
  }
  // While synced the tempo shown follows the session's, which other apps move.
  if (deck_->Synced() != syncShown_ || (syncShown_ && deck_->ShowBpm())) {
    syncShown_ = deck_->Synced();
    RefreshPitchDisplay();
  }
}
