// The deck's MIDI input port, "Vy-System:midi_in": on JACK while a JACK
// server runs, else on the ALSA sequencer. It is either connected to one
// source (a controller's port) or open for any source to connect to it.
// Messages arrive on the library's own thread, handed to a receiver that
// must not block. Everything else is called from one thread, the owner's.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class RtMidiIn;

inline constexpr char kMidiClientName[] = "Vy-System";
inline constexpr char kMidiPortName[] = "midi_in";

class TMidiPort {
 public:
  using TReceiver = void (*)(const uint8_t* bytes, size_t size, void* context);
  TMidiPort(TReceiver receiver, void* context);
  ~TMidiPort();
  TMidiPort(const TMidiPort&) = delete;
  TMidiPort& operator=(const TMidiPort&) = delete;

  // The sources there are now, by name.
  std::vector<std::string> Sources();
  // Connects to `source`, or with "" opens the port unconnected. False,
  // with Error() saying why, when it cannot; the port is then closed.
  bool Open(const std::string& source);
  void Close();
  bool IsOpen() const { return open_; }
  // The source's name as listed when it was connected ("" unconnected).
  const std::string& ConnectedTo() const { return connectedTo_; }
  const std::string& Error() const { return error_; }
  // "JACK" or "ALSA".
  const char* System() const;

 private:
  bool Create();
  static void Received(double, std::vector<unsigned char>* message, void* self);

  TReceiver receiver_;
  void* context_;
  std::unique_ptr<RtMidiIn> in_;
  bool jack_ = false;
  bool open_ = false;
  std::string connectedTo_;
  std::string error_;
};

// Two names of one source: ALSA adds "client:port" numbers that change when
// a controller comes back, so those are left out of the comparison.
bool SameMidiSource(const std::string& a, const std::string& b);
