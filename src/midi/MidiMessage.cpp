#include "midi/MidiMessage.h"

#include <cstdlib>

namespace {
constexpr uint8_t kNoteOff = 0x80, kNoteOn = 0x90, kControlChange = 0xB0;
}

TMidiMessage DecodeMidi(const uint8_t* bytes, size_t size) {
  TMidiMessage message;
  if (size < 3) return message;
  const uint8_t type = bytes[0] & 0xF0;
  message.channel = uint8_t((bytes[0] & 0x0F) + 1);
  message.number = bytes[1] & 0x7F;
  message.value = bytes[2] & 0x7F;
  if (type == kNoteOn || type == kNoteOff) {
    message.kind = mkNote;
    if (type == kNoteOff) message.value = 0;
  } else if (type == kControlChange) {
    message.kind = mkControl;
  }
  return message;
}

int RelativeTicks(uint8_t value, TMidiRelative encoding) {
  value &= 0x7F;
  if (encoding == mrCentred) return int(value) - 64;
  return value < 64 ? int(value) : int(value) - 128;
}

TMidiRelative GuessRelative(uint8_t value) { return value >= 32 && value < 96 ? mrCentred : mrTwosComplement; }

bool TSoftTakeover::Take(int wanted, int current, int tolerance) {
  if (engaged_ && current != applied_) engaged_ = false;  // moved by a key, the mouse or a preset
  if (!engaged_) {
    const bool near = std::abs(wanted - current) <= tolerance;
    const bool crossed = havePrevious_ && (previous_ - current) * (wanted - current) <= 0;
    engaged_ = near || crossed;
  }
  havePrevious_ = true;
  previous_ = wanted;
  if (engaged_) applied_ = wanted;
  return engaged_;
}
