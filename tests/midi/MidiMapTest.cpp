// The mapping file: good lines read back as written, broken ones skipped
// with a reason each.
#include "midi/MidiMap.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "midi/MidiActions.h"
#include "support/TempDir.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(MidiMap, BrokenLinesAreSkippedEachWithItsReason) {
  const TMidiMapText map = ParseMidiMap(
      "# a comment\n"
      "play note 1 11\n"
      "\n"
      "scratch note 1 12\n"      // 4: no such action
      "cue key 1 12\n"           // 5: no such type
      "next note 17 12\n"        // 6: channel
      "prev note 1 128\n"        // 7: number
      "pitch note 1 5\n"         // 8: a fader cannot be a note
      "pitch cc 1 40 14bit\n"    // 9: no fine part above 31
      "jog cc 2 22 centred deck=2  # side B\n"
      "volume cc 1\n");          // 11: cut short
  ASSERT_EQ(map.bindings.size(), 2u);
  EXPECT_EQ(FormatMidiBinding(map.bindings[0]), "play note 1 11");
  EXPECT_EQ(FormatMidiBinding(map.bindings[1]), "jog cc 2 22 centred deck=2");
  ASSERT_EQ(map.problems.size(), 7u);
  EXPECT_THAT(map.problems[0], HasSubstr("line 4: unknown action \"scratch\""));
  EXPECT_THAT(map.problems[1], HasSubstr("line 5"));
  EXPECT_THAT(map.problems[2], HasSubstr("line 6: channel"));
  EXPECT_THAT(map.problems[3], HasSubstr("line 7: number"));
  EXPECT_THAT(map.problems[4], HasSubstr("line 8: pitch needs a cc"));
  EXPECT_THAT(map.problems[5], HasSubstr("line 9: option \"14bit\""));
  EXPECT_THAT(map.problems[6], HasSubstr("line 11"));
}

TEST(MidiMap, SavedMapLoadsAsItWasInFoldersMadeForIt) {
  TempDir dir;
  const std::string path = dir.File("vy-system/midi.map");
  const TMidiMapText map = ParseMidiMap("pitch cc 3 0 14bit invert\nmute note 3 5 deck=1\n");
  ASSERT_TRUE(SaveMidiMap(path, map.bindings));
  std::vector<std::string> lines;
  for (const TMidiBinding& binding : LoadMidiMap(path)) lines.push_back(FormatMidiBinding(binding));
  EXPECT_THAT(lines, ElementsAre("pitch cc 3 0 14bit invert", "mute note 3 5 deck=1"));
}

TEST(MidiMap, ShippedExampleBindsEveryActionOnBothSides) {
  const TMidiMapText map = ParseMidiMap(ReadFileBytes(VYS_EXAMPLE_MAP));
  EXPECT_THAT(map.problems, ::testing::IsEmpty());
  EXPECT_EQ(map.bindings.size(), 2u * kMidiActionCount);
}
