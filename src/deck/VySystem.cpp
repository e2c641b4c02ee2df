#include "deck/VySystem.h"

#include <algorithm>
#include <cstdio>

#include "foundation/OzoAssert.h"
#include "foundation/OzoError.h"
#include "foundation/OzoLog.h"
#include "foundation/OzoPath.h"
#include "foundation/Preferences.h"
#include "platform/kernel/KernelThread.h"

namespace {
// Report lines of the deck's load failures, as earlier logs carried them.
constexpr int kLoadFailedLine = 203;
constexpr int kOpenFilesFailedLine = 339;
// A second press of Previous within this time goes to the previous entry.
constexpr int64_t kPreviousWindowMs = 1999;
constexpr int kTopPitchShown = 1999;  // the display's tens digit can only show 1
// How long a load waits for the analysis cache before it plays (auto-gain on).
constexpr int kCacheAnswerWaitMs = 50;
// Pitch captions in the LCD's glyphs: "a" an unlit sign, "e" an unlit narrow
// one, "b" an unlit digit, "c" an unlit decimal point.
constexpr char kPitchOffText[] = "a ebcbb";
constexpr char kPitchZeroText[] = "a e0.00";

int PlayerCycle(const std::atomic<int32_t>* stop, void* deck) {
  while (!*stop) Sleep(static_cast<TVySystemTAG*>(deck)->Tick());
  return 0;
}

// The pitch as the LCD shows it: sign, the tens digit as a glyph ("e" unlit,
// "I" lit one) and the rest.
void FormatPitch(const TVyPitchInfo& info, char (&text)[12]) {
  const int p = info.Pitch;
  if (!info.PitchOn) {
    std::snprintf(text, sizeof text, "%s", kPitchOffText);
  } else if (p == 0) {
    std::snprintf(text, sizeof text, "%s", kPitchZeroText);
  } else {
    const int magnitude = p < 0 ? -p : p;
    const char* sign = p < 0 ? "-" : "+";
    if (magnitude < 1000) {
      std::snprintf(text, sizeof text, "%s e%i.%02i", sign, magnitude / 100, magnitude % 100);
    } else {
      const int q = std::min(magnitude, kTopPitchShown);
      std::snprintf(text, sizeof text, "%s I%i.%02i", sign, (q / 100) % 10, q % 100);
    }
  }
}
}  // namespace

TVySystemTAG::TVySystemTAG(void* ownerWindow, TVyCounter counter, TVyPlayerCycles cycles)
    : Pitch(counter), counter_(counter), cycles_(cycles) {
  Song.SetOwnerWindow(ownerWindow);
  Song.SetCounter(counter);
  for (TVyPlayerTAG* decoder : decoders_.InOrder()) Song.AddPlayer(decoder);
  Song.Buffer().AddProcessor(&Meter);
  Song.Buffer().SetRateFollower(&sync_);
  UpdateFaderInfo();
  Song.GetSongInfo(DeckInfo.SongInfo);
  UpdatePitch();
  Song.GetTimeInfo(timeSnapshot_);
  Volume = DeckInfo.InitialVolume;
  Balance = DeckInfo.InitialBalance;
  lastTrackPressMs_ = NowMs();
  if (cycles_ == pcOwnThread)
    player_ = TOzoThreadTAG::StartThread(PlayerCycle, this);  // a thread that cannot start is not reported
}

TVySystemTAG::~TVySystemTAG() {
  Song.Buffer().SetRateFollower(nullptr);  // no mix asks the follower any more
  CloseTrack();
  player_.reset();  // stops the player thread before any member goes
}

int64_t TVySystemTAG::NowMs() const { return counter_.Now() / counter_.TicksPerMs(); }

// ---- preferences ----

void TVySystemTAG::SetPreferences(const TVyPreferences& preferences) {
  CheckCommandThread();
  Preferences = preferences;
  Song.SetTimeMode(preferences.TimeMode);
  Pitch.SetRange(TVyPitchRange(preferences.PitchRange));
  UpdatePitch();
}

void TVySystemTAG::UpdateFaderInfo() {
  CheckCommandThread();
  TOzoSyncGuard lock(Pitch);
  DeckInfo.Fader = Pitch.Fader;
}

void TVySystemTAG::GetPreferences(TVyPreferences& preferences) {
  CheckCommandThread();
  Preferences.TimeMode = uint8_t(Song.GetTimeMode());  // the time button changes it directly
  preferences = Preferences;
}

// ---- loading ----

int TVySystemTAG::LoadTrack(const std::string& file, unsigned trackNumber, bool play) {
  CloseTrack();
  const int exact = (Preferences.Flags & pfFastOpen) ? 0 : 1;
  if (Song.Open(file.c_str(), trackNumber, exact) != 0) {
    Song.GetSongInfo(DeckInfo.SongInfo);
    SongInfoChanged = 1;
    ReportError(__FILE__, kLoadFailedLine, kPassOn, nullptr);
    return -2;
  }
  TrackLoaded = 1;
  State = dsPaused;
  StateChanged = 1;
  Song.GetSongInfo(DeckInfo.SongInfo);
  Song.GetTimeInfo(timeSnapshot_);
  SongInfoChanged = 1;
  Pitch.SetBaseRate(DeckInfo.SongInfo.SampleRate);
  UpdatePitch();
  gainDb_ = 0.0;
  analysis_.Start(file);
  // A track known from the cache is corrected from its first sound on; the
  // cache answers in a few milliseconds, and the window waits no longer.
  if (autoGain_) analysis_.WaitForCache(kCacheAnswerWaitMs);
  TakeAnalysis();
  ApplyLevels();
  WakePlayer();
  if (play) {
    AwaitFirstFill();
    PlayPause();
  }
  return 0;
}

void TVySystemTAG::CloseTrack() {
  if (!TrackLoaded) return;
  Song.Close();
  analysis_.Cancel();
  sync_.SetGrid({});
  AnalysisChanged = 1;
  TrackLoaded = 0;
  State = dsEmpty;
  StateChanged = 1;
}

int TVySystemTAG::OpenFiles(const std::string& list, unsigned flags) {
  CheckCommandThread();
  PlayList.Load(list, flags & 1);
  const int index = PlayList.CurrentIndex;
  PlayList.CurrentName = index >= 0 ? PlayList.Entries.Strings(index) : std::string();
  if (index < 0) {
    ShowNothingToLoad(list);
  } else if (LoadTrack(PlayList.CurrentName, unsigned(index + 1), Preferences.Flags & pfPlayWhenOpen) == 0) {
    return 0;
  }
  ReportError(__FILE__, kOpenFilesFailedLine, kPassOn, nullptr);
  return -2;
}

// A playlist that cannot be read or holds no entry: the list's own report
// says why, and the title names what was given rather than an empty name.
void TVySystemTAG::ShowNothingToLoad(const std::string& list) {
  CloseTrack();
  Song.GetSongInfo(DeckInfo.SongInfo);
  const std::string given = NameAndExtension(list.substr(0, list.find('\n')));
  const std::string title = ElideMiddle("(ERROR) " + given, sizeof DeckInfo.SongInfo.Title - 1);
  std::snprintf(DeckInfo.SongInfo.Title, sizeof DeckInfo.SongInfo.Title, "%s", title.c_str());
  SongInfoChanged = 1;
}

// Moves the current entry and loads it (or the next playable one); the
// result is 1 whenever the entry moved, whether or not a load succeeded.
int TVySystemTAG::SelectTrack(int value, unsigned mode) {
  const int count = PlayList.Entries.Count();
  if (PlayList.CurrentIndex < 0 || count == 0) return 0;
  int index = PlayList.CurrentIndex;
  if (mode & tsLast)
    index = count - 1;
  else if (mode & tsAbsolute)
    index = std::clamp(value, 0, count - 1);
  else if (value != 0)
    index = std::clamp(index + value, 0, count - 1);
  if (index == PlayList.CurrentIndex) return 0;
  const bool backwards = (mode & tsLast) || (!(mode & tsAbsolute) && value < 0);
  LoadFirstPlayable(index, backwards ? -1 : 1, (mode & tsPlay) && (Preferences.Flags & pfPlayWhenTrack));
  return 1;
}

// Loads the entry at index; an entry that cannot be opened (already
// reported) is skipped in the direction of travel, wrapping only when the
// list loops, each entry tried at most once: one missing file must not stop
// a set. Loads that fail leave the deck empty, so play is decided up front.
void TVySystemTAG::LoadFirstPlayable(int index, int step, bool play) {
  const int count = PlayList.Entries.Count();
  const bool loop = Preferences.Flags & pfPlayListLoop;
  for (int tried = 0; tried < count; ++tried) {
    PlayList.CurrentIndex = index;
    PlayList.CurrentName = PlayList.Entries.Strings(index);
    if (LoadTrack(PlayList.CurrentName, unsigned(index + 1), play) == 0) return;
    index += step;
    if (index < 0 || index >= count) {
      if (!loop) return;
      index = (index + count) % count;
    }
  }
}

bool TVySystemTAG::TrackChangeRefused() const {
  CheckCommandThread();
  const bool secured = (Preferences.Flags & pfSecureTrack) && State == dsPlaying && Volume > 0;
  return secured || PlayList.Entries.Count() == 0;
}

int TVySystemTAG::NextTrack(unsigned flags) {
  CheckCommandThread();
  if (TrackChangeRefused()) return 0;
  cuePlayHeld_ = 0;
  lastTrackPressMs_ = NowMs();
  const unsigned play = State == dsPlaying ? unsigned(tsPlay) : 0u;
  int selected = SelectTrack((flags & kTrackCtrl) ? 5 : 1, play);
  if (!selected && (Preferences.Flags & pfPlayListLoop)) selected = SelectTrack(0, tsAbsolute | play);
  return selected;
}

// One press restarts the track; a second within two seconds, or a press at
// the very start, goes to the previous entry.
int TVySystemTAG::PrevTrack(unsigned flags) {
  CheckCommandThread();
  if (TrackChangeRefused()) return 0;
  cuePlayHeld_ = 0;
  const int64_t now = NowMs();
  const int64_t elapsed = now - lastTrackPressMs_;
  lastTrackPressMs_ = now;
  const unsigned play = State == dsPlaying ? unsigned(tsPlay) : 0u;
  if (elapsed <= kPreviousWindowMs || Song.GetPosition() == 0) {
    int selected = SelectTrack((flags & kTrackCtrl) ? -5 : -1, play);
    if (!selected && (Preferences.Flags & pfPlayListLoop)) selected = SelectTrack(0, tsLast | play);
    if (selected) return selected;
  }
  Song.SetPosition(0);
  WakePlayer();
  if (State != dsSearching) return 0;
  SetState(dsPlaying);
  return 1;
}

// ---- transport ----

void TVySystemTAG::SetState(TVyDeckState next) {
  if (next == State) return;
  const TVyDeckState old = State;
  State = next;
  StateChanged = 1;
  sync_.HoldSeeks(next != dsSearching);  // a search's snippets are heard as they come
  switch (old) {
    case dsPaused:
    case dsCued:
      if (next == dsPlaying && sync_.Following()) sync_.ArmStart();  // heard on the session's bar
      if (next == dsPlaying) Song.Play();
      if (next == dsSearching) Song.HoldLoop();
      break;
    case dsPlaying:
      if (next == dsPaused) Song.Stop(), Song.SetCuePoint();
      if (next == dsCued) Song.Stop(), Song.ReturnToCue();
      if (next == dsSearching) Song.HoldLoop(), Song.SetCuePoint();
      break;
    case dsSearching:
      if (next != dsPlaying) Song.Stop();
      Song.SetCuePoint();
      Song.ReleaseLoop();
      break;
    case dsEmpty:
      break;
  }
  WakePlayer();
}

void TVySystemTAG::PlayPause() {
  CheckCommandThread();
  if (TrackLoaded) SetState(State == dsPlaying && !cuePlayHeld_ ? dsPaused : dsPlaying);
  cuePlayHeld_ = 0;
}

void TVySystemTAG::CueDown() {
  CheckCommandThread();
  if (!TrackLoaded) return;
  if ((Preferences.Flags & pfPioneerCue) && (State == dsPaused || State == dsCued)) {
    cuePlayHeld_ = 1;
    SetState(dsPlaying);
  } else {
    SetState(dsCued);
  }
}

void TVySystemTAG::CueUp() {
  CheckCommandThread();
  if (!TrackLoaded || !cuePlayHeld_) return;
  cuePlayHeld_ = 0;
  SetState(dsCued);
}

void TVySystemTAG::PlayCueKey() {
  CheckCommandThread();
  cuePlayHeld_ = 0;
  if (State == dsPlaying)
    CueDown();
  else
    PlayPause();
}

void TVySystemTAG::CheckEndOfTrack() {
  CheckCommandThread();
  TakeAnalysis();
  CheckSync();
  if (Song.TakeLengthChanged()) {
    Song.GetSongInfo(DeckInfo.SongInfo);
    SongInfoChanged = 1;
  }
  if (State != dsPlaying || !Song.IsOpen() || !Song.EndMarker().EndReached()) return;
  switch (Preferences.EndOfTrack) {
    case etNext:
      if (SelectTrack(1, tsPlay)) return;
      if ((Preferences.Flags & pfPlayListLoop) && SelectTrack(0, tsPlay | tsAbsolute)) return;
      CueDown();
      return;
    case etRestart:
      Song.SetPosition(0);
      WakePlayer();
      return;
    default:
      CueDown();
  }
}

void TVySystemTAG::ForwardDown(int modifiers) {
  CheckCommandThread();
  StartSearch(modifiers, true);
}
void TVySystemTAG::RewindDown(int modifiers) {
  CheckCommandThread();
  StartSearch(modifiers, false);
}

// Shift, Ctrl or both (Alt ignored) give fixed steps of 10, 100 or 1000 ms;
// no modifier, or a mask that is not one of these, the accelerating search.
void TVySystemTAG::StartSearch(int modifiers, bool forward) {
  if (!TrackLoaded) return;
  cuePlayHeld_ = 0;
  const bool fresh = State != dsSearching;
  SetState(dsSearching);
  static const int kFixedSteps[] = {0, 10, 100, 1000};
  const bool known = modifiers >= 0 && modifiers <= (kModShift | kModCtrl | kModAlt);
  const int fixed = known ? kFixedSteps[modifiers & (kModShift | kModCtrl)] : 0;
  if (fixed)
    Song.StartStepScan(forward ? fixed : -fixed, fresh);
  else if (forward)
    Song.StartForwardScan(fresh);
  else
    Song.StartBackwardScan(fresh);
}

// The snippet keeps looping at the reached position until Play, CUE or a track change.
void TVySystemTAG::ForwardUp() {
  CheckCommandThread();
  if (TrackLoaded) Song.StopScan();
}
void TVySystemTAG::RewindUp() { ForwardUp(); }

void TVySystemTAG::Seek(unsigned ms) {
  CheckCommandThread();
  cuePlayHeld_ = 0;
  Song.SetPosition(ms);
  WakePlayer();
}

// ---- pitch ----

void TVySystemTAG::UpdatePitch() {
  TVyPitchInfo snapshot;
  int32_t bend, range;
  {
    TOzoSyncGuard lock(Pitch);
    FormatPitch(Pitch.Info, Pitch.Info.PitchText);
    Pitch.ComputeRate();
    pitchSnapshot_ = snapshot = Pitch.Info;
    Pitch.Dirty = 0;
    bend = Pitch.Bend, range = Pitch.Range;
  }
  Song.SetRate(unsigned(snapshot.Rate));  // the pitch lock is free before the song lock is taken
  FollowPitch(snapshot.PitchOn ? snapshot.Pitch : 0, snapshot.PitchOn ? bend : 0, range);
}

void TVySystemTAG::TogglePitch() {
  CheckCommandThread();
  Pitch.TogglePitch();
  UpdatePitch();
}

void TVySystemTAG::SetPitchFader(int value) {
  CheckCommandThread();
  Pitch.SetFader(value);
  UpdatePitch();
}

void TVySystemTAG::NudgePitch(int delta) {
  CheckCommandThread();
  Pitch.Nudge(delta);
  UpdatePitch();
}

void TVySystemTAG::BendFastDown(int modifiers) {
  CheckCommandThread();
  Pitch.BeginBend(+1, modifiers);
  WakePlayer();
}
void TVySystemTAG::BendSlowDown(int modifiers) {
  CheckCommandThread();
  Pitch.BeginBend(-1, modifiers);
  WakePlayer();
}

void TVySystemTAG::BendFastUp() {
  CheckCommandThread();
  Pitch.EndBend();
  UpdatePitch();
}
void TVySystemTAG::BendSlowUp() { BendFastUp(); }

// The snapshot is also written by the player thread, so it is read under the pitch lock.
void TVySystemTAG::GetPitchInfo(TVyPitchInfo& info) {
  CheckCommandThread();
  TOzoSyncGuard lock(Pitch);
  info = pitchSnapshot_;
}

// ---- levels ----

void TVySystemTAG::SetVolume(int volume) {
  CheckCommandThread();
  Volume = volume;
  ApplyLevels();
}

void TVySystemTAG::SetBalance(int balance, bool downmix) {
  CheckCommandThread();
  Balance = balance;
  Meter.SetDownmix(downmix);
  ApplyLevels();
}

void TVySystemTAG::SetKeylock(bool on) {
  CheckCommandThread();
  keylock_ = on;
  Song.SetKeylock(on ? keylockEngine_ : DSBKEYLOCK_OFF);
  StateChanged = 1;  // the face shows it with the lamps
}

void TVySystemTAG::SetKeylockEngine(uint32_t engine) {
  CheckCommandThread();
  keylockEngine_ = engine == DSBKEYLOCK_FAST ? DSBKEYLOCK_FAST : DSBKEYLOCK_FINE;
  if (keylock_) Song.SetKeylock(keylockEngine_);
}

// A new track gets a new sound buffer: a mute still held carries over to it.
void TVySystemTAG::ApplyLevels() {
  if (!TrackLoaded) return;
  Song.SetVolume(unsigned(std::max(Volume, 0)));
  Song.SetPan(Balance);
  Song.SetGainFactor(DecibelsToFactor(gainDb_));
  if (muteHeld_) Song.Mute();
}

// ---- analysis ----

void TVySystemTAG::TakeAnalysis() {
  if (!analysis_.TakeChanged()) return;
  AnalysisChanged = 1;
  UpdateAutoGain();
  FollowAnalysedGrid();
}

void TVySystemTAG::SetAutoGain(bool on, double targetLufs) {
  CheckCommandThread();
  autoGain_ = on;
  autoGainTargetLufs_ = targetLufs;
  UpdateAutoGain();
}

void TVySystemTAG::LoadAutoGainPreferences() {
  SetAutoGain(Preferences::Flag(kAutoGainPreference, false),
              Preferences::Number(kAutoGainTargetPreference, kDefaultAutoGainTargetLufs, kLowestAutoGainTargetLufs,
                                  kHighestAutoGainTargetLufs));
}

void TVySystemTAG::UpdateAutoGain() {
  const std::optional<TTrackAnalysis> result = analysis_.Result();
  const double gain = autoGain_ && result ? AutoGainDb(*result, autoGainTargetLufs_) : 0.0;
  if (gain == gainDb_) return;
  gainDb_ = gain;
  ApplyLevels();
  if (result)
    LogPrintf("Auto-gain %+.1f dB: %.1f LUFS, true peak %.1f dBTP, target %.1f LUFS (%s)", gain,
              result->loudnessLufs, result->truePeakDb, autoGainTargetLufs_, PlayList.CurrentName.c_str());
}

std::string TVySystemTAG::EffectiveBpmText() {
  const double bpm = EffectiveBpm();
  if (bpm <= 0) return "";
  char text[16];
  std::snprintf(text, sizeof text, "%.1f", bpm);
  return text;
}

void TVySystemTAG::MuteDown() {
  CheckCommandThread();
  muteHeld_ = 1;
  Song.Mute();
}
void TVySystemTAG::MuteUp() {
  CheckCommandThread();
  muteHeld_ = 0;
  Song.Unmute();
}
void TVySystemTAG::ToggleTimeMode() {
  CheckCommandThread();
  Song.ToggleTimeMode();
}

void TVySystemTAG::GetPlayInfo(TVyPlayInfo& info) {
  CheckCommandThread();
  Song.GetTimeInfo(info.Time);
  int levels[2];
  Meter.GetLevels(levels);
  info.LevelLeft = levels[0];
  info.LevelRight = levels[1];
}

// ---- player thread ----

uint32_t TVySystemTAG::Tick() {
  if (cycles_ == pcCaller) CheckCommandThread();
  if (cycles_ == pcCaller) playerWoken_ = false;
  const uint32_t sleepMs = Song.Service();
  Pitch.BendTick();
  bool dirty, bending;
  {
    TOzoSyncGuard lock(Pitch);
    dirty = Pitch.Dirty != 0;
    bending = Pitch.BendMode != bmNone;
  }
  if (dirty) UpdatePitch();
  LogFlushRepeats();
  return bending ? std::min(sleepMs, TVySongTAG::kBusyCycleMs) : sleepMs;
}

// Commands that give the player work wake it: it may be in a long sleep.
void TVySystemTAG::CheckCommandThread() const {
  OZO_ASSERT(std::this_thread::get_id() == builtOn_, "the deck's commands come from the thread that built it");
}

void TVySystemTAG::WakePlayer() {
  if (cycles_ == pcCaller) playerWoken_ = true;
  if (player_) player_->Wake();
}

// A load that plays starts once the first chunk is in place: the player
// thread writes it while the window waits; a caller that runs the cycles
// itself has the cycle run now, as the woken thread would.
void TVySystemTAG::AwaitFirstFill() {
  if (cycles_ == pcCaller)
    Tick();
  else
    Song.Buffer().WaitRestarted();
}
