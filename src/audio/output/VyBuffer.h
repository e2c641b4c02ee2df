// The streaming output of one deck: a looping sound buffer cut into chunks
// and kept filled, chunk by chunk, straight from the decoder.
#pragma once
#include <cstdint>

#include "audio/decoders/VyPlayer.h"
#include "audio/output/OzoDS.h"
#include "audio/output/VyDSP.h"
#include "foundation/OzoCounter.h"
#include "foundation/OzoSync.h"

struct TVyBufferConfig {
  uint32_t chunkBytes;      // written per refill step, whole decoder blocks
  uint32_t blocksPerChunk;  // chunkBytes / blockBytes
  uint32_t blockBytes;      // the decoder's block size
  uint32_t loopLength;      // ms of the search loop; Configure turns it into bytes
  uint32_t loopPause;       // ms of silence between loop passes; 0 = none
  TVyPlayerTAG* decoder;
};

class TVyBufferTAG : public TOzoSoundBufferTAG, public TOzoSync {
 public:
  static constexpr int kMaxProcessors = 20;

  // The counter times the pause of the search loop.
  explicit TVyBufferTAG(TVyCounter counter = SystemCounter());
  ~TVyBufferTAG() override;
  void SetCounter(TVyCounter counter);

  // 0; -1 after "VyBuffer: Bad config data"; -2 when the sound buffer could not be made.
  int Configure(TOzoAudioTAG* device, const TPCMWaveFormat* format, const TVyBufferConfig* config,
                uint32_t bufferBytes);
  void Release();
  // 1, or 0 when kMaxProcessors are attached already.
  int AddProcessor(TDSPTAG* processor);

  // The next Refill restarts output at ms, playing when `play` is nonzero.
  void RequestRestart(unsigned ms, int play);
  // A Play or Stop given while a restart is pending also decides whether the
  // restart plays, so that it is not undone a moment later.
  void SetRestartPlay(int play);
  // Plays, or has the pending restart play: until it is carried out the
  // ring still holds the old position.
  void StartPlaying();
  void StopOutput();
  // Stops what is heard for the transport; a pause of the search loop ends too.
  void StopPlaying();
  // Playing, pausing between two passes of the search loop, or about to
  // play from a pending restart.
  bool WillPlay();
  // The output is gone (the sound server ended). Refills wait, and a restart
  // waits with them, until it is back by itself; what was playing plays on.
  bool OutputLost();
  // Blocks until a pending restart has been carried out.
  void WaitRestarted();
  unsigned TakePlayedBytes();
  // A restart waits, or the search loop is timed by the refills.
  bool NeedsPromptRefill();
  // Free room as the last refill or position count saw it; the player
  // writes it without the song's lock, so it is read under the buffer's.
  uint32_t GetWritableBytes();
  // Loop mode replays the loop length after ms until released.
  void HoldLoop(unsigned ms);
  // Back to the loop start, playing on as the loop did.
  void ReleaseLoop();
  // When the next refill is due: `usual` ms, or sooner when a pause of the
  // search loop ends sooner. The pause is waited out without the lock.
  uint32_t RefillDueMs(uint32_t usual);

  // The processors hear of each change, so that the meter shows what is heard.
  void SetVolume(unsigned volume) override;
  void SetPan(int pan) override;
  void Mute() override;
  void Unmute() override;

  // One polling step of the player thread: writes at most one chunk.
  // True when it wrote one.
  bool Refill();
  // Once the decoder has run out since the last restart, true with *ms where
  // its audio ended in the stream.
  bool DecodedEndMs(uint32_t* ms);

  uint32_t WriteCursor = 0;
  uint32_t PlayedBytes = 0;
  uint32_t LastPlayCursor = 0;
  uint32_t WritableBytes = 0;
  uint32_t RestartPosition = 0;
  uint32_t SkipBytes = 0;
  int RestartPlay = 0;
  int LoopMode = 0;
  bool LoopPaused = false;   // between two passes of the loop, stopped
  int64_t LoopResumeAt = 0;  // counter value at which the pause ends
  TOzoEventTAG RestartEvent;
  bool Running = false;
  bool RestartPending = false;
  bool LossReported = false;  // the loss now going on is in the log
  TVyBufferConfig Config{};
  uint32_t LoopBytes = 0;
  uint64_t DecodedBytes = 0;  // audio bytes decoded since the last restart
  bool DecoderRanOut = false;
  uint32_t ProcessorCount = 0;
  TDSPTAG* Processors[kMaxProcessors] = {};

 private:
  bool WatchOutput();
  void HoldRestart();
  void CarryOutRestart();
  void FollowLoop(uint32_t playCursor);
  void CountPlayed(uint32_t playCursor);
  bool WriteChunk(uint32_t offset, uint32_t unheardBytes = 0);
  void PauseLoop();
  void ResumeLoop();
  void NotifyVolume();
  int64_t Now() const;

  TVyCounter counter_;
};
