// A console deck playing to a stand-in sound card of its own on the test's
// JACK server, so that what each deck plays is recorded apart, on the
// server's one frame clock.
#pragma once
#include <sys/types.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/JackServer.h"

class DeckOnCard {
 public:
  // The card records up to `recordSeconds` from its start; the deck is
  // `deckPath`, started on it by Load.
  DeckOnCard(const std::string& deckPath, const std::string& cardName, double recordSeconds);

  // Opens `track` paused on the card, on a +-16 % pitch fader, and waits for
  // its analysis: "" or the first refusal ("COMMAND: ANSWER").
  std::string Load(const std::string& track);
  // Runs the console commands in order: "" or the first refusal.
  std::string Do(std::initializer_list<std::string> commands);
  std::string Ask(const std::string& command) { return console_->Ask(command); }
  pid_t Pid() const { return console_->Pid(); }
  const JackRecorder& Card() const { return card_; }

  // The server's frame time of the next frame to be recorded.
  double FrameNow() const { return card_.FrameTimeOf(double(card_.Frames())); }
  // The kicks it played in [from, to), in the server's frames.
  std::vector<double> Onsets(double from, double to) const;

 private:
  std::string deckPath_;
  JackRecorder card_;
  std::unique_ptr<ChildProcess> console_;
};
