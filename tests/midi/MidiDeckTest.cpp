// The console deck driven by a controller on JACK: learnt, then played.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "platform/kernel/KernelFile.h"
#include "support/AudioOutput.h"
#include "support/ChildProcess.h"
#include "support/Environment.h"
#include "support/JackServer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

using ::testing::HasSubstr;

namespace {
constexpr uint8_t kNoteOn = 0x90, kNoteOff = 0x80, kControl = 0xB0;  // channel 1

struct MidiDeck : ::testing::Test {
  TempDir dir;
  ScopedEnvironment config{"XDG_CONFIG_HOME", dir.Path()};
  JackServer server;
  std::optional<ScopedEnvironment> audio;  // the deck's sound is not listened to
  std::unique_ptr<JackMidiSender> controller;
  std::unique_ptr<ChildProcess> deck;

  void SetUp() override {
    if (!HaveJack()) GTEST_SKIP() << "jackd is not installed";
    ASSERT_TRUE(server.Start());
    audio.emplace("VYS_AUDIO", "null");
    controller = std::make_unique<JackMidiSender>("vys-test-controller");
    ASSERT_TRUE(controller->Running());
    WriteFileBytes(dir.File("song.wav"), MakeWav({.data = PatternBytes(30 * 176400)}));
    deck = std::make_unique<ChildProcess>(std::vector<std::string>{VYS_DECK_PATH}, ChildProcess::kInputPipe);
    ASSERT_EQ(deck->Ask("prefs 128 0 1"), "ok");  // opened paused, pitch range 16 %
    ASSERT_EQ(deck->Ask("open " + dir.File("song.wav")), "ok");
  }
  void TearDown() override {
    if (deck) deck->Ask("quit");
    deck.reset();
    controller.reset();
  }
  // The action is learnt from `gesture`, as the map then says.
  void Learn(const std::string& action, std::initializer_list<std::initializer_list<uint8_t>> gesture,
             const std::string& binding) {
    ASSERT_EQ(deck->Ask("midi-learn " + action), "ok");
    for (auto message : gesture) ASSERT_TRUE(controller->Send(message));
    EXPECT_TRUE(WaitUntil([&] { return deck->Ask("midi-map").find(binding) != std::string::npos; }))
        << deck->Ask("midi-map");
  }
  bool StatusHas(const std::string& text) {
    return WaitUntil([&] { return deck->Ask("status").find(text) != std::string::npos; });
  }
};
}  // namespace

TEST_F(MidiDeck, LearntControlsPlaySetThePitchToItsFinestStepAndJogInSearchSteps) {
  EXPECT_THAT(deck->Ask("midi-ports"), HasSubstr("\"" + controller->Port() + "\""));
  ASSERT_EQ(deck->Ask("midi-connect " + controller->Port()), "ok");

  Learn("play", {{kNoteOn, 11, 100}, {kNoteOff, 11, 0}}, "play note 1 11");
  EXPECT_TRUE(StatusHas("\"state\":\"paused\"")) << "the learning press does not play";
  controller->Send({kNoteOn, 11, 100});
  controller->Send({kNoteOn, 11, 0});  // a velocity-0 note-on releases
  EXPECT_TRUE(StatusHas("\"state\":\"playing\""));

  // A 14-bit fader reaches the fader's every step: +0.01 % here.
  Learn("pitch", {{kControl, 0, 64}, {kControl, 32, 0}}, "pitch cc 1 0 14bit");
  controller->Send({kControl, 0, 66});
  controller->Send({kControl, 32, 11});
  EXPECT_TRUE(StatusHas("\"pitch\":1,")) << deck->Ask("status");

  controller->Send({kNoteOn, 11, 100});
  controller->Send({kNoteOff, 11, 0});
  ASSERT_TRUE(StatusHas("\"state\":\"paused\""));
  const std::string before = deck->Ask("status");
  const long position = std::stol(before.substr(before.find("\"position\":") + 11));
  Learn("jog", {{kControl, 22, 127}}, "jog cc 1 22 twos");
  for (int tick = 0; tick < 20; ++tick) controller->Send({kControl, 22, 1});
  EXPECT_TRUE(StatusHas("\"position\":" + std::to_string(position + 20 * 10) + ","))
      << "20 ticks, 20 search steps of 10 ms: " << before << "\n" << deck->Ask("status");
}

TEST_F(MidiDeck, ControllerUnpluggedIsFollowedAgainWhenItIsBack) {
  ASSERT_EQ(ReplaceFileWhole(dir.File("vy-system/midi.map"), "play note 1 11\n"), 0);
  ASSERT_EQ(deck->Ask("midi-connect " + controller->Port()), "ok");
  ASSERT_TRUE(WaitUntil([&] { return controller->Connected(); }));
  JackMidiSender onlooker("vys-test-onlooker");
  controller.reset();
  ASSERT_TRUE(WaitUntil([&] { return !onlooker.SeesPort("Vy-System:midi_in"); })) << "the deck let go of it";
  controller = std::make_unique<JackMidiSender>("vys-test-controller");
  ASSERT_TRUE(WaitUntil([&] { return controller->Connected(); }));
  controller->Send({kNoteOn, 11, 100});
  EXPECT_TRUE(StatusHas("\"state\":\"playing\""));
}
