#include "support/JackServer.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

#include "audio/output/OzoDS.h"
#include "platform/sound/JackBackend.h"
#include "support/AudioOutput.h"

bool HaveJack() { return system("command -v jackd >/dev/null 2>&1") == 0; }

int FindOutputDevice(const std::string& description, TGuid* id) {
  TStringList list;
  EnumerateDevices(list);
  int found = -1;
  for (int i = 0; i < list.Count(); ++i)
    if (list.Strings(i) == description) found = i;
  if (id && found > 0) *id = *static_cast<const TGuid*>(list.Objects(found));
  FreeDeviceList(list);
  return found;
}

JackServer::JackServer(uint32_t rate) : rate_(rate) {
  const char* name = std::getenv("VYS_TEST_JACK_SERVER");
  name_ = name && *name ? name : "vys-test";
  setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
  setenv("JACK_NO_START_SERVER", "1", 1);
}

bool JackServer::Start(const std::string& device) {
  pid_ = fork();
  if (pid_ == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    const std::string rate = std::to_string(rate_);
    execlp("jackd", "jackd", "-n", name_.c_str(), "-d", "dummy", "-r", rate.c_str(), "-p", "256",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid_ > 0 && WaitUntil([&] { return FindOutputDevice(device) >= 0; });
}

void JackServer::Stop(int signal) {
  if (pid_ <= 0) return;
  kill(pid_, signal);
  if (!WaitUntil([this] { return waitpid(pid_, nullptr, WNOHANG) != 0; }, 2)) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
}

JackFrames::JackFrames() {
  std::lock_guard<std::recursive_mutex> clients(JackBackend::ClientMutex());
  client_ = jack_client_open("vys-test-frames", JackNoStartServer, nullptr);
  if (!client_) return;
  rate_ = jack_get_sample_rate(client_);
  jack_set_process_callback(client_, &JackFrames::Count, &frames_);
  if (jack_activate(client_) != 0) jack_client_close(std::exchange(client_, nullptr));
}

JackFrames::~JackFrames() {
  std::lock_guard<std::recursive_mutex> clients(JackBackend::ClientMutex());
  if (client_) jack_client_close(client_);
}

int JackFrames::Count(jack_nframes_t frames, void* counted) {
  *static_cast<std::atomic<uint64_t>*>(counted) += frames;
  return 0;
}

JackRecorder::JackRecorder(const std::string& name, double seconds) : name_(name) {
  std::lock_guard<std::recursive_mutex> clients(JackBackend::ClientMutex());
  client_ = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
  if (!client_) return;
  rate_ = jack_get_sample_rate(client_);
  take_->client = client_;
  take_->left.resize(size_t(seconds * rate_));
  take_->right.resize(take_->left.size());
  for (int side = 0; side < 2; ++side) {
    const std::string port = "playback_" + std::to_string(side + 1);
    take_->ports[side] = jack_port_register(client_, port.c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                            JackPortIsInput | JackPortIsPhysical | JackPortIsTerminal, 0);
  }
  jack_set_process_callback(client_, &JackRecorder::Record, take_);
  jack_on_shutdown(client_, [](void* take) { static_cast<TTake*>(take)->serverGone = true; }, take_);
  if (!take_->ports[0] || !take_->ports[1] || jack_activate(client_) != 0)
    jack_client_close(std::exchange(client_, nullptr));
}

JackRecorder::~JackRecorder() {
  std::lock_guard<std::recursive_mutex> clients(JackBackend::ClientMutex());
  if (client_ && take_->serverGone) {
    static auto* abandoned = new std::vector<TTake*>;  // left to its client, as the deck leaves its own
    abandoned->push_back(take_);
    return;
  }
  if (client_) jack_client_close(client_);
  delete take_;
}

int JackRecorder::Record(jack_nframes_t frames, void* recording) {
  TTake& take = *static_cast<TTake*>(recording);
  const size_t at = take.recorded.load(std::memory_order_relaxed);
  const uint32_t now = jack_last_frame_time(take.client);
  const size_t jumps = take.jumps.load(std::memory_order_relaxed);
  if (at == 0) {
    take.startFrame.store(now, std::memory_order_release);
  } else if (now != take.nextFrame && jumps < TTake::kMaxJumps) {
    take.jumpAt[jumps] = at, take.jumpTo[jumps] = now;
    take.jumps.store(jumps + 1, std::memory_order_release);
  }
  take.nextFrame = now + frames;
  const size_t count = std::min<size_t>(frames, take.left.size() - at);
  const auto* left = static_cast<const float*>(jack_port_get_buffer(take.ports[0], frames));
  const auto* right = static_cast<const float*>(jack_port_get_buffer(take.ports[1], frames));
  std::memcpy(take.left.data() + at, left, count * sizeof(float));
  std::memcpy(take.right.data() + at, right, count * sizeof(float));
  take.recorded.store(at + count, std::memory_order_release);
  return 0;
}

int64_t JackRecorder::LinkMicrosAtFrame(uint32_t frame) const {
  timespec raw{};
  const jack_time_t serverNow = jack_get_time();
  clock_gettime(CLOCK_MONOTONIC_RAW, &raw);
  const int64_t rawNow = int64_t(raw.tv_sec) * 1'000'000 + raw.tv_nsec / 1000;
  return int64_t(jack_frames_to_time(client_, frame)) + (rawNow - int64_t(serverNow));
}

double JackRecorder::FrameTimeOf(double index) const {
  double frame = StartFrame() + index;
  for (size_t j = 0; j < Jumps() && double(take_->jumpAt[j]) <= index; ++j)
    frame = take_->jumpTo[j] + (index - double(take_->jumpAt[j]));
  return frame;
}

Capture JackRecorder::Recorded() const {
  const size_t count = take_->recorded.load(std::memory_order_acquire);
  return {rate_, std::vector<float>(take_->left.begin(), take_->left.begin() + count),
          std::vector<float>(take_->right.begin(), take_->right.begin() + count)};
}

JackMidiSender::JackMidiSender(const std::string& name) : name_(name) {
  std::lock_guard<std::recursive_mutex> clients(JackBackend::ClientMutex());
  client_ = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
  if (!client_) return;
  take_->client = client_;
  take_->port = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  jack_set_process_callback(client_, &JackMidiSender::Play, take_);
  jack_on_shutdown(client_, [](void* take) { static_cast<TTake*>(take)->serverGone = true; }, take_);
  if (!take_->port || jack_activate(client_) != 0) jack_client_close(std::exchange(client_, nullptr));
}

JackMidiSender::~JackMidiSender() {
  std::lock_guard<std::recursive_mutex> clients(JackBackend::ClientMutex());
  if (client_ && take_->serverGone) {
    static auto* abandoned = new std::vector<TTake*>;  // left to its client, as the recorder's
    abandoned->push_back(take_);
    return;
  }
  if (client_) jack_client_close(client_);
  delete take_;
}

bool JackMidiSender::Send(std::initializer_list<uint8_t> message) {
  const size_t at = take_->written.load(std::memory_order_relaxed);
  if (at - take_->sent.load(std::memory_order_acquire) == TTake::kSlots || message.size() > 3) return false;
  std::copy(message.begin(), message.end(), take_->bytes[at % TTake::kSlots]);
  take_->sizes[at % TTake::kSlots] = uint8_t(message.size());
  take_->written.store(at + 1, std::memory_order_release);
  return true;
}

int JackMidiSender::Play(jack_nframes_t frames, void* sending) {
  TTake& take = *static_cast<TTake*>(sending);
  void* buffer = jack_port_get_buffer(take.port, frames);
  jack_midi_clear_buffer(buffer);
  const size_t written = take.written.load(std::memory_order_acquire);
  size_t sent = take.sent.load(std::memory_order_relaxed);
  if (sent == written) return 0;
  for (; sent < written; ++sent)
    jack_midi_event_write(buffer, 0, take.bytes[sent % TTake::kSlots], take.sizes[sent % TTake::kSlots]);
  take.sent.store(sent, std::memory_order_release);
  take.sentAt.store(jack_last_frame_time(take.client), std::memory_order_release);
  return 0;
}
