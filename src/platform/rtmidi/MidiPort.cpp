#include "platform/rtmidi/MidiPort.h"

#include <dlfcn.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <mutex>

#include "platform/sound/JackBackend.h"

namespace {
// Messages the library keeps when the receiver is slow; ours never is.
constexpr unsigned kLibraryQueue = 1024;

void Silent(const char*) {}
void SilentAlsa(const char*, int, const char*, int, const char*, ...) {}

// The library would tell the terminal that ALSA has no sequencer here.
bool AlsaSequencerPresent() {
  using AlsaHook = int (*)(void (*)(const char*, int, const char*, int, const char*, ...));
  if (auto set = reinterpret_cast<AlsaHook>(dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"))) set(SilentAlsa);
  return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

// Asked first and quietly: the library would tell the terminal that no
// server runs.
bool JackServerRuns() {
  jack_set_error_function(Silent);
  jack_set_info_function(Silent);
  jack_client_t* client = jack_client_open(kMidiClientName, JackNoStartServer, nullptr);
  if (client) jack_client_close(client);
  return client != nullptr;
}

void Failed(RtMidiError::Type type, const std::string& text, void* error) {
  if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING) *static_cast<std::string*>(error) = text;
}

// The name without ALSA's trailing " 24:0".
std::string WithoutNumbers(const std::string& name) {
  const size_t space = name.rfind(' ');
  if (space == std::string::npos) return name;
  const std::string tail = name.substr(space + 1);
  const bool numbers = tail.find(':') != std::string::npos &&
                       tail.find_first_not_of("0123456789:") == std::string::npos;
  return numbers ? name.substr(0, space) : name;
}
}  // namespace

bool SameMidiSource(const std::string& a, const std::string& b) { return WithoutNumbers(a) == WithoutNumbers(b); }

TMidiPort::TMidiPort(TReceiver receiver, void* context) : receiver_(receiver), context_(context) {}

TMidiPort::~TMidiPort() {
  Close();
  std::lock_guard<std::recursive_mutex> clients(JackBackend::ClientMutex());
  in_.reset();
}

const char* TMidiPort::System() const { return jack_ ? "JACK" : "ALSA"; }

// JACK when its server answers, else ALSA; kept for the life of the port, so
// that a source listed once is found again.
bool TMidiPort::Create() {
  if (in_) return true;
  // JACK's clients open and close one at a time in this process.
  std::lock_guard<std::recursive_mutex> clients(JackBackend::ClientMutex());
  const bool jack = JackServerRuns(), alsa = AlsaSequencerPresent();
  error_ = "no MIDI here: neither a JACK server nor the ALSA sequencer";
  for (RtMidi::Api api : {RtMidi::UNIX_JACK, RtMidi::LINUX_ALSA}) {
    if ((api == RtMidi::UNIX_JACK && !jack) || (api == RtMidi::LINUX_ALSA && !alsa)) continue;
    error_.clear();
    try {
      auto in = std::make_unique<RtMidiIn>(api, kMidiClientName, kLibraryQueue);
      in->setErrorCallback(&Failed, &error_);
      in->getPortCount();  // JACK: connects, or fails when no server runs
      if (!error_.empty()) continue;
      in->setCallback(&TMidiPort::Received, this);
      in_ = std::move(in);
      jack_ = api == RtMidi::UNIX_JACK;
      return true;
    } catch (const RtMidiError& e) {
      error_ = e.getMessage();
    }
  }
  return false;
}

std::vector<std::string> TMidiPort::Sources() {
  std::vector<std::string> names;
  if (!Create()) return names;
  const unsigned count = in_->getPortCount();
  for (unsigned i = 0; i < count; ++i) names.push_back(in_->getPortName(i));
  return names;
}

bool TMidiPort::Open(const std::string& source) {
  Close();
  if (!Create()) return false;
  std::lock_guard<std::recursive_mutex> clients(JackBackend::ClientMutex());
  error_.clear();
  if (source.empty()) {
    in_->openVirtualPort(kMidiPortName);
  } else {
    const std::vector<std::string> names = Sources();
    unsigned index = 0;
    while (index < names.size() && !SameMidiSource(names[index], source)) ++index;
    if (index == names.size()) {
      error_ = "no MIDI source \"" + source + "\"";
      return false;
    }
    in_->openPort(index, kMidiPortName);
    connectedTo_ = names[index];
  }
  open_ = error_.empty() && (source.empty() || in_->isPortOpen());
  if (!open_ && error_.empty()) error_ = "the MIDI port cannot be opened";
  return open_;
}

void TMidiPort::Close() {
  std::lock_guard<std::recursive_mutex> clients(JackBackend::ClientMutex());
  if (in_ && open_) in_->closePort();
  open_ = false;
  connectedTo_.clear();
}

void TMidiPort::Received(double, std::vector<unsigned char>* message, void* self) {
  auto& port = *static_cast<TMidiPort*>(self);
  port.receiver_(message->data(), message->size(), port.context_);
}
