#include "platform/sound/JackBackend.h"

#include <jack/jack.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>

#include "platform/sound/DeviceIdentity.h"

namespace {
constexpr char kClientName[] = "Vy-System";
constexpr char kDescriptionSuffix[] = " (JACK Audio Connection Kit)";
// JACK periods above this are rare; a larger one is played as silence.
constexpr uint32_t kMaxPeriodFrames = 8192;

void Silent(const char*) {}

jack_client_t* OpenClient(jack_status_t* status) {
  jack_set_error_function(Silent);  // the server's absence is an answer, not news for the terminal
  jack_set_info_function(Silent);
  return jack_client_open(kClientName, JackNoStartServer, status);
}

// Client names that own physical playback ports: "system:playback_1" -> "system".
std::vector<std::string> PlaybackClients(jack_client_t* client) {
  std::vector<std::string> names;
  const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput | JackPortIsPhysical);
  std::set<std::string> seen;
  for (const char** port = ports; port && *port; ++port) {
    std::string name(*port);
    name = name.substr(0, name.find(':'));
    if (seen.insert(name).second) names.push_back(name);
  }
  jack_free(ports);
  return names;
}

TOutputDevice Describe(const std::string& client) {
  return {DeviceIdentity("JACK\n" + client), client + kDescriptionSuffix};
}

jack_port_t* Port(void* port) { return static_cast<jack_port_t*>(port); }
}  // namespace

std::recursive_mutex& JackBackend::ClientMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

std::vector<TOutputDevice> JackBackend::List() {
  std::lock_guard<std::recursive_mutex> clients(ClientMutex());
  jack_status_t status;
  jack_client_t* client = OpenClient(&status);
  if (!client) return {};
  std::vector<TOutputDevice> devices;
  for (const std::string& name : PlaybackClients(client)) devices.push_back(Describe(name));
  jack_client_close(client);
  return devices;
}

std::unique_ptr<JackBackend> JackBackend::Open(const TGuid* device, SoundMixer& mixer, HRESULT* error) {
  *error = DSERR_NODRIVER;
  std::lock_guard<std::recursive_mutex> clients(ClientMutex());  // recursive: a failed open closes inside
  jack_status_t status;
  jack_client_t* client = OpenClient(&status);
  if (!client) return nullptr;
  std::unique_ptr<JackBackend> backend(new JackBackend(mixer));
  TStream& stream = *backend->stream_;
  stream.client = client;
  std::string chosen;
  for (const std::string& name : PlaybackClients(client))
    if (chosen.empty() && (!device || Describe(name).id == *device)) chosen = name;
  if (chosen.empty()) return nullptr;
  backend->rate_ = jack_get_sample_rate(client);
  stream.mix.resize(2 * kMaxPeriodFrames);
  for (int channel = 0; channel < 2; ++channel) {
    std::string port = "out_" + std::to_string(channel + 1);
    stream.ports[channel] = jack_port_register(client, port.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    if (!stream.ports[channel]) return nullptr;
  }
  jack_set_process_callback(
      client, [](jack_nframes_t frames, void* s) { return static_cast<TStream*>(s)->Process(frames), 0; }, &stream);
  jack_set_latency_callback(
      client,
      [](jack_latency_callback_mode_t mode, void* s) {
        if (mode == JackPlaybackLatency) static_cast<TStream*>(s)->LearnLatency();
      },
      &stream);
  // A new period moves the latency too, and not every server calls the above for it.
  jack_set_buffer_size_callback(
      client, [](jack_nframes_t, void* s) { return static_cast<TStream*>(s)->LearnLatency(), 0; }, &stream);
  stream.rate = backend->rate_;
  jack_on_shutdown(
      client, [](void* s) { static_cast<TStream*>(s)->shutDown.store(true, std::memory_order_release); }, &stream);
  mixer.SetDevice(backend->rate_, jack_get_buffer_size(client));
  if (jack_activate(client) != 0 || !backend->Connect(chosen)) {
    *error = DSERR_ALLOCATED;
    return nullptr;
  }
  *error = DS_OK;
  return backend;
}

// Wires our two outputs to the device's first two playback ports (one
// playback port takes both) and learns the latency they add.
bool JackBackend::Connect(const std::string& device) {
  auto* client = static_cast<jack_client_t*>(stream_->client);
  const char** targets = jack_get_ports(client, ("^" + device + ":").c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                        JackPortIsInput | JackPortIsPhysical);
  bool connected = targets && targets[0];
  for (int channel = 0; connected && channel < 2; ++channel) {
    const char* target = targets[1] ? targets[channel] : targets[0];
    connected = jack_connect(client, jack_port_name(Port(stream_->ports[channel])), target) == 0;
  }
  jack_free(targets);
  stream_->LearnLatency();
  return connected;
}

// Our port's latency is the largest of the ports it feeds. Asked of them it
// is fresh also where the server has not yet worked ours out again (after
// a new period); unconnected, ours is all there is.
void JackBackend::TStream::LearnLatency() {
  auto latencyOf = [](jack_port_t* port) {
    jack_latency_range_t range{0, 0};
    if (port) jack_port_get_latency_range(port, JackPlaybackLatency, &range);
    return range.max;
  };
  uint32_t latency = 0;
  const char** fed = jack_port_get_connections(Port(ports[0]));
  for (const char** name = fed; name && *name; ++name)
    latency = std::max(latency, latencyOf(jack_port_by_name(static_cast<jack_client_t*>(client), *name)));
  if (!fed) latency = latencyOf(Port(ports[0]));
  jack_free(fed);
  latencyFrames.store(latency, std::memory_order_relaxed);
  mixer.SetDevice(rate, latency);
}

JackBackend::~JackBackend() {
  std::lock_guard<std::recursive_mutex> clients(ClientMutex());
  if (Failed()) {
    // Kept where it can still be found, as the client that uses it is: to
    // the end of the process, past the destruction of statics.
    static auto* abandoned = new std::vector<TStream*>;
    abandoned->push_back(stream_);
    return;
  }
  if (auto* client = static_cast<jack_client_t*>(stream_->client)) {
    jack_deactivate(client);
    jack_client_close(client);
  }
  delete stream_;
}

void JackBackend::TStream::Process(uint32_t frames) {
  auto* left = static_cast<float*>(jack_port_get_buffer(Port(ports[0]), frames));
  auto* right = static_cast<float*>(jack_port_get_buffer(Port(ports[1]), frames));
  if (frames > kMaxPeriodFrames) {
    std::memset(left, 0, frames * sizeof(float));
    std::memset(right, 0, frames * sizeof(float));
    return;
  }
  // The server's frame count runs on through cycles this client missed.
  const uint32_t now = jack_last_frame_time(static_cast<jack_client_t*>(client));
  frameTime += int64_t(uint32_t(now - uint32_t(frameTime)));
  mixer.Mix(mix.data(), frames, frameTime);
  for (uint32_t k = 0; k < frames; ++k) {
    left[k] = mix[2 * k];
    right[k] = mix[2 * k + 1];
  }
}
