// silent_jack_client: a bare JACK client wired as the deck is (two outputs
// to the first two physical playback ports) that writes silence every
// period until it is stopped. Its process thread's CPU is what libjack and
// the wake-ups cost by themselves: the floor of the deck's JACK thread.
#include <jack/jack.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
jack_port_t* gPorts[2] = {};

int WriteSilence(jack_nframes_t frames, void*) {
  for (jack_port_t* port : gPorts)
    std::memset(jack_port_get_buffer(port, frames), 0, frames * sizeof(float));
  return 0;
}

bool ConnectToPlayback(jack_client_t* client) {
  const char** targets = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput | JackPortIsPhysical);
  bool connected = targets && targets[0];
  for (int channel = 0; connected && channel < 2; ++channel) {
    const char* target = targets[1] ? targets[channel] : targets[0];
    connected = jack_connect(client, jack_port_name(gPorts[channel]), target) == 0;
  }
  jack_free(targets);
  return connected;
}
}  // namespace

int main() {
  // Blocked before libjack starts its threads, so that they inherit the mask
  // and the stop reaches the sigwait below.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  jack_client_t* client = jack_client_open("silent-client", JackNoStartServer, nullptr);
  if (!client) {
    std::fprintf(stderr, "silent_jack_client: no JACK server\n");
    return 1;
  }
  for (int channel = 0; channel < 2; ++channel)
    gPorts[channel] = jack_port_register(client, ("out_" + std::to_string(channel + 1)).c_str(),
                                         JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
  jack_set_process_callback(client, WriteSilence, nullptr);
  if (jack_activate(client) != 0 || !ConnectToPlayback(client)) return 1;
  int signal = 0;
  sigwait(&stop, &signal);  // the process thread runs meanwhile
  jack_client_close(client);
  return 0;
}
