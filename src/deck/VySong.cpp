#include "deck/VySong.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "foundation/OzoAssert.h"
#include "foundation/OzoError.h"
#include "foundation/OzoPath.h"

namespace {
// The report lines of the engine's failures carry these line numbers, as the
// logs of earlier versions did, so that they read the same.
constexpr int kAudioErrorLine = 333;
constexpr int kUnsupportedLine = 366;
constexpr int kOpenErrorLine = 376;
constexpr int kConfigureErrorLine = 411;

constexpr char kAudioErrorText[] =
    "VYSONG: Directsound audio not available. Try closing any other\n"
    "sound application, starting the sound server or choosing another output\n"
    "in Preferences, and opening the file(s) again. Error message follows:\n\n%s";
// Display captions when there is nothing to show, in the LCD's glyphs: "b" an
// unlit digit, "e" an unlit narrow one, "a" an unlit minus.
constexpr char kNoTrackText[] = "ebb";
constexpr char kNoTimeText[] = "abb:bb";
constexpr char kNoHundredthsText[] = "bb";
constexpr uint32_t kLoopLengthMs = 200;
constexpr uint32_t kLoopPauseMs = 50;
constexpr uint32_t kMaxPositionIncrement = 30000;

template <size_t N>
void Copy(char (&to)[N], const std::string& text) {
  std::snprintf(to, N, "%s", text.c_str());
}

// A title too long for its field loses its middle: the DJ still sees the
// start of the name and its extension.
template <size_t N>
void CopyTitle(char (&to)[N], const std::string& text) {
  Copy(to, ElideMiddle(text, N - 1));
}

// Writes value with at least `width` digits and returns the end. The time
// texts are made on every display tick, where printf's parsing cost more
// than all the rest of reading the time.
char* PutDigits(char* out, uint32_t value, int width) {
  char reversed[10];
  int count = 0;
  do reversed[count++] = char('0' + value % 10), value /= 10;
  while (value != 0);
  while (count < width) reversed[count++] = '0';
  while (count > 0) *out++ = reversed[--count];
  return out;
}

// 64-bit: a long mix at a high rate passes 4 GiB of PCM within hours.
uint64_t MsToStreamBytes(uint32_t ms, uint32_t bytesPerSecond) { return uint64_t(ms) * bytesPerSecond / 1000; }

// The display records keep 32-bit byte counts; past that they stay at the top.
uint32_t Clamped32(uint64_t bytes) { return uint32_t(std::min<uint64_t>(bytes, UINT32_MAX)); }
}  // namespace

TVySongTAG::TVySongTAG() : TOzoSync(llSong) {
  buffer_.AddProcessor(&endMarker_);
  ResetSongInfo();
  ResetTimeInfo();
}

TVySongTAG::~TVySongTAG() {
  Close();
  buffer_.Release();
  delete device_;
}

bool TVySongTAG::AddPlayer(TVyPlayerTAG* player) {
  TOzoSyncGuard lock(*this);
  if (playerCount_ >= kMaxPlayers) return false;
  players_[playerCount_++] = player;
  return true;
}

void TVySongTAG::SetOwnerWindow(void* window) { deviceSelection_.ownerWindow = window; }

void TVySongTAG::SetDevice(const TGuid* device) {
  const bool same = device ? (deviceSelection_.device && deviceId_ == *device) : !deviceSelection_.device;
  if (!deviceChanged_ && same) return;
  if (device) deviceId_ = *device;
  deviceSelection_.device = device ? &deviceId_ : nullptr;
  deviceChanged_ = 1;
}

void TVySongTAG::SetCounter(TVyCounter counter) {
  TOzoSyncGuard lock(*this);
  Scan.SetCounter(counter);
  buffer_.SetCounter(std::move(counter));
}

// ---- opening ----

int TVySongTAG::Open(const char* fileName, unsigned trackNumber, int exactLength) {
  TOzoSyncGuard lock(*this);
  if (!fileName) fileName = "";  // fails as a name no decoder opens
  Close();
  Copy(songInfo_.Title, "-");
  songInfo_.TrackNumber = trackNumber;
  char text[12];
  if (trackNumber == 0)
    std::snprintf(text, sizeof text, "%s", kNoTrackText);
  else
    std::snprintf(text, sizeof text, "%s%02u",
                  trackNumber < 100   ? "e"
                  : trackNumber < 200 ? "I"
                                      : "i",
                  trackNumber < 100 ? trackNumber : trackNumber % 100);
  Copy(songInfo_.TrackText, text);

  if (deviceChanged_ && OpenDevice() != 0) return -1;
  if (int result = OpenDecoder(fileName, exactLength)) return result;
  if (ConfigureOutput() != 0) {
    // A format the output cannot take (a rate beyond its range): without a
    // title the DJ would see a blank deck and not know why nothing plays.
    CopyTitle(songInfo_.Title, "(Unsupported) " + NameAndExtension(fileName));
    return -2;
  }
  buffer_.RequestRestart(0, 0);

  const uint32_t length = player_->Opened ? player_->Duration : 0;
  songInfo_.Length = length;
  lengthBytes_ = MsToStreamBytes(length, BytesPerSecond());
  songInfo_.LengthBytes = Clamped32(lengthBytes_);
  songInfo_.PosIncrement = std::min(length, kMaxPositionIncrement);
  songInfo_.StepValue = 10;
  songInfo_.BufferSize = bufferBytes_;
  songInfo_.SampleRate = player_->Format.nSamplesPerSec;
  SetTitle(fileName);
  ResetTimeInfo();
  timeInfo_.CueChanged = 1;
  Scan.Stop();
  ApplyKeylock();
  open_ = 1;
  return 0;
}

// Re-creates the output device; a failure is shown to the user, since
// nothing can play until the sound system is free again.
int TVySongTAG::OpenDevice() {
  if (TryOpenDevice()) return 0;
  std::optional<TGuid> other;
  if (deviceFallback_ && deviceFallback_(other)) {
    SetDevice(other ? &*other : nullptr);
    if (TryOpenDevice()) return 0;
  }
  Copy(songInfo_.Title, kAudioErrorTitle);
  const std::string reason = GetLastErrorText();
  ShowMessageBox(MB_ICONERROR, "Vy-System", kAudioErrorText, reason.c_str());
  ReportError(__FILE__, kAudioErrorLine, kReport, kAudioErrorText, reason.c_str());
  return -1;
}

bool TVySongTAG::TryOpenDevice() {
  delete device_;
  device_ = new TOzoAudioTAG;
  if (device_->Open(&deviceSelection_) == 0) {
    deviceChanged_ = 0;
    return true;
  }
  delete device_;
  device_ = nullptr;
  return false;
}

// The first decoder that claims the name opens the file; when none claims
// it, the first registered decoder tries anyway.
int TVySongTAG::OpenDecoder(const char* fileName, int exactLength) {
  const unsigned flags = exactLength ? kOpenExactLength : 0;
  for (uint32_t i = 0; i < playerCount_; ++i) {
    if (!players_[i]->CanOpen(fileName)) continue;
    if (players_[i]->Open(fileName, flags) == 0) {
      player_ = players_[i];
      return 0;
    }
    CopyTitle(songInfo_.Title, "(ERROR) " + NameAndExtension(fileName));
    ReportError(__FILE__, kOpenErrorLine, kReport, "VYSONG: Error abriendo fichero");
    return -1;
  }
  if (playerCount_ > 0 && players_[0]->Open(fileName, flags) == 0) {
    player_ = players_[0];
    return 0;
  }
  CopyTitle(songInfo_.Title, "(Unsupported) " + NameAndExtension(fileName));
  ReportError(__FILE__, kUnsupportedLine, kReport, "VYSONG: Tipo de fichero no soportado");
  return -1;
}

// Chunks of whole decoder blocks, and a ring of whole chunks holding the
// buffer length of audio.
int TVySongTAG::ConfigureOutput() {
  const uint32_t block = player_->Opened ? player_->BlockSize : 0;
  const uint32_t bytesPerSecond = BytesPerSecond();
  if (block == 0 || bytesPerSecond == 0) {
    player_->Close();
    player_ = nullptr;
    ReportError(__FILE__, kConfigureErrorLine, kPassOn, nullptr);
    return -2;
  }
  chunkBytes_ = block * ((ChunkSize + block - 1) / block);
  const uint32_t audioBytes = MsToStreamBytes(BufferLength, bytesPerSecond);
  // Two chunks at least: in a ring of one, the chunk being heard is never
  // free, so nothing after it would ever be written.
  bufferBytes_ = std::max((audioBytes + chunkBytes_ - 1) / chunkBytes_, 2u) * chunkBytes_;
  framesPerChunk_ = chunkBytes_ / block;
  TVyBufferConfig config{chunkBytes_, framesPerChunk_, block, kLoopLengthMs, kLoopPauseMs, player_};
  if (buffer_.Configure(device_, &player_->Format, &config, bufferBytes_) != 0) {
    player_->Close();
    player_ = nullptr;
    ReportError(__FILE__, kConfigureErrorLine, kPassOn, nullptr);
    return -2;
  }
  return 0;
}

void TVySongTAG::SetTitle(const char* fileName) {
  const char* given = player_->GetTitle();
  std::string title = given ? given : SplitPath(fileName).name;
  std::replace(title.begin(), title.end(), '_', ' ');
  CopyTitle(songInfo_.Title, title);
}

void TVySongTAG::Close() {
  TOzoSyncGuard lock(*this);
  if (!open_) return;
  buffer_.Release();
  if (player_) player_->Close();
  player_ = nullptr;
  ResetSongInfo();
  lengthChanged_ = false;
  ResetTimeInfo();
  open_ = 0;
}

void TVySongTAG::ResetSongInfo() {
  lengthBytes_ = 0;
  songInfo_ = TVySongInfo{10, 0, 1, 1, 10, 1000, 0, "-", {}};
  Copy(songInfo_.TrackText, kNoTrackText);
}

void TVySongTAG::ResetTimeInfo() {
  positionBytes_ = 0;
  timeInfo_.Position = timeInfo_.PositionBytes = timeInfo_.FreeBytes = timeInfo_.CuePoint = 0;
  timeInfo_.CueChanged = 0;
}

// ---- reading ----

void TVySongTAG::GetSongInfo(TVySongInfo& info) {
  TOzoSyncGuard lock(*this);
  info = songInfo_;
}

void TVySongTAG::GetTimeInfo(TVyTimeInfo& info) {
  TOzoSyncGuard lock(*this);
  if (open_) UpdatePosition();
  FormatTime();
  info = timeInfo_;
  timeInfo_.CueChanged = 0;
}

unsigned TVySongTAG::GetPosition() {
  TOzoSyncGuard lock(*this);
  if (!open_) return 0;
  UpdatePosition();
  return timeInfo_.Position;
}

// Minutes and seconds, and hundredths, of the elapsed or the remaining time.
void TVySongTAG::FormatTime() {
  OZO_ASSERT(HeldHere(), "the song lock is held");
  if (!open_) {
    Copy(timeInfo_.TimeText, kNoTimeText);
    Copy(timeInfo_.HundredthsText, kNoHundredthsText);
    timeInfo_.FreeBytes = 0;
    return;
  }
  const uint32_t position = timeInfo_.Position, length = songInfo_.Length;
  const uint32_t t = timeMode_ == 0 ? position : length > position ? length - position : 0;
  static_assert(sizeof timeInfo_.TimeText >= sizeof "a71582:47", "the longest time fits");
  char* text = timeInfo_.TimeText;
  *text++ = timeMode_ == 0 ? 'a' : '-';
  text = PutDigits(text, t / 60000, 2);
  *text++ = ':';
  *PutDigits(text, (t / 1000) % 60, 2) = 0;
  *PutDigits(timeInfo_.HundredthsText, (t / 10) % 100, 2) = 0;
  timeInfo_.FreeBytes = buffer_.GetWritableBytes();
}

// ---- transport ----

void TVySongTAG::Play() {
  TOzoSyncGuard lock(*this);
  if (!open_) return;
  buffer_.StartPlaying();
}

bool TVySongTAG::OutputLost() {
  TOzoSyncGuard lock(*this);
  return open_ && buffer_.OutputLost();
}

void TVySongTAG::Stop() {
  TOzoSyncGuard lock(*this);
  if (!open_) return;
  buffer_.StopPlaying();
  buffer_.SetRestartPlay(0);
  buffer_.ReleaseLoop();
}

void TVySongTAG::SetPosition(unsigned ms) {
  TOzoSyncGuard lock(*this);
  if (open_) MoveTo(ms, CueFollowsPositioning);
}

// The restart lands on the very millisecond shown, so that a cue set on a
// beat is heard on it.
void TVySongTAG::MoveTo(unsigned ms, bool moveCue) {
  OZO_ASSERT(HeldHere(), "the song lock is held");
  ms = std::min(ms, songInfo_.Length);
  buffer_.RequestRestart(ms, buffer_.WillPlay());
  SetPositionBytes(MsToStreamBytes(ms, BytesPerSecond()));
  timeInfo_.Position = ms;
  if (moveCue) SetCue();
}

// Transport commands take the position from the play cursor now: the player
// may not have looked at it for half a second.
void TVySongTAG::HoldLoop() {
  TOzoSyncGuard lock(*this);
  if (!open_) return;
  UpdatePosition();
  buffer_.HoldLoop(timeInfo_.Position);
}

void TVySongTAG::ReleaseLoop() {
  TOzoSyncGuard lock(*this);
  if (open_) buffer_.ReleaseLoop();
}

void TVySongTAG::SetCuePoint() {
  TOzoSyncGuard lock(*this);
  if (!open_) return;
  UpdatePosition();
  SetCue();
}

void TVySongTAG::SetCue() {
  OZO_ASSERT(HeldHere(), "the song lock is held");
  if (timeInfo_.Position == timeInfo_.CuePoint) return;
  timeInfo_.CuePoint = timeInfo_.Position;
  timeInfo_.CueChanged = 1;
}

void TVySongTAG::ReturnToCue() {
  TOzoSyncGuard lock(*this);
  if (open_) MoveTo(timeInfo_.CuePoint, false);
}

void TVySongTAG::ToggleTimeMode() {
  TOzoSyncGuard lock(*this);
  timeMode_ ^= 1;
}

void TVySongTAG::SetTimeMode(int mode) {
  TOzoSyncGuard lock(*this);
  timeMode_ = mode ? 1 : 0;
}

int TVySongTAG::GetTimeMode() {
  TOzoSyncGuard lock(*this);
  return timeMode_;
}

void TVySongTAG::SetRate(unsigned hz) {
  TOzoSyncGuard lock(*this);
  if (open_) buffer_.SetFrequency(hz);
}

void TVySongTAG::SetVolume(unsigned volume) {
  TOzoSyncGuard lock(*this);
  if (open_) buffer_.SetVolume(volume);
}

void TVySongTAG::SetGainFactor(float factor) {
  TOzoSyncGuard lock(*this);
  if (open_) buffer_.SetGainFactor(factor);
}

void TVySongTAG::SetPan(int pan) {
  TOzoSyncGuard lock(*this);
  if (open_) buffer_.SetPan(pan);
}

void TVySongTAG::Mute() {
  TOzoSyncGuard lock(*this);
  if (open_) buffer_.Mute();
}

void TVySongTAG::Unmute() {
  TOzoSyncGuard lock(*this);
  if (open_) buffer_.Unmute();
}

// ---- player thread ----

uint32_t TVySongTAG::Service() {
  uint32_t sleepMs;
  {
    TOzoSyncGuard lock(*this);
    if (!open_) return kIdleCycleMs;
    buffer_.Refill();
    FollowDecodedEnd();
    UpdatePosition();
    StepScan();
    sleepMs = NextServiceMs();
  }
  if (sleepMs > kBusyCycleMs) FillRing();
  return sleepMs;
}

// While playing normally every free chunk is filled, so that the player can
// sleep for a good part of the ring. Only chunks are written here, under the
// buffer's lock alone, so commands on the song are not held up by the
// decoding, and a command waiting for the buffer gets it before the next
// chunk; a restart waits for the next cycle, under the song's lock.
void TVySongTAG::FillRing() {
  for (uint32_t chunk = 0; chunk < kMaxRingChunks; ++chunk) {
    {
      TOzoSyncGuard lock(buffer_);
      if (buffer_.NeedsPromptRefill() || !buffer_.Refill()) return;
    }
    buffer_.LetWaitingThreadsIn();
  }
}

void TVySongTAG::UpdatePosition() {
  OZO_ASSERT(HeldHere(), "the song lock is held");
  SetPositionBytes(std::min(positionBytes_ + buffer_.TakePlayedBytes(), lengthBytes_));
  timeInfo_.Position = uint32_t(positionBytes_ * 1000 / BytesPerSecond());
}

// A cut download holds less than its header promises: once the decoder runs
// out early, the length becomes what was decoded, so that the remaining time
// and the position slider tell the truth.
void TVySongTAG::FollowDecodedEnd() {
  OZO_ASSERT(HeldHere(), "the song lock is held");
  uint32_t endMs = 0;
  if (!buffer_.DecodedEndMs(&endMs)) return;
  // The end is known to a decoder block: a shorter gap is no news.
  const uint32_t blockMs = uint32_t(uint64_t(player_->BlockSize) * 1000 / BytesPerSecond());
  if (uint64_t(endMs) + blockMs >= songInfo_.Length) return;
  songInfo_.Length = endMs;
  lengthBytes_ = MsToStreamBytes(endMs, BytesPerSecond());
  songInfo_.LengthBytes = Clamped32(lengthBytes_);
  songInfo_.PosIncrement = std::min(endMs, kMaxPositionIncrement);
  timeInfo_.CuePoint = std::min(timeInfo_.CuePoint, endMs);
  timeInfo_.CueChanged = 1;  // the slider is redrawn for the new length
  lengthChanged_ = true;
}

bool TVySongTAG::TakeLengthChanged() {
  TOzoSyncGuard lock(*this);
  return std::exchange(lengthChanged_, false);
}

void TVySongTAG::SetPositionBytes(uint64_t bytes) {
  positionBytes_ = bytes;
  timeInfo_.PositionBytes = Clamped32(bytes);
}

// A full ring lasts long: the player comes back once a quarter of it has
// been heard, at the current rate (a rate change is followed within a cycle).
uint32_t TVySongTAG::NextServiceMs() {
  OZO_ASSERT(HeldHere(), "the song lock is held");
  if (Scan.Mode() != smNone || buffer_.NeedsPromptRefill()) return buffer_.RefillDueMs(kBusyCycleMs);
  if (!buffer_.IsPlaying()) return kIdleCycleMs;
  const uint64_t bytesPerSecond = uint64_t(buffer_.GetFrequency()) * player_->Format.nBlockAlign;
  const uint64_t cycleMs = bytesPerSecond ? uint64_t(bufferBytes_) * 250 / bytesPerSecond : 0;
  return uint32_t(std::clamp<uint64_t>(cycleMs, kBusyCycleMs, kLongestPlayingCycleMs));
}

// ---- search ----

void TVySongTAG::SetKeylock(uint32_t mode) {
  TOzoSyncGuard lock(*this);
  keylock_ = mode;
  ApplyKeylock();
}

// Search snippets are heard at their own pitch, as on a CD deck.
void TVySongTAG::ApplyKeylock() {
  OZO_ASSERT(HeldHere(), "the song lock is held");
  const uint32_t mode = Scan.Mode() == smNone ? keylock_ : DSBKEYLOCK_OFF;
  if (mode != buffer_.GetKeylock()) buffer_.SetKeylock(mode);
}

void TVySongTAG::StartStepScan(int step, bool fresh) {
  TOzoSyncGuard lock(*this);
  if (open_) Scan.StartStep(step, fresh);
  ApplyKeylock();
}

void TVySongTAG::StartForwardScan(bool fresh) {
  TOzoSyncGuard lock(*this);
  if (open_) Scan.StartForward(fresh);
  ApplyKeylock();
}

void TVySongTAG::StartBackwardScan(bool fresh) {
  TOzoSyncGuard lock(*this);
  if (open_) Scan.StartBackward(fresh);
  ApplyKeylock();
}

void TVySongTAG::StopScan() {
  TOzoSyncGuard lock(*this);
  Scan.Stop();
  ApplyKeylock();
}

void TVySongTAG::StepScan() {
  OZO_ASSERT(HeldHere(), "the song lock is held");
  if (!open_) return;
  const int64_t target = Scan.Next(timeInfo_.Position);
  if (target >= 0) MoveTo(unsigned(target), CueFollowsSearch);
}
