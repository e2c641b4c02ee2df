#include "support/DeckOnCard.h"

#include "support/AudioOutput.h"
#include "support/BeatOnsets.h"

namespace {
constexpr double kQuietMs = 100;  // kicks end well before the next beat
}

DeckOnCard::DeckOnCard(const std::string& deckPath, const std::string& cardName, double recordSeconds)
    : deckPath_(deckPath), card_(cardName, recordSeconds) {}

std::string DeckOnCard::Load(const std::string& track) {
  int device = -1;
  WaitUntil([&] { return (device = FindOutputDevice(card_.Device())) > 0; });
  console_ = std::make_unique<ChildProcess>(std::vector<std::string>{deckPath_}, ChildProcess::kInputPipe);
  // "prefs 128 0 1": opened paused (no "play when open"), stopped at the end, +-16 %.
  return Do({"device " + std::to_string(device), "prefs 128 0 1", "open " + track, "analysis-wait 60000"});
}

std::string DeckOnCard::Do(std::initializer_list<std::string> commands) {
  for (const std::string& command : commands) {
    const std::string answer = console_->Ask(command);
    if (answer != "ok") return command + ": " + answer;
  }
  return "";
}

std::vector<double> DeckOnCard::Onsets(double from, double to) const {
  std::vector<double> onsets;
  const Capture heard = card_.Recorded();
  for (double onset : FindOnsets(heard.left, kQuietMs, heard.rate)) {
    const double frame = card_.FrameTimeOf(onset);
    if (frame >= from && frame < to) onsets.push_back(frame);
  }
  return onsets;
}
