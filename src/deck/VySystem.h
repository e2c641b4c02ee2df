// The deck as the window sees it: song engine, pitch, playlist and meter
// together, the user's preferences, the transport state machine with its CUE
// behaviours and end-of-track policies, and the player thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "audio/decoders/TrackDecoders.h"
#include "analysis/AutoGain.h"
#include "deck/DeckAnalysis.h"
#include "deck/DeckSync.h"
#include "deck/VyPitch.h"
#include "deck/VyPlayList.h"
#include "deck/VySong.h"
#include "deck/VyVMetterDSP.h"
#include "foundation/OzoThread.h"

enum TVyDeckState : uint8_t { dsEmpty = 0, dsPaused = 1, dsPlaying = 2, dsCued = 3, dsSearching = 4 };
enum TVyEndOfTrack : uint8_t { etStop = 0, etNext = 1, etRestart = 2 };
// Who runs the player cycles (Tick): the deck's own thread, as the program
// has it, or the deck's caller, one cycle whenever it asks, so that a test
// can run the deck in step with a capture it mixes itself.
enum TVyPlayerCycles : uint8_t { pcOwnThread = 0, pcCaller = 1 };

constexpr uint32_t pfPlayWhenOpen = 0x01;
constexpr uint32_t pfPlayWhenTrack = 0x02;
constexpr uint32_t pfSecureClose = 0x04;
constexpr uint32_t pfSecureTrack = 0x08;
constexpr uint32_t pfSecureDrop = 0x10;
constexpr uint32_t pfPlayListLoop = 0x20;
constexpr uint32_t pfPioneerCue = 0x40;
constexpr uint32_t pfFastOpen = 0x80;

// Track-button flags: Ctrl held moves five entries.
constexpr unsigned kTrackCtrl = 0x02;

struct TVyPreferences {
  uint32_t Flags = 0xE7;
  uint8_t EndOfTrack = etStop;
  uint8_t TimeMode = 0;
  uint8_t PitchRange = pr16;
  uint8_t Reserved1[13] = {};
  uint16_t Reserved2 = 0;
  uint8_t Reserved3 = 0;
};

struct TVyDeckInfo {
  TVyFaderBlock Fader;
  TVySongInfo SongInfo;
  int32_t VuMinimum = 0, VuMaximum = 255, Reserved1 = 0;
  int32_t VolumeMinimum = 0, VolumeMaximum = 100, InitialVolume = 100;
  int32_t BalanceMinimum = -100, BalanceMaximum = 100, InitialBalance = 0;
  int32_t Reserved2 = 0, Reserved3 = 100, Reserved4 = 60;
};

struct TVyPlayInfo {
  TVyTimeInfo Time;
  int32_t LevelLeft;
  int32_t LevelRight;
};

class TVySystemTAG {
 public:
  // The counter times the bends, the track buttons, the search and its loop.
  explicit TVySystemTAG(void* ownerWindow = nullptr, TVyCounter counter = SystemCounter(),
                        TVyPlayerCycles cycles = pcOwnThread);
  ~TVySystemTAG();
  TVySystemTAG(const TVySystemTAG&) = delete;
  TVySystemTAG& operator=(const TVySystemTAG&) = delete;

  void SetPreferences(const TVyPreferences& preferences);
  void UpdateFaderInfo();
  void GetPreferences(TVyPreferences& preferences);

  // 0, or -2 when the current entry could not be loaded (the deck is then empty).
  int OpenFiles(const std::string& list, unsigned flags);
  // Each display tick: takes a length the song learnt while playing and a
  // finished analysis, then applies the end-of-track policy once the end has
  // been heard.
  void CheckEndOfTrack();
  void GetPitchInfo(TVyPitchInfo& info);
  void GetPlayInfo(TVyPlayInfo& info);
  // The loaded track's analysis; TakeAnalysis, called with CheckEndOfTrack,
  // acts on its result.
  TDeckAnalysis& Analysis() { return analysis_; }
  // Auto-gain brings each analysed track to the target loudness (LUFS).
  void SetAutoGain(bool on, double targetLufs);
  // Auto-gain as the user's stored preferences have it (off, -14 LUFS by default).
  void LoadAutoGainPreferences();
  bool AutoGain() const { return autoGain_; }
  double AutoGainTargetLufs() const { return autoGainTargetLufs_; }
  // The loudness correction heard now, in dB (0 while off or unknown).
  double GainDb() const { return gainDb_; }
  // The pitch display shows the effective tempo (ShowBpm) instead of the
  // pitch; "BPM" text such as "128.0", or "" while the tempo is unknown.
  void ToggleBpmDisplay() { showBpm_ = !showBpm_; }
  bool ShowBpm() const { return showBpm_; }
  std::string EffectiveBpmText();
  // The sound output is gone (the sound server ended): the window says so.
  // It comes back by itself, and what played plays on from where it stopped.
  bool OutputLost() { return Song.OutputLost(); }

  void PlayPause();
  void CueDown();
  void CueUp();
  void PlayCueKey();
  void TogglePitch();
  void ToggleTimeMode();
  void SetPitchFader(int value);
  void NudgePitch(int delta);
  void BendFastDown(int modifiers);
  void BendFastUp();
  void BendSlowDown(int modifiers);
  void BendSlowUp();
  void ForwardDown(int modifiers);
  void ForwardUp();
  void RewindDown(int modifiers);
  void RewindUp();
  void Seek(unsigned ms);
  void SetVolume(int volume);
  void SetBalance(int balance, bool downmix);
  void MuteDown();
  void MuteUp();
  // Keylock: the pitch fader and the bends change the tempo, the key stays.
  // The engine is DSBKEYLOCK_FINE or DSBKEYLOCK_FAST; it is prepared here,
  // on the window's thread, and kept for the tracks that follow.
  void SetKeylock(bool on);
  bool Keylock() const { return keylock_; }
  void SetKeylockEngine(uint32_t engine);
  uint32_t KeylockEngine() const { return keylockEngine_; }
  // "Secure track buttons" holds an audible playing deck, or the playlist is empty.
  bool TrackChangeRefused() const;
  // Link: the deck joins the session of every Link peer on the network.
  void SetLink(bool on);
  bool Link() const { return sync_.LinkEnabled(); }
  // Sync: the deck plays at the session's tempo, its beats on the session's,
  // and its pitch fader sets the session's tempo. Needs Link. Without a known
  // tempo it waits for the track's analysis. Returns "" or why it is refused
  // (shown in the title for a while too).
  std::string SetSync(bool on);
  bool Synced() const { return sync_.Following(); }
  // Beats to a bar for a start with sync on, 1..16.
  void SetQuantum(int beats);
  TDeckSync& BeatSync() { return sync_; }
  // The tempo heard now: the session's while synced, else the track's at
  // its pitch; 0 while the track's tempo is unknown.
  double EffectiveBpm();
  // Nonzero when a track was selected.
  int NextTrack(unsigned flags);
  int PrevTrack(unsigned flags);

  // One player cycle: service the song, time the bends, send a new rate.
  // Returns how long the player may sleep before the next. With pcCaller
  // the caller runs it, on the thread it gives every other command.
  uint32_t Tick();
  // With pcCaller: a command gave the player work since the last Tick, so
  // that the player thread would run one now rather than sleep on.
  bool PlayerWoken() const { return playerWoken_; }

  TVySongTAG Song;
  TVyPitchTAG Pitch;
  TVyPlayListTAG PlayList;
  TVyVMetterDSPTAG Meter;
  TVyDeckInfo DeckInfo;
  TVyPreferences Preferences;
  int TrackLoaded = 0;
  int SongInfoChanged = 0;
  int AnalysisChanged = 0;  // the analysis' state or overview moved on
  int TitleChanged = 0;     // a message took the title, or gave it back
  int StateChanged = 1;
  TVyDeckState State = dsEmpty;
  int Volume = 100;
  int Balance = 0;

 private:
  enum TTrackSelect : unsigned { tsPlay = 0x01, tsAbsolute = 0x02, tsLast = 0x08 };

  int LoadTrack(const std::string& file, unsigned trackNumber, bool play);
  void CloseTrack();
  void ShowNothingToLoad(const std::string& list);
  int SelectTrack(int value, unsigned mode);
  void LoadFirstPlayable(int index, int step, bool play);
  void SetState(TVyDeckState next);
  void StartSearch(int modifiers, bool forward);
  void UpdatePitch();
  void ApplyLevels();
  // The window's thread built the deck; every command comes from there, and
  // with pcCaller the player cycles too.
  void CheckCommandThread() const;
  void TakeAnalysis();
  void FollowAnalysedGrid();
  void TakeTempoIfAlone();
  void FollowPitch(int32_t pitch, int32_t bend, int32_t range);
  void CheckSync();
  void ShowInTitle(const std::string& message);
  void UpdateAutoGain();
  void WakePlayer();
  void AwaitFirstFill();
  int64_t NowMs() const;

  TVyPitchInfo pitchSnapshot_{};
  TVyTimeInfo timeSnapshot_{};
  TTrackDecoders decoders_;
  TVyCounter counter_;
  int64_t lastTrackPressMs_ = 0;
  int cuePlayHeld_ = 0;
  int muteHeld_ = 0;
  bool keylock_ = false;
  uint32_t keylockEngine_ = DSBKEYLOCK_FINE;
  const TVyPlayerCycles cycles_;
  const std::thread::id builtOn_ = std::this_thread::get_id();
  bool playerWoken_ = false;  // pcCaller only: on the caller's one thread
  TDeckAnalysis analysis_;
  bool autoGain_ = false;
  double autoGainTargetLufs_ = kDefaultAutoGainTargetLufs;
  double gainDb_ = 0.0;
  bool showBpm_ = false;
  TDeckSync sync_;
  std::atomic<int32_t> syncedPitch_{0};  // the pitch the session's tempo last came from: window and player threads
  int64_t titleMessageEndMs_ = -1;  // a message shows in the title until then
  std::unique_ptr<TOzoThreadTAG> player_;
};
