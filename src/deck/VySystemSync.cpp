// The deck's side of Link and beat sync: switches, the track's grid, the
// pitch fader as the session's tempo, and refusals shown in the title.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "deck/VySystem.h"
#include "foundation/OzoLog.h"

namespace {
// Pitch is in hundredths of a per cent.
constexpr double kPitchScale = 10000.0;
// A refusal stays in the title long enough to be read; then the title returns.
constexpr int64_t kTitleMessageMs = 4000;
constexpr char kNeedsLink[] = "Sync needs Link: press L first";
constexpr int kMinQuantum = 1, kMaxQuantum = 16;
}  // namespace

void TVySystemTAG::SetLink(bool on) {
  CheckCommandThread();
  // A session this deck starts takes the tempo it plays at.
  const double bpm = EffectiveBpm();
  sync_.EnableLink(on, bpm > 0 ? bpm : TDeckSync::kNewSessionTempo);
  if (!on) sync_.Follow(false);
}

std::string TVySystemTAG::SetSync(bool on) {
  CheckCommandThread();
  if (!on) {
    sync_.Follow(false);
    return "";
  }
  if (!sync_.LinkEnabled()) {
    ShowInTitle(kNeedsLink);
    return kNeedsLink;
  }
  const double bpm = sync_.TrackBpm();
  TVyPitchInfo pitch;
  GetPitchInfo(pitch);
  TakeTempoIfAlone();
  if (bpm > 0) {
    const std::string refusal = SyncRefusal(sync_.SessionTempo(), bpm, Pitch.Range / kPitchScale);
    if (!refusal.empty()) {
      ShowInTitle(refusal);
      return refusal;
    }
  }
  syncedPitch_.store(pitch.PitchOn ? pitch.Pitch : 0);
  sync_.Follow(true);  // without a tempo yet it follows once the analysis has one
  return "";
}

void TVySystemTAG::SetQuantum(int beats) { sync_.SetQuantum(std::clamp(beats, kMinQuantum, kMaxQuantum)); }

double TVySystemTAG::EffectiveBpm() {
  const double bpm = sync_.TrackBpm();
  if (bpm <= 0) return 0.0;
  if (sync_.Following() && sync_.LinkEnabled()) return sync_.SessionTempo();
  TVyPitchInfo pitch;
  GetPitchInfo(pitch);
  return bpm * (1.0 + (pitch.PitchOn ? pitch.Pitch / kPitchScale : 0.0));
}

// The analysis' tempo and first beat become the grid the deck follows. A
// track whose tempo the pitch range cannot bring to the session's ends the sync.
void TVySystemTAG::FollowAnalysedGrid() {
  const std::optional<TTrackAnalysis> result = analysis_.Result();
  const bool known = result && result->bpm > 0 && std::isfinite(result->firstBeatSeconds);
  sync_.SetGrid(known ? TTrackGrid{result->bpm, result->firstBeatSeconds, double(DeckInfo.SongInfo.SampleRate)}
                      : TTrackGrid{});
  if (known && sync_.Following()) {
    TakeTempoIfAlone();
    const std::string refusal = SyncRefusal(sync_.SessionTempo(), result->bpm, Pitch.Range / kPitchScale);
    if (!refusal.empty()) sync_.Follow(false), ShowInTitle(refusal);
  }
}

// Alone in the session, a synced deck keeps its own tempo and the session takes it.
void TVySystemTAG::TakeTempoIfAlone() {
  const double bpm = sync_.TrackBpm();
  if (bpm <= 0 || sync_.Peers() > 0) return;
  TVyPitchInfo pitch;
  GetPitchInfo(pitch);
  sync_.SetSessionTempo(bpm * (1.0 + (pitch.PitchOn ? pitch.Pitch / kPitchScale : 0.0)));
}

// Window and player threads. While synced the fader's pitch is the session's
// tempo, which every peer follows; a bend only nudges this deck's phase.
void TVySystemTAG::FollowPitch(int32_t pitch, int32_t bend, int32_t range) {
  sync_.SetBend(1.0 + bend / kPitchScale);
  sync_.SetPitchRange(range / kPitchScale);
  const double bpm = sync_.TrackBpm();
  if (syncedPitch_.exchange(pitch) != pitch && sync_.Following() && bpm > 0)
    sync_.SetSessionTempo(bpm * (1.0 + pitch / kPitchScale));
}

// Each display tick: a session tempo beyond the pitch range ends the sync,
// and a message in the title gives the title back once read.
void TVySystemTAG::CheckSync() {
  if (sync_.TakeOutOfRange() && sync_.Following()) {
    sync_.Follow(false);
    const std::string refusal = SyncRefusal(sync_.SessionTempo(), sync_.TrackBpm(), Pitch.Range / kPitchScale);
    ShowInTitle(refusal.empty() ? "Sync ended: the session's tempo left the pitch range" : refusal);
  }
  if (titleMessageEndMs_ >= 0 && NowMs() >= titleMessageEndMs_) {
    titleMessageEndMs_ = -1;
    TVySongInfo song;
    Song.GetSongInfo(song);
    std::snprintf(DeckInfo.SongInfo.Title, sizeof DeckInfo.SongInfo.Title, "%s", song.Title);
    TitleChanged = 1;
  }
}

void TVySystemTAG::ShowInTitle(const std::string& message) {
  std::snprintf(DeckInfo.SongInfo.Title, sizeof DeckInfo.SongInfo.Title, "%s", message.c_str());
  TitleChanged = 1;
  titleMessageEndMs_ = NowMs() + kTitleMessageMs;
  LogPrintf("%s", message.c_str());
}
