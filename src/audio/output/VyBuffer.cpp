#include "audio/output/VyBuffer.h"

#include <algorithm>
#include <cstring>

#include "foundation/OzoAssert.h"
#include "foundation/OzoError.h"
#include "foundation/OzoErrorNames.h"

TVyBufferTAG::TVyBufferTAG(TVyCounter counter) : TOzoSync(llBuffer), counter_(std::move(counter)) {}

TVyBufferTAG::~TVyBufferTAG() { Release(); }

void TVyBufferTAG::SetCounter(TVyCounter counter) {
  TOzoSyncGuard lock(*this);
  counter_ = std::move(counter);
}

int TVyBufferTAG::Configure(TOzoAudioTAG* device, const TPCMWaveFormat* format, const TVyBufferConfig* config,
                            uint32_t bufferBytes) {
  TOzoSyncGuard lock(*this);
  Release();
  if (config->chunkBytes == 0 || bufferBytes % config->chunkBytes != 0) {
    ReportError(__FILE__, __LINE__, kReport, "VyBuffer: Bad config data");
    return -1;
  }
  const TWaveFormatEx waveFormat{*format, 0};
  if (CreateSecondary(device, &waveFormat, bufferBytes, kBufferLooping, 0) != 0) return -2;
  Config = *config;
  if (Config.decoder) Config.decoder->ReadByBuffer = true;
  LoopBytes = uint32_t(uint64_t(config->loopLength) * format->nAvgBytesPerSec / 1000);
  SetPlayPosition(0);
  WriteCursor = PlayedBytes = LastPlayCursor = 0;
  WritableBytes = Size;
  LoopMode = 0;
  LoopPaused = Running = RestartPending = false;
  for (uint32_t i = 0; i < ProcessorCount; ++i) {
    TDSPTAG* processor = Processors[i];
    processor->Attach(this, Config.chunkBytes);
    const uint32_t wants = processor->Capabilities();
    if (wants & kDspWantsRestart) processor->Restart(0);
    if (wants & kDspWantsVolume) processor->VolumeChanged(EffectiveVolume());
    if (wants & kDspWantsPan) processor->PanChanged(GetPan());
  }
  return 0;
}

void TVyBufferTAG::Release() {
  TOzoSyncGuard lock(*this);
  if (!Valid) return;
  StopOutput();
  for (uint32_t i = 0; i < ProcessorCount; ++i) Processors[i]->Detach();
  ReleaseBuffer();
  if (Config.decoder) Config.decoder->ReadByBuffer = false;
}

int TVyBufferTAG::AddProcessor(TDSPTAG* processor) {
  TOzoSyncGuard lock(*this);
  if (ProcessorCount >= kMaxProcessors) return 0;
  Processors[ProcessorCount++] = processor;
  return 1;
}

void TVyBufferTAG::RequestRestart(unsigned ms, int play) {
  TOzoSyncGuard lock(*this);
  RestartPosition = ms;
  RestartPlay = play;
  RestartPending = true;
}

void TVyBufferTAG::SetRestartPlay(int play) {
  TOzoSyncGuard lock(*this);
  if (RestartPending) RestartPlay = play;
}

void TVyBufferTAG::StartPlaying() {
  TOzoSyncGuard lock(*this);
  if (RestartPending)
    RestartPlay = 1;
  else
    Play();
}

void TVyBufferTAG::StopOutput() {
  TOzoSyncGuard lock(*this);
  StopPlaying();
  Running = false;
}

void TVyBufferTAG::StopPlaying() {
  TOzoSyncGuard lock(*this);
  LoopPaused = false;
  Stop();
}

bool TVyBufferTAG::WillPlay() {
  TOzoSyncGuard lock(*this);
  return LoopPaused || IsPlaying() || (RestartPending && RestartPlay);
}

// Whoever looks first, the window or the player, has the loss logged.
bool TVyBufferTAG::OutputLost() {
  TOzoSyncGuard lock(*this);
  return Valid && WatchOutput();
}

// The event is reset under the lock, so a restart carried out after that
// point wakes the wait, and one carried out before it shows as not pending.
void TVyBufferTAG::WaitRestarted() {
  Enter();
  if (!Valid || !RestartPending) {
    Leave();
    return;
  }
  RestartEvent.Reset();
  Leave();
  RestartEvent.Wait(INFINITE);
}

// The cursor is read now, so that a position asked for between two refills
// is current. A pending restart or the search loop is not normal playing.
unsigned TVyBufferTAG::TakePlayedBytes() {
  TOzoSyncGuard lock(*this);
  if (Valid && Running && !RestartPending && !LoopMode) CountPlayed(GetPlayCursor());
  unsigned played = PlayedBytes;
  PlayedBytes = 0;
  return played;
}

bool TVyBufferTAG::NeedsPromptRefill() {
  TOzoSyncGuard lock(*this);
  return Valid && (RestartPending || LoopMode);
}

uint32_t TVyBufferTAG::GetWritableBytes() {
  TOzoSyncGuard lock(*this);
  return WritableBytes;
}

void TVyBufferTAG::HoldLoop(unsigned ms) {
  TOzoSyncGuard lock(*this);
  if (LoopMode) return;
  RequestRestart(ms, 1);
  LoopMode = 1;
}

void TVyBufferTAG::ReleaseLoop() {
  TOzoSyncGuard lock(*this);
  if (!LoopMode) return;
  SetPlayPosition(SkipBytes);
  LoopMode = 0;
  if (!LoopPaused) return;
  LoopPaused = false;
  Play();
}

uint32_t TVyBufferTAG::RefillDueMs(uint32_t usual) {
  TOzoSyncGuard lock(*this);
  if (!LoopPaused) return usual;
  const int64_t left = LoopResumeAt - Now();
  const int64_t ticksPerMs = counter_.TicksPerMs();
  const int64_t ms = left <= 0 ? 1 : (left + ticksPerMs - 1) / ticksPerMs;  // never before the end
  return uint32_t(std::min<int64_t>(ms, usual));
}

void TVyBufferTAG::SetVolume(unsigned volume) {
  if (!Valid) return;
  TOzoSoundBufferTAG::SetVolume(volume);
  NotifyVolume();
}

void TVyBufferTAG::Mute() {
  if (!Valid) return;
  TOzoSoundBufferTAG::Mute();
  NotifyVolume();
}

void TVyBufferTAG::Unmute() {
  if (!Valid) return;
  TOzoSoundBufferTAG::Unmute();
  NotifyVolume();
}

void TVyBufferTAG::NotifyVolume() {
  for (uint32_t i = 0; i < ProcessorCount; ++i)
    if (Processors[i]->Capabilities() & kDspWantsVolume) Processors[i]->VolumeChanged(EffectiveVolume());
}

void TVyBufferTAG::SetPan(int pan) {
  if (!Valid) return;
  TOzoSoundBufferTAG::SetPan(pan);
  for (uint32_t i = 0; i < ProcessorCount; ++i)
    if (Processors[i]->Capabilities() & kDspWantsPan) Processors[i]->PanChanged(GetPan());
}

bool TVyBufferTAG::Refill() {
  TOzoSyncGuard lock(*this);
  if (!Valid) return false;
  if (WatchOutput()) {
    HoldRestart();
    return false;
  }
  if (RestartPending) CarryOutRestart();
  if (!Running) return false;
  const uint32_t playCursor = GetPlayCursor();
  if (LoopMode)
    FollowLoop(playCursor);
  else
    CountPlayed(playCursor);
  if (WritableBytes <= Config.chunkBytes) return false;  // exactly one chunk free is never enough
  if (WriteCursor == Size) WriteCursor = 0;
  if (!WriteChunk(WriteCursor)) return false;
  WriteCursor += Config.chunkBytes;
  return true;
}

bool TVyBufferTAG::DecodedEndMs(uint32_t* ms) {
  TOzoSyncGuard lock(*this);
  const uint32_t bytesPerSecond = Config.decoder ? Config.decoder->Format.nAvgBytesPerSec : 0;
  if (!Valid || !DecoderRanOut || bytesPerSecond == 0) return false;
  const uint64_t pastRestart = DecodedBytes > SkipBytes ? DecodedBytes - SkipBytes : 0;
  *ms = uint32_t(std::min<uint64_t>(RestartPosition + pastRestart * 1000 / bytesPerSecond, UINT32_MAX));
  return true;
}

// True while the output is lost. The loss is reported once, when first
// seen, rather than by every lock that would fail until it is back.
bool TVyBufferTAG::WatchOutput() {
  OZO_ASSERT(HeldHere(), "the buffer lock is held");
  const bool lost = IsLost() != 0;
  if (lost && !LossReported)
    ReportError(__FILE__, __LINE__, kReport, "VyBuffer: Audio output lost [%s]",
                DirectSoundErrorName(uint32_t(DSERR_BUFFERLOST)));
  LossReported = lost;
  return lost;
}

// While the output is lost a restart cannot write its first chunk, so it
// waits; the ring holds the old position, which must not be heard when the
// output returns, so the restart alone decides whether to play. Whoever waits
// for the restart goes on meanwhile.
void TVyBufferTAG::HoldRestart() {
  OZO_ASSERT(HeldHere(), "the buffer lock is held");
  if (!RestartPending) return;
  if (IsPlaying()) Stop();
  RestartEvent.Set();
}

void TVyBufferTAG::CarryOutRestart() {
  OZO_ASSERT(HeldHere(), "the buffer lock is held");
  LoopPaused = false;
  Stop();
  WriteCursor = 0;
  DecodedBytes = 0;
  DecoderRanOut = false;
  Config.decoder->Seek(RestartPosition, &SkipBytes);
  for (uint32_t i = 0; i < ProcessorCount; ++i)
    if (Processors[i]->Capabilities() & kDspWantsRestart) Processors[i]->Restart(RestartPosition);
  if (WriteChunk(0, SkipBytes)) WriteCursor = Config.chunkBytes;
  PlayedBytes = 0;
  LastPlayCursor = SkipBytes;
  // Ring byte SkipBytes holds the restart's millisecond.
  SetSourceOrigin(int64_t(RestartPosition) * GetSampleRate() / 1000 - SkipBytes / GetBlockAlign());
  SetPlayPosition(SkipBytes);
  if (RestartPlay) Play();
  RestartEvent.Set();
  Running = true;
  RestartPending = false;
}

// Loop mode: back to the loop start once the loop length has been heard,
// after the loop pause; the buffer is filled to its end and never wraps.
void TVyBufferTAG::FollowLoop(uint32_t playCursor) {
  OZO_ASSERT(HeldHere(), "the buffer lock is held");
  if (LoopPaused) {
    if (Now() >= LoopResumeAt) ResumeLoop();
  } else if (playCursor > LoopBytes + SkipBytes) {
    if (Config.loopPause)
      PauseLoop();
    else
      SetPlayPosition(SkipBytes);
  }
  WritableBytes = Size - WriteCursor;
}

// The pause is timed by the counter and waited out by the player between
// refills (RefillDueMs), so the lock stays free for everyone else meanwhile.
void TVyBufferTAG::PauseLoop() {
  Stop();
  LoopPaused = true;
  LoopResumeAt = Now() + int64_t(Config.loopPause) * counter_.TicksPerMs();
}

// The cursor goes back before playing resumes, so that nothing past the
// loop is heard after the pause.
void TVyBufferTAG::ResumeLoop() {
  LoopPaused = false;
  SetPlayPosition(SkipBytes);
  Play();
}

int64_t TVyBufferTAG::Now() const { return counter_.Now(); }

void TVyBufferTAG::CountPlayed(uint32_t playCursor) {
  OZO_ASSERT(HeldHere(), "the buffer lock is held");
  const uint32_t w = WriteCursor, s = Size;
  WritableBytes = playCursor == w ? s : playCursor < w ? playCursor + s - w : playCursor - w;
  if (playCursor != LastPlayCursor) {
    PlayedBytes += playCursor < LastPlayCursor ? playCursor + s - LastPlayCursor : playCursor - LastPlayCursor;
    LastPlayCursor = playCursor;
  }
}

// Decodes one chunk straight into the locked sound-buffer memory and lets the
// processors see it in place. Its first `unheardBytes` (a restart's skip,
// before the play position) are silenced first: the processors see what is
// heard, so the meter shows no level of audio that never plays. False when
// the memory could not be locked.
bool TVyBufferTAG::WriteChunk(uint32_t offset, uint32_t unheardBytes) {
  OZO_ASSERT(HeldHere(), "the buffer lock is held");
  void* memory = nullptr;
  if (Lock(offset, Config.chunkBytes, &memory) != 0 || !memory) return false;
  unsigned decoded = 0;
  Config.decoder->Decode(memory, Config.blocksPerChunk, &decoded);
  DecodedBytes += uint64_t(decoded) * Config.blockBytes;
  if (decoded < Config.blocksPerChunk) DecoderRanOut = true;
  const int silence = GetBitsPerSample() == 8 ? 0x80 : 0;
  std::memset(memory, silence, std::min(unheardBytes, Config.chunkBytes));
  for (uint32_t i = 0; i < ProcessorCount; ++i)
    Processors[i]->Process(memory, 0, offset, Config.chunkBytes, decoded * Config.blockBytes);
  Unlock();
  return true;
}
