// A controller's messages as the deck reads them.
#include "midi/MidiMessage.h"

#include <gtest/gtest.h>

namespace {
TMidiMessage Decode(std::initializer_list<uint8_t> bytes) { return DecodeMidi(std::data(bytes), bytes.size()); }
}  // namespace

TEST(MidiMessage, NotesAndControllersKeepTheirChannelAndEveryReleaseIsValueZero) {
  const TMidiMessage on = Decode({0x93, 60, 100});
  EXPECT_EQ(on.kind, mkNote);
  EXPECT_EQ(on.channel, 4);
  EXPECT_TRUE(on.Pressed());
  EXPECT_FALSE(Decode({0x83, 60, 64}).Pressed()) << "note-off, whatever its velocity";
  EXPECT_FALSE(Decode({0x93, 60, 0}).Pressed()) << "velocity-0 note-on";
  EXPECT_EQ(Decode({0xBF, 7, 99}).kind, mkControl);
  EXPECT_EQ(Decode({0xE0, 0, 64}).kind, mkNone) << "pitch wheel: not ours";
  EXPECT_EQ(Decode({0x90, 60}).kind, mkNone) << "cut short";
}

TEST(MidiMessage, FourteenBitValuesUseTheLsbAndSevenBitOnesSpanTheWholeScale) {
  TMidiAbsolute fader;
  fader.Msb(66);
  fader.Lsb(11);
  EXPECT_EQ(fader.Value(), 66 * 128 + 11);
  fader.Msb(67);
  EXPECT_EQ(fader.Value(), 67 * kMidiFullScale / 127) << "a new MSB resets the LSB";
  fader.Msb(127);
  EXPECT_EQ(fader.Value(), kMidiFullScale);
  fader.Lsb(127);
  EXPECT_EQ(fader.Value(), kMidiFullScale);
}

TEST(MidiMessage, RelativeEncodingsTurnBothWays) {
  EXPECT_EQ(RelativeTicks(1, mrTwosComplement), 1);
  EXPECT_EQ(RelativeTicks(127, mrTwosComplement), -1);
  EXPECT_EQ(RelativeTicks(65, mrTwosComplement), -63);
  EXPECT_EQ(RelativeTicks(65, mrCentred), 1);
  EXPECT_EQ(RelativeTicks(60, mrCentred), -4);
  EXPECT_EQ(GuessRelative(127), mrTwosComplement);
  EXPECT_EQ(GuessRelative(1), mrTwosComplement);
  EXPECT_EQ(GuessRelative(63), mrCentred);
}

TEST(MidiMessage, SoftTakeoverWaitsUntilTheControlMeetsTheValue) {
  TSoftTakeover takeover;
  EXPECT_FALSE(takeover.Take(900, 0, 30)) << "a fader left far off does not jump the value";
  EXPECT_FALSE(takeover.Take(500, 0, 30));
  EXPECT_TRUE(takeover.Take(-200, 0, 30)) << "crossing the value takes it over";
  EXPECT_TRUE(takeover.Take(-180, -200, 30));
  EXPECT_FALSE(takeover.Take(-100, 400, 30)) << "changed elsewhere: met again first";
  EXPECT_TRUE(takeover.Take(390, 400, 30)) << "within the tolerance";
}
