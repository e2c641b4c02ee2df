// The playback engine of one deck for one file at a time: decoder choice,
// output device and buffer, play position, cue point, audible search and the
// time texts of the display. The player thread calls Service, and SetRate
// for a bend's new rate; the window thread calls everything else.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>

#include "audio/decoders/VyPlayer.h"
#include "audio/output/OzoDS.h"
#include "audio/output/VyBuffer.h"
#include "deck/VyControlDSP.h"
#include "deck/VyScan.h"
#include "foundation/OzoCounter.h"
#include "foundation/OzoSync.h"

// The title of a song whose output failed, or is lost.
inline constexpr char kAudioErrorTitle[] = "(Audio error) ";

struct TVySongInfo {
  uint32_t Length;  // ms
  uint32_t LengthBytes;
  uint32_t PosIncrement;  // ms, the position slider's page
  uint32_t StepValue;
  uint32_t BufferSize;  // bytes
  uint32_t SampleRate;  // Hz: the base playback rate
  uint32_t TrackNumber;
  char Title[260];
  char TrackText[12];
};

struct TVyTimeInfo {
  uint32_t Position;  // ms
  uint32_t PositionBytes;
  uint32_t FreeBytes;
  uint32_t CuePoint;  // ms
  int32_t CueChanged;
  char TimeText[15];
  char HundredthsText[5];
  uint8_t Reserved[8];
};

class TVySongTAG : public TOzoSync {
 public:
  static constexpr int kMaxPlayers = 10;

  TVySongTAG();
  ~TVySongTAG();

  bool AddPlayer(TVyPlayerTAG* player);
  void SetOwnerWindow(void* window);
  // Takes effect at the next Open; null selects the default output.
  void SetDevice(const TGuid* device);
  // Asked, on the caller's thread, when the chosen device does not open:
  // sets another choice (none: the default output) and returns true, or
  // returns false when there is no other. The chosen device then opens only
  // when it is gone, and the user hears of it only when the other fails too.
  using TDeviceFallback = std::function<bool(std::optional<TGuid>& device)>;
  void SetDeviceFallback(TDeviceFallback fallback) { deviceFallback_ = std::move(fallback); }
  // The clock of the search and of the pause in its loop.
  void SetCounter(TVyCounter counter);

  // 0; -1 after a report (the title shows the failure); -2 when the output
  // buffer could not be set up.
  int Open(const char* fileName, unsigned trackNumber, int exactLength);
  void Close();
  void GetSongInfo(TVySongInfo& info);
  void GetTimeInfo(TVyTimeInfo& info);
  unsigned GetPosition();
  // True once after the length became shorter than the file had stated.
  bool TakeLengthChanged();
  // The open song's output is gone; it comes back, and plays on, by itself.
  bool OutputLost();

  void Play();
  void Stop();
  void SetPosition(unsigned ms);
  void HoldLoop();
  void ReleaseLoop();
  void StartStepScan(int step, bool fresh);
  void StartForwardScan(bool fresh);
  void StartBackwardScan(bool fresh);
  void StopScan();
  void SetCuePoint();
  void ReturnToCue();
  void ToggleTimeMode();
  void SetTimeMode(int mode);
  int GetTimeMode();
  void SetRate(unsigned hz);
  // Keylock (DSBKEYLOCK_*): the tempo follows the rate, the key stays. A
  // search plays without it; it returns when the search ends.
  void SetKeylock(uint32_t mode);
  uint32_t GetKeylock() const { return keylock_; }
  void SetVolume(unsigned volume);
  void SetPan(int pan);
  // Above 1 it amplifies: the track's loudness correction.
  void SetGainFactor(float factor);
  void Mute();
  void Unmute();

  // Player cycles, in ms: short while a search, a restart or the search loop
  // is timed by them; a quarter of the ring while playing; long while nothing
  // plays. Commands that give the player work wake it.
  static constexpr uint32_t kBusyCycleMs = 20;
  static constexpr uint32_t kLongestPlayingCycleMs = 500;
  static constexpr uint32_t kIdleCycleMs = 1000;
  static constexpr uint32_t kMaxRingChunks = 64;  // a bound on one fill, for any ring

  // One cycle of the player thread: refill, position, search. Returns how
  // long the player may sleep before the next one.
  uint32_t Service();

  // The output and the end marker, for the deck system.
  TVyBufferTAG& Buffer() { return buffer_; }
  TVyControlDSPTAG& EndMarker() { return endMarker_; }
  bool IsOpen() const { return open_; }

  // Defaults of the output and the cue; the search's schedule is Scan's.
  uint32_t BufferLength = 3000;
  uint32_t ChunkSize = 32768;
  int CueFollowsPositioning = 1;
  int CueFollowsSearch = 1;
  TVyScanTAG Scan;

 private:
  int OpenDevice();
  bool TryOpenDevice();
  int OpenDecoder(const char* fileName, int exactLength);
  int ConfigureOutput();
  void SetTitle(const char* fileName);
  void MoveTo(unsigned ms, bool moveCue);
  void SetCue();
  void StepScan();
  void FormatTime();
  void FillRing();
  void UpdatePosition();
  void FollowDecodedEnd();
  void SetPositionBytes(uint64_t bytes);
  void ApplyKeylock();
  uint32_t NextServiceMs();
  void ResetSongInfo();
  void ResetTimeInfo();
  uint32_t BytesPerSecond() const { return player_ ? player_->Format.nAvgBytesPerSec : 0; }

  TOzoAudioTAG* device_ = nullptr;
  TVyPlayerTAG* player_ = nullptr;
  TVyBufferTAG buffer_;
  TVyControlDSPTAG endMarker_;
  TVySongInfo songInfo_{};
  TVyTimeInfo timeInfo_{};
  uint64_t positionBytes_ = 0;  // the records' 32-bit byte counts would wrap within hours
  uint64_t lengthBytes_ = 0;
  uint32_t chunkBytes_ = 0, bufferBytes_ = 0, framesPerChunk_ = 0;
  uint8_t timeMode_ = 0;
  uint32_t keylock_ = DSBKEYLOCK_OFF;
  TOzoAudioConfig deviceSelection_{};
  TGuid deviceId_{};
  int deviceChanged_ = 1;
  TDeviceFallback deviceFallback_;
  int open_ = 0;
  bool lengthChanged_ = false;
  uint32_t playerCount_ = 0;
  TVyPlayerTAG* players_[kMaxPlayers] = {};
};
