// A channel message as a controller sends it: what kind, on which channel,
// which note or controller, and its value. Everything else is ignored.
#pragma once
#include <cstddef>
#include <cstdint>

enum TMidiKind : uint8_t { mkNone, mkNote, mkControl };

struct TMidiMessage {
  TMidiKind kind = mkNone;
  uint8_t channel = 0;  // 1..16, as controllers' manuals count them
  uint8_t number = 0;   // note or controller, 0..127
  uint8_t value = 0;    // velocity (0 for a note-off) or controller value
  bool Pressed() const { return kind == mkNote && value > 0; }
};

// Note-off and velocity-0 note-on both come out as a note of value 0.
TMidiMessage DecodeMidi(const uint8_t* bytes, size_t size);

// A relative controller's value as ticks: two's complement (1..63 forward,
// 127..65 back) or centred on 64 (65.. forward, ..63 back).
enum TMidiRelative : uint8_t { mrTwosComplement, mrCentred };
int RelativeTicks(uint8_t value, TMidiRelative encoding);
// The encoding a first tick most likely used: values near 64 are centred.
TMidiRelative GuessRelative(uint8_t value);

// An absolute controller, 7-bit or 14-bit (MSB on controller N < 32, LSB on
// N + 32). The MSB resets the LSB, as MIDI has it; the LSB that follows
// completes the value. Values are 0..kMidiFullScale either way.
constexpr int kMidiFullScale = 16383;
class TMidiAbsolute {
 public:
  void Msb(uint8_t value) { msb_ = value, lsb_ = 0, fine_ = false; }
  void Lsb(uint8_t value) { lsb_ = value, fine_ = true; }
  // 7-bit values are spread over the whole scale, so that 127 is its top.
  int Value() const { return fine_ ? (msb_ << 7 | lsb_) : msb_ * kMidiFullScale / 127; }

 private:
  uint8_t msb_ = 0, lsb_ = 0;
  bool fine_ = false;
};

// A controller that takes over a value only once it has met it, so that a
// fader left elsewhere does not make the deck jump: it takes over when it
// comes within `tolerance` of the value or crosses it, and lets go again
// when something else changes the value.
class TSoftTakeover {
 public:
  // True when `wanted` is to be applied to a value that now is `current`.
  bool Take(int wanted, int current, int tolerance);

 private:
  bool engaged_ = false;
  bool havePrevious_ = false;
  int previous_ = 0;  // the controller's last value
  int applied_ = 0;   // what it last set
};
